#include "formats/geometry/obj/KReaderObj.h"

#include "core/KByteSource.h"
#include "core/KFileUtils.h"
#include "core/KQuotedValue.h"
#include "core/KVector2.h"
#include "core/KVector4.h"
#include "formats/geometry/obj/KObjLineCounts.h"
#include "formats/geometry/obj/KObjMaterialLibrary.h"
#include "formats/geometry/obj/KObjPageAllocator.h"
#include "formats/geometry/obj/KObjTextReader.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "io/KReadRollback.h"
#include "scene/KRenamingStrategy.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvTexture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <new>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// Lists read from a file are indexed with int.
constexpr std::size_t kMaxListSize = INT_MAX / 2;
// Distinct unsupported keywords reported per read; a text file of another kind stays readable.
constexpr std::size_t kMaxUnsupportedReports = 32;
constexpr int kShadingModeTextured = 5;
constexpr int kStepsPerSpan = 3;
// The "cstype" of the only surfaces read, rational B-splines.
constexpr int kCurveTypeBSpline = 3;
// Distinct triples of one vertex searched linearly before a hash table takes over.
constexpr int kMaxChainLength = 16;

struct KObjCorner
{
    int mVertex;
    int mUV;
    int mNormal;
};

struct KObjCornerKey
{
    int mVertex;
    int mUV;
    int mNormal;

    bool operator==(const KObjCornerKey& pOther) const
    {
        return mVertex == pOther.mVertex && mUV == pOther.mUV && mNormal == pOther.mNormal;
    }
};

struct KObjCornerKeyHash
{
    std::size_t operator()(const KObjCornerKey& pKey) const
    {
        std::uint64_t lHash = static_cast<std::uint32_t>(pKey.mVertex);
        lHash = lHash * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(pKey.mUV);
        lHash = lHash * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(pKey.mNormal);
        return static_cast<std::size_t>(lHash ^ (lHash >> 29));
    }
};

struct KObjFace
{
    std::uint32_t mFirst; // in the read's corner list, which is capped below 2^31
    int mCount;
    int mMaterial; // index in the read's material list, -1 for none
    bool mHasNormals;
};

// The faces of one smoothing group; their corners are in the read's one corner list.
struct KObjFaceSet
{
    KObjList<KObjFace> mFaces;
};

struct KObjGroup
{
    std::string mName;
    // By smoothing group, ascending as unsigned numbers.
    std::map<std::uint32_t, KObjFaceSet> mSets;
    bool mAllNormals = true;
    bool mAllTextured = true;
    bool mSomeTextured = false;
};

// What a group's mesh is made of besides its polygons, which go into the mesh as the corners are
// matched: one point per distinct (vertex, UV, normal) triple, numbered in the order of their
// first corners. Kept as small as it can be: the mesh's own points and normals are the peak.
struct KObjMeshBuild
{
    // Per point: its vertex in the reader's vertices.
    KObjList<int> mPointVertex;
    // Per point that does not take its face's own flat normal, in point order: its normal in the
    // reader's normals, -1 when none.
    KObjList<int> mPointNormal;
    // Per polygon: its points take the polygon's flat normal.
    std::vector<bool> mFlatPolygons;
    std::vector<KVector2> mUVs;
    // Per point, only when the file has texture vertices: its UV in mUVs, -1 when none.
    KObjList<int> mPointUV;
    int mPointCount = 0;
};

// The mesh indices of the materials and textures its faces use, each added when first used.
struct KObjMeshIndices
{
    bool mMaterialsByPolygon = false;
    // The index of every polygon when materials are not by polygon.
    int mDefaultMaterial = -1;
    bool mTexturesByPolygon = false;
    std::unordered_map<KRyvMaterial*, int> mMaterials;
    std::unordered_map<KRyvTexture*, int> mTextures;
};

// A generated flat normal is not stored: its corners carry the code of their polygon (always
// below -1, unique per face, so corners of different faces never match) and the mesh's normal
// is worked out from the polygon's points once they are in place.
int FlatNormalCode(std::size_t pPolygon)
{
    return -2 - static_cast<int>(pPolygon);
}

bool IsFlatNormalCode(int pNormal)
{
    return pNormal < -1;
}

KVector4 TriangleNormal(const KVector4& pP0, const KVector4& pP1, const KVector4& pP2)
{
    const KVector4 lA(pP1[0] - pP0[0], pP1[1] - pP0[1], pP1[2] - pP0[2]);
    const KVector4 lB(pP2[0] - pP0[0], pP2[1] - pP0[1], pP2[2] - pP0[2]);
    KVector4 lNormal(lA[1] * lB[2] - lA[2] * lB[1], lA[2] * lB[0] - lA[0] * lB[2],
                     lA[0] * lB[1] - lA[1] * lB[0]);
    const double lLength = std::sqrt(lNormal.DotProduct(lNormal));
    if (lLength > 0.0 && std::isfinite(lLength)) {
        lNormal *= 1.0 / lLength;
    }
    return lNormal;
}

struct KObjMaterialEntry
{
    KRyvMaterial* mMaterial;
    KRyvTexture* mTexture;
};

struct KObjSurface
{
    int mType;
    bool mRational;
    int mDegreeU;
    int mDegreeV;
    int mMaterial;
    std::string mGroupName;
    long long mLine;
    std::vector<int> mVertices;
    std::vector<double> mUKnots;
    std::vector<double> mVKnots;
};

std::string Lower(std::string_view pText)
{
    std::string lLower(pText);
    for (char& lChar : lLower) {
        if (lChar >= 'A' && lChar <= 'Z') {
            lChar = static_cast<char>(lChar - 'A' + 'a');
        }
    }
    return lLower;
}

// A reference as "%d" reads it: 0 when absent or not a number; an out-of-range number gives a
// value no list can hold.
long long ParseReference(std::string_view pText)
{
    if (pText.empty()) {
        return 0;
    }
    long long lValue = 0;
    if (KObjTextReader::ParseInteger(pText, lValue)) {
        return lValue;
    }
    const std::size_t lDigit = pText[0] == '-' || pText[0] == '+' ? 1 : 0;
    const bool lIsNumber = lDigit < pText.size() && pText[lDigit] >= '0' && pText[lDigit] <= '9';
    return lIsNumber ? LLONG_MIN : 0;
}

int AddToMesh(KRyvMesh& ioMesh, KRyvMaterial* pMaterial)
{
    return ioMesh.AddMaterial(pMaterial);
}

int AddToMesh(KRyvMesh& ioMesh, KRyvTexture* pTexture)
{
    return ioMesh.AddTexture(pTexture);
}

