// RyvVurnExporter: the textures on a shader's colour (file and layered textures, with their
// placement) and the layer elements that tie a geometry's polygons to materials and textures.

#include "plugin/export/RyvVurnExporter.h"

#include "core/KMatrixFunctions.h"
#include "platform/vurn/MPlug.h"
#include "plugin/export/RyvVurnGeometryMessages.h"
#include "plugin/export/RyvVurnTextureRecord.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvTexture.h"

#include <algorithm>
#include <memory>

namespace G = RyvVurnGeometryMessages;

namespace {
constexpr double kRadiansToDegrees = 57.29577951308232;
constexpr double kPlacementCentre = 0.5;
// The host's layered-texture blend modes that have a kit counterpart, and those counterparts.
constexpr int kHostBlendOver = 4;
constexpr int kHostBlendMultiply = 6;
constexpr int kBlendOver = 1;
constexpr int kBlendMultiply = 2;
constexpr int kMaxBlendMode = 3;

int KitBlendMode(int pHostMode)
{
    return pHostMode == kHostBlendOver       ? kBlendOver
           : pHostMode == kHostBlendMultiply ? kBlendMultiply
                                             : 0;
}

KRyvGeometry* GeometryOf(KRyvNode* pNode)
{
    return dynamic_cast<KRyvGeometry*>(pNode ? pNode->GetGeometry() : nullptr);
}

// Layer pLayer of the geometry, made (with the ones before it) when missing; null beyond the
// container's layer cap.
KLayer* EnsureLayer(KRyvGeometry& ioGeometry, int pLayer)
{
    if (pLayer < 0 || pLayer > KRyvLayerContainer::kMaxLayerIndex) {
        return nullptr;
    }
    while (ioGeometry.GetLayerCount() <= pLayer) {
        ioGeometry.CreateLayer();
    }
    return ioGeometry.GetLayer(pLayer);
}

// Layer's texture element, made when missing with alpha 1, blend mode 0 and pMapping, and
// with pFirstIndex as its first index when pWithIndex.
KLayerElementTexture* EnsureTextureElement(KLayer& ioLayer, int pMapping, bool pWithIndex,
                                           int pFirstIndex = -1)
{
    if (KLayerElementTexture* lElement = ioLayer.GetTextures()) {
        return lElement;
    }
    auto lElement = std::make_unique<KLayerElementTexture>();
    lElement->SetMappingMode(pMapping);
    lElement->SetReferenceMode(KLayerElement::eIndexToDirect);
    lElement->SetAlpha(1.0);
    lElement->SetBlendMode(0);
    if (pWithIndex) {
        lElement->GetIndexArray().push_back(pFirstIndex);
    }
    return ioLayer.SetTextures(std::move(lElement));
}

// The values of the placement node connected to the file texture's "uv"; false when there is
// none. Values that cannot be read keep their defaults (repeat 1, everything else 0).
struct Placement
{
    double mOffsetU = 0.0;
    double mOffsetV = 0.0;
    double mFrameU = 0.0;
    double mFrameV = 0.0;
    double mRotation = 0.0;
    double mRepeatU = 1.0;
    double mRepeatV = 1.0;
};

double ReadNumber(const MFnDependencyNode& pNode, const char* pName, double pDefault)
{
    const MPlug lPlug = pNode.findPlug(pName);
    double lValue = pDefault;
    return !lPlug.isNull() && lPlug.getValue(lValue) ? lValue : pDefault;
}

bool ReadPlacement(const MObject& pFile, Placement& oPlacement)
{
    const MPlug lUV = MFnDependencyNode(pFile).findPlug("uv");
    MPlugArray lSources;
    if (lUV.isNull() || !lUV.connectedTo(lSources, true, false) || lSources.length() == 0) {
        return false;
    }
    const MFnDependencyNode lPlace(lSources[0].node());
    oPlacement.mOffsetU = ReadNumber(lPlace, "offsetU", 0.0);
    oPlacement.mOffsetV = ReadNumber(lPlace, "offsetV", 0.0);
    oPlacement.mFrameU = ReadNumber(lPlace, "translateFrameU", 0.0);
    oPlacement.mFrameV = ReadNumber(lPlace, "translateFrameV", 0.0);
    oPlacement.mRotation =
        (ReadNumber(lPlace, "rotateFrame", 0.0) + ReadNumber(lPlace, "rotateUV", 0.0)) *
        kRadiansToDegrees;
    oPlacement.mRepeatU = ReadNumber(lPlace, "repeatU", 1.0);
    oPlacement.mRepeatV = ReadNumber(lPlace, "repeatV", 1.0);
    return true;
}

// The translation of a turn by pDegrees about the centre (0.5, 0.5) of the texture square.
void CentredTurn(double pDegrees, double& oX, double& oY)
{
    KMatrix lToCentre;
    MatrixSetTRS(lToCentre, KVector4(kPlacementCentre, kPlacementCentre, 0.0),
                 KVector4(0.0, 0.0, 0.0), KVector4(1.0, 1.0, 1.0));
    const KMatrix lTurn(KVector4(0.0, 0.0, pDegrees));
    KMatrix lBack;
    MatrixSetTRS(lBack, KVector4(-kPlacementCentre, -kPlacementCentre, 0.0),
                 KVector4(0.0, 0.0, 0.0), KVector4(1.0, 1.0, 1.0));
    KMatrix lTurned;
    MatrixMultiplyAffine(lTurned, lTurn, lToCentre);
    KMatrix lWhole;
    MatrixMultiplyAffine(lWhole, lBack, lTurned);
    oX = lWhole.Get(3, 0);
    oY = lWhole.Get(3, 1);
}

void PlaceTexture(KRyvTexture& ioTexture, const Placement& pPlace, KRyvNurb* pNurb)
{
    double lX = 0.0;
    double lY = 0.0;
    CentredTurn(pPlace.mRotation, lX, lY);
    if (!pNurb) {
        ioTexture.SetScale(pPlace.mRepeatU, pPlace.mRepeatV);
        ioTexture.SetTranslation(pPlace.mOffsetU - pPlace.mFrameU - lX,
                                 pPlace.mOffsetV - pPlace.mFrameV - lY);
        ioTexture.SetRotation(0.0, 0.0, pPlace.mRotation);
        return;
    }
    // A surface's U runs along the host's V: the offsets and repeats change places. A closed
    // direction is corrected for the seam its last span closes.
    double lOffsetU = pPlace.mOffsetU;
    double lOffsetV = pPlace.mOffsetV;
    if (pNurb->GetUType() == KRyvNurb::eClosed && pNurb->GetUCount() > 0) {
        lOffsetV -= 2.0 / pNurb->GetUCount();
    }
    if (pNurb->GetVType() == KRyvNurb::eClosed && pNurb->GetVCount() > 0) {
        lOffsetU -= 2.0 / pNurb->GetVCount();
    }
    ioTexture.SetScale(pPlace.mRepeatV, pPlace.mRepeatU);
    ioTexture.SetTranslation(pPlace.mFrameU - lY - lOffsetU, pPlace.mFrameV - lX - lOffsetV);
    ioTexture.SetRotation(0.0, 0.0, -pPlace.mRotation);
    ioTexture.SetSwapUV(true);
}
} // namespace

