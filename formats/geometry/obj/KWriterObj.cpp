#include "formats/geometry/obj/KWriterObj.h"

#include "formats/geometry/KMeshDeformation.h"
#include "formats/geometry/KSceneGeometry.h"

#include "core/KAffineMatrix.h"
#include "core/KFileUtils.h"
#include "core/KMediaCopy.h"
#include "core/KOutputFile.h"
#include "formats/geometry/obj/KObjFixedFormat.h"
#include "formats/geometry/obj/KObjTextReader.h"
#include "formats/geometry/obj/KObjUVLineTable.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "io/KNodeWalk.h"
#include "io/KSideFile.h"
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

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <vector>

namespace {

constexpr std::size_t kFlushSize = 1 << 16;
// Six decimals put each component of a unit normal within 5e-7 of its value, so the length of a
// printed unit normal read back is within sqrt(3) * 5e-7 of one; within this it counts as one.
constexpr double kUnitNormalTolerance = 1e-6;

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

// The name of a material library as an "mtllib" line gives it: readers split the line at white
// space and take a '\\' as keeping the character after it, so both are escaped with one.
std::string LibraryNameOnLine(const std::string& pName)
{
    std::string lText;
    for (const char lChar : pName) {
        if (lChar == '\\' || KObjTextReader::IsSpace(lChar)) {
            lText += '\\';
        }
        lText += lChar;
    }
    return lText;
}

void AppendInteger(std::string& ioText, long long pValue)
{
    char lBuffer[24];
    const std::to_chars_result lResult = std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pValue);
    ioText.append(lBuffer, lResult.ptr);
}

// The most bytes one line of a keyword and its numbers takes.
constexpr int kMaxValues = 3;
constexpr std::size_t kMaxKeyword = 8;
constexpr std::size_t kMaxLine = kMaxKeyword + kMaxValues * (KObjFixedFormat::kMaxLength + 1) + 1;

// A keyword and its numbers ("%lf" each) and the line end, written at pLine (kMaxLine bytes of
// room); answers the length.
std::size_t FormatVector(char* pLine, const char* pKeyword, const double* pValues, int pCount)
{
    const std::size_t lKeywordLength = std::min(std::strlen(pKeyword), kMaxKeyword);
    std::memcpy(pLine, pKeyword, lKeywordLength);
    char* lAt = pLine + lKeywordLength;
    for (int i = 0; i < pCount && i < kMaxValues; ++i) {
        *lAt++ = ' ';
        lAt = KObjFixedFormat::Write(lAt, pValues[i]);
    }
    *lAt++ = '\n';
    return static_cast<std::size_t>(lAt - pLine);
}

