#include "plugin/export/RyvVurnMeshMaterials.h"

#include "platform/vurn/MFnMesh.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/export/RyvVurnMaterialExport.h"
#include "plugin/export/RyvVurnTextureRecord.h"
#include "plugin/shell/RyvVurnNode.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"

#include <algorithm>
#include <memory>
#include <set>

namespace {
// The shaders of the mesh's polygons: distinct, in first-met order, and per polygon the
// position of its shader (-1 for none).
struct MeshShaders
{
    std::vector<MObject> mShaders;
    std::vector<int> mPolygonShader;
};

// The instance of the shape that the node's path reaches (the node stands for one parent of
// an instanced shape); 0 without a path or for a shape that is not instanced.
unsigned int InstanceNumber(const RyvVurnNode* pNode)
{
    if (!pNode || !pNode->GetDagPath()) {
        return 0;
    }
    MDagPath lPath = *pNode->GetDagPath();
    if (!lPath.extendToShape()) {
        return 0;
    }
    return lPath.isInstanced() ? lPath.instanceNumber() : 0;
}

// The position of pShader among the collected shaders, added when new; -1 for a null shader.
int ShaderPosition(const MObject& pShader, MeshShaders& ioShaders)
{
    if (pShader.isNull()) {
        return -1;
    }
    const auto lFound = std::find(ioShaders.mShaders.begin(), ioShaders.mShaders.end(), pShader);
    if (lFound != ioShaders.mShaders.end()) {
        return static_cast<int>(lFound - ioShaders.mShaders.begin());
    }
    ioShaders.mShaders.push_back(pShader);
    return static_cast<int>(ioShaders.mShaders.size()) - 1;
}

// False when the host cannot give the instance's shaders. Each shading group is resolved once,
// when its first polygon meets it, so the walk costs one look-up per polygon.
bool CollectShaders(RyvVurnExporter& ioExporter, const MFnMesh& pMesh, unsigned int pInstance,
                    MeshShaders& oShaders)
{
    MObjectArray lSets;
    MIntArray lIndices;
    if (!pMesh.getConnectedShaders(pInstance, lSets, lIndices)) {
        return false;
    }
    constexpr int kUnresolved = -2;
    std::vector<int> lSetPositions(lSets.length(), kUnresolved);
    int lUnshadedPosition = kUnresolved;
    const int lPolygons = pMesh.numPolygons();
    for (int lPolygon = 0; lPolygon < lPolygons; ++lPolygon) {
        const int lSet = lIndices[static_cast<unsigned int>(lPolygon)];
        const bool lHasSet = lSet >= 0 && static_cast<size_t>(lSet) < lSetPositions.size();
        int& lPosition = lHasSet ? lSetPositions[static_cast<size_t>(lSet)] : lUnshadedPosition;
        if (lPosition == kUnresolved) {
            MObject lShader =
                lHasSet ? GetSurfaceShader(lSets[static_cast<unsigned int>(lSet)]) : MObject();
            lPosition = ShaderPosition(
                lShader.isNull() ? ioExporter.GetDefaultShader().Get() : lShader, oShaders);
        }
        oShaders.mPolygonShader.push_back(lPosition);
    }
    return true;
}

// Layer 0 maps its textures by polygon; a higher layer maps "all the same" when every polygon
// uses a texture on it. The index arrays are emptied: the polygons fill them in order.
void MapTextureElements(KRyvMesh& ioMesh, const std::vector<RyvVurnTextureRecord>& pRecords,
                        const std::vector<int>& pPolygonShader)
{
    for (int lLayerIndex = 0; lLayerIndex < ioMesh.GetLayerCount(); ++lLayerIndex) {
        KLayerElementTexture* lElement = ioMesh.GetLayer(lLayerIndex)->GetTextures();
        if (!lElement) {
            continue;
        }
        size_t lUsers = 0;
        for (int lShader : pPolygonShader) {
            lUsers += lShader >= 0 &&
                      pRecords[static_cast<size_t>(lShader)].TextureOnLayer(lLayerIndex) >= 0;
        }
        lElement->SetMappingMode(lLayerIndex > 0 && lUsers == pPolygonShader.size()
                                     ? RyvVurnTextureRecord::kMappingAllSame
                                     : RyvVurnTextureRecord::kMappingByPolygon);
        lElement->GetIndexArray().clear();
    }
}

// The layers of the textures that use UV set pName; a texture exported by none of the records
// is skipped. oUsed tells whether any texture uses the set.
std::vector<int> TextureLayersOf(const MFnMesh& pMesh, const MString& pName,
                                 const std::vector<RyvVurnTextureRecord>& pRecords, bool& oUsed)
{
    MObjectArray lTextures;
    pMesh.getAssociatedUVSetTextures(pName, lTextures);
    oUsed = lTextures.length() > 0;
    std::vector<int> lLayers;
    for (unsigned int lTexture = 0; lTexture < lTextures.length(); ++lTexture) {
        for (const RyvVurnTextureRecord& lRecord : pRecords) {
            const int lLayer = lRecord.FindLayerIndex(lTextures[lTexture]);
            if (lLayer >= 0) {
                lLayers.push_back(lLayer);
                break;
            }
        }
    }
    return lLayers;
}

// The UVs of set pName by polygon vertex, indexed into their direct array.
std::unique_ptr<KLayerElementUV> ReadUVSet(const MFnMesh& pMesh, const MString& pName)
{
    MFloatArray lU;
    MFloatArray lV;
    pMesh.getUVs(lU, lV, &pName);
    auto lElement = std::make_unique<KLayerElementUV>();
    lElement->SetMappingMode(KLayerElement::eByPolygonVertex);
    lElement->SetReferenceMode(KLayerElement::eIndexToDirect);
    for (unsigned int lIndex = 0; lIndex < lU.length() && lIndex < lV.length(); ++lIndex) {
        lElement->Add(lU[lIndex], lV[lIndex]);
    }
    const int lPolygons = pMesh.numPolygons();
    for (int lPolygon = 0; lPolygon < lPolygons; ++lPolygon) {
        const int lCorners = pMesh.polygonVertexCount(lPolygon);
        for (int lCorner = 0; lCorner < lCorners; ++lCorner) {
            int lId = -1;
            pMesh.getPolygonUVid(lPolygon, lCorner, lId, &pName);
            lElement->GetIndexArray().push_back(lId);
        }
    }
    return lElement;
}

// The UV sets onto the layers of their textures. A set no texture uses goes to layer 0, or,
// when a textured set holds layer 0, to the first layer no textured set holds: a set a texture
// uses keeps its layer whatever order the sets come in.
void ExportUVSets(const MFnMesh& pMesh, const std::vector<RyvVurnTextureRecord>& pRecords,
                  KRyvMesh& ioMesh)
{
    MStringArray lNames;
    pMesh.getUVSetNames(lNames);
    std::vector<std::vector<int>> lSetLayers;
    std::vector<bool> lUsed;
    std::set<int> lTextured;
    for (unsigned int lSet = 0; lSet < lNames.length(); ++lSet) {
        bool lSetUsed = false;
        lSetLayers.push_back(TextureLayersOf(pMesh, lNames[lSet], pRecords, lSetUsed));
        lUsed.push_back(lSetUsed);
        lTextured.insert(lSetLayers.back().begin(), lSetLayers.back().end());
    }
    int lUntextured = 0;
    while (lTextured.count(lUntextured) > 0) {
        ++lUntextured;
    }
    for (unsigned int lSet = 0; lSet < lNames.length(); ++lSet) {
        std::vector<int>& lLayers = lSetLayers[lSet];
        if (!lUsed[lSet]) {
            lLayers.push_back(lUntextured);
        }
        const std::unique_ptr<KLayerElementUV> lElement = ReadUVSet(pMesh, lNames[lSet]);
        for (int lLayer : lLayers) {
            while (ioMesh.GetLayerCount() <= lLayer) {
                ioMesh.CreateLayer();
            }
            ioMesh.GetLayer(lLayer)->SetUVs(std::make_unique<KLayerElementUV>(*lElement));
        }
    }
}

// Gives every per-polygon element of the mesh an entry for polygon pPolygon: -1 where the
// polygon's record did not fill one.
void PadPolygon(KRyvMesh& ioMesh, int pPolygon)
{
    const size_t lWanted = static_cast<size_t>(pPolygon) + 1;
    for (int lLayerIndex = 0; lLayerIndex < ioMesh.GetLayerCount(); ++lLayerIndex) {
        KLayer* lLayer = ioMesh.GetLayer(lLayerIndex);
        for (KLayerElement* lElement : {static_cast<KLayerElement*>(lLayer->GetMaterials()),
                                        static_cast<KLayerElement*>(lLayer->GetTextures())}) {
            if (lElement && lElement->GetMappingMode() == KLayerElement::eByPolygon &&
                lElement->GetIndexArray().size() < lWanted) {
                lElement->GetIndexArray().resize(lWanted, -1);
            }
        }
    }
}

// The kit material of every shader; all records map by polygon unless they name one material.
void ExportShaderMaterials(RyvVurnExporter& ioExporter, const MeshShaders& pShaders,
                           std::vector<RyvVurnTextureRecord>& ioRecords, KRyvMesh& ioMesh)
{
    bool lOneMaterial = true;
    for (size_t lIndex = 0; lIndex < ioRecords.size(); ++lIndex) {
        // The default shader goes by the name the host gave it: a user's shader may hold
        // "Default_Material" already, and the two must not share one kit material.
        const MObject& lShader = pShaders.mShaders[lIndex];
        const MString lName = MFnDependencyNode(lShader).name();
        RyvVurnTextureRecord& lRecord = ioRecords[lIndex];
        lRecord.SetMaterialIndex(ioExporter.ExportMaterial(lName, lShader, &ioMesh));
        KRyvMaterial* lMaterial = ioMesh.GetMaterial(lRecord.GetMaterialIndex());
        if (lRecord.HasTexture() && lMaterial) {
            lMaterial->SetDiffuseColor(KColor(1.0, 1.0, 1.0, 1.0));
        }
        lOneMaterial =
            lOneMaterial && lRecord.GetMaterialIndex() == ioRecords[0].GetMaterialIndex();
    }
    for (int lShader : pShaders.mPolygonShader) {
        lOneMaterial = lOneMaterial && lShader >= 0;
    }
    for (RyvVurnTextureRecord& lRecord : ioRecords) {
        if (!lOneMaterial) {
            lRecord.SetMaterialMapping(RyvVurnTextureRecord::kMappingByPolygon);
        }
    }
}
} // namespace

