#include "formats/geometry/3ds/K3dsSceneBuilder.h"

#include "animation/KTakeInfo.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/K3dsForest.h"
#include "formats/geometry/3ds/K3dsKeyImport.h"
#include "formats/geometry/3ds/K3dsMeshImport.h"
#include "io/KReadRollback.h"
#include "scene/KRyvGlobalCameraSettings.h"
#include "scene/KRyvGlobalLightSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMarker.h"
#include "scene/objects/KRyvMesh.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const kReferenceName = "Ryv_Root";
const char* const kTargetSuffix = ".Target";
constexpr int kShadingTextured = 4;
constexpr int kApertureHorizontal = 1;
constexpr double kFarPlaneFactor = 10.0;
constexpr double kIntensityPerMultiplier = 100.0;
constexpr int kDefaultLastFrame = 150;
const KVector4 kCameraPostTargetRotation(0.0, 0.0, 90.0);
const Color3ds kWhite{1.0f, 1.0f, 1.0f};

// Layer 1 of a mesh whose faces use second textures: material indices as on layer 0, the
// faces' second textures, and a copy of layer 0's UVs.
void FillSecondLayer(KRyvMesh& ioMesh, const std::vector<int>& pFaceMaterial,
                     const std::vector<int>& pFaceTexture2)
{
    KLayer* lLayer0 = ioMesh.GetLayer(0);
    KLayer* lLayer1 = ioMesh.GetLayer(1);
    if (!lLayer0 || !lLayer1 || !lLayer1->GetTextures()) {
        return;
    }
    if (KLayerElementMaterial* lMaterials0 = lLayer0->GetMaterials()) {
        for (KRyvMaterial* lMaterial : lMaterials0->GetDirectArray()) {
            ioMesh.AddMaterial(lMaterial, 1);
        }
    }
    if (KLayerElementMaterial* lMaterials1 = lLayer1->GetMaterials()) {
        lMaterials1->SetMappingMode(KLayerElement::eByPolygon);
        lMaterials1->SetReferenceMode(KLayerElement::eIndexToDirect);
        lMaterials1->GetIndexArray() = pFaceMaterial;
    }
    KLayerElementTexture* lTextures = lLayer1->GetTextures();
    lTextures->SetMappingMode(KLayerElement::eByPolygon);
    lTextures->SetReferenceMode(KLayerElement::eIndexToDirect);
    lTextures->GetIndexArray() = pFaceTexture2;
    if (const KLayerElementUV* lUVs = lLayer0->GetUVs()) {
        lLayer1->SetUVs(std::make_unique<KLayerElementUV>(*lUVs));
    }
}

// The index of each record by its name (the first of equal names).
template <typename Record>
std::map<std::string, std::size_t> IndexByName(const std::vector<std::unique_ptr<Record>>& pRecords)
{
    std::map<std::string, std::size_t> lIndex;
    for (std::size_t i = 0; i < pRecords.size(); ++i) {
        lIndex.emplace(pRecords[i]->mName, i);
    }
    return lIndex;
}

} // namespace

K3dsSceneBuilder::K3dsSceneBuilder(KRyvObjectFactory* pFactory, KReadRollback& ioRollback,
                                   const K3dsReadFlags& pFlags, const K3dsFileContent& pContent,
                                   double pUnitScale, KString& ioMessage)
    : mFactory(pFactory), mRollback(ioRollback), mFlags(pFlags), mContent(pContent),
      mPositionScale(pFlags.mReferenceNode ? 1.0 : pUnitScale), mUnitScale(pUnitScale),
      mMaterials(pFactory, ioRollback, ioMessage, pContent.mFolder)
{
}

bool K3dsSceneBuilder::Build(KRyvScene& ioScene)
{
    KRyvNode* lRoot = ioScene.GetRootNode();
    if (!lRoot || (mFlags.mMaterials && !BuildMaterials()) || !BuildAttributes() ||
        !BuildSpotAttributes() || !BuildObjectNodes() || !BuildOmniNodes() || !BuildSpotNodes() ||
        !BuildCameraNodes()) {
        return false;
    }
    KRyvNode* lDefaultParent = lRoot;
    if (mFlags.mReferenceNode) {
        lDefaultParent = mRollback.AddNode(mFactory->CreateNode(kReferenceName));
        if (!lDefaultParent || !lRoot->AddChild(lDefaultParent)) {
            return false;
        }
        lDefaultParent->SetLclScaling(KVector4(mUnitScale, mUnitScale, mUnitScale));
    }
    PlaceNodes(lDefaultParent);
    return true;
}

