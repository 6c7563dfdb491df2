// The frame pass of KHtrFile: frame sections into key columns, the rotation-offset pass, the
// keys handed to the curves, the filters.
#include "formats/motion/htr/KHtrFile.h"

#include "animation/KFCurve.h"
#include "formats/motion/KMotionFastNumber.h"
#include "formats/motion/KMotionImportFilters.h"
#include "formats/motion/KMotionMarkerBuilder.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/htr/KHtrAffine.h"
#include "formats/motion/htr/KHtrLaneBound.h"
#include "formats/motion/htr/KHtrQuickAngles.h"
#include "io/KReadRollback.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace {

// The shortest frame line: eight one-character words and their separators.
constexpr std::uint64_t kMinFrameLineBytes = 16;
// Numbers of a frame line after the frame number: translation, angles, scale.
constexpr int kLineNumbers = 7;
// The most digits of a frame number read straight from the line: any such number fits an int.
constexpr std::ptrdiff_t kMaxPlainFrameDigits = 9;
// The longest frame line read in one pass; the eight numbers printed in full take less.
constexpr std::size_t kMaxPlainLineBytes = 256;

bool IsDigit(char pChar)
{
    return pChar >= '0' && pChar <= '9';
}

bool IsBlank(char pChar)
{
    return pChar == ' ' || pChar == '\t';
}

// The first byte from pPos on that is no blank; the text must end in a byte that is none.
const char* SkipBlanks(const char* pPos)
{
    while (IsBlank(*pPos)) {
        ++pPos;
    }
    return pPos;
}

// True when a token may end at pPos of a line ending at pEnd.
bool EndsPlainToken(const char* pPos, const char* pEnd)
{
    return pPos == pEnd || IsBlank(*pPos);
}

// Frames decoded together: the products and the angles of a block run over its frames.
constexpr int kDecodeBlock = KHtrAffineBlock::kFrames;
// Translation sizes of blocks whose translations play no part.
constexpr double kNoSizes[kDecodeBlock] = {};

// The frame (pFirst plus its place in the block) of the first of pFrames frames of keys
// (pKeys[column][frame]) that a float cannot hold, -1 when there is none.
int FirstOutOfRange(const double pKeys[KHtrSegment::kKeyColumns][kDecodeBlock], int pFrames,
                    int pFirst)
{
    bool lAllFit = true;
    for (int c = 0; c < KHtrSegment::kKeyColumns; ++c) {
        lAllFit = lAllFit && KMotionNumber::FitsFloat(pKeys[c], pFrames);
    }
    for (int f = 0; !lAllFit && f < pFrames; ++f) {
        for (int c = 0; c < KHtrSegment::kKeyColumns; ++c) {
            if (!KMotionNumber::FitsFloat(pKeys[c][f])) {
                return pFirst + f;
            }
        }
    }
    return -1;
}

// The Euler X, Y, Z angles of frame pFrame of pRotations through the library path alone.
void LibraryAngles(const KHtrAffineBlock& pRotations, int pFrame,
                   double oAngles[3][KHtrAffineBlock::kFrames])
{
    const double(*m)[3][kDecodeBlock] = pRotations.mAxes;
    const KHtrEulerAxes lAxes{{m[0][0][pFrame], m[0][1][pFrame], m[0][2][pFrame]},
                              {m[1][0][pFrame], m[1][1][pFrame], m[1][2][pFrame]},
                              m[2][2][pFrame]};
    double lAngles[3];
    lAxes.ToEulerXYZ(lAngles);
    for (int a = 0; a < 3; ++a) {
        oAngles[a][pFrame] = lAngles[a];
    }
}

// The angles of FrameAngles through the quick lanes (the frame's turns about pAxes, in the order
// they apply, then the base rotation); oSure[f] says whether frame f's floats are proven.
void QuickFrameAngles(int pFrames, const double pAngles[3][kDecodeBlock], const int pAxes[3],
                      const KHtrAffine& pBaseRotation, KHtrAffineBlock& ioTurns,
                      KHtrAffineBlock& ioRotations, double oAngles[3][kDecodeBlock], bool* oSure)
{
    const double* const lApplied[3] = {pAngles[pAxes[0]], pAngles[pAxes[1]], pAngles[pAxes[2]]};
    bool lOutside[kDecodeBlock];
    KHtrQuickAngles::Turns(pFrames, lApplied, pAxes, ioTurns, lOutside);
    for (int f = 0; f < pFrames; ++f) {
        oSure[f] = !lOutside[f];
    }
    // The frame's turn applies first, then the base rotation.
    KHtrAffineBlock::MultiplyAxes(ioRotations, ioTurns, pBaseRotation);
    const KHtrLaneBound lBound =
        KHtrLaneBound::Multiply(KHtrLaneBound::Turns(KHtrQuickAngles::kTurnError), kNoSizes,
                                KHtrLaneBound::Fixed(pBaseRotation), kNoSizes);
    const double(*m)[3][kDecodeBlock] = ioRotations.mAxes;
    const double* const lRow0[3] = {m[0][0], m[0][1], m[0][2]};
    const double* const lRow1[3] = {m[1][0], m[1][1], m[1][2]};
    KHtrQuickAngles::EulerXYZ(pFrames, lRow0, lRow1, m[2][2],
                              KHtrQuickAngles::kSafety * lBound.mAxes + KHtrQuickAngles::kFloor,
                              oAngles, oSure);
}

} // namespace

