#include "io/KRyvSceneObjectIO.h"

#include "io/KRyvPropertyIO.h"
#include "ryvfile/KRyvFile.h"
#include "scene/KRyvGlobalCameraSettings.h"
#include "scene/KRyvGlobalLightSettings.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvCameraSwitcher.h"
#include "scene/objects/KRyvGeometryConverter.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMarker.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNull.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvOpticalReference.h"
#include "scene/objects/KRyvPatch.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvThumbnail.h"
#include "scene/objects/KRyvVideo.h"

#include <memory>

namespace {

// Indexed by KRyvNodeAttribute::EAttributeType.
const char* const kAttributeKinds[] = {"LayerContainer", "Null",  "Marker",          "Skeleton",
                                       "Mesh",           "Nurb",  "Patch",           "Camera",
                                       "CameraSwitcher", "Light", "OpticalReference"};
constexpr int kAttributeKindCount = sizeof(kAttributeKinds) / sizeof(kAttributeKinds[0]);
// Characters of a name taken from a file that a warning quotes.
constexpr int kQuotedNameLength = 40;
const char* const kAlphaSources[] = {"None", "RGB_Intensity", "Alpha_Black"};
constexpr int kMatrixSize = 4;

std::vector<double> FourDoubles(const KVector4& pVector)
{
    return {pVector[0], pVector[1], pVector[2], pVector[3]};
}

std::vector<double> FourDoubles(const KColor& pColor)
{
    return {pColor.mRed, pColor.mGreen, pColor.mBlue, pColor.mAlpha};
}

void WriteFour(KRyvFile& ioFile, const char* pName, std::vector<double> pValues)
{
    ioFile.FieldWriteBegin(pName);
    ioFile.FieldWriteArray(std::move(pValues));
    ioFile.FieldWriteEnd();
}

// Four doubles of the named record, or the default when it is missing or malformed.
KVector4 ReadFour(KRyvFile& ioFile, const char* pName, const KVector4& pDefault)
{
    std::vector<double> lValues;
    if (!ioFile.FieldReadBegin(pName)) {
        return pDefault;
    }
    ioFile.FieldReadArray(lValues);
    ioFile.FieldReadEnd();
    return lValues.size() == 4 ? KVector4(lValues[0], lValues[1], lValues[2], lValues[3])
                               : pDefault;
}

KColor ReadColor(KRyvFile& ioFile, const char* pName, const KColor& pDefault)
{
    const KVector4 lValue = ReadFour(
        ioFile, pName, KVector4(pDefault.mRed, pDefault.mGreen, pDefault.mBlue, pDefault.mAlpha));
    return KColor(lValue[0], lValue[1], lValue[2], lValue[3]);
}

void WriteMatrix(KRyvFile& ioFile, const KMatrix& pMatrix)
{
    std::vector<double> lCells;
    for (int r = 0; r < kMatrixSize; ++r) {
        for (int c = 0; c < kMatrixSize; ++c) {
            lCells.push_back(pMatrix[r][c]);
        }
    }
    ioFile.FieldWriteArray(std::move(lCells));
}

bool ReadMatrix(KRyvFile& ioFile, KMatrix& oMatrix)
{
    std::vector<double> lCells;
    if (!ioFile.FieldReadArray(lCells) || lCells.size() != kMatrixSize * kMatrixSize) {
        return false;
    }
    for (int r = 0; r < kMatrixSize; ++r) {
        for (int c = 0; c < kMatrixSize; ++c) {
            oMatrix[r][c] = lCells[static_cast<std::size_t>(r * kMatrixSize + c)];
        }
    }
    return true;
}

// The surface is stored as the converter hands it out with the surface's own exchange and
// remap flags; the copy goes back to the factory.
void WriteNurbData(KRyvFile& ioFile, KRyvNurb& ioNurb, KRyvObjectFactory& ioFactory,
                   const KRyvAttributeParts& pParts)
{
    KRyvGeometryConverter* lConverter = ioFactory.CreateGeometryConverter();
    KRyvNurb* lStored = lConverter ? lConverter->TransposeNurb(&ioNurb, ioNurb.GetExchangeUVFlag(),
                                                               ioNurb.GetRemapLinksFlag())
                                   : nullptr;
    KRyvNurb& lNurb = lStored ? *lStored : ioNurb;
    ioFile.FieldWriteB("ExchangeUV", false);
    ioFile.FieldWriteB("RemapLinks", false);
    KRyvGeometryIO::WriteGeometry(ioFile, lNurb, pParts);
    KRyvGeometryIO::WriteNurb(ioFile, lNurb);
    if (lStored) {
        ioFactory.DestroyNodeAttribute(lStored);
    }
    ioFactory.DestroyGeometryConverter(lConverter);
}

void WriteKindMembers(KRyvFile& ioFile, KRyvNodeAttribute& ioAttribute,
                      KRyvObjectFactory& ioFactory, const KRyvAttributeParts& pParts)
{
    switch (ioAttribute.GetAttributeType()) {
    case KRyvNodeAttribute::eMesh:
        KRyvGeometryIO::WriteMesh(ioFile, static_cast<KRyvMesh&>(ioAttribute));
        KRyvGeometryIO::WriteGeometry(ioFile, static_cast<KRyvMesh&>(ioAttribute), pParts);
        break;
    case KRyvNodeAttribute::eNurb:
        WriteNurbData(ioFile, static_cast<KRyvNurb&>(ioAttribute), ioFactory, pParts);
        break;
    case KRyvNodeAttribute::ePatch:
        KRyvGeometryIO::WriteGeometry(ioFile, static_cast<KRyvPatch&>(ioAttribute), pParts);
        KRyvGeometryIO::WritePatch(ioFile, static_cast<KRyvPatch&>(ioAttribute));
        break;
    case KRyvNodeAttribute::eLayerContainer:
        KRyvGeometryIO::WriteLayerContainer(ioFile, static_cast<KRyvLayerContainer&>(ioAttribute));
        break;
    case KRyvNodeAttribute::eCamera: {
        const KRyvCamera& lCamera = static_cast<KRyvCamera&>(ioAttribute);
        ioFile.FieldWriteC("BackgroundMediaName", lCamera.GetBackgroundMediaName());
        ioFile.FieldWriteC("BackgroundTextureName", lCamera.GetBackgroundTextureName());
        ioFile.FieldWriteB("ShowInfoOnMoving", lCamera.GetShowInfoOnMoving());
        ioFile.FieldWriteB("DisplaySafeAreaOnRender", lCamera.GetDisplaySafeAreaOnRender());
        ioFile.FieldWriteB("ShowAudio", lCamera.GetShowAudio());
        ioFile.FieldWriteI("AAMethod", lCamera.GetAAMethod());
        ioFile.FieldWriteI("OverSamplingType", lCamera.GetOverSamplingType());
        break;
    }
    case KRyvNodeAttribute::eLight: {
        const KRyvGobo* lGobo = static_cast<KRyvLight&>(ioAttribute).GetGobo();
        if (lGobo && pParts.mGoboName) {
            ioFile.FieldWriteC("GoboName", lGobo->GetName());
        }
        break;
    }
    case KRyvNodeAttribute::eMarker:
        ioFile.FieldWriteI("MarkerType", static_cast<KRyvMarker&>(ioAttribute).GetType());
        break;
    case KRyvNodeAttribute::eSkeleton:
        ioFile.FieldWriteI("SkeletonType",
                           static_cast<KRyvSkeleton&>(ioAttribute).GetSkeletonType());
        break;
    case KRyvNodeAttribute::eCameraSwitcher: {
        const KRyvCameraSwitcher& lSwitcher = static_cast<KRyvCameraSwitcher&>(ioAttribute);
        ioFile.FieldWriteBegin("CameraNames");
        for (int i = 0; i < lSwitcher.GetCameraNameCount(); ++i) {
            ioFile.FieldWriteC(lSwitcher.GetCameraName(i));
        }
        ioFile.FieldWriteEnd();
        break;
    }
    default:
        break;
    }
}

bool ReadNurbData(KRyvFile& ioFile, KRyvNurb& ioNurb, const KRyvGeometryContext& pContext)
{
    ioNurb.SetExchangeUVFlag(ioFile.FieldReadB("ExchangeUV", false));
    ioNurb.SetRemapLinksFlag(ioFile.FieldReadB("RemapLinks", false));
    return KRyvGeometryIO::ReadGeometry(ioFile, ioNurb, pContext) &&
           KRyvGeometryIO::ReadNurb(ioFile, ioNurb);
}

void ReadCamera(KRyvFile& ioFile, KRyvCamera& ioCamera)
{
    ioCamera.SetBackgroundMediaName(ioFile.FieldReadC("BackgroundMediaName", "").Buffer());
    ioCamera.SetBackgroundTextureName(ioFile.FieldReadC("BackgroundTextureName", "").Buffer());
    ioCamera.SetShowInfoOnMoving(ioFile.FieldReadB("ShowInfoOnMoving", true));
    ioCamera.SetDisplaySafeAreaOnRender(ioFile.FieldReadB("DisplaySafeAreaOnRender", false));
    ioCamera.SetShowAudio(ioFile.FieldReadB("ShowAudio", false));
    ioCamera.SetAAMethod(ioFile.FieldReadI("AAMethod", 0));
    ioCamera.SetOverSamplingType(ioFile.FieldReadI("OverSamplingType", 1));
}

bool ReadLightGobo(KRyvFile& ioFile, KRyvLight& ioLight, const std::vector<KRyvGobo*>& pGobos,
                   bool pWarn, KString& ioMessage)
{
    const KString lName = ioFile.FieldReadC("GoboName", "");
    if (lName.IsEmpty()) {
        return true;
    }
    for (KRyvGobo* lGobo : pGobos) {
        if (lGobo->GetName().Compare(lName) == 0) {
            return ioLight.SetGobo(lGobo);
        }
    }
    // A reference to an object the file does not hold costs the reference, not the scene.
    if (pWarn) {
        ioMessage += "Gobo not found: " + lName.Left(kQuotedNameLength) + "\n";
    }
    return true;
}

bool ReadKindMembers(KRyvFile& ioFile, KRyvNodeAttribute& ioAttribute,
                     const KRyvGeometryContext& pContext, const std::vector<KRyvGobo*>& pGobos)
{
    switch (ioAttribute.GetAttributeType()) {
    case KRyvNodeAttribute::eMesh:
        return KRyvGeometryIO::ReadMesh(ioFile, static_cast<KRyvMesh&>(ioAttribute), pContext);
    case KRyvNodeAttribute::eNurb:
        return ReadNurbData(ioFile, static_cast<KRyvNurb&>(ioAttribute), pContext);
    case KRyvNodeAttribute::ePatch:
        return KRyvGeometryIO::ReadGeometry(ioFile, static_cast<KRyvPatch&>(ioAttribute),
                                            pContext) &&
               KRyvGeometryIO::ReadPatch(ioFile, static_cast<KRyvPatch&>(ioAttribute));
    case KRyvNodeAttribute::eLayerContainer:
        return KRyvGeometryIO::ReadLayerContainer(
            ioFile, static_cast<KRyvLayerContainer&>(ioAttribute), pContext);
    case KRyvNodeAttribute::eCamera:
        ReadCamera(ioFile, static_cast<KRyvCamera&>(ioAttribute));
        return true;
    case KRyvNodeAttribute::eLight:
        return ReadLightGobo(ioFile, static_cast<KRyvLight&>(ioAttribute), pGobos, pContext.mGobos,
                             *pContext.mMessage);
    case KRyvNodeAttribute::eMarker:
        static_cast<KRyvMarker&>(ioAttribute).SetType(ioFile.FieldReadI("MarkerType", 0));
        return true;
    case KRyvNodeAttribute::eSkeleton:
        static_cast<KRyvSkeleton&>(ioAttribute)
            .SetSkeletonType(ioFile.FieldReadI("SkeletonType", 0));
        return true;
    default:
        return true;
    }
}

int KindFromText(const KString& pText)
{
    for (int i = 0; i < kAttributeKindCount; ++i) {
        if (pText.Compare(kAttributeKinds[i]) == 0) {
            return i;
        }
    }
    return -1;
}

} // namespace

