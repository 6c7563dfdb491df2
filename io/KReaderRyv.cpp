#include "io/KReaderRyv.h"

#include "core/KByteSource.h"
#include "ryvfile/KRyvStream.h"

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
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMarkerSet.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvThumbnail.h"
#include "scene/objects/KRyvVideo.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_map>

namespace {

constexpr float kFullPercent = 100.0f;
const char kMediaFolderSuffix[] = ".qzm";
constexpr int kMaxCount = 1 << 30;
// Character poses one scene takes from a file.
constexpr int kMaxCharacterPoses = 1024;
// Sources a file may give one plug (a property, a model's property set).
constexpr int kMaxSourcesPerPlug = 256;
// Characters of a name taken from a file that a warning quotes.
constexpr int kQuotedNameLength = 40;

// A reader code for a field-layer code: 0 to 5 are the same, anything else is unidentified.
int ReaderCode(int pFileCode)
{
    return pFileCode >= KRyvFile::kFileCorrupted && pFileCode <= KRyvFile::kWrongPassword
               ? pFileCode
               : KReader::kUnidentifiedError;
}

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

// One read into one scene: the names met so far and what is resolved at the end.
class KReaderRyv::Session
{
public:
    // pMedia: where embedded media go, null when they are not restored; pFileFolder: the folder
    // of the file read, which relative media names are taken from.
    // ioRollback records every factory object the session makes outside the scene's tree.
    Session(KRyvFile& ioFile, KRyvScene& ioScene, const KStreamOptionsRyv& pOptions,
            KRyvMediaFolder* pMedia, const KString& pFileFolder, KReadRollback& ioRollback,
            KString& ioMessage)
        : mFile(ioFile), mScene(ioScene), mOptions(pOptions), mMedia(pMedia),
          mFileFolder(pFileFolder), mMessage(ioMessage), mFactory(*ioScene.GetObjectFactory()),
          mRollback(ioRollback)
    {
        mContext.mFactory = &mFactory;
        // Without the list a layer's reference to a kind not read is no warning.
        mContext.mMaterials = pOptions.IsOn(KStreamOptionsRyv::kMaterial) ? &mMaterials : nullptr;
        mContext.mTextures = pOptions.IsOn(KStreamOptionsRyv::kTexture) ? &mTextures : nullptr;
        mContext.mShapes = pOptions.IsOn(KStreamOptionsRyv::kShape);
        mContext.mLinks = pOptions.IsOn(KStreamOptionsRyv::kLink);
        mContext.mLinkFixups = &mLinkFixups;
        mContext.mMessage = &mMessage;
    }

    // False, with mCancelled when the caller cancelled, for records that do not make a scene.
    bool Run()
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

    // A session reading a character pose's own scene inside the record of the pose: its
    // progress is not reported (the outer session's is), its cancel still stops it.
    void SetNested() { mNested = true; }
    // The file's preview image; size 0 when it has none.
    const KRyvThumbnail& GetThumbnail() const { return mThumbnail; }

    bool WasCancelled() const { return mCancelled; }

private:
    void ReadDefinitions()
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

    bool Step(const char* pText)
    {
        ++mDone;
        const float lShare =
            static_cast<float>(std::min(mDone, mTotal)) / static_cast<float>(std::max(1, mTotal));
        Report(pText, kFullPercent * lShare);
        mCancelled = mOptions.IsCancelled();
        return !mCancelled;
    }

    void Report(const char* pText, float pPercent)
    {
        if (!mNested) {
            mOptions.ReportProgress(pText, pPercent);
        }
    }

    // The option that says whether records of the kind are read; 0 for kinds always read.
    static int OptionOfKind(const std::string& pKind)
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

    // Records of a kind the options leave out are stepped over; the root node's record is
    // always read, as the scene always has its root.
    bool Skips(const std::string& pKind) const
    {
        const int lOption = OptionOfKind(pKind);
        return lOption != 0 && !mOptions.IsOn(lOption) && !(pKind == "Model" && mModels.empty());
    }

