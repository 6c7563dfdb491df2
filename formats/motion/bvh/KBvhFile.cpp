#include "formats/motion/bvh/KBvhFile.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "core/KQuotedValue.h"
#include "formats/motion/KMotionAngles.h"
#include "formats/motion/KMotionEuler.h"
#include "formats/motion/KMotionFastNumber.h"
#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/bvh/KBvhValueText.h"
#include "formats/motion/bvh/KReaderBvh.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>

namespace {

// Joints whose sines and cosines PosesOf takes in one run: room for their angles on the stack.
constexpr int kJointsAtOnce = 32;

const char* const kChannelNames[KBvhJoint::kMaxChannels] = {"Xposition", "Yposition", "Zposition",
                                                            "Xrotation", "Yrotation", "Zrotation"};

enum ETop { eHierarchy = 0, eMotion = 1 };
enum EBody { eOpen = 0, eOffset = 1, eChannels = 2, eJoint = 3, eEndSite = 4, eClose = 5 };
enum EMotion { eFrames = 0, eFrameTime = 1 };

// The most a joint's values take on a frame line: six values and their blanks.
constexpr std::size_t kMaxJointText = 6 * (KBvhValueText::kMaxLength + 1);

bool IsFinite(const KVector4& pVector)
{
    return std::isfinite(pVector[0]) && std::isfinite(pVector[1]) && std::isfinite(pVector[2]);
}

// -0 prints as "-0"; a written file has no use for it.
double Unsigned0(double pValue)
{
    return pValue == 0.0 ? 0.0 : pValue;
}

double OffsetValue(double pValue)
{
    return std::fabs(pValue) <= KBvhFile::kWriteZero ? 0.0 : pValue;
}

bool IsWritableName(const char* pName)
{
    if (pName == nullptr || pName[0] == '\0' ||
        KBvhFile::GetNameLength(pName) > KBvhFile::kMaxNameLength) {
        return false;
    }
    return std::strpbrk(pName, " \t\r\n") == nullptr;
}

bool IsFrameSeparator(char pChar)
{
    return pChar == ' ' || pChar == '\t' || pChar == '\r' || pChar == '\n';
}

const char* SkipFrameSeparators(const char* pAt, const char* pEnd)
{
    while (pAt != pEnd && IsFrameSeparator(*pAt)) {
        ++pAt;
    }
    return pAt;
}

// A frame line of pCount values in their plain form, in one pass: each value starts with a digit,
// a point or '-' and ends at a separator or the line's end, and nothing follows the last. False
// at anything else (a '+', "inf", a word, too few or too many values): the caller then reads the
// line again with the text file's readers, which take every spelling and name the fault, so that
// a line gives the same values, warnings and errors either way.
bool ReadPlainValues(const std::string& pLine, std::size_t pCount, double* oValues)
{
    const char* const lEnd = pLine.data() + pLine.size();
    const char* lAt = SkipFrameSeparators(pLine.data(), lEnd);
    for (std::size_t i = 0; i < pCount; ++i) {
        const char* lLead = lAt != lEnd && *lAt == '-' ? lAt + 1 : lAt;
        if (lLead == lEnd || !((*lLead >= '0' && *lLead <= '9') || *lLead == '.')) {
            return false;
        }
        const std::from_chars_result lRead = KMotionFastNumber::FromChars(lAt, lEnd, oValues[i]);
        if (lRead.ec != std::errc() || (lRead.ptr != lEnd && !IsFrameSeparator(*lRead.ptr))) {
            return false;
        }
        lAt = SkipFrameSeparators(lRead.ptr, lEnd);
    }
    return lAt == lEnd;
}

} // namespace