// n >= 1 counts from the first entry, n < 0 back from the last; anything else is -1.
int Resolve(long long pReference, std::size_t pCount)
{
    const long long lCount = static_cast<long long>(pCount);
    if (pReference >= 1 && pReference <= lCount) {
        return static_cast<int>(pReference - 1);
    }
    if (pReference < 0 && pReference >= -lCount) {
        return static_cast<int>(lCount + pReference);
    }
    return -1;
}

// Takes the corner word at the front of ioText (which starts on a word) off it and reads its
// up to three references split at '/' into oNumbers (left at 0 when absent); text after a
// second '/' belongs to the third. Plain short decimals are read in one pass over the text; any
// other word goes through ParseReference part by part.
void ReadCorner(std::string_view& ioText, long long* oNumbers)
{
    const char* lChar = ioText.data();
    const char* lEnd = lChar + ioText.size();
    for (int lPart = 0;; ++lPart, ++lChar) {
        if (lChar != lEnd && *lChar != '/' && !KObjTextReader::IsSpace(*lChar)) {
            const bool lNegative = *lChar == '-';
            const char* lDigits = lNegative ? lChar + 1 : lChar;
            const char* lDigit = lDigits;
            long long lValue = 0;
            while (lDigit != lEnd && lDigit - lDigits < 18 && *lDigit >= '0' && *lDigit <= '9') {
                lValue = lValue * 10 + (*lDigit - '0');
                ++lDigit;
            }
            if (lDigit == lDigits) {
                break;
            }
            oNumbers[lPart] = lNegative ? -lValue : lValue;
            lChar = lDigit;
        }
        if (lChar == lEnd || KObjTextReader::IsSpace(*lChar)) {
            ioText.remove_prefix(static_cast<std::size_t>(lChar - ioText.data()));
            return;
        }
        if (*lChar != '/' || lPart == 2) {
            break;
        }
    }
    oNumbers[0] = oNumbers[1] = oNumbers[2] = 0;
    std::string_view lWord;
    KObjTextReader::NextWord(ioText, lWord);
    const std::size_t lFirstSlash = lWord.find('/');
    oNumbers[0] = ParseReference(lWord.substr(0, lFirstSlash));
    if (lFirstSlash != std::string_view::npos) {
        const std::string_view lRest = lWord.substr(lFirstSlash + 1);
        const std::size_t lSecondSlash = lRest.find('/');
        oNumbers[1] = ParseReference(lRest.substr(0, lSecondSlash));
        if (lSecondSlash != std::string_view::npos) {
            oNumbers[2] = ParseReference(lRest.substr(lSecondSlash + 1));
        }
    }
}

} // namespace

// The state of one Read; a new one per read, so nothing leaks from the previous file.
class KReaderObj::Session
{
public:
    Session(KReaderObj& pReader, KStreamOptions& pOptions)
        : mReader(pReader), mFactory(pReader.GetOwner()), mRollback(mFactory), mOptions(pOptions),
          mText(pReader.mSource->GetStream()),
          mFileName(GetFileName(pReader.mSource->GetName().c_str()).Buffer()),
          mFolder(GetFileDirectory(pReader.mSource->GetName().c_str()).Buffer())
    {
    }

    // Everything the read made goes back to the factory unless Run succeeds.
    bool Run(KRyvScene* pScene, bool pCreateReferenceNode);

private:
    bool Fail(long long pLine, const std::string& pWhy);
    void Warn(long long pLine, const std::string& pWhy);
    void ReserveLists();
    bool ReadStatements();
    bool HandleStatement(std::string_view pKeyword, std::string_view pArguments);
    bool ReadPoint(std::string_view pKeyword, std::string_view pArguments);
    void UseMaterial(std::string_view pArguments);
    bool AddFace(std::string_view pArguments);
    void ReadCurveType(std::string_view pArguments);
    bool ReadSurface(std::string_view pArguments);
    void SkipToEnd();
    KObjGroup& CurrentGroup();

    bool BuildScene(KRyvScene* pScene, bool pCreateReferenceNode);
    void GenerateNormals(KObjGroup& ioGroup);
    KVector4 FaceNormal(const KObjFace& pFace) const;
    KRyvMesh* BuildMesh(KObjGroup& ioGroup, bool pLastGroup);
    // Sets up the mesh's material and texture indices and makes room for the group's polygons;
    // answers the number of faces.
    std::size_t InitPolygonIndices(const KObjGroup& pGroup, KRyvMesh& ioMesh,
                                   KObjMeshIndices& oIndices);
    void BeginFacePolygon(const KObjFace& pFace, KRyvMesh& ioMesh, KObjMeshIndices& ioIndices);
    void AddPolygons(const KObjGroup& pGroup, KRyvMesh& ioMesh, KObjMeshBuild& oBuild);
    int AddCorner(const KObjFace& pFace, int pCorner, const int* pFacePoints,
                  KObjMeshBuild& ioBuild);
    void ReleaseTriples();
    void FillPoints(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild);
    void FillNormals(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild);
    void SetUVs(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild);
    // The control point of a corner's triple in the mesh being built; -1 when new.
    int FindTriple(const KObjCorner& pCorner);
    void AddTriple(const KObjCorner& pCorner, int pPoint);
    void BuildSurface(const KObjSurface& pSurface, KRyvNode* pRoot);
    KRyvNode* CreateNode(const std::string& pName);

    KReaderObj& mReader;
    KRyvObjectFactory* mFactory;
    KReadRollback mRollback;
    KStreamOptions& mOptions;
    KObjTextReader mText;
    std::string mFileName;
    std::string mFolder;
    long long mFileSize = 0;
    KNumberSuffixRenamingStrategy mNames;

    KObjList<KVector4> mVertices;
    KObjList<KVector2> mUVs;
    KObjList<KVector4> mNormals;
    std::size_t mParameterCount = 0;

    std::map<std::string, KObjGroup> mGroups;
    std::string mGroupName = "default";
    KObjGroup* mGroup = nullptr;
    // The face list of the current group and smoothing group; null after either changes.
    KObjFaceSet* mFaceSet = nullptr;
    // The "f" lines the line count found, until the first face list is made.
    std::size_t mExpectedFaces = 0;
    std::vector<KObjMaterialEntry> mMaterials;
    std::unordered_map<std::string, int> mMaterialTable;
    std::vector<KObjSurface> mSurfaces;
    KRyvTexture* mEmptyTexture = nullptr;

