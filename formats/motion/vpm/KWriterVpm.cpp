#include "formats/motion/vpm/KWriterVpm.h"

#include "core/KAffineMatrix.h"
#include "formats/motion/KMotionMarkerSampler.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/vpm/KVpmFile.h"
#include "scene/KRyvNode.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <set>
#include <string>

namespace {

const char* const kBufferMessage = "Not enough memory to allocate animation buffer.";

} // namespace

KWriterVpm::KWriterVpm(KRyvObjectFactory* pOwner) : KMotionTextWriter(pOwner) {}

KWriterVpm::~KWriterVpm() = default;

std::unique_ptr<KWriter> KWriterVpm::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterVpm(pOwner));
}

std::unique_ptr<KTextFile> KWriterVpm::NewFile() const
{
    return std::make_unique<KVpmFile>();
}

std::unique_ptr<KStreamOptions> KWriterVpm::GetWriteOptions()
{
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    if (!lOptions) {
        return nullptr;
    }
    lOptions->SetOption(KMotionMarkerSampler::kOptionGlobalRoot, 0);
    return std::unique_ptr<KStreamOptions>(lOptions.release());
}

bool KWriterVpm::WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions)
{
    KMotionMarkerSampler lSampler(
        KMotionMarkerSampler::SelectReferenceNode(*this, pScene, pOptions));
    if (!CheckNames(lSampler, pOptions)) {
        return false;
    }
    const std::uint64_t lRecords = static_cast<std::uint64_t>(pOptions.GetFrameCount()) *
                                   static_cast<std::uint64_t>(lSampler.GetMarkerCount());
    std::vector<Pose> lPoses;
    // Both counts are below 2^31, so the product cannot overflow 64 bits.
    if (lRecords > kMaxBufferBytes / sizeof(Pose)) {
        pOptions.ShowMessage("Error", kBufferMessage, "OK");
        return Fail(kBufferMessage);
    }
    try {
        lPoses.resize(static_cast<std::size_t>(lRecords));
    } catch (const std::bad_alloc&) {
        pOptions.ShowMessage("Error", kBufferMessage, "OK");
        return Fail(kBufferMessage);
    }
    return ComputePoses(lSampler, pOptions, lPoses) && WriteSegments(lSampler, pOptions, lPoses);
}

bool KWriterVpm::CheckNames(const KMotionMarkerSampler& pSampler,
                            const KStreamOptionsMotion& pOptions)
{
    // The segment name is one word of the reader's longest.
    const std::string lRefusal = pSampler.FindNameRefusal("VPM", KTextFile::kDefaultMaxWord);
    if (!lRefusal.empty()) {
        pOptions.ShowMessage("Error", lRefusal.c_str(), "OK");
        return Fail(lRefusal.c_str());
    }
    KString lBad("Spaces are not allowed in VPM node names:");
    bool lAllGood = true;
    std::set<std::string> lSeen;
    for (int j = 0; j < pSampler.GetMarkerCount(); ++j) {
        const KString lName = pSampler.GetMarkerName(j);
        if (std::strpbrk(lName.Buffer(), " \t\r\n") != nullptr) {
            lBad += "\n    ";
            lBad += pSampler.GetMarker(j)->GetNameWithoutPrefix();
            lAllGood = false;
        } else if (!lSeen.insert(lName.Buffer()).second) {
            GetMessage() += (std::string("Two segments are named \"") + lName.Buffer() +
                             "\": the file will not read back\n")
                                .c_str();
        }
    }
    if (!lAllGood) {
        pOptions.ShowMessage("Error", lBad.Buffer(), "OK");
        return Fail(lBad.Buffer());
    }
    return true;
}

bool KWriterVpm::ComputePoses(KMotionMarkerSampler& ioSampler, const KStreamOptionsMotion& pOptions,
                              std::vector<Pose>& oPoses)
{
    const int lFrames = pOptions.GetFrameCount();
    const int lObjects = ioSampler.GetMarkerCount();
    const KTime lStart = pOptions.GetStart();
    const KTime lPeriod = pOptions.GetFramePeriod();
    for (int f = 0; f < lFrames; ++f) {
        pOptions.ReportProgress("Computing VPM animation frames",
                                static_cast<float>(static_cast<std::int64_t>(f) * 50 / lFrames));
        ioSampler.EvaluateAt(lStart + lPeriod * f);
        for (int j = 0; j < lObjects; ++j) {
            Pose& lPose = oPoses[static_cast<std::size_t>(f) * lObjects + j];
            lPose.mTranslation = ioSampler.GetPosition(j);
            const KVector4 lAngles = KAffineMatrix(ioSampler.GetGlobalMatrix(j)).GetR();
            double lRotation[3] = {lAngles[0], lAngles[1], lAngles[2]};
            KMotionPrintPrecision::RoundToLargest(lRotation, 3);
            KMotionPrintPrecision::ClearNegativeZeros(lRotation, 3);
            lPose.mRotation = KVector4(lRotation[0], lRotation[1], lRotation[2]);
            if (!KMotionNumber::FitsFloat(&lPose.mTranslation[0], 3) ||
                !KMotionNumber::FitsFloat(lRotation, 3)) {
                return Fail("An object's transform is out of range.");
            }
        }
    }
    return true;
}

bool KWriterVpm::WriteSegments(const KMotionMarkerSampler& pSampler,
                               const KStreamOptionsMotion& pOptions,
                               const std::vector<Pose>& pPoses)
{
    KVpmFile& lFile = *static_cast<KVpmFile*>(GetFile());
    const int lFrames = pOptions.GetFrameCount();
    const int lObjects = pSampler.GetMarkerCount();
    const double lFrameTime = pOptions.GetFramePeriod().GetSecondDouble();
    const KVector4 lFullSize(1.0, 1.0, 1.0);
    for (int j = 0; j < lObjects; ++j) {
        pOptions.ReportProgress("Writing VPM nodes", 50.0f + static_cast<float>(j * 50 / lObjects));
        if (!lFile.WriteSegmentHeader(pSampler.GetMarkerName(j).Buffer(), lFrames, lFrameTime) ||
            !lFile.WriteColumnTitles()) {
            return FailPrint();
        }
        for (int f = 0; f < lFrames; ++f) {
            const Pose& lPose = pPoses[static_cast<std::size_t>(f) * lObjects + j];
            if (!lFile.WriteFrame(lPose.mTranslation, lPose.mRotation, lFullSize)) {
                return FailPrint();
            }
        }
    }
    return true;
}
