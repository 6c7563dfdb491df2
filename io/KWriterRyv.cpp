#include "io/KWriterRyv.h"

#include "character/KRyvCharacter.h"
#include "character/KRyvCharacterPose.h"
#include "character/KRyvControlSetPlug.h"
#include "core/KDateTime.h"
#include "core/KDocumentInfo.h"
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
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"

#include "ryvfile/KRyvStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <tuple>
#include <unordered_map>

namespace {

const char kCreatorName[] = "ryvkit 6.0.1";
constexpr float kFullPercent = 100.0f;

struct KFlavourForm
{
    int mVersion;
    bool mAscii;
    bool mEncrypted;
};

const KFlavourForm kForms[] = {{KRyvContainer::kVersion60, false, false},
                               {KRyvContainer::kVersion60, true, false},
                               {KRyvContainer::kVersion60, false, true},
                               {KRyvContainer::kVersion5x, false, false},
                               {KRyvContainer::kVersion5x, true, false}};

KRyvHeaderExtension FreshExtension(const KRyvScene& pScene)
{
    KRyvHeaderExtension lExtension;
    lExtension.mCreator = kCreatorName;
    const KDateTime lNow = KDateTime::Now();
    const int lStamp[] = {lNow.GetYear(),   lNow.GetMonth(),  lNow.GetDay(),        lNow.GetHour(),
                          lNow.GetMinute(), lNow.GetSecond(), lNow.GetMillisecond()};
    std::copy(std::begin(lStamp), std::end(lStamp), lExtension.mTimeStamp);
    if (const KDocumentInfo* lInfo = pScene.GetDocumentInfo()) {
        lExtension.mHasDocumentInfo = true;
        lExtension.mDocumentInfo = *lInfo;
    }
    return lExtension;
}

} // namespace

// One write: the file being built, the options and the progress over the objects.
class KWriterRyv::Session
{
public:
    Session(KRyvFile& ioFile, KRyvScene& ioScene, const KStreamOptionsRyv& pOptions,
            bool pPackedKeys)
        : mFile(ioFile), mScene(ioScene), mOptions(pOptions), mPackedKeys(pPackedKeys),
          mFactory(*ioScene.GetObjectFactory())
    {
    }

    bool Run(KString& ioMessage)
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

    // A session writing a character pose's own scene inside the record of the pose: its
    // progress is not reported (the outer session's is), its cancel still stops it.
    void SetNested() { mNested = true; }

private:
    // False when the caller cancels.
    bool Step(const char* pText)
    {
        ++mDone;
        Report(pText, kFullPercent * static_cast<float>(mDone) / static_cast<float>(mTotal));
        return !mOptions.IsCancelled();
    }

    void Report(const char* pText, float pPercent)
    {
        if (!mNested) {
            mOptions.ReportProgress(pText, pPercent);
        }
    }

    void WriteDefinitions(KRyvSceneEntity& ioEntity)
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

    // The parts every take-node container shares: user properties, takes, property block.
    void WriteContainer(KRyvTakeNodeContainer& ioObject, KObject* pSet)
    {
        // Takes before the block: the default take's curves hold single-precision defaults,
        // which the block's values then overwrite in full precision on reading.
        KRyvPropertyIO::WriteUserProperties(mFile, ioObject);
        if (mOptions.IsOn(KStreamOptionsRyv::kAnimation)) {
            KRyvCurveIO::WriteTakeNodes(mFile, ioObject, mPackedKeys, mOptions.GetTakeName());
        }
        KRyvPropertyIO::WriteBlock(mFile, pSet);
    }

    bool WriteObjects(KRyvSceneEntity& ioEntity, KString& ioMessage)
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

    bool WriteGenericNodes(KRyvSceneEntity& ioEntity)
    {
        for (int i = 0;
             mOptions.IsOn(KStreamOptionsRyv::kModel) && i < ioEntity.GetGenericNodeCount(); ++i) {
            KRyvGenericNode& lNode = *ioEntity.GetGenericNode(i);
            mFile.FieldWriteBegin("GenericNode");
            mFile.FieldWriteC(lNode.GetName());
            WriteContainer(lNode, lNode.GetProperties());
            mFile.FieldWriteEnd();
        }
        return true;
    }