    int mMaterial = -1;
    std::uint32_t mSmoothing = 0;
    int mCurveType = 0;
    bool mRational = false;
    int mDegreeU = 0;
    int mDegreeV = 0;
    bool mLibrarySeen = false;
    bool mTexturedSeen = false;
    long long mKnownStatements = 0;
    std::set<std::string> mUnsupported;
    long long mBadCorners = 0;
    long long mBadCornerLine = 0;
    long long mDroppedFaces = 0;
    long long mDroppedFaceLine = 0;
    // The corners of all faces, in the order read.
    KObjList<KObjCorner> mCorners;
    // Corner de-duplication of the mesh being built: per vertex a chain of its triples, and for
    // the few vertices with long chains a hash table instead.
    struct Triple
    {
        int mUV;
        int mNormal;
        int mPoint;
        int mNext;
    };
    struct Chain
    {
        int mHead = -1;
        int mLength = 0;
    };
    KObjList<Chain> mChains;
    // The corners of the mesh being built.
    std::size_t mMeshCorners = 0;
    KObjList<Triple> mTriples;
    KObjList<int> mTouchedVertices;
    std::unordered_map<KObjCornerKey, int, KObjCornerKeyHash> mLongChains;
};

bool KReaderObj::Session::Fail(long long pLine, const std::string& pWhy)
{
    std::string lText = mFileName;
    if (pLine > 0) {
        lText += ":" + std::to_string(pLine);
    }
    lText += ": " + pWhy;
    mReader.GetError().SetLastError(KReader::kFileCorrupted, lText.c_str());
    lText += "\n";
    mReader.GetMessage() += lText.c_str();
    return false;
}

void KReaderObj::Session::Warn(long long pLine, const std::string& pWhy)
{
    const std::string lText = mFileName + ":" + std::to_string(pLine) + ": " + pWhy + "\n";
    mReader.GetMessage() += lText.c_str();
}

bool KReaderObj::Session::Run(KRyvScene* pScene, bool pCreateReferenceNode)
{
    if (std::fseek(mReader.mSource->GetStream(), 0, SEEK_END) == 0) {
        mFileSize = std::ftell(mReader.mSource->GetStream());
    }
    ReserveLists();
    mText.Rewind();
    mReader.mLibraries = std::make_unique<KObjMaterialLibrary>();
    const bool lRead = ReadStatements();
    for (int i = 0; i < mReader.mLibraries->GetCount(); ++i) {
        mReader.AddCompanionFile(mReader.mLibraries->GetPath(i));
    }
    mReader.mLibraries.reset();
    if (!lRead) {
        return false;
    }
    if (mBadCorners > 0) {
        Warn(mBadCornerLine,
             std::to_string(mBadCorners) + " face corners refer to no vertex and were left out");
    }
    if (mDroppedFaces > 0) {
        Warn(mDroppedFaceLine,
             std::to_string(mDroppedFaces) + " faces kept fewer than 3 corners and were dropped");
    }
    if (!BuildScene(pScene, pCreateReferenceNode)) {
        return false;
    }
    mRollback.Commit();
    return true;
}

void KReaderObj::Session::ReserveLists()
{
    std::FILE* lStream = mReader.mSource->GetStream();
    if (std::fseek(lStream, 0, SEEK_SET) != 0) {
        return;
    }
    KObjLineCounts lCounts;
    lCounts.Count(lStream);
    mVertices.reserve(std::min(lCounts.mVertices, kMaxListSize));
    mUVs.reserve(std::min(lCounts.mUVs, kMaxListSize));
    mNormals.reserve(std::min(lCounts.mNormals, kMaxListSize));
    mCorners.reserve(std::min(lCounts.mCorners, kMaxListSize));
    mExpectedFaces = std::min(lCounts.mFaces, kMaxListSize);
}

bool KReaderObj::Session::ReadStatements()
{
    long long lStatements = 0;
    while (mText.Next()) {
        if (mText.HasZeroByte()) {
            return Fail(mText.GetLineNumber(), "not an OBJ file (it holds binary data)");
        }
        if ((++lStatements & 0x3FFF) == 0 && mFileSize > 0) {
            const long long lPosition = std::ftell(mReader.mSource->GetStream());
            mOptions.ReportProgress("Reading OBJ file",
                                    static_cast<float>(100.0 * lPosition / mFileSize));
        }
        if (!HandleStatement(mText.GetKeyword(), mText.GetArguments())) {
            return false;
        }
    }
    if (mText.HasZeroByte()) {
        return Fail(mText.GetLineNumber(), "not an OBJ file (it holds binary data)");
    }
    if (mText.HasReadError()) {
        return Fail(0, "the file could not be read to its end");
    }
    if (mKnownStatements == 0) {
        return Fail(0, "not an OBJ file (no OBJ statement found)");
    }
    return true;
}

bool KReaderObj::Session::HandleStatement(std::string_view pKeyword, std::string_view pArguments)
{
    if (pKeyword[0] == '#') {
        return true;
    }
    ++mKnownStatements;
    if (pKeyword == "v" || pKeyword == "vn" || pKeyword == "vt" || pKeyword == "vp") {
        return ReadPoint(pKeyword, pArguments);
    }
    if (pKeyword == "f") {
        return AddFace(pArguments);
    }
    if (pKeyword == "mtllib") {
        mLibrarySeen = true;
        std::string_view lWord;
        bool lAll = !pArguments.empty();
        // Names are split at blanks, as the file format knows no quoting.
        while (KObjTextReader::NextWord(pArguments, lWord)) {
            lAll = mReader.mLibraries->Open(lWord, mFolder) && lAll;
        }
        if (!lAll) {
            mReader.GetMessage() += "Unable to load material library\n";
        }
    } else if (pKeyword == "usemtl") {
        UseMaterial(pArguments);
    } else if (pKeyword == "g") {
        std::string lName(pArguments);
        const std::size_t lBlank = lName.find(' ');
        if (lBlank != std::string::npos) {
            lName[lBlank] = '_';
        }
        mGroupName = lName.empty() ? "default" : lName;
        mGroup = nullptr;
        mFaceSet = nullptr;
    } else if (pKeyword == "s") {
        long long lValue = 0;
        if (pArguments.substr(0, 3) == "off") {
            mSmoothing = 0;
        } else if (KObjTextReader::ParseInteger(pArguments, lValue) && lValue >= INT_MIN &&
                   lValue <= INT_MAX) {
            mSmoothing = static_cast<std::uint32_t>(static_cast<int>(lValue));
        }
        mFaceSet = nullptr;
    } else if (pKeyword == "mg" || pKeyword == "o" || pKeyword == "bmat" || pKeyword == "step") {
        // Merging groups, object names, basis matrices and steps carry nothing the scene keeps.
    } else if (pKeyword == "cstype") {
        ReadCurveType(pArguments);
    } else if (pKeyword == "deg") {
        double lDegrees[2] = {0.0, 0.0};
        const int lCount = KObjTextReader::ParseDoubles(pArguments, lDegrees, 2);
        if (lCount >= 1 && std::abs(lDegrees[0]) < 1e6) {
            mDegreeU = static_cast<int>(lDegrees[0]);
        }
        if (lCount == 2 && std::abs(lDegrees[1]) < 1e6) {
            mDegreeV = static_cast<int>(lDegrees[1]);
        }
    } else if (pKeyword == "curv" || pKeyword == "curv2") {
        SkipToEnd();
    } else if (pKeyword == "surf") {
        return ReadSurface(pArguments);
    } else {
        --mKnownStatements;
        std::string lKeyword(KValuePrefix(pKeyword));
        if (mUnsupported.size() < kMaxUnsupportedReports && mUnsupported.insert(lKeyword).second) {
            mReader.GetMessage() += ("Object not supported : " + lKeyword + "\n").c_str();
        }
    }
    return true;
}

