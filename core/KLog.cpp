#include "core/KLog.h"

#include "core/KDateTime.h"
#include "core/KFileUtils.h"

#include <cstdio>
#include <string>

namespace {

std::string& ModuleFolder()
{
    static std::string folder;
    return folder;
}

} // namespace

KLog::KLog(const char* pFileName, const char* pHeader, bool pAppend, bool pEnabled)
    : mFilePath(MakeAbsolutePath(ModuleFolder().c_str(), pFileName)),
      mHeader(pHeader ? pHeader : ""), mAppend(pAppend), mEnabled(pEnabled)
{
}

KLog::~KLog()
{
    if (mEnabled) {
        Write();
    }
}

void KLog::AddLine(const char* pLine)
{
    mLines.emplace_back(pLine ? pLine : "");
}

KString KLog::GetLine(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetLineCount()) {
        return KString(nullptr);
    }
    return mLines[static_cast<std::size_t>(pIndex)];
}

void KLog::SetModuleFolder(const char* pFolder)
{
    ModuleFolder() = pFolder ? pFolder : "";
}

KString KLog::GetModuleFolder()
{
    return KString(ModuleFolder().c_str());
}

void KLog::Write() const
{
    if (mFilePath.IsEmpty()) {
        return;
    }
    std::FILE* file = std::fopen(mFilePath.Buffer(), mAppend ? "ab" : "wb");
    if (!file) {
        return;
    }
    std::fprintf(file, "Date: %s %s\n", KDateTime::Now().GetText().Buffer(), mHeader.Buffer());
    for (const KString& line : mLines) {
        std::fputs(line.Buffer(), file);
        std::fputc('\n', file);
    }
    std::fclose(file);
}
