// The frame lines of KHtrFile's frame sections: the quick one-pass read of the lines generated
// files print, and the token readers for every other line.
#include "formats/motion/htr/KHtrFile.h"

#include "formats/motion/KMotionFastNumber.h"

#include <charconv>
#include <cstddef>
#include <cstring>
#include <system_error>

namespace {

// Numbers of a frame line after the frame number: translation, angles, scale.
constexpr int kLineNumbers = 7;
// The most digits of a frame number read straight from the line: any such number fits an int.
constexpr std::ptrdiff_t kMaxPlainFrameDigits = 9;
// The longest frame line read in one pass; the eight numbers printed in full take less.
constexpr std::size_t kMaxPlainLineBytes = 256;

bool IsDigit(char pChar)
{
    return pChar >= '0' && pChar <= '9';
}

bool IsBlank(char pChar)
{
    return pChar == ' ' || pChar == '\t';
}

// The first byte from pPos on that is no blank; the text must end in a byte that is none.
const char* SkipBlanks(const char* pPos)
{
    while (IsBlank(*pPos)) {
        ++pPos;
    }
    return pPos;
}

// True when a token may end at pPos of a line ending at pEnd.
bool EndsPlainToken(const char* pPos, const char* pEnd)
{
    return pPos == pEnd || IsBlank(*pPos);
}

} // namespace

bool KHtrFile::ReadFrameLine(double oValues[KHtrSegment::kKeyColumns])
{
    if (ReadPlainFrameLine(oValues)) {
        return true;
    }
    int lFrame = 0;
    double lScale = 0.0;
    if (!ReadInt(lFrame)) {
        return Fail("Can't read frame number");
    }
    if (!ReadVector3(oValues, mLengthFactor / mScaleFactor)) {
        return Fail("Can't read frame translation");
    }
    if (!ReadVector3(oValues + 3, mAngleFactor)) {
        return Fail("Can't read frame rotation");
    }
    // Read for the shape of the line; the kit keeps a unit scale.
    if (!ReadDouble(lScale)) {
        return Fail("Can't read frame scaling");
    }
    return true;
}

bool KHtrFile::ReadPlainFrameLine(double oValues[KHtrSegment::kKeyColumns]) const
{
    // The line as generated files print it, read in one pass from the line itself: a frame
    // number of digits and seven decimals between blanks, each converted as the token readers
    // convert a number that starts with a digit or a point. Anything else is left to the token
    // readers, which give the same values and name what is wrong.
    // The line is copied into a buffer with room after it so that its numbers are read eight
    // bytes at a time to the very end; longer lines are left to the token readers. The zeros of
    // that room are no blank, digit, sign or point, so the scans stop at the line's end by
    // themselves.
    const std::string& lLine = GetLine();
    if (lLine.size() > kMaxPlainLineBytes) {
        return false;
    }
    char lText[kMaxPlainLineBytes + KMotionFastNumber::kPadding];
    std::memcpy(lText, lLine.data(), lLine.size());
    std::memset(lText + lLine.size(), 0, KMotionFastNumber::kPadding);
    const char* const lEnd = lText + lLine.size();
    const char* lPos = SkipBlanks(lText);
    const char* const lDigits = lPos;
    while (IsDigit(*lPos)) {
        ++lPos;
    }
    if (lPos == lDigits || lPos - lDigits > kMaxPlainFrameDigits || !EndsPlainToken(lPos, lEnd)) {
        return false;
    }
    double lNumbers[kLineNumbers];
    for (double& lNumber : lNumbers) {
        lPos = SkipBlanks(lPos);
        const char* const lLead = *lPos == '-' ? lPos + 1 : lPos;
        if (!(IsDigit(*lLead) || *lLead == '.')) {
            return false;
        }
        const std::from_chars_result lRead =
            KMotionFastNumber::FromCharsPadded(lPos, lEnd, lNumber);
        if (lRead.ec != std::errc() || lRead.ptr == lPos || !EndsPlainToken(lRead.ptr, lEnd)) {
            return false;
        }
        lPos = lRead.ptr;
    }
    const double lLengthScale = mLengthFactor / mScaleFactor;
    for (int i = 0; i < 3; ++i) {
        oValues[i] = lNumbers[i] * lLengthScale;
        oValues[3 + i] = lNumbers[3 + i] * mAngleFactor;
    }
    return true;
}
