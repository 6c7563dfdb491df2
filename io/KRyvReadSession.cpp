#include "io/KRyvReadSession.h"

#include "character/KRyvCharacter.h"
#include "character/KRyvCharacterPose.h"
#include "character/KRyvControlSetPlug.h"
#include "core/KFileUtils.h"
#include "core/KMediaCopy.h"
#include "io/KReadRollback.h"
#include "io/KRyvCharacterIO.h"
#include "io/KRyvCurveIO.h"
#include "io/KRyvDeformerIO.h"
#include "io/KRyvMedia.h"
#include "io/KRyvNodeLimitsIO.h"
#include "io/KRyvPropertyIO.h"
#include "io/KRyvSceneObjectIO.h"
#include "io/KStreamOptionsRyv.h"
#include "object/KProperty.h"
#include "ryvfile/KRyvFieldValue.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvActor.h"
#include "scene/objects/KRyvCameraSwitcher.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGeometry.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMarkerSet.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvThumbnail.h"
#include "scene/objects/KRyvVideo.h"

#include <algorithm>
#include <climits>
#include <new>
#include <string>
#include <unordered_map>

namespace {

constexpr float kFullPercent = 100.0f;
constexpr int kMaxCount = 1 << 30;
// Character poses one scene takes from a file.
constexpr int kMaxCharacterPoses = 1024;
// Sources a file may give one plug (a property, a model's property set).
constexpr int kMaxSourcesPerPlug = 256;
// Characters of a name taken from a file that a warning quotes.
constexpr int kQuotedNameLength = 40;
// Unknown records named in the message text at most.
constexpr int kMaxUnknownKindsReported = 16;

KVector4 ReadVector(KRyvFile& ioFile, const char* pName)
{
    std::vector<double> lValues;
    if (ioFile.FieldReadBegin(pName)) {
        ioFile.FieldReadArray(lValues);
        ioFile.FieldReadEnd();
    }
    return lValues.size() == 4 ? KVector4(lValues[0], lValues[1], lValues[2], lValues[3])
                               : KVector4();
}

} // namespace

KRyvReadSession::KRyvReadSession(KRyvFile& ioFile, KRyvScene& ioScene,
                                 const KStreamOptionsRyv& pOptions, KRyvMediaFolder* pMedia,
                                 const KString& pFileFolder, KReadRollback& ioRollback,
                                 KString& ioMessage)
    : mFile(ioFile), mScene(ioScene), mOptions(pOptions), mMedia(pMedia), mFileFolder(pFileFolder),
      mMessage(ioMessage), mFactory(*ioScene.GetObjectFactory()), mRollback(ioRollback)
{
    mContext.mFactory = &mFactory;
    // Without the list a layer's reference to a kind not read is no warning.
    mContext.mMaterials = pOptions.IsOn(KStreamOptionsRyv::kMaterial) ? &mMaterials : nullptr;
    mContext.mTextures = pOptions.IsOn(KStreamOptionsRyv::kTexture) ? &mTextures : nullptr;
    mContext.mShapes = pOptions.IsOn(KStreamOptionsRyv::kShape);
    mContext.mLinks = pOptions.IsOn(KStreamOptionsRyv::kLink);
    mContext.mGobos = pOptions.IsOn(KStreamOptionsRyv::kGobo);
    mContext.mLinkFixups = &mLinkFixups;
    mContext.mMessage = &mMessage;
    mContext.mCause = &mCause;
}

bool KRyvReadSession::Run()
{
    ReadDefinitions();
    KRyvSceneObjectIO::ReadThumbnail(mFile, mThumbnail);
    if (mOptions.IsOn(KStreamOptionsRyv::kGlobalSettings)) {
        KRyvSceneObjectIO::ReadGlobalSettings(mFile, mScene);
    }
    if (!mFile.FieldReadBegin("Objects") || !ReadObjects()) {
        return false;
    }
    mFile.FieldReadEnd();
    ResolveNames();
    ReadPropertyConnections();
    ReadTakeInfos();
    Report("Reading", kFullPercent);
    return !mFile.FieldReadFailed();
}

