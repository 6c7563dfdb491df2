// The frame pass of KHtrFile: frame sections into keys, the rotation-offset pass, the filters.
#include "formats/motion/htr/KHtrFile.h"

#include "animation/KFCurve.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionImportFilters.h"
#include "formats/motion/KMotionMarkerBuilder.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <cstdint>

namespace {

// Values of a frame line kept per frame: translation X, Y, Z, then angles X, Y, Z.
constexpr int kFrameValues = 6;
// The shortest frame line: eight one-character words and their separators.
constexpr std::uint64_t kMinFrameLineBytes = 16;

// Key k of three curves as a vector.
KVector4 KeyVector(KFCurve* const* pCurves, int pKey)
{
    KVector4 lValue;
    for (int i = 0; i < 3; ++i) {
        lValue[i] = pCurves[i]->GetKey(pKey)->GetValue();
    }
    return lValue;
}

void SetKeyVector(KFCurve* const* pCurves, int pKey, const KVector4& pValue)
{
    for (int i = 0; i < 3; ++i) {
        pCurves[i]->GetKey(pKey)->SetValue(static_cast<float>(pValue[i]));
    }
}

// Frames handled together by the rotation-offset pass.
constexpr int kOffsetBlock = 64;

// Keys pFirst to pFirst + pCount - 1 of one segment without its default rotation. pParentW and
// pParentV hold the parent's W and V of those frames (null for the top segment); oW and oV
// receive the segment's own.
void RemoveOffsets(const KHtrSegment& pSegment, int pFirst, int pCount, const KMatrix* pParentW,
                   const KMatrix* pParentV, KMatrix* oW, KMatrix* oV)
{
    const KMatrix lIdentity;
    for (int f = 0; f < pCount; ++f) {
        const int k = pFirst + f;
        const KMatrix& lParentW = pParentW ? pParentW[f] : lIdentity;
        const KMatrix& lParentV = pParentV ? pParentV[f] : lIdentity;
        KMatrix lLocal;
        MatrixSetTRS(lLocal, KeyVector(pSegment.mCurves, k), KeyVector(pSegment.mCurves + 3, k),
                     KVector4(1.0, 1.0, 1.0));
        MatrixMultiplyAffine(oW[f], lParentW, lLocal);
        MatrixMultiplyAffine(oV[f], oW[f], pSegment.mInverseDefaultRotation);
        MatrixMultiplyInverseAffine(lLocal, lParentV, oV[f]);
        KVector4 lAngles;
        MatrixToEulerUnscaled(lAngles, lLocal);
        SetKeyVector(pSegment.mCurves, k, KVector4(lLocal[3][0], lLocal[3][1], lLocal[3][2]));
        SetKeyVector(pSegment.mCurves + 3, k, lAngles);
    }
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
    const int lSegments = GetSegmentCount();
    std::vector<bool> lFilled(mSegments.size(), false);
    for (int i = 0; i < lSegments; ++i) {
        pOptions->ReportProgress(
            "Reading HTR nodes",
            static_cast<float>(static_cast<std::int64_t>(i) * 100 / lSegments));
        if (!ReadFrameSection(ioRollback, lCount, *pOptions, lFilled)) {
            return false;
        }
    }
    ioRollback.EndKeySets(lCount);
    if (mMinimizeRotationOffset) {
        MinimizeRotationOffset(pTop, lCount);
    }
    ApplyFilters();
    return true;
}

bool KHtrFile::ReadFrameSection(KReadRollback& ioRollback, int pCount,
                                const KStreamOptionsMotion& pOptions, std::vector<bool>& ioFilled)
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
    // Room for the frames the rest of the file can hold at most, so that a hostile frame count
    // reserves nothing the file does not back.
    std::vector<double> lValues;
    lValues.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(std::max(pCount, 0)),
                                GetRemainingBytes() / kMinFrameLineBytes + 1) *
        kFrameValues));
    if (!ReadFrameLines(pCount, *lFound, lValues) ||
        !SetKeys(ioRollback, mSegments[lIndex], lValues, pCount, pOptions)) {
        return false;
    }
    SkipFrameLines();
    return true;
}

bool KHtrFile::ReadFrameLines(int pCount, const KHtrSegment& pSegment, std::vector<double>& oValues)
{
    for (int k = 0; k < pCount; ++k) {
        if (!ReadLine() || AtSectionTitle()) {
            return Fail("the frames of \"%s\" end after %d of %d", Quoted(pSegment.mName).c_str(),
                        k, pCount);
        }
        if (!ReadFrameLine(oValues)) {
            return false;
        }
    }
    return true;
}

bool KHtrFile::ReadFrameLine(std::vector<double>& ioValues)
{
    int lFrame = 0;
    double lTranslation[3];
    double lAngles[3];
    double lScale = 0.0;
    if (!ReadInt(lFrame)) {
        return Fail("Can't read frame number");
    }
    if (!ReadVector3(lTranslation, mLengthFactor / mScaleFactor)) {
        return Fail("Can't read frame translation");
    }
    if (!ReadVector3(lAngles, mAngleFactor)) {
        return Fail("Can't read frame rotation");
    }
    // Read for the shape of the line; the kit keeps a unit scale.
    if (!ReadDouble(lScale)) {
        return Fail("Can't read frame scaling");
    }
    ioValues.insert(ioValues.end(), lTranslation, lTranslation + 3);
    ioValues.insert(ioValues.end(), lAngles, lAngles + 3);
    return true;
}

