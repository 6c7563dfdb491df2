#include "formats/geometry/obj/KWriterObj.h"

#include "formats/geometry/KSceneGeometry.h"

#include "core/KAffineMatrix.h"
#include "core/KFileUtils.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "io/KMediaCopy.h"
#include "io/KNodeWalk.h"
#include "io/KOutputFile.h"
#include "scene/KRenamingStrategy.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvGeometryConverter.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPatch.h"
#include "scene/objects/KRyvTexture.h"

#include <charconv>
#include <cmath>
#include <map>
#include <new>
#include <vector>

namespace {

constexpr std::size_t kFlushSize = 1 << 16;

// Names on "g", "newmtl" and "mtllib" lines end at white space when read back.
std::string WithoutSpaces(const KString& pName)
{
    std::string lName(pName.Buffer(), static_cast<std::size_t>(pName.GetLen()));
    for (char& lChar : lName) {
        const unsigned char lByte = static_cast<unsigned char>(lChar);
        if (lByte == ' ' || (lByte >= '\t' && lByte <= '\r')) {
            lChar = '_';
        }
    }
    return lName;
}

// "%lf" in the C locale.
void AppendNumber(std::string& ioText, double pValue)
{
    char lBuffer[400];
    const std::to_chars_result lResult =
        std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pValue, std::chars_format::fixed, 6);
    ioText.append(lBuffer, lResult.ec == std::errc() ? lResult.ptr : lBuffer);
}

void AppendInteger(std::string& ioText, long long pValue)
{
    char lBuffer[24];
    const std::to_chars_result lResult = std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pValue);
    ioText.append(lBuffer, lResult.ptr);
}

void AppendVector(std::string& ioText, const char* pKeyword, const double* pValues, int pCount)
{
    ioText += pKeyword;
    for (int i = 0; i < pCount; ++i) {
        ioText += ' ';
        AppendNumber(ioText, pValues[i]);
    }
    ioText += '\n';
}

// The row-vector product of a direction with the 3x3 part of a matrix.
KVector4 MultDirection(const KMatrix& pMatrix, const KVector4& pDirection)
{
    KVector4 lResult;
    for (int lColumn = 0; lColumn < 3; ++lColumn) {
        lResult[lColumn] = pDirection[0] * pMatrix.Get(0, lColumn) +
                           pDirection[1] * pMatrix.Get(1, lColumn) +
                           pDirection[2] * pMatrix.Get(2, lColumn);
    }
    return lResult;
}

// All 16 elements of pMatrix times pFactor added to ioSum.
void AddScaled(KMatrix& ioSum, const KMatrix& pMatrix, double pFactor)
{
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            ioSum[lRow][lColumn] += pMatrix.Get(lRow, lColumn) * pFactor;
        }
    }
}

KAffineMatrix GlobalTransform(KRyvNode* pNode)
{
    KVector4 lT;
    KVector4 lR;
    KVector4 lS;
    pNode->GetGlobalTranslation(lT, 0, true);
    pNode->GetGlobalRotation(lR, 0);
    pNode->GetGlobalScaling(lS, 0);
    return KAffineMatrix(lT, lR, lS);
}

// The direct-array index of a UV element for one polygon vertex; -1 when it has none.
int UVIndexOf(const KLayerElementUV& pUVs, int pControlPoint, int pPosition)
{
    int lIndex = -1;
    switch (pUVs.GetMappingMode()) {
    case KLayerElement::eByControlPoint:
        lIndex = pControlPoint;
        break;
    case KLayerElement::eByPolygonVertex:
        lIndex = pPosition;
        break;
    case KLayerElement::eAllSame:
        lIndex = 0;
        break;
    default:
        return -1;
    }
    if (pUVs.GetReferenceMode() != KLayerElement::eDirect) {
        const std::vector<int>& lIndices = pUVs.GetIndexArray();
        lIndex = lIndex >= 0 && static_cast<std::size_t>(lIndex) < lIndices.size()
                     ? lIndices[static_cast<std::size_t>(lIndex)]
                     : -1;
    }
    return lIndex >= 0 && static_cast<std::size_t>(lIndex) < pUVs.GetDirectArray().size() ? lIndex
                                                                                          : -1;
}

// The entry of a material or texture index array, -1 outside it.
int IndexAt(const int* pIndices, int pCount, int pIndex)
{
    return pIndices && pIndex >= 0 && pIndex < pCount ? pIndices[pIndex] : -1;
}

