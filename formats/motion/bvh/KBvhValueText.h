#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHVALUETEXT_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHVALUETEXT_H

#include <cstddef>
#include <cstdint>

// A frame's three values known as short decimals: value i is the double nearest to
// mWhole[i] / 10^mDecimals. mDecimals lies outside 0 to kMaxDecimals when they are not known.
struct KBvhDecimals
{
    static constexpr int kMaxDecimals = 9;

    std::int64_t mWhole[3] = {0, 0, 0};
    int mDecimals = -1;

    bool AreKnown() const { return mDecimals >= 0 && mDecimals <= kMaxDecimals; }
};

// The text of a frame value as printf "%g" prints it in the C locale (six significant digits,
// trailing zeros dropped, the exponent form below 1e-4 and from 1e6 on), made without the library
// for the values a BVH frame mostly holds: six digits are taken from one product with a power of
// ten and laid out. A value whose seventh digit onwards lies near half a unit of the sixth (where
// that product's rounding could decide), the exponent form and the values that are not finite go
// through std::to_chars, which prints the same as "%g".
class KBvhValueText
{
public:
    // The longest text written: a sign, 17 digits, a point, and an exponent.
    static constexpr std::size_t kMaxLength = 32;

    // Writes the text of pValue at oAt (room for kMaxLength characters) and answers its end.
    static char* Write(char* oAt, double pValue);
    // The same for a value known as pWhole / 10^pDecimals (pDecimals 0 to
    // KBvhDecimals::kMaxDecimals, pValue the double nearest to it): its digits are those of
    // pWhole, so only the layout is worked out. A zero is written "0", whatever its sign.
    static char* WriteDecimal(char* oAt, std::int64_t pWhole, int pDecimals, double pValue);
};

#endif
