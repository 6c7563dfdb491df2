#ifndef RYVKIT_CORE_KQUOTEDVALUE_H
#define RYVKIT_CORE_KQUOTEDVALUE_H

#include <cstddef>
#include <string>
#include <string_view>

// Values taken from a file, as messages quote them. A file can hold a value of any length (a
// 200 MB number, a 50 MB material name); a message quotes only its first kMaxQuotedLength bytes,
// cut before a UTF-8 sequence that would not fit, so that no message line grows with the file.

// Bytes of a value a message quotes at most.
constexpr std::size_t kMaxQuotedLength = 40;

// The value itself when it fits, else its longest prefix of at most kMaxQuotedLength bytes that
// ends on a character boundary.
std::string_view KValuePrefix(std::string_view pValue);

// The value's prefix in double quotes ("abc"); a value that was cut ends in "..." inside the
// quotes ("abcd...").
std::string KQuoteValue(std::string_view pValue);

#endif