void KHtrFile::SkipFrameLines()
{
    // Frames beyond those asked for; the loop stops at the next title or the end.
    while (ReadLine() && !AtSectionTitle()) {
    }
}

bool KHtrFile::SetKeys(KReadRollback& ioRollback, KHtrSegment& ioSegment,
                       const std::vector<double>& pValues, int pCount,
                       const KStreamOptionsMotion& pOptions)
{
    for (KFCurve* lCurve : ioSegment.mCurves) {
        if (!ioRollback.BeginKeySet(lCurve, pCount)) {
            return Fail("cannot hold the frames of \"%s\"", Quoted(ioSegment.mName).c_str());
        }
    }
    // One column of values per curve, set as a batch once the frames are through.
    const std::size_t lCount = static_cast<std::size_t>(std::max(pCount, 0));
    const std::vector<KTime> lTimes = KMotionMarkerBuilder::KeyTimes(pOptions, pCount);
    std::vector<float> lColumns[KHtrSegment::kCurveCount];
    for (std::vector<float>& lColumn : lColumns) {
        lColumn.resize(lCount);
    }
    for (std::size_t k = 0; k < lCount; ++k) {
        const double* lFrame = &pValues[k * kFrameValues];
        KMatrix lRotation = FrameRotation(lFrame + 3);
        // The frame's turn applies first, then the base rotation.
        MatrixMultiply3x3(lRotation, ioSegment.mBaseRotation, lRotation);
        KVector4 lEuler;
        MatrixToEulerXYZ(lEuler, lRotation);
        const double lKeys[KHtrSegment::kCurveCount] = {lFrame[0] + ioSegment.mBaseTranslation[0],
                                                        lFrame[1] + ioSegment.mBaseTranslation[1],
                                                        lFrame[2] + ioSegment.mBaseTranslation[2],
                                                        lEuler[0],
                                                        lEuler[1],
                                                        lEuler[2],
                                                        1.0,
                                                        1.0,
                                                        1.0};
        for (int c = 0; c < KHtrSegment::kCurveCount; ++c) {
            if (!KMotionNumber::FitsFloat(lKeys[c])) {
                return Fail("value out of range in frame %d of \"%s\"", static_cast<int>(k) + 1,
                            Quoted(ioSegment.mName).c_str());
            }
            lColumns[c][k] = static_cast<float>(lKeys[c]);
        }
    }
    for (int c = 0; c < KHtrSegment::kCurveCount; ++c) {
        if (!ioSegment.mCurves[c]->KeySetBatch(0, pCount, lTimes.data(), lColumns[c].data(),
                                               KFCurveKey::kInterpolationCubic)) {
            return Fail("cannot hold the frames of \"%s\"", Quoted(ioSegment.mName).c_str());
        }
    }
    return true;
}

void KHtrFile::MinimizeRotationOffset(KRyvNode* pTop, int pCount)
{
    // The segments below the top's first child, parents first; end nodes and nodes of no
    // segment end their branch.
    std::vector<int> lOrder;
    std::vector<int> lParentOf;
    std::vector<std::pair<KRyvNode*, int>> lStack;
    if (pTop->GetChildCount() > 0) {
        lStack.emplace_back(pTop->GetChild(0), -1);
    }
    while (!lStack.empty()) {
        const auto [lNode, lParent] = lStack.back();
        lStack.pop_back();
        const KHtrSegment* lSegment = FindSegmentByNode(lNode);
        if (lSegment == nullptr) {
            continue;
        }
        lOrder.push_back(static_cast<int>(lSegment - mSegments.data()));
        lParentOf.push_back(lParent);
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lStack.emplace_back(lNode->GetChild(i), static_cast<int>(lOrder.size()) - 1);
        }
    }
    // Per segment in that order, W: the global matrix the keys give it; V: the same with the
    // offsets taken out. Each node keeps its world position and loses its default rotation.
    // Frames go in blocks, segment by segment within a block, so that each curve's keys are read
    // in a run rather than one key of every curve per frame; a parent's block is done before its
    // children's.
    std::vector<KMatrix> lW(lOrder.size() * kOffsetBlock);
    std::vector<KMatrix> lV(lOrder.size() * kOffsetBlock);
    for (int lFirst = 0; lFirst < pCount; lFirst += kOffsetBlock) {
        const int lCount = std::min(kOffsetBlock, pCount - lFirst);
        for (std::size_t i = 0; i < lOrder.size(); ++i) {
            const int lParent = lParentOf[i];
            const KMatrix* lParentW =
                lParent < 0 ? nullptr : &lW[static_cast<std::size_t>(lParent) * kOffsetBlock];
            const KMatrix* lParentV =
                lParent < 0 ? nullptr : &lV[static_cast<std::size_t>(lParent) * kOffsetBlock];
            RemoveOffsets(mSegments[static_cast<std::size_t>(lOrder[i])], lFirst, lCount, lParentW,
                          lParentV, &lW[i * kOffsetBlock], &lV[i * kOffsetBlock]);
        }
    }
}

void KHtrFile::ApplyFilters()
{
    for (KHtrSegment& lSegment : mSegments) {
        KMotionImportFilters::Apply(lSegment.mCurves, lSegment.mCurves + 3);
    }
}