// A keyword and its numbers, built on the stack and appended at once.
void AppendVector(std::string& ioText, const char* pKeyword, const double* pValues, int pCount)
{
    char lLine[kMaxLine];
    ioText.append(lLine, FormatVector(lLine, pKeyword, pValues, pCount));
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

// What the steps of writing one mesh share.
struct KObjMeshParts
{
    explicit KObjMeshParts(KRyvMesh& pMesh);
    // The texture of polygon p, null when it has none.
    KRyvTexture* TextureOfPolygon(int p) const;
    bool SwapsUV(int p) const;
    int Size(int p) const { return mFirst[p + 1] - mFirst[p]; }
    // Where corner k of polygon p finds its "vt" line in mUVNumberOf (mUVs set).
    std::size_t UVSlot(int p, int k, bool pSwap) const;
    // Whether a corner of polygon p has a UV: a polygon without any is written without.
    bool HasUV(int p) const;

    KRyvMesh& mMesh;
    const KLayer* mLayer0;
    int mPointCount;
    int mPolygonCount;
    // The position of each polygon's first vertex among all polygon vertices, and the end.
    std::vector<int> mFirst;
    const KLayerElementNormal* mNormalElement = nullptr;
    // The normals written, one per control point when mNormalsByPoint, otherwise one per polygon
    // vertex: the mesh's own direct array when it serves as it is, else mNormals.
    const KVector4* mNormalData = nullptr;
    std::size_t mNormalCount = 0;
    std::vector<KVector4> mNormals;
    bool mNormalsByPoint = false;
    // Null when the mesh has no UV to write.
    const KLayerElementUV* mUVs = nullptr;
    // Per UV direct entry, and for a polygon vertex without a UV after them, its "vt" line
    // counted from the mesh's first, as it is and swapped; -1 while unused.
    std::vector<int> mUVNumberOf;
    int mTextureCount;
    bool mTexturesByPolygon;
    // The numbers of the mesh's first "v", "vt" and "vn" in the file.
    long long mFirstVertex = 0;
    long long mFirstUV = 0;
    long long mFirstNormal = 0;
};

KObjMeshParts::KObjMeshParts(KRyvMesh& pMesh)
    : mMesh(pMesh), mLayer0(pMesh.GetLayer(0)), mPointCount(pMesh.GetControlPointCount()),
      mPolygonCount(pMesh.GetPolygonCount()),
      mFirst(static_cast<std::size_t>(mPolygonCount) + 1, 0),
      mTextureCount(pMesh.GetTextureCount()),
      mTexturesByPolygon(mTextureCount > 0 &&
                         pMesh.GetTextureMappingMode() == KRyvMesh::eMappingByPolygon)
{
    for (int p = 0; p < mPolygonCount; ++p) {
        mFirst[p + 1] = mFirst[p] + std::max(0, pMesh.GetPolygonSize(p));
    }
    if (mLayer0) {
        mNormalElement = mLayer0->GetNormals();
        mUVs = mLayer0->GetUVs();
    }
    mNormalsByPoint =
        mNormalElement && mNormalElement->GetMappingMode() == KLayerElement::eByControlPoint;
    if (mUVs && mUVs->GetDirectArray().empty()) {
        mUVs = nullptr;
    }
}

bool KObjMeshParts::SwapsUV(int p) const
{
    const KRyvTexture* lTexture = TextureOfPolygon(p);
    return lTexture && lTexture->GetSwapUV();
}

std::size_t KObjMeshParts::UVSlot(int p, int k, bool pSwap) const
{
    const int lIndex = UVIndexOf(*mUVs, mMesh.GetPolygonVertex(p, k), mFirst[p] + k);
    const std::size_t lEntry =
        lIndex >= 0 ? static_cast<std::size_t>(lIndex) : mUVs->GetDirectArray().size();
    return 2 * lEntry + (pSwap ? 1 : 0);
}

bool KObjMeshParts::HasUV(int p) const
{
    for (int k = 0; mUVs && k < Size(p); ++k) {
        if (UVIndexOf(*mUVs, mMesh.GetPolygonVertex(p, k), mFirst[p] + k) >= 0) {
            return true;
        }
    }
    return false;
}

KRyvTexture* KObjMeshParts::TextureOfPolygon(int p) const
{
    if (mTextureCount == 0) {
        return nullptr;
    }
    if (!mTexturesByPolygon) {
        return mMesh.GetTexture(mTextureCount - 1);
    }
    const int lIndexCount = mLayer0 && mLayer0->GetTextures()
                                ? static_cast<int>(mLayer0->GetTextures()->GetIndexArray().size())
                                : 0;
    const int lIndex = IndexAt(mMesh.GetTextureIndices(), lIndexCount, p);
    return lIndex >= 0 ? mMesh.GetTexture(lIndex) : nullptr;
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
    // False, with the writer's error set, for a point that is not finite.
    bool WriteMesh(KRyvNode* pNode, KRyvMesh& pMesh, const std::vector<double>& pShapeWeights);
    // The normals of the mesh into ioParts: one per control point or per polygon vertex.
    void CollectNormals(KObjMeshParts& ioParts);
    // Deforms ioPoints (a copy of the control points) and the normals of ioParts by the mesh's
    // shapes and links.
    void Deform(KObjMeshParts& ioParts, const std::vector<double>& pShapeWeights,
                const KAffineMatrix& pGlobal, std::vector<KVector4>& ioPoints);
    // pPoints: the mesh's control point count of points. False, nothing written, when one of
    // them is not finite once placed in the world.
    bool WriteVertices(KObjMeshParts& ioParts, const KVector4* pPoints,
                       const KAffineMatrix& pGlobal);
    void WriteUVs(KObjMeshParts& ioParts);
    void WriteNormals(KObjMeshParts& ioParts, const KAffineMatrix& pGlobal);
    // Writes "usemtl" once for a mesh whose polygons share one pair; answers whether they do.
    bool UseMeshMaterial(const KObjMeshParts& pParts);
    KRyvMaterial* MaterialOfPolygon(const KObjMeshParts& pParts, int p) const;
    void WriteFace(const KObjMeshParts& pParts, int p);
    // Writes "usemtl" for the pair, adding its MTL block the first time.
    void UsePair(KRyvMaterial* pMaterial, KRyvTexture* pTexture);
    void WriteMaterialBlock(const KObjPair& pPair);
    // The file name written on "map_Kd"; copies the image beside the OBJ file.
    std::string CopyTexture(KRyvTexture* pTexture);
    // False, with the writer's error set, when the library has no place: beside an output that
    // is a device or a pipe, or under a name with a line break, which no "mtllib" line can give.
    // A library that cannot be created is a warning: the OBJ file is written without it.
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
        // Handing an object back takes memory too; out of it, the material stays in the
        // factory rather than ending the program from a destructor.
        try {
            mFactory->DestroyMaterial(mDefaultMaterial);
        } catch (const std::bad_alloc&) {
            mDefaultMaterial = nullptr;
        }
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
    const std::string lName = KSideFile::GetName(lPath);
    const char* lRefusal = nullptr;
    if (!KSideFile::HasPlaceBeside(mWriter.mFileName.Buffer())) {
        lRefusal = "a material library has no place beside a device or pipe";
    } else if (lName.find_first_of("\n\r") != std::string::npos) {
        lRefusal = "the material library's name holds a line break, which no \"mtllib\" line holds";
    }
    if (lRefusal) {
        const std::string lText = lPath + ": " + lRefusal;
        mWriter.GetError().SetLastError(KWriter::kFileNotCreated, lText.c_str());
        return false;
    }
    // A side file is never written through a link: a link there is replaced itself. It goes in
    // place with the OBJ file.
    mMtlOutput.SetGroup(mWriter.GetWriteGroup());
    errno = 0;
    mMtl = mMtlOutput.Create(lPath.c_str(), KOutputFile::eReplaceLinks) ? mMtlOutput.GetStream()
                                                                        : nullptr;
    if (!mMtl) {
        const std::string lCause = errno != 0 ? std::string(": ") + std::strerror(errno) : "";
        mWriter.GetMessage() +=
            ("Unable to create material file \"" + lPath + "\"" + lCause + ".\n").c_str();
        return true;
    }
    mMtlText += "# \n# Wavefront material file\n# Created with Zembrol RYV\n# \n";
    mObjText += "mtllib " + LibraryNameOnLine(lName) + "\n\n";
    return true;
}

bool KWriterObj::Session::Run(KRyvScene* pScene, bool pTriangulate, bool pDeform)
{
    mTriangulate = pTriangulate;
    mDeform = pDeform;
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(pScene->GetRootNode(), true, lNodes);
    KMeshDeformation::ComputeGlobalTransforms(pScene->GetRootNode());

    bool lMaterialsNeeded = false;
    for (KRyvNode* lNode : lNodes) {
        KRyvGeometry* lGeometry = static_cast<KRyvGeometry*>(lNode->GetGeometry());
        if (lGeometry && (lGeometry->GetMaterialCount() > 0 || lGeometry->GetTextureCount() > 0)) {
            lMaterialsNeeded = true;
        }
    }

    mObjText += "# \n# Wavefront OBJ file\n# Created with Zembrol RYV\n# \n";
    if (lMaterialsNeeded) {
        if (!OpenMaterialFile()) {
            return false;
        }
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
        const bool lWritten = !lMesh || WriteMesh(lNode, *lMesh, lShapeWeights);
        if (lConverted) {
            mFactory->DestroyNodeAttribute(lConverted);
        }
        if (!lWritten) {
            return false;
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

bool KWriterObj::Session::WriteMesh(KRyvNode* pNode, KRyvMesh& pMesh,
                                    const std::vector<double>& pShapeWeights)
{
    mObjText += "g ";
    mObjText += WithoutSpaces(pNode->GetName());
    mObjText += '\n';

    const KAffineMatrix lGlobal = KMeshDeformation::GlobalTransform(pNode);
    KObjMeshParts lParts(pMesh);
    CollectNormals(lParts);
    bool lFinite = true;
    if (mDeform && (pMesh.GetShapeCount() > 0 || pMesh.GetLinkCount() > 0)) {
        std::vector<KVector4> lPoints = pMesh.GetControlPointArray();
        Deform(lParts, pShapeWeights, lGlobal, lPoints);
        lFinite = WriteVertices(lParts, lPoints.data(), lGlobal);
    } else {
        lFinite = WriteVertices(lParts, pMesh.GetControlPoints(), lGlobal);
    }
    if (!lFinite) {
        return mWriter.FailNotFinitePoint(pNode->GetNameWithoutPrefix().Buffer());
    }
    WriteUVs(lParts);
    WriteNormals(lParts, lGlobal);

    const bool lAllSame = UseMeshMaterial(lParts);
    KRyvMaterial* lLastMaterial = nullptr;
    KRyvTexture* lLastTexture = nullptr;
    for (int p = 0; p < lParts.mPolygonCount; ++p) {
        if (!lAllSame) {
            KRyvMaterial* lMaterial = MaterialOfPolygon(lParts, p);
            KRyvTexture* lTexture = lParts.TextureOfPolygon(p);
            if ((p == 0 || lMaterial != lLastMaterial || lTexture != lLastTexture) && lMaterial) {
                UsePair(lMaterial, lTexture);
            }
            lLastMaterial = lMaterial;
            lLastTexture = lTexture;
        }
        WriteFace(lParts, p);
    }
    return true;
}

void KWriterObj::Session::CollectNormals(KObjMeshParts& ioParts)
{
    const KLayerElementNormal* lElement = ioParts.mNormalElement;
    if (!lElement) {
        return;
    }
    std::vector<KVector4>& lNormals = ioParts.mNormals;
    if (ioParts.mNormalsByPoint) {
        const std::vector<KVector4>& lDirect = lElement->GetDirectArray();
        const std::vector<int>& lIndices = lElement->GetIndexArray();
        const std::size_t lPointCount = static_cast<std::size_t>(ioParts.mPointCount);
        if (lElement->GetReferenceMode() == KLayerElement::eDirect &&
            lDirect.size() >= lPointCount) {
            ioParts.mNormalData = lDirect.data();
            ioParts.mNormalCount = lPointCount;
            return;
        }
        lNormals.reserve(static_cast<std::size_t>(ioParts.mPointCount));
        for (int i = 0; i < ioParts.mPointCount; ++i) {
            int lIndex = i;
            if (lElement->GetReferenceMode() != KLayerElement::eDirect) {
                lIndex = static_cast<std::size_t>(i) < lIndices.size() ? lIndices[i] : -1;
            }
            lNormals.push_back(lIndex >= 0 && static_cast<std::size_t>(lIndex) < lDirect.size()
                                   ? lDirect[lIndex]
                                   : KVector4());
        }
        ioParts.mNormalData = lNormals.data();
        ioParts.mNormalCount = lNormals.size();
        return;
    }
    lNormals.reserve(static_cast<std::size_t>(ioParts.mFirst.back()));
    for (int p = 0; p < ioParts.mPolygonCount; ++p) {
        for (int k = 0; k < ioParts.Size(p); ++k) {
            KVector4 lNormal;
            ioParts.mMesh.GetPolygonVertexNormal(p, k, lNormal);
            lNormals.push_back(lNormal);
        }
    }
    ioParts.mNormalData = lNormals.data();
    ioParts.mNormalCount = lNormals.size();
}

void KWriterObj::Session::Deform(KObjMeshParts& ioParts, const std::vector<double>& pShapeWeights,
                                 const KAffineMatrix& pGlobal, std::vector<KVector4>& ioPoints)
{
    // Each normal n of a point p rides along as the point p + n, so that deforming moves it too.
    const std::size_t lPointCount = static_cast<std::size_t>(ioParts.mPointCount);
    std::vector<int> lPointOf(lPointCount);
    for (std::size_t i = 0; i < lPointCount; ++i) {
        lPointOf[i] = static_cast<int>(i);
    }
    for (int p = 0; !ioParts.mNormalsByPoint && p < ioParts.mPolygonCount; ++p) {
        for (int k = 0; k < ioParts.Size(p); ++k) {
            lPointOf.push_back(std::max(0, ioParts.mMesh.GetPolygonVertex(p, k)));
        }
    }
    // The normals are deformed in the writer's own copy.
    std::vector<KVector4>& lNormals = ioParts.mNormals;
    if (ioParts.mNormalData != lNormals.data()) {
        lNormals.assign(ioParts.mNormalData, ioParts.mNormalData + ioParts.mNormalCount);
        ioParts.mNormalData = lNormals.data();
    }
    ioPoints.reserve(lPointCount + lNormals.size());
    for (std::size_t i = 0; i < lNormals.size(); ++i) {
        const std::size_t lPoint =
            ioParts.mNormalsByPoint ? i : static_cast<std::size_t>(lPointOf[lPointCount + i]);
        KVector4 lTip = lPoint < lPointCount ? ioPoints[lPoint] : KVector4();
        for (int c = 0; c < 3; ++c) {
            lTip[c] += lNormals[i][c];
        }
        ioPoints.push_back(lTip);
        if (ioParts.mNormalsByPoint) {
            lPointOf.push_back(static_cast<int>(lPoint));
        }
    }
    KMeshDeformation::Apply(ioParts.mMesh, pShapeWeights, ioPoints, lPointOf, pGlobal);
    for (std::size_t i = 0; i < lNormals.size(); ++i) {
        const std::size_t lPoint = static_cast<std::size_t>(lPointOf[lPointCount + i]);
        for (int c = 0; c < 3; ++c) {
            lNormals[i][c] = ioPoints[lPointCount + i][c] - ioPoints[lPoint][c];
        }
    }
}

bool KWriterObj::Session::WriteVertices(KObjMeshParts& ioParts, const KVector4* pPoints,
                                        const KAffineMatrix& pGlobal)
{
    ioParts.mFirstVertex = mNextVertex;
    for (int i = 0; i < ioParts.mPointCount; ++i) {
        const KVector4 lWorld = pGlobal.MultT(pPoints[i]);
        if (!IsFinitePoint(lWorld)) {
            return false;
        }
        AppendVector(mObjText, "v", lWorld.GetData(), 3);
        ++mNextVertex;
        Emit();
    }
    return true;
}

void KWriterObj::Session::WriteUVs(KObjMeshParts& ioParts)
{
    ioParts.mFirstUV = mNextUV;
    if (!ioParts.mUVs) {
        return;
    }
    // Each distinct line once, in the order of first use, so that reading the file back and
    // writing it again gives the same lines. Lines are told apart by the numbers read back from
    // them: two UVs that print alike are one "vt". Worked out once per UV entry and swap.
    const std::vector<KVector2>& lDirect = ioParts.mUVs->GetDirectArray();
    ioParts.mUVNumberOf.assign(2 * (lDirect.size() + 1), -1);
    KObjUVLineTable lNumberOfLine;
    // Most meshes use each UV entry once, unswapped.
    lNumberOfLine.Reserve(
        std::min(lDirect.size() + 1, static_cast<std::size_t>(ioParts.mFirst.back())));
    for (int p = 0; p < ioParts.mPolygonCount; ++p) {
        if (!ioParts.HasUV(p)) {
            continue;
        }
        const bool lSwap = ioParts.SwapsUV(p);
        for (int k = 0; k < ioParts.Size(p); ++k) {
            const std::size_t lSlot = ioParts.UVSlot(p, k, lSwap);
            int& lNumber = ioParts.mUVNumberOf[lSlot];
            if (lNumber >= 0) {
                continue;
            }
            // A polygon vertex without a UV, in a polygon with UVs, is written as (0, 0).
            const std::size_t lEntry = lSlot / 2;
            const KVector2 lUV = lEntry < lDirect.size() ? lDirect[lEntry] : KVector2();
            const double lValues[2] = {lSwap ? lUV[1] : lUV[0], lSwap ? lUV[0] : lUV[1]};
            char lLine[kMaxLine];
            const std::size_t lLength = FormatVector(lLine, "vt", lValues, 2);
            bool lAdded = false;
            lNumber = lNumberOfLine.Find(KObjUVLineKey::Of(lLine, lLength), lAdded);
            if (lAdded) {
                mObjText.append(lLine, lLength);
                ++mNextUV;
                Emit();
            }
        }
    }
}

void KWriterObj::Session::WriteNormals(KObjMeshParts& ioParts, const KAffineMatrix& pGlobal)
{
    ioParts.mFirstNormal = mNextNormal;
    if (ioParts.mNormalCount == 0) {
        return;
    }
    const KAffineMatrix lNormalMatrix = pGlobal.Inverse().Transpose();
    for (std::size_t i = 0; i < ioParts.mNormalCount; ++i) {
        KVector4 lWorld = MultDirection(lNormalMatrix, ioParts.mNormalData[i]);
        // A normal already of length one to the printed precision is written as it is: one
        // read from a "vn" line rarely has length one exactly, and dividing by its length moves
        // the last digit of some, so that each pass would change the file again.
        const double lLength = std::sqrt(lWorld.DotProduct(lWorld));
        if (lLength > 0.0 && std::isfinite(lLength) &&
            std::abs(lLength - 1.0) > kUnitNormalTolerance) {
            lWorld *= 1.0 / lLength;
        }
        AppendVector(mObjText, "vn", lWorld.GetData(), 3);
        ++mNextNormal;
        Emit();
    }
}

bool KWriterObj::Session::UseMeshMaterial(const KObjMeshParts& pParts)
{
    const int lMaterialCount = pParts.mMesh.GetMaterialCount();
    const bool lAllSame = (lMaterialCount == 0 ||
                           pParts.mMesh.GetMaterialMappingMode() == KRyvMesh::eMappingAllSame) &&
                          !pParts.mTexturesByPolygon;
    if (lMaterialCount == 0 && pParts.mTextureCount == 0) {
        if (mMtl) {
            UsePair(mDefaultMaterial, nullptr);
        }
    } else if (lAllSame) {
        KRyvMaterial* lMaterial =
            lMaterialCount > 0 ? pParts.mMesh.GetMaterial(lMaterialCount - 1) : mDefaultMaterial;
        UsePair(lMaterial ? lMaterial : mDefaultMaterial, pParts.TextureOfPolygon(0));
    }
    return lAllSame;
}

KRyvMaterial* KWriterObj::Session::MaterialOfPolygon(const KObjMeshParts& pParts, int p) const
{
    KRyvMesh& lMesh = pParts.mMesh;
    const int lMaterialCount = lMesh.GetMaterialCount();
    if (lMaterialCount == 0) {
        return mDefaultMaterial;
    }
    const int lIndexCount =
        pParts.mLayer0 && pParts.mLayer0->GetMaterials()
            ? static_cast<int>(pParts.mLayer0->GetMaterials()->GetIndexArray().size())
            : 0;
    int lIndex = lMaterialCount - 1;
    if (lMesh.GetMaterialMappingMode() == KRyvMesh::eMappingByPolygon) {
        lIndex = IndexAt(lMesh.GetMaterialIndices(), lIndexCount, p);
    } else if (lMesh.GetMaterialMappingMode() == KRyvMesh::eMappingByControlPoint) {
        lIndex = IndexAt(lMesh.GetMaterialIndices(), lIndexCount, lMesh.GetPolygonVertex(p, 0));
    }
    return lIndex >= 0 ? lMesh.GetMaterial(lIndex) : nullptr;
}

void KWriterObj::Session::WriteFace(const KObjMeshParts& pParts, int p)
{
    const int lSize = pParts.Size(p);
    const bool lNormals = pParts.mNormalCount > 0;
    const bool lUVs = pParts.HasUV(p);
    const bool lSwap = lUVs && pParts.SwapsUV(p);
    mObjText += 'f';
    for (int k = 0; k < lSize; ++k) {
        const int lPosition = pParts.mFirst[p] + k;
        const int lPoint = pParts.mMesh.GetPolygonVertex(p, k);
        mObjText += ' ';
        AppendInteger(mObjText, pParts.mFirstVertex + lPoint);
        if (lUVs || lNormals) {
            mObjText += '/';
        }
        if (lUVs) {
            AppendInteger(mObjText,
                          pParts.mFirstUV + pParts.mUVNumberOf[pParts.UVSlot(p, k, lSwap)]);
        }
        if (lNormals) {
            mObjText += '/';
            AppendInteger(mObjText,
                          pParts.mFirstNormal + (pParts.mNormalsByPoint ? lPoint : lPosition));
        }
    }
    mObjText += '\n';
    Emit();
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
    // "d" is the opacity everywhere; "Tr" would be read as its complement by most readers.
    AppendVector(mMtlText, "d", &lOpacity, 1);
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
    const std::string lTarget = KSideFile::GetPathBeside(mWriter.mFileName.Buffer(), lName);
    // In the write's group: a write that fails leaves no copy behind.
    KMediaCopy::Copy(lSource.c_str(), pTexture->GetRelativeFileName(), lTarget.c_str(),
                     mWriter.GetMessage(), mWriter.GetWriteGroup());
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
    errno = 0;
    if (pFileName && *pFileName) {
        CreateFileFolders(pFileName);
        // The OBJ file and its material library go in place together: with the caller's group,
        // else with one of the writer's own.
        StartOwnGroup(pFileName);
        mOutput.SetGroup(GetWriteGroup());
        mStream = mOutput.Create(pFileName) ? mOutput.GetStream() : nullptr;
    }
    if (!mStream) {
        EndOwnGroup(false);
        return FailCreate(kFileNotOpened, pFileName);
    }
    // The side files go beside the output as it was named (KSideFile).
    mFileName = pFileName;
    return true;
}

bool KWriterObj::FileClose()
{
    // Only a successful Write replaces the target.
    mOutput.Discard();
    EndOwnGroup(false);
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
    return KSideFile::GetPath(pObjPath, ".obj", ".mtl");
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
        lWritten = FailCommit(mFileName.Buffer());
    }
    mOutput.Discard();
    lWritten = EndOwnGroup(lWritten);
    mStream = nullptr;
    return lWritten;
}
