#include "formats/motion/asf-amc/KReaderAsf.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KAsfFile.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <new>

KReaderAsf::KReaderAsf(KRyvObjectFactory* pOwner) : KReader(pOwner, true) {}

KReaderAsf::~KReaderAsf() = default;

std::unique_ptr<KReader> KReaderAsf::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderAsf(pOwner));
}

bool KReaderAsf::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mFile.reset();
    try {
        auto lFile = std::make_unique<KAsfFile>(false);
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

bool KReaderAsf::FileClose()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mFile.reset();
    return true;
}

bool KReaderAsf::IsFileOpen()
{
    return mFile != nullptr;
}

std::unique_ptr<KStreamOptions> KReaderAsf::GetReadOptions()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    if (!lOptions) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return nullptr;
    }
    lOptions->SetOption(kOptionReference, 1);
    lOptions->SetOption(kOptionKeepBonesWithoutDof, 0);
    lOptions->SetOption(kOptionLimits, 0);
    return std::unique_ptr<KStreamOptions>(lOptions.release());
}

bool KReaderAsf::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    auto* lOptions = dynamic_cast<KStreamOptionsMotion*>(pOptions);
    if (!lOptions) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    if (!pScene || !pScene->GetRootNode() || !GetOwner()) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    try {
        return ReadInto(*pScene, *lOptions);
    } catch (const std::bad_alloc&) {
        return Fail(KString(mFile->GetFileName().c_str()) + ": out of memory");
    }
}

bool KReaderAsf::Fail(const KString& pText)
{
    GetError().SetLastError(kFileCorrupted, pText.Buffer());
    GetMessage() += pText;
    GetMessage() += "\n";
    return false;
}

bool KReaderAsf::ReadInto(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    ioOptions.ReportProgress("Reading ASF node hierarchy", 0.0f);
    auto lSkeleton = std::make_unique<KRyvAsfScene>();
    if (!mFile->Read(lSkeleton.get(), ioOptions.GetOption(kOptionKeepBonesWithoutDof) != 1)) {
        return Fail(mFile->GetLastError().c_str());
    }
    const KString lFileName(mFile->GetFileName().c_str());
    KReadRollback lRollback(GetOwner());
    KRyvNode* lRoot = lSkeleton->CreateNodes(lRollback, *GetOwner(), nullptr,
                                             ioOptions.GetOption(kOptionLimits) == 1);
    if (!lRoot) {
        return Fail(lFileName + ": cannot create the skeleton nodes");
    }
    KString lDuplicates = KString("Duplicate names found in ") + lFileName + ":";
    if (!ReportDuplicateNames(lRoot, lDuplicates)) {
        ioOptions.ShowMessage("Error", lDuplicates.Buffer(), "OK");
        return Fail(lDuplicates);
    }
    KRyvNode* lTop = lRoot;
    if (ioOptions.GetOption(kOptionReference) == 1) {
        lTop = lRollback.AddNode(GetOwner()->CreateNode(lSkeleton->GetReferenceName().c_str()));
        if (!lTop || !lTop->AddChild(lRoot)) {
            return Fail(lFileName + ": cannot create the reference node");
        }
    }
    if (!ioScene.GetRootNode()->AddChild(lTop)) {
        return Fail(lFileName + ": the skeleton cannot join the scene");
    }
    ioOptions.SetAttachedObject(
        std::unique_ptr<KStreamOptionsMotion::Attachment>(lSkeleton.release()));
    lRollback.Commit();
    return true;
}