void KRyvReadSession::ReadDefinitions()
{
    if (mFile.FieldReadBegin("Definitions")) {
        while (mFile.FieldReadBeginNext()) {
            // Counts only scale the progress: any number the file holds is clamped.
            const int lCount = mFile.FieldReadValuesLeft() > 0 ? mFile.FieldReadI() : 0;
            const long long lSum = static_cast<long long>(mTotal) + std::max(0, lCount);
            mTotal = static_cast<int>(std::min<long long>(lSum, kMaxCount));
            mFile.FieldReadEnd();
        }
        mFile.FieldReadEnd();
    }
}

bool KRyvReadSession::Step(const char* pText)
{
    ++mDone;
    const float lShare =
        static_cast<float>(std::min(mDone, mTotal)) / static_cast<float>(std::max(1, mTotal));
    Report(pText, kFullPercent * lShare);
    mCancelled = mOptions.IsCancelled();
    return !mCancelled;
}

void KRyvReadSession::Report(const char* pText, float pPercent)
{
    if (!mNested) {
        mOptions.ReportProgress(pText, pPercent);
    }
}

int KRyvReadSession::OptionOfKind(const std::string& pKind)
{
    static const std::pair<const char*, int> kKinds[] = {
        {"Gobo", KStreamOptionsRyv::kGobo},
        {"Material", KStreamOptionsRyv::kMaterial},
        {"Texture", KStreamOptionsRyv::kTexture},
        {"Video", KStreamOptionsRyv::kTexture},
        {"Model", KStreamOptionsRyv::kModel},
        {"CameraSwitcher", KStreamOptionsRyv::kModel},
        {"CharacterPose", KStreamOptionsRyv::kCharacter},
        {"Pose", KStreamOptionsRyv::kPose},
        {"Deformer", KStreamOptionsRyv::kLink},
        {"MarkerSet", KStreamOptionsRyv::kCharacter},
        {"Actor", KStreamOptionsRyv::kCharacter},
        {"Character", KStreamOptionsRyv::kCharacter},
        {"ControlSetPlug", KStreamOptionsRyv::kCharacter}};
    for (const auto& lKind : kKinds) {
        if (pKind == lKind.first) {
            return lKind.second;
        }
    }
    return 0;
}

bool KRyvReadSession::Skips(const std::string& pKind) const
{
    const int lOption = OptionOfKind(pKind);
    return lOption != 0 && !mOptions.IsOn(lOption) && !(pKind == "Model" && mModels.empty());
}

bool KRyvReadSession::ReadObjects()
{
    while (mFile.FieldReadBeginNext()) {
        const std::string lKind = mFile.FieldReadName();
        if (Skips(lKind)) {
            mFile.FieldReadEnd();
            continue;
        }
        if (!ReadObject(lKind) || mFile.FieldReadFailed() || !Step("Reading objects")) {
            return false;
        }
        mFile.FieldReadEnd();
    }
    return true;
}

bool KRyvReadSession::ReadObject(const std::string& pKind)
{
    if (pKind == "Gobo") {
        return ReadGobo();
    }
    if (pKind == "Material") {
        return ReadMaterial();
    }
    if (pKind == "Texture") {
        return ReadTexture();
    }
    if (pKind == "Video") {
        return ReadVideo();
    }
    if (pKind == "Model") {
        return ReadModel();
    }
    if (pKind == "CameraSwitcher") {
        return mScene.GetCameraSwitcher() && ReadNodeBody(*mScene.GetCameraSwitcher(), true);
    }
    if (pKind == "CharacterPose") {
        return ReadCharacterPose();
    }
    if (pKind == "Deformer") {
        return ReadDeformer();
    }
    if (pKind == "Pose") {
        return ReadPose();
    }
    if (pKind == "MarkerSet") {
        return ReadMarkerSet();
    }
    if (pKind == "Actor") {
        return ReadActor();
    }
    if (pKind == "Character") {
        return ReadCharacter();
    }
    if (pKind == "GenericNode") {
        KRyvGenericNode* lNode = mFactory.CreateGenericNode(mFile.FieldReadC().Buffer());
        return lNode && lNode->SetSceneEntity(mScene.GetSceneEntity()) &&
               ReadContainer(*lNode, lNode->GetProperties());
    }
    if (pKind == "ControlSetPlug") {
        KRyvControlSetPlug* lPlug =
            mScene.GetControlSetPlug(mScene.AddControlSetPlug(mFile.FieldReadC().Buffer()));
        return lPlug && ReadContainer(*lPlug, lPlug->GetProperties());
    }
    // One line per record up to a cap, so a file of many unknown records cannot grow the message
    // text with its own size.
    if (mUnknownKindsReported < kMaxUnknownKindsReported) {
        ++mUnknownKindsReported;
        mMessage +=
            "Unknown object record skipped: " + KString(pKind.c_str()).Left(kQuotedNameLength) +
            "\n";
    }
    return true;
}