struct KObjPair
{
    KRyvMaterial* mMaterial;
    KRyvTexture* mTexture;
    std::string mName;
};

} // namespace

// The state of one Write.
class KWriterObj::Session
{
public:
    Session(KWriterObj& pWriter, KStreamOptions& pOptions)
        : mWriter(pWriter), mFactory(pWriter.GetOwner()), mOptions(pOptions)
    {
    }
    ~Session();

    bool Run(KRyvScene* pScene, bool pTriangulate, bool pDeform);

private:
    bool Emit(bool pForce = false);
    // pShapeWeights: the weight of each shape, read from the geometry attached to the node (a
    // converted copy is attached to none).
    void WriteMesh(KRyvNode* pNode, KRyvMesh& pMesh, const std::vector<double>& pShapeWeights);
    // Shapes, then links, applied to points given with the control point each stands for.
    void Deform(KRyvMesh& pMesh, const std::vector<double>& pShapeWeights,
                std::vector<KVector4>& ioPoints, const std::vector<int>& pPointOf,
                const KAffineMatrix& pGlobal);
    void DeformByLinks(KRyvMesh& pMesh, std::vector<KVector4>& ioPoints,
                       const std::vector<int>& pPointOf, const KAffineMatrix& pGlobal);
    // Writes "usemtl" for the pair, adding its MTL block the first time.
    void UsePair(KRyvMaterial* pMaterial, KRyvTexture* pTexture);
    void WriteMaterialBlock(const KObjPair& pPair);
    // The file name written on "map_Kd"; copies the image beside the OBJ file.
    std::string CopyTexture(KRyvTexture* pTexture);
    bool OpenMaterialFile();

    KWriterObj& mWriter;
    KRyvObjectFactory* mFactory;
    KStreamOptions& mOptions;
    bool mTriangulate = false;
    bool mDeform = true;
    std::string mObjText;
    std::string mMtlText;
    // The material library, renamed over its target only when the whole write succeeded.
    KOutputFile mMtlOutput;
    std::FILE* mMtl = nullptr;
    bool mWriteFailed = false;
    long long mNextVertex = 1;
    long long mNextUV = 1;
    long long mNextNormal = 1;
    KRyvMaterial* mDefaultMaterial = nullptr;
    std::vector<KObjPair> mPairs;
    KNumberSuffixRenamingStrategy mNames;
    // Target file name (as on "map_Kd") -> the source copied there.
    std::map<std::string, std::string> mTextureFiles;
};

KWriterObj::Session::~Session()
{
    if (mDefaultMaterial) {
        mFactory->DestroyMaterial(mDefaultMaterial);
    }
}

bool KWriterObj::Session::Emit(bool pForce)
{
    if (mObjText.size() >= kFlushSize || (pForce && !mObjText.empty())) {
        if (std::fwrite(mObjText.data(), 1, mObjText.size(), mWriter.mStream) != mObjText.size()) {
            mWriteFailed = true;
        }
        mObjText.clear();
    }
    if (mMtl && (mMtlText.size() >= kFlushSize || (pForce && !mMtlText.empty()))) {
        if (std::fwrite(mMtlText.data(), 1, mMtlText.size(), mMtl) != mMtlText.size()) {
            mWriteFailed = true;
        }
        mMtlText.clear();
    }
    return !mWriteFailed;
}

bool KWriterObj::Session::OpenMaterialFile()
{
    const std::string lPath = GetMaterialFilePath(mWriter.mFileName.Buffer());
    mMtl = mMtlOutput.Create(lPath.c_str()) ? mMtlOutput.GetStream() : nullptr;
    if (!mMtl) {
        mWriter.GetMessage() += ("Unable to create material file \"" + lPath + "\".\n").c_str();
        return false;
    }
    mMtlText += "# \n# Wavefront material file\n# Created with Zembrol RYV\n# \n";
    mObjText += "mtllib ";
    mObjText += GetFileName(lPath.c_str()).Buffer();
    mObjText += "\n\n";
    return true;
}

