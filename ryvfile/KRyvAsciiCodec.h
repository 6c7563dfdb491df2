#ifndef RYVKIT_RYVFILE_KRYVASCIICODEC_H
#define RYVKIT_RYVFILE_KRYVASCIICODEC_H

#include "ryvfile/KRyvBulkAllocator.h"
#include "ryvfile/KRyvFieldRecord.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The ASCII form of a record tree (docs/ryv-format.md, "ASCII records"): one record per line,
// children in braces, numbers printed in the C locale so that they read back bit for bit
// (NaN payloads aside).
namespace KRyvAsciiCodec {

// Takes encoded text; false stops the encoding.
using Output = std::function<bool(const std::uint8_t* pBytes, std::size_t pSize)>;

// Hands the text of the children of pRoot to pOutput in pieces of about half a megabyte, each
// ending at a line end or inside a long text or raw value. False when a name is invalid, the tree
// is deeper than KRyvFieldRecord::kMaxDepth or the output refuses text (what was handed on stays
// handed on).
bool Encode(const KRyvFieldRecord& pRoot, const Output& pOutput);
// The same, appended to ioText.
bool Encode(const KRyvFieldRecord& pRoot, std::string& ioText);

// Replaces oRecords by the records of the text in their binary form (as KRyvBinaryCodec encodes
// them), sized exactly. False, with oRecords emptied and oLine the line of the fault, for
// anything but a well-formed sequence of records: bad syntax, an unknown value form, a number
// out of range, an array whose element count differs from the count it states, nesting deeper
// than the limit, a record, text or array the binary form cannot hold (over 4 GiB). Lines
// starting with ';' are comments.
bool Decode(const char* pText, std::size_t pSize, KRyvBytes& oRecords, int& oLine);

} // namespace KRyvAsciiCodec

#endif