bool KRyvReadSession::ReadContainer(KRyvTakeNodeContainer& ioObject, KObject* pSet)
{
    KRyvPropertyIO::ReadUserProperties(mFile, ioObject, mFactory);
    if (mOptions.IsOn(KStreamOptionsRyv::kAnimation) &&
        !KRyvCurveIO::ReadTakeNodes(mFile, ioObject, mOptions.GetTakeName(), &mCause)) {
        return false;
    }
    KRyvPropertyIO::ReadBlock(mFile, pSet, mMessage);
    return true;
}

bool KRyvReadSession::ReadGobo()
{
    KRyvGobo* lGobo = mRollback.AddGobo(mFactory.CreateGobo(mFile.FieldReadC().Buffer()));
    if (!lGobo || !mScene.GetSceneEntity()->AddGobo(lGobo)) {
        return false;
    }
    KRyvSceneObjectIO::ReadGobo(mFile, *lGobo);
    mGobos.push_back(lGobo);
    return true;
}

bool KRyvReadSession::ReadMaterial()
{
    KRyvMaterial* lMaterial =
        mRollback.AddMaterial(mFactory.CreateMaterial(mFile.FieldReadC().Buffer()));
    if (!lMaterial || !mScene.GetSceneEntity()->AddMaterial(lMaterial)) {
        return false;
    }
    mMaterials.push_back(lMaterial);
    KRyvSceneObjectIO::ReadMaterial(mFile, *lMaterial);
    return ReadContainer(*lMaterial, lMaterial->GetProperties());
}

bool KRyvReadSession::ReadTexture()
{
    KRyvTexture* lTexture =
        mRollback.AddTexture(mFactory.CreateTexture(mFile.FieldReadC().Buffer()));
    if (!lTexture || !mScene.GetSceneEntity()->AddTexture(lTexture)) {
        return false;
    }
    mTextures.push_back(lTexture);
    KString lVideoName;
    KRyvSceneObjectIO::ReadTexture(mFile, *lTexture, lVideoName);
    if (!lVideoName.IsEmpty()) {
        mTextureVideos.emplace_back(lTexture, lVideoName);
    }
    PlaceMedia(*lTexture);
    return ReadContainer(*lTexture, lTexture->GetProperties());
}

bool KRyvReadSession::ReadVideo()
{
    KRyvVideo* lVideo = mRollback.AddVideo(mFactory.CreateVideo(mFile.FieldReadC().Buffer()));
    if (!lVideo || !mScene.GetSceneEntity()->AddVideo(lVideo)) {
        return false;
    }
    mVideos[lVideo->GetName().Buffer()].push_back(lVideo);
    KRyvSceneObjectIO::ReadVideo(mFile, *lVideo);
    PlaceMedia(*lVideo);
    return ReadContainer(*lVideo, lVideo->GetProperties());
}

template <class T> void KRyvReadSession::PlaceMedia(T& ioMedia)
{
    KString lPath;
    if (mMedia && mMedia->Restore(mFile, lPath, mMessage)) {
        ioMedia.SetFileName(lPath.Buffer());
        return;
    }
    const char* lRelative = ioMedia.GetRelativeFileName();
    if (lRelative && *lRelative && !KMediaCopy::LeavesFolder(lRelative)) {
        ioMedia.SetFileName(mFileFolder.IsEmpty()
                                ? lRelative
                                : MakeAbsolutePath(mFileFolder.Buffer(), lRelative).Buffer());
        return;
    }
    // A name outside the file's folder given without a relative one is kept as the name the
    // file gave, so that a later copy knows where it came from and leaves it alone.
    const char* lFileName = ioMedia.GetFileName();
    if ((!lRelative || !*lRelative) && lFileName && KMediaCopy::LeavesFolder(lFileName)) {
        ioMedia.SetRelativeFileName(KString(lFileName).Buffer());
    }
}