KRyvNodeAttribute* KRyvSceneObjectIO::MakeAttribute(int pKind, KRyvObjectFactory& ioFactory)
{
    switch (pKind) {
    case KRyvNodeAttribute::eLayerContainer:
        return ioFactory.CreateLayerContainer();
    case KRyvNodeAttribute::eNull:
        return ioFactory.CreateNull();
    case KRyvNodeAttribute::eMarker:
        return ioFactory.CreateMarker();
    case KRyvNodeAttribute::eSkeleton:
        return ioFactory.CreateSkeleton();
    case KRyvNodeAttribute::eMesh:
        return ioFactory.CreateMesh();
    case KRyvNodeAttribute::eNurb:
        return ioFactory.CreateNurb();
    case KRyvNodeAttribute::ePatch:
        return ioFactory.CreatePatch();
    case KRyvNodeAttribute::eCamera:
        return ioFactory.CreateCamera();
    case KRyvNodeAttribute::eLight:
        return ioFactory.CreateLight();
    case KRyvNodeAttribute::eOpticalReference:
        return ioFactory.CreateOpticalReference();
    default:
        return nullptr;
    }
}

KObject* KRyvSceneObjectIO::AttributeSet(KRyvNodeAttribute& ioAttribute)
{
    std::vector<KProperty*> lProperties;
    ioAttribute.FillPropertyList(lProperties);
    return lProperties.empty() ? nullptr : lProperties.front()->GetParentObject();
}