bool KReaderObj::Session::ReadPoint(std::string_view pKeyword, std::string_view pArguments)
{
    double lValues[4] = {0.0, 0.0, 0.0, 1.0};
    const int lCount = KObjTextReader::ParseDoubles(pArguments, lValues, 4);
    const bool lIsVertex = pKeyword == "v";
    const bool lIsNormal = pKeyword == "vn";
    const int lNeeded = lIsVertex || lIsNormal ? 3 : 1;
    if (lCount < lNeeded) {
        return Fail(mText.GetLineNumber(), "\"" + std::string(pKeyword) + "\" needs " +
                                               std::to_string(lNeeded) + " number" +
                                               (lNeeded > 1 ? "s" : ""));
    }
    if (lIsVertex) {
        if (lCount < 4) {
            lValues[3] = 1.0;
        }
        if (mVertices.size() >= kMaxListSize) {
            return Fail(mText.GetLineNumber(), "too many vertices");
        }
        mVertices.emplace_back(lValues[0], lValues[1], lValues[2], lValues[3]);
    } else if (lIsNormal) {
        if (mNormals.size() >= kMaxListSize) {
            return Fail(mText.GetLineNumber(), "too many normals");
        }
        mNormals.emplace_back(lValues[0], lValues[1], lValues[2], 0.0);
    } else if (pKeyword == "vt") {
        if (mUVs.size() >= kMaxListSize) {
            return Fail(mText.GetLineNumber(), "too many texture vertices");
        }
        mUVs.emplace_back(lValues[0], lCount > 1 ? lValues[1] : 0.0);
    } else {
        // Parameter vertices belong to curves on surfaces, which are not read.
        ++mParameterCount;
    }
    return true;
}

void KReaderObj::Session::UseMaterial(std::string_view pArguments)
{
    std::string_view lName;
    if (!KObjTextReader::NextWord(pArguments, lName)) {
        return;
    }
    const std::string lKey = Lower(lName);
    const auto lFound = mMaterialTable.find(lKey);
    if (lFound != mMaterialTable.end()) {
        mMaterial = lFound->second;
        return;
    }
    KRyvMaterial* lMaterial = nullptr;
    KRyvTexture* lTexture = nullptr;
    const bool lInLibrary = mReader.ReadMaterial(lName, lMaterial, lTexture);
    mRollback.AddMaterial(lMaterial);
    if (mRollback.AddTexture(lTexture)) {
        mTexturedSeen = true;
    }
    if (!lInLibrary) {
        mReader.GetMessage() +=
            ("Unable to read material " + KQuoteValue(lName) + " in .mtl file\n").c_str();
    }
    mMaterial = static_cast<int>(mMaterials.size());
    mMaterials.push_back({lMaterial, lTexture});
    mMaterialTable.emplace(lKey, mMaterial);
}

KObjGroup& KReaderObj::Session::CurrentGroup()
{
    if (!mGroup) {
        KObjGroup& lGroup = mGroups[Lower(mGroupName)];
        if (lGroup.mName.empty()) {
            lGroup.mName = mGroupName;
        }
        mGroup = &lGroup;
    }
    return *mGroup;
}

bool KReaderObj::Session::AddFace(std::string_view pArguments)
{
    // The corners go straight into the read's list and are taken back when the face is dropped.
    const std::size_t lFirst = mCorners.size();
    int lWords = 0;
    bool lHasNormals = true;
    for (;;) {
        std::size_t lSkip = 0;
        while (lSkip < pArguments.size() && KObjTextReader::IsSpace(pArguments[lSkip])) {
            ++lSkip;
        }
        pArguments.remove_prefix(lSkip);
        if (pArguments.empty()) {
            break;
        }
        ++lWords;
        long long lNumbers[3] = {0, 0, 0};
        ReadCorner(pArguments, lNumbers);
        if (lNumbers[0] == 0) {
            mCorners.resize(lFirst);
            return true;
        }
        const KObjCorner lCorner = {Resolve(lNumbers[0], mVertices.size()),
                                    Resolve(lNumbers[1], mUVs.size()),
                                    Resolve(lNumbers[2], mNormals.size())};
        if (lCorner.mVertex < 0) {
            if (mBadCorners++ == 0) {
                mBadCornerLine = mText.GetLineNumber();
            }
            continue;
        }
        lHasNormals = lHasNormals && lCorner.mNormal >= 0;
        mCorners.push_back(lCorner);
    }
    const std::size_t lCount = mCorners.size() - lFirst;
    if (lWords < 3) {
        mCorners.resize(lFirst);
        return true;
    }
    // Normal generation and every consumer of polygons need three corners.
    if (lCount < 3) {
        mCorners.resize(lFirst);
        if (mDroppedFaces++ == 0) {
            mDroppedFaceLine = mText.GetLineNumber();
        }
        return true;
    }
    if (mCorners.size() > kMaxListSize) {
        return Fail(mText.GetLineNumber(), "too many face corners");
    }
    KObjGroup& lGroup = CurrentGroup();
    if (!mFaceSet) {
        mFaceSet = &lGroup.mSets[mSmoothing];
        // The first list of faces gets room for them all: in a file of one group it takes them
        // all, and room a later list takes instead is never touched.
        mFaceSet->mFaces.reserve(mExpectedFaces);
        mExpectedFaces = 0;
    }
    const bool lTextured = mMaterial >= 0 && mMaterials[mMaterial].mTexture;
    mFaceSet->mFaces.push_back(
        {static_cast<std::uint32_t>(lFirst), static_cast<int>(lCount), mMaterial, lHasNormals});
    lGroup.mAllNormals = lGroup.mAllNormals && lHasNormals;
    lGroup.mSomeTextured = lGroup.mSomeTextured || lTextured;
    lGroup.mAllTextured = lGroup.mAllTextured && lTextured;
    return true;
}

