#ifndef RYVKIT_FORMATS_MOTION_KMOTIONFASTNUMBER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONFASTNUMBER_H

#include <charconv>

// A quicker std::from_chars for the doubles the motion text formats print most: an optional
// '-', digits with at most one point, no exponent ("-12.375", ".5", "90"). Such a number of at
// most kMaxFastDigits digits, whose digits taken as an integer fit a double exactly and that has
// at most kMaxFastPowerOfTen digits after the point, is one exactly rounded division of two exact
// doubles, which gives the correctly rounded value std::from_chars gives. Everything else (an
// exponent, more digits, "inf", text that is no number) is handed to std::from_chars itself, so the
// answer is always the standard one, bit for bit: same value, same end pointer, same error. The
// division rounds as the floating-point environment says: the default (to nearest) is assumed,
// which nothing in the kit changes.
class KMotionFastNumber
{
public:
    // Digits (leading zeros too) the quick path gathers in one 64-bit integer.
    static constexpr int kMaxFastDigits = 19;
    // The largest power of ten a double holds exactly.
    static constexpr int kMaxFastPowerOfTen = 22;
    // Readable bytes FromCharsPadded needs past the end of its text.
    static constexpr int kPadding = 8;

    // As std::from_chars(pBegin, pEnd, oValue) in the general format: oValue is set only on
    // success; the result's pointer is past the number, or pBegin with invalid_argument.
    static std::from_chars_result FromChars(const char* pBegin, const char* pEnd, double& oValue);
    // The same for text followed by at least kPadding readable bytes past pEnd, whatever they
    // hold (they never become part of the number): the digits are then read eight bytes at a
    // time up to the very end, with no byte-wise tail.
    static std::from_chars_result FromCharsPadded(const char* pBegin, const char* pEnd,
                                                  double& oValue);
};

#endif