const char* KRyvSceneObjectIO::GetAttributeKindText(int pAttributeType)
{
    return pAttributeType >= 0 && pAttributeType < kAttributeKindCount
               ? kAttributeKinds[pAttributeType]
               : nullptr;
}

void KRyvSceneObjectIO::WriteAttribute(KRyvFile& ioFile, KRyvNodeAttribute& ioAttribute,
                                       KRyvObjectFactory& ioFactory,
                                       const KRyvAttributeParts& pParts)
{
    ioFile.FieldWriteBegin("Attribute");
    ioFile.FieldWriteC(GetAttributeKindText(ioAttribute.GetAttributeType()));
    KRyvPropertyIO::WriteBlock(ioFile, KRyvSceneObjectIO::AttributeSet(ioAttribute),
                               pParts.mDefaults);
    WriteKindMembers(ioFile, ioAttribute, ioFactory, pParts);
    ioFile.FieldWriteEnd();
}

bool KRyvSceneObjectIO::ReadAttribute(KRyvFile& ioFile, KRyvNode& ioNode,
                                      const KRyvGeometryContext& pContext,
                                      const std::vector<KRyvGobo*>& pGobos)
{
    const int lKind = KindFromText(ioFile.FieldReadC());
    KRyvNodeAttribute* lAttribute = MakeAttribute(lKind, *pContext.mFactory);
    if (!lAttribute) {
        return false;
    }
    // Attached first: shapes and property channels follow the node's takes.
    ioNode.SetNodeAttribute(lAttribute);
    KRyvPropertyIO::ReadBlock(ioFile, AttributeSet(*lAttribute), *pContext.mMessage);
    return ReadKindMembers(ioFile, *lAttribute, pContext, pGobos) && !ioFile.FieldReadFailed();
}