KBvhFile::KBvhFile(bool pReporting)
    : KTextFile("BioVision", kSeparators, nullptr, true, pReporting), mTopKeywords{{"HIERARCHY", 0},
                                                                                   {"MOTION", 0},
                                                                                   {nullptr, 0}},
      mRootKeywords{{"ROOT", 0}, {nullptr, 0}}, mBodyKeywords{{"{", 0},        {"OFFSET", 0},
                                                              {"CHANNELS", 0}, {"JOINT", 0},
                                                              {"End Site", 0}, {"}", 0},
                                                              {nullptr, 0}},
      mChannelKeywords{{kChannelNames[0], 0}, {kChannelNames[1], 0}, {kChannelNames[2], 0},
                       {kChannelNames[3], 0}, {kChannelNames[4], 0}, {kChannelNames[5], 0},
                       {nullptr, 0}},
      mMotionKeywords{{"Frames:", 0}, {"Frame Time:", 0}, {nullptr, 0}}
{
}

bool KBvhFile::Fail(const char* pFormat, ...)
{
    std::va_list lArgs;
    va_start(lArgs, pFormat);
    ErrorV(pFormat, lArgs);
    va_end(lArgs);
    return false;
}

void KBvhFile::ClearModel()
{
    mJoints.clear();
    mTotalChannels = 0;
    mFrameCount = 0;
    mFrameTime = 0.0;
    mFrameRate = 0.0;
    mMotionReady = false;
    mFrame.clear();
    mValues.clear();
    mFramesRead = 0;
    mFramesToRead = 0;
}

std::size_t KBvhFile::GetNameLength(const char* pName)
{
    const std::size_t lLength = std::strlen(pName);
    const std::size_t lPrefix = std::strlen(kNodePrefix);
    return std::strncmp(pName, kNodePrefix, lPrefix) == 0 ? lLength - lPrefix : lLength;
}

const KBvhJoint* KBvhFile::GetJoint(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetJointCount() ? &mJoints[static_cast<std::size_t>(pIndex)]
                                                   : nullptr;
}

bool KBvhFile::ReadHeader()
{
    ClearModel();
    if (!ParseHeader()) {
        // No half-read hierarchy stays behind a failed read.
        ClearModel();
        return false;
    }
    return true;
}

bool KBvhFile::ParseHeader()
{
    if (!IsOpen() || IsWriting()) {
        return Fail("the file is not open for reading");
    }
    if (!Rewind()) {
        return Fail("no HIERARCHY: the file is empty");
    }
    ResetKeywordCounts(mTopKeywords);
    for (;;) {
        const int lKeyword = MatchKeyword(mTopKeywords);
        if (lKeyword == eHierarchy) {
            // A second HIERARCHY starts the joint list afresh.
            mJoints.clear();
            mTotalChannels = 0;
            if (!ReadLine()) {
                return Fail("unexpected end of file after HIERARCHY");
            }
            if (MatchKeyword(mRootKeywords) != 0) {
                return Fail("expected ROOT, found \"%s\"", PeekToken().c_str());
            }
            if (!ReadHierarchy()) {
                return false;
            }
            if (!ReadLine()) {
                return Fail("unexpected end of file: no MOTION block");
            }
        } else if (lKeyword == eMotion) {
            if (mJoints.empty()) {
                return Fail("MOTION without a HIERARCHY before it");
            }
            return ReadMotionHeader(nullptr);
        } else {
            return Fail("expected HIERARCHY or MOTION, found \"%s\"", PeekToken().c_str());
        }
    }
}

bool KBvhFile::ReadHierarchy()
{
    mJoints.emplace_back();
    if (!ReadJointStart(0)) {
        return false;
    }
    // The open blocks, innermost last; a loop rather than recursion, and capped, so that deep
    // nesting in a file cannot exhaust the stack here or in the walks over the nodes built later.
    std::vector<int> lOpen{0};
    while (!lOpen.empty()) {
        const int lParent = lOpen.back();
        if (!ReadLine()) {
            return Fail("unexpected end of file inside \"%s\"",
                        mJoints[static_cast<std::size_t>(lParent)].mName.c_str());
        }
        const int lKeyword = MatchKeyword(mBodyKeywords);
        if (lKeyword == eClose) {
            lOpen.pop_back();
            continue;
        }
        if (lKeyword != eJoint && lKeyword != eEndSite) {
            return Fail("unexpected \"%s\" in \"%s\"", PeekToken().c_str(),
                        mJoints[static_cast<std::size_t>(lParent)].mName.c_str());
        }
        if (static_cast<int>(lOpen.size()) > kMaxDepth) {
            return Fail("joints nested deeper than %d levels", kMaxDepth);
        }
        const int lIndex = GetJointCount();
        mJoints.emplace_back();
        mJoints.back().mParent = lParent;
        mJoints[static_cast<std::size_t>(lParent)].mChildren.push_back(lIndex);
        if (lKeyword == eJoint) {
            if (!ReadJointStart(lIndex)) {
                return false;
            }
            lOpen.push_back(lIndex);
        } else if (!ReadEndSite(lIndex)) {
            return false;
        }
    }
    return true;
}

