#include "formats/motion/htr/KHtrFile.h"

#include "core/KIniFile.h"
#include "core/KMatrixFunctions.h"
#include "core/KQuaternion.h"
#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "formats/motion/KStreamOptionsMotion.h"

#include <cmath>
#include <cstdarg>
#include <cstring>

namespace {

enum ESection { eHeader = 0, eHierarchy = 1, eBasePosition = 2, eEndOfFile = 3 };
enum EHeaderKey {
    eFileType = 0,
    eDataType = 1,
    eFileVersion = 2,
    eNumSegments = 3,
    eNumFrames = 4,
    eDataFrameRate = 5,
    eEulerRotationOrder = 6,
    eCalibrationUnits = 7,
    eRotationUnits = 8,
    eGlobalAxisofGravity = 9,
    eBoneLengthAxis = 10,
    eScaleFactor = 11
};

// The axes of the order words, first letter outermost, in the table's order.
constexpr int kOrderAxes[6][3] = {{2, 1, 0}, {1, 0, 2}, {0, 2, 1}, {2, 0, 1}, {1, 2, 0}, {0, 1, 2}};
constexpr double kLengthFactors[3] = {0.1, 1.0, 2.54};
constexpr double kAngleFactors[2] = {1.0, 57.29577951308232};

bool ReadSetting()
{
    const KIniFile lSettings(KHtrFile::kSettingsName);
    const KString lValue =
        lSettings.GetValue(KHtrFile::kSettingsSection, KHtrFile::kSettingsKey, "Yes");
    return lValue.CompareNoCase("Yes") == 0;
}

} // namespace

KHtrFile::KHtrFile(bool pReport)
    : KTextFile("HTR", " \t\r\n", "#", true, pReport), mSections{{"[Header]", 0},
                                                                 {"[SegmentNames&Hierarchy]", 0},
                                                                 {"[BasePosition]", 0},
                                                                 {"[EndOfFile]", 0},
                                                                 {nullptr, 0}},
      mHeaderKeys{{"FileType", 0},
                  {"DataType", 0},
                  {"FileVersion", 0},
                  {"NumSegments", 0},
                  {"NumFrames", 0},
                  {"DataFrameRate", 0},
                  {"EulerRotationOrder", 0},
                  {"CalibrationUnits", 0},
                  {"RotationUnits", 0},
                  {"GlobalAxisofGravity", 0},
                  {"BoneLengthAxis", 0},
                  {"ScaleFactor", 0},
                  {nullptr, 0}},
      mFileTypes{{"htr", 0}, {nullptr, 0}}, mDataTypes{{"HTRS", 0}, {nullptr, 0}},
      mEulerOrders{{"ZYX", 0}, {"YXZ", 0}, {"XZY", 0},  {"ZXY", 0},
                   {"YZX", 0}, {"XYZ", 0}, {nullptr, 0}},
      mCalibrationUnits{{"mm", 0}, {"cm", 0}, {"in", 0}, {nullptr, 0}},
      mRotationUnits{{"Degrees", 0}, {"Radians", 0}, {nullptr, 0}}, mAxes{{"X", 0},
                                                                          {"Y", 0},
                                                                          {"Z", 0},
                                                                          {nullptr, 0}},
      mMinimizeRotationOffset(ReadSetting())
{
    ResetHeader();
}

KHtrFile::~KHtrFile() = default;

std::string KHtrFile::Quoted(const std::string& pName)
{
    return pName.substr(0, kQuotedLength);
}

bool KHtrFile::Fail(const char* pFormat, ...)
{
    std::va_list lArgs;
    va_start(lArgs, pFormat);
    ErrorV(pFormat, lArgs);
    va_end(lArgs);
    return false;
}

