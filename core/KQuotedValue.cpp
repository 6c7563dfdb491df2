#include "core/KQuotedValue.h"

namespace {

bool IsContinuationByte(char pByte)
{
    return (static_cast<unsigned char>(pByte) & 0xC0u) == 0x80u;
}

} // namespace

std::string_view KValuePrefix(std::string_view pValue)
{
    if (pValue.size() <= kMaxQuotedLength) {
        return pValue;
    }
    std::size_t lEnd = kMaxQuotedLength;
    // The byte at the cut continues a sequence: the sequence's start goes too. A value that is
    // not UTF-8 at all is cut after at most three such steps.
    for (int lStep = 0; lStep < 3 && IsContinuationByte(pValue[lEnd]); ++lStep) {
        --lEnd;
    }
    if (IsContinuationByte(pValue[lEnd])) {
        lEnd = kMaxQuotedLength;
    }
    return pValue.substr(0, lEnd);
}

std::string KQuoteValue(std::string_view pValue)
{
    const std::string_view lPrefix = KValuePrefix(pValue);
    std::string lQuoted = "\"";
    lQuoted += lPrefix;
    if (lPrefix.size() < pValue.size()) {
        lQuoted += "...";
    }
    lQuoted += "\"";
    return lQuoted;
}