bool KRyvReadSession::ReadModel()
{
    const KString lName = mFile.FieldReadC();
    const KString lParentName = mFile.FieldReadC();
    const bool lHasIndex = mFile.FieldReadPeekKind() == KRyvFieldValue::kInt32;
    const int lParentIndex = lHasIndex ? mFile.FieldReadI() : -1;
    KRyvNode* lNode = nullptr;
    if (lParentName.IsEmpty()) {
        lNode = mModels.empty() ? mScene.GetRootNode() : nullptr;
    } else {
        KRyvNode* lParent = !lHasIndex ? FindNode(lParentName)
                            : lParentIndex >= 0 && lParentIndex < static_cast<int>(mModels.size())
                                ? mModels[static_cast<std::size_t>(lParentIndex)]
                                : nullptr;
        lNode = lParent ? mFactory.CreateNode(lName.Buffer()) : nullptr;
        // A node goes with the scene being built once it is a child there; until then it is
        // handed back here, also when the joining runs out of memory.
        bool lJoined = false;
        try {
            lJoined = lNode && lParent->AddChild(lNode);
        } catch (const std::bad_alloc&) {
            mFactory.DestroyNode(lNode, false);
            throw;
        }
        if (lNode && !lJoined) {
            mFactory.DestroyNode(lNode, false);
            lNode = nullptr;
        }
    }
    if (!lNode) {
        return false;
    }
    mModels.push_back(lNode);
    // The first node of a name is the one references by name find.
    mNodes.emplace(lName.Buffer(), lNode);
    return ReadNodeBody(*lNode, false);
}

bool KRyvReadSession::ReadNodeBody(KRyvNode& ioNode, bool pSwitcher)
{
    ioNode.SetShadingMode(mFile.FieldReadI("ShadingMode", 0));
    ioNode.SetMultiTake(mFile.FieldReadB("MultiTake", true));
    ioNode.SetMarked(mFile.FieldReadB("Marked", false));
    mTargets.push_back(
        {&ioNode, mFile.FieldReadC("LookAtModel", ""), mFile.FieldReadC("UpVectorModel", "")});
    ioNode.SetPostTargetRotation(ReadVector(mFile, "PostTargetRotation"));
    ioNode.SetUpTargetRotation(ReadVector(mFile, "UpTargetRotation"));
    if (mFile.FieldReadBegin("Attribute")) {
        const bool lRead = pSwitcher
                               ? ReadSwitcherAttribute()
                               : KRyvSceneObjectIO::ReadAttribute(mFile, ioNode, mContext, mGobos);
        if (!pSwitcher) {
            mRollback.AddAttribute(ioNode.GetNodeAttribute());
        }
        mFile.FieldReadEnd();
        if (!lRead) {
            return false;
        }
    }
    if (!ReadContainer(ioNode, ioNode.GetProperties())) {
        return false;
    }
    ioNode.UpdatePivotsFromProperties();
    KRyvNodeLimitsIO::ReadLimits(mFile, ioNode.GetLimits());
    return true;
}

bool KRyvReadSession::ReadSwitcherAttribute()
{
    KRyvCameraSwitcher* lSwitcher = mScene.GetCameraSwitcherAttribute();
    mFile.FieldReadC();
    KRyvPropertyIO::ReadBlock(mFile, nullptr, mMessage);
    if (lSwitcher && mFile.FieldReadBegin("CameraNames")) {
        while (mFile.FieldReadValuesLeft() > 0 && !mFile.FieldReadFailed()) {
            lSwitcher->AddCameraName(mFile.FieldReadC().Buffer());
        }
        mFile.FieldReadEnd();
    }
    return lSwitcher != nullptr;
}

