// Materials, vertex colours and the coincident-vertex check of the host export.

#include "plugin/export/RyvVurnMaterialExport.h"

#include "core/KLog.h"
#include "platform/vurn/MFnMesh.h"
#include "platform/vurn/MFnSet.h"
#include "platform/vurn/MFnShaders.h"
#include "platform/vurn/MGlobal.h"
#include "platform/vurn/MItMesh.h"
#include "platform/vurn/MPlug.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/export/RyvVurnGeometryMessages.h"
#include "plugin/export/RyvVurnTextureRecord.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace M = RyvVurnExportMessages;
namespace G = RyvVurnGeometryMessages;

namespace {
constexpr double kMaxCosinePower = 128.0;
constexpr double kShininessPerCosinePower = 0.0078125;
constexpr double kUntypedShaderGrey = 0.5;
constexpr double kTexturedGrey = 0.5;

KColor Opaque(const MColor& pColor)
{
    return KColor(pColor.r, pColor.g, pColor.b, 1.0);
}

double Clamp01(double pValue)
{
    return std::min(1.0, std::max(0.0, pValue));
}

// The colour indices of every polygon vertex in polygon order; false when the walk cannot be
// made or an index is not one of pColorCount colours.
bool ReadColorIndices(const MFnMesh& pMesh, int pColorCount, std::vector<int>& oIndices)
{
    MStatus lStatus;
    MDagPath lPath;
    std::unique_ptr<MItMeshPolygon> lWalk =
        pMesh.getPath(lPath) ? std::make_unique<MItMeshPolygon>(lPath, &lStatus)
                             : std::make_unique<MItMeshPolygon>(pMesh.object(), &lStatus);
    if (!lStatus) {
        return false;
    }
    for (; !lWalk->isDone(); lWalk->next()) {
        const int lPolygon = lWalk->index();
        const int lCorners = static_cast<int>(lWalk->polygonVertexCount());
        for (int lCorner = 0; lCorner < lCorners; ++lCorner) {
            int lIndex = -1;
            if (!pMesh.getFaceVertexColorIndex(lPolygon, lCorner, lIndex) || lIndex < 0 ||
                lIndex >= pColorCount) {
                return false;
            }
            oIndices.push_back(lIndex);
        }
    }
    return true;
}

std::string CoincidentLine(int pFirst, int pSecond, const char* pMesh)
{
    const int lSize = std::snprintf(nullptr, 0, G::kCoincident, pFirst, pSecond, pMesh);
    std::string lLine(static_cast<size_t>(lSize > 0 ? lSize : 0) + 1, '\0');
    std::snprintf(&lLine[0], lLine.size(), G::kCoincident, pFirst, pSecond, pMesh);
    lLine.resize(lLine.size() - 1);
    return lLine;
}

void ReportCoincident(const std::vector<int>& pMap, const char* pMesh, KLog& ioLog)
{
    KString lDialog;
    int lShown = 0;
    for (size_t lPoint = 0; lPoint < pMap.size(); ++lPoint) {
        if (pMap[lPoint] == static_cast<int>(lPoint)) {
            continue;
        }
        const std::string lLine = CoincidentLine(pMap[lPoint], static_cast<int>(lPoint), pMesh);
        ioLog.AddLine(lLine.c_str());
        if (lShown < G::kMaxCoincidentLines) {
            lDialog += lLine.c_str();
            lDialog += M::kDialogBreak;
            ++lShown;
        }
    }
    if (lShown == 0) {
        return;
    }
    lDialog += M::kDialogBreak;
    lDialog += M::kDialogBreak;
    lDialog += G::kCoincident2;
    lDialog += M::kDialogBreak;
    M::ShowMessage(M::kTitleWarning, lDialog);
}
} // namespace

MObject GetShadingGroup(const MDagPath& pPath)
{
    MSelectionList lList;
    lList.add(pPath);
    MObjectArray lSets;
    if (!MGlobal::getAssociatedSets(lList, lSets)) {
        return MObject();
    }
    for (unsigned int lIndex = 0; lIndex < lSets.length(); ++lIndex) {
        MStatus lStatus;
        const MFnSet lSet(lSets[lIndex], &lStatus);
        if (lStatus && lSet.restriction() == MFnSet::kRenderableOnly) {
            return lSets[lIndex];
        }
    }
    return MObject();
}

MObject GetSurfaceShader(const MObject& pShadingGroup)
{
    const MPlug lPlug = MFnDependencyNode(pShadingGroup).findPlug("surfaceShader");
    MPlugArray lSources;
    if (lPlug.isNull() || !lPlug.connectedTo(lSources, true, false) || lSources.length() != 1) {
        return MObject();
    }
    return lSources[0].node();
}

void FillMaterialFromShader(KRyvMaterial& ioMaterial, const MObject& pShader)
{
    bool lApplied = false;
    MStatus lStatus;
    const MFnPhongShader lPhong(pShader, &lStatus);
    if (lStatus) {
        const double lPower = std::min(kMaxCosinePower, std::max(0.0, double(lPhong.cosPower())));
        ioMaterial.SetShininess(lPower * kShininessPerCosinePower);
        lApplied = true;
    }
    const MFnReflectShader lReflect(pShader, &lStatus);
    if (lStatus) {
        ioMaterial.SetSpecularColor(Opaque(lReflect.specularColor()));
        lApplied = true;
    }
    const MFnLambertShader lLambert(pShader, &lStatus);
    if (lStatus) {
        ioMaterial.SetDiffuseColor(Opaque(lLambert.color()));
        const MColor lClear = lLambert.transparency();
        ioMaterial.SetOpacity(1.0 - (double(lClear.b) + lClear.g + lClear.r) / 3.0);
        ioMaterial.SetAmbientColor(Opaque(lLambert.ambientColor()));
    } else if (!lApplied) {
        const KColor lGrey(kUntypedShaderGrey, kUntypedShaderGrey, kUntypedShaderGrey, 1.0);
        ioMaterial.SetAmbientColor(lGrey);
        ioMaterial.SetDiffuseColor(lGrey);
    }
}

