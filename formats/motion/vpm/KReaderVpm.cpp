#include "formats/motion/vpm/KReaderVpm.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/KMotionImportFilters.h"
#include "formats/motion/KMotionMarkerBuilder.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/vpm/KVpmFile.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

namespace {

constexpr int kAxisCount = 3;
// The shortest frame line: nine one-digit numbers and their separators.
constexpr std::uint64_t kMinFrameLineBytes = 18;
// Progress is reported once per this many frames.
constexpr int kProgressFrames = 64;

} // namespace

KReaderVpm::KReaderVpm(KRyvObjectFactory* pOwner) : KMotionTextReader(pOwner) {}

KReaderVpm::~KReaderVpm() = default;

std::unique_ptr<KReader> KReaderVpm::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderVpm(pOwner));
}

std::unique_ptr<KTextFile> KReaderVpm::NewFile() const
{
    return std::make_unique<KVpmFile>();
}

KVpmFile& KReaderVpm::File() const
{
    return *static_cast<KVpmFile*>(GetFile());
}

std::unique_ptr<KStreamOptions> KReaderVpm::GetReadOptions()
{
    if (!GetFile()) {
        GetError().SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    try {
        KString lName;
        int lFrames = 0;
        double lFrameTime = 0.0;
        File().ClearLastError();
        if (!File().ReadSegmentHeader(lName, lFrames, lFrameTime, true)) {
            FailFile("no segment");
            return nullptr;
        }
        std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
        if (!lOptions) {
            GetError().SetLastErrorID(kUnidentifiedError);
            return nullptr;
        }
        lOptions->SetStart(KTime());
        lOptions->SetFrameCount(lFrames);
        lOptions->SetTimeMode(0, 1.0 / lFrameTime);
        lOptions->SetOption(KMotionMarkerBuilder::kOptionOpticalName, 0);
        return std::unique_ptr<KStreamOptions>(lOptions.release());
    } catch (const std::bad_alloc&) {
        FailFile("out of memory");
        return nullptr;
    }
}

bool KReaderVpm::ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    const KString lTakeName = KMotionMarkerBuilder::TakeNameOf(File().GetFileName());
    KReadRollback lRollback(GetOwner());
    KMotionMarkerBuilder lBuilder(*GetOwner(), lRollback, lTakeName.Buffer());
    KRyvNode* lReference = lBuilder.CreateReference("VPM", ioOptions);
    if (!lReference) {
        return FailFile("cannot create the reference node");
    }
    File().ClearLastError();
    int lFramesKeyed = 0;
    Scratch lScratch;
    for (bool lFirst = true;; lFirst = false) {
        Segment lSegment;
        const ESegment lResult = ReadSegment(lSegment, lFirst, ioOptions);
        if (lResult != ESegment::eRead && lFirst) {
            return FailFile("no segment");
        }
        if (lResult == ESegment::eBroken) {
            WarnBroken(lSegment.mName);
        }
        if (lResult != ESegment::eRead) {
            break;
        }
        if (!BuildSegment(lBuilder, lRollback, lReference, lSegment, ioOptions, lScratch)) {
            return FailFile("cannot create the segment nodes");
        }
        lFramesKeyed = std::max(lFramesKeyed, lSegment.mFrames);
    }
    KString lDuplicates = KString("Duplicate names found in ") + File().GetFileName().c_str() + ":";
    if (!ReportDuplicateNames(lReference, lDuplicates)) {
        ioOptions.ShowMessage("Error", lDuplicates.Buffer(), "Ok");
        return Fail(lDuplicates);
    }
    // The span covers the frames keyed: segments shorter than the count asked for leave less.
    ioOptions.SetFrameCount(lFramesKeyed);
    if (!lBuilder.JoinScene(ioScene, lReference, ioOptions, lFramesKeyed)) {
        return FailFile("the segments cannot join the scene");
    }
    lBuilder.Commit(ioScene);
    return true;
}