void KHtrFile::ResetHeader()
{
    mFileType = 0;
    mDataType = 0;
    mFileVersion = 1;
    mSegmentCount = 0;
    mFrameCount = 0;
    mFrameRate = 60.0;
    mEulerOrder = 0;
    mCalibrationUnit = 0;
    mRotationUnit = 0;
    mGravityAxis = 1;
    mScaleFactor = 1.0;
    mRotationOrderIndex =
        KMotionRotationOrder::ToOrderedIndex(kOrderAxes[0], KMotionRotationOrder::eFirstOutermost);
    mLengthFactor = kLengthFactors[0];
    mAngleFactor = kAngleFactors[0];
    mBoneAxis = 1;
    KQuaternion lTurn;
    QuaternionFromXAxisTo(lTurn, KVector4(0.0, 1.0, 0.0));
    MatrixSetIdentity(mBoneAxisMatrix);
    QuaternionToMatrix(mBoneAxisMatrix, lTurn);
}

KMatrix KHtrFile::FrameRotation(const double pAngles[3]) const
{
    // The turns of a frame line's angles, as FrameAngles makes them.
    int lAxes[3];
    AppliedAxes(lAxes);
    const double lApplied[3] = {pAngles[lAxes[0]], pAngles[lAxes[1]], pAngles[lAxes[2]]};
    KMatrix lMatrix;
    KMotionRotationOrder::AnglesToMatrix(lMatrix, lAxes, lApplied, 3,
                                         KMotionRotationOrder::eFirstAppliedFirst);
    return lMatrix;
}

void KHtrFile::AppliedAxes(int oAxes[3]) const
{
    const int* lAxes = kOrderAxes[mEulerOrder];
    for (int i = 0; i < 3; ++i) {
        oAxes[i] = lAxes[2 - i];
    }
}

int KHtrFile::MatchSection()
{
    const int lSection = FindKeyword(mSections);
    // Whole titles only: "[Header]x" or a frame title that starts like a section is none.
    if (lSection < 0 || PeekToken().size() != std::strlen(mSections[lSection].mKeyword)) {
        return -1;
    }
    return MatchKeyword(mSections);
}

bool KHtrFile::ReadHeaderLine(KStreamOptionsMotion* pOptions)
{
    ResetKeywordCounts(mHeaderKeys);
    // Several keys may share a line; each match moves the cursor on, so the loop ends.
    for (;;) {
        const int lKey = MatchKeyword(mHeaderKeys);
        if (lKey < 0) {
            return true;
        }
        if (!ReadHeaderKey(lKey, pOptions)) {
            return false;
        }
    }
}

bool KHtrFile::ReadHeaderKey(int pKey, KStreamOptionsMotion* pOptions)
{
    switch (pKey) {
    case eFileType:
        return MatchKeyword(mFileTypes) == 0 || Fail("Unknown file type");
    case eDataType:
        return MatchKeyword(mDataTypes) == 0 || Fail("Unknown data type");
    case eFileVersion:
        if (!ReadInt(mFileVersion)) {
            Warning("Can't read version");
        }
        return true;
    case eNumSegments:
    case eNumFrames:
        return ReadHeaderCount(pKey, pOptions);
    case eDataFrameRate:
        return ReadHeaderRate(pOptions);
    case eEulerRotationOrder: {
        const int lOrder = MatchKeyword(mEulerOrders);
        if (lOrder < 0) {
            return Fail("Unknown euler rotation order");
        }
        mEulerOrder = lOrder;
        mRotationOrderIndex = KMotionRotationOrder::ToOrderedIndex(
            kOrderAxes[lOrder], KMotionRotationOrder::eFirstOutermost);
        return true;
    }
    case eCalibrationUnits:
    case eRotationUnits:
        return ReadHeaderUnits(pKey);
    case eGlobalAxisofGravity: {
        const int lAxis = MatchKeyword(mAxes);
        if (lAxis < 0) {
            Warning("Unknown axis of gravity");
        } else {
            mGravityAxis = lAxis;
        }
        return true;
    }
    case eBoneLengthAxis:
        return ReadBoneAxis();
    default: {
        double lScale = 0.0;
        if (!ReadDouble(lScale)) {
            return Fail("Can't read scale factor");
        }
        // It divides every length read.
        if (!std::isfinite(lScale) || !(lScale > 0.0)) {
            return Fail("Bad scale factor");
        }
        mScaleFactor = lScale;
        return true;
    }
    }
}

