#include "formats/motion/KMotionTextReader.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/KTextFile.h"
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

KStreamOptionsMotion* KMotionTextReader::CheckRead(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    if (!pOptions || !pOptions->IsA(KStreamOptionsMotion::ClassId())) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return nullptr;
    }
    if (!pScene || !pScene->GetRootNode() || !GetOwner()) {
        GetError().SetLastErrorID(kUnidentifiedError);
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