    // Marker sets and actors first: characters may name them.
    bool WriteCharacters()
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

    // Each pose's own scene (its nodes and its character) as a whole body inside its record.
    bool WriteCharacterPoses()
    {
        for (int i = 0; i < mScene.GetCharacterPoseCount(); ++i) {
            KRyvCharacterPose& lPose = *mScene.GetCharacterPose(i);
            if (!lPose.GetScene()) {
                continue;
            }
            mFile.FieldWriteBegin("CharacterPose");
            mFile.FieldWriteC(lPose.GetName());
            Session lPoseSession(mFile, *lPose.GetScene(), mOptions, mPackedKeys);
            lPoseSession.SetNested();
            const bool lWritten = lPoseSession.Run(*mMessage);
            mFile.FieldWriteEnd();
            if (!lWritten) {
                return false;
            }
        }
        return true;
    }

    // The scene's lists, then what its geometry refers to without listing it, each object once.
    void Gather(KRyvSceneEntity& ioEntity)
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
        std::vector<KRyvNode*> lStack{mScene.GetRootNode()};
        while (!lStack.empty()) {
            KRyvNode* lNode = lStack.back();
            lStack.pop_back();
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
            for (int i = 0; i < lNode->GetChildCount(); ++i) {
                lStack.push_back(lNode->GetChild(i));
            }
        }
        for (KRyvTexture* lTexture : mTextures) {
            AddOnce(mVideos, lTexture->GetVideo());
        }
    }

    template <typename T> static void AddOnce(std::vector<T*>& ioList, T* pObject)
    {
        if (pObject && std::find(ioList.begin(), ioList.end(), pObject) == ioList.end()) {
            ioList.push_back(pObject);
        }
    }

    bool WriteMaterials(KRyvSceneEntity&)
    {
        for (std::size_t i = 0;
             mOptions.IsOn(KStreamOptionsRyv::kMaterial) && i < mMaterials.size(); ++i) {
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

    bool WriteTextures(KRyvSceneEntity&, KString& ioMessage)
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

    bool WriteVideos(KRyvSceneEntity&, KString& ioMessage)
    {
        for (std::size_t i = 0; mOptions.IsOn(KStreamOptionsRyv::kTexture) && i < mVideos.size();
             ++i) {
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

    void WriteMedia(const char* pFileName, const char* pRelativeName, KString& ioMessage)
    {
        if (mOptions.IsOn(KStreamOptionsRyv::kEmbedMedia)) {
            KRyvMedia::Embed(mFile, pFileName, pRelativeName, ioMessage);
        }
    }

    // Depth first, parents before children, so that a reader always finds a parent made.
    bool WriteModels()
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
            WriteNodeBody(*lSwitcher);
            mFile.FieldWriteEnd();
        }
        return true;
    }

    void WriteModel(KRyvNode& ioNode)
    {
        const KRyvNode* lParent = ioNode.GetParent();
        const auto lParentIndex = lParent ? mModelIndex.find(lParent) : mModelIndex.end();
        mFile.FieldWriteBegin("Model");
        mFile.FieldWriteC(ioNode.GetName());
        mFile.FieldWriteC(lParent ? lParent->GetName() : KString(""));
        // Names may repeat under different parents: the index tells which parent is meant.
        mFile.FieldWriteI(lParentIndex == mModelIndex.end() ? -1 : lParentIndex->second);
        mModelIndex.emplace(&ioNode, static_cast<int>(mModelIndex.size()));
        WriteNodeBody(ioNode);
        mFile.FieldWriteEnd();
    }

    void WriteNodeBody(KRyvNode& ioNode)
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
        if (KRyvNodeAttribute* lAttribute = ioNode.GetNodeAttribute()) {
            KRyvAttributeParts lParts;
            lParts.mShapes = mOptions.IsOn(KStreamOptionsRyv::kShape);
            lParts.mLinks = mOptions.IsOn(KStreamOptionsRyv::kLink);
            lParts.mGoboName = mOptions.IsOn(KStreamOptionsRyv::kGobo);
            KRyvSceneObjectIO::WriteAttribute(mFile, *lAttribute, mFactory, lParts);
        }
        // The pivots and limits live in the node's pivot set; the block writes their properties.
        ioNode.UpdatePropertiesFromPivots();
        WriteContainer(ioNode, ioNode.GetProperties());
        // After the block, whose limit properties would otherwise overwrite them on reading.
        KRyvNodeLimitsIO::WriteLimits(mFile, ioNode.GetLimits());
    }

    static void WriteVector(KRyvFile& ioFile, const char* pName, const KVector4& pVector)
    {
        ioFile.FieldWriteBegin(pName);
        ioFile.FieldWriteArray(std::vector<double>{pVector[0], pVector[1], pVector[2], pVector[3]});
        ioFile.FieldWriteEnd();
    }

    bool WritePoses()
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

    // A property of one model driven by a property of another: "C" records of the place and the
    // property name of the destination, then of the source (names may repeat; places do not).
    void WritePropertyConnections()
    {
        std::unordered_map<const KObject*, int> lSets;
        for (const auto& [lNode, lIndex] : mModelIndex) {
            if (KObject* lSet = const_cast<KRyvNode*>(lNode)->GetProperties()) {
                lSets.emplace(lSet, lIndex);
            }
        }
        std::vector<std::tuple<int, std::string, int, std::string>> lConnections;
        for (const auto& [lSet, lIndex] : lSets) {
            for (int p = 0; p < lSet->GetPropertyCount(); ++p) {
                const KProperty* lProperty = lSet->GetProperty(p);
                for (int s = 0; lProperty && s < lProperty->GetSrcCount(); ++s) {
                    const auto* lSource = dynamic_cast<const KProperty*>(lProperty->GetSrc(s));
                    const auto lOwner =
                        lSource ? lSets.find(lSource->GetParentObject()) : lSets.end();
                    if (lOwner != lSets.end() && lOwner->second != lIndex) {
                        lConnections.emplace_back(lIndex, lProperty->GetName(), lOwner->second,
                                                  lSource->GetName());
                    }
                }
            }
        }
        if (lConnections.empty()) {
            return;
        }
        // In model order, so that a file does not depend on where objects lie in memory.
        std::stable_sort(
            lConnections.begin(), lConnections.end(),
            [](const auto& pA, const auto& pB) { return std::get<0>(pA) < std::get<0>(pB); });
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

    // Skins, then clusters, each with the places of what it is connected to: the models a skin
    // deforms, a cluster's skin, its link model and its associate model.
    bool WriteDeformers(KRyvSceneEntity& ioEntity)
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

    void WriteTakeInfos()
    {
        std::vector<KString> lNames;
        mScene.FillTakeNameList(lNames);
        mFile.FieldWriteBegin("Takes");
        // With one take written, that take is the current one of the file.
        const KString& lOnly = mOptions.GetTakeName();
        mFile.FieldWriteC("Current",
                          lOnly.IsEmpty() ? KString(mScene.GetCurrentTakeName()) : lOnly);
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
            mFile.FieldWriteArray(std::vector<std::int64_t>{
                lInfo->mLocalStart.Get(), lInfo->mLocalStop.Get(), lInfo->mReferenceStart.Get(),
                lInfo->mReferenceStop.Get()});
            mFile.FieldWriteArray(std::vector<std::int32_t>{lInfo->mWords[0], lInfo->mWords[1]});
            mFile.FieldWriteEnd();
        }
        mFile.FieldWriteEnd();
    }

    KRyvFile& mFile;
    KRyvScene& mScene;
    const KStreamOptionsRyv& mOptions;
    bool mPackedKeys;
    KRyvObjectFactory& mFactory;
    std::vector<KRyvMaterial*> mMaterials;
    std::vector<KRyvTexture*> mTextures;
    std::vector<KRyvVideo*> mVideos;
    std::vector<KRyvGobo*> mGobos;
    bool mNested = false;
    KString* mMessage = nullptr;
    // The place of each model written, for the parent index of its children.
    std::unordered_map<const KRyvNode*, int> mModelIndex;
    int mTotal = 1;
    int mDone = 0;
};