bool KRyvReadSession::ReadDeformer()
{
    const KString lName = mFile.FieldReadC();
    const KString lKind = mFile.FieldReadC();
    KRyvDeformer* lDeformer = mFactory.CreateDeformer(lName.Buffer(), lKind.Buffer());
    if (!lDeformer || !mScene.GetSceneEntity()->AddDeformer(lDeformer)) {
        mFactory.DestroyDeformer(lDeformer);
        return false;
    }
    KObject* lSet = lDeformer->GetProperties();
    if (!KRyvDeformerIO::ReadData(mFile, *lDeformer) || !lSet) {
        return false;
    }
    bool lAllMade = true;
    if (lDeformer->GetDeformerType() == KRyvDeformer::eSkin) {
        std::vector<std::int32_t> lPlaces;
        KRyvGeometryIO::ReadNamedArray(mFile, "Deforms", lPlaces);
        int lPoints = INT_MAX;
        for (const int lPlace : lPlaces) {
            lAllMade = Connect(ModelSet(lPlace), lSet) && lAllMade;
            const KRyvGeometry* lGeometry = GeometryAt(lPlace);
            lPoints = lGeometry ? std::min(lPoints, lGeometry->GetControlPointCount()) : lPoints;
        }
        mSkins.push_back(lDeformer);
        mSkinPoints.push_back(lPoints);
    } else {
        // A cluster has one skin, one link model and one associate model: the first of each.
        int lSkin = -1;
        const bool lHasSkin = FirstPlace("Skin", lSkin);
        const bool lKnownSkin = lSkin >= 0 && lSkin < static_cast<int>(mSkins.size());
        KPlug* lSkinSet =
            lKnownSkin ? mSkins[static_cast<std::size_t>(lSkin)]->GetProperties() : nullptr;
        // An index outside the points its skin deforms is corruption, as a link's is.
        const int lPoints = lKnownSkin ? mSkinPoints[static_cast<std::size_t>(lSkin)] : INT_MAX;
        const std::vector<int>& lIndices = lDeformer->GetControlPointIndexArray();
        if (std::any_of(lIndices.begin(), lIndices.end(),
                        [lPoints](int pIndex) { return pIndex < 0 || pIndex >= lPoints; })) {
            mCause = "cluster index out of its control points: " + lName.Left(kQuotedNameLength);
            return false;
        }
        int lLink = -1;
        int lAssociate = -1;
        const bool lHasLink = FirstPlace("LinkModel", lLink);
        const bool lHasAssociate = FirstPlace("AssociateModel", lAssociate);
        // A place that is there but names nothing, negative or past the end, is a warning.
        lAllMade = (!lHasSkin || Connect(lSkinSet, lSet)) &&
                   (!lHasLink || Connect(lSet, ModelSet(lLink))) &&
                   (!lHasAssociate ||
                    Connect(lSet->FindProperty("SrcModelReference"), ModelSet(lAssociate)));
    }
    if (!lAllMade) {
        mMessage += "Deformer connection not made: " + lName.Left(kQuotedNameLength) + "\n";
    }
    return ReadContainer(*lDeformer, lSet);
}

bool KRyvReadSession::FirstPlace(const char* pName, int& oPlace)
{
    std::vector<std::int32_t> lPlaces;
    if (!KRyvGeometryIO::ReadNamedArray(mFile, pName, lPlaces) || lPlaces.empty()) {
        return false;
    }
    oPlace = lPlaces[0];
    return true;
}

const KRyvGeometry* KRyvReadSession::GeometryAt(int pPlace) const
{
    return pPlace >= 0 && pPlace < static_cast<int>(mModels.size())
               ? dynamic_cast<const KRyvGeometry*>(
                     mModels[static_cast<std::size_t>(pPlace)]->GetGeometry())
               : nullptr;
}

KObject* KRyvReadSession::ModelSet(int pPlace) const
{
    return pPlace >= 0 && pPlace < static_cast<int>(mModels.size())
               ? mModels[static_cast<std::size_t>(pPlace)]->GetProperties()
               : nullptr;
}

bool KRyvReadSession::Connect(KPlug* pDestination, KPlug* pSource)
{
    if (!pDestination || !pSource || ++mSourceCounts[pDestination] > kMaxSourcesPerPlug) {
        return false;
    }
    return pDestination->ConnectSrc(pSource);
}

bool KRyvReadSession::ReadCharacterPose()
{
    if (mScene.GetCharacterPoseCount() >= kMaxCharacterPoses) {
        if (!mPosesCapped) {
            mMessage +=
                "Character poses past the first " + KString(kMaxCharacterPoses) + " skipped\n";
        }
        mPosesCapped = true;
        return true;
    }
    KRyvCharacterPose* lPose =
        mScene.GetCharacterPose(mScene.AddCharacterPose(mFile.FieldReadC().Buffer()));
    if (!lPose || !lPose->GetScene()) {
        return false;
    }
    // Its character comes from the file too.
    lPose->GetScene()->Clear();
    KRyvReadSession lPoseSession(mFile, *lPose->GetScene(), mOptions, mMedia, mFileFolder,
                                 mRollback, mMessage);
    lPoseSession.SetNested();
    const bool lRead = lPoseSession.Run();
    mCancelled = lPoseSession.WasCancelled();
    return lRead;
}

