#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJTEXTREADER_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJTEXTREADER_H

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

// Splits an OBJ or MTL file into statements: a keyword and its argument text. Blank lines are
// skipped; CR LF, LF and a lone CR end a line; the argument text is trimmed at both ends and a
// line whose argument text ends in a backslash continues on the next one. Lines have no length
// limit. The stream is not owned and is read from where it stands.
//
// Also holds the locale-independent number and word helpers both readers use. Numbers are read
// as the C runtime's formatted input would read them in the C locale: a number may be followed
// by other characters, which end it.
class KObjTextReader
{
public:
    explicit KObjTextReader(std::FILE* pStream);

    // Moves to the start of the stream and forgets the line count.
    void Rewind();
    // Reads the next statement. False at the end of the stream (or on a read error) with an
    // empty keyword.
    bool Next();
    // Valid until the next call of Next or Rewind.
    std::string_view GetKeyword() const { return mKeyword; }
    std::string_view GetArguments() const { return mArguments; }
    // The physical line (from 1) on which the current statement begins.
    long long GetLineNumber() const { return mStatementLine; }
    // True once a zero byte was met: the file is not text.
    bool HasZeroByte() const { return mZeroByte; }
    // True when the last Next stopped because the stream reported an error.
    bool HasReadError() const { return mReadError; }

    static bool IsSpace(char pChar)
    {
        const unsigned char lChar = static_cast<unsigned char>(pChar);
        return lChar == ' ' || (lChar >= '\t' && lChar <= '\r');
    }
    static std::string_view Trim(std::string_view pText);
    // Takes the next word (split at any white space) off the front of ioText; false when none.
    static bool NextWord(std::string_view& ioText, std::string_view& oWord)
    {
        const char* lChar = ioText.data();
        const char* lEnd = lChar + ioText.size();
        while (lChar != lEnd && IsSpace(*lChar)) {
            ++lChar;
        }
        const char* lFirst = lChar;
        while (lChar != lEnd && !IsSpace(*lChar)) {
            ++lChar;
        }
        oWord = std::string_view(lFirst, static_cast<std::size_t>(lChar - lFirst));
        ioText = std::string_view(lChar, static_cast<std::size_t>(lEnd - lChar));
        return lChar != lFirst;
    }
    // Takes the next word off the front of ioText as an "mtllib" line gives a file name: split at
    // white space, a '\\' keeping the character after it ("my\\ cube.mtl" is one name); oRaw,
    // when given, gets the word as it stands in the text, its '\\' kept. False when none.
    static bool NextEscapedWord(std::string_view& ioText, std::string& oWord,
                                std::string_view* oRaw = nullptr);
    // The number at the start of pText (a leading '+' allowed); false when there is none.
    // oEnd is the number of characters used.
    static bool ParseDouble(std::string_view pText, double& oValue, std::size_t* oEnd = nullptr);
    // A decimal integer at the start of pText; false when there is none or it does not fit in
    // 64 bits.
    static bool ParseInteger(std::string_view pText, long long& oValue)
    {
        const std::size_t lSkip = !pText.empty() && pText[0] == '+' ? 1 : 0;
        const char* lFirst = pText.data() + lSkip;
        const std::from_chars_result lResult =
            std::from_chars(lFirst, pText.data() + pText.size(), oValue);
        return lResult.ec == std::errc() && lResult.ptr != lFirst;
    }
    // Reads up to pMax numbers separated by white space from the start of pText, as "%lf%lf.."
    // would: stops at the first text that does not begin with a number. Answers how many.
    static int ParseDoubles(std::string_view pText, double* oValues, int pMax);
    // True when pText holds exactly pCount numbers, each a whole word.
    static bool ParseExactDoubles(std::string_view pText, double* oValues, int pCount);

private:
    // The next physical line without its line end, in the block buffer or, when it spans
    // blocks, in mSpill; valid until the next call. False at the end of the stream.
    bool ReadPhysicalLine(std::string_view& oLine);
    bool Fill();

    std::FILE* mStream;
    char mBuffer[1 << 16];
    std::size_t mPosition = 0;
    std::size_t mSize = 0;
    bool mEnd = false;
    bool mReadError = false;
    bool mZeroByte = false;
    long long mLine = 0;
    long long mStatementLine = 0;
    // A CR ended the last line: an LF right after it belongs to the same line end.
    bool mAfterReturn = false;
    std::string mSpill;
    std::string mLineText;
    std::string_view mKeyword;
    std::string_view mArguments;
};

#endif