bool KHtrFile::ReadHeaderCount(int pKey, KStreamOptionsMotion* pOptions)
{
    int lCount = 0;
    if (pKey == eNumSegments) {
        if (!ReadInt(lCount)) {
            return Fail("Can't read segment count");
        }
        if (lCount <= 0) {
            return Fail("Bad segment count");
        }
        mSegmentCount = lCount;
        return true;
    }
    if (!ReadInt(lCount)) {
        return Fail("Can't read frame count");
    }
    if (lCount < 0) {
        return Fail("Bad frame count");
    }
    mFrameCount = lCount;
    if (pOptions != nullptr) {
        pOptions->SetFrameCount(lCount);
    }
    return true;
}

bool KHtrFile::ReadHeaderRate(KStreamOptionsMotion* pOptions)
{
    double lRate = 0.0;
    if (!ReadDouble(lRate)) {
        return Fail("Can't read data frame rate");
    }
    if (!KMotionFrameRate::IsValid(lRate)) {
        return Fail("Bad data frame rate");
    }
    mFrameRate = lRate;
    if (pOptions != nullptr) {
        pOptions->SetTimeMode(0, lRate);
    }
    return true;
}

bool KHtrFile::ReadHeaderUnits(int pKey)
{
    if (pKey == eCalibrationUnits) {
        const int lUnit = MatchKeyword(mCalibrationUnits);
        if (lUnit < 0) {
            Warning("Unknown calibration units");
        } else {
            mCalibrationUnit = lUnit;
        }
        mLengthFactor = kLengthFactors[mCalibrationUnit];
        return true;
    }
    const int lUnit = MatchKeyword(mRotationUnits);
    if (lUnit < 0) {
        return Fail("Unknown rotation units");
    }
    mRotationUnit = lUnit;
    mAngleFactor = kAngleFactors[lUnit];
    return true;
}

bool KHtrFile::ReadBoneAxis()
{
    const int lAxis = MatchKeyword(mAxes);
    if (lAxis < 0) {
        return Fail("Unknown bone length axis");
    }
    mBoneAxis = lAxis;
    KVector4 lDirection(0.0, 0.0, 0.0);
    lDirection[lAxis] = 1.0;
    KQuaternion lTurn;
    QuaternionFromXAxisTo(lTurn, lDirection);
    MatrixSetIdentity(mBoneAxisMatrix);
    QuaternionToMatrix(mBoneAxisMatrix, lTurn);
    return true;
}

bool KHtrFile::ReadHeaderOptions(KStreamOptionsMotion* pOptions)
{
    if (pOptions == nullptr) {
        return Fail("no options to read into");
    }
    if (!IsOpen() || IsWriting() || !Rewind()) {
        return Fail("Header not found");
    }
    ResetHeader();
    mState = eStateNone;
    for (;;) {
        if (IsAtEnd()) {
            return Fail(mState == eStateHeader ? "Unexpected end of file" : "Header not found");
        }
        const int lSection = MatchSection();
        if (lSection == eHeader) {
            mState = eStateHeader;
        } else if (lSection >= 0) {
            if (mState != eStateHeader) {
                return Fail("Header not found");
            }
            break;
        } else if (mState == eStateHeader && !ReadHeaderLine(pOptions)) {
            return false;
        }
        ReadLine();
    }
    pOptions->SetOption(kOptionReferenceNode, 1);
    return true;
}

bool KHtrFile::ReadStructure()
{
    ReleaseSegments();
    if (!ParseStructure()) {
        // No half-read hierarchy stays behind a failed read.
        ReleaseSegments();
        return false;
    }
    return true;
}

void KHtrFile::ReleaseSegments()
{
    std::vector<KHtrSegment>().swap(mSegments);
    std::unordered_map<std::string, int>().swap(mSegmentOfName);
    std::unordered_map<const KRyvNode*, int>().swap(mSegmentOfNode);
    mState = eStateNone;
    mCursor = 0;
}