KWriterRyv::KWriterRyv(KRyvObjectFactory* pOwner, EFlavour pFlavour)
    : KWriter(pOwner), mFlavour(pFlavour)
{
}

KWriterRyv::~KWriterRyv() = default;

std::unique_ptr<KWriter> KWriterRyv::CreateBinary(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kBinary60);
}

std::unique_ptr<KWriter> KWriterRyv::CreateAscii(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kAscii60);
}

std::unique_ptr<KWriter> KWriterRyv::CreateEncrypted(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kEncrypted60);
}

std::unique_ptr<KWriter> KWriterRyv::CreateBinary5x(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kBinary5x);
}

std::unique_ptr<KWriter> KWriterRyv::CreateAscii5x(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kAscii5x);
}

bool KWriterRyv::Refuse(int pCode, const char* pCause)
{
    GetError().SetLastError(pCode, pCause);
    return false;
}

bool KWriterRyv::FileCreate(const char* pFileName)
{
    FileClose();
    mFileName = pFileName ? pFileName : "";
    if (mFileName.IsEmpty() || !mOutput.Create(mFileName.Buffer())) {
        const std::string lCause = "File not created: " + std::string(std::strerror(errno));
        return Refuse(kFileNotCreated, lCause.c_str());
    }
    return true;
}

