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

KWriterAmc::KWriterAmc(KRyvObjectFactory* pOwner) : KMotionTextWriter(pOwner) {}

KWriterAmc::~KWriterAmc() = default;

std::unique_ptr<KWriter> KWriterAmc::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterAmc(pOwner));
}

std::unique_ptr<KTextFile> KWriterAmc::NewFile() const
{
    return std::make_unique<KAmcFile>(false);
}

KAmcFile& KWriterAmc::File() const
{
    return *static_cast<KAmcFile*>(GetFile());
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

bool KWriterAmc::CheckScene(KRyvScene* pScene)
{
    return CheckRootJoint(pScene, "Scene must have a single root node.");
}

bool KWriterAmc::AcceptsOptions(KStreamOptionsMotion& pOptions) const
{
    return dynamic_cast<KRyvAsfScene*>(pOptions.GetAttachedObject()) != nullptr;
}

bool KWriterAmc::WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions)
{
    return WriteAll(FindReferenceNode(pScene.GetRootNode()),
                    *static_cast<KRyvAsfScene*>(pOptions.GetAttachedObject()), pOptions);
}

bool KWriterAmc::WriteAll(KRyvNode* pRoot, KRyvAsfScene& ioSkeleton,
                          const KStreamOptionsMotion& pOptions)
{
    if (!CheckFrames(pOptions)) {
        return false;
    }
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
    bool lWritten = File().WriteHeader(pOptions.GetOption(KWriterAsf::kOptionWriteRate) != 0, lRate,
                                       pOptions.GetOption(KWriterAsf::kOptionWriteRange) != 0,
                                       lFirstFrame, lFirstFrame + lCount - 1);
    for (int i = 1; i <= lCount && lWritten; ++i) {
        const KTime lTime = lStart + lPeriod * (i - 1);
        pOptions.ReportProgress("Writing AMC animation frames",
                                static_cast<float>(static_cast<std::int64_t>(i) * 100 / lCount));
        const KMatrix* lMatrix = lReference ? &lReference->GetGlobalMatrixAtTime(lTime) : nullptr;
        lWritten = File().WriteFrame(ioSkeleton, i, lTime, lMatrix);
    }
    if (!lWritten) {
        GetError().SetLastErrorID(kOutOfDiskSpace);
        return false;
    }
    return true;
}
