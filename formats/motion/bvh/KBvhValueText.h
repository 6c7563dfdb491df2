#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHVALUETEXT_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHVALUETEXT_H

#include <cstddef>

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
};

#endif