bool KBvhFile::ReadJointStart(int pJoint)
{
    KBvhJoint& lJoint = mJoints[static_cast<std::size_t>(pJoint)];
    if (AtLineEnd()) {
        return Fail("missing joint name");
    }
    if (!ReadWord(lJoint.mName, kMaxNameLength + std::strlen(kNodePrefix)) ||
        GetNameLength(lJoint.mName.c_str()) > kMaxNameLength) {
        return Fail("joint name longer than %zu characters", kMaxNameLength);
    }
    if (!ReadLine() || MatchKeyword(mBodyKeywords) != eOpen) {
        return Fail("expected \"{\" after %s", KQuoteValue(lJoint.mName).c_str());
    }
    if (!ReadLine() || MatchKeyword(mBodyKeywords) != eOffset) {
        return Fail("expected OFFSET in %s", KQuoteValue(lJoint.mName).c_str());
    }
    if (!ReadVector3(lJoint.mOffset)) {
        return Fail("bad OFFSET in %s", KQuoteValue(lJoint.mName).c_str());
    }
    if (!ReadLine() || MatchKeyword(mBodyKeywords) != eChannels) {
        return Fail("expected CHANNELS in %s", KQuoteValue(lJoint.mName).c_str());
    }
    return ReadChannels(lJoint);
}

bool KBvhFile::ReadChannels(KBvhJoint& ioJoint)
{
    int lCount = 0;
    if (!ReadInt(lCount)) {
        return Fail("bad CHANNELS count \"%s\"", PeekToken().c_str());
    }
    if (lCount < 0 || lCount > KBvhJoint::kMaxChannels) {
        return Fail("CHANNELS count %d outside 0 to %d", lCount, KBvhJoint::kMaxChannels);
    }
    // Each channel costs at least a line's worth of text, so this only guards the int.
    if (mTotalChannels > INT_MAX - KBvhJoint::kMaxChannels) {
        return Fail("too many channels");
    }
    for (int i = 0; i < lCount; ++i) {
        const int lChannel = MatchKeyword(mChannelKeywords);
        if (lChannel < 0) {
            return AtLineEnd() ? Fail("%d channel names expected, found %d", lCount, i)
                               : Fail("unknown channel \"%s\"", PeekToken().c_str());
        }
        ioJoint.mChannels[i] = lChannel;
    }
    ioJoint.mChannelCount = lCount;
    ioJoint.mFirstValue = mTotalChannels;
    mTotalChannels += lCount;
    return true;
}

bool KBvhFile::ReadEndSite(int pJoint)
{
    KBvhJoint& lEnd = mJoints[static_cast<std::size_t>(pJoint)];
    lEnd.mName = "End";
    lEnd.mEndSite = true;
    lEnd.mFirstValue = mTotalChannels;
    if (!ReadLine()) {
        return Fail("unexpected end of file in an End Site");
    }
    // Without "{" the End Site has a zero offset and the line after it is passed over.
    if (MatchKeyword(mBodyKeywords) != eOpen) {
        return true;
    }
    if (!ReadLine() || MatchKeyword(mBodyKeywords) != eOffset) {
        return Fail("expected OFFSET in an End Site");
    }
    if (!ReadVector3(lEnd.mOffset)) {
        return Fail("bad OFFSET in an End Site");
    }
    if (!ReadLine() || MatchKeyword(mBodyKeywords) != eClose) {
        return Fail("expected \"}\" closing an End Site");
    }
    return true;
}

