#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJFIXEDFORMAT_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJFIXEDFORMAT_H

#include <cstddef>

// Numbers as the OBJ and MTL files print them: "%lf" in the C locale, six decimals, the exact
// value rounded to nearest with ties to even, byte for byte what std::to_chars(fixed, 6) gives,
// except that a value that rounds to zero is "0.000000" whatever its sign. Values below 2^52 in
// magnitude are converted with integer arithmetic, the others (and infinities and NaN) by
// std::to_chars.
namespace KObjFixedFormat {

// The most characters one number takes ("-" + 309 digits + "." + 6 decimals, with room).
constexpr std::size_t kMaxLength = 400;

// Writes pValue at pOut (kMaxLength bytes of room) and answers the end of what it wrote.
char* Write(char* pOut, double pValue);

} // namespace KObjFixedFormat

#endif
