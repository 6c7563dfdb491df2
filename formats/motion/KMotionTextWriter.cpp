#include "formats/motion/KMotionTextWriter.h"

#include "formats/motion/KMotionMarkerSampler.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/KTextFile.h"
#include "io/KOutOfMemory.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

namespace {

const char* const kNoMarker = "no node marked for export";

} // namespace

KMotionTextWriter::KMotionTextWriter(KRyvObjectFactory* pOwner) : KWriter(pOwner) {}

KMotionTextWriter::~KMotionTextWriter()
{
    if (mFile) {
        mFile->Discard();
    }
}

bool KMotionTextWriter::FileCreate(const char* pFileName)
{
    if (mFile) {
        mFile->Discard();
    }
    mFile.reset();
    try {
        std::unique_ptr<KTextFile> lFile = NewFile();
        lFile->SetOutputGroup(GetOutputGroup());
        errno = 0;
        if (!pFileName || !lFile->Open(pFileName, "w")) {
            return FailOpen(pFileName);
        }
        mFile = std::move(lFile);
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    return true;
}

bool KMotionTextWriter::FileClose()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mFile->Discard();
    mFile.reset();
    return true;
}

bool KMotionTextWriter::IsFileOpen()
{
    return mFile != nullptr;
}

bool KMotionTextWriter::Write(KRyvScene* pScene, KStreamOptions* pOptions)
{
    const bool lOpened = mFile && mFile->IsWriting();
    // A skeleton writer's own scene check comes before the options; an unopened file still
    // answers kFileNotOpened first.
    if (lOpened && !CheckScene(pScene)) {
        return false;
    }
    const auto lAccepts = [this](KStreamOptions& pFound) {
        return AcceptsOptions(static_cast<KStreamOptionsMotion&>(pFound));
    };
    if (!CheckWriteArguments(lOpened, pScene, pOptions, KStreamOptionsMotion::ClassId(), false,
                             lAccepts)) {
        return false;
    }
    KStreamOptionsMotion& lOptions = *static_cast<KStreamOptionsMotion*>(pOptions);
    if (WritesFrames()) {
        if (const char* lNoSpan = KMotionTakeSpan::FillMissing(*pScene, lOptions)) {
            return Fail(lNoSpan);
        }
        const std::string lTooLong = KMotionTakeSpan::CheckWriteLimit(*pScene, lOptions);
        if (!lTooLong.empty()) {
            return Fail(lTooLong.c_str());
        }
    }
    if (!CheckWrite(*pScene, lOptions)) {
        return false;
    }
    const bool lWritten = CatchOutOfMemory([&] { return WriteScene(*pScene, lOptions); },
                                           [&] { return Fail("out of memory"); });
    if (!lWritten) {
        mFile->Discard();
        return false;
    }
    // The flush at closing is the last write that can find the disk full; the file's being put
    // in place can fail for other causes, which are named.
    errno = 0;
    if (!mFile->Close()) {
        return FailCommit(mFile->GetFileName().c_str());
    }
    Written(lOptions);
    return true;
}

bool KMotionTextWriter::CheckScene(KRyvScene*)
{
    return true;
}

bool KMotionTextWriter::WritesFrames() const
{
    return true;
}

bool KMotionTextWriter::AcceptsOptions(KStreamOptionsMotion&) const
{
    return true;
}

bool KMotionTextWriter::CheckWrite(KRyvScene&, const KStreamOptionsMotion&)
{
    return true;
}

void KMotionTextWriter::Written(KStreamOptionsMotion&) {}

bool KMotionTextWriter::FailOpen(const char* pFileName)
{
    // The cause, when the system gave one, says why ("Is a directory").
    const std::string lCause = errno != 0 ? std::string(": ") + std::strerror(errno) : "";
    const std::string lText = std::string("Cannot open file \"") + (pFileName ? pFileName : "") +
                              "\" for writing" + lCause + ".";
    GetError().SetLastError(kFileNotOpened, lText.c_str());
    return false;
}

const char* KMotionTextWriter::FindMissingContent(KRyvScene* pScene)
{
    const std::unique_ptr<KStreamOptions> lOptions = GetWriteOptions();
    if (!pScene || !pScene->GetRootNode() || !lOptions) {
        return kNoMarker;
    }
    const KMotionMarkerSampler lSampler(KMotionMarkerSampler::SelectReferenceNode(
        *this, *pScene, *static_cast<KStreamOptionsMotion*>(lOptions.get())));
    return lSampler.GetMarkerCount() > 0 ? nullptr : kNoMarker;
}

bool KMotionTextWriter::FailPrint()
{
    if (mFile->WriteFailed()) {
        GetError().SetLastErrorID(kOutOfDiskSpace);
    } else {
        GetError().SetLastError(kUnidentifiedError, mFile->GetLastError().c_str());
    }
    GetMessage() += GetError().GetLastErrorString();
    GetMessage() += "\n";
    return false;
}

bool KMotionTextWriter::Fail(const char* pText)
{
    GetError().SetLastError(kUnidentifiedError, pText);
    GetMessage() += pText;
    GetMessage() += "\n";
    return false;
}

bool KMotionTextWriter::CheckFrames(const KStreamOptionsMotion& pOptions)
{
    if (pOptions.GetFrameCount() > 0) {
        return true;
    }
    const std::string lText = std::string("No frames to write: the ") + mFile->GetFormatName() +
                              " format holds at least one";
    return Fail(lText.c_str());
}

bool KMotionTextWriter::CheckSpanTimes(const KStreamOptionsMotion& pOptions, double pMaxSeconds,
                                       bool pEveryFrame)
{
    const KTime lStart = pOptions.GetStart();
    const int lLastFrame = pEveryFrame ? std::max(pOptions.GetFrameCount() - 1, 0) : 0;
    const KTime lLast = lStart + pOptions.GetFramePeriod() * lLastFrame;
    for (const double lSeconds : {lStart.GetSecondDouble(), lLast.GetSecondDouble()}) {
        if (!(std::fabs(lSeconds) <= pMaxSeconds)) {
            std::string lText;
            KMotionNumber::AppendFormat(
                lText, "A frame at %.10g s lies beyond the %g s the %s format holds", lSeconds,
                pMaxSeconds, mFile->GetFormatName());
            return Fail(lText.c_str());
        }
    }
    return true;
}

bool KMotionTextWriter::CheckRootJoint(KRyvScene* pScene, const char* pText)
{
    if (!pScene || !FindReferenceNode(pScene->GetRootNode())) {
        GetError().SetLastError(kFileNotCreated, pText);
        return false;
    }
    return true;
}

bool KMotionTextWriter::CheckSpaces(KRyvNode* pRoot, const KStreamOptionsMotion& pOptions,
                                    const char* pFormatName)
{
    KString lNames = KString("Spaces are not allowed in ") + pFormatName + " node names:";
    if (!CheckNodeNames(pRoot, lNames)) {
        pOptions.ShowMessage("Error", lNames.Buffer(), "OK");
        GetError().SetLastError(kUnidentifiedError, lNames.Buffer());
        return false;
    }
    return true;
}