void KRyvSceneObjectIO::WriteMaterial(KRyvFile& ioFile, const KRyvMaterial& pMaterial)
{
    ioFile.FieldWriteC("ShadingModel", pMaterial.GetShadingModel());
    ioFile.FieldWriteB("MultiLayer", pMaterial.GetMultiLayer());
}

void KRyvSceneObjectIO::ReadMaterial(KRyvFile& ioFile, KRyvMaterial& ioMaterial)
{
    ioMaterial.SetShadingModel(ioFile.FieldReadC("ShadingModel", "phong").Buffer());
    ioMaterial.SetMultiLayer(ioFile.FieldReadB("MultiLayer", false));
}

void KRyvSceneObjectIO::WriteTexture(KRyvFile& ioFile, const KRyvTexture& pTexture)
{
    ioFile.FieldWriteC("Type", pTexture.GetTypeText());
    ioFile.FieldWriteC("FileName", pTexture.GetFileName());
    ioFile.FieldWriteC("RelativeFilename", pTexture.GetRelativeFileName());
    ioFile.FieldWriteC("Media", pTexture.GetMediaName());
    ioFile.FieldWriteC("VideoName",
                       pTexture.GetVideo() ? pTexture.GetVideo()->GetName() : KString(""));
    const int lAlpha = pTexture.GetAlphaSource();
    ioFile.FieldWriteC("Texture_Alpha_Source",
                       lAlpha >= 0 && lAlpha < 3 ? kAlphaSources[lAlpha] : "");
    ioFile.FieldWriteI("MaterialMode", pTexture.GetMaterialUse());
    ioFile.FieldWriteI("MappingType", pTexture.GetMappingType());
    ioFile.FieldWriteI("PlanarMappingNormal", pTexture.GetPlanarMappingNormal());
    ioFile.FieldWriteBegin("Cropping");
    ioFile.FieldWriteArray(
        std::vector<std::int32_t>{pTexture.GetCropping1(), pTexture.GetCropping2(),
                                  pTexture.GetCropping3(), pTexture.GetCropping4()});
    ioFile.FieldWriteEnd();
    const KVector2& lScaling = pTexture.GetUVScaling();
    const KVector2& lTranslation = pTexture.GetUVTranslation();
    WriteFour(ioFile, "ModelUVScaling", {lScaling[0], lScaling[1]});
    WriteFour(ioFile, "ModelUVTranslation", {lTranslation[0], lTranslation[1]});
}

