#include "formats/motion/mov/KWriterMov.h"

#include "core/KAffineMatrix.h"
#include "formats/motion/KMotionMarkerSampler.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/mov/KMovFile.h"
#include "formats/motion/mov/KReaderMov.h"
#include "scene/KRyvNode.h"

#include <cstdint>
#include <new>

namespace {

constexpr int kGroupCount = 3;
// Progress is reported once per this many frames.
constexpr int kProgressFrames = 64;

} // namespace

KWriterMov::KWriterMov(KRyvObjectFactory* pOwner) : KMotionTextWriter(pOwner) {}

KWriterMov::~KWriterMov() = default;

std::unique_ptr<KWriter> KWriterMov::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterMov(pOwner));
}

std::unique_ptr<KTextFile> KWriterMov::NewFile() const
{
    return std::make_unique<KMovFile>();
}

std::unique_ptr<KStreamOptions> KWriterMov::GetWriteOptions()
{
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    if (!lOptions) {
        return nullptr;
    }
    for (int g = 0; g < kGroupCount; ++g) {
        lOptions->SetOption(KReaderMov::kOptionTranslation + g, 1);
    }
    lOptions->SetOption(KMotionMarkerSampler::kOptionGlobalRoot, 0);
    return std::unique_ptr<KStreamOptions>(lOptions.release());
}

bool KWriterMov::WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions)
{
    bool lGroups[kGroupCount];
    bool lAny = false;
    for (int g = 0; g < kGroupCount; ++g) {
        lGroups[g] = pOptions.GetOption(KReaderMov::kOptionTranslation + g) == 1;
        lAny = lAny || lGroups[g];
    }
    if (!lAny) {
        GetError().SetLastError(kFileNotCreated, "No animation to export.");
        return false;
    }
    if (!CheckFrames(pOptions) || !CheckSpanTimes(pOptions, KReaderMov::kMaxSeconds, false)) {
        return false;
    }
    KMotionMarkerSampler lSampler(
        KMotionMarkerSampler::SelectReferenceNode(*this, pScene, pOptions));
    const int lFrames = pOptions.GetFrameCount();
    const KTime lStart = pOptions.GetStart();
    const KTime lPeriod = pOptions.GetFramePeriod();
    for (int f = 0; f < lFrames; ++f) {
        if (f % kProgressFrames == 0) {
            pOptions.ReportProgress(
                "Writing MOV animation frames",
                static_cast<float>(static_cast<std::int64_t>(f) * 100 / lFrames));
        }
        if (!WriteFrame(lSampler, lStart + lPeriod * f, lGroups)) {
            return false;
        }
    }
    return true;
}

bool KWriterMov::WriteFrame(KMotionMarkerSampler& ioSampler, KTime pTime, const bool pGroups[3])
{
    KTextFile& lFile = *GetFile();
    ioSampler.EvaluateAt(pTime);
    if (lFile.Print(0, "%g\t", pTime.GetSecondDouble()) < 0) {
        return FailPrint();
    }
    for (int j = 0; j < ioSampler.GetMarkerCount(); ++j) {
        const KAffineMatrix lGlobal(ioSampler.GetGlobalMatrix(j));
        const KVector4 lT = ioSampler.GetPosition(j);
        const KVector4 lR = lGlobal.GetR();
        const KVector4 lS = lGlobal.GetS();
        double lValues[kGroupCount][3] = {
            {lT[0], lT[1], lT[2]}, {lR[0], lR[1], lR[2]}, {lS[0], lS[1], lS[2]}};
        KMotionPrintPrecision::RoundToLargest(lValues[1], 3);
        KMotionPrintPrecision::ClearNegativeZeros(lValues[1], 3);
        for (int g = 0; g < kGroupCount; ++g) {
            if (!pGroups[g]) {
                continue;
            }
            if (!KMotionNumber::FitsFloat(lValues[g], 3)) {
                return Fail("An object's transform is out of range.");
            }
            if (lFile.Print(0, "%g\t%g\t%g\t", lValues[g][0], lValues[g][1], lValues[g][2]) < 0) {
                return FailPrint();
            }
        }
    }
    return lFile.Print(0, "\n") >= 0 || FailPrint();
}
