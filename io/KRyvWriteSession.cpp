#include "io/KRyvWriteSession.h"

#include "scene/objects/KRyvNodeLimits.h"

#include "animation/KRyvTakeNode.h"
#include "character/KRyvCharacter.h"
#include "character/KRyvCharacterPose.h"
#include "character/KRyvControlSetPlug.h"
#include "core/KDateTime.h"
#include "core/KDocumentInfo.h"
#include "io/KNodeWalk.h"
#include "io/KRyvCharacterIO.h"
#include "io/KRyvCurveIO.h"
#include "io/KRyvDeformerIO.h"
#include "io/KRyvMedia.h"
#include "io/KRyvNodeLimitsIO.h"
#include "io/KRyvPropertyIO.h"
#include "io/KRyvSceneObjectIO.h"
#include "io/KStreamOptionsRyv.h"
#include "object/KProperty.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvActor.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLayerContainer.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMarkerSet.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <tuple>
#include <unordered_map>

namespace {

constexpr float kFullPercent = 100.0f;

} // namespace

KRyvWriteSession::KRyvWriteSession(KRyvFile& ioFile, KRyvScene& ioScene,
                                   const KStreamOptionsRyv& pOptions, bool pPackedKeys)
    : mFile(ioFile), mScene(ioScene), mOptions(pOptions), mPackedKeys(pPackedKeys),
      mFactory(*ioScene.GetObjectFactory())
{
}

KRyvWriteSession::~KRyvWriteSession()
{
    try {
        DestroyFreshNodes();
    } catch (const std::bad_alloc&) {
        // The remaining fresh nodes stay with the factory, which releases them with itself.
    }
}

void KRyvWriteSession::DestroyFreshNodes()
{
    for (const auto& lEntry : mNodeDefaults) {
        if (lEntry.second && lEntry.second->mFresh) {
            KRyvNode* lFresh = lEntry.second->mFresh;
            lEntry.second->mFresh = nullptr;
            mFactory.DestroyNode(lFresh, true);
        }
    }
}

bool KRyvWriteSession::Run(KString& ioMessage)
{
    mMessage = &ioMessage;
    KRyvSceneEntity& lEntity = *mScene.GetSceneEntity();
    Gather(lEntity);
    mTotal = lEntity.GetNodeCount() +
             static_cast<int>(mMaterials.size() + mTextures.size() + mVideos.size()) +
             mScene.GetPoseCount() + mScene.GetCharacterCount() + 1;
    WriteDefinitions(lEntity);
    if (!mNested) {
        KRyvSceneObjectIO::WriteThumbnail(mFile, mOptions.GetThumbnail());
    }
    if (mOptions.IsOn(KStreamOptionsRyv::kGlobalSettings)) {
        KRyvSceneObjectIO::WriteGlobalSettings(mFile, mScene);
    }
    mFile.FieldWriteBegin("Objects");
    const bool lWritten = WriteObjects(lEntity, ioMessage);
    mFile.FieldWriteEnd();
    if (!lWritten) {
        return false;
    }
    WritePropertyConnections();
    WriteTakeInfos();
    Report("Writing", kFullPercent);
    return true;
}

bool KRyvWriteSession::Step(const char* pText)
{
    ++mDone;
    Report(pText, kFullPercent * static_cast<float>(mDone) / static_cast<float>(mTotal));
    return !mOptions.IsCancelled();
}

void KRyvWriteSession::Report(const char* pText, float pPercent)
{
    if (!mNested && !mQuiet) {
        mOptions.ReportProgress(pText, pPercent);
    }
}

void KRyvWriteSession::WriteDefinitions(KRyvSceneEntity& ioEntity)
{
    mFile.FieldWriteBegin("Definitions");
    mFile.FieldWriteI("Model", ioEntity.GetNodeCount());
    mFile.FieldWriteI("Material", static_cast<int>(mMaterials.size()));
    mFile.FieldWriteI("Texture", static_cast<int>(mTextures.size()));
    mFile.FieldWriteI("Video", static_cast<int>(mVideos.size()));
    mFile.FieldWriteI("Gobo", static_cast<int>(mGobos.size()));
    mFile.FieldWriteI("Pose", mScene.GetPoseCount());
    mFile.FieldWriteI("Character", mScene.GetCharacterCount());
    mFile.FieldWriteEnd();
}

