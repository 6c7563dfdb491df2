#ifndef RYVKIT_FORMATS_MOTION_KTEXTFILE_H
#define RYVKIT_FORMATS_MOTION_KTEXTFILE_H

#include "core/KByteSource.h"
#include "core/KOutputFile.h"
#include "core/KString.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One entry of a keyword table; a table ends with an entry whose keyword is null or empty. The
// use count is bumped by KTextFile::MatchKeyword, so each file object keeps its own copy.
struct KTextKeyword
{
    const char* mKeyword;
    int mCount;
};

// The base of the line-oriented motion text formats. It owns one stdio file, read or written.
//
// Reading: the file is read one logical line at a time. A line ends at LF, CR LF or a lone CR
// (the ending is removed, so no format sees a trailing '\r'), and lines have no length limit
// but kMaxLineLength, which only guards against files that are not text. Blank lines and lines
// whose first non-separator character is a comment character are skipped; the line number counts
// every physical line. A cursor walks the current line with small token readers. Numbers are
// read strictly and independently of the locale (KMotionNumber): a number must end at the end of
// the line, a separator, a word terminator or white space, so "12abc" or "1.5.2" is no number.
// A line longer than kMaxLineLength, a NUL byte or a read error makes the file corrupt: the
// reading stops there, with a message naming the file and the line.
//
// Writing: files are opened "wb" whatever mode is asked, so lines end in LF on every platform.
// The text goes to a new file beside the target (KOutputFile) that Close renames over it; a file
// that was there stays untouched until then, and for good after Discard. Every write is checked;
// a failed write (a full disk) makes Print answer -1 from then on and Close report failure (and
// keep the target as it was), as does a failed final flush.
//
// Messages read "walk.bvh:212: expected 96 numbers, found 3" (the file name without folder and
// the physical line; warnings add "warning: "). The last error is kept for the owner to report;
// the hooks see warnings and errors only while reporting is on.
class KTextFile
{
public:
    // Lines longer than this are taken for a corrupt file (16 MiB).
    static constexpr std::size_t kMaxLineLength = 16u * 1024u * 1024u;
    // The word limit of the KString variant of ReadWord.
    static constexpr std::size_t kDefaultMaxWord = 1023;

    using MessageHook = std::function<void(const char* pText)>;

    // The character sets are NUL-terminated texts that must outlive the object (static
    // literals); null means an empty set. The separators are also the word terminators.
    KTextFile(const char* pFormatName, const char* pSeparators, const char* pCommentCharacters,
              bool pCaseSensitive, bool pReporting);
    virtual ~KTextFile();
    KTextFile(const KTextFile&) = delete;
    KTextFile& operator=(const KTextFile&) = delete;

    // Opens pPath for reading ("r" or "rb") or writing ("w" or "wb"), closing an open file first;
    // for reading the first content line is loaded. True when the file is open; false (with the
    // reason as the last error) when it cannot be opened, the mode is unknown or KByteSource
    // refuses the file.
    [[nodiscard]] bool Open(const char* pPath, const char* pMode);
    // Reads an open byte source, owned from now on, as Open(path, "r") reads a file. False when
    // the source is not open.
    [[nodiscard]] bool Open(std::unique_ptr<KByteSource> pSource);
    // Closes the file. True when everything written reached the file (or a file read was
    // closed); false when no file was open, or when a write, the final flush or the close failed.
    [[nodiscard]] bool Close();
    // Closes a file open for writing and drops what was written: the target stays as it was.
    // A file open for reading is closed.
    void Discard();
    // The group (not owned; null: none) a file opened for writing from now on is handed to at
    // Close (KOutputFile::SetGroup).
    void SetOutputGroup(KOutputGroup* pGroup) { mOutput.SetGroup(pGroup); }
    bool IsOpen() const { return mFile != nullptr; }
    bool IsWriting() const { return mFile != nullptr && mWriting; }
    // True while closed and once no further line could be read.
    bool IsAtEnd() const { return mAtEnd; }
    // True once an over-long line, a NUL byte or a read error stopped the reading.
    bool IsCorrupt() const { return mCorrupt; }

    // Back to the start of the file and its first content line (line numbers count afresh);
    // false when not reading, when positioning fails or when no content line is left.
    bool Rewind();
    // Loads the next content line with the cursor on its first token; false at the end of the
    // file or when the file is corrupt (the line is then empty).
    bool ReadLine();
    // True when the current line ended in a line break; false for a last line that the file
    // ends inside (a file cut short, or one without a final line break).
    bool LineEnded() const { return mLineEnded; }
    // True when the last ReadLine passed over at least one blank or comment line.
    bool LinesSkipped() const { return mLinesSkipped; }
    // Physical lines read since Open or Rewind.
    int GetLineNumber() const { return mLineNumber; }
    const std::string& GetLine() const { return mLine; }
    // True when the cursor has reached the end of the current line.
    bool AtLineEnd() const { return mCursor >= mLine.size(); }
    // The text from the cursor to the next separator as messages quote it: at most its first
    // kMaxQuotedLength bytes (KValuePrefix), followed by "..." when it was cut.
    std::string PeekToken() const;
    // Bytes of the file after the current line (every byte source knows its size).
    std::uint64_t GetRemainingBytes() const;

    // The character under the cursor; false at the end of the line.
    bool GetChar(char& pChar) const;
    // The same, and the cursor moves one character on.
    bool ReadChar(char& pChar);
    // Moves the cursor past separators.
    void SkipSeparators();
    // Installs another separator set (null: none) and answers the previous one; the word
    // terminators stay as constructed.
    const char* SetSeparators(const char* pSeparators);