bool KBvhFile::ReadMotionHeader(KStreamOptionsMotion* pOptions)
{
    int lCount = 0;
    if (!ReadLine() || MatchKeyword(mMotionKeywords) != eFrames) {
        return Fail("expected \"Frames:\"");
    }
    if (!ReadInt(lCount)) {
        return Fail("bad frame count \"%s\"", PeekToken().c_str());
    }
    double lFrameTime = 0.0;
    if (!ReadLine() || MatchKeyword(mMotionKeywords) != eFrameTime) {
        return Fail("expected \"Frame Time:\"");
    }
    if (!ReadDouble(lFrameTime)) {
        return Fail("bad frame time \"%s\"", PeekToken().c_str());
    }
    mFrameCount = lCount < 0 ? 0 : lCount;
    mFrameTime = lFrameTime;
    mFrameRate = 0.0;
    double lRate = 0.0;
    if (KMotionFrameRate::FromFrameTime(lFrameTime, lRate)) {
        // Whole rates: 0.0333333 s reads as 30 fps. The rate is capped, so the floor fits.
        const double lWhole = std::floor(lRate);
        mFrameRate = lWhole + (lRate - lWhole >= 0.5 ? 1.0 : 0.0);
    }
    if (pOptions != nullptr) {
        if (mFrameRate > 0.0) {
            pOptions->SetTimeMode(0, mFrameRate);
        } else {
            mFrameTime = 1.0 / pOptions->GetFrameRate();
        }
        pOptions->SetFrameCount(mFrameCount);
    }
    mMotionReady = true;
    return true;
}

bool KBvhFile::ReadInfo(KStreamOptionsMotion* pOptions)
{
    if (pOptions == nullptr) {
        return Fail("no options to read into");
    }
    if (!IsOpen() || IsWriting() || !Rewind()) {
        return Fail("no MOTION block");
    }
    while (MatchKeyword(mTopKeywords) != eMotion) {
        if (!ReadLine()) {
            return Fail("no MOTION block");
        }
    }
    if (!ReadMotionHeader(pOptions)) {
        return false;
    }
    pOptions->SetOption(KReaderBvh::kOptionKeepReference, 1);
    return true;
}

bool KBvhFile::BeginFrames(const KStreamOptionsMotion* pOptions)
{
    mFrame.clear();
    mValues.clear();
    mFramesRead = 0;
    mFramesToRead = 0;
    if (!mMotionReady || mJoints.empty()) {
        return Fail("the hierarchy and motion header have not been read");
    }
    mMotionReady = false;
    mFramesToRead = mFrameCount;
    if (pOptions != nullptr && pOptions->GetFrameCount() < mFramesToRead) {
        mFramesToRead = pOptions->GetFrameCount();
    }
    mFrame.reserve(static_cast<std::size_t>(mTotalChannels));
    return true;
}

int KBvhFile::GetFramesThatFit() const
{
    // A frame takes a line of its own, and each value at least two bytes with its separator.
    const std::uint64_t lBytesPerFrame =
        mTotalChannels > 0 ? 2 * static_cast<std::uint64_t>(mTotalChannels) : 2;
    const std::uint64_t lFits = GetRemainingBytes() / lBytesPerFrame + 1;
    return static_cast<std::uint64_t>(mFramesToRead) < lFits ? mFramesToRead
                                                             : static_cast<int>(lFits);
}

bool KBvhFile::ReadFrame()
{
    const int lFrame = mFramesRead;
    if (lFrame >= mFramesToRead) {
        return Fail("no frame left to read after %d frames", lFrame);
    }
    if (!ReadLine()) {
        return Fail("the motion block ends after %d of %d frames", lFrame, mFramesToRead);
    }
    const std::size_t lChannels = static_cast<std::size_t>(mTotalChannels);
    mFrame.resize(lChannels);
    if (!ReadPlainValues(GetLine(), lChannels, mFrame.data()) && !ReadValues(lFrame)) {
        return false;
    }
    mFramesRead = lFrame + 1;
    return true;
}

