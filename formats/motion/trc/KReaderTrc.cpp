#include "formats/motion/trc/KReaderTrc.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/trc/KTrcFile.h"
#include "formats/motion/trc/KTrcTimeCode.h"

#include <sys/stat.h>

#include <algorithm>
#include <new>

namespace {

const char* const kTitle = "Time Code File";

enum class ETimeCodeFile { eRead, eUnopened, eTooLarge };

// The file's text, when it opens and holds at most kMaxFileSize bytes. It is opened as bytes: a
// file that holds zero bytes (a sparse one) opens, and is then no valid time code.
ETimeCodeFile ReadSmallFile(const std::string& pPath, std::string& oText)
{
    KByteSource lSource;
    if (!lSource.OpenFile(pPath.c_str(), false)) {
        return ETimeCodeFile::eUnopened;
    }
    if (lSource.GetSize() > KTrcTimeCode::kMaxFileSize) {
        return ETimeCodeFile::eTooLarge;
    }
    oText.resize(static_cast<std::size_t>(lSource.GetSize()));
    return std::fread(&oText[0], 1, oText.size(), lSource.GetStream()) == oText.size()
               ? ETimeCodeFile::eRead
               : ETimeCodeFile::eUnopened;
}

} // namespace

KReaderTrc::KReaderTrc(KRyvObjectFactory* pOwner)
    : KReaderOptical(pOwner, true, "Motion Analysis TRC File Importer", "TRC")
{
}

std::unique_ptr<KReader> KReaderTrc::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderTrc(pOwner));
}

std::unique_ptr<KOpticalMarkerFile> KReaderTrc::CreateFile(std::unique_ptr<KByteSource> pSource)
{
    auto lFile = std::make_unique<KTrcFile>();
    if (!lFile->Open(std::move(pSource))) {
        return nullptr;
    }
    return lFile;
}

void KReaderTrc::SetReadDefaults(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(kOptionMarkerFile, 1);
    ioOptions.SetOption(kOptionOpticalName, 1);
    ioOptions.SetOption(kOptionHoldOccluded, 1);
    LoadTimeCode(ioOptions);
}

void KReaderTrc::AskReadQuestions(KStreamOptions& ioOptions)
{
    if (ioOptions.IsA(KStreamOptionsMotion::ClassId())) {
        LoadTimeCode(static_cast<KStreamOptionsMotion&>(ioOptions));
    }
}

void KReaderTrc::LoadTimeCode(KStreamOptionsMotion& ioOptions)
{
    if (GetFileName().empty()) {
        return;
    }
    const std::string lPath = KTrcTimeCode::PathFor(GetFileName());
    struct stat lStat;
    if (stat(lPath.c_str(), &lStat) != 0 || !S_ISREG(lStat.st_mode)) {
        return;
    }
    const std::string lName = lPath.substr(lPath.find_last_of('/') + 1);
    const std::string lQuestion = "Load " + lName + "?";
    if (ioOptions.AskQuestion(kTitle, lQuestion.c_str(), "Yes", "No") != 1) {
        return;
    }
    std::string lText;
    const ETimeCodeFile lRead = ReadSmallFile(lPath, lText);
    if (lRead == ETimeCodeFile::eUnopened) {
        ioOptions.AskQuestion(kTitle, ("Unable to open " + lPath).c_str(), "Ok");
        return;
    }
    KTime lStart;
    const KTime lSpan = ioOptions.GetFramePeriod() * std::max(0, ioOptions.GetFrameCount() - 1);
    if (lRead == ETimeCodeFile::eTooLarge || !KTrcTimeCode::Parse(lText, lStart, lSpan)) {
        ioOptions.AskQuestion(kTitle, (lPath + " is invalid").c_str(), "Ok");
        return;
    }
    AddCompanionFile(lPath);
    ioOptions.SetStart(lStart);
}