void KRyvSceneObjectIO::ReadTexture(KRyvFile& ioFile, KRyvTexture& ioTexture, KString& oVideoName)
{
    ioFile.FieldReadC("Type", "");
    ioTexture.SetFileName(ioFile.FieldReadC("FileName", "").Buffer());
    ioTexture.SetRelativeFileName(ioFile.FieldReadC("RelativeFilename", "").Buffer());
    ioTexture.SetMediaName(ioFile.FieldReadC("Media", "").Buffer());
    oVideoName = ioFile.FieldReadC("VideoName", "");
    const KString lAlpha = ioFile.FieldReadC("Texture_Alpha_Source", "");
    for (int i = 0; i < 3; ++i) {
        if (lAlpha.Compare(kAlphaSources[i]) == 0) {
            ioTexture.SetAlphaSource(i);
        }
    }
    ioTexture.SetMaterialUse(ioFile.FieldReadI("MaterialMode", 0));
    ioTexture.SetMappingType(ioFile.FieldReadI("MappingType", 0));
    ioTexture.SetPlanarMappingNormal(ioFile.FieldReadI("PlanarMappingNormal", 0));
    std::vector<std::int32_t> lCropping;
    if (ioFile.FieldReadBegin("Cropping")) {
        ioFile.FieldReadArray(lCropping);
        ioFile.FieldReadEnd();
    }
    // The setter takes the four in the order that its getters read 1, 3, 2, 4.
    if (lCropping.size() == 4) {
        ioTexture.SetCropping(lCropping[0], lCropping[2], lCropping[1], lCropping[3]);
    }
    std::vector<double> lPair;
    for (const bool lScaling : {true, false}) {
        if (ioFile.FieldReadBegin(lScaling ? "ModelUVScaling" : "ModelUVTranslation")) {
            ioFile.FieldReadArray(lPair);
            ioFile.FieldReadEnd();
        }
        if (lPair.size() == 2 && lScaling) {
            ioTexture.SetUVScaling(KVector2(lPair[0], lPair[1]));
        } else if (lPair.size() == 2) {
            ioTexture.SetUVTranslation(KVector2(lPair[0], lPair[1]));
        }
        lPair.clear();
    }
}