bool KBvhFile::ReadValues(int pFrame)
{
    const std::size_t lChannels = mFrame.size();
    for (std::size_t i = 0; i < lChannels; ++i) {
        if (!ReadDouble(mFrame[i])) {
            return AtLineEnd() ? Fail("expected %zu numbers, found %zu", lChannels, i)
                               : Fail("bad number \"%s\"", PeekToken().c_str());
        }
        if (!std::isfinite(mFrame[i])) {
            return Fail("non-finite value in frame %d", pFrame + 1);
        }
    }
    if (!AtLineEnd()) {
        Warning("more than %zu numbers; the rest of the line is ignored", lChannels);
    }
    return true;
}

bool KBvhFile::ReadMotion(const KStreamOptionsMotion* pOptions)
{
    if (!BeginFrames(pOptions)) {
        return false;
    }
    mValues.reserve(static_cast<std::size_t>(GetFramesThatFit()) *
                    static_cast<std::size_t>(mTotalChannels));
    for (int lFrame = 0; lFrame < mFramesToRead; ++lFrame) {
        if (pOptions != nullptr) {
            pOptions->ReportProgress("Reading BVH nodes", GetProgress(lFrame));
        }
        if (!ReadFrame()) {
            return false;
        }
        mValues.insert(mValues.end(), mFrame.begin(), mFrame.end());
    }
    return true;
}

float KBvhFile::GetProgress(int pFrame) const
{
    return mFramesToRead > 0
               ? static_cast<float>(static_cast<std::int64_t>(pFrame) * 100 / mFramesToRead)
               : 0.0f;
}

const double* KBvhFile::GetFrameValues(int pFrame) const
{
    if (pFrame < 0 || pFrame >= mFramesRead || mTotalChannels == 0 || mValues.empty()) {
        return nullptr;
    }
    return mValues.data() +
           static_cast<std::size_t>(pFrame) * static_cast<std::size_t>(mTotalChannels);
}

const double* KBvhFile::GetCurrentValues() const
{
    return mFramesRead > 0 ? mFrame.data() : nullptr;
}

bool KBvhFile::GetJointPose(int pFrame, int pJoint, KVector4& pTranslation,
                            KVector4& pRotation) const
{
    if (pFrame < 0 || pFrame >= mFramesRead || mValues.empty()) {
        return false;
    }
    return PoseOf(mValues.data() +
                      static_cast<std::size_t>(pFrame) * static_cast<std::size_t>(mTotalChannels),
                  pJoint, pTranslation, pRotation);
}

bool KBvhFile::GetCurrentPose(int pJoint, KVector4& oTranslation, KVector4& oRotation) const
{
    return mFramesRead > 0 && PoseOf(mFrame.data(), pJoint, oTranslation, oRotation);
}

bool KBvhFile::PoseOf(const double* pFrame, int pJoint, KVector4& oTranslation,
                      KVector4& oRotation) const
{
    KMatrix lRotation;
    return PosesOf(pFrame, &pJoint, 1, &lRotation, &oTranslation, &oRotation);
}

bool KBvhFile::GetCurrentPoses(const int* pJoints, int pCount, KMatrix* ioScratch,
                               KVector4* oTranslations, KVector4* oRotations) const
{
    return mFramesRead > 0 &&
           PosesOf(mFrame.data(), pJoints, pCount, ioScratch, oTranslations, oRotations);
}

