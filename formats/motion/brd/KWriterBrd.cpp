#include "formats/motion/brd/KWriterBrd.h"

#include "core/KAffineMatrix.h"
#include "formats/motion/KMotionMarkerSampler.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/brd/KBrdFile.h"
#include "scene/KRyvNode.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <new>

namespace {

// Progress is reported once per this many frames.
constexpr int kProgressFrames = 64;

// Readers key values into single precision, so nothing beyond it is written.
bool AllFitFloat(const double* pValues, int pCount)
{
    for (int i = 0; i < pCount; ++i) {
        if (!(std::fabs(pValues[i]) <= static_cast<double>(FLT_MAX))) {
            return false;
        }
    }
    return true;
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
    for (int f = 0; f < lFrames; ++f) {
        if (f % kProgressFrames == 0) {
            pOptions.ReportProgress(
                "Writing BRD animation frames",
                static_cast<float>(static_cast<std::int64_t>(f) * 100 / lFrames));
        }
        if (!WriteFrame(lSampler, f, lStart + lPeriod * f, lOcclusion)) {
            return false;
        }
    }
    return true;
}

bool KWriterBrd::WriteFrame(KMotionMarkerSampler& ioSampler, int pFrame, KTime pTime,
                            bool pOcclusion)
{
    KBrdFile& lFile = *static_cast<KBrdFile*>(GetFile());
    ioSampler.EvaluateAt(pTime);
    for (int j = 0; j < ioSampler.GetMarkerCount(); ++j) {
        if (pOcclusion && ioSampler.GetOcclusion(j, pTime) >= kOcclusionThreshold) {
            continue;
        }
        const KVector4 lPosition = ioSampler.GetPosition(j);
        const KVector4 lTurn = KAffineMatrix(*ioSampler.GetMarker(j)->GetGlobalWorkMatrix()).GetQ();
        const double lTranslation[3] = {lPosition[0], lPosition[1], lPosition[2]};
        double lQuaternion[4] = {lTurn[0], lTurn[1], lTurn[2], lTurn[3]};
        if (!AllFitFloat(lTranslation, 3) || !AllFitFloat(lQuaternion, 4)) {
            return Fail("A marker's position or orientation is out of range.");
        }
        KMotionPrintPrecision::RoundToLargest(lQuaternion, 4);
        KMotionPrintPrecision::ClearNegativeZeros(lQuaternion, 4);
        if (!lFile.WriteSample(pFrame, j, lTranslation, lQuaternion, pTime.GetSecondDouble())) {
            return FailPrint();
        }
    }
    return true;
}
