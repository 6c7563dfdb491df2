#include "formats/motion/KMotionTextReader.h"

#include "formats/motion/KMotionMarkerBuilder.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/KTextFile.h"
#include "io/KOutOfMemory.h"
#include "scene/KRyvScene.h"

#include <new>

KMotionTextReader::KMotionTextReader(KRyvObjectFactory* pOwner) : KReader(pOwner, true) {}

KMotionTextReader::~KMotionTextReader() = default;

bool KMotionTextReader::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mFile.reset();
    ClearParsed();
    try {
        std::unique_ptr<KTextFile> lFile = NewFile();
        // A file made to report hands its warnings to the message text, one line each, up to
        // kMaxWarnings of them: a file can repeat the same fault on every line.
        mWarningCount = 0;
        const KTextFile* lOwn = lFile.get();
        lFile->SetWarningHook([this, lOwn](const char* pText) {
            if (++mWarningCount <= kMaxWarnings) {
                GetMessage() += pText;
                GetMessage() += "\n";
            } else if (mWarningCount == kMaxWarnings + 1) {
                GetMessage() += (lOwn->GetFileName() + ": further warnings left out\n").c_str();
            }
        });
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

bool KMotionTextReader::FileClose()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mFile.reset();
    ClearParsed();
    return true;
}

bool KMotionTextReader::IsFileOpen()
{
    return mFile != nullptr;
}

std::unique_ptr<KStreamOptions> KMotionTextReader::GetReadOptions()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    try {
        std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
        if (!lOptions || !ReadHeaderOptions(*lOptions)) {
            Fail(mFile->GetLastError().c_str());
            return nullptr;
        }
        return std::unique_ptr<KStreamOptions>(lOptions.release());
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kFileCorrupted);
        return nullptr;
    }
}

bool KMotionTextReader::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    KStreamOptionsMotion* lOptions = CheckRead(pScene, pOptions);
    if (!lOptions) {
        return false;
    }
    // A rollback inside ReadScene has already undone the partial read while unwinding.
    const auto lOutOfMemory = [&] {
        ClearParsed();
        return Fail(KString((mFile->GetFileName() + ": out of memory").c_str()));
    };
    return CatchOutOfMemory([&] { return ReadScene(*pScene, *lOptions); }, lOutOfMemory);
}

bool KMotionTextReader::ReadHeaderOptions(KStreamOptionsMotion&)
{
    return true;
}

bool KMotionTextReader::AcceptsOptions(KStreamOptionsMotion&) const
{
    return true;
}

KString KMotionTextReader::GetTakeName() const
{
    return KMotionMarkerBuilder::TakeNameOf(mFile ? mFile->GetFileName() : std::string());
}

KStreamOptionsMotion* KMotionTextReader::CheckRead(KRyvScene* pScene, KStreamOptions* pOptions)
{
    const auto lAccepts = [this](KStreamOptions& pFound) {
        return AcceptsOptions(static_cast<KStreamOptionsMotion&>(pFound));
    };
    if (!CheckReadArguments(mFile != nullptr, pScene, pOptions, KStreamOptionsMotion::ClassId(),
                            lAccepts)) {
        return nullptr;
    }
    return static_cast<KStreamOptionsMotion*>(pOptions);
}

bool KMotionTextReader::Fail(const KString& pText)
{
    GetError().SetLastError(kFileCorrupted, pText.Buffer());
    GetMessage() += pText;
    GetMessage() += "\n";
    return false;
}

bool KMotionTextReader::FailFile(const char* pWhy)
{
    if (mFile && !mFile->GetLastError().empty()) {
        return Fail(KString(mFile->GetLastError().c_str()));
    }
    const std::string lName = mFile ? mFile->GetFileName() : std::string();
    return Fail(KString((lName + ": " + pWhy).c_str()));
}