bool KBvhFile::PosesOf(const double* pFrame, const int* pJoints, int pCount, KMatrix* ioRotations,
                       KVector4* oTranslations, KVector4* oRotations) const
{
    for (int j = 0; j < pCount; ++j) {
        const KBvhJoint* lJoint = GetJoint(pJoints[j]);
        if (lJoint == nullptr || lJoint->mEndSite) {
            return false;
        }
    }
    // The rotation matrices of every joint first, the sines and cosines of a group of joints in
    // one run of lanes, then the angles of them all in another.
    constexpr int kTurnsAtOnce = kJointsAtOnce * KBvhJoint::kMaxChannels;
    for (int lFirst = 0; lFirst < pCount; lFirst += kJointsAtOnce) {
        const int lJoints = std::min(kJointsAtOnce, pCount - lFirst);
        int lAxes[kTurnsAtOnce];
        double lAngles[kTurnsAtOnce];
        int lFirstTurn[kJointsAtOnce + 1];
        int lTurns = 0;
        for (int j = 0; j < lJoints; ++j) {
            int lCount = 0;
            lFirstTurn[j] = lTurns;
            oTranslations[lFirst + j] = TurnsOf(pFrame, *GetJoint(pJoints[lFirst + j]),
                                                lAxes + lTurns, lAngles + lTurns, lCount);
            lTurns += lCount;
        }
        lFirstTurn[lJoints] = lTurns;
        double lSine[kTurnsAtOnce];
        double lCosine[kTurnsAtOnce];
        KMotionAngles::SinCos(lTurns, lAngles, lSine, lCosine);
        for (int j = 0; j < lJoints; ++j) {
            const int t = lFirstTurn[j];
            KMotionRotationOrder::TurnsToMatrix(ioRotations[lFirst + j], lAxes + t, lSine + t,
                                                lCosine + t, lFirstTurn[j + 1] - t,
                                                KMotionRotationOrder::eFirstOutermost);
        }
    }
    KMotionEuler::MatrixToEulerXYZ(pCount, ioRotations, oRotations);
    return true;
}

KVector4 KBvhFile::TurnsOf(const double* pFrame, const KBvhJoint& pJoint, int* oAxes,
                           double* oAngles, int& oTurns)
{
    const double* lValues = pFrame + static_cast<std::size_t>(pJoint.mFirstValue);
    KVector4 lTranslation(pJoint.mOffset[0], pJoint.mOffset[1], pJoint.mOffset[2]);
    oTurns = 0;
    for (int i = 0; i < pJoint.mChannelCount; ++i) {
        const int lChannel = pJoint.mChannels[i];
        if (lChannel <= KBvhJoint::eZposition) {
            lTranslation[lChannel] = lValues[i];
        } else {
            oAxes[oTurns] = lChannel - KBvhJoint::eXrotation;
            oAngles[oTurns] = lValues[i];
            ++oTurns;
        }
    }
    return lTranslation;
}

bool KBvhFile::PrintOffset(const KVector4& pOffset, int pIndent)
{
    if (!IsFinite(pOffset)) {
        return Fail("cannot write a non-finite OFFSET");
    }
    return Print(pIndent, "%s %g %g %g\n", "OFFSET", OffsetValue(pOffset[0]),
                 OffsetValue(pOffset[1]), OffsetValue(pOffset[2])) >= 0;
}

bool KBvhFile::WriteJointHeader(const char* pName, bool pIsRoot, const KVector4& pOffset,
                                int pIndent, bool pThreeChannels, bool pZxyOrder)
{
    if (!IsWritableName(pName)) {
        return Fail("cannot write the joint name %s", KQuoteValue(pName ? pName : "").c_str());
    }
    if (!IsFinite(pOffset)) {
        return Fail("cannot write a non-finite OFFSET for %s", KQuoteValue(pName).c_str());
    }
    if (pIsRoot &&
        (Print(pIndent, "%s\n", "HIERARCHY") < 0 || Print(pIndent, "%s %s\n", "ROOT", pName) < 0)) {
        return false;
    }
    if (!pIsRoot && Print(pIndent, "%s %s\n", "JOINT", pName) < 0) {
        return false;
    }
    if (Print(pIndent, "%s\n", "{") < 0 || !PrintOffset(pOffset, pIndent + 1)) {
        return false;
    }
    const char* lSecond = pZxyOrder ? "Xrotation" : "Yrotation";
    const char* lThird = pZxyOrder ? "Yrotation" : "Xrotation";
    if (!pIsRoot && pThreeChannels) {
        return Print(pIndent + 1, "%s 3 %s %s %s\n", "CHANNELS", "Zrotation", lSecond, lThird) >= 0;
    }
    return Print(pIndent + 1, "%s 6 %s %s %s %s %s %s\n", "CHANNELS", "Xposition", "Yposition",
                 "Zposition", "Zrotation", lSecond, lThird) >= 0;
}