bool KHtrFile::AtSectionTitle() const
{
    char lChar = '\0';
    return GetChar(lChar) && lChar == '[';
}

bool KHtrFile::ReadAnimation(KReadRollback& ioRollback, KStreamOptionsMotion* pOptions,
                             KRyvNode* pTop)
{
    if (pOptions == nullptr || pTop == nullptr) {
        return Fail("no options or top node to read into");
    }
    if (mState != eStateDone || mSegments.empty() || mSegments[0].mNode == nullptr) {
        return Fail("the structure and nodes have not been built");
    }
    if (mDataType != 0) {
        return Fail("Unknown data type");
    }
    const int lCount = std::min(pOptions->GetFrameCount(), mFrameCount);
    pOptions->SetFrameCount(lCount);
    mLaneCounts = KLaneCounts();
    std::vector<KTime> lTimes;
    std::vector<float> lUnitScale;
    const int lSegments = GetSegmentCount();
    std::vector<bool> lFilled(mSegments.size(), false);
    for (int i = 0; i < lSegments; ++i) {
        pOptions->ReportProgress(
            "Reading HTR nodes",
            static_cast<float>(static_cast<std::int64_t>(i) * 100 / lSegments));
        int lIndex = -1;
        if (!ReadFrameSection(ioRollback, lCount, lFilled, lIndex)) {
            return false;
        }
        // Sized once a section has shown that the file holds the frames.
        if (lTimes.empty() && lCount > 0) {
            lTimes = KMotionMarkerBuilder::KeyTimes(*pOptions, lCount);
            lUnitScale.assign(lTimes.size(), 1.0f);
        }
        // The offset pass needs the keys of every segment; without it each section's keys go
        // to the curves at once.
        if (!mMinimizeRotationOffset &&
            !SetKeys(mSegments[static_cast<std::size_t>(lIndex)], lTimes, lUnitScale)) {
            return false;
        }
    }
    if (mMinimizeRotationOffset) {
        MinimizeRotationOffset(pTop, lCount);
        for (KHtrSegment& lSegment : mSegments) {
            if (!SetKeys(lSegment, lTimes, lUnitScale)) {
                return false;
            }
        }
    }
    ioRollback.EndKeySets(lCount);
    ApplyFilters();
    return true;
}

bool KHtrFile::ReadFrameSection(KReadRollback& ioRollback, int pCount, std::vector<bool>& ioFilled,
                                int& oIndex)
{
    // The title holds a name of up to kMaxNameLength characters within its brackets.
    std::string lTitle;
    if (IsAtEnd() || !ReadWord(lTitle, kMaxNameLength + 2)) {
        return Fail("Can't read frame name");
    }
    const bool lBracketed = lTitle.size() > 2 && lTitle.front() == '[' && lTitle.back() == ']';
    const KHtrSegment* lFound =
        lBracketed ? FindSegment(lTitle.substr(1, lTitle.size() - 2).c_str()) : nullptr;
    if (lFound == nullptr) {
        return Fail("frame section \"%s\" names no segment", Quoted(lTitle).c_str());
    }
    const std::size_t lIndex = static_cast<std::size_t>(lFound - mSegments.data());
    if (ioFilled[lIndex]) {
        return Fail("a second frame section for \"%s\"", Quoted(lFound->mName).c_str());
    }
    ioFilled[lIndex] = true;
    KHtrSegment& lSegment = mSegments[lIndex];
    int lOutOfRange = -1;
    if (!ReadFrameLines(pCount, lSegment, lOutOfRange)) {
        return false;
    }
    for (KFCurve* lCurve : lSegment.mCurves) {
        if (!ioRollback.BeginKeySet(lCurve, pCount)) {
            return Fail("cannot hold the frames of \"%s\"", Quoted(lSegment.mName).c_str());
        }
    }
    if (lOutOfRange >= 0) {
        return Fail("value out of range in frame %d of \"%s\"", lOutOfRange + 1,
                    Quoted(lSegment.mName).c_str());
    }
    SkipFrameLines();
    oIndex = static_cast<int>(lIndex);
    return true;
}