void KRyvSceneObjectIO::WriteVideo(KRyvFile& ioFile, const KRyvVideo& pVideo)
{
    ioFile.FieldWriteC("FileName", pVideo.GetFileName());
    ioFile.FieldWriteC("RelativeFilename", pVideo.GetRelativeFileName());
    ioFile.FieldWriteB("UseMipMap", pVideo.GetUseMipMap());
    ioFile.FieldWriteB("OriginalFormat", pVideo.GetOriginalFormat());
    ioFile.FieldWriteC("OriginalFilename", pVideo.GetOriginalFileName());
}

void KRyvSceneObjectIO::ReadVideo(KRyvFile& ioFile, KRyvVideo& ioVideo)
{
    ioVideo.SetFileName(ioFile.FieldReadC("FileName", "").Buffer());
    ioVideo.SetRelativeFileName(ioFile.FieldReadC("RelativeFilename", "").Buffer());
    ioVideo.SetUseMipMap(ioFile.FieldReadB("UseMipMap", false));
    ioVideo.SetOriginalFormat(ioFile.FieldReadB("OriginalFormat", true));
    ioVideo.SetOriginalFileName(ioFile.FieldReadC("OriginalFilename", "").Buffer());
}

void KRyvSceneObjectIO::WriteGobo(KRyvFile& ioFile, const KRyvGobo& pGobo)
{
    ioFile.FieldWriteC("GoboPath", pGobo.GetPath());
    ioFile.FieldWriteBegin("DrawComponent");
    for (int i = 0; i < KRyvGobo::kDrawComponentCount; ++i) {
        ioFile.FieldWriteB(pGobo.GetDrawComponent(i));
    }
    ioFile.FieldWriteEnd();
}

void KRyvSceneObjectIO::ReadGobo(KRyvFile& ioFile, KRyvGobo& ioGobo)
{
    ioGobo.SetPath(ioFile.FieldReadC("GoboPath", "").Buffer());
    if (ioFile.FieldReadBegin("DrawComponent")) {
        for (int i = 0; i < KRyvGobo::kDrawComponentCount; ++i) {
            ioGobo.SetDrawComponent(i, ioFile.FieldReadB());
        }
        ioFile.FieldReadEnd();
    }
}

void KRyvSceneObjectIO::WritePose(KRyvFile& ioFile, const KRyvPose& pPose)
{
    for (int i = 0; i < pPose.GetCount(); ++i) {
        ioFile.FieldWriteBegin("PoseNode");
        ioFile.FieldWriteC(pPose.GetNodeName(i));
        ioFile.FieldWriteB(pPose.IsLocalMatrix(i));
        WriteMatrix(ioFile, pPose.GetMatrix(i));
        ioFile.FieldWriteEnd();
    }
}

bool KRyvSceneObjectIO::ReadPoseEntries(KRyvFile& ioFile, KRyvPose& ioPose)
{
    while (ioFile.FieldReadBegin("PoseNode")) {
        const KString lName = ioFile.FieldReadC();
        const bool lLocal = ioFile.FieldReadB();
        KMatrix lMatrix;
        if (!ReadMatrix(ioFile, lMatrix) || ioPose.Add(lName.Buffer(), lMatrix, lLocal) < 0) {
            return false;
        }
        ioFile.FieldReadEnd();
    }
    return !ioFile.FieldReadFailed();
}