bool KHtrFile::ParseStructure()
{
    if (!IsOpen() || IsWriting()) {
        return Fail("the file is not open for reading");
    }
    ResetHeader();
    mState = eStateNone;
    mCursor = 0;
    if (!Rewind()) {
        return Fail("Header not found");
    }
    bool lHeaderSeen = false;
    bool lHierarchySeen = false;
    for (;;) {
        // Checked first: the line after the last base position is a frame title, which may
        // look like a section title ("[Header]" for a segment named Header).
        if (mState == eStateDone) {
            // The list grew by doubling; it is held through the whole read.
            mSegments.shrink_to_fit();
            return LinkHierarchy();
        }
        if (IsAtEnd()) {
            return Fail(lHeaderSeen ? "Unexpected end of file" : "Header not found");
        }
        const int lSection = MatchSection();
        bool lRead = true;
        if (lSection >= 0) {
            lRead = StartSection(lSection, lHeaderSeen, lHierarchySeen);
        } else if (mState == eStateHeader) {
            lRead = ReadHeaderLine(nullptr);
        } else if (mState == eStateHierarchy) {
            lRead = ReadHierarchyLine();
        } else if (mState == eStateBase) {
            lRead = ReadBaseLine();
        }
        if (!lRead) {
            return false;
        }
        ReadLine();
    }
}

bool KHtrFile::StartSection(int pSection, bool& ioHeaderSeen, bool& ioHierarchySeen)
{
    switch (pSection) {
    case eHeader:
        ioHeaderSeen = true;
        mState = eStateHeader;
        return true;
    case eHierarchy:
        if (!ioHeaderSeen) {
            return Fail("Header not found");
        }
        if (mSegmentCount <= 0) {
            return Fail("Bad segment count");
        }
        mSegments.clear();
        mCursor = 0;
        ioHierarchySeen = true;
        mState = eStateHierarchy;
        return true;
    case eBasePosition:
        if (!ioHierarchySeen) {
            return Fail("Hierarchy not found");
        }
        if (GetSegmentCount() != mSegmentCount) {
            return Fail("Bad segment count");
        }
        mCursor = 0;
        mState = eStateBase;
        return true;
    default:
        return Fail("Animation data not found");
    }
}

bool KHtrFile::ReadSegmentName(std::string& oName, const char* pWhat)
{
    if (AtLineEnd()) {
        return Fail("Can't read %s", pWhat);
    }
    if (!ReadWord(oName, kMaxNameLength)) {
        return Fail("%s longer than %zu characters", pWhat, kMaxNameLength);
    }
    return true;
}

bool KHtrFile::ReadHierarchyLine()
{
    if (mCursor >= mSegmentCount) {
        mState = eStateNone;
        return true;
    }
    KHtrSegment lSegment;
    if (!ReadSegmentName(lSegment.mName, "segment name") ||
        !ReadSegmentName(lSegment.mParentName, "parent name")) {
        return false;
    }
    MatrixSetIdentity(lSegment.mBaseRotation);
    MatrixSetIdentity(lSegment.mInverseDefaultRotation);
    mSegments.push_back(std::move(lSegment));
    if (++mCursor == mSegmentCount) {
        mState = eStateNone;
    }
    return true;
}

bool KHtrFile::ReadBaseLine()
{
    if (mCursor >= GetSegmentCount()) {
        return Fail("Bad segment count");
    }
    std::string lName;
    if (!ReadSegmentName(lName, "segment name")) {
        return false;
    }
    const double lLengthScale = mLengthFactor / mScaleFactor;
    double lTranslation[3];
    double lAngles[3];
    double lLength = 0.0;
    if (!ReadVector3(lTranslation, lLengthScale)) {
        return Fail("Can't read segment base translation");
    }
    if (!ReadVector3(lAngles, mAngleFactor)) {
        return Fail("Can't read segment base rotation");
    }
    if (!ReadDouble(lLength, lLengthScale) || !std::isfinite(lLength)) {
        return Fail("Can't read segment length");
    }
    KHtrSegment& lSegment = mSegments[static_cast<std::size_t>(mCursor)];
    if (lSegment.mName != lName) {
        return Fail("base position of \"%s\" out of hierarchy order", Quoted(lName).c_str());
    }
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(lTranslation[i]) || !std::isfinite(lAngles[i])) {
            return Fail("non-finite base position of \"%s\"", Quoted(lName).c_str());
        }
    }
    lSegment.mBaseTranslation = KVector4(lTranslation[0], lTranslation[1], lTranslation[2]);
    lSegment.mBaseRotation = FrameRotation(lAngles);
    lSegment.mLength = lLength;
    if (++mCursor == GetSegmentCount()) {
        mState = eStateDone;
        mCursor = 0;
    }
    return true;
}

