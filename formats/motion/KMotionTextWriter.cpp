#include "formats/motion/KMotionTextWriter.h"

#include "formats/motion/KMotionMarkerSampler.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/KTextFile.h"
#include "scene/KRyvScene.h"

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
    if (!mFile || !mFile->IsWriting()) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    if (!pOptions || !pOptions->IsA(KStreamOptionsMotion::ClassId())) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    if (!pScene || !pScene->GetRootNode()) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    bool lWritten = false;
    try {
        lWritten = WriteScene(*pScene, *static_cast<KStreamOptionsMotion*>(pOptions));
    } catch (const std::bad_alloc&) {
        Fail("out of memory");
    }
    if (!lWritten) {
        mFile->Discard();
        return false;
    }
    // The flush at closing is the last write that can find the disk full.
    if (!mFile->Close()) {
        GetError().SetLastErrorID(kOutOfDiskSpace);
        return false;
    }
    return true;
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