bool KHtrFile::ReadFrameLines(int pCount, KHtrSegment& ioSegment, int& oOutOfRange)
{
    // Room for the frames the rest of the file can hold at most, so that a hostile frame count
    // reserves nothing the file does not back.
    const std::size_t lRoom = static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(std::max(pCount, 0)),
                                GetRemainingBytes() / kMinFrameLineBytes + 1));
    for (std::vector<float>& lColumn : ioSegment.mKeys) {
        lColumn.clear();
        lColumn.reserve(lRoom);
    }
    oOutOfRange = -1;
    const KHtrAffine lBaseRotation = KHtrAffine::FromMatrix(ioSegment.mBaseRotation);
    // Frames past the last line of a block hold plain numbers.
    KHtrAffineBlock lTurns;
    lTurns.Fill(KHtrAffine::Identity());
    KHtrAffineBlock lRotations;
    for (int lFirst = 0; lFirst < pCount; lFirst += kDecodeBlock) {
        const int lFrames = std::min(kDecodeBlock, pCount - lFirst);
        double lKeys[KHtrSegment::kKeyColumns][kDecodeBlock];
        double lAngles[3][kDecodeBlock];
        if (!ReadFrameBlock(lFirst, lFrames, pCount, ioSegment, lKeys, lAngles)) {
            return false;
        }
        FrameAngles(lFrames, lAngles, lBaseRotation, lTurns, lRotations, lKeys + 3);
        for (int c = 0; c < 3; ++c) {
            const double lBase = ioSegment.mBaseTranslation[c];
            for (int f = 0; f < lFrames; ++f) {
                lKeys[c][f] += lBase;
            }
        }
        // Lines are still read to the end of the section: a fault in the text comes first.
        if (oOutOfRange < 0) {
            oOutOfRange = FirstOutOfRange(lKeys, lFrames, lFirst);
        }
        for (int c = 0; c < KHtrSegment::kKeyColumns; ++c) {
            std::vector<float>& lColumn = ioSegment.mKeys[c];
            const std::size_t lAt = lColumn.size();
            lColumn.resize(lAt + static_cast<std::size_t>(lFrames));
            for (int f = 0; f < lFrames; ++f) {
                lColumn[lAt + static_cast<std::size_t>(f)] = static_cast<float>(lKeys[c][f]);
            }
        }
    }
    return true;
}

bool KHtrFile::ReadFrameBlock(int pFirst, int pFrames, int pCount, const KHtrSegment& pSegment,
                              double oTranslation[3][KHtrAffineBlock::kFrames],
                              double oAngles[3][KHtrAffineBlock::kFrames])
{
    for (int f = 0; f < pFrames; ++f) {
        if (!ReadLine() || AtSectionTitle()) {
            return Fail("the frames of \"%s\" end after %d of %d", Quoted(pSegment.mName).c_str(),
                        pFirst + f, pCount);
        }
        double lValues[KHtrSegment::kKeyColumns];
        if (!ReadFrameLine(lValues)) {
            return false;
        }
        for (int i = 0; i < 3; ++i) {
            oTranslation[i][f] = lValues[i];
            oAngles[i][f] = lValues[3 + i];
        }
    }
    return true;
}

void KHtrFile::FrameAngles(int pFrames, const double pAngles[3][KHtrAffineBlock::kFrames],
                           const KHtrAffine& pBaseRotation, KHtrAffineBlock& ioTurns,
                           KHtrAffineBlock& ioRotations,
                           double oAngles[3][KHtrAffineBlock::kFrames])
{
    bool lSure[kDecodeBlock];
    if (mQuickAngles) {
        int lAxes[3];
        AppliedAxes(lAxes);
        QuickFrameAngles(pFrames, pAngles, lAxes, pBaseRotation, ioTurns, ioRotations, oAngles,
                         lSure);
        mLaneCounts.mReadFrames += pFrames;
    } else {
        std::fill(lSure, lSure + pFrames, false);
    }
    // The library path for every frame the quick lanes did not prove (all without them).
    int lLibrary = 0;
    for (int f = 0; f < pFrames; ++f) {
        if (!lSure[f]) {
            const double lFrame[3] = {pAngles[0][f], pAngles[1][f], pAngles[2][f]};
            double lAxes[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
            FrameAxes(lFrame, lAxes);
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) {
                    ioTurns.mAxes[r][c][f] = lAxes[r][c];
                }
            }
            ++lLibrary;
        }
    }
    if (lLibrary == 0) {
        return;
    }
    KHtrAffineBlock::MultiplyAxes(ioRotations, ioTurns, pBaseRotation);
    if (lLibrary == pFrames) {
        ioRotations.ToEulerXYZ(pFrames, oAngles);
    } else {
        for (int f = 0; f < pFrames; ++f) {
            if (!lSure[f]) {
                LibraryAngles(ioRotations, f, oAngles);
            }
        }
    }
    if (mQuickAngles) {
        mLaneCounts.mReadFallbacks += lLibrary;
    }
}