bool RyvVurnExporter::GatherShaderTextures(const MObject& pShader, KRyvNode* pNode,
                                           RyvVurnTextureRecord& ioRecord)
{
    ioRecord.SetShader(pShader);
    const MPlug lColor = MFnDependencyNode(pShader).findPlug("color");
    MPlugArray lSources;
    KRyvGeometry* lGeometry = GeometryOf(pNode);
    if (!lGeometry || lColor.isNull() || !lColor.connectedTo(lSources, true, false) ||
        lSources.length() == 0) {
        ioRecord.AddTexture(0, -1, MObject());
        return false;
    }
    bool lMade = false;
    for (unsigned int lIndex = 0; lIndex < lSources.length(); ++lIndex) {
        const MObject lSource = lSources[lIndex].node();
        if (lSource.hasFn(MFn::kLayeredTexture)) {
            lMade = ExportLayeredTexture(pNode, lSource, ioRecord);
        } else if (lSource.hasFn(MFn::kFileTexture)) {
            EnsureTextureElement(*EnsureLayer(*lGeometry, 0), KLayerElement::eByPolygonVertex, true,
                                 ioRecord.TextureOnLayer(0));
            lMade = ExportFileTexture(pNode, lSource, ioRecord, 0, 0, 1.0, 0);
            pNode->SetShadingMode(4);
        } else {
            ioRecord.AddTexture(0, -1, MObject());
            lMade = false;
        }
    }
    return lMade;
}

bool RyvVurnExporter::ExportLayeredTexture(KRyvNode* pNode, const MObject& pLayered,
                                           RyvVurnTextureRecord& ioRecord)
{
    KRyvGeometry* lGeometry = GeometryOf(pNode);
    const MFnDependencyNode lLayered(pLayered);
    const MPlug lInputs = lLayered.findPlug("inputs");
    if (!lGeometry || lInputs.isNull()) {
        return false;
    }
    const MObject lColorAttribute = lLayered.attribute("color");
    const MObject lAlphaAttribute = lLayered.attribute("alpha");
    const MObject lBlendAttribute = lLayered.attribute("blendMode");
    bool lMade = false;
    // The last input lands on the first layer; the walk position, not the logical index,
    // numbers the layers, so a sparse array cannot ask for thousands of layers.
    int lLayerIndex = 0;
    for (unsigned int lElement = lInputs.numElements(); lElement-- > 0; ++lLayerIndex) {
        const MPlug lInput = lInputs.elementByPhysicalIndex(lElement);
        int lHostBlend = 0;
        lInput.child(lBlendAttribute).getValue(lHostBlend);
        double lAlpha = 1.0;
        if (!lInput.child(lAlphaAttribute).getValue(lAlpha)) {
            lAlpha = 1.0;
        }
        MPlugArray lSources;
        lInput.child(lColorAttribute).connectedTo(lSources, true, false);
        const int lBlend = KitBlendMode(lHostBlend);
        for (unsigned int lIndex = 0; lIndex < lSources.length(); ++lIndex) {
            const MObject lSource = lSources[lIndex].node();
            KLayer* lLayer = EnsureLayer(*lGeometry, lLayerIndex);
            if (lSource.hasFn(MFn::kLayeredTexture) || !lLayer) {
                continue;
            }
            EnsureTextureElement(*lLayer, KLayerElement::eByPolygonVertex, true,
                                 ioRecord.TextureOnLayer(lLayerIndex))
                ->SetBlendMode(lBlend);
            lMade = ExportFileTexture(pNode, lSource, ioRecord, lLayerIndex, 0, lAlpha, lBlend);
        }
    }
    return lMade;
}