bool KWriterObj::Session::Run(KRyvScene* pScene, bool pTriangulate, bool pDeform)
{
    mTriangulate = pTriangulate;
    mDeform = pDeform;
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(pScene->GetRootNode(), true, lNodes);

    bool lMaterialsNeeded = false;
    for (KRyvNode* lNode : lNodes) {
        KRyvGeometry* lGeometry = static_cast<KRyvGeometry*>(lNode->GetGeometry());
        if (lGeometry && (lGeometry->GetMaterialCount() > 0 || lGeometry->GetTextureCount() > 0)) {
            lMaterialsNeeded = true;
        }
    }

    mObjText += "# \n# Wavefront OBJ file\n# Created with Zembrol RYV\n# \n";
    if (lMaterialsNeeded) {
        OpenMaterialFile();
        mDefaultMaterial = mFactory->CreateMaterial("default");
    }
    KRyvGeometryConverter lConverter(mFactory);
    int lDone = 0;
    for (KRyvNode* lNode : lNodes) {
        ++lDone;
        KRyvGeometry* lGeometry = static_cast<KRyvGeometry*>(lNode->GetGeometry());
        if (!lGeometry) {
            continue;
        }
        mOptions.ReportProgress("Writing OBJ file",
                                static_cast<float>(100.0 * lDone / lNodes.size()));
        std::vector<double> lShapeWeights;
        for (int i = 0; i < lGeometry->GetShapeCount(); ++i) {
            lShapeWeights.push_back(lGeometry->GetShapeValue(i));
        }
        // Conversions make new meshes in the factory; the scene's own geometry stays as it is.
        KRyvMesh* lMesh = static_cast<KRyvMesh*>(lNode->GetMesh());
        KRyvMesh* lConverted = nullptr;
        if (lNode->GetNurb()) {
            lConverted = lConverter.ConvertNurbToMesh(static_cast<KRyvNurb*>(lNode->GetNurb()));
        } else if (lNode->GetPatch()) {
            lConverted = lConverter.ConvertPatchToMesh(static_cast<KRyvPatch*>(lNode->GetPatch()));
        } else if (lMesh && mTriangulate) {
            lConverted = lConverter.TriangulateMesh(lMesh);
        }
        if (lConverted) {
            lMesh = lConverted;
        } else if (!lMesh || mTriangulate) {
            mWriter.GetMessage() +=
                ("Unable to triangulate \"" + WithoutSpaces(lNode->GetNameWithoutPrefix()) +
                 "\": " + lConverter.GetError().GetLastErrorString().Buffer() + ".\n")
                    .c_str();
        }
        if (lMesh) {
            WriteMesh(lNode, *lMesh, lShapeWeights);
        }
        if (lConverted) {
            mFactory->DestroyNodeAttribute(lConverted);
        }
        if (!Emit()) {
            break;
        }
    }
    Emit(true);
    if (std::fflush(mWriter.mStream) != 0 || std::ferror(mWriter.mStream)) {
        mWriteFailed = true;
    }
    if (mMtl && !mWriteFailed) {
        mWriteFailed = !mMtlOutput.Commit();
    }
    mMtl = nullptr;
    if (mWriteFailed) {
        mWriter.GetError().SetLastErrorID(KWriter::kOutOfDiskSpace);
        return false;
    }
    return true;
}

void KWriterObj::Session::Deform(KRyvMesh& pMesh, const std::vector<double>& pShapeWeights,
                                 std::vector<KVector4>& ioPoints, const std::vector<int>& pPointOf,
                                 const KAffineMatrix& pGlobal)
{
    const int lShapeCount = pMesh.GetShapeCount();
    if (lShapeCount > 0) {
        const std::vector<KVector4> lBefore = ioPoints;
        for (int lShapeIndex = 0; lShapeIndex < lShapeCount; ++lShapeIndex) {
            KRyvLayerContainer* lShape = pMesh.GetShape(lShapeIndex);
            const double lWeight = static_cast<std::size_t>(lShapeIndex) < pShapeWeights.size()
                                       ? pShapeWeights[static_cast<std::size_t>(lShapeIndex)]
                                       : 0.0;
            if (!lShape || lWeight == 0.0 || !std::isfinite(lWeight)) {
                continue;
            }
            const std::vector<KVector4>& lTargets = lShape->GetControlPointArray();
            for (std::size_t i = 0; i < ioPoints.size(); ++i) {
                const std::size_t lPoint = static_cast<std::size_t>(pPointOf[i]);
                if (lPoint < lTargets.size()) {
                    for (int c = 0; c < 3; ++c) {
                        ioPoints[i][c] += (lTargets[lPoint][c] - lBefore[i][c]) * lWeight;
                    }
                }
            }
        }
    }
    if (pMesh.GetLinkCount() > 0) {
        DeformByLinks(pMesh, ioPoints, pPointOf, pGlobal);
    }
}