bool KHtrFile::ReadFrameLine(double oValues[KHtrSegment::kKeyColumns])
{
    if (ReadPlainFrameLine(oValues)) {
        return true;
    }
    int lFrame = 0;
    double lScale = 0.0;
    if (!ReadInt(lFrame)) {
        return Fail("Can't read frame number");
    }
    if (!ReadVector3(oValues, mLengthFactor / mScaleFactor)) {
        return Fail("Can't read frame translation");
    }
    if (!ReadVector3(oValues + 3, mAngleFactor)) {
        return Fail("Can't read frame rotation");
    }
    // Read for the shape of the line; the kit keeps a unit scale.
    if (!ReadDouble(lScale)) {
        return Fail("Can't read frame scaling");
    }
    return true;
}

bool KHtrFile::ReadPlainFrameLine(double oValues[KHtrSegment::kKeyColumns]) const
{
    // The line as generated files print it, read in one pass from the line itself: a frame
    // number of digits and seven decimals between blanks, each converted as the token readers
    // convert a number that starts with a digit or a point. Anything else is left to the token
    // readers, which give the same values and name what is wrong.
    // The line is copied into a buffer with room after it so that its numbers are read eight
    // bytes at a time to the very end; longer lines are left to the token readers. The zeros of
    // that room are no blank, digit, sign or point, so the scans stop at the line's end by
    // themselves.
    const std::string& lLine = GetLine();
    if (lLine.size() > kMaxPlainLineBytes) {
        return false;
    }
    char lText[kMaxPlainLineBytes + KMotionFastNumber::kPadding];
    std::memcpy(lText, lLine.data(), lLine.size());
    std::memset(lText + lLine.size(), 0, KMotionFastNumber::kPadding);
    const char* const lEnd = lText + lLine.size();
    const char* lPos = SkipBlanks(lText);
    const char* const lDigits = lPos;
    while (IsDigit(*lPos)) {
        ++lPos;
    }
    if (lPos == lDigits || lPos - lDigits > kMaxPlainFrameDigits || !EndsPlainToken(lPos, lEnd)) {
        return false;
    }
    double lNumbers[kLineNumbers];
    for (double& lNumber : lNumbers) {
        lPos = SkipBlanks(lPos);
        const char* const lLead = *lPos == '-' ? lPos + 1 : lPos;
        if (!(IsDigit(*lLead) || *lLead == '.')) {
            return false;
        }
        const std::from_chars_result lRead =
            KMotionFastNumber::FromCharsPadded(lPos, lEnd, lNumber);
        if (lRead.ec != std::errc() || lRead.ptr == lPos || !EndsPlainToken(lRead.ptr, lEnd)) {
            return false;
        }
        lPos = lRead.ptr;
    }
    const double lLengthScale = mLengthFactor / mScaleFactor;
    for (int i = 0; i < 3; ++i) {
        oValues[i] = lNumbers[i] * lLengthScale;
        oValues[3 + i] = lNumbers[3 + i] * mAngleFactor;
    }
    return true;
}

void KHtrFile::SkipFrameLines()
{
    // Frames beyond those asked for; the loop stops at the next title or the end.
    while (ReadLine() && !AtSectionTitle()) {
    }
}

bool KHtrFile::SetKeys(KHtrSegment& ioSegment, const std::vector<KTime>& pTimes,
                       const std::vector<float>& pUnitScale)
{
    const int lCount = static_cast<int>(pTimes.size());
    for (int c = 0; c < KHtrSegment::kCurveCount; ++c) {
        const float* lValues =
            c < KHtrSegment::kKeyColumns ? ioSegment.mKeys[c].data() : pUnitScale.data();
        if (!ioSegment.mCurves[c]->KeySetBatch(0, lCount, pTimes.data(), lValues,
                                               KFCurveKey::kInterpolationCubic)) {
            return Fail("cannot hold the frames of \"%s\"", Quoted(ioSegment.mName).c_str());
        }
    }
    for (std::vector<float>& lColumn : ioSegment.mKeys) {
        std::vector<float>().swap(lColumn);
    }
    return true;
}

void KHtrFile::ApplyFilters()
{
    for (KHtrSegment& lSegment : mSegments) {
        KMotionImportFilters::Apply(lSegment.mCurves, lSegment.mCurves + 3);
    }
}
