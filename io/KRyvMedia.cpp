#include "io/KRyvMedia.h"

#include "core/KFileUtils.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"

#include <cstdio>
#include <vector>

namespace {

const char kContent[] = "Content";
// Enough tries to find a free name in any folder a user keeps by hand.
constexpr int kMaxNameTries = 10000;

bool ReadWholeFile(const char* pPath, std::vector<std::uint8_t>& oBytes, std::size_t pLimit)
{
    KRyvStdioStream lStream;
    return lStream.Open(pPath, false) && lStream.ReadAll(oBytes, pLimit);
}

// "name.ext" -> "name_<n>.ext".
KString NumberedName(const KString& pName, int pNumber)
{
    const int lDot = pName.ReverseFind('.');
    const KString lSuffix = "_" + KString(pNumber);
    return lDot > 0 ? pName.Left(lDot) + lSuffix + pName.Mid(lDot) : pName + lSuffix;
}

// A path in pFolder for the bytes: the name itself, a numbered variant when a different file is
// there, and whether the bytes are there already.
bool ChoosePath(const KString& pFolder, const KString& pName, const std::vector<std::uint8_t>& pBytes,
                KString& oPath, bool& oPresent)
{
    for (int i = 0; i < kMaxNameTries; ++i) {
        oPath = pFolder + "/" + (i == 0 ? pName : NumberedName(pName, i));
        if (!FileExists(oPath.Buffer())) {
            oPresent = false;
            return true;
        }
        std::vector<std::uint8_t> lExisting;
        if (ReadWholeFile(oPath.Buffer(), lExisting, pBytes.size() + 1) && lExisting == pBytes) {
            oPresent = true;
            return true;
        }
    }
    return false;
}

} // namespace

KString KRyvMedia::SafeName(const char* pStoredName)
{
    const KString lName = GetFileName(pStoredName, true);
    if (lName.IsEmpty() || lName.Compare(".") == 0 || lName.Compare("..") == 0) {
        return KString("");
    }
    return lName;
}

void KRyvMedia::Embed(KRyvFile& ioFile, const char* pFileName, KString& ioMessage)
{
    if (!pFileName || !*pFileName) {
        return;
    }
    std::vector<std::uint8_t> lBytes;
    if (!ReadWholeFile(pFileName, lBytes, static_cast<std::size_t>(kMaxEmbeddedSize))) {
        ioMessage += KString("Media not embedded: ") + pFileName + "\n";
        return;
    }
    ioFile.FieldWriteBegin(kContent);
    ioFile.FieldWriteC(SafeName(pFileName));
    ioFile.FieldWriteR(lBytes.data(), lBytes.size());
    ioFile.FieldWriteEnd();
}

bool KRyvMedia::Restore(KRyvFile& ioFile, const char* pFolder, KString& oPath, KString& ioMessage)
{
    if (!ioFile.FieldReadBegin(kContent)) {
        return false;
    }
    const KString lName = SafeName(ioFile.FieldReadC().Buffer());
    std::vector<std::uint8_t> lBytes;
    ioFile.FieldReadR(lBytes);
    ioFile.FieldReadEnd();
    const KString lFolder(pFolder ? pFolder : "");
    bool lPresent = false;
    if (lName.IsEmpty() || lFolder.IsEmpty() || !CreateFileFolders((lFolder + "/" + lName).Buffer()) ||
        !ChoosePath(lFolder, lName, lBytes, oPath, lPresent)) {
        ioMessage += "Embedded media not restored: " + lName + "\n";
        return false;
    }
    if (lPresent) {
        return true;
    }
    KRyvStdioStream lStream;
    if (!lStream.Open(oPath.Buffer(), true) || !lStream.Write(lBytes.data(), lBytes.size()) || !lStream.Close()) {
        lStream.Close();
        std::remove(oPath.Buffer());
        ioMessage += "Embedded media not restored: " + oPath + "\n";
        return false;
    }
    return true;
}