    bool ReadObjects()
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

    bool ReadObject(const std::string& pKind)
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
        mMessage += "Unknown object record skipped: " + KString(pKind.c_str()) + "\n";
        return true;
    }

    bool ReadContainer(KRyvTakeNodeContainer& ioObject, KObject* pSet)
    {
        KRyvPropertyIO::ReadUserProperties(mFile, ioObject, mFactory);
        if (mOptions.IsOn(KStreamOptionsRyv::kAnimation) &&
            !KRyvCurveIO::ReadTakeNodes(mFile, ioObject, mOptions.GetTakeName())) {
            return false;
        }
        KRyvPropertyIO::ReadBlock(mFile, pSet, mMessage);
        return true;
    }

    bool ReadGobo()
    {
        KRyvGobo* lGobo = mRollback.AddGobo(mFactory.CreateGobo(mFile.FieldReadC().Buffer()));
        if (!lGobo || !mScene.GetSceneEntity()->AddGobo(lGobo)) {
            return false;
        }
        KRyvSceneObjectIO::ReadGobo(mFile, *lGobo);
        mGobos.push_back(lGobo);
        return true;
    }

    bool ReadMaterial()
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

    bool ReadTexture()
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

    bool ReadVideo()
    {
        KRyvVideo* lVideo = mRollback.AddVideo(mFactory.CreateVideo(mFile.FieldReadC().Buffer()));
        if (!lVideo || !mScene.GetSceneEntity()->AddVideo(lVideo)) {
            return false;
        }
        mVideos.push_back(lVideo);
        KRyvSceneObjectIO::ReadVideo(mFile, *lVideo);
        PlaceMedia(*lVideo);
        return ReadContainer(*lVideo, lVideo->GetProperties());
    }

    // The file a texture or video is opened from: its restored copy, else the name relative to
    // this file taken from this file's folder, never the absolute name the file stored beside it
    // (which could name any file of the machine for a later copy to pick up).
    template <class T> void PlaceMedia(T& ioMedia)
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