bool KRyvReadSession::ReadPose()
{
    const KString lName = mFile.FieldReadC();
    KRyvPose* lPose =
        mRollback.AddPose(mFactory.CreatePose(lName.Buffer(), mFile.FieldReadB() ? 1 : 0));
    if (!lPose) {
        return false;
    }
    if (!KRyvSceneObjectIO::ReadPoseEntries(mFile, *lPose) || !mScene.AddPose(lPose)) {
        mFactory.DestroyPose(lPose);
        return false;
    }
    return ReadContainer(*lPose, lPose->GetProperties());
}

bool KRyvReadSession::ReadMarkerSet()
{
    KRyvMarkerSet* lSet = mScene.GetMarkerSet(mScene.AddMarkerSet(mFile.FieldReadC().Buffer()));
    if (lSet) {
        mMarkerSets[lSet->GetName().Buffer()] = lSet;
        KRyvCharacterIO::ReadMarkerSet(mFile, *lSet,
                                       [this](const KString& pName) { return FindNode(pName); });
    }
    return lSet != nullptr;
}

bool KRyvReadSession::ReadActor()
{
    KRyvActor* lActor = mScene.GetActor(mScene.AddActor(mFile.FieldReadC().Buffer()));
    if (!lActor) {
        return false;
    }
    mInputSources.emplace(std::make_pair(KRyvCharacter::kInputActor, lActor->GetName().Buffer()),
                          lActor);
    KString lSetName;
    KRyvCharacterIO::ReadActor(mFile, *lActor, lSetName);
    const auto lSet = mMarkerSets.find(lSetName.Buffer());
    if (lSet != mMarkerSets.end()) {
        lActor->SetMarkerSet(lSet->second);
    }
    return true;
}

bool KRyvReadSession::ReadCharacter()
{
    KRyvCharacter* lCharacter =
        mScene.GetCharacter(mScene.AddCharacter(mFile.FieldReadC().Buffer()));
    if (!lCharacter) {
        return false;
    }
    mInputSources.emplace(
        std::make_pair(KRyvCharacter::kInputCharacter, lCharacter->GetName().Buffer()), lCharacter);
    KRyvCharacterIO::ReadCharacter(mFile, *lCharacter,
                                   [this](const KString& pName) { return FindNode(pName); });
    if (mFile.FieldReadBegin("Input")) {
        const int lKind = mFile.FieldReadI();
        mInputs.push_back({lCharacter, lKind, mFile.FieldReadC()});
        mFile.FieldReadEnd();
    }
    return ReadContainer(*lCharacter, lCharacter->GetProperties());
}

KRyvNode* KRyvReadSession::FindNode(const KString& pName) const
{
    const auto lFound = mNodes.find(pName.Buffer());
    return lFound == mNodes.end() ? nullptr : lFound->second;
}

void KRyvReadSession::ResolveInputs()
{
    for (const Input& lInput : mInputs) {
        const auto lFound = mInputSources.find({lInput.mKind, lInput.mName.Buffer()});
        KRyvObject* lObject = lFound == mInputSources.end() ? nullptr : lFound->second;
        if (!lObject && !lInput.mName.IsEmpty()) {
            mMessage += "Character input not found: " + lInput.mName.Left(kQuotedNameLength) + "\n";
        }
        lInput.mCharacter->SetInput(lInput.mKind, lObject);
    }
}

void KRyvReadSession::ResolveNames()
{
    ResolveInputs();
    for (const KRyvLinkFixup& lFixup : mLinkFixups) {
        if (KRyvNode* lNode = FindNode(lFixup.mLinkName)) {
            lFixup.mLink->SetLink(lNode);
        }
        if (KRyvNode* lAssociate = FindNode(lFixup.mAssociateName)) {
            lFixup.mLink->SetAssociateModel(lAssociate);
        }
    }
    for (const auto& [lTexture, lName] : mTextureVideos) {
        const auto lNamed = mVideos.find(lName.Buffer());
        if (lNamed == mVideos.end()) {
            continue;
        }
        for (KRyvVideo* lVideo : lNamed->second) {
            if (lTexture->GetProperties() && lVideo->GetProperties()) {
                lTexture->GetProperties()->ConnectSrc(lVideo->GetProperties());
            }
        }
    }
    for (const Targets& lTargets : mTargets) {
        if (KRyvNode* lLookAt = FindNode(lTargets.mLookAt)) {
            lTargets.mNode->SetLookAtTarget(lLookAt);
        }
        if (KRyvNode* lUp = FindNode(lTargets.mUp)) {
            lTargets.mNode->SetUpVectorTarget(lUp);
        }
    }
}