bool K3dsSceneBuilder::BuildMaterials()
{
    for (std::size_t i = 0; i < mContent.mMaterials.size(); ++i) {
        if (!mMaterials.Add(*mContent.mMaterials[i], static_cast<int>(i), mFlags.mTextureMapping)) {
            return false;
        }
    }
    return true;
}

bool K3dsSceneBuilder::BuildAttributes()
{
    for (const std::unique_ptr<MeshObject3ds>& lObject : mContent.mMeshes) {
        KRyvMesh* lMesh = BuildMesh(*lObject);
        if (!lMesh) {
            return false;
        }
        mMeshes.push_back(lMesh);
    }
    mMeshUsed.assign(mMeshes.size(), false);
    for (std::size_t i = 0; i < mContent.mOmniLights.size(); ++i) {
        auto* lLight = static_cast<KRyvLight*>(mRollback.AddAttribute(mFactory->CreateLight()));
        if (!lLight) {
            return false;
        }
        lLight->SetLightType(KRyvLight::ePoint);
        mLights.push_back(lLight);
    }
    const KColor lBackground = BackgroundColor();
    for (const std::unique_ptr<CameraObject3ds>& lObject : mContent.mCameras) {
        CameraParts lParts;
        lParts.mCamera = static_cast<KRyvCamera*>(mRollback.AddAttribute(mFactory->CreateCamera()));
        lParts.mTarget = static_cast<KRyvMarker*>(mRollback.AddAttribute(mFactory->CreateMarker()));
        if (!lParts.mCamera || !lParts.mTarget) {
            return false;
        }
        KRyvCamera& lCamera = *lParts.mCamera;
        lCamera.SetApertureMode(kApertureHorizontal);
        lCamera.SetNearPlane(lObject->mNearRange * mPositionScale);
        lCamera.SetFarPlane(lObject->mFarRange * mPositionScale * kFarPlaneFactor);
        // The lens that gives the field of view on the camera's own film, so that the angle
        // the writer takes from the lens is the angle read.
        if (lObject->mFov > 0.0f && std::isfinite(lObject->mFov)) {
            lCamera.SetFocalLengthFromFieldOfView(lObject->mFov);
        }
        lCamera.SetBackgroundColor(lBackground.mRed, lBackground.mGreen, lBackground.mBlue);
        mCameras.push_back(lParts);
    }
    return true;
}

KRyvMesh* K3dsSceneBuilder::BuildMesh(const MeshObject3ds& pObject)
{
    KRyvMesh* lMesh = static_cast<KRyvMesh*>(mRollback.AddAttribute(mFactory->CreateMesh()));
    if (!lMesh || pObject.mFaces.empty()) {
        return lMesh;
    }
    const std::size_t lFaces = pObject.mFaces.size();
    std::vector<int> lFaceMaterial(lFaces, 0);
    std::vector<int> lFaceTexture(lFaces, -1);
    std::vector<int> lFaceTexture2(lFaces, -1);
    const bool lTextured = mFlags.mTextureMapping && !pObject.mTexVerts.empty();
    std::map<KRyvMaterial*, int> lMeshMaterials;
    for (const MaterialGroup3ds& lGroup : pObject.mMaterialGroups) {
        const K3dsMaterialEntry* lEntry = mMaterials.Find(lGroup.mName);
        int lMaterial = 0;
        if (lEntry && mFlags.mMaterials) {
            auto lKnown = lMeshMaterials.find(lEntry->mMaterial);
            if (lKnown == lMeshMaterials.end()) {
                lKnown = lMeshMaterials
                             .emplace(lEntry->mMaterial,
                                      std::max(0, lMesh->AddMaterial(lEntry->mMaterial)))
                             .first;
            }
            lMaterial = lKnown->second;
        }
        const bool lMapped = lEntry && lTextured && lEntry->mTexture1;
        const int lTexture = lMapped ? lMesh->AddTexture(lEntry->mTexture1) : -1;
        const int lTexture2 =
            lMapped && lEntry->mTexture2 ? lMesh->AddTexture(lEntry->mTexture2, 1) : -1;
        for (const uint16_t lFace : lGroup.mFaces) {
            if (lFace < lFaces) {
                lFaceMaterial[lFace] = lMaterial;
                lFaceTexture[lFace] = lTexture;
                lFaceTexture2[lFace] = lTexture2;
            }
        }
    }
    // Faces of no group, or of a material not read, take the mesh's first material: a mesh of no
    // material has none to give them. A face takes a texture only from a mapped material of its
    // own, so a plain material's faces stay plain beside a textured one.
    if (lMesh->GetMaterialCount(0) == 0) {
        std::fill(lFaceMaterial.begin(), lFaceMaterial.end(), -1);
    }
    K3dsMeshImport::Fill(pObject, mPositionScale, mFlags.mSmoothGroups, lFaceMaterial, lFaceTexture,
                         *lMesh);
    FillSecondLayer(*lMesh, lFaceMaterial, lFaceTexture2);
    return lMesh;
}