void KReaderObj::Session::ReadCurveType(std::string_view pArguments)
{
    // Numbered from 1 in this order; 0 is no type yet.
    static const char* const kTypes[] = {"bmatrix", "bezier", "bspline", "cardinal", "taylor"};
    std::string_view lWord;
    while (KObjTextReader::NextWord(pArguments, lWord)) {
        if (lWord == "rat") {
            mRational = true;
            continue;
        }
        for (int i = 0; i < static_cast<int>(std::size(kTypes)); ++i) {
            if (lWord == kTypes[i]) {
                mCurveType = i + 1;
            }
        }
        return;
    }
}

void KReaderObj::Session::SkipToEnd()
{
    while (mText.Next() && mText.GetKeyword() != "end") {
    }
}

bool KReaderObj::Session::ReadSurface(std::string_view pArguments)
{
    if (mCurveType == 0) {
        return Fail(mText.GetLineNumber(), "\"surf\" before any \"cstype\"");
    }
    KObjSurface lSurface{
        mCurveType, mRational, mDegreeU, mDegreeV, mMaterial, mGroupName, mText.GetLineNumber(),
        {},         {},        {}};
    std::string_view lRest = pArguments;
    std::string_view lWord;
    int lWords = 0;
    for (std::string_view lCount = pArguments; KObjTextReader::NextWord(lCount, lWord);) {
        ++lWords;
    }
    if (lWords >= 4) {
        for (int i = 0; i < 4; ++i) {
            KObjTextReader::NextWord(lRest, lWord);
        }
        while (KObjTextReader::NextWord(lRest, lWord)) {
            const long long lReference = ParseReference(lWord.substr(0, lWord.find('/')));
            if (lReference == 0) {
                break;
            }
            const int lVertex = Resolve(lReference, mVertices.size());
            if (lVertex >= 0) {
                lSurface.mVertices.push_back(lVertex);
            }
        }
    }
    while (mText.Next() && mText.GetKeyword() != "end") {
        if (mText.GetKeyword() != "parm") {
            continue;
        }
        std::string_view lKnots = mText.GetArguments();
        std::string_view lDirection;
        KObjTextReader::NextWord(lKnots, lDirection);
        std::vector<double>* lTarget = nullptr;
        if (!lDirection.empty() && lDirection[0] == 'u') {
            lTarget = &lSurface.mUKnots;
        } else if (!lDirection.empty() && lDirection[0] == 'v') {
            lTarget = &lSurface.mVKnots;
        }
        if (!lTarget) {
            continue;
        }
        // A later "parm" line of the same direction replaces the knots.
        lTarget->clear();
        while (KObjTextReader::NextWord(lKnots, lWord)) {
            double lKnot = 0.0;
            KObjTextReader::ParseDouble(lWord, lKnot);
            lTarget->push_back(lKnot);
        }
    }
    ++mKnownStatements;
    mSurfaces.push_back(std::move(lSurface));
    return true;
}

KVector4 KReaderObj::Session::FaceNormal(const KObjFace& pFace) const
{
    return TriangleNormal(mVertices[mCorners[pFace.mFirst].mVertex],
                          mVertices[mCorners[pFace.mFirst + 1].mVertex],
                          mVertices[mCorners[pFace.mFirst + 2].mVertex]);
}

void KReaderObj::Session::GenerateNormals(KObjGroup& ioGroup)
{
    for (auto& lEntry : ioGroup.mSets) {
        KObjFaceSet& lSet = lEntry.second;
        if (lEntry.first == 0) {
            // Outside smoothing groups each face lacking normals gets one of its own. The
            // unsmoothed faces come first, so a face's place here is its polygon's.
            for (std::size_t lPolygon = 0; lPolygon < lSet.mFaces.size(); ++lPolygon) {
                const KObjFace& lFace = lSet.mFaces[lPolygon];
                if (lFace.mHasNormals) {
                    continue;
                }
                for (int i = 0; i < lFace.mCount; ++i) {
                    mCorners[lFace.mFirst + i].mNormal = FlatNormalCode(lPolygon);
                }
            }
            continue;
        }
        struct Sum
        {
            KVector4 mNormal;
            bool mLacking = false;
            int mIndex = -1;
        };
        std::unordered_map<int, Sum> lSums;
        for (const KObjFace& lFace : lSet.mFaces) {
            KVector4 lFaceNormal;
            bool lHaveFaceNormal = false;
            for (int i = 0; i < lFace.mCount; ++i) {
                const KObjCorner& lCorner = mCorners[lFace.mFirst + i];
                Sum& lSum = lSums[lCorner.mVertex];
                if (lCorner.mNormal >= 0) {
                    lSum.mNormal += mNormals[lCorner.mNormal];
                    continue;
                }
                if (!lHaveFaceNormal) {
                    lFaceNormal = FaceNormal(lFace);
                    lHaveFaceNormal = true;
                }
                lSum.mNormal += lFaceNormal;
                lSum.mLacking = true;
            }
        }
        for (const KObjFace& lFace : lSet.mFaces) {
            for (int i = 0; i < lFace.mCount; ++i) {
                KObjCorner& lCorner = mCorners[lFace.mFirst + i];
                if (lCorner.mNormal >= 0) {
                    continue;
                }
                Sum& lSum = lSums[lCorner.mVertex];
                if (lSum.mIndex < 0) {
                    KVector4 lNormal = lSum.mNormal;
                    const double lLength = std::sqrt(lNormal.DotProduct(lNormal));
                    if (lLength > 0.0 && std::isfinite(lLength)) {
                        lNormal *= 1.0 / lLength;
                    }
                    lSum.mIndex = static_cast<int>(mNormals.size());
                    mNormals.push_back(lNormal);
                }
                lCorner.mNormal = lSum.mIndex;
            }
        }
    }
}

int KReaderObj::Session::FindTriple(const KObjCorner& pCorner)
{
    // Sized on first use: a mesh of flat faces never needs the table.
    if (mChains.empty()) {
        mChains.resize(mVertices.size());
    }
    const Chain& lChain = mChains[static_cast<std::size_t>(pCorner.mVertex)];
    if (lChain.mLength > kMaxChainLength) {
        const auto lFound = mLongChains.find({pCorner.mVertex, pCorner.mUV, pCorner.mNormal});
        return lFound == mLongChains.end() ? -1 : lFound->second;
    }
    for (int lTriple = lChain.mHead; lTriple >= 0; lTriple = mTriples[lTriple].mNext) {
        if (mTriples[lTriple].mUV == pCorner.mUV && mTriples[lTriple].mNormal == pCorner.mNormal) {
            return mTriples[lTriple].mPoint;
        }
    }
    return -1;
}