    // The first model without a parent is the scene's root node; every other one names a
    // parent read before it: by its place among the models (names may repeat), or in files
    // written without the place, by its name.
    bool ReadModel()
    {
        const KString lName = mFile.FieldReadC();
        const KString lParentName = mFile.FieldReadC();
        const bool lHasIndex = mFile.FieldReadPeekKind() == KRyvFieldValue::kInt32;
        const int lParentIndex = lHasIndex ? mFile.FieldReadI() : -1;
        KRyvNode* lNode = nullptr;
        if (lParentName.IsEmpty()) {
            lNode = mModels.empty() ? mScene.GetRootNode() : nullptr;
        } else {
            KRyvNode* lParent =
                !lHasIndex ? FindNode(lParentName)
                : lParentIndex >= 0 && lParentIndex < static_cast<int>(mModels.size())
                    ? mModels[static_cast<std::size_t>(lParentIndex)]
                    : nullptr;
            lNode = lParent ? mFactory.CreateNode(lName.Buffer()) : nullptr;
            if (lNode && !lParent->AddChild(lNode)) {
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

    bool ReadNodeBody(KRyvNode& ioNode, bool pSwitcher)
    {
        ioNode.SetShadingMode(mFile.FieldReadI("ShadingMode", 0));
        ioNode.SetMultiTake(mFile.FieldReadB("MultiTake", true));
        ioNode.SetMarked(mFile.FieldReadB("Marked", false));
        mTargets.push_back(
            {&ioNode, mFile.FieldReadC("LookAtModel", ""), mFile.FieldReadC("UpVectorModel", "")});
        ioNode.SetPostTargetRotation(ReadVector(mFile, "PostTargetRotation"));
        ioNode.SetUpTargetRotation(ReadVector(mFile, "UpTargetRotation"));
        if (mFile.FieldReadBegin("Attribute")) {
            const bool lRead =
                pSwitcher ? ReadSwitcherAttribute()
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

    bool ReadSwitcherAttribute()
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

    // The deformer joins the scene's content at once, so that a failed read clears it with the
    // rest; connections to places that are not there are warnings.
    bool ReadDeformer()
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
            for (const int lPlace : lPlaces) {
                lAllMade = Connect(ModelSet(lPlace), lSet) && lAllMade;
            }
            mSkins.push_back(lDeformer);
        } else {
            // A cluster has one skin, one link model and one associate model: the first of each.
            const int lSkin = FirstPlace("Skin");
            KPlug* lSkinSet = lSkin >= 0 && lSkin < static_cast<int>(mSkins.size())
                                  ? mSkins[static_cast<std::size_t>(lSkin)]->GetProperties()
                                  : nullptr;
            const int lLink = FirstPlace("LinkModel");
            const int lAssociate = FirstPlace("AssociateModel");
            lAllMade = (lSkin < 0 || Connect(lSkinSet, lSet)) &&
                       (lLink < 0 || Connect(lSet, ModelSet(lLink))) &&
                       (lAssociate < 0 ||
                        Connect(lSet->FindProperty("SrcModelReference"), ModelSet(lAssociate)));
        }
        if (!lAllMade) {
            mMessage += "Deformer connection not made: " + lName.Left(kQuotedNameLength) + "\n";
        }
        return ReadContainer(*lDeformer, lSet);
    }

    // The first value of the named place array; -1 when there is none.
    int FirstPlace(const char* pName)
    {
        std::vector<std::int32_t> lPlaces;
        return KRyvGeometryIO::ReadNamedArray(mFile, pName, lPlaces) && !lPlaces.empty()
                   ? lPlaces[0]
                   : -1;
    }

    KObject* ModelSet(int pPlace) const
    {
        return pPlace >= 0 && pPlace < static_cast<int>(mModels.size())
                   ? mModels[static_cast<std::size_t>(pPlace)]->GetProperties()
                   : nullptr;
    }

    // pDestination takes pSource; a plug takes at most kMaxSourcesPerPlug sources from a file,
    // as each connection looks through the sources there are (a hostile file could make that
    // cost the square of its size).
    bool Connect(KPlug* pDestination, KPlug* pSource)
    {
        if (!pDestination || !pSource || ++mSourceCounts[pDestination] > kMaxSourcesPerPlug) {
            return false;
        }
        return pDestination->ConnectSrc(pSource);
    }

    // The pose's own scene is read by a session of its own, from an empty scene. Each pose
    // makes a whole scene: past kMaxCharacterPoses they are skipped, with one warning.
    bool ReadCharacterPose()
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
        Session lPoseSession(mFile, *lPose->GetScene(), mOptions, mMedia, mFileFolder, mRollback,
                             mMessage);
        lPoseSession.SetNested();
        const bool lRead = lPoseSession.Run();
        mCancelled = lPoseSession.WasCancelled();
        return lRead;
    }

    bool ReadPose()
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

    bool ReadMarkerSet()
    {
        KRyvMarkerSet* lSet = mScene.GetMarkerSet(mScene.AddMarkerSet(mFile.FieldReadC().Buffer()));
        if (lSet) {
            KRyvCharacterIO::ReadMarkerSet(
                mFile, *lSet, [this](const KString& pName) { return FindNode(pName); });
        }
        return lSet != nullptr;
    }

    bool ReadActor()
    {
        KRyvActor* lActor = mScene.GetActor(mScene.AddActor(mFile.FieldReadC().Buffer()));
        if (!lActor) {
            return false;
        }
        KString lSetName;
        KRyvCharacterIO::ReadActor(mFile, *lActor, lSetName);
        for (int i = 0; i < mScene.GetMarkerSetCount(); ++i) {
            if (mScene.GetMarkerSet(i)->GetName().Compare(lSetName) == 0) {
                lActor->SetMarkerSet(mScene.GetMarkerSet(i));
            }
        }
        return true;
    }

    bool ReadCharacter()
    {
        KRyvCharacter* lCharacter =
            mScene.GetCharacter(mScene.AddCharacter(mFile.FieldReadC().Buffer()));
        if (!lCharacter) {
            return false;
        }
        KRyvCharacterIO::ReadCharacter(mFile, *lCharacter,
                                       [this](const KString& pName) { return FindNode(pName); });
        if (mFile.FieldReadBegin("Input")) {
            const int lKind = mFile.FieldReadI();
            mInputs.push_back({lCharacter, lKind, mFile.FieldReadC()});
            mFile.FieldReadEnd();
        }
        return ReadContainer(*lCharacter, lCharacter->GetProperties());
    }

    KRyvNode* FindNode(const KString& pName) const
    {
        const auto lFound = mNodes.find(pName.Buffer());
        return lFound == mNodes.end() ? nullptr : lFound->second;
    }

    // A character's input may be a character read after it.
    void ResolveInputs()
    {
        for (const Input& lInput : mInputs) {
            KRyvObject* lObject = nullptr;
            for (int i = 0; !lObject && i < mScene.GetActorCount(); ++i) {
                lObject = lInput.mKind == KRyvCharacter::kInputActor &&
                                  mScene.GetActor(i)->GetName() == lInput.mName
                              ? mScene.GetActor(i)
                              : nullptr;
            }
            for (int i = 0; !lObject && i < mScene.GetCharacterCount(); ++i) {
                lObject = lInput.mKind == KRyvCharacter::kInputCharacter &&
                                  mScene.GetCharacter(i)->GetName() == lInput.mName
                              ? mScene.GetCharacter(i)
                              : nullptr;
            }
            if (!lObject && !lInput.mName.IsEmpty()) {
                mMessage +=
                    "Character input not found: " + lInput.mName.Left(kQuotedNameLength) + "\n";
            }
            lInput.mCharacter->SetInput(lInput.mKind, lObject);
        }
    }

    // Links and targets name nodes that may come later in the file.
    void ResolveNames()
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
            for (KRyvVideo* lVideo : mVideos) {
                if (lVideo->GetName().Compare(lName) == 0 && lTexture->GetProperties() &&
                    lVideo->GetProperties()) {
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

    // A connection naming a model or a property that is not there is a warning.
    void ReadPropertyConnections()
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

    KProperty* FindModelProperty(int pIndex, const KString& pName) const
    {
        if (pIndex < 0 || pIndex >= static_cast<int>(mModels.size())) {
            return nullptr;
        }
        KObject* lSet = mModels[static_cast<std::size_t>(pIndex)]->GetProperties();
        return lSet ? lSet->FindProperty(pName.Buffer()) : nullptr;
    }

    void ReadTakeInfos()
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
            if (lTimes.size() == 4 && lWords.size() == 2 && !lOnly.IsEmpty() &&
                lInfo.mName.Compare(lOnly) != 0) {
                mFile.FieldReadEnd();
                continue;
            }
            if (lTimes.size() == 4 && lWords.size() == 2) {
                lInfo.mLocalStart = KTime(lTimes[0]);
                lInfo.mLocalStop = KTime(lTimes[1]);
                lInfo.mReferenceStart = KTime(lTimes[2]);
                lInfo.mReferenceStop = KTime(lTimes[3]);
                lInfo.mWords[0] = lWords[0];
                lInfo.mWords[1] = lWords[1];
                mScene.SetTakeInfo(lInfo);
            } else {
                mFile.MarkFieldReadFailed();
            }
            mFile.FieldReadEnd();
        }
        mFile.FieldReadEnd();
        // Nodes without the take (a root above a skeleton) keep their own: only a take that no
        // object holds is worth a warning.
        if (!lCurrent.IsEmpty() && !mScene.SetCurrentTake(lCurrent.Buffer()) &&
            !mScene.HasTake(lCurrent.Buffer())) {
            mMessage += "Current take not found everywhere: " + lCurrent + "\n";
        }
    }

    struct Input
    {
        KRyvCharacter* mCharacter;
        int mKind;
        KString mName;
    };

    struct Targets
    {
        KRyvNode* mNode;
        KString mLookAt;
        KString mUp;
    };

    KRyvFile& mFile;
    KRyvScene& mScene;
    const KStreamOptionsRyv& mOptions;
    KRyvMediaFolder* mMedia;
    KString mFileFolder;
    KString& mMessage;
    KRyvObjectFactory& mFactory;
    KReadRollback& mRollback;
    KRyvGeometryContext mContext;
    std::unordered_map<std::string, KRyvNode*> mNodes;
    std::vector<KRyvNode*> mModels;
    std::vector<KRyvDeformer*> mSkins;
    std::unordered_map<const KPlug*, int> mSourceCounts;
    std::vector<KRyvMaterial*> mMaterials;
    std::vector<KRyvTexture*> mTextures;
    std::vector<KRyvGobo*> mGobos;
    std::vector<KRyvVideo*> mVideos;
    std::vector<std::pair<KRyvTexture*, KString>> mTextureVideos;
    std::vector<KRyvLinkFixup> mLinkFixups;
    std::vector<Targets> mTargets;
    std::vector<Input> mInputs;
    int mTotal = 0;
    int mDone = 0;
    bool mCancelled = false;
    bool mNested = false;
    bool mPosesCapped = false;
    KRyvThumbnail mThumbnail;
};

// Binary: the source is not checked for text; both forms are told apart by their magic.
KReaderRyv::KReaderRyv(KRyvObjectFactory* pOwner) : KReader(pOwner, false) {}

KReaderRyv::~KReaderRyv() = default;

std::unique_ptr<KReader> KReaderRyv::Create(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KReaderRyv>(pOwner);
}

bool KReaderRyv::Fail(int pCode)
{
    GetError().SetLastErrorID(pCode);
    return false;
}

bool KReaderRyv::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mFileName = pSource->GetName().c_str();
    mHasSummary = mBodyFresh = false;
    mTakeNames.clear();
    KRyvStdioStream lStream;
    if (!lStream.Attach(pSource->GetStream(), false) || !mFile.Open(lStream)) {
        const int lCode = mFile.GetError().GetLastErrorID();
        return Fail(lCode < 0 ? kFileNotOpened : ReaderCode(lCode));
    }
    // What the file holds is known at once when no password stands before it.
    return mFile.IsPasswordProtected() || ReadSummary(nullptr);
}

bool KReaderRyv::OpenBody(const char* pPassword)
{
    if (!mFile.IsOpen()) {
        return Fail(kFileNotOpened);
    }
    mBodyFresh = false;
    try {
        if (!mFile.ReadBody(pPassword)) {
            GetError().SetLastError(ReaderCode(mFile.GetError().GetLastErrorID()),
                                    mFile.GetError().GetLastErrorString().Buffer());
            return false;
        }
    } catch (const std::bad_alloc&) {
        return Fail(kUnidentifiedError);
    }
    mBodyFresh = true;
    return true;
}

bool KReaderRyv::ReadSummary(const char* pPassword)
{
    if (!OpenBody(pPassword)) {
        return false;
    }
    mTakeNames.clear();
    mThumbnail = KRyvThumbnail();
    KRyvSceneObjectIO::ReadThumbnail(mFile, mThumbnail);
    if (mFile.FieldReadBegin("Takes")) {
        while (mFile.FieldReadBegin("TakeInfo")) {
            mTakeNames.push_back(mFile.FieldReadC());
            mFile.FieldReadEnd();
        }
        mFile.FieldReadEnd();
    }
    mFile.FieldReadRewind();
    mHasSummary = true;
    return true;
}

bool KReaderRyv::FileClose()
{
    mFile.Close();
    mHasSummary = mBodyFresh = false;
    mTakeNames.clear();
    return true;
}

std::unique_ptr<KStreamOptions> KReaderRyv::GetReadOptions()
{
    return std::make_unique<KStreamOptionsRyv>();
}

bool KReaderRyv::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    KStreamOptionsRyv lDefaults;
    if (pOptions && !pOptions->IsA(KStreamOptionsRyv::ClassId())) {
        return Fail(kStreamOptionsNotSet);
    }
    KStreamOptionsRyv& lOptions = pOptions ? static_cast<KStreamOptionsRyv&>(*pOptions) : lDefaults;
    if (!pScene || !pScene->GetObjectFactory()) {
        return Fail(kUnidentifiedError);
    }
    if (!mFile.IsOpen()) {
        return Fail(kFileNotOpened);
    }
    KRyvObjectFactory& lFactory = *pScene->GetObjectFactory();
    KRyvScene* lBuilt = nullptr;
    int lCode = -1;
    try {
        // A body decoded at open (or for the summary) is read as it is; values are moved out of
        // it as they are read, so any later read decodes it again.
        if (!mBodyFresh && !OpenBody(lOptions.GetPassword().Buffer())) {
            return false;
        }
        mBodyFresh = false;
        lBuilt = lFactory.CreateScene();
        lCode = lBuilt ? Build(*lBuilt, *pScene, lOptions) : kUnidentifiedError;
    } catch (const std::bad_alloc&) {
        lCode = kUnidentifiedError;
    }
    // Whatever the outcome, the scene built aside now holds what is to go: the caller's former
    // content after a read, the half-built one after a failure (whose other objects the
    // rollback has handed back).
    if (lBuilt) {
        lBuilt->Clear();
        lFactory.DestroyScene(lBuilt, true);
    }
    if (lCode >= 0) {
        return Fail(lCode);
    }
    lOptions.SetHeaderExtension(mFile.GetHeaderExtension());
    return true;
}

