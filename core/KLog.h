#ifndef RYVKIT_CORE_KLOG_H
#define RYVKIT_CORE_KLOG_H

#include "core/KString.h"

#include <vector>

// A text log: lines are kept in memory and written, when the log is destroyed and enabled, to
// its file in the module's folder under a header line "Date: <local date time> <header>".
// Each line is written followed by a line end. A file that cannot be written is skipped
// silently: the log never fails its owner.
class KLog
{
public:
    KLog(const char* pFileName, const char* pHeader, bool pAppend = true, bool pEnabled = true);
    ~KLog();
    KLog(const KLog&) = delete;
    KLog& operator=(const KLog&) = delete;

    // Keeps a copy of the line (null reads as empty).
    void AddLine(const char* pLine);
    int GetLineCount() const { return static_cast<int>(mLines.size()); }
    // The line at an index; the null string out of range.
    KString GetLine(int pIndex) const;
    // The module's folder joined with the file name, fixed at construction.
    const KString& GetFilePath() const { return mFilePath; }

    // The module's folder, set once the module knows where it lives; empty (the current folder)
    // until then.
    static void SetModuleFolder(const char* pFolder);
    static KString GetModuleFolder();

private:
    void Write() const;

    KString mFilePath;
    KString mHeader;
    bool mAppend;
    bool mEnabled;
    std::vector<KString> mLines;
};

#endif