bool ExportVertexColors(KRyvGeometry* pGeometry, const MFnMesh& pMesh)
{
    MColorArray lColors;
    if (!pGeometry || !pMesh.getFaceVertexColors(lColors)) {
        return true;
    }
    const std::vector<MColor>& lAll = lColors.items();
    if (std::none_of(lAll.begin(), lAll.end(), [](const MColor& pColor) {
            return pColor.r >= 0 && pColor.g >= 0 && pColor.b >= 0 && pColor.a >= 0;
        })) {
        return true;
    }
    auto lElement = std::make_unique<KLayerElementVertexColor>();
    lElement->SetMappingMode(KLayerElement::eByPolygonVertex);
    lElement->SetReferenceMode(KLayerElement::eIndexToDirect);
    for (const MColor& lColor : lAll) {
        lElement->Add(
            KColor(Clamp01(lColor.r), Clamp01(lColor.g), Clamp01(lColor.b), Clamp01(lColor.a)));
    }
    if (!ReadColorIndices(pMesh, static_cast<int>(lAll.size()), lElement->GetIndexArray())) {
        return false;
    }
    if (pGeometry->GetLayerCount() == 0) {
        pGeometry->CreateLayer();
    }
    pGeometry->GetLayer(0)->SetVertexColors(std::move(lElement));
    return true;
}

int RyvVurnExporter::ExportMaterial(const MString& pName, const MObject& pShader,
                                    KRyvGeometry* pGeometry)
{
    if (!pGeometry) {
        return -1;
    }
    KString lName;
    BuildObjectName(lName, "Material::", pName.asChar());
    const int lOwn = pGeometry->GetMaterialIndex(lName.Buffer());
    if (lOwn >= 0) {
        return lOwn;
    }
    // A material of the factory that the geometry refuses is not made a second time under the
    // same name: the file would hold two "Material::" objects of one name.
    if (KRyvMaterial* lShared = mFactory.FindMaterial(lName.Buffer())) {
        return pGeometry->AddMaterial(lShared);
    }
    KRyvMaterial* lMaterial = mFactory.CreateMaterial(pName.asChar());
    if (!lMaterial) {
        return -1;
    }
    FillMaterialFromShader(*lMaterial, pShader);
    return pGeometry->AddMaterial(lMaterial);
}

void RyvVurnExporter::ExportNodeMaterials(KRyvNode* pNode)
{
    auto* lGeometry = dynamic_cast<KRyvGeometry*>(pNode ? pNode->GetGeometry() : nullptr);
    const auto* lHostNode = dynamic_cast<const RyvVurnNode*>(pNode);
    if (!lGeometry || lGeometry->GetAttributeType() == KRyvNodeAttribute::eMesh || !lHostNode ||
        !lHostNode->GetDagPath()) {
        return;
    }
    const MDagPath& lPath = *lHostNode->GetDagPath();
    MObject lGroup;
    for (unsigned int lChild = 0; lChild < lPath.childCount() && lGroup.isNull(); ++lChild) {
        MDagPath lChildPath = lPath;
        lChildPath.push(lPath.child(lChild));
        lGroup = GetShadingGroup(lChildPath);
        if (!lGroup.hasFn(MFn::kSet)) {
            lGroup = MObject();
        }
    }
    const MObject lShader = lGroup.isNull() ? MObject() : GetSurfaceShader(lGroup);
    if (lShader.isNull()) {
        return;
    }
    RyvVurnTextureRecord lRecord;
    lRecord.SetMaterialIndex(ExportMaterial(MFnDependencyNode(lShader).name(), lShader, lGeometry));
    KRyvMaterial* lMaterial = lGeometry->GetMaterial(lRecord.GetMaterialIndex());
    if (GatherShaderTextures(lShader, pNode, lRecord) && lMaterial) {
        const KColor lGrey(kTexturedGrey, kTexturedGrey, kTexturedGrey, 1.0);
        lMaterial->SetAmbientColor(lGrey);
        lMaterial->SetDiffuseColor(lGrey);
    }
    FillTextureLayers(lRecord, lGeometry, true);
}

void RyvVurnExporter::CheckCoincidentVertices(KRyvNode* pNode)
{
    if (!pNode) {
        return;
    }
    auto* lMesh = dynamic_cast<KRyvMesh*>(pNode->GetNodeAttribute());
    if (lMesh && lMesh->GetNormalsMappingMode() == KRyvMesh::eMappingByPolygonVertex) {
        std::vector<int> lMap;
        if (lMesh->FindDuplicateControlPoints(lMap, true) && mLog) {
            ReportCoincident(lMap, pNode->GetName().Buffer(), *mLog);
        }
        KRyvMeshSplitTable lTable;
        lMesh->BuildControlPointSplitTable(lTable);
        lMesh->SplitControlPoints(lTable);
    }
    for (int lChild = 0; lChild < pNode->GetChildCount(); ++lChild) {
        CheckCoincidentVertices(pNode->GetChild(lChild));
    }
}