void KRyvWriteSession::WriteContainer(KRyvTakeNodeContainer& ioObject, KObject* pSet,
                                      const NodeDefaults* pDefaults)
{
    // Takes before the block: the default take's curves hold single-precision defaults,
    // which the block's values then overwrite in full precision on reading.
    KRyvPropertyIO::WriteUserProperties(mFile, ioObject);
    if (mOptions.IsOn(KStreamOptionsRyv::kAnimation)) {
        KRyvTakeNode* lFreshTake =
            pDefaults && pDefaults->mFresh ? pDefaults->mFresh->GetTakeNode(0) : nullptr;
        KRyvCurveIO::WriteTakeNodes(mFile, ioObject, mPackedKeys, mOptions.GetTakeName(),
                                    lFreshTake ? lFreshTake->GetKFCurveNode() : nullptr);
    }
    KRyvPropertyIO::WriteBlock(mFile, pSet, pDefaults ? &pDefaults->mNode : nullptr);
}

bool KRyvWriteSession::WriteObjects(KRyvSceneEntity& ioEntity, KString& ioMessage)
{
    for (std::size_t i = 0; mOptions.IsOn(KStreamOptionsRyv::kGobo) && i < mGobos.size(); ++i) {
        mFile.FieldWriteBegin("Gobo");
        mFile.FieldWriteC(mGobos[i]->GetName());
        KRyvSceneObjectIO::WriteGobo(mFile, *mGobos[i]);
        mFile.FieldWriteEnd();
    }
    return WriteMaterials(ioEntity) && WriteTextures(ioEntity, ioMessage) &&
           WriteVideos(ioEntity, ioMessage) && WriteModels() && WritePoses() &&
           WriteDeformers(ioEntity) && WriteCharacters() && WriteGenericNodes(ioEntity);
}

bool KRyvWriteSession::WriteGenericNodes(KRyvSceneEntity& ioEntity)
{
    for (int i = 0; mOptions.IsOn(KStreamOptionsRyv::kModel) && i < ioEntity.GetGenericNodeCount();
         ++i) {
        KRyvGenericNode& lNode = *ioEntity.GetGenericNode(i);
        mFile.FieldWriteBegin("GenericNode");
        mFile.FieldWriteC(lNode.GetName());
        WriteContainer(lNode, lNode.GetProperties());
        mFile.FieldWriteEnd();
    }
    return true;
}

bool KRyvWriteSession::WriteCharacters()
{
    if (!mOptions.IsOn(KStreamOptionsRyv::kCharacter)) {
        return true;
    }
    for (int i = 0; i < mScene.GetMarkerSetCount(); ++i) {
        mFile.FieldWriteBegin("MarkerSet");
        mFile.FieldWriteC(mScene.GetMarkerSet(i)->GetName());
        KRyvCharacterIO::WriteMarkerSet(mFile, *mScene.GetMarkerSet(i));
        mFile.FieldWriteEnd();
    }
    for (int i = 0; i < mScene.GetActorCount(); ++i) {
        mFile.FieldWriteBegin("Actor");
        mFile.FieldWriteC(mScene.GetActor(i)->GetName());
        KRyvCharacterIO::WriteActor(mFile, *mScene.GetActor(i));
        mFile.FieldWriteEnd();
    }
    for (int i = 0; i < mScene.GetCharacterCount(); ++i) {
        KRyvCharacter& lCharacter = *mScene.GetCharacter(i);
        mFile.FieldWriteBegin("Character");
        mFile.FieldWriteC(lCharacter.GetName());
        KRyvCharacterIO::WriteCharacter(mFile, lCharacter);
        if (lCharacter.GetInputType() != KRyvCharacter::kInputNone) {
            // The input by its kind and name: an actor or a character of this file.
            const KRyvObject* lInput = lCharacter.GetInputObject();
            mFile.FieldWriteBegin("Input");
            mFile.FieldWriteI(lCharacter.GetInputType());
            mFile.FieldWriteC(lInput ? lInput->GetName() : KString(""));
            mFile.FieldWriteEnd();
        }
        WriteContainer(lCharacter, lCharacter.GetProperties());
        mFile.FieldWriteEnd();
        if (!Step("Writing characters")) {
            return false;
        }
    }
    if (!WriteCharacterPoses()) {
        return false;
    }
    for (int i = 0; i < mScene.GetControlSetPlugCount(); ++i) {
        KRyvControlSetPlug& lPlug = *mScene.GetControlSetPlug(i);
        mFile.FieldWriteBegin("ControlSetPlug");
        mFile.FieldWriteC(lPlug.GetName());
        WriteContainer(lPlug, lPlug.GetProperties());
        mFile.FieldWriteEnd();
    }
    return true;
}