void ExportMeshMaterials(RyvVurnExporter& ioExporter, const MFnMesh& pMesh, RyvVurnNode* pNode,
                         KRyvMesh& ioMesh)
{
    MeshShaders lShaders;
    const bool lShaded = CollectShaders(ioExporter, pMesh, InstanceNumber(pNode), lShaders);
    std::vector<RyvVurnTextureRecord> lRecords(lShaders.mShaders.size());
    for (size_t lIndex = 0; lIndex < lRecords.size(); ++lIndex) {
        ioExporter.GatherShaderTextures(lShaders.mShaders[lIndex], pNode, lRecords[lIndex]);
    }
    MapTextureElements(ioMesh, lRecords, lShaders.mPolygonShader);
    ExportUVSets(pMesh, lRecords, ioMesh);
    if (lShaded && !lRecords.empty()) {
        ExportShaderMaterials(ioExporter, lShaders, lRecords, ioMesh);
        for (size_t lPolygon = 0; lPolygon < lShaders.mPolygonShader.size(); ++lPolygon) {
            const int lShader = lShaders.mPolygonShader[lPolygon];
            if (lShader >= 0) {
                ioExporter.FillTextureLayers(lRecords[static_cast<size_t>(lShader)], &ioMesh, true);
            }
            PadPolygon(ioMesh, static_cast<int>(lPolygon));
        }
    }
}
