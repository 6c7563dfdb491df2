// RyvVurnExporter::ConvertMesh: a host mesh into the kit mesh of its node, with normals, UV
// sets, vertex colours, materials and textures. Points and normals are read in object space:
// the kit node above the mesh carries the transform.

#include "plugin/export/RyvVurnExporter.h"

#include "core/KLog.h"
#include "platform/vurn/MFnMesh.h"
#include "platform/vurn/MItMesh.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnGeometryMessages.h"
#include "plugin/export/RyvVurnMaterialExport.h"
#include "plugin/export/RyvVurnMeshMaterials.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "scene/objects/KRyvMesh.h"

#include <memory>

namespace M = RyvVurnExportMessages;
namespace G = RyvVurnGeometryMessages;

namespace {
constexpr int kShadingTextured = 4;

// Any difference of counts, down to one polygon's corners, is a mismatch: the polygons of the
// mesh read are walked with the reference's corner counts.
bool SameTopology(const MFnMesh& pRead, const MFnMesh& pReference)
{
    const int lPolygons = pRead.numPolygons();
    if (pRead.numVertices() != pReference.numVertices() || lPolygons != pReference.numPolygons()) {
        return false;
    }
    for (int lPolygon = 0; lPolygon < lPolygons; ++lPolygon) {
        if (pRead.polygonVertexCount(lPolygon) != pReference.polygonVertexCount(lPolygon)) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<MItMeshVertex> VertexWalk(const MFnMesh& pMesh)
{
    MDagPath lPath;
    return pMesh.getPath(lPath) ? std::make_unique<MItMeshVertex>(lPath)
                                : std::make_unique<MItMeshVertex>(pMesh.object());
}

std::unique_ptr<MItMeshPolygon> PolygonWalk(const MFnMesh& pMesh)
{
    MDagPath lPath;
    return pMesh.getPath(lPath) ? std::make_unique<MItMeshPolygon>(lPath)
                                : std::make_unique<MItMeshPolygon>(pMesh.object());
}

KLayerElementNormal& SetNormalElement(KRyvMesh& ioMesh, int pMapping, int pCount)
{
    if (ioMesh.GetLayerCount() == 0) {
        ioMesh.CreateLayer();
    }
    auto lElement = std::make_unique<KLayerElementNormal>();
    lElement->SetMappingMode(pMapping);
    lElement->SetReferenceMode(KLayerElement::eDirect);
    lElement->GetDirectArray().assign(static_cast<size_t>(pCount), KVector4(0.0, 0.0, 0.0, 1.0));
    KLayer* lLayer = ioMesh.GetLayer(0);
    lLayer->SetNormals(std::move(lElement));
    return *lLayer->GetNormals();
}

// Control points from pPoints and, unless pPerCorner, one normal per point: the vertex's own
// normal when it has one, else the averaged vertex normal.
void ReadPoints(KRyvMesh& ioMesh, const MFnMesh& pRead, const MFnMesh& pPoints, bool pPerCorner)
{
    const int lCount = pRead.numVertices();
    ioMesh.InitControlPoints(lCount);
    std::vector<KVector4>& lPoints = ioMesh.GetControlPointArray();
    std::vector<KVector4>* lNormals =
        pPerCorner
            ? nullptr
            : &SetNormalElement(ioMesh, KLayerElement::eByControlPoint, lCount).GetDirectArray();
    for (auto lWalk = VertexWalk(pRead); !lWalk->isDone(); lWalk->next()) {
        const int lVertex = lWalk->index();
        if (lVertex < 0 || lVertex >= lCount) {
            continue;
        }
        MPoint lPoint;
        pPoints.getPoint(lVertex, lPoint, MSpace::kObject);
        lPoints[static_cast<size_t>(lVertex)] = KVector4(lPoint.x, lPoint.y, lPoint.z, lPoint.w);
        if (!lNormals) {
            continue;
        }
        MVectorArray lOwn;
        lWalk->getNormals(lOwn, MSpace::kObject);
        MVector lNormal = lOwn.length() == 1 ? lOwn[0] : MVector();
        if (lOwn.length() != 1) {
            pPoints.getVertexNormal(lVertex, lNormal, MSpace::kObject);
        }
        (*lNormals)[static_cast<size_t>(lVertex)] = KVector4(lNormal.x, lNormal.y, lNormal.z, 1.0);
    }
}

// The polygons, and with pPerCorner one normal per polygon vertex from the reference's
// normals. The normal array is sized from the corners themselves, and every write is bounded.
void ReadPolygons(KRyvMesh& ioMesh, const MFnMesh& pRead, const MFnMesh& pReference,
                  bool pPerCorner)
{
    MFloatVectorArray lHostNormals;
    int lCorners = 0;
    if (pPerCorner) {
        pReference.getNormals(lHostNormals, MSpace::kObject);
        const int lPolygons = pReference.numPolygons();
        for (int lPolygon = 0; lPolygon < lPolygons; ++lPolygon) {
            lCorners += pReference.polygonVertexCount(lPolygon);
        }
    }
    std::vector<KVector4>* lNormals =
        pPerCorner
            ? &SetNormalElement(ioMesh, KLayerElement::eByPolygonVertex, lCorners).GetDirectArray()
            : nullptr;
    size_t lCorner = 0;
    for (auto lWalk = PolygonWalk(pRead); !lWalk->isDone(); lWalk->next()) {
        ioMesh.BeginPolygon(-1, -1, -1);
        const int lSize = pReference.polygonVertexCount(lWalk->index());
        for (int lPosition = 0; lPosition < lSize; ++lPosition, ++lCorner) {
            ioMesh.AddPolygon(lWalk->vertexIndex(lPosition));
            const int lId = lWalk->normalIndex(lPosition);
            if (lNormals && lCorner < lNormals->size() && lId >= 0 &&
                static_cast<unsigned int>(lId) < lHostNormals.length()) {
                const MVector lNormal = lHostNormals[static_cast<unsigned int>(lId)];
                (*lNormals)[lCorner] = KVector4(lNormal.x, lNormal.y, lNormal.z, 1.0);
            }
        }
    }
}

void WarnMismatch(RyvVurnNode& ioNode, KLog* pLog)
{
    const KString lName = ioNode.GetName();
    if (pLog) {
        pLog->AddLine((M::TitledLine(M::kTitleWarning, G::kMismatch) + lName).Buffer());
        pLog->AddLine(G::kMismatch2);
        pLog->AddLine("");
    }
    KString lText(G::kMismatch);
    lText += lName;
    lText += M::kDialogBreak;
    lText += M::kDialogBreak;
    lText += G::kMismatch2;
    M::ShowMessage(M::kTitleWarning, lText);
    ioNode.SetMismatch(true);
}
} // namespace

void RyvVurnExporter::ConvertMesh(const MFnMesh& pMesh, RyvVurnNode* pNode,
                                  const MObject& pReference, const MObject& pFurther)
{
    KRyvMesh* lMesh = pNode ? mFactory.CreateMesh() : nullptr;
    MStatus lStatus;
    const MFnMesh lReference(pReference, &lStatus);
    if (!lMesh || !lStatus) {
        return;
    }
    if (!SameTopology(pMesh, lReference)) {
        WarnMismatch(*pNode, mLog.get());
        return;
    }
    pNode->SetNodeAttribute(lMesh);
    pNode->SetShadingMode(kShadingTextured);
    const bool lPerCorner = GetOptionStore().GetBool(kExportHardEdges) &&
                            lReference.numNormals() > lReference.numVertices();
    const MFnMesh lFurther(pFurther, &lStatus);
    ReadPoints(*lMesh, pMesh, lStatus ? lFurther : lReference, lPerCorner);
    ReadPolygons(*lMesh, pMesh, lReference, lPerCorner);
    ExportVertexColors(lMesh, pMesh);
    ExportMeshMaterials(*this, pMesh, pNode, *lMesh);
}