bool RyvVurnExporter::ExportFileTexture(KRyvNode* pNode, const MObject& pFile,
                                        RyvVurnTextureRecord& ioRecord, int pLayer,
                                        int pAlphaSource, double pAlpha, int pBlendMode)
{
    const MFnDependencyNode lFile(pFile);
    MStatus lStatus;
    const MPlug lNamePlug = lFile.findPlug("fileTextureName", &lStatus);
    MString lFileName;
    if (lStatus) {
        lStatus = lNamePlug.getValue(lFileName);
    }
    if (!lStatus) {
        lStatus.perror(G::kNoTextureFileName);
        return false;
    }
    KRyvGeometry* lGeometry = GeometryOf(pNode);
    KLayer* lLayer = lGeometry ? EnsureLayer(*lGeometry, pLayer) : nullptr;
    if (!lLayer) {
        return false;
    }
    const MString lName = lFile.name();
    const int lOwn = lGeometry->GetTextureIndex(lName.asChar(), pLayer);
    KRyvTexture* lTexture = lOwn >= 0 ? lGeometry->GetTexture(lOwn, pLayer) : nullptr;
    if (!lTexture) {
        // A texture that another geometry already made is shared, not made twice.
        KString lFullName;
        BuildObjectName(lFullName, "Texture::", lName.asChar());
        lTexture = mFactory.FindTexture(lFullName.Buffer());
    }
    if (!lTexture) {
        lTexture = mFactory.CreateTexture(lName.asChar());
    }
    if (!lTexture) {
        return false;
    }
    lTexture->SetAlphaSource(pAlphaSource);
    lTexture->SetDefaultAlpha(pAlpha);
    lTexture->SetFileName(lFileName.asChar());
    lTexture->SetMaterialUse(0);
    const KLayerElementTexture* lElement = lLayer->GetTextures();
    const int lBlend = lElement ? lElement->GetBlendMode() : pBlendMode;
    lTexture->SetBlendMode(lBlend >= 0 && lBlend <= kMaxBlendMode ? lBlend : 0);
    const int lIndex = lOwn >= 0 ? lOwn : lGeometry->AddTexture(lTexture, pLayer);
    ioRecord.AddTexture(pLayer, lIndex, pFile);
    Placement lPlacement;
    if (ReadPlacement(pFile, lPlacement)) {
        PlaceTexture(*lTexture, lPlacement, dynamic_cast<KRyvNurb*>(pNode->GetNurb()));
    }
    return true;
}

void RyvVurnExporter::FillTextureLayers(const RyvVurnTextureRecord& pRecord,
                                        KRyvGeometry* pGeometry, bool pWriteIndices)
{
    if (!pGeometry || !pRecord.IsInUse()) {
        return;
    }
    for (int lLayerIndex : pRecord.GetLayers()) {
        KLayer* lLayer = EnsureLayer(*pGeometry, lLayerIndex);
        if (!lLayer) {
            continue;
        }
        if (lLayerIndex == 0) {
            if (!lLayer->GetMaterials()) {
                lLayer->SetMaterials(std::make_unique<KLayerElementMaterial>());
            }
            KLayerElementMaterial* lMaterials = lLayer->GetMaterials();
            lMaterials->SetMappingMode(pRecord.GetMaterialMapping());
            lMaterials->SetReferenceMode(KLayerElement::eIndexToDirect);
            std::vector<int>& lIndices = lMaterials->GetIndexArray();
            const int lMaterial = pRecord.GetMaterialIndex();
            if (pRecord.GetMaterialMapping() != RyvVurnTextureRecord::kMappingAllSame ||
                std::find(lIndices.begin(), lIndices.end(), lMaterial) == lIndices.end()) {
                lIndices.push_back(lMaterial);
            }
        }
        const int lTexture = pRecord.TextureOnLayer(lLayerIndex);
        // A layer without texture element gets none for a material without texture.
        if (!pWriteIndices || (!lLayer->GetTextures() && lTexture < 0)) {
            continue;
        }
        KLayerElementTexture* lElement = EnsureTextureElement(*lLayer, KLayerElement::eNone, false);
        std::vector<int>& lIndices = lElement->GetIndexArray();
        if (lElement->GetMappingMode() == KLayerElement::eByPolygon || lIndices.empty()) {
            lIndices.push_back(lTexture);
        } else {
            lIndices[0] = lTexture;
        }
    }
}