bool KWriterRyv::FileClose()
{
    // Nothing committed yet: the target stays as it was.
    mOutput.Discard();
    return true;
}

std::unique_ptr<KStreamOptions> KWriterRyv::GetWriteOptions()
{
    return std::make_unique<KStreamOptionsRyv>();
}

bool KWriterRyv::WriteScene(KRyvFile& ioFile, KRyvScene& ioScene, const KStreamOptionsRyv& pOptions)
{
    const KFlavourForm& lForm = kForms[mFlavour];
    ioFile.Create(lForm.mVersion, lForm.mAscii,
                  lForm.mEncrypted ? pOptions.GetPassword().Buffer() : nullptr);
    // Of an extension a read left in the options only the time stamp is kept (a file read and
    // written back keeps its stamp); the creator is this kit and the document information the
    // scene's own.
    KRyvHeaderExtension lExtension = FreshExtension(ioScene);
    if (pOptions.HasHeaderExtension()) {
        const int* lStamp = pOptions.GetHeaderExtension().mTimeStamp;
        std::copy(lStamp, lStamp + KRyvHeaderExtension::kTimeStampFields, lExtension.mTimeStamp);
    }
    ioFile.SetHeaderExtension(lExtension);
    Session lSession(ioFile, ioScene, pOptions, lForm.mVersion == KRyvContainer::kVersion60);
    return lSession.Run(GetMessage());
}

bool KWriterRyv::Write(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!pOptions || !pOptions->IsA(KStreamOptionsRyv::ClassId())) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    const auto& lOptions = static_cast<const KStreamOptionsRyv&>(*pOptions);
    if (!pScene || !mOutput.IsOpen()) {
        GetError().SetLastErrorID(pScene ? kFileNotOpened : kUnidentifiedError);
        return false;
    }
    if (kForms[mFlavour].mEncrypted && lOptions.GetPassword().IsEmpty()) {
        mOutput.Discard();
        return Refuse(kUnidentifiedError, "An encrypted file needs a password");
    }
    try {
        KRyvFile lFile;
        if (!WriteScene(lFile, *pScene, lOptions)) {
            mOutput.Discard();
            return Refuse(kUnidentifiedError, "Cancelled");
        }
        KRyvStdioStream lStream;
        lStream.Attach(mOutput.GetStream(), true);
        if (!lFile.Save(lStream)) {
            mOutput.Discard();
            const KError& lFileError = lFile.GetError();
            const bool lDisk = lFileError.GetLastErrorID() == KRyvFile::kOutOfDiskSpace;
            return Refuse(lDisk ? kOutOfDiskSpace : kUnidentifiedError,
                          lFileError.GetLastErrorString().Buffer());
        }
        lStream.Close();
        if (!mOutput.Commit()) {
            const std::string lCause = "Out of disk space: " + std::string(std::strerror(errno));
            return Refuse(kOutOfDiskSpace, lCause.c_str());
        }
    } catch (const std::bad_alloc&) {
        mOutput.Discard();
        return Refuse(kUnidentifiedError, "Out of memory");
    }
    return true;
}
