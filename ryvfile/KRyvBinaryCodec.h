#ifndef RYVKIT_RYVFILE_KRYVBINARYCODEC_H
#define RYVKIT_RYVFILE_KRYVBINARYCODEC_H

#include "ryvfile/KRyvFieldRecord.h"

#include <cstdint>
#include <functional>
#include <vector>

// The binary form of a record tree (docs/ryv-format.md, "Binary records"): the children of a
// root record, one after the other, each with its content size in front. Readers do not decode
// it into a tree: KRyvRecordCursor reads the records where they lie.
namespace KRyvBinaryCodec {

// Takes encoded bytes; false stops the encoding.
using Output = std::function<bool(const std::uint8_t* pBytes, std::size_t pSize)>;

// The bytes Encode gives for the children of pRoot.
std::size_t GetEncodedSize(const KRyvFieldRecord& pRoot);
// Hands the children of pRoot to pOutput in order, in pieces. False when a name is invalid,
// the tree is deeper than KRyvFieldRecord::kMaxDepth, a size passes 32 bits or the output
// refuses bytes (what was handed on before stays handed on).
bool Encode(const KRyvFieldRecord& pRoot, const Output& pOutput);
// The same, appended to ioBytes (then undefined after a failure).
bool Encode(const KRyvFieldRecord& pRoot, std::vector<std::uint8_t>& ioBytes);

} // namespace KRyvBinaryCodec

#endif