void KReaderObj::Session::AddTriple(const KObjCorner& pCorner, int pPoint)
{
    Chain& lChain = mChains[static_cast<std::size_t>(pCorner.mVertex)];
    if (lChain.mHead < 0) {
        mTouchedVertices.push_back(pCorner.mVertex);
    }
    if (mTriples.empty()) {
        // Most corners of a usual mesh share their triple with others, so the points rarely
        // outnumber the file's vertices.
        mTriples.reserve(std::min(mMeshCorners, mVertices.size()));
    }
    mTriples.push_back({pCorner.mUV, pCorner.mNormal, pPoint, lChain.mHead});
    lChain.mHead = static_cast<int>(mTriples.size()) - 1;
    ++lChain.mLength;
    if (lChain.mLength == kMaxChainLength + 1) {
        // Every corner of a vertex may carry a normal of its own (flat shading of a fan), so a
        // chain could grow with the vertex's degree; past a few entries it moves to the table.
        for (int lTriple = lChain.mHead; lTriple >= 0; lTriple = mTriples[lTriple].mNext) {
            const Triple& lMoved = mTriples[lTriple];
            mLongChains.emplace(KObjCornerKey{pCorner.mVertex, lMoved.mUV, lMoved.mNormal},
                                lMoved.mPoint);
        }
    } else if (lChain.mLength > kMaxChainLength) {
        mLongChains.emplace(KObjCornerKey{pCorner.mVertex, pCorner.mUV, pCorner.mNormal}, pPoint);
    }
}

KRyvMesh* KReaderObj::Session::BuildMesh(KObjGroup& ioGroup, bool pLastGroup)
{
    if (!ioGroup.mAllNormals) {
        GenerateNormals(ioGroup);
    }
    KRyvMesh* lMesh = mFactory->CreateMesh();
    mRollback.AddAttribute(lMesh);
    if (!lMesh) {
        return nullptr;
    }
    KObjMeshBuild lBuild;
    AddPolygons(ioGroup, *lMesh, lBuild);
    // Each step gives back what no later one reads before the next allocates: the mesh's own
    // points and normals are the peak of the read, so nothing else should stand beside them.
    ioGroup.mSets.clear();
    ReleaseTriples();
    if (pLastGroup) {
        KObjList<KObjCorner>().swap(mCorners);
        KObjList<KVector2>().swap(mUVs);
        KObjList<Chain>().swap(mChains);
        KObjList<int>().swap(mTouchedVertices);
    }
    FillPoints(*lMesh, lBuild);
    if (pLastGroup) {
        KObjList<KVector4>().swap(mVertices);
    }
    FillNormals(*lMesh, lBuild);
    if (pLastGroup) {
        KObjList<KVector4>().swap(mNormals);
    }
    SetUVs(*lMesh, lBuild);
    return lMesh;
}

std::size_t KReaderObj::Session::InitPolygonIndices(const KObjGroup& pGroup, KRyvMesh& ioMesh,
                                                    KObjMeshIndices& oIndices)
{
    std::size_t lFaceCount = 0;
    std::size_t lCornerCount = 0;
    int lFirstMaterial = -1;
    for (const auto& lEntry : pGroup.mSets) {
        lFaceCount += lEntry.second.mFaces.size();
        for (const KObjFace& lFace : lEntry.second.mFaces) {
            lCornerCount += static_cast<std::size_t>(lFace.mCount);
            if (lFace.mMaterial >= 0 && lFirstMaterial < 0) {
                lFirstMaterial = lFace.mMaterial;
            }
        }
    }
    mMeshCorners = lCornerCount;
    const int lFaces = static_cast<int>(std::min<std::size_t>(lFaceCount, INT_MAX));
    ioMesh.ReservePolygons(lFaces, static_cast<int>(std::min<std::size_t>(lCornerCount, INT_MAX)));
    oIndices.mMaterialsByPolygon = mLibrarySeen && lFirstMaterial >= 0;
    if (oIndices.mMaterialsByPolygon) {
        ioMesh.InitMaterialIndices(KRyvMesh::eMappingByPolygon);
        ioMesh.GetLayer(0)->GetMaterials()->GetIndexArray().reserve(lFaceCount);
    } else if (lFirstMaterial >= 0 && mMaterials[lFirstMaterial].mMaterial) {
        ioMesh.InitMaterialIndices(KRyvMesh::eMappingAllSame);
        ioMesh.AddMaterial(mMaterials[lFirstMaterial].mMaterial);
    }
    oIndices.mDefaultMaterial = ioMesh.GetMaterialCount() > 0 ? 0 : -1;
    oIndices.mTexturesByPolygon = pGroup.mSomeTextured;
    if (pGroup.mSomeTextured) {
        ioMesh.InitTextureIndices(KRyvMesh::eMappingByPolygon);
        ioMesh.GetLayer(0)->GetTextures()->GetIndexArray().reserve(lFaceCount);
        if (!pGroup.mAllTextured) {
            if (!mEmptyTexture) {
                mEmptyTexture = mRollback.AddTexture(mFactory->CreateTexture("_empty_"));
                if (mEmptyTexture) {
                    mEmptyTexture->SetDefaultAlpha(0.0);
                }
            }
            oIndices.mTextures[nullptr] = ioMesh.AddTexture(mEmptyTexture);
        }
    }
    return lFaceCount;
}

// The mesh index of a material or texture, which joins the mesh when a face first uses it.
template <class TObject>
int IndexInMesh(KRyvMesh& ioMesh, std::unordered_map<TObject*, int>& ioIndices, TObject* pObject)
{
    auto lFound = ioIndices.find(pObject);
    if (lFound == ioIndices.end()) {
        lFound = ioIndices.emplace(pObject, AddToMesh(ioMesh, pObject)).first;
    }
    return lFound->second;
}

void KReaderObj::Session::BeginFacePolygon(const KObjFace& pFace, KRyvMesh& ioMesh,
                                           KObjMeshIndices& ioIndices)
{
    const KObjMaterialEntry* lEntry = pFace.mMaterial >= 0 ? &mMaterials[pFace.mMaterial] : nullptr;
    int lMaterialIndex = ioIndices.mDefaultMaterial;
    if (ioIndices.mMaterialsByPolygon) {
        lMaterialIndex = lEntry && lEntry->mMaterial
                             ? IndexInMesh(ioMesh, ioIndices.mMaterials, lEntry->mMaterial)
                             : 0;
    }
    int lTextureIndex = -1;
    if (ioIndices.mTexturesByPolygon) {
        KRyvTexture* lTexture = lEntry ? lEntry->mTexture : nullptr;
        lTextureIndex = std::max(0, IndexInMesh(ioMesh, ioIndices.mTextures, lTexture));
    }
    ioMesh.BeginPolygon(lMaterialIndex, lTextureIndex, -1);
}