KRyvMesh* K3dsSceneBuilder::MeshForRecord(std::size_t pMesh)
{
    if (!mMeshUsed[pMesh]) {
        mMeshUsed[pMesh] = true;
        return mMeshes[pMesh];
    }
    // The first record's pivot shift must not reach this instance: copy before shifting.
    KRyvMesh* lCopy = static_cast<KRyvMesh*>(mRollback.AddAttribute(mFactory->CreateMesh()));
    if (lCopy) {
        lCopy->CopyFrom(*mMeshes[pMesh]);
    }
    return lCopy;
}

KRyvNode* K3dsSceneBuilder::NewNode(const std::string& pName, KRyvNodeAttribute* pAttribute,
                                    const std::string& pParent)
{
    KRyvNode* lNode = mRollback.AddNode(mFactory->CreateNode(pName.c_str()));
    if (!lNode) {
        return nullptr;
    }
    if (pAttribute) {
        lNode->SetNodeAttribute(pAttribute);
    }
    if (!lNode->AddTakeNode(kTakeName) || !lNode->SetCurrentTakeNode(kTakeName)) {
        return nullptr;
    }
    mPlacements.push_back({lNode, pParent});
    mNodesByName.emplace(pName, lNode);
    return lNode;
}

bool K3dsSceneBuilder::BuildObjectNodes()
{
    const std::map<std::string, std::size_t> lMeshByName = IndexByName(mContent.mMeshes);
    // Every instance gets its mesh before any pivot shift.
    std::vector<KRyvMesh*> lMeshOf;
    for (const std::unique_ptr<ObjectMotion3ds>& lRecord : mContent.mObjectNodes) {
        const auto lFound = lMeshByName.find(lRecord->mName);
        KRyvMesh* lMesh = nullptr;
        if (mFlags.mGeometries && lFound != lMeshByName.end()) {
            lMesh = MeshForRecord(lFound->second);
            if (!lMesh) {
                return false;
            }
        }
        lMeshOf.push_back(lMesh);
    }
    const K3dsKeyImport lKeys(mFlags.mAnim, mFlags.mReduceKeys, mPositionScale);
    for (std::size_t r = 0; r < mContent.mObjectNodes.size(); ++r) {
        const ObjectMotion3ds& lRecord = *mContent.mObjectNodes[r];
        KRyvMesh* lMesh = lMeshOf[r];
        if (lMesh) {
            const KVector4 lPivot = K3dsAxes::ToKit(lRecord.mPivot) * mPositionScale;
            for (KVector4& lPoint : lMesh->GetControlPointArray()) {
                lPoint = KVector4(lPoint[0] - lPivot[0], lPoint[1] - lPivot[1],
                                  lPoint[2] - lPivot[2], lPoint[3]);
            }
        }
        const std::string lName =
            lRecord.mInstance.empty() ? lRecord.mName : lRecord.mName + "." + lRecord.mInstance;
        KRyvNode* lNode = NewNode(lName, lMesh, lRecord.mParent);
        if (!lNode) {
            return false;
        }
        if (lMesh && lMesh->GetTextureCount(0) > 0) {
            lNode->SetShadingMode(kShadingTextured);
        }
        lKeys.Position(*lNode, lRecord.mPosition);
        lKeys.Rotation(*lNode, lRecord.mRotation);
        lKeys.Scale(*lNode, lRecord.mScale);
    }
    return true;
}