void KRyvSceneObjectIO::WriteGlobalSettings(KRyvFile& ioFile, KRyvScene& ioScene)
{
    KRyvGlobalLightSettings& lLight = ioScene.GetGlobalLightSettings();
    ioFile.FieldWriteBegin("GlobalSettings");
    WriteFour(ioFile, "AmbientColor", FourDoubles(lLight.GetAmbientColor()));
    ioFile.FieldWriteBegin("Fog");
    ioFile.FieldWriteB(lLight.GetFogEnable());
    ioFile.FieldWriteI(lLight.GetFogMode());
    ioFile.FieldWriteD(lLight.GetFogStart());
    ioFile.FieldWriteD(lLight.GetFogEnd());
    ioFile.FieldWriteD(lLight.GetFogDensity());
    ioFile.FieldWriteArray(FourDoubles(lLight.GetFogColor()));
    ioFile.FieldWriteEnd();
    ioFile.FieldWriteBegin("Shadow");
    ioFile.FieldWriteB(lLight.GetShadowEnable());
    ioFile.FieldWriteD(lLight.GetShadowIntensity());
    for (int i = 0; i < lLight.GetShadowPlaneCount(); ++i) {
        const KRyvShadowPlane* lPlane = lLight.GetShadowPlane(i);
        ioFile.FieldWriteBegin("Plane");
        ioFile.FieldWriteB(lPlane->mEnable);
        ioFile.FieldWriteArray(FourDoubles(lPlane->mOrigin));
        ioFile.FieldWriteArray(FourDoubles(lPlane->mNormal));
        ioFile.FieldWriteEnd();
    }
    ioFile.FieldWriteEnd();
    ioFile.FieldWriteC("DefaultCamera", ioScene.GetGlobalCameraSettings().GetDefaultCamera());
    ioFile.FieldWriteI("DefaultViewingMode",
                       ioScene.GetGlobalCameraSettings().GetDefaultViewingMode());
    KRyvGlobalTimeSettings& lTime = ioScene.GetGlobalTimeSettings();
    ioFile.FieldWriteBegin("TimeSettings");
    ioFile.FieldWriteI(lTime.GetTimeMode());
    ioFile.FieldWriteI(lTime.GetTimeProtocol());
    ioFile.FieldWriteI(lTime.GetSnapOnFrames());
    ioFile.FieldWriteI(lTime.GetCurrentTimeMarker());
    for (int i = 0; i < lTime.GetTimeMarkerCount(); ++i) {
        const KRyvTimeMarker* lMarker = lTime.GetTimeMarker(i);
        ioFile.FieldWriteBegin("Marker");
        ioFile.FieldWriteC(lMarker->mName);
        ioFile.FieldWriteL(lMarker->mTime.Get());
        ioFile.FieldWriteI(lMarker->mLoop);
        ioFile.FieldWriteEnd();
    }
    ioFile.FieldWriteEnd();
    ioFile.FieldWriteEnd();
}

namespace {

KVector4 ArrayToVector(const std::vector<double>& pValues)
{
    return pValues.size() == 4 ? KVector4(pValues[0], pValues[1], pValues[2], pValues[3])
                               : KVector4();
}

void ReadLightSettings(KRyvFile& ioFile, KRyvGlobalLightSettings& ioLight)
{
    ioLight.SetAmbientColor(ReadColor(ioFile, "AmbientColor", ioLight.GetAmbientColor()));
    std::vector<double> lValues;
    if (ioFile.FieldReadBegin("Fog")) {
        ioLight.SetFogEnable(ioFile.FieldReadB());
        ioLight.SetFogMode(ioFile.FieldReadI());
        const double lStart = ioFile.FieldReadD();
        const double lEnd = ioFile.FieldReadD();
        // The end first: the start is kept below it.
        ioLight.SetFogEnd(lEnd);
        ioLight.SetFogStart(lStart);
        ioLight.SetFogDensity(ioFile.FieldReadD());
        ioFile.FieldReadArray(lValues);
        const KVector4 lColor = ArrayToVector(lValues);
        ioLight.SetFogColor(KColor(lColor[0], lColor[1], lColor[2], lColor[3]));
        ioFile.FieldReadEnd();
    }
    if (ioFile.FieldReadBegin("Shadow")) {
        ioLight.SetShadowEnable(ioFile.FieldReadB());
        ioLight.SetShadowIntensity(ioFile.FieldReadD());
        while (ioFile.FieldReadBegin("Plane")) {
            KRyvShadowPlane lPlane;
            lPlane.mEnable = ioFile.FieldReadB();
            ioFile.FieldReadArray(lValues);
            lPlane.mOrigin = ArrayToVector(lValues);
            ioFile.FieldReadArray(lValues);
            lPlane.mNormal = ArrayToVector(lValues);
            ioLight.AddShadowPlane(lPlane);
            ioFile.FieldReadEnd();
        }
        ioFile.FieldReadEnd();
    }
}

} // namespace