void KWriterObj::Session::DeformByLinks(KRyvMesh& pMesh, std::vector<KVector4>& ioPoints,
                                        const std::vector<int>& pPointOf,
                                        const KAffineMatrix& pGlobal)
{
    const std::size_t lPointCount = static_cast<std::size_t>(pMesh.GetControlPointCount());
    const int lMode = pMesh.GetLink(0) ? pMesh.GetLink(0)->GetLinkMode() : 0;
    KMatrix lZero;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            lZero[r][c] = 0.0;
        }
    }
    std::vector<KMatrix> lSums(lPointCount, lMode == 1 ? KMatrix() : lZero);
    std::vector<double> lWeights(lPointCount, 0.0);
    for (int lLinkIndex = 0; lLinkIndex < pMesh.GetLinkCount(); ++lLinkIndex) {
        KRyvLink* lLink = pMesh.GetLink(lLinkIndex);
        if (!lLink || !lLink->GetLink()) {
            continue;
        }
        KMatrix lMatrix;
        const KAffineMatrix lL(lLink->GetLink()->GetGlobalMatrix(0));
        const KAffineMatrix lTL(lLink->GetTransformLinkMatrix(lMatrix));
        KAffineMatrix lT(lLink->GetTransformMatrix(lMatrix));
        KAffineMatrix lR = pGlobal;
        if (lMode == 1 && lLink->GetAssociateModel()) {
            lT = KAffineMatrix(lLink->GetTransformAssociateModelMatrix(lMatrix));
            lR = GlobalTransform(lLink->GetAssociateModel());
        }
        const KAffineMatrix lD = (lL.Inverse() * lR).Inverse() * (lTL.Inverse() * lT);
        const std::vector<int>& lIndices = lLink->GetControlPointIndexArray();
        const std::vector<double>& lLinkWeights = lLink->GetControlPointWeightArray();
        for (std::size_t i = 0; i < lIndices.size() && i < lLinkWeights.size(); ++i) {
            const double lWeight = lLinkWeights[i];
            if (lIndices[i] < 0 || static_cast<std::size_t>(lIndices[i]) >= lPointCount ||
                !std::isfinite(lWeight) || lWeight == 0.0) {
                continue;
            }
            const std::size_t lPoint = static_cast<std::size_t>(lIndices[i]);
            if (lMode == 1) {
                KMatrix lBlend = lZero;
                AddScaled(lBlend, lD, lWeight);
                for (int d = 0; d < 4; ++d) {
                    lBlend[d][d] += 1.0 - lWeight;
                }
                lSums[lPoint] = KAffineMatrix(lSums[lPoint]) * KAffineMatrix(lBlend);
                lWeights[lPoint] = 1.0;
            } else {
                AddScaled(lSums[lPoint], lD, lWeight);
                lWeights[lPoint] += lWeight;
            }
        }
    }
    for (std::size_t i = 0; i < ioPoints.size(); ++i) {
        const std::size_t lPoint = static_cast<std::size_t>(pPointOf[i]);
        const double lWeight = lPoint < lPointCount ? lWeights[lPoint] : 0.0;
        if (lWeight == 0.0 || !std::isfinite(lWeight)) {
            continue;
        }
        const KVector4 lBefore = ioPoints[i];
        KVector4 lPosition = KAffineMatrix(lSums[lPoint]).MultT(lBefore);
        if (lMode == 0) {
            for (int c = 0; c < 3; ++c) {
                lPosition[c] /= lWeight;
            }
        } else if (lMode == 2) {
            for (int c = 0; c < 3; ++c) {
                lPosition[c] += lBefore[c] * (1.0 - lWeight);
            }
        }
        ioPoints[i] = lPosition;
    }
}