bool KHtrFile::FailSecondRoot(const KHtrSegment& pRoot, const KHtrSegment& pSecond)
{
    // A parent no segment bears makes a root; "GLOBAL" is the one meant for it, so the segment
    // naming another is the one at fault.
    for (const KHtrSegment* lSegment : {&pSecond, &pRoot}) {
        if (lSegment->mParentName != kGlobalParent) {
            return Fail("segment \"%s\" names the parent \"%s\", which no segment bears",
                        Quoted(lSegment->mName).c_str(), Quoted(lSegment->mParentName).c_str());
        }
    }
    return Fail("two root segments: \"%s\" and \"%s\"", Quoted(pRoot.mName).c_str(),
                Quoted(pSecond.mName).c_str());
}

bool KHtrFile::LinkHierarchy()
{
    const int lCount = GetSegmentCount();
    // A name borne twice names its first segment here; the reader refuses the clash later.
    std::unordered_map<std::string, int>& lIndex = mSegmentOfName;
    for (int i = 0; i < lCount; ++i) {
        lIndex.emplace(mSegments[static_cast<std::size_t>(i)].mName, i);
    }
    int lRoot = -1;
    for (int i = 0; i < lCount; ++i) {
        KHtrSegment& lSegment = mSegments[static_cast<std::size_t>(i)];
        const auto lParent = lIndex.find(lSegment.mParentName);
        lSegment.mParent = lParent == lIndex.end() ? -1 : lParent->second;
        if (lSegment.mParentName == lSegment.mName) {
            return Fail("segment \"%s\" is its own parent", Quoted(lSegment.mName).c_str());
        }
        if (lSegment.mParent < 0 && lRoot >= 0) {
            return FailSecondRoot(mSegments[static_cast<std::size_t>(lRoot)], lSegment);
        }
        if (lSegment.mParent < 0) {
            lRoot = i;
        }
    }
    if (lRoot < 0) {
        return Fail("no root segment: the parent names form a cycle");
    }
    // Depth of each segment below the root, found by walking up until a known depth; a walk
    // that meets its own path is a cycle. Every segment is settled once, so this stays linear.
    std::vector<int> lDepth(static_cast<std::size_t>(lCount), -1);
    std::vector<int> lPath;
    lDepth[static_cast<std::size_t>(lRoot)] = 0;
    for (int i = 0; i < lCount; ++i) {
        int lAt = i;
        while (lDepth[static_cast<std::size_t>(lAt)] == -1) {
            lDepth[static_cast<std::size_t>(lAt)] = -2;
            lPath.push_back(lAt);
            lAt = mSegments[static_cast<std::size_t>(lAt)].mParent;
        }
        if (lDepth[static_cast<std::size_t>(lAt)] == -2) {
            return Fail("the parent names form a cycle through \"%s\"",
                        Quoted(mSegments[static_cast<std::size_t>(lAt)].mName).c_str());
        }
        for (int lDepthAt = lDepth[static_cast<std::size_t>(lAt)] + 1; !lPath.empty(); ++lDepthAt) {
            if (lDepthAt > kMaxDepth) {
                return Fail("segments nested deeper than %d levels", kMaxDepth);
            }
            lDepth[static_cast<std::size_t>(lPath.back())] = lDepthAt;
            lPath.pop_back();
        }
    }
    return true;
}

const KHtrSegment* KHtrFile::FindSegment(const char* pName) const
{
    const auto lFound = pName ? mSegmentOfName.find(pName) : mSegmentOfName.end();
    return lFound == mSegmentOfName.end() ? nullptr
                                          : &mSegments[static_cast<std::size_t>(lFound->second)];
}

const KHtrSegment* KHtrFile::FindSegmentByNode(const KRyvNode* pNode) const
{
    const auto lFound = mSegmentOfNode.find(pNode);
    return lFound == mSegmentOfNode.end() ? nullptr
                                          : &mSegments[static_cast<std::size_t>(lFound->second)];
}