bool KRyvWriteSession::WriteCharacterPoses()
{
    for (int i = 0; i < mScene.GetCharacterPoseCount(); ++i) {
        KRyvCharacterPose& lPose = *mScene.GetCharacterPose(i);
        if (!lPose.GetScene()) {
            continue;
        }
        mFile.FieldWriteBegin("CharacterPose");
        mFile.FieldWriteC(lPose.GetName());
        KRyvWriteSession lPoseSession(mFile, *lPose.GetScene(), mOptions, mPackedKeys);
        lPoseSession.SetNested();
        const bool lWritten = lPoseSession.Run(*mMessage);
        mFile.FieldWriteEnd();
        if (!lWritten) {
            return false;
        }
    }
    return true;
}

void KRyvWriteSession::Gather(KRyvSceneEntity& ioEntity)
{
    for (int i = 0; i < ioEntity.GetMaterialCount(); ++i) {
        AddOnce(mMaterials, ioEntity.GetMaterial(i));
    }
    for (int i = 0; i < ioEntity.GetTextureCount(); ++i) {
        AddOnce(mTextures, ioEntity.GetTexture(i));
    }
    for (int i = 0; i < ioEntity.GetVideoCount(); ++i) {
        AddOnce(mVideos, ioEntity.GetVideo(i));
    }
    for (int i = 0; i < ioEntity.GetGoboCount(); ++i) {
        AddOnce(mGobos, ioEntity.GetGobo(i));
    }
    // Nodes in the order the models are written, so that the objects they use are listed, and
    // read back, in the order of first use.
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(mScene.GetRootNode(), true, lNodes);
    for (KRyvNode* lNode : lNodes) {
        // A light may hold a gobo that never joined the scene's list.
        if (auto* lLight = dynamic_cast<KRyvLight*>(lNode->GetNodeAttribute())) {
            AddOnce(mGobos, lLight->GetGobo());
        }
        auto* lContainer = dynamic_cast<KRyvLayerContainer*>(lNode->GetNodeAttribute());
        for (int l = 0; lContainer && l < lContainer->GetLayerCount(); ++l) {
            const KLayer* lLayer = lContainer->GetLayer(l);
            for (KRyvMaterial* lMaterial : lLayer->GetMaterials()
                                               ? lLayer->GetMaterials()->GetDirectArray()
                                               : std::vector<KRyvMaterial*>()) {
                AddOnce(mMaterials, lMaterial);
            }
            for (KRyvTexture* lTexture : lLayer->GetTextures()
                                             ? lLayer->GetTextures()->GetDirectArray()
                                             : std::vector<KRyvTexture*>()) {
                AddOnce(mTextures, lTexture);
            }
        }
    }
    for (KRyvTexture* lTexture : mTextures) {
        AddOnce(mVideos, lTexture->GetVideo());
    }
}

template <typename T> void KRyvWriteSession::AddOnce(std::vector<T*>& ioList, T* pObject)
{
    if (pObject && std::find(ioList.begin(), ioList.end(), pObject) == ioList.end()) {
        ioList.push_back(pObject);
    }
}

bool KRyvWriteSession::WriteMaterials(KRyvSceneEntity&)
{
    for (std::size_t i = 0; mOptions.IsOn(KStreamOptionsRyv::kMaterial) && i < mMaterials.size();
         ++i) {
        KRyvMaterial& lMaterial = *mMaterials[i];
        mFile.FieldWriteBegin("Material");
        mFile.FieldWriteC(lMaterial.GetName());
        KRyvSceneObjectIO::WriteMaterial(mFile, lMaterial);
        WriteContainer(lMaterial, lMaterial.GetProperties());
        mFile.FieldWriteEnd();
        if (!Step("Writing materials")) {
            return false;
        }
    }
    return true;
}

bool KRyvWriteSession::WriteTextures(KRyvSceneEntity&, KString& ioMessage)
{
    for (std::size_t i = 0; mOptions.IsOn(KStreamOptionsRyv::kTexture) && i < mTextures.size();
         ++i) {
        KRyvTexture& lTexture = *mTextures[i];
        mFile.FieldWriteBegin("Texture");
        mFile.FieldWriteC(lTexture.GetName());
        KRyvSceneObjectIO::WriteTexture(mFile, lTexture);
        WriteMedia(lTexture.GetFileName(), lTexture.GetRelativeFileName(), ioMessage);
        WriteContainer(lTexture, lTexture.GetProperties());
        mFile.FieldWriteEnd();
        if (!Step("Writing textures")) {
            return false;
        }
    }
    return true;
}