void KWriterObj::Session::WriteMesh(KRyvNode* pNode, KRyvMesh& pMesh,
                                    const std::vector<double>& pShapeWeights)
{
    mObjText += "g ";
    mObjText += WithoutSpaces(pNode->GetName());
    mObjText += '\n';

    const KAffineMatrix lGlobal = GlobalTransform(pNode);
    const int lPointCount = pMesh.GetControlPointCount();
    const int lPolygonCount = pMesh.GetPolygonCount();
    std::vector<int> lFirst(static_cast<std::size_t>(lPolygonCount) + 1, 0);
    for (int p = 0; p < lPolygonCount; ++p) {
        lFirst[p + 1] = lFirst[p] + std::max(0, pMesh.GetPolygonSize(p));
    }

    // The points to deform: the control points, then one point p + n per normal.
    std::vector<KVector4> lPoints = pMesh.GetControlPointArray();
    std::vector<int> lPointOf(static_cast<std::size_t>(lPointCount));
    for (int i = 0; i < lPointCount; ++i) {
        lPointOf[i] = i;
    }
    const KLayer* lLayer0 = pMesh.GetLayer(0);
    const KLayerElementNormal* lNormalElement = lLayer0 ? lLayer0->GetNormals() : nullptr;
    const bool lNormalsByPoint =
        lNormalElement && lNormalElement->GetMappingMode() == KLayerElement::eByControlPoint;
    std::vector<KVector4> lNormals;
    if (lNormalsByPoint) {
        const std::vector<KVector4>& lDirect = lNormalElement->GetDirectArray();
        const std::vector<int>& lIndices = lNormalElement->GetIndexArray();
        for (int i = 0; i < lPointCount; ++i) {
            int lIndex = i;
            if (lNormalElement->GetReferenceMode() != KLayerElement::eDirect) {
                lIndex = static_cast<std::size_t>(i) < lIndices.size() ? lIndices[i] : -1;
            }
            lNormals.push_back(lIndex >= 0 && static_cast<std::size_t>(lIndex) < lDirect.size()
                                   ? lDirect[lIndex]
                                   : KVector4());
        }
    } else if (lNormalElement) {
        for (int p = 0; p < lPolygonCount; ++p) {
            for (int k = lFirst[p]; k < lFirst[p + 1]; ++k) {
                KVector4 lNormal;
                pMesh.GetPolygonVertexNormal(p, k - lFirst[p], lNormal);
                lNormals.push_back(lNormal);
                lPointOf.push_back(std::max(0, pMesh.GetPolygonVertex(p, k - lFirst[p])));
            }
        }
    }
    if (lNormalElement) {
        for (std::size_t i = 0; i < lNormals.size(); ++i) {
            const std::size_t lPoint =
                static_cast<std::size_t>(lNormalsByPoint ? i : lPointOf[lPointCount + i]);
            KVector4 lTip =
                lPoint < static_cast<std::size_t>(lPointCount) ? lPoints[lPoint] : KVector4();
            for (int c = 0; c < 3; ++c) {
                lTip[c] += lNormals[i][c];
            }
            lPoints.push_back(lTip);
            if (lNormalsByPoint) {
                lPointOf.push_back(static_cast<int>(lPoint));
            }
        }
    }
    if (mDeform && (pMesh.GetShapeCount() > 0 || pMesh.GetLinkCount() > 0)) {
        Deform(pMesh, pShapeWeights, lPoints, lPointOf, lGlobal);
        for (std::size_t i = 0; i < lNormals.size(); ++i) {
            const std::size_t lPoint = static_cast<std::size_t>(lPointOf[lPointCount + i]);
            for (int c = 0; c < 3; ++c) {
                lNormals[i][c] = lPoints[lPointCount + i][c] - lPoints[lPoint][c];
            }
        }
    }

    const long long lFirstVertex = mNextVertex;
    for (int i = 0; i < lPointCount; ++i) {
        const KVector4 lWorld = lGlobal.MultT(lPoints[i]);
        AppendVector(mObjText, "v", lWorld.GetData(), 3);
        ++mNextVertex;
        Emit();
    }

    // Texture coordinates.
    const KLayerElementUV* lUVs = lLayer0 ? lLayer0->GetUVs() : nullptr;
    if (lUVs && lUVs->GetDirectArray().empty()) {
        lUVs = nullptr;
    }
    const int lTextureCount = pMesh.GetTextureCount();
    const bool lTexturesByPolygon =
        lTextureCount > 0 && pMesh.GetTextureMappingMode() == KRyvMesh::eMappingByPolygon;
    const int* lTextureIndices = pMesh.GetTextureIndices();
    const int lTextureIndexCount =
        lLayer0 && lLayer0->GetTextures()
            ? static_cast<int>(lLayer0->GetTextures()->GetIndexArray().size())
            : 0;
    auto lTextureOfPolygon = [&](int p) -> KRyvTexture* {
        if (lTextureCount == 0) {
            return nullptr;
        }
        if (!lTexturesByPolygon) {
            return pMesh.GetTexture(lTextureCount - 1);
        }
        const int lIndex = IndexAt(lTextureIndices, lTextureIndexCount, p);
        return lIndex >= 0 ? pMesh.GetTexture(lIndex) : nullptr;
    };
    const long long lFirstUV = mNextUV;
    if (lUVs) {
        const std::vector<KVector2>& lDirect = lUVs->GetDirectArray();
        if (!lTexturesByPolygon) {
            KRyvTexture* lTexture =
                lTextureCount > 0 ? pMesh.GetTexture(lTextureCount - 1) : nullptr;
            const bool lSwap = lTexture && lTexture->GetSwapUV();
            for (const KVector2& lUV : lDirect) {
                const double lValues[2] = {lSwap ? lUV[1] : lUV[0], lSwap ? lUV[0] : lUV[1]};
                AppendVector(mObjText, "vt", lValues, 2);
                ++mNextUV;
                Emit();
            }
        } else {
            for (int p = 0; p < lPolygonCount; ++p) {
                KRyvTexture* lTexture = lTextureOfPolygon(p);
                const bool lSwap = lTexture && lTexture->GetSwapUV();
                for (int k = lFirst[p]; k < lFirst[p + 1]; ++k) {
                    const int lIndex =
                        UVIndexOf(*lUVs, pMesh.GetPolygonVertex(p, k - lFirst[p]), k);
                    const KVector2 lUV = lIndex >= 0 ? lDirect[lIndex] : KVector2();
                    const double lValues[2] = {lSwap ? lUV[1] : lUV[0], lSwap ? lUV[0] : lUV[1]};
                    AppendVector(mObjText, "vt", lValues, 2);
                    ++mNextUV;
                    Emit();
                }
            }
        }
    }

    const long long lFirstNormal = mNextNormal;
    if (!lNormals.empty()) {
        const KAffineMatrix lNormalMatrix = lGlobal.Inverse().Transpose();
        for (const KVector4& lNormal : lNormals) {
            KVector4 lWorld = MultDirection(lNormalMatrix, lNormal);
            const double lLength = std::sqrt(lWorld.DotProduct(lWorld));
            if (lLength > 0.0 && std::isfinite(lLength)) {
                lWorld *= 1.0 / lLength;
            }
            AppendVector(mObjText, "vn", lWorld.GetData(), 3);
            ++mNextNormal;
            Emit();
        }
    }

    // Materials, then the faces.
    const int lMaterialCount = pMesh.GetMaterialCount();
    const int lMaterialMapping = pMesh.GetMaterialMappingMode();
    const int* lMaterialIndices = pMesh.GetMaterialIndices();
    const int lMaterialIndexCount =
        lLayer0 && lLayer0->GetMaterials()
            ? static_cast<int>(lLayer0->GetMaterials()->GetIndexArray().size())
            : 0;
    const bool lAllSame = (lMaterialCount == 0 || lMaterialMapping == KRyvMesh::eMappingAllSame) &&
                          (lTextureCount == 0 || !lTexturesByPolygon);
    if (lMaterialCount == 0 && lTextureCount == 0) {
        if (mMtl) {
            UsePair(mDefaultMaterial, nullptr);
        }
    } else if (lAllSame) {
        KRyvMaterial* lMaterial =
            lMaterialCount > 0 ? pMesh.GetMaterial(lMaterialCount - 1) : mDefaultMaterial;
        UsePair(lMaterial ? lMaterial : mDefaultMaterial, lTextureOfPolygon(0));
    }
    KRyvMaterial* lLastMaterial = nullptr;
    KRyvTexture* lLastTexture = nullptr;
    bool lFirstPolygon = true;
    std::vector<std::string> lCorners;
    for (int p = 0; p < lPolygonCount; ++p) {
        const int lSize = lFirst[p + 1] - lFirst[p];
        if (!lAllSame) {
            KRyvMaterial* lMaterial = mDefaultMaterial;
            if (lMaterialCount > 0) {
                int lIndex = lMaterialCount - 1;
                if (lMaterialMapping == KRyvMesh::eMappingByPolygon) {
                    lIndex = IndexAt(lMaterialIndices, lMaterialIndexCount, p);
                } else if (lMaterialMapping == KRyvMesh::eMappingByControlPoint) {
                    lIndex = IndexAt(lMaterialIndices, lMaterialIndexCount,
                                     pMesh.GetPolygonVertex(p, 0));
                }
                lMaterial = lIndex >= 0 ? pMesh.GetMaterial(lIndex) : nullptr;
            }
            KRyvTexture* lTexture = lTextureOfPolygon(p);
            if ((lFirstPolygon || lMaterial != lLastMaterial || lTexture != lLastTexture) &&
                lMaterial) {
                UsePair(lMaterial, lTexture);
            }
            lLastMaterial = lMaterial;
            lLastTexture = lTexture;
            lFirstPolygon = false;
        }
        lCorners.assign(static_cast<std::size_t>(lSize), std::string());
        for (int k = 0; k < lSize; ++k) {
            const int lPosition = lFirst[p] + k;
            const int lPoint = pMesh.GetPolygonVertex(p, k);
            std::string& lCorner = lCorners[static_cast<std::size_t>(k)];
            AppendInteger(lCorner, lFirstVertex + lPoint);
            if (lUVs || !lNormals.empty()) {
                lCorner += '/';
            }
            if (lUVs) {
                const long long lUV = lTexturesByPolygon
                                          ? lPosition
                                          : std::max(0, UVIndexOf(*lUVs, lPoint, lPosition));
                AppendInteger(lCorner, lFirstUV + lUV);
            }
            if (!lNormals.empty()) {
                lCorner += '/';
                AppendInteger(lCorner, lFirstNormal + (lNormalsByPoint ? lPoint : lPosition));
            }
        }
        mObjText += 'f';
        for (const std::string& lCorner : lCorners) {
            mObjText += ' ';
            mObjText += lCorner;
        }
        mObjText += '\n';
        Emit();
    }
}

