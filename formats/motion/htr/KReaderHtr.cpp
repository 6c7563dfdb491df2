#include "formats/motion/htr/KReaderHtr.h"

#include "animation/KTakeInfo.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/htr/KHtrFile.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <new>
#include <string>

namespace {

// The take name: the file name without its extension.
KString TakeNameOf(const std::string& pFileName)
{
    const std::size_t lDot = pFileName.rfind('.');
    return KString(
        pFileName.substr(0, lDot == std::string::npos || lDot == 0 ? pFileName.size() : lDot)
            .c_str());
}

} // namespace

KReaderHtr::KReaderHtr(KRyvObjectFactory* pOwner) : KReader(pOwner, true) {}

KReaderHtr::~KReaderHtr() = default;

std::unique_ptr<KReader> KReaderHtr::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderHtr(pOwner));
}

bool KReaderHtr::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mFile.reset();
    try {
        auto lFile = std::make_unique<KHtrFile>(false);
        if (!lFile->Open(std::move(pSource))) {
            GetError().SetLastErrorID(kFileNotOpened);
            return false;
        }
        mFile = std::move(lFile);
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    return true;
}

bool KReaderHtr::FileClose()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mFile.reset();
    return true;
}

bool KReaderHtr::IsFileOpen()
{
    return mFile != nullptr;
}

std::unique_ptr<KStreamOptions> KReaderHtr::GetReadOptions()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    try {
        std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
        if (!lOptions || !mFile->ReadHeaderOptions(lOptions.get())) {
            Fail(mFile->GetLastError().c_str());
            return nullptr;
        }
        return std::unique_ptr<KStreamOptions>(lOptions.release());
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kFileCorrupted);
        return nullptr;
    }
}

bool KReaderHtr::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    if (!pOptions || !pOptions->IsA(KStreamOptionsMotion::ClassId())) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    if (!pScene || !pScene->GetRootNode() || !GetOwner()) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    try {
        return ReadInto(*pScene, *static_cast<KStreamOptionsMotion*>(pOptions));
    } catch (const std::bad_alloc&) {
        // The rollback inside ReadInto has already undone the partial read while unwinding.
        return Fail(KString(mFile->GetFileName().c_str()) + ": out of memory");
    }
}

bool KReaderHtr::Fail(const KString& pText)
{
    GetError().SetLastError(kFileCorrupted, pText.Buffer());
    GetMessage() += pText;
    GetMessage() += "\n";
    return false;
}

bool KReaderHtr::ReadInto(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    ioOptions.ReportProgress("Reading HTR nodes", 0.0f);
    if (!mFile->ReadStructure()) {
        return Fail(mFile->GetLastError().c_str());
    }
    const KString lTakeName = TakeNameOf(mFile->GetFileName());
    KReadRollback lRollback(GetOwner());
    KRyvNode* lReference = lRollback.AddNode(GetOwner()->CreateNode("HTR:reference"));
    if (!lReference || !mFile->BuildNodes(lRollback, GetOwner(), lReference, lTakeName.Buffer())) {
        return Fail(lReference ? mFile->GetLastError().c_str() : "cannot create the skeleton");
    }
    KString lDuplicates = KString("Duplicate names found in ") + mFile->GetFileName().c_str() + ":";
    if (!ReportDuplicateNames(lReference, lDuplicates)) {
        ioOptions.ShowMessage("Error", lDuplicates.Buffer(), "OK");
        return Fail(lDuplicates);
    }
    if (!mFile->ReadAnimation(lRollback, &ioOptions, lReference)) {
        return Fail(mFile->GetLastError().c_str());
    }
    const bool lKeepReference = ioOptions.GetOption(KHtrFile::kOptionReferenceNode) == 1;
    KRyvNode* lTop = Place(ioScene, lReference, lKeepReference);
    if (!lTop) {
        return Fail(KString(mFile->GetFileName().c_str()) + ": the skeleton cannot join the scene");
    }
    const int lFrames = ioOptions.GetFrameCount();
    KTakeInfo lInfo;
    lInfo.mName = lTakeName;
    lInfo.mLocalStart = ioOptions.GetStart();
    lInfo.mLocalStop = lFrames > 0
                           ? ioOptions.GetStart() + ioOptions.GetFramePeriod() * (lFrames - 1)
                           : ioOptions.GetStart();
    lInfo.mReferenceStart = lInfo.mLocalStart;
    lInfo.mReferenceStop = lInfo.mLocalStop;
    // The take information last: the rollback cannot take it back.
    if (!mFile->CreateRestPose(lRollback, GetOwner(), &ioScene,
                               lTop->GetNameWithoutPrefix().Buffer()) ||
        !ioScene.SetTakeInfo(lInfo)) {
        return Fail(KString(mFile->GetFileName().c_str()) + ": the take cannot be recorded");
    }
    lRollback.Commit();
    ioScene.SetCurrentTake(lTakeName.Buffer());
    return true;
}

KRyvNode* KReaderHtr::Place(KRyvScene& ioScene, KRyvNode* pReference, bool pKeepReference)
{
    KRyvNode* lRoot = ioScene.GetRootNode();
    if (pKeepReference) {
        return lRoot->AddChild(pReference) ? pReference : nullptr;
    }
    while (pReference->GetChildCount() > 0) {
        if (!lRoot->AddChild(pReference->GetChild(0))) {
            return nullptr;
        }
    }
    // Its child has moved, so it goes alone; undoing a node the factory no longer lists is
    // harmless (the factory refuses it).
    return GetOwner()->DestroyNode(pReference, false) ? lRoot : nullptr;
}