void KRyvSceneObjectIO::ReadGlobalSettings(KRyvFile& ioFile, KRyvScene& ioScene)
{
    if (!ioFile.FieldReadBegin("GlobalSettings")) {
        return;
    }
    ReadLightSettings(ioFile, ioScene.GetGlobalLightSettings());
    ioScene.GetGlobalCameraSettings().SetDefaultCamera(
        ioFile.FieldReadC("DefaultCamera", "").Buffer());
    ioScene.GetGlobalCameraSettings().SetDefaultViewingMode(
        ioFile.FieldReadI("DefaultViewingMode", 0));
    if (ioFile.FieldReadBegin("TimeSettings")) {
        KRyvGlobalTimeSettings& lTime = ioScene.GetGlobalTimeSettings();
        lTime.SetTimeMode(ioFile.FieldReadI());
        lTime.SetTimeProtocol(ioFile.FieldReadI());
        lTime.SetSnapOnFrames(ioFile.FieldReadI());
        const int lCurrent = ioFile.FieldReadI();
        lTime.RemoveAllTimeMarkers();
        while (ioFile.FieldReadBegin("Marker")) {
            KRyvTimeMarker lMarker;
            lMarker.mName = ioFile.FieldReadC();
            lMarker.mTime = KTime(ioFile.FieldReadL());
            lMarker.mLoop = ioFile.FieldReadI();
            lTime.AddTimeMarker(lMarker);
            ioFile.FieldReadEnd();
        }
        lTime.SetCurrentTimeMarker(lCurrent);
        ioFile.FieldReadEnd();
    }
    ioFile.FieldReadEnd();
}

void KRyvSceneObjectIO::WriteThumbnail(KRyvFile& ioFile, const KRyvThumbnail& pThumbnail)
{
    if (!pThumbnail.GetThumbnailImage()) {
        return;
    }
    ioFile.FieldWriteBegin("Thumbnail");
    ioFile.FieldWriteI(pThumbnail.GetDataFormat());
    ioFile.FieldWriteI(pThumbnail.GetSize());
    ioFile.FieldWriteR(pThumbnail.GetThumbnailImage(),
                       static_cast<std::size_t>(pThumbnail.GetSizeInBytes()));
    ioFile.FieldWriteEnd();
}

bool KRyvSceneObjectIO::ReadThumbnail(KRyvFile& ioFile, KRyvThumbnail& oThumbnail)
{
    if (!ioFile.FieldReadBegin("Thumbnail")) {
        return false;
    }
    KRyvThumbnail lThumbnail;
    lThumbnail.SetDataFormat(ioFile.FieldReadI());
    lThumbnail.SetSize(ioFile.FieldReadI());
    std::vector<std::uint8_t> lPixels;
    const bool lRead = ioFile.FieldReadR(lPixels) && lThumbnail.GetThumbnailImage() &&
                       lPixels.size() == static_cast<std::size_t>(lThumbnail.GetSizeInBytes());
    ioFile.FieldReadEnd();
    if (lRead) {
        std::copy(lPixels.begin(), lPixels.end(), lThumbnail.GetThumbnailImage());
        oThumbnail = lThumbnail;
    }
    return lRead;
}
