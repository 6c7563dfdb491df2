#include "tests/io/RyvTestScene.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "character/KRyvCharacter.h"
#include "character/KRyvCharacterPose.h"
#include "character/KRyvControlSet.h"
#include "object/KProperty.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvSkeleton.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvActor.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMarker.h"
#include "scene/objects/KRyvMarkerSet.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "scene/objects/KRyvNull.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPatch.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"

namespace {

KRyvNode* AddNode(KRyvObjectFactory& ioFactory, KRyvNode* pParent, const char* pName,
                  KRyvNodeAttribute* pAttribute)
{
    KRyvNode* lNode = ioFactory.CreateNode(pName);
    lNode->SetNodeAttribute(pAttribute);
    pParent->AddChild(lNode);
    lNode->SetLclTranslation(KVector4(1.5, -2.25, 1.0 / 3.0, 1.0));
    return lNode;
}

KRyvMesh* BuildMesh(KRyvObjectFactory& ioFactory, KRyvMaterial* pMaterial, KRyvTexture* pTexture)
{
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    lMesh->InitControlPoints(5);
    for (int i = 0; i < 5; ++i) {
        lMesh->GetControlPoints()[i] = KVector4(i, i * 0.1, -i, 1.0);
    }
    lMesh->BeginPolygon(-1, -1, 7);
    for (int v : {0, 1, 2, 3}) {
        lMesh->AddPolygon(v);
    }
    lMesh->BeginPolygon();
    for (int v : {2, 3, 4}) {
        lMesh->AddPolygon(v);
    }
    KLayer* lLayer = lMesh->GetLayer(0);
    auto lNormals = std::make_unique<KLayerElementNormal>();
    lNormals->SetMappingMode(KLayerElement::eByPolygonVertex);
    lNormals->GetDirectArray().assign(7, KVector4(0.0, 1.0, 0.0, 0.0));
    lLayer->SetNormals(std::move(lNormals));
    auto lUVs = std::make_unique<KLayerElementUV>();
    lUVs->SetMappingMode(KLayerElement::eByPolygonVertex);
    lUVs->SetReferenceMode(KLayerElement::eIndexToDirect);
    lUVs->Add(0.25, 0.75);
    lUVs->Add(1.0, 0.0);
    lUVs->GetIndexArray() = {0, 1, 0, 1, 1, 0, 1};
    lLayer->SetUVs(std::move(lUVs));
    auto lColors = std::make_unique<KLayerElementVertexColor>();
    lColors->SetMappingMode(KLayerElement::eByControlPoint);
    lColors->GetDirectArray().assign(5, KColor(0.5, 0.25, 0.125, 1.0));
    lLayer->SetVertexColors(std::move(lColors));
    auto lGroups = std::make_unique<KLayerElementPolygonGroup>();
    lGroups->SetMappingMode(KLayerElement::eByPolygon);
    lGroups->SetReferenceMode(KLayerElement::eIndex);
    lGroups->GetIndexArray() = {0, 1};
    lLayer->SetPolygonGroups(std::move(lGroups));
    auto lMaterials = std::make_unique<KLayerElementMaterial>();
    lMaterials->SetMappingMode(KLayerElement::eAllSame);
    lMaterials->SetReferenceMode(KLayerElement::eIndexToDirect);
    lMaterials->GetDirectArray().push_back(pMaterial);
    lMaterials->GetIndexArray() = {0};
    lLayer->SetMaterials(std::move(lMaterials));
    auto lTextures = std::make_unique<KLayerElementTexture>();
    lTextures->SetMappingMode(KLayerElement::eByPolygon);
    lTextures->GetDirectArray().push_back(pTexture);
    lTextures->GetIndexArray() = {0, 0};
    lTextures->SetBlendMode(2);
    lTextures->SetAlpha(0.5);
    lLayer->SetTextures(std::move(lTextures));
    KLayer* lSecond = lMesh->GetLayer(lMesh->CreateLayer());
    auto lMoreUVs = std::make_unique<KLayerElementUV>();
    lMoreUVs->SetMappingMode(KLayerElement::eByControlPoint);
    lMoreUVs->GetDirectArray().assign(5, KVector2(0.1, 0.2));
    lSecond->SetUVs(std::move(lMoreUVs));
    return lMesh;
}

void AddShapeAndLink(KRyvObjectFactory& ioFactory, KRyvMesh& ioMesh, KRyvNode* pBone)
{
    KRyvLayerContainer* lShape = ioFactory.CreateLayerContainer();
    lShape->InitControlPoints(5);
    lShape->GetControlPoints()[2] = KVector4(0.0, 3.0, 0.0, 1.0);
    ioMesh.AddShape(lShape, "Smile");
    KRyvLink* lLink = ioFactory.CreateLink();
    lLink->SetLink(pBone);
    lLink->SetLinkMode(KRyvLink::eTotal1);
    lLink->AddControlPointIndex(1, 0.25);
    lLink->AddControlPointIndex(3, 0.75);
    KMatrix lMatrix;
    lMatrix[3][0] = 2.0;
    lLink->SetTransformLinkMatrix(lMatrix);
    ioMesh.AddLink(lLink);
}

KRyvNurb* BuildNurb(KRyvObjectFactory& ioFactory)
{
    KRyvNurb* lNurb = ioFactory.CreateNurb();
    lNurb->SetOrder(4, 4);
    lNurb->InitControlPoints(4, KRyvNurb::eOpen, 4, KRyvNurb::eOpen);
    for (int i = 0; i < 16; ++i) {
        lNurb->GetControlPoints()[i] = KVector4(i % 4, i / 4, 0.5, 1.0);
    }
    for (int i = 0; i < lNurb->GetUKnotCount(); ++i) {
        lNurb->GetUKnotVector()[i] = i < 4 ? 0.0 : 1.0;
        lNurb->GetVKnotVector()[i] = i < 4 ? 0.0 : 1.0;
    }
    lNurb->SetStep(8, 6);
    return lNurb;
}

// Keys of every interpolation, tangent mode, weight and constant mode.
void AddCurves(KRyvNode& ioNode, const char* pTake)
{
    KRyvTakeNode* lTake = ioNode.AddTakeNode(pTake);
    KFCurve* lCurve = lTake->GetTransformTX();
    lCurve->KeyAdd(KTime(0), 1.0f);
    KFCurveKey lKey;
    lKey.Set(KTime(1000), 2.5f, KFCurveKey::kInterpolationLinear);
    lCurve->KeyAdd(KTime(1000), lKey);
    lKey.Set(KTime(2000), -1.0f, KFCurveKey::kInterpolationConstant);
    lKey.SetConstantMode(KFCurveKey::kConstantNext);
    lCurve->KeyAdd(KTime(2000), lKey);
    lKey.SetTCB(KTime(3000), 4.0f, 0.5f, -0.25f, 0.125f);
    lCurve->KeyAdd(KTime(3000), lKey);
    lKey.Set(KTime(4000), 3.0f, KFCurveKey::kInterpolationCubic,
             KFCurveKey::kTangentUser | KFCurveKey::kTangentBreak, 1.5f, -0.5f,
             KFCurveKey::kWeightedRight | KFCurveKey::kWeightedNextLeft, 0.2f, 0.7f, 0.1f, 0.3f);
    lCurve->KeyAdd(KTime(4000), lKey);
    lCurve->SetPreExtrapolation(KFCurve::kExtrapolationRepetition);
    lCurve->SetPostExtrapolation(KFCurve::kExtrapolationMirrorRepetition);
    lCurve->SetPostExtrapolationCount(3);
    lTake->GetTransformRY()->KeyAdd(KTime(500), 90.0f);
}

// The kinds a file carries beyond the objects above: the export mark, a property connection,
// skin and cluster deformers, a character's input and a character pose with its own scene.
void AddLaterKinds(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, KRyvNode* pBone,
                   KRyvNode* pArm)
{
    pBone->SetMarked(true);
    pArm->GetProperties()
        ->FindProperty("Visibility")
        ->ConnectSrc(pBone->GetProperties()->FindProperty("Visibility"));
    ioScene.BuildSkinDeformers();
    ioScene.GetCharacter(0)->SetInput(KRyvCharacter::kInputActor,
                                      ioScene.GetActor(ioScene.AddActor("Performer")));
    KRyvScene* lPoseScene = ioScene.GetCharacterPose(ioScene.AddCharacterPose("Rest"))->GetScene();
    KRyvNode* lHips = ioFactory.CreateNode("Hips");
    lHips->SetLclTranslation(KVector4(0.0, 90.0, 1.0, 1.0));
    lPoseScene->GetRootNode()->AddChild(lHips);
    KRyvCharacterLink lLink;
    lLink.mNode = lHips;
    lPoseScene->GetCharacter(0)->SetCharacterLink(KRyvCharacter::kLinkReference, lLink, false);
}

void AddCharacter(KRyvScene& ioScene, KRyvNode* pBone, KRyvNode* pArm)
{
    KRyvCharacter* lCharacter = ioScene.GetCharacter(ioScene.AddCharacter("Hero"));
    KRyvCharacterLink lLink;
    lLink.mNode = pBone;
    lLink.mOffsetR = KVector4(0.0, 90.0, 0.0, 1.0);
    lCharacter->SetCharacterLink(KRyvCharacter::kLinkReference, lLink, false);
    KRyvControlSet& lControls = lCharacter->GetControlSet();
    lControls.SetType(2);
    lControls.SetLockPick(true);
    KRyvControlSetEffectorFlags lFlags;
    lFlags.mRActive = true;
    lControls.SetEffector(3, pArm, lFlags);
    lControls.SetAuxiliaryEffector(3, pBone, 2);
    lCharacter->GetParameterValues().SetValue(5, 0.25);
    KRyvMarkerSet* lMarkers = ioScene.GetMarkerSet(ioScene.AddMarkerSet("Dots"));
    KRyvActorMarker lMarker;
    lMarker.mName = "Elbow";
    lMarker.mModel = pArm;
    lMarker.mOriented = true;
    lMarker.mTOffset = KVector4(1.0, 2.0, 3.0, 1.0);
    lMarkers->AddMarker(4, lMarker);
    KRyvActor* lActor = ioScene.GetActor(ioScene.AddActor("Performer"));
    lActor->SetNodeScale(2, KVector4(1.5, 1.5, 1.5, 1.0));
    lActor->SetMarkerSet(lMarkers);
}

void AddObjects(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, KRyvNode* pRoot,
                const std::string& pMediaFile)
{
    KRyvSceneEntity& lEntity = *ioScene.GetSceneEntity();
    KRyvMaterial* lMaterial = ioFactory.CreateMaterial("Skin");
    lMaterial->SetDiffuse(0.5, 0.25, 1.0);
    lMaterial->SetShadingModel("lambert");
    lEntity.AddMaterial(lMaterial);
    KRyvTexture* lTexture = ioFactory.CreateTexture("Freckles");
    lTexture->SetFileName(pMediaFile.c_str());
    lTexture->SetAlphaSource(KRyvTexture::eBlack);
    lTexture->SetCropping(1, 2, 3, 4);
    lTexture->SetUVScaling(KVector2(2.0, 3.0));
    lEntity.AddTexture(lTexture);
    KRyvVideo* lVideo = ioFactory.CreateVideo("Clip");
    lVideo->SetOriginalFileName("clip.avi");
    lEntity.AddVideo(lVideo);
    KRyvTexture* lFilm = ioFactory.CreateTexture("Film");
    lEntity.AddTexture(lFilm);
    KRyvVideo* lReel = ioFactory.CreateVideo("Reel");
    lReel->SetFileName("reel.mov");
    lEntity.AddVideo(lReel);
    lFilm->GetProperties()->ConnectSrc(lReel->GetProperties());
    KRyvGobo* lGobo = ioFactory.CreateGobo("Window");
    lGobo->SetPath("window.tif");
    lGobo->SetDrawComponent(1, true);
    lEntity.AddGobo(lGobo);

    KRyvNode* lBone = AddNode(ioFactory, pRoot, "Bone", ioFactory.CreateSkeleton());
    KRyvMesh* lMesh = BuildMesh(ioFactory, lMaterial, lTexture);
    KRyvNode* lArm = AddNode(ioFactory, lBone, "Arm", lMesh);
    AddShapeAndLink(ioFactory, *lMesh, lBone);
    AddNode(ioFactory, pRoot, "Surface", BuildNurb(ioFactory));
    KRyvPatch* lPatch = ioFactory.CreatePatch();
    lPatch->InitControlPoints(2, KRyvPatch::eLinear, 3, KRyvPatch::eLinear);
    lPatch->SetClosed(true, false);
    AddNode(ioFactory, pRoot, "Patchy", lPatch);
    KRyvCamera* lCamera = ioFactory.CreateCamera();
    lCamera->SetAAMethod(2);
    AddNode(ioFactory, pRoot, "Cam", lCamera);
    KRyvLight* lLight = ioFactory.CreateLight();
    lLight->SetIntensity(42.0);
    lLight->SetGobo(lGobo);
    AddNode(ioFactory, pRoot, "Lamp", lLight);
    AddNode(ioFactory, lArm, "Mark", ioFactory.CreateMarker());
    AddNode(ioFactory, lArm, "Nothing", ioFactory.CreateNull());
    AddNode(ioFactory, pRoot, "Empty", nullptr);

    KRyvUserProperty* lUser = ioFactory.CreateUserProperty("Weight", "Real", "Weight");
    lUser->SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    lArm->AddUserProperty(lUser);
    lUser->SetValue(0.75);
    AddCurves(*lArm, "Take 001");
    AddCurves(*lBone, "Take 001");
    lArm->SetCurrentTakeNode("Take 001");

    KRyvPose* lPose = ioFactory.CreatePose("BindPose", 1);
    KMatrix lMatrix;
    lPose->Add(lArm->GetName().Buffer(), lMatrix, false);
    lMatrix[3][1] = 5.0;
    lPose->Add(lBone->GetName().Buffer(), lMatrix, true);
    ioScene.AddPose(lPose);
    AddCharacter(ioScene, lBone, lArm);
    KRyvNodeLimits& lLimits = lArm->GetLimits();
    lLimits.SetTranslationActive(true);
    lLimits.GetTranslationLimit().SetMaxActive(true, false, true);
    lLimits.GetTranslationLimit().SetMax(KVector4(5.0, 6.0, 7.0, 1.0));
    lLimits.SetAxisLength(2.5);
    ioFactory.CreateGenericNode("Helper")->SetSceneEntity(ioScene.GetSceneEntity());
    AddLaterKinds(ioFactory, ioScene, lBone, lArm);
}

} // namespace

KRyvScene* BuildRyvTestScene(KRyvObjectFactory& ioFactory, const std::string& pMediaFile)
{
    KRyvScene* lScene = ioFactory.CreateScene();
    AddObjects(ioFactory, *lScene, lScene->GetRootNode(), pMediaFile);
    KTakeInfo lInfo;
    lInfo.mName = "Take 001";
    lInfo.mDescription = "walk";
    lInfo.mLocalStop = KTime(4000);
    lInfo.mWords[1] = 9;
    lScene->SetTakeInfo(lInfo);
    lScene->GetGlobalTimeSettings().SetSnapOnFrames(2);
    return lScene;
}