bool KRyvWriteSession::WriteVideos(KRyvSceneEntity&, KString& ioMessage)
{
    for (std::size_t i = 0; mOptions.IsOn(KStreamOptionsRyv::kTexture) && i < mVideos.size(); ++i) {
        KRyvVideo& lVideo = *mVideos[i];
        mFile.FieldWriteBegin("Video");
        mFile.FieldWriteC(lVideo.GetName());
        KRyvSceneObjectIO::WriteVideo(mFile, lVideo);
        WriteMedia(lVideo.GetFileName(), lVideo.GetRelativeFileName(), ioMessage);
        WriteContainer(lVideo, lVideo.GetProperties());
        mFile.FieldWriteEnd();
        if (!Step("Writing videos")) {
            return false;
        }
    }
    return true;
}

void KRyvWriteSession::WriteMedia(const char* pFileName, const char* pRelativeName,
                                  KString& ioMessage)
{
    if (mOptions.IsOn(KStreamOptionsRyv::kEmbedMedia)) {
        KRyvMedia::Embed(mFile, pFileName, pRelativeName, ioMessage);
    }
}

bool KRyvWriteSession::WriteModels()
{
    if (!mOptions.IsOn(KStreamOptionsRyv::kModel)) {
        return true;
    }
    std::vector<KRyvNode*> lStack{mScene.GetRootNode()};
    while (!lStack.empty()) {
        KRyvNode* lNode = lStack.back();
        lStack.pop_back();
        WriteModel(*lNode);
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lStack.push_back(lNode->GetChild(i));
        }
        if (!Step("Writing models")) {
            return false;
        }
    }
    if (KRyvNode* lSwitcher = mScene.GetCameraSwitcher()) {
        mFile.FieldWriteBegin("CameraSwitcher");
        WriteNodeBody(*lSwitcher, false);
        mFile.FieldWriteEnd();
    }
    return true;
}

void KRyvWriteSession::WriteModel(KRyvNode& ioNode)
{
    const KRyvNode* lParent = ioNode.GetParent();
    const auto lParentIndex = lParent ? mModelIndex.find(lParent) : mModelIndex.end();
    mFile.FieldWriteBegin("Model");
    mFile.FieldWriteC(ioNode.GetName());
    mFile.FieldWriteC(lParent ? lParent->GetName() : KString(""));
    // Names may repeat under different parents: the index tells which parent is meant.
    mFile.FieldWriteI(lParentIndex == mModelIndex.end() ? -1 : lParentIndex->second);
    mModelIndex.emplace(&ioNode, static_cast<int>(mModelIndex.size()));
    WriteNodeBody(ioNode, lParent != nullptr);
    mFile.FieldWriteEnd();
}

const KRyvWriteSession::NodeDefaults& KRyvWriteSession::DefaultsFor(int pAttributeKind)
{
    std::unique_ptr<NodeDefaults>& lDefaults = mNodeDefaults[pAttributeKind];
    if (!lDefaults) {
        KRyvNode* lNode = mFactory.CreateNode("");
        KRyvNodeAttribute* lAttribute = KRyvSceneObjectIO::MakeAttribute(pAttributeKind, mFactory);
        if (lNode && lAttribute) {
            lNode->SetNodeAttribute(lAttribute);
        }
        lDefaults.reset(new NodeDefaults{
            lNode, KRyvPropertyDefaults(lNode ? lNode->GetProperties() : nullptr),
            KRyvPropertyDefaults(lAttribute ? KRyvSceneObjectIO::AttributeSet(*lAttribute)
                                            : nullptr)});
        if (!lNode && lAttribute) {
            mFactory.DestroyNodeAttribute(lAttribute);
        }
    }
    return *lDefaults;
}