void KReaderObj::Session::AddPolygons(const KObjGroup& pGroup, KRyvMesh& ioMesh,
                                      KObjMeshBuild& oBuild)
{
    KObjMeshIndices lIndices;
    oBuild.mFlatPolygons.reserve(InitPolygonIndices(pGroup, ioMesh, lIndices));
    // Room for a point per corner: pages a mesh of shared points never fills are never touched.
    oBuild.mPointVertex.reserve(mMeshCorners);
    oBuild.mPointNormal.reserve(mMeshCorners);
    if (!mUVs.empty()) {
        oBuild.mPointUV.reserve(mMeshCorners);
    }
    // Polygons are visited by ascending smoothing group, in file order within one.
    for (const auto& lEntry : pGroup.mSets) {
        for (const KObjFace& lFace : lEntry.second.mFaces) {
            BeginFacePolygon(lFace, ioMesh, lIndices);
            oBuild.mFlatPolygons.push_back(IsFlatNormalCode(mCorners[lFace.mFirst].mNormal));
            const int lStart = ioMesh.GetPolygonVertexCount();
            for (int i = 0; i < lFace.mCount; ++i) {
                ioMesh.AddPolygon(
                    AddCorner(lFace, i, ioMesh.GetPolygonVertices() + lStart, oBuild));
            }
        }
    }
}

int KReaderObj::Session::AddCorner(const KObjFace& pFace, int pCorner, const int* pFacePoints,
                                   KObjMeshBuild& ioBuild)
{
    const KObjCorner& lCorner = mCorners[pFace.mFirst + pCorner];
    const bool lFlat = IsFlatNormalCode(lCorner.mNormal);
    // A flat normal is its face's alone, so only an earlier corner of the same face can share
    // the point: a short face is searched in place, a long one through the table.
    const bool lInFace = lFlat && pFace.mCount <= kMaxChainLength;
    if (lInFace) {
        for (int i = 0; i < pCorner; ++i) {
            const KObjCorner& lEarlier = mCorners[pFace.mFirst + i];
            if (lEarlier.mVertex == lCorner.mVertex && lEarlier.mUV == lCorner.mUV) {
                return pFacePoints[i];
            }
        }
    } else if (const int lFound = FindTriple(lCorner); lFound >= 0) {
        return lFound;
    }
    const int lPoint = ioBuild.mPointCount++;
    if (!lInFace) {
        AddTriple(lCorner, lPoint);
    }
    ioBuild.mPointVertex.push_back(lCorner.mVertex);
    if (!lFlat) {
        ioBuild.mPointNormal.push_back(lCorner.mNormal);
    }
    if (!mUVs.empty()) {
        ioBuild.mPointUV.push_back(lCorner.mUV >= 0 ? static_cast<int>(ioBuild.mUVs.size()) : -1);
        if (lCorner.mUV >= 0) {
            ioBuild.mUVs.push_back(mUVs[lCorner.mUV]);
        }
    }
    return lPoint;
}

void KReaderObj::Session::ReleaseTriples()
{
    for (int lVertex : mTouchedVertices) {
        mChains[static_cast<std::size_t>(lVertex)] = Chain();
    }
    mTouchedVertices.clear();
    KObjList<Triple>().swap(mTriples);
    mLongChains.clear();
}

void KReaderObj::Session::FillPoints(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild)
{
    std::vector<KVector4>& lPoints = ioMesh.GetControlPointArray();
    lPoints.reserve(ioBuild.mPointVertex.size());
    for (int lVertex : ioBuild.mPointVertex) {
        lPoints.push_back(mVertices[static_cast<std::size_t>(lVertex)]);
    }
    KObjList<int>().swap(ioBuild.mPointVertex);
}

void KReaderObj::Session::FillNormals(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild)
{
    ioMesh.InitNormals(ioMesh.GetControlPointCount());
    KVector4* lNormals = ioMesh.GetNormalsDirect();
    if (!lNormals) {
        return;
    }
    const KVector4* lPoints = ioMesh.GetControlPoints();
    const int* lPolygonPoints = ioMesh.GetPolygonVertices();
    const int lPolygonCount = ioMesh.GetPolygonCount();
    // A point's first corner is where the running point number reaches it.
    int lNext = 0;
    std::size_t lOwn = 0;
    for (int lPolygon = 0; lPolygon < lPolygonCount; ++lPolygon) {
        const int lSize = ioMesh.GetPolygonSize(lPolygon);
        const bool lFlat = ioBuild.mFlatPolygons[static_cast<std::size_t>(lPolygon)];
        KVector4 lFlatNormal;
        if (lFlat) {
            lFlatNormal = TriangleNormal(lPoints[lPolygonPoints[0]], lPoints[lPolygonPoints[1]],
                                         lPoints[lPolygonPoints[2]]);
        }
        for (int i = 0; i < lSize; ++i) {
            if (lPolygonPoints[i] != lNext) {
                continue;
            }
            if (lFlat) {
                lNormals[lNext] = lFlatNormal;
            } else if (const int lNormal = ioBuild.mPointNormal[lOwn++]; lNormal >= 0) {
                lNormals[lNext] = mNormals[static_cast<std::size_t>(lNormal)];
            }
            ++lNext;
        }
        lPolygonPoints += lSize;
    }
}

void KReaderObj::Session::SetUVs(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild)
{
    if (ioBuild.mUVs.empty()) {
        return;
    }
    // A corner without a texture vertex in a mesh with UVs gets a (0, 0) of its own, so that the
    // UV index array stays one entry per polygon vertex.
    int lZeroUV = -1;
    for (int& lUV : ioBuild.mPointUV) {
        if (lUV < 0) {
            if (lZeroUV < 0) {
                lZeroUV = static_cast<int>(ioBuild.mUVs.size());
                ioBuild.mUVs.emplace_back(0.0, 0.0);
            }
            lUV = lZeroUV;
        }
    }
    ioMesh.InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    KLayerElementUV* lElement = ioMesh.GetLayer(0)->GetUVs();
    const int* lPolygonPoints = ioMesh.GetPolygonVertices();
    std::vector<int>& lIndices = lElement->GetIndexArray();
    lIndices.resize(static_cast<std::size_t>(ioMesh.GetPolygonVertexCount()));
    for (int& lIndex : lIndices) {
        lIndex = ioBuild.mPointUV[static_cast<std::size_t>(*lPolygonPoints++)];
    }
    lElement->GetDirectArray() = std::move(ioBuild.mUVs);
}

KRyvNode* KReaderObj::Session::CreateNode(const std::string& pName)
{
    KNamePair lName(pName.c_str());
    mNames.Rename(lName);
    return mRollback.AddNode(mFactory->CreateNode(lName.GetCurrentName().Buffer()));
}