bool K3dsSceneBuilder::BuildOmniNodes()
{
    const K3dsKeyImport lKeys(mFlags.mAnim, mFlags.mReduceKeys, mPositionScale);
    const std::map<std::string, std::size_t> lLightByName = IndexByName(mContent.mOmniLights);
    for (const std::unique_ptr<OmniLightMotion3ds>& lRecord : mContent.mOmniNodes) {
        const auto lFound = lLightByName.find(lRecord->mName);
        KRyvLight* lLight = lFound != lLightByName.end() ? mLights[lFound->second] : nullptr;
        const LightObject3ds* lObject =
            lFound != lLightByName.end() ? mContent.mOmniLights[lFound->second].get() : nullptr;
        KRyvNode* lNode = NewNode(lRecord->mName, lLight, lRecord->mParent);
        if (!lNode) {
            return false;
        }
        const LightObject3ds lPlain;
        const LightObject3ds& lOwn = lObject ? *lObject : lPlain;
        lKeys.Position(*lNode, lRecord->mPosition, lOwn.mPosition);
        lKeys.Color(*lNode, lLight, lRecord->mColor, lObject ? lOwn.mColor : kWhite);
        if (lLight) {
            lLight->SetIntensity(lObject->mMultiplier * kIntensityPerMultiplier);
        }
    }
    return true;
}

bool K3dsSceneBuilder::BuildSpotAttributes()
{
    for (std::size_t i = 0; i < mContent.mSpotLights.size(); ++i) {
        SpotParts lParts;
        lParts.mLight = static_cast<KRyvLight*>(mRollback.AddAttribute(mFactory->CreateLight()));
        lParts.mTarget = static_cast<KRyvMarker*>(mRollback.AddAttribute(mFactory->CreateMarker()));
        if (!lParts.mLight || !lParts.mTarget) {
            return false;
        }
        lParts.mLight->SetLightType(KRyvLight::eSpot);
        mSpots.push_back(lParts);
    }
    return true;
}

KRyvNode* K3dsSceneBuilder::NewAimedNode(const std::string& pName, KRyvNodeAttribute* pAttribute,
                                         const std::string& pParent,
                                         KRyvNodeAttribute* pTargetAttribute,
                                         const std::string& pTargetParent)
{
    KRyvNode* lNode = NewNode(pName, pAttribute, pParent);
    KRyvNode* lTarget =
        lNode ? NewNode(pName + kTargetSuffix, pTargetAttribute, pTargetParent) : nullptr;
    if (!lTarget) {
        return nullptr;
    }
    lNode->SetLookAtTarget(lTarget);
    return lNode;
}

bool K3dsSceneBuilder::BuildSpotNodes()
{
    const K3dsKeyImport lKeys(mFlags.mAnim, mFlags.mReduceKeys, mPositionScale);
    const std::map<std::string, std::size_t> lSpotByName = IndexByName(mContent.mSpotLights);
    for (const std::unique_ptr<SpotlightMotion3ds>& lRecord : mContent.mSpotNodes) {
        const auto lFound = lSpotByName.find(lRecord->mName);
        const bool lKnown = lFound != lSpotByName.end();
        const SpotParts lParts = lKnown ? mSpots[lFound->second] : SpotParts();
        KRyvNode* lNode = NewAimedNode(lRecord->mName, lParts.mLight, lRecord->mParent,
                                       lParts.mTarget, lRecord->mTargetParent);
        if (!lNode) {
            return false;
        }
        const LightObject3ds* lObject =
            lKnown ? mContent.mSpotLights[lFound->second].get() : nullptr;
        const SpotlightData3ds lPlainSpot;
        const SpotlightData3ds& lSpot = lObject && lObject->mSpot ? *lObject->mSpot : lPlainSpot;
        lKeys.Position(*lNode, lRecord->mPosition, lObject ? lObject->mPosition : Point3ds());
        lKeys.Color(*lNode, lParts.mLight, lRecord->mColor, lObject ? lObject->mColor : kWhite);
        lKeys.ConeAngle(*lNode, lParts.mLight, lRecord->mHotspot, lSpot.mHotspot);
        lKeys.UserValue(*lNode, K3dsAxes::kSpotFalloff, lRecord->mFalloff, lSpot.mFalloff);
        lKeys.UserValue(*lNode, K3dsAxes::kSpotRoll, lRecord->mRoll, lSpot.mRoll);
        lKeys.Position(*lNode->GetLookAtTarget(), lRecord->mTargetPosition, lSpot.mTarget);
        if (lParts.mLight) {
            lParts.mLight->SetIntensity(lObject->mMultiplier * kIntensityPerMultiplier);
        }
    }
    return true;
}