    // Reads the word at the cursor: every character up to a word terminator or the end of the
    // line, then skips separators. pMaxLength counts characters, the terminating NUL of a C
    // buffer not included (127 reads a name of up to 127 characters). A longer word is not cut:
    // the read fails. False, cursor and output unchanged, at the end of the line or for a word
    // that is too long.
    bool ReadWord(std::string& pWord, std::size_t pMaxLength);
    bool ReadWord(KString& pWord, std::size_t pMaxLength = kDefaultMaxWord);
    // A decimal integer that fits an int; separators are skipped after it. False, cursor and
    // output unchanged, for no number, an overflowing one, or one run into other text.
    bool ReadInt(int& pValue);
    // A decimal number times pScale. When the rest of the line (trailing separators aside) is
    // exactly "inf" or "-inf" (compared with CompareText), the value is plus or minus infinity,
    // unscaled. False, cursor and output unchanged, for anything else that is no number.
    bool ReadDouble(double& pValue, double pScale = 1.0);
    // Two values; each may also be a word starting with "inf" or "-inf" in any case, which gives
    // an unscaled infinity. The first value stays stored when the second fails; the cursor goes
    // back to where it was on failure.
    bool ReadDoublePair(double pValues[2], double pScale = 1.0);
    // Three decimal numbers (separators or white space between them), each times pScale. False,
    // cursor and output unchanged, unless all three are numbers.
    bool ReadVector3(double pValues[3], double pScale = 1.0);

    // The index of the first keyword that is a case-insensitive prefix of the text at the
    // cursor; -1 when none is (or for a null or empty table). The cursor does not move.
    int FindKeyword(const KTextKeyword* pTable) const;
    // The same; on a match the cursor moves past the keyword and the separators after it and the
    // keyword's use count grows by one.
    int MatchKeyword(KTextKeyword* pTable);
    static void ResetKeywordCounts(KTextKeyword* pTable);
    // -1, 0 or 1: byte-wise while case-sensitive, else ignoring ASCII case. Null reads as "".
    int CompareText(const char* pA, const char* pB) const;

    // Builds the message (file, line, formatted text) and hands it to the warning hook while
    // reporting is on. Always answers false.
    bool Warning(const char* pFormat, ...) __attribute__((format(printf, 2, 3)));
    // The same for errors; the text also becomes the last error (the first error after the file
    // turned corrupt is the corruption itself, which is kept). Always answers true.
    bool Error(const char* pFormat, ...) __attribute__((format(printf, 2, 3)));
    bool ErrorV(const char* pFormat, std::va_list pArgs);
    const std::string& GetLastError() const { return mLastError; }
    void ClearLastError() { mLastError.clear(); }

    // Writes two spaces per indentation level and the formatted text (numbers in the C locale,
    // KMotionNumber::AppendFormat). Answers the length of the formatted part, or -1 when the
    // file is not open for writing or a write failed (then, and from then on, nothing is written).
    int Print(int pIndent, const char* pFormat, ...) __attribute__((format(printf, 3, 4)));
    // True once a write failed.
    bool WriteFailed() const { return mWriteFailed; }
    // Writes pSize bytes as they stand, for text a writer laid out itself; false when the file is
    // not open for writing or a write failed (with the error, when it is this one).
    bool WriteBytes(const char* pData, std::size_t pSize);

    void SetWarningHook(MessageHook pHook) { mWarningHook = std::move(pHook); }
    void SetErrorHook(MessageHook pHook) { mErrorHook = std::move(pHook); }
    void SetReporting(bool pReporting) { mReporting = pReporting; }
    bool IsCaseSensitive() const { return mCaseSensitive; }
    const char* GetFormatName() const { return mFormatName; }
    // The name of the open (or last opened) file without its folder.
    const std::string& GetFileName() const { return mFileName; }

private:
    enum class EPhysical { eLine, eEnd, eCorrupt };

    EPhysical ReadPhysicalLine();
    bool FillChunk();
    void ResetReadState();
    bool IsSeparator(char pChar) const { return mSeparatorSet[static_cast<unsigned char>(pChar)]; }
    bool IsTerminator(char pChar) const
    {
        return mTerminatorSet[static_cast<unsigned char>(pChar)];
    }
    // True when a number may end before pPos (end of line, separator, terminator, white space).
    bool EndsToken(std::size_t pPos) const;
    std::size_t SkipSeparatorsFrom(std::size_t pPos) const;
    bool ScanNumber(std::size_t pPos, double& pValue, std::size_t& pLength) const;
    void BuildMessage(std::string& pText, const char* pKind, const char* pFormat,
                      std::va_list pArgs) const;
    void MarkCorrupt(const char* pWhat);

    const char* mFormatName;
    const char* mSeparators;
    bool mSeparatorSet[256];
    bool mTerminatorSet[256];
    bool mCommentSet[256];
    bool mCaseSensitive;
    bool mReporting;

    // Reading goes through the source, which owns the stream; writing goes through mOutput.
    std::unique_ptr<KByteSource> mSource;
    std::FILE* mFile = nullptr;
    KOutputFile mOutput;
    bool mWriting = false;
    std::string mFileName;
    std::uint64_t mFileSize = 0;

    std::vector<char> mChunk;
    std::size_t mChunkPos = 0;
    std::size_t mChunkEnd = 0;
    std::uint64_t mChunkOffset = 0;
    bool mEndOfData = false;

    std::string mLine;
    std::size_t mCursor = 0;
    int mLineNumber = 0;
    bool mAtEnd = true;
    bool mLinesSkipped = false;
    bool mLineEnded = false;
    bool mCorrupt = false;
    bool mWriteFailed = false;

    std::string mLastError;
    MessageHook mWarningHook;
    MessageHook mErrorHook;
};

#endif