void KRyvWriteSession::WriteNodeBody(KRyvNode& ioNode, bool pFresh)
{
    mFile.FieldWriteI("ShadingMode", ioNode.GetShadingMode());
    mFile.FieldWriteB("MultiTake", ioNode.GetMultiTake());
    if (ioNode.IsMarked()) {
        mFile.FieldWriteB("Marked", true);
    }
    KRyvNode* lLookAt = ioNode.GetLookAtTarget();
    KRyvNode* lUp = ioNode.GetUpVectorTarget();
    mFile.FieldWriteC("LookAtModel", lLookAt ? lLookAt->GetName() : KString(""));
    mFile.FieldWriteC("UpVectorModel", lUp ? lUp->GetName() : KString(""));
    KVector4 lRotation;
    ioNode.GetPostTargetRotation(lRotation);
    WriteVector(mFile, "PostTargetRotation", lRotation);
    ioNode.GetUpTargetRotation(lRotation);
    WriteVector(mFile, "UpTargetRotation", lRotation);
    KRyvNodeAttribute* lAttribute = ioNode.GetNodeAttribute();
    const NodeDefaults* lDefaults =
        pFresh ? &DefaultsFor(lAttribute ? lAttribute->GetAttributeType() : -1) : nullptr;
    if (lAttribute) {
        KRyvAttributeParts lParts;
        lParts.mDefaults = lDefaults ? &lDefaults->mAttribute : nullptr;
        lParts.mShapes = mOptions.IsOn(KStreamOptionsRyv::kShape);
        lParts.mLinks = mOptions.IsOn(KStreamOptionsRyv::kLink);
        lParts.mGoboName = mOptions.IsOn(KStreamOptionsRyv::kGobo);
        KRyvSceneObjectIO::WriteAttribute(mFile, *lAttribute, mFactory, lParts);
    }
    // The pivots and limits live in the node's pivot set; the block writes their properties.
    ioNode.UpdatePropertiesFromPivots();
    WriteContainer(ioNode, ioNode.GetProperties(), lDefaults);
    // After the block, whose limit properties would otherwise overwrite them on reading. Limits
    // never made are written as made, without keeping them.
    const KRyvNodeLimits* lLimits = ioNode.GetMadeLimits();
    KRyvNodeLimitsIO::WriteLimits(mFile, lLimits ? *lLimits : KRyvNodeLimits(&ioNode));
}

void KRyvWriteSession::WriteVector(KRyvFile& ioFile, const char* pName, const KVector4& pVector)
{
    ioFile.FieldWriteBegin(pName);
    ioFile.FieldWriteArray(std::vector<double>{pVector[0], pVector[1], pVector[2], pVector[3]});
    ioFile.FieldWriteEnd();
}

bool KRyvWriteSession::WritePoses()
{
    for (int i = 0; mOptions.IsOn(KStreamOptionsRyv::kPose) && i < mScene.GetPoseCount(); ++i) {
        KRyvPose& lPose = *mScene.GetPose(i);
        mFile.FieldWriteBegin("Pose");
        mFile.FieldWriteC(lPose.GetName());
        mFile.FieldWriteB(lPose.IsBindPose());
        KRyvSceneObjectIO::WritePose(mFile, lPose);
        WriteContainer(lPose, lPose.GetProperties());
        mFile.FieldWriteEnd();
        if (!Step("Writing poses")) {
            return false;
        }
    }
    return true;
}

void KRyvWriteSession::WritePropertyConnections()
{
    std::unordered_map<const KObject*, int> lSets;
    for (const auto& [lNode, lIndex] : mModelIndex) {
        if (KObject* lSet = const_cast<KRyvNode*>(lNode)->GetProperties()) {
            lSets.emplace(lSet, lIndex);
        }
    }
    std::vector<std::tuple<int, std::string, int, std::string>> lConnections;
    for (const auto& [lSet, lIndex] : lSets) {
        lSet->WalkToConnect([&, lIndex = lIndex](const KProperty& pProperty) {
            for (int s = 0; s < pProperty.GetSrcCount(); ++s) {
                const auto* lSource = dynamic_cast<const KProperty*>(pProperty.GetSrc(s));
                const auto lOwner = lSource ? lSets.find(lSource->GetParentObject()) : lSets.end();
                if (lOwner != lSets.end() && lOwner->second != lIndex) {
                    lConnections.emplace_back(lIndex, pProperty.GetName(), lOwner->second,
                                              lSource->GetName());
                }
            }
        });
    }
    if (lConnections.empty()) {
        return;
    }
    // In model order, so that a file does not depend on where objects lie in memory.
    std::stable_sort(lConnections.begin(), lConnections.end(), [](const auto& pA, const auto& pB) {
        return std::get<0>(pA) < std::get<0>(pB);
    });
    mFile.FieldWriteBegin("Connections");
    for (const auto& [lDestination, lDestinationName, lSource, lSourceName] : lConnections) {
        mFile.FieldWriteBegin("C");
        mFile.FieldWriteI(lDestination);
        mFile.FieldWriteC(lDestinationName.c_str());
        mFile.FieldWriteI(lSource);
        mFile.FieldWriteC(lSourceName.c_str());
        mFile.FieldWriteEnd();
    }
    mFile.FieldWriteEnd();
}

