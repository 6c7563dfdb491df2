#include "formats/motion/asf-amc/KWriterAmc.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KAmcFile.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "formats/motion/asf-amc/KWriterAsf.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include <string>

KWriterAmc::KWriterAmc(KRyvObjectFactory* pOwner) : KWriter(pOwner) {}

KWriterAmc::~KWriterAmc()
{
    if (mFile) {
        mFile->Discard();
    }
}

std::unique_ptr<KWriter> KWriterAmc::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterAmc(pOwner));
}

bool KWriterAmc::FileCreate(const char* pFileName)
{
    mFile.reset();
    try {
        auto lFile = std::make_unique<KAmcFile>(false);
        if (!pFileName || !lFile->Open(pFileName, "w")) {
            const std::string lText = std::string("Cannot open file \"") +
                                      (pFileName ? pFileName : "") + "\" for writing.";
            GetError().SetLastError(kFileNotOpened, lText.c_str());
            return false;
        }
        mFile = std::move(lFile);
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    return true;
}

bool KWriterAmc::FileClose()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mFile->Discard();
    mFile.reset();
    return true;
}

bool KWriterAmc::IsFileOpen()
{
    return mFile != nullptr;
}

std::unique_ptr<KStreamOptions> KWriterAmc::GetWriteOptions()
{
    return KWriterAsf::MakeWriteOptions();
}

const char* KWriterAmc::FindMissingContent(KRyvScene* pScene)
{
    return pScene && FindReferenceNode(pScene->GetRootNode()) ? nullptr
                                                              : "no skeleton under a single root";
}

bool KWriterAmc::Write(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!mFile || !mFile->IsWriting()) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    KRyvNode* lRoot = pScene ? FindReferenceNode(pScene->GetRootNode()) : nullptr;
    if (!lRoot) {
        GetError().SetLastError(kFileNotCreated, "Scene must have a single root node.");
        return false;
    }
    auto* lOptions = dynamic_cast<KStreamOptionsMotion*>(pOptions);
    auto* lSkeleton =
        lOptions ? dynamic_cast<KRyvAsfScene*>(lOptions->GetAttachedObject()) : nullptr;
    if (!lSkeleton) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    bool lWritten = false;
    try {
        lWritten = WriteAll(lRoot, *lSkeleton, *lOptions);
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kUnidentifiedError);
    }
    if (!lWritten) {
        mFile->Discard();
    }
    return lWritten;
}

bool KWriterAmc::WriteAll(KRyvNode* pRoot, KRyvAsfScene& ioSkeleton,
                          const KStreamOptionsMotion& pOptions)
{
    if (!ioSkeleton.AttachToScene(pRoot)) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    const int lCount = pOptions.GetFrameCount();
    const KTime lStart = pOptions.GetStart();
    const KTime lPeriod = pOptions.GetFramePeriod();
    const double lRate = pOptions.GetFrameRate();
    const double lFirst = std::rint(lStart.GetSecondDouble() * lRate);
    if (!(std::fabs(lFirst) + lCount < static_cast<double>(INT_MAX))) {
        GetError().SetLastError(kUnidentifiedError, "The frame range does not fit the file.");
        return false;
    }
    const int lFirstFrame = static_cast<int>(lFirst);
    KRyvNode* lReference =
        pOptions.GetOption(KWriterAsf::kOptionReference) == 1 ? pRoot->GetParent() : nullptr;
    bool lWritten = mFile->WriteHeader(pOptions.GetOption(KWriterAsf::kOptionWriteRate) != 0, lRate,
                                       pOptions.GetOption(KWriterAsf::kOptionWriteRange) != 0,
                                       lFirstFrame, lFirstFrame + lCount - 1);
    for (int i = 1; i <= lCount && lWritten; ++i) {
        const KTime lTime = lStart + lPeriod * (i - 1);
        pOptions.ReportProgress("Writing AMC animation frames",
                                static_cast<float>(static_cast<std::int64_t>(i) * 100 / lCount));
        const KMatrix* lMatrix = lReference ? &lReference->GetGlobalMatrixAtTime(lTime) : nullptr;
        lWritten = mFile->WriteFrame(ioSkeleton, i, lTime, lMatrix);
    }
    // The flush at closing is the last write that can find the disk full.
    if (!lWritten || !mFile->Close()) {
        GetError().SetLastErrorID(kOutOfDiskSpace);
        return false;
    }
    return true;
}
