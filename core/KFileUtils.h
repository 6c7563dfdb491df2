#ifndef RYVKIT_CORE_KFILEUTILS_H
#define RYVKIT_CORE_KFILEUTILS_H

#include "core/KString.h"

#include <cstdio>
#include <string>

// File-name and file helpers. Null path arguments read as empty texts. Names are split at both
// '/' and '\\' (files written elsewhere carry either); the file system itself is only asked with
// '/' as separator.

// The part after the last '/' or '\\'; without its extension (from the last '.' on, unless that
// '.' begins the name) unless pKeepExtension.
KString GetFileName(const char* pPath, bool pKeepExtension = true);
// The text before the last '/'; with none, before the last '\\'; empty when there is no separator.
KString GetFileDirectory(const char* pPath);
// The path with the extension of its file name replaced by pSuffix (a '.' is put in front of a
// suffix that has none; an empty suffix removes the extension); appended when there is none.
KString ChangeFileExtension(const char* pPath, const char* pSuffix);
// pBase + "/" (none when the base ends in '/' or '\\') + pPath. The path is kept as it is when it
// holds ':', begins with "\\\\" or begins with '/' (already absolute), or when the base is empty.
KString MakeAbsolutePath(const char* pBase, const char* pPath);
// True when the path is not empty and opens for reading.
bool FileExists(const char* pPath);
// True when both paths exist and name the same file (the same device and inode), through links
// and other names too.
bool IsSameFile(const char* pPathA, const char* pPathB);
// Creates each missing folder of a file's path (everything before the last '/'). True when all
// of them exist afterwards (a path without a folder needs none).
bool CreateFileFolders(const char* pPath);

// Reads at most pSize - 1 bytes up to and including a line end into pBuffer, zero-terminated.
// CR LF is stored as LF; a lone CR ends the line, is stored as LF, and the character after it is
// put back. Answers pBuffer, or null at the end of the file when nothing was read, and for a
// null buffer or stream or a size below 2 (which could never make progress).
char* ReadTextLine(char* pBuffer, int pSize, std::FILE* pStream);
// The same without a length limit: the line with its LF (when it had a line end) in oLine;
// false at the end of the file when nothing was read.
bool ReadTextLine(std::string& oLine, std::FILE* pStream);

#endif