KReaderVpm::ESegment KReaderVpm::ReadSegment(Segment& oSegment, bool pFirst,
                                             const KStreamOptionsMotion& pOptions)
{
    KVpmFile& lFile = File();
    int lFrames = 0;
    double lFrameTime = 0.0;
    if (!lFile.ReadSegmentHeader(oSegment.mName, lFrames, lFrameTime, pFirst)) {
        return lFile.IsAtEnd() && lFile.GetLastError().empty() && !lFile.IsCorrupt()
                   ? ESegment::eEnd
                   : ESegment::eBroken;
    }
    if (!lFile.SkipColumnTitles()) {
        lFile.Error("segment \"%s\" has no column titles",
                    KVpmFile::QuoteName(oSegment.mName).c_str());
        return ESegment::eBroken;
    }
    const int lUsed = std::min(lFrames, pOptions.GetFrameCount());
    const int lProgressTotal = std::max(pOptions.GetFrameCount(), 1);
    // Storage is reserved for no more frames than the rest of the file can hold lines for, so
    // the count a header claims never sizes it.
    const std::uint64_t lFit = lFile.GetRemainingBytes() / kMinFrameLineBytes + 1;
    const std::size_t lReserve =
        static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(lUsed), lFit));
    oSegment.mValues.reserve(lReserve * KVpmFile::kFrameValues);
    double lFrame[KVpmFile::kFrameValues];
    for (int i = 0; i < lUsed; ++i) {
        if (i % kProgressFrames == 0) {
            pOptions.ReportProgress(
                "Reading VPM nodes",
                static_cast<float>(static_cast<std::int64_t>(i) * 100 / lProgressTotal));
        }
        if (!lFile.ReadFrame(lFrame)) {
            if (lFile.GetLastError().empty()) {
                lFile.Error("segment \"%s\" ends after %d of %d frames",
                            KVpmFile::QuoteName(oSegment.mName).c_str(), i, lFrames);
            }
            return ESegment::eBroken;
        }
        // The values were checked to fit single precision.
        for (const double lValue : lFrame) {
            oSegment.mValues.push_back(static_cast<float>(lValue));
        }
        ++oSegment.mFrames;
    }
    // The frames beyond the ones used; each step reads a line, so a huge count ends at the end
    // of the file.
    for (int i = lUsed; i < lFrames; ++i) {
        if (!lFile.ReadLine()) {
            break;
        }
    }
    return ESegment::eRead;
}

void KReaderVpm::WarnBroken(const KString& pName)
{
    const std::string lWhy = File().GetLastError().empty()
                                 ? File().GetFileName() + ": a segment breaks off"
                                 : File().GetLastError();
    GetMessage() += (lWhy + "; segment \"" + KVpmFile::QuoteName(pName) +
                     "\" and those after it are not read\n")
                        .c_str();
}

bool KReaderVpm::BuildSegment(KMotionMarkerBuilder& ioBuilder, KReadRollback& ioRollback,
                              KRyvNode* pReference, const Segment& pSegment,
                              const KStreamOptionsMotion& pOptions, Scratch& ioScratch)
{
    KRyvNode* lNode = ioBuilder.CreateMarker(pReference, pSegment.mName.Buffer());
    if (!lNode) {
        return false;
    }
    KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
    KFCurve* lCurves[KVpmFile::kFrameValues] = {
        lTake->GetTransformTX(), lTake->GetTransformTY(), lTake->GetTransformTZ(),
        lTake->GetTransformRX(), lTake->GetTransformRY(), lTake->GetTransformRZ(),
        lTake->GetTransformSX(), lTake->GetTransformSY(), lTake->GetTransformSZ()};
    const int lFrames = pSegment.mFrames;
    KMotionMarkerBuilder::ExtendKeyTimes(pOptions, lFrames, ioScratch.mTimes);
    std::vector<float>& lColumn = ioScratch.mColumn;
    lColumn.resize(static_cast<std::size_t>(lFrames));
    for (int c = 0; c < KVpmFile::kFrameValues; ++c) {
        for (std::size_t i = 0; i < lColumn.size(); ++i) {
            lColumn[i] = pSegment.mValues[i * KVpmFile::kFrameValues + static_cast<std::size_t>(c)];
        }
        if (!ioRollback.BeginKeySet(lCurves[c], lFrames) ||
            !lCurves[c]->KeySetBatch(0, lFrames, ioScratch.mTimes.data(), lColumn.data(),
                                     KFCurveKey::kInterpolationCubic)) {
            return false;
        }
    }
    ioRollback.EndKeySets(lFrames);
    KMotionImportFilters::Apply(lCurves, lCurves + kAxisCount);
    KMotionImportFilters::ReduceConstantKeys(lCurves + 2 * kAxisCount, kAxisCount);
    return true;
}