bool KBvhFile::WriteJointEnd(int pIndent)
{
    return Print(pIndent, "%s\n", "}") >= 0;
}

bool KBvhFile::WriteEndSite(const KVector4& pOffset, int pIndent)
{
    if (!IsFinite(pOffset)) {
        return Fail("cannot write a non-finite End Site OFFSET");
    }
    return Print(pIndent, "%s\n", "End Site") >= 0 && Print(pIndent, "%s\n", "{") >= 0 &&
           PrintOffset(pOffset, pIndent + 1) && Print(pIndent, "%s\n", "}") >= 0;
}

bool KBvhFile::WriteMotionHeader(int pFrameCount, double pFrameTime)
{
    if (pFrameCount < 0 || !std::isfinite(pFrameTime) || pFrameTime < 0.0) {
        return Fail("cannot write %d frames of %g seconds", pFrameCount, pFrameTime);
    }
    mFramesWritten = 0;
    mFramesAnnounced = pFrameCount;
    mFrameLength = 0;
    return Print(0, "%s\n", "MOTION") >= 0 && Print(0, "%s\t%d\n", "Frames:", pFrameCount) >= 0 &&
           Print(0, "%s\t%g\n", "Frame Time:", pFrameTime) >= 0;
}

char* KBvhFile::WriteFrameValue(char* oAt, double pValue)
{
    oAt = KBvhValueText::Write(oAt, Unsigned0(pValue));
    *oAt++ = ' ';
    return oAt;
}

bool KBvhFile::WriteJointFrame(bool pIsRoot, const KVector4& pTranslation,
                               const KVector4& pRotation, bool pThreeChannels,
                               const KBvhDecimals* pRotationDecimals)
{
    const bool lThree = !pIsRoot && pThreeChannels;
    if (!IsFinite(pRotation) || (!lThree && !IsFinite(pTranslation))) {
        return Fail("cannot write a non-finite value in frame %d", mFramesWritten + 1);
    }
    if (!IsWriting() || WriteFailed()) {
        return false;
    }
    char* const lStart = FrameRoom(kMaxJointText);
    char* lAt = lStart;
    if (!lThree) {
        for (int i = 0; i < 3; ++i) {
            lAt = WriteFrameValue(lAt, pTranslation[i]);
        }
    }
    if (pRotationDecimals && pRotationDecimals->AreKnown()) {
        for (int i = 2; i >= 0; --i) {
            lAt = KBvhValueText::WriteDecimal(lAt, pRotationDecimals->mWhole[i],
                                              pRotationDecimals->mDecimals, pRotation[i]);
            *lAt++ = ' ';
        }
    } else {
        for (int i = 2; i >= 0; --i) {
            lAt = WriteFrameValue(lAt, pRotation[i]);
        }
    }
    mFrameLength += static_cast<std::size_t>(lAt - lStart);
    return true;
}

bool KBvhFile::WriteFrameEnd()
{
    *FrameRoom(1) = '\n';
    ++mFrameLength;
    ++mFramesWritten;
    // Lines go out in blocks; the last frame announced, or any frame past it, goes out at once,
    // so that nothing waits when the file is closed.
    if (mFrameLength < kFrameBlockBytes && mFramesWritten < mFramesAnnounced) {
        return true;
    }
    const bool lWritten = WriteBytes(mFrameText.data(), mFrameLength);
    mFrameLength = 0;
    return lWritten;
}

char* KBvhFile::FrameRoom(std::size_t pBytes)
{
    if (mFrameText.size() - mFrameLength < pBytes) {
        mFrameText.resize(std::max(2 * mFrameText.size(), mFrameLength + pBytes));
    }
    return mFrameText.data() + mFrameLength;
}
