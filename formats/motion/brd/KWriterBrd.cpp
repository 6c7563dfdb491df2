#include "formats/motion/brd/KWriterBrd.h"

#include "core/KAffineMatrix.h"
#include "formats/motion/KMotionMarkerSampler.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/brd/KBrdFile.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <new>

namespace {

// Progress is reported once per this many frames.
constexpr int kProgressFrames = 64;

// How far a printed quaternion's normalised form may lie from it, in printed units, for it to
// print the same once written, read back into float angles and normalised again.
constexpr double kDriftShare = 0.35;
constexpr int kQuaternionSize = 4;
// The candidates around a rounded quaternion: each component one printed unit down, kept or up.
constexpr int kNeighbourCount = 81;

// The unit of the last printed digit: the largest component of a unit quaternion lies in
// [0.5, 1], printed as 0.dddddd or as 1.
double PrintedUnit(const double pQuaternion[kQuaternionSize])
{
    double lLargest = 0.0;
    for (int i = 0; i < kQuaternionSize; ++i) {
        lLargest = std::max(lLargest, std::fabs(pQuaternion[i]));
    }
    return lLargest >= 1.0 ? 1e-5 : 1e-6;
}

// The largest difference between a quaternion and its normalised form.
double Drift(const double pQuaternion[kQuaternionSize])
{
    double lSquares = 0.0;
    for (int i = 0; i < kQuaternionSize; ++i) {
        lSquares += pQuaternion[i] * pQuaternion[i];
    }
    const double lLength = std::sqrt(lSquares);
    double lDrift = 0.0;
    for (int i = 0; i < kQuaternionSize; ++i) {
        lDrift = std::max(lDrift, std::fabs(pQuaternion[i] / lLength - pQuaternion[i]));
    }
    return lDrift;
}

// Rounds a unit quaternion to what "%g" prints, choosing among the roundings one printed unit
// apart the closest whose normalised form rounds back to it with room to spare: six digits of a
// unit quaternion are not of unit length, and a reader normalises, so the plain rounding could
// print one unit differently when the file is read and written again.
void PrintableQuaternion(double ioQuaternion[kQuaternionSize])
{
    double lRounded[kQuaternionSize];
    std::copy(ioQuaternion, ioQuaternion + kQuaternionSize, lRounded);
    KMotionPrintPrecision::RoundToLargest(lRounded, kQuaternionSize);
    const double lUnit = PrintedUnit(lRounded);
    double lBest[kQuaternionSize];
    std::copy(lRounded, lRounded + kQuaternionSize, lBest);
    if (Drift(lRounded) > lUnit * kDriftShare) {
        double lBestDistance = -1.0;
        for (int n = 0; n < kNeighbourCount; ++n) {
            double lCandidate[kQuaternionSize];
            double lDistance = 0.0;
            for (int i = 0, lDigits = n; i < kQuaternionSize; ++i, lDigits /= 3) {
                lCandidate[i] = lRounded[i] + (lDigits % 3 - 1) * lUnit;
                lDistance += (lCandidate[i] - ioQuaternion[i]) * (lCandidate[i] - ioQuaternion[i]);
            }
            KMotionPrintPrecision::RoundToLargest(lCandidate, kQuaternionSize);
            if (PrintedUnit(lCandidate) == lUnit && Drift(lCandidate) <= lUnit * kDriftShare &&
                (lBestDistance < 0.0 || lDistance < lBestDistance)) {
                std::copy(lCandidate, lCandidate + kQuaternionSize, lBest);
                lBestDistance = lDistance;
            }
        }
    }
    std::copy(lBest, lBest + kQuaternionSize, ioQuaternion);
    KMotionPrintPrecision::ClearNegativeZeros(ioQuaternion, kQuaternionSize);
}

} // namespace

KWriterBrd::KWriterBrd(KRyvObjectFactory* pOwner) : KMotionTextWriter(pOwner) {}

KWriterBrd::~KWriterBrd() = default;

std::unique_ptr<KWriter> KWriterBrd::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterBrd(pOwner));
}

std::unique_ptr<KTextFile> KWriterBrd::NewFile() const
{
    return std::make_unique<KBrdFile>();
}

std::unique_ptr<KStreamOptions> KWriterBrd::GetWriteOptions()
{
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    if (!lOptions) {
        return nullptr;
    }
    lOptions->SetOption(kOptionAllVisible, 1);
    lOptions->SetOption(KMotionMarkerSampler::kOptionGlobalRoot, 0);
    return std::unique_ptr<KStreamOptions>(lOptions.release());
}

bool KWriterBrd::WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions)
{
    KMotionMarkerSampler lSampler(
        KMotionMarkerSampler::SelectReferenceNode(*this, pScene, pOptions));
    const int lFrames = pOptions.GetFrameCount();
    const KTime lStart = pOptions.GetStart();
    const KTime lPeriod = pOptions.GetFramePeriod();
    const bool lOcclusion = pOptions.GetOption(kOptionAllVisible) == 0;
    if (!CheckFrames(pOptions) || !CheckSpanTimes(pOptions, KBrdFile::kMaxSeconds, true)) {
        return false;
    }
    std::int64_t lSamples = 0;
    for (int f = 0; f < lFrames; ++f) {
        if (f % kProgressFrames == 0) {
            pOptions.ReportProgress(
                "Writing BRD animation frames",
                static_cast<float>(static_cast<std::int64_t>(f) * 100 / lFrames));
        }
        if (!WriteFrame(lSampler, f, lStart + lPeriod * f, lOcclusion, lSamples)) {
            return false;
        }
    }
    // A file without a line reads as no sample at all.
    return lSamples > 0 || Fail("No sample to write: no marker is seen at any frame");
}

bool KWriterBrd::WriteFrame(KMotionMarkerSampler& ioSampler, int pFrame, KTime pTime,
                            bool pOcclusion, std::int64_t& ioSamples)
{
    KBrdFile& lFile = *static_cast<KBrdFile*>(GetFile());
    ioSampler.EvaluateAt(pTime);
    for (int j = 0; j < ioSampler.GetMarkerCount(); ++j) {
        if (pOcclusion && ioSampler.GetOcclusion(j, pTime) >= kOcclusionThreshold) {
            continue;
        }
        const KVector4 lPosition = ioSampler.GetPosition(j);
        const KVector4 lTurn = KAffineMatrix(ioSampler.GetGlobalMatrix(j)).GetQ();
        const double lTranslation[3] = {lPosition[0], lPosition[1], lPosition[2]};
        double lQuaternion[4] = {lTurn[0], lTurn[1], lTurn[2], lTurn[3]};
        if (!KMotionNumber::FitsFloat(lTranslation, 3) ||
            !KMotionNumber::FitsFloat(lQuaternion, 4)) {
            return Fail("A marker's position or orientation is out of range.");
        }
        PrintableQuaternion(lQuaternion);
        if (!lFile.WriteSample(pFrame, j, lTranslation, lQuaternion, pTime.GetSecondDouble())) {
            return FailPrint();
        }
        ++ioSamples;
    }
    return true;
}