void KWriterObj::Session::UsePair(KRyvMaterial* pMaterial, KRyvTexture* pTexture)
{
    const KObjPair* lPair = nullptr;
    for (const KObjPair& lEntry : mPairs) {
        if (lEntry.mMaterial == pMaterial && lEntry.mTexture == pTexture) {
            lPair = &lEntry;
            break;
        }
    }
    if (!lPair) {
        const std::string lBase =
            pMaterial ? WithoutSpaces(pMaterial->GetNameWithoutPrefix()) : std::string("default");
        KNamePair lName(lBase.empty() ? "material" : lBase.c_str());
        mNames.Rename(lName);
        mPairs.push_back({pMaterial, pTexture, lName.GetCurrentName().Buffer()});
        lPair = &mPairs.back();
        WriteMaterialBlock(*lPair);
    }
    mObjText += "usemtl ";
    mObjText += lPair->mName;
    mObjText += '\n';
}

void KWriterObj::Session::WriteMaterialBlock(const KObjPair& pPair)
{
    if (!mMtl) {
        return;
    }
    mMtlText += "\nnewmtl ";
    mMtlText += pPair.mName;
    mMtlText += '\n';
    if (pPair.mTexture && pPair.mTexture->GetTextureUse() == KRyvTexture::eStandard) {
        const std::string lFile = CopyTexture(pPair.mTexture);
        if (!lFile.empty()) {
            mMtlText += "map_Kd " + lFile + "\n";
        }
    }
    double lColor[3] = {0.0, 0.0, 0.0};
    double lShininess = 0.0;
    double lOpacity = 1.0;
    KRyvMaterial* lMaterial = pPair.mMaterial;
    if (lMaterial) {
        lMaterial->GetAmbient(lColor[0], lColor[1], lColor[2]);
    }
    AppendVector(mMtlText, "Ka", lColor, 3);
    if (lMaterial) {
        lMaterial->GetDiffuse(lColor[0], lColor[1], lColor[2]);
    }
    AppendVector(mMtlText, "Kd", lColor, 3);
    if (lMaterial) {
        lMaterial->GetSpecular(lColor[0], lColor[1], lColor[2]);
        lShininess = lMaterial->GetShininess() * 100.0;
        lOpacity = lMaterial->GetOpacity();
    }
    AppendVector(mMtlText, "Ks", lColor, 3);
    mMtlText += "illum 2\n";
    AppendVector(mMtlText, "Ns", &lShininess, 1);
    AppendVector(mMtlText, "Tr", &lOpacity, 1);
}