bool K3dsSceneBuilder::BuildCameraNodes()
{
    const K3dsKeyImport lKeys(mFlags.mAnim, mFlags.mReduceKeys, mPositionScale);
    const std::map<std::string, std::size_t> lCameraByName = IndexByName(mContent.mCameras);
    for (const std::unique_ptr<CameraMotion3ds>& lRecord : mContent.mCameraNodes) {
        const auto lFound = lCameraByName.find(lRecord->mName);
        const CameraParts lParts =
            lFound != lCameraByName.end() ? mCameras[lFound->second] : CameraParts();
        KRyvNode* lNode = NewAimedNode(lRecord->mName, lParts.mCamera, lRecord->mParent,
                                       lParts.mTarget, lRecord->mTargetParent);
        if (!lNode) {
            return false;
        }
        KRyvNode* lTarget = lNode->GetLookAtTarget();
        lNode->SetPostTargetRotation(kCameraPostTargetRotation);
        const CameraObject3ds lPlain;
        const CameraObject3ds& lOwn =
            lFound != lCameraByName.end() ? *mContent.mCameras[lFound->second] : lPlain;
        lKeys.Position(*lNode, lRecord->mPosition, lOwn.mPosition);
        lKeys.FieldOfView(*lNode, lParts.mCamera, lRecord->mFov, lOwn.mFov);
        lKeys.Roll(*lNode, lParts.mCamera, lRecord->mRoll, lOwn.mRoll);
        lKeys.Position(*lTarget, lRecord->mTargetPosition, lOwn.mTarget);
    }
    return true;
}

void K3dsSceneBuilder::PlaceNodes(KRyvNode* pDefaultParent)
{
    std::map<KRyvNode*, std::size_t> lIndexOf;
    for (std::size_t i = 0; i < mPlacements.size(); ++i) {
        lIndexOf.emplace(mPlacements[i].mNode, i);
    }
    // A node may take a parent only from another tree, so that no parent link closes a cycle.
    K3dsForest lForest(mPlacements.size());
    for (std::size_t i = 0; i < mPlacements.size(); ++i) {
        const Placement& lPlacement = mPlacements[i];
        KRyvNode* lParent = pDefaultParent;
        const auto lNamed =
            lPlacement.mParent.empty() ? mNodesByName.end() : mNodesByName.find(lPlacement.mParent);
        if (lNamed != mNodesByName.end()) {
            const std::size_t lParentIndex = lIndexOf[lNamed->second];
            if (lForest.Find(lParentIndex) != lForest.Find(i)) {
                lForest.Join(i, lParentIndex);
                lParent = lNamed->second;
            }
        }
        lParent->AddChild(lPlacement.mNode);
    }
}

KColor K3dsSceneBuilder::BackgroundColor() const
{
    const BackgroundSettings3ds* lBackground = mContent.mBackground.get();
    return lBackground ? KColor(lBackground->mSolid.r, lBackground->mSolid.g, lBackground->mSolid.b)
                       : KColor(0.0, 0.0, 0.0);
}

void K3dsSceneBuilder::Finish(KRyvScene& ioScene)
{
    // The take information first: it comes from the objects read, while the colours then set
    // are the scene's own and are better left alone when that fails.
    KTime lStart = KTime::kInfinity;
    KTime lStop = KTime::kMinusInfinity;
    ioScene.GetRootNode()->GetAnimationInterval(lStart, lStop);
    if (mContent.mKeyframer && mContent.mKeyframer->mAnimLength > 0) {
        // The file's own frame range, which the keys need not fill.
        lStart = KTime();
        lStop = K3dsAxes::FrameTime(mContent.mKeyframer->mAnimLength);
    } else if (lStart == KTime::kInfinity || lStart == KTime::kMinusInfinity ||
               lStop == KTime::kInfinity || lStop == KTime::kMinusInfinity || lStop < lStart) {
        lStart = KTime();
        lStop = K3dsAxes::FrameTime(kDefaultLastFrame);
    }
    KTakeInfo lInfo;
    lInfo.mName = kTakeName;
    lInfo.mLocalStart = lInfo.mReferenceStart = lStart;
    lInfo.mLocalStop = lInfo.mReferenceStop = lStop;
    ioScene.SetTakeInfo(lInfo);
    const MeshSettings3ds* lSettings = mContent.mSettings.get();
    KColor lAmbient(0.0, 0.0, 0.0);
    if (mFlags.mAmbientLight && lSettings) {
        lAmbient = KColor(lSettings->mAmbient.r, lSettings->mAmbient.g, lSettings->mAmbient.b);
    }
    ioScene.GetGlobalLightSettings().SetAmbientColor(lAmbient);
    ioScene.GetGlobalCameraSettings().SetProducerBackgroundColor(BackgroundColor());
}