void KReaderObj::Session::BuildSurface(const KObjSurface& pSurface, KRyvNode* pRoot)
{
    if (pSurface.mType != kCurveTypeBSpline || !pSurface.mRational) {
        return;
    }
    const long long lUCount =
        static_cast<long long>(pSurface.mVKnots.size()) - pSurface.mDegreeV - 1;
    const long long lVCount =
        static_cast<long long>(pSurface.mUKnots.size()) - pSurface.mDegreeU - 1;
    if (pSurface.mDegreeU < 1 || pSurface.mDegreeV < 1 ||
        pSurface.mDegreeU >= KRyvNurb::kMaxOrder || pSurface.mDegreeV >= KRyvNurb::kMaxOrder ||
        lUCount < 1 || lVCount < 1 || lUCount * lVCount > KRyvNurb::kMaxControlPoints) {
        Warn(pSurface.mLine, "surface dropped: its degrees and knots make no valid NURBS");
        return;
    }
    KRyvNurb* lNurb = mFactory->CreateNurb();
    mRollback.AddAttribute(lNurb);
    if (!lNurb) {
        return;
    }
    const int lU = static_cast<int>(lUCount);
    const int lV = static_cast<int>(lVCount);
    lNurb->SetOrder(pSurface.mDegreeV + 1, pSurface.mDegreeU + 1);
    lNurb->InitControlPoints(lU, KRyvNurb::eOpen, lV, KRyvNurb::eOpen);
    lNurb->SetStep(kStepsPerSpan, kStepsPerSpan);
    std::copy(pSurface.mVKnots.begin(), pSurface.mVKnots.end(), lNurb->GetUKnotVector());
    std::copy(pSurface.mUKnots.begin(), pSurface.mUKnots.end(), lNurb->GetVKnotVector());
    std::vector<KVector4>& lPoints = lNurb->GetControlPointArray();
    for (KVector4& lPoint : lPoints) {
        lPoint.Set(0.0, 0.0, 0.0, 1.0);
    }
    const std::size_t lGrid = static_cast<std::size_t>(lU) * static_cast<std::size_t>(lV);
    for (std::size_t i = 0; i < pSurface.mVertices.size() && i < lGrid; ++i) {
        const std::size_t lPosition = (i % lV) * lU + i / lV;
        lPoints[lPosition] = mVertices[pSurface.mVertices[i]];
    }
    if (pSurface.mMaterial >= 0) {
        const KObjMaterialEntry& lEntry = mMaterials[pSurface.mMaterial];
        if (lEntry.mMaterial) {
            lNurb->AddMaterial(lEntry.mMaterial);
        }
        // The surface's parameters run the other way round: its own copy of the texture is
        // swapped, so meshes sharing the material keep theirs.
        if (lEntry.mTexture) {
            KRyvTexture* lTexture = mRollback.AddTexture(
                mFactory->CreateTexture(lEntry.mTexture->GetNameWithoutPrefix().Buffer()));
            if (lTexture) {
                lTexture->SetFileName(lEntry.mTexture->GetFileName());
                lTexture->SetSwapUV(true);
                lNurb->AddTexture(lTexture);
            }
        }
    }
    KRyvNode* lNode = CreateNode(pSurface.mGroupName);
    if (lNode) {
        lNode->SetNodeAttribute(lNurb);
        pRoot->AddChild(lNode);
    }
}

bool KReaderObj::Session::BuildScene(KRyvScene* pScene, bool pCreateReferenceNode)
{
    KRyvNode* lRoot = pScene->GetRootNode();
    if (!lRoot) {
        return Fail(0, "the scene has no root node");
    }
    for (const KObjSurface& lSurface : mSurfaces) {
        BuildSurface(lSurface, lRoot);
    }
    KRyvNode* lParent = lRoot;
    if (pCreateReferenceNode) {
        const std::string lName = GetFileName(mReader.mSource->GetName().c_str(), false).Buffer();
        lParent = mRollback.AddNode(mFactory->CreateNode((lName + "_root").c_str()));
        if (!lParent) {
            return Fail(0, "the reference node could not be made");
        }
        lRoot->AddChild(lParent);
    }
    mOptions.ReportProgress("Building OBJ meshes", 100.0f);
    for (auto& lEntry : mGroups) {
        KObjGroup& lGroup = lEntry.second;
        KRyvNode* lNode = CreateNode(lGroup.mName);
        if (!lNode) {
            return Fail(0, "the node of group " + KQuoteValue(lGroup.mName) + " could not be made");
        }
        KRyvMesh* lMesh = BuildMesh(lGroup, &lEntry == &*mGroups.rbegin());
        if (!lMesh) {
            return Fail(0, "the mesh of group " + KQuoteValue(lGroup.mName) + " could not be made");
        }
        lNode->SetNodeAttribute(lMesh);
        if (mTexturedSeen) {
            lNode->SetShadingMode(kShadingModeTextured);
        }
        lParent->AddChild(lNode);
    }
    return true;
}

KReaderObj::KReaderObj(KRyvObjectFactory* pOwner) : KReader(pOwner, true) {}

KReaderObj::~KReaderObj()
{
    FileClose();
}

std::unique_ptr<KReader> KReaderObj::Create(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KReaderObj>(pOwner);
}

bool KReaderObj::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mSource = std::move(pSource);
    return true;
}

bool KReaderObj::FileClose()
{
    mSource.reset();
    return true;
}

std::unique_ptr<KStreamOptions> KReaderObj::GetReadOptions()
{
    return std::make_unique<KStreamOptionsObj>();
}

bool KReaderObj::ReadMaterial(std::string_view pName, KRyvMaterial*& oMaterial,
                              KRyvTexture*& oTexture)
{
    oTexture = nullptr;
    oMaterial = GetOwner()->CreateMaterial(std::string(pName).c_str());
    if (!oMaterial || !mLibraries) {
        return false;
    }
    try {
        return mLibraries->ReadMaterial(pName, GetOwner(), oMaterial, oTexture);
    } catch (const std::bad_alloc&) {
        // Nobody else knows these yet: they go back before the failure goes on.
        if (oTexture) {
            GetOwner()->DestroyTexture(oTexture);
        }
        GetOwner()->DestroyMaterial(oMaterial);
        oMaterial = nullptr;
        oTexture = nullptr;
        throw;
    }
}

bool KReaderObj::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!pOptions || !pOptions->IsA(KStreamOptionsObj::ClassId())) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    if (!mSource) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    if (!pScene || !GetOwner()) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    const bool lCreateReferenceNode = static_cast<KStreamOptionsObj*>(pOptions)->GetOptionValue(
                                          KStreamOptionsObj::kCreateReferenceNode) == 1;
    try {
        // A session that fails, or unwinds, hands everything it made back to the factory.
        auto lSession = std::make_unique<Session>(*this, *pOptions);
        return lSession->Run(pScene, lCreateReferenceNode);
    } catch (const std::bad_alloc&) {
        mLibraries.reset();
        GetError().SetLastError(kUnidentifiedError, "Out of memory");
        return false;
    }
}