std::string KWriterObj::Session::CopyTexture(KRyvTexture* pTexture)
{
    const std::string lSource = pTexture->GetFileName();
    if (lSource.empty()) {
        return std::string();
    }
    const std::string lName = GetFileName(lSource.c_str()).Buffer();
    const auto lKnown = mTextureFiles.find(lName);
    if (lKnown != mTextureFiles.end()) {
        if (lKnown->second != lSource) {
            mWriter.GetMessage() += ("Texture file \"" + lSource + "\" not copied: \"" +
                                     lKnown->second + "\" has the same name.\n")
                                        .c_str();
        }
        return lName;
    }
    mTextureFiles.emplace(lName, lSource);
    const std::string lFolder = GetFileDirectory(mWriter.mFileName.Buffer()).Buffer();
    // Without a folder the target is the bare name, beside the OBJ file in the current folder.
    const std::string lTarget = lFolder.empty() ? lName : lFolder + "/" + lName;
    KMediaCopy::Copy(lSource.c_str(), pTexture->GetRelativeFileName(), lTarget.c_str(),
                     mWriter.GetMessage());
    return lName;
}

KWriterObj::KWriterObj(KRyvObjectFactory* pOwner) : KWriter(pOwner) {}

KWriterObj::~KWriterObj()
{
    FileClose();
}