void KRyvReadSession::ReadPropertyConnections()
{
    if (!mFile.FieldReadBegin("Connections")) {
        return;
    }
    while (mFile.FieldReadBegin("C")) {
        // Values in file order: the arguments of one call have none.
        const int lDestinationIndex = mFile.FieldReadI();
        const KString lDestinationName = mFile.FieldReadC();
        const int lSourceIndex = mFile.FieldReadI();
        const KString lSourceName = mFile.FieldReadC();
        KProperty* lDestination = FindModelProperty(lDestinationIndex, lDestinationName);
        KProperty* lSource = FindModelProperty(lSourceIndex, lSourceName);
        if (!Connect(lDestination, lSource)) {
            mMessage += "Property connection not made\n";
        }
        mFile.FieldReadEnd();
    }
    mFile.FieldReadEnd();
}

KProperty* KRyvReadSession::FindModelProperty(int pIndex, const KString& pName) const
{
    if (pIndex < 0 || pIndex >= static_cast<int>(mModels.size())) {
        return nullptr;
    }
    KObject* lSet = mModels[static_cast<std::size_t>(pIndex)]->GetProperties();
    return lSet ? lSet->FindProperty(pName.Buffer()) : nullptr;
}

void KRyvReadSession::ReadTakeRate(KTakeInfo& ioInfo)
{
    // Files written before takes kept their rate have no record: their takes have none.
    if (!mFile.FieldReadBegin("FrameRate")) {
        return;
    }
    ioInfo.mTimeMode = mFile.FieldReadI();
    ioInfo.mFrameRate = mFile.FieldReadD();
    mFile.FieldReadEnd();
    // A rate the motion formats would refuse leaves the take without one, which they can write.
    if (!ioInfo.HasFrameRate()) {
        mMessage += "Take frame rate not usable: " + ioInfo.mName.Left(kQuotedNameLength) + "\n";
        ioInfo.mTimeMode = 0;
        ioInfo.mFrameRate = 0.0;
    }
}

void KRyvReadSession::ReadTakeInfos()
{
    if (!mFile.FieldReadBegin("Takes")) {
        return;
    }
    // A take picked in the options is the only one read, and the current one.
    const KString& lOnly = mOptions.GetTakeName();
    const KString lCurrent = lOnly.IsEmpty() ? mFile.FieldReadC("Current", "") : lOnly;
    while (mFile.FieldReadBegin("TakeInfo")) {
        KTakeInfo lInfo;
        lInfo.mName = mFile.FieldReadC();
        lInfo.mDescription = mFile.FieldReadC();
        lInfo.mSecondDescription = mFile.FieldReadC();
        lInfo.mSelect = mFile.FieldReadI();
        std::vector<std::int64_t> lTimes;
        std::vector<std::int32_t> lWords;
        mFile.FieldReadArray(lTimes);
        mFile.FieldReadArray(lWords);
        if (lTimes.size() != 4 || lWords.size() != 2) {
            mFile.MarkFieldReadFailed();
        } else if (lOnly.IsEmpty() || lInfo.mName.Compare(lOnly) == 0) {
            lInfo.mLocalStart = KTime(lTimes[0]);
            lInfo.mLocalStop = KTime(lTimes[1]);
            lInfo.mReferenceStart = KTime(lTimes[2]);
            lInfo.mReferenceStop = KTime(lTimes[3]);
            lInfo.mWords[0] = lWords[0];
            lInfo.mWords[1] = lWords[1];
            ReadTakeRate(lInfo);
            mScene.SetTakeInfo(lInfo);
        }
        mFile.FieldReadEnd();
    }
    mFile.FieldReadEnd();
    // Nodes without the take (a root above a skeleton) keep their own: only a take that no
    // object holds is worth a warning.
    if (!lCurrent.IsEmpty() && !mScene.SetCurrentTake(lCurrent.Buffer()) &&
        !mScene.HasTake(lCurrent.Buffer())) {
        mMessage += "Current take not found everywhere: " + lCurrent.Left(kQuotedNameLength) + "\n";
    }
}
