// The frame pass of KHtrFile: frame sections into key columns, the frame angles, the keys handed
// to the curves, the filters.
#include "formats/motion/htr/KHtrFile.h"

#include "animation/KFCurve.h"
#include "formats/motion/KMotionImportFilters.h"
#include "formats/motion/KMotionMarkerBuilder.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/htr/KHtrAffine.h"
#include "io/KReadRollback.h"

#include <algorithm>
#include <cstdint>

namespace {

// The shortest frame line: eight one-character words and their separators.
constexpr std::uint64_t kMinFrameLineBytes = 16;
// Frames decoded together: the products and the angles of a block run over its frames.
constexpr int kDecodeBlock = KHtrAffineBlock::kFrames;
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
        MoveRestToOffsetFrame();
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
    int lAxes[3];
    AppliedAxes(lAxes);
    const double* const lApplied[3] = {pAngles[lAxes[0]], pAngles[lAxes[1]], pAngles[lAxes[2]]};
    KMotionRotationOrder::AnglesToAxes(pFrames, lAxes, KMotionRotationOrder::eFirstAppliedFirst,
                                       lApplied, &ioTurns.mAxes[0][0][0], kDecodeBlock);
    // The frame's turn applies first, then the base rotation.
    KHtrAffineBlock::MultiplyAxes(ioRotations, ioTurns, pBaseRotation);
    ioRotations.ToEulerXYZ(pFrames, oAngles);
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