int KReaderRyv::Build(KRyvScene& ioBuilt, KRyvScene& ioScene, KStreamOptionsRyv& ioOptions)
{
    KRyvThumbnail lThumbnail;
    KRyvObjectFactory& lFactory = *ioScene.GetObjectFactory();
    KReadRollback lRollback(&lFactory);
    KRyvMediaFolder lMedia(
        !ioOptions.GetMediaFolder().IsEmpty()
            ? ioOptions.GetMediaFolder().Buffer()
            : ChangeFileExtension(mFileName.Buffer(), kMediaFolderSuffix).Buffer());
    int lCode = -1;
    try {
        Session lSession(mFile, ioBuilt, ioOptions, ioOptions.GetRestoreMedia() ? &lMedia : nullptr,
                         GetFileDirectory(mFileName.Buffer()), lRollback, GetMessage());
        if (!lSession.Run()) {
            lCode = lSession.WasCancelled() ? kUnidentifiedError : kFileCorrupted;
        }
        // A summary read from the same decoded body has taken the image's bytes already.
        lThumbnail =
            lSession.GetThumbnail().GetThumbnailImage() ? lSession.GetThumbnail() : mThumbnail;
        const KRyvHeaderExtension& lExtension = mFile.GetHeaderExtension();
        KDocumentInfo* lInfo =
            lCode < 0 && lExtension.mHasDocumentInfo ? lFactory.CreateDocumentInfo() : nullptr;
        if (lInfo) {
            *lInfo = lExtension.mDocumentInfo;
            ioBuilt.SetDocumentInfo(lInfo);
        }
    } catch (const std::bad_alloc&) {
        lCode = kUnidentifiedError;
    }
    if (lCode >= 0) {
        // Unlisted before the rollback hands the objects back, so no list keeps a dead one.
        ioBuilt.Clear();
        return lCode;
    }
    // The one step that changes the caller's scene, taken once nothing can fail.
    if (!ioScene.SwapContent(ioBuilt)) {
        ioBuilt.Clear();
        return kUnidentifiedError;
    }
    lRollback.Commit();
    ioOptions.SetThumbnail(lThumbnail);
    return -1;
}