std::unique_ptr<KWriter> KWriterObj::Create(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterObj>(pOwner);
}

bool KWriterObj::FileCreate(const char* pFileName)
{
    FileClose();
    if (pFileName && *pFileName) {
        CreateFileFolders(pFileName);
        mStream = mOutput.Create(pFileName) ? mOutput.GetStream() : nullptr;
    }
    if (!mStream) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mFileName = pFileName;
    return true;
}

bool KWriterObj::FileClose()
{
    // Only a successful Write replaces the target.
    mOutput.Discard();
    mStream = nullptr;
    mFileName = "";
    return true;
}

std::unique_ptr<KStreamOptions> KWriterObj::GetWriteOptions()
{
    return std::make_unique<KStreamOptionsObj>();
}

std::string KWriterObj::GetMaterialFilePath(const std::string& pObjPath)
{
    const std::string lFolder = GetFileDirectory(pObjPath.c_str()).Buffer();
    const std::size_t lNameStart = lFolder.empty() && pObjPath.find('/') == std::string::npos &&
                                           pObjPath.find('\\') == std::string::npos
                                       ? 0
                                       : pObjPath.size() - GetFileName(pObjPath.c_str()).GetLen();
    std::string lName = WithoutSpaces(KString(pObjPath.c_str() + lNameStart).Lower());
    if (lName.size() >= 4 && lName.compare(lName.size() - 4, 4, ".obj") == 0) {
        lName.resize(lName.size() - 4);
    }
    return pObjPath.substr(0, lNameStart) + lName + ".mtl";
}

std::vector<std::string> KWriterObj::GetCompanionFiles(const char* pFileName) const
{
    return {GetMaterialFilePath(pFileName ? pFileName : "")};
}

const char* KWriterObj::FindMissingContent(KRyvScene* pScene)
{
    return FindMissingGeometry(pScene);
}

bool KWriterObj::Write(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!pOptions || !pOptions->IsA(KStreamOptionsObj::ClassId())) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    if (!mStream) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    if (!pScene || !GetOwner()) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    const KStreamOptionsObj* lOptions = static_cast<const KStreamOptionsObj*>(pOptions);
    const bool lTriangulate = lOptions->GetOptionValue(KStreamOptionsObj::kForceTriangulation) == 1;
    const bool lDeform = lOptions->GetOptionValue(KStreamOptionsObj::kEvaluateDeformations) == 1;
    bool lWritten = false;
    try {
        Session lSession(*this, *pOptions);
        lWritten = lSession.Run(pScene, lTriangulate, lDeform);
    } catch (const std::bad_alloc&) {
        GetError().SetLastError(kUnidentifiedError, "Out of memory");
    }
    // The files that were there before stay as they were unless everything was written.
    if (lWritten && !mOutput.Commit()) {
        GetError().SetLastErrorID(kOutOfDiskSpace);
        lWritten = false;
    }
    mOutput.Discard();
    mStream = nullptr;
    return lWritten;
}
