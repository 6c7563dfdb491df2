#include "formats/motion/KWriterOptical.h"

#include "formats/motion/KMotionMarkerSampler.h"
#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/KUniqueNameTable.h"
#include "io/KOutOfMemory.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <cerrno>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

KWriterOptical::KWriterOptical(KRyvObjectFactory* pOwner, const char* pDescription)
    : KWriter(pOwner), mDescription(pDescription)
{
}

KWriterOptical::~KWriterOptical()
{
    if (mFile && !mWritten) {
        mFile->Discard();
    }
}

bool KWriterOptical::FileCreate(const char* pFileName)
{
    if (mFile && !mWritten) {
        mFile->Discard();
    }
    mFile.reset();
    mWritten = false;
    const std::string lPath = pFileName ? pFileName : "";
    mFileName = lPath.substr(lPath.find_last_of('/') + 1);
    try {
        mFile = pFileName ? CreateFile(pFileName) : nullptr;
    } catch (const std::bad_alloc&) {
        mFile.reset();
    }
    if (!mFile) {
        const std::string lText =
            std::string("Cannot open file \"") + (pFileName ? pFileName : "") + "\" for writing.";
        GetError().SetLastError(kFileNotOpened, lText.c_str());
        return false;
    }
    return true;
}

bool KWriterOptical::FileClose()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    if (!mWritten) {
        mFile->Discard();
    }
    mFile.reset();
    return true;
}

bool KWriterOptical::IsFileOpen()
{
    return mFile != nullptr;
}

std::unique_ptr<KStreamOptions> KWriterOptical::GetWriteOptions()
{
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    if (!lOptions) {
        return nullptr;
    }
    SetWriteDefaults(*lOptions);
    return std::unique_ptr<KStreamOptions>(lOptions.release());
}

bool KWriterOptical::Write(KRyvScene* pScene, KStreamOptions* pOptions)
{
    // A file that was written and closed takes no second Write.
    if (!CheckWriteArguments(mFile && !mWritten, pScene, pOptions, KStreamOptionsMotion::ClassId(),
                             false)) {
        return false;
    }
    KStreamOptionsMotion& lOptions = *static_cast<KStreamOptionsMotion*>(pOptions);
    const char* lNoSpan = KMotionTakeSpan::FillMissing(*pScene, lOptions);
    const std::string lRefusal =
        lNoSpan ? std::string(lNoSpan) : KMotionTakeSpan::CheckWriteLimit(*pScene, lOptions);
    if (!lRefusal.empty()) {
        GetError().SetLastError(kUnidentifiedError, lRefusal.c_str());
        GetMessage() += lRefusal.c_str();
        GetMessage() += "\n";
        return false;
    }
    const bool lDone = CatchOutOfMemory(
        [&] {
            KMotionMarkerSampler lSampler(
                KMotionMarkerSampler::SelectReferenceNode(*this, *pScene, lOptions));
            return CheckNames(lSampler) && WriteAll(lSampler, lOptions);
        },
        [&] {
            GetError().SetLastErrorID(kUnidentifiedError);
            return false;
        });
    GetMessage() += mFile->GetWarnings().c_str();
    if (!lDone) {
        mFile->Discard();
        return false;
    }
    // The flush at closing is the last write that can find the disk full; the file's being put
    // in place can fail for other causes, which are named.
    errno = 0;
    if (!mFile->Close()) {
        return FailCommit(mFileName.c_str());
    }
    mWritten = true;
    return true;
}

bool KWriterOptical::WriteAll(KMotionMarkerSampler& ioSampler, const KStreamOptionsMotion& pOptions)
{
    const int lCount = ioSampler.GetMarkerCount();
    std::vector<KString> lNames;
    lNames.reserve(static_cast<std::size_t>(lCount));
    for (int i = 0; i < lCount; ++i) {
        lNames.push_back(ioSampler.GetMarkerName(i));
    }
    // Names lose their prefixes ("Human1:"), so two subjects' markers may meet: the file gets
    // names its reader takes, and the message says which changed.
    for (const std::size_t k : KUniqueNameTable::MakeUnique(lNames)) {
        const KRyvNode* lNode = ioSampler.GetMarker(static_cast<int>(k));
        GetMessage() += KUniqueNameTable::DescribeRename(mFileName, "written",
                                                         lNode->GetNameWithoutPrefix(), lNames[k])
                            .c_str();
    }
    KOpticalMarkerHeader lHeader;
    lHeader.mMarkerCount = lCount;
    lHeader.mStart = pOptions.GetStart();
    lHeader.mFrameCount = pOptions.GetFrameCount();
    lHeader.mFrameRate = pOptions.GetFrameRate();
    lHeader.mScale = pOptions.GetOption(kOptionNegativeScale) == 1 ? -1.0 : 1.0;
    if (!mFile->WriteHeader(lHeader) || !mFile->WriteNames(lNames)) {
        return FailFile();
    }
    // The rest pose once the file has taken the header and names, so that a file that cannot
    // hold the markers (C3D's counts) refuses them before anything is sampled. The sampler works
    // in the reference node's space from here on.
    ioSampler.EvaluateRestPose();
    if (!WriteFrames(ioSampler, pOptions) || !mFile->EndWrite()) {
        return FailFile();
    }
    return true;
}

bool KWriterOptical::WriteFrames(KMotionMarkerSampler& ioSampler,
                                 const KStreamOptionsMotion& pOptions)
{
    const int lFrames = pOptions.GetFrameCount();
    const int lCount = ioSampler.GetMarkerCount();
    const bool lSkipOcclusion = pOptions.GetOption(kOptionSkipOcclusion) == 1;
    const KTime lPeriod = pOptions.GetFramePeriod();
    std::vector<KVector4> lPositions(static_cast<std::size_t>(lCount));
    KTime lTime = pOptions.GetStart();
    for (int i = 1; i <= lFrames; ++i) {
        pOptions.ReportProgress("Writing animation frames",
                                static_cast<float>(static_cast<std::int64_t>(i) * 100 / lFrames));
        ioSampler.EvaluateAt(lTime);
        for (int m = 0; m < lCount; ++m) {
            KVector4 lPosition = ioSampler.GetPosition(m);
            const bool lHidden =
                !lSkipOcclusion && ioSampler.GetOcclusion(m, lTime) > kOcclusionThreshold;
            lPosition[3] = lHidden ? 1.0 : 0.0;
            lPositions[static_cast<std::size_t>(m)] = lPosition;
        }
        if (!mFile->WriteFrame(lPositions.data(), lCount, lTime, i)) {
            return false;
        }
        lTime += lPeriod;
    }
    return true;
}

bool KWriterOptical::CheckNames(const KMotionMarkerSampler& pSampler)
{
    // An empty name cell would read as no name at all; lengths are the file's to refuse.
    const std::string lRefusal =
        pSampler.FindNameRefusal(mFile->GetFormatName(), std::string::npos);
    if (lRefusal.empty()) {
        return true;
    }
    GetError().SetLastError(kUnidentifiedError, lRefusal.c_str());
    GetMessage() += (lRefusal + "\n").c_str();
    return false;
}

bool KWriterOptical::FailFile()
{
    if (mFile->WriteFailed()) {
        GetError().SetLastErrorID(kOutOfDiskSpace);
    } else {
        GetError().SetLastError(kUnidentifiedError, mFile->GetError().c_str());
    }
    GetMessage() += GetError().GetLastErrorString();
    GetMessage() += "\n";
    return false;
}