bool KRyvWriteSession::WriteDeformers(KRyvSceneEntity& ioEntity)
{
    if (!mOptions.IsOn(KStreamOptionsRyv::kLink)) {
        return true;
    }
    std::unordered_map<const KPlug*, int> lModels;
    for (const auto& [lNode, lIndex] : mModelIndex) {
        lModels.emplace(const_cast<KRyvNode*>(lNode)->GetProperties(), lIndex);
    }
    std::unordered_map<const KPlug*, int> lSkins;
    for (const int lKind : {KRyvDeformer::eSkin, KRyvDeformer::eCluster}) {
        for (int i = 0; i < ioEntity.GetDeformerCount(lKind); ++i) {
            KRyvDeformer& lDeformer = *ioEntity.GetDeformer(i, lKind);
            KObject* lSet = lDeformer.GetProperties();
            mFile.FieldWriteBegin("Deformer");
            mFile.FieldWriteC(lDeformer.GetName());
            mFile.FieldWriteC(lDeformer.GetTypeName());
            KRyvDeformerIO::WriteData(mFile, lDeformer);
            if (lSet && lKind == KRyvDeformer::eSkin) {
                KRyvGeometryIO::WriteNamedArray(
                    mFile, "Deforms", KRyvDeformerIO::ConnectedPlaces(*lSet, false, lModels));
                lSkins.emplace(lSet, static_cast<int>(lSkins.size()));
            } else if (lSet) {
                const KPlug* lReference = lSet->FindProperty("SrcModelReference");
                KRyvGeometryIO::WriteNamedArray(
                    mFile, "Skin", KRyvDeformerIO::ConnectedPlaces(*lSet, false, lSkins));
                KRyvGeometryIO::WriteNamedArray(
                    mFile, "LinkModel", KRyvDeformerIO::ConnectedPlaces(*lSet, true, lModels));
                KRyvGeometryIO::WriteNamedArray(
                    mFile, "AssociateModel",
                    lReference ? KRyvDeformerIO::ConnectedPlaces(*lReference, true, lModels)
                               : std::vector<int>());
            }
            WriteContainer(lDeformer, lSet);
            mFile.FieldWriteEnd();
        }
    }
    return true;
}

void KRyvWriteSession::WriteTakeInfos()
{
    std::vector<KString> lNames;
    mScene.FillTakeNameList(lNames);
    mFile.FieldWriteBegin("Takes");
    // With one take written, that take is the current one of the file.
    const KString& lOnly = mOptions.GetTakeName();
    mFile.FieldWriteC("Current", lOnly.IsEmpty() ? KString(mScene.GetCurrentTakeName()) : lOnly);
    for (const KString& lName : lNames) {
        const KTakeInfo* lInfo = mScene.GetTakeInfo(lName.Buffer());
        if (!lInfo || (!lOnly.IsEmpty() && lName.Compare(lOnly) != 0)) {
            continue;
        }
        mFile.FieldWriteBegin("TakeInfo");
        mFile.FieldWriteC(lInfo->mName);
        mFile.FieldWriteC(lInfo->mDescription);
        mFile.FieldWriteC(lInfo->mSecondDescription);
        mFile.FieldWriteI(lInfo->mSelect);
        mFile.FieldWriteArray(
            std::vector<std::int64_t>{lInfo->mLocalStart.Get(), lInfo->mLocalStop.Get(),
                                      lInfo->mReferenceStart.Get(), lInfo->mReferenceStop.Get()});
        mFile.FieldWriteArray(std::vector<std::int32_t>{lInfo->mWords[0], lInfo->mWords[1]});
        // Only a take with a rate of its own has the record: the others keep their bytes.
        if (lInfo->mTimeMode != 0) {
            mFile.FieldWriteBegin("FrameRate");
            mFile.FieldWriteI(lInfo->mTimeMode);
            mFile.FieldWriteD(lInfo->mFrameRate);
            mFile.FieldWriteEnd();
        }
        mFile.FieldWriteEnd();
    }
    mFile.FieldWriteEnd();
}
