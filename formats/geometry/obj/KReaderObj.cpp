#include "formats/geometry/obj/KReaderObj.h"

#include "core/KByteSource.h"
#include "core/KFileUtils.h"
#include "core/KQuotedValue.h"
#include "core/KVector2.h"
#include "core/KVector4.h"
#include "formats/geometry/obj/KObjLineCounts.h"
#include "formats/geometry/obj/KObjMaterialLibrary.h"
#include "formats/geometry/obj/KObjMeshBuilder.h"
#include "formats/geometry/obj/KObjTextReader.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "io/KReadRollback.h"
#include "scene/KRenamingStrategy.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvTexture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
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
    // Opens the libraries an "mtllib" line names, each by its name with escapes read and, when
    // that is not found, as it stands. False when any fails to open (the others stay open) or
    // none is named.
    bool OpenLibraries(std::string_view pArguments);
    bool ReadPoint(std::string_view pKeyword, std::string_view pArguments);
    void UseMaterial(std::string_view pArguments);
    bool AddFace(std::string_view pArguments);
    void ReadCurveType(std::string_view pArguments);
    bool ReadSurface(std::string_view pArguments);
    void SkipToEnd();
    KObjGroup& CurrentGroup();

    bool BuildScene(KRyvScene* pScene, bool pCreateReferenceNode);
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

    KObjReadLists mLists;
    std::size_t mParameterCount = 0;

    std::map<std::string, KObjGroup> mGroups;
    std::string mGroupName = "default";
    KObjGroup* mGroup = nullptr;
    // The face list of the current group and smoothing group; null after either changes.
    KObjFaceSet* mFaceSet = nullptr;
    // The "f" lines the line count found, until the first face list is made.
    std::size_t mExpectedFaces = 0;
    std::unordered_map<std::string, int> mMaterialTable;
    std::vector<KObjSurface> mSurfaces;

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
    mLists.mVertices.reserve(std::min(lCounts.mVertices, kMaxListSize));
    mLists.mUVs.reserve(std::min(lCounts.mUVs, kMaxListSize));
    mLists.mNormals.reserve(std::min(lCounts.mNormals, kMaxListSize));
    mLists.mCorners.reserve(std::min(lCounts.mCorners, kMaxListSize));
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

bool KReaderObj::Session::OpenLibraries(std::string_view pArguments)
{
    bool lAll = !pArguments.empty();
    std::string lName;
    std::string_view lRaw;
    while (KObjTextReader::NextEscapedWord(pArguments, lName, &lRaw)) {
        // A name written elsewhere may instead use the '\\' between folders ("maps\\wood.mtl").
        const bool lOpened = mReader.mLibraries->Open(lName, mFolder) ||
                             (lRaw != lName && mReader.mLibraries->Open(lRaw, mFolder));
        lAll = lOpened && lAll;
    }
    return lAll;
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
        // Names are split at blanks, which a '\\' before them keeps in the name.
        if (!OpenLibraries(pArguments)) {
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
        if (mLists.mVertices.size() >= kMaxListSize) {
            return Fail(mText.GetLineNumber(), "too many vertices");
        }
        mLists.mVertices.emplace_back(lValues[0], lValues[1], lValues[2], lValues[3]);
    } else if (lIsNormal) {
        if (mLists.mNormals.size() >= kMaxListSize) {
            return Fail(mText.GetLineNumber(), "too many normals");
        }
        mLists.mNormals.emplace_back(lValues[0], lValues[1], lValues[2], 0.0);
    } else if (pKeyword == "vt") {
        if (mLists.mUVs.size() >= kMaxListSize) {
            return Fail(mText.GetLineNumber(), "too many texture vertices");
        }
        mLists.mUVs.emplace_back(lValues[0], lCount > 1 ? lValues[1] : 0.0);
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
    mMaterial = static_cast<int>(mLists.mMaterials.size());
    mLists.mMaterials.push_back({lMaterial, lTexture});
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
    const std::size_t lFirst = mLists.mCorners.size();
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
            mLists.mCorners.resize(lFirst);
            return true;
        }
        const KObjCorner lCorner = {Resolve(lNumbers[0], mLists.mVertices.size()),
                                    Resolve(lNumbers[1], mLists.mUVs.size()),
                                    Resolve(lNumbers[2], mLists.mNormals.size())};
        if (lCorner.mVertex < 0) {
            if (mBadCorners++ == 0) {
                mBadCornerLine = mText.GetLineNumber();
            }
            continue;
        }
        lHasNormals = lHasNormals && lCorner.mNormal >= 0;
        mLists.mCorners.push_back(lCorner);
    }
    const std::size_t lCount = mLists.mCorners.size() - lFirst;
    if (lWords < 3) {
        mLists.mCorners.resize(lFirst);
        return true;
    }
    // Normal generation and every consumer of polygons need three corners.
    if (lCount < 3) {
        mLists.mCorners.resize(lFirst);
        if (mDroppedFaces++ == 0) {
            mDroppedFaceLine = mText.GetLineNumber();
        }
        return true;
    }
    if (mLists.mCorners.size() > kMaxListSize) {
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
    const bool lTextured = mMaterial >= 0 && mLists.mMaterials[mMaterial].mTexture;
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
            const int lVertex = Resolve(lReference, mLists.mVertices.size());
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
        lPoints[lPosition] = mLists.mVertices[pSurface.mVertices[i]];
    }
    if (pSurface.mMaterial >= 0) {
        const KObjMaterialEntry& lEntry = mLists.mMaterials[pSurface.mMaterial];
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
    KObjMeshBuilder lBuilder(mFactory, mRollback, mLists, mLibrarySeen);
    for (auto& lEntry : mGroups) {
        KObjGroup& lGroup = lEntry.second;
        KRyvNode* lNode = CreateNode(lGroup.mName);
        if (!lNode) {
            return Fail(0, "the node of group " + KQuoteValue(lGroup.mName) + " could not be made");
        }
        KRyvMesh* lMesh = lBuilder.Build(lGroup, &lEntry == &*mGroups.rbegin());
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
