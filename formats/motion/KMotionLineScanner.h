#ifndef RYVKIT_FORMATS_MOTION_KMOTIONLINESCANNER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONLINESCANNER_H

#include <charconv>
#include <string>
#include <system_error>

// The quick first reading of a line of the motion tables (BRD, MOV, VPM), whose fields are
// separated by spaces and tabs only. It takes a field only in its plain form: a number that
// starts with a digit, a point or '-' and a digit or point, converted by from_chars as
// KTextFile's number readers convert it, and ended by a space, a tab or the end of the line.
// Anything else ('+', "inf", a word, a range error, another character after a number) answers
// false: the caller then reads the line again through KTextFile's readers, which take every
// form the format allows and name the fault, so a line gives the same values and errors either
// way. The scanner reads the line it was given, which must outlive it, and never moves past its
// end.
class KMotionLineScanner
{
public:
    explicit KMotionLineScanner(const std::string& pLine)
        : mAt(pLine.data()), mEnd(pLine.data() + pLine.size())
    {
        SkipBlanks();
    }
    // The scanner keeps pointers into the line: a temporary would leave them dangling.
    explicit KMotionLineScanner(std::string&&) = delete;

    bool AtEnd() const { return mAt == mEnd; }

    bool ReadDouble(double& oValue) { return ReadNumber(oValue, true); }
    bool ReadInt(int& oValue) { return ReadNumber(oValue, false); }
    // pLetter at the cursor, and the blanks after it (a letter needs none before a number).
    bool ReadLetter(char pLetter)
    {
        if (mAt == mEnd || *mAt != pLetter) {
            return false;
        }
        ++mAt;
        SkipBlanks();
        return true;
    }

private:
    static bool IsBlank(char pChar) { return pChar == ' ' || pChar == '\t'; }
    static bool IsDigit(char pChar) { return pChar >= '0' && pChar <= '9'; }

    void SkipBlanks()
    {
        while (mAt != mEnd && IsBlank(*mAt)) {
            ++mAt;
        }
    }

    template <class T> bool ReadNumber(T& oValue, bool pPointAllowed)
    {
        const char* lLead = mAt != mEnd && *mAt == '-' ? mAt + 1 : mAt;
        if (lLead == mEnd || !(IsDigit(*lLead) || (pPointAllowed && *lLead == '.'))) {
            return false;
        }
        T lValue{};
        const std::from_chars_result lResult = std::from_chars(mAt, mEnd, lValue);
        if (lResult.ec != std::errc() || (lResult.ptr != mEnd && !IsBlank(*lResult.ptr))) {
            return false;
        }
        oValue = lValue;
        mAt = lResult.ptr;
        SkipBlanks();
        return true;
    }

    const char* mAt;
    const char* const mEnd;
};

#endif
