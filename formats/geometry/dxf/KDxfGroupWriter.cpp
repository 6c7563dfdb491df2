#include "formats/geometry/dxf/KDxfGroupWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// Room for any int.
constexpr std::size_t kIntSize = 16;
constexpr int kDecimals = 6;
constexpr double kDecimalScale = 1e6;
// Below this magnitude a value times 10^6 is below 2^43, so the product is off the exact one
// by at most 2^-10: its distance from the halfway point between two integers says how the
// exact value rounds, unless that distance is within kTieMargin. Beyond it, and near a tie,
// the library prints the exact decimal expansion.
constexpr double kQuickLimit = 8e6;
constexpr double kTieMargin = 1.0 / 256.0;
// The longest code line: the digits of any int and the line end.
constexpr std::size_t kCodeSize = kIntSize + 1;

char* PutCode(char* pOut, int pCode)
{
    constexpr unsigned kWidthLimit = 1000;
    const auto lCode = static_cast<unsigned>(pCode);
    if (lCode < kWidthLimit) {
        // The codes the writer uses: three columns, blanks before the first digit.
        pOut[0] = lCode < 100 ? ' ' : static_cast<char>('0' + lCode / 100);
        pOut[1] = lCode < 10 ? ' ' : static_cast<char>('0' + lCode / 10 % 10);
        pOut[2] = static_cast<char>('0' + lCode % 10);
        pOut[3] = '\n';
        return pOut + KDxfGroupWriter::kCodeWidth + 1;
    }
    char lDigits[kIntSize];
    const char* const lEnd = std::to_chars(lDigits, lDigits + sizeof(lDigits), pCode).ptr;
    for (std::size_t i = static_cast<std::size_t>(lEnd - lDigits); i < KDxfGroupWriter::kCodeWidth;
         ++i) {
        *pOut++ = ' ';
    }
    pOut = std::copy(static_cast<const char*>(lDigits), lEnd, pOut);
    *pOut++ = '\n';
    return pOut;
}

char* PutFixedByLibrary(char* pOut, double pValue)
{
    const std::to_chars_result lEnd = std::to_chars(pOut, pOut + KDxfGroupWriter::kCoordinateSize,
                                                    pValue, std::chars_format::fixed, kDecimals);
    if (lEnd.ec != std::errc()) {
        return pOut;
    }
    // No sign on a value that prints as zero (see PutFixed).
    if (*pOut == '-' && std::string_view(pOut + 1, static_cast<std::size_t>(lEnd.ptr - pOut - 1))
                                .find_first_not_of("0.") == std::string_view::npos) {
        std::memmove(pOut, pOut + 1, static_cast<std::size_t>(lEnd.ptr - pOut - 1));
        return lEnd.ptr - 1;
    }
    return lEnd.ptr;
}

} // namespace

KDxfGroupWriter::KDxfGroupWriter(std::FILE* pStream) : mStream(pStream), mBuffer(kBufferSize) {}

void KDxfGroupWriter::Group(int pCode, std::string_view pValue)
{
    char lCode[kCodeSize];
    Text(std::string_view(lCode, static_cast<std::size_t>(PutCode(lCode, pCode) - lCode)));
    Text(pValue);
    Text("\n");
}

void KDxfGroupWriter::Integer(int pCode, int pValue, std::size_t pBlanks)
{
    char* const lStart = Room(kCodeSize + kIntegerBlanks + kIntSize + 1);
    if (!lStart) {
        return;
    }
    char* lAt = PutCode(lStart, pCode);
    lAt = std::fill_n(lAt, std::min(pBlanks, kIntegerBlanks), ' ');
    lAt = std::to_chars(lAt, lAt + kIntSize, pValue).ptr;
    *lAt++ = '\n';
    mUsed += static_cast<std::size_t>(lAt - lStart);
}

void KDxfGroupWriter::Coordinate(int pCode, double pValue)
{
    char* const lStart = Room(kCodeSize + kCoordinateSize + 1);
    if (!lStart) {
        return;
    }
    char* lAt = PutFixed(PutCode(lStart, pCode), pValue);
    *lAt++ = '\n';
    mUsed += static_cast<std::size_t>(lAt - lStart);
}

void KDxfGroupWriter::Text(std::string_view pText)
{
    if (pText.size() > kBufferSize) {
        // Larger than the buffer (a very long name): written as it stands, after what was
        // gathered before it.
        Drain();
        if (!mFailed && std::fwrite(pText.data(), 1, pText.size(), mStream) != pText.size()) {
            mFailed = true;
        }
        return;
    }
    char* const lAt = Room(pText.size());
    if (lAt) {
        std::memcpy(lAt, pText.data(), pText.size());
        mUsed += pText.size();
    }
}

bool KDxfGroupWriter::Finish()
{
    Drain();
    if (!mFailed && std::fflush(mStream) != 0) {
        mFailed = true;
    }
    return !mFailed;
}

std::string KDxfGroupWriter::GroupText(int pCode, std::string_view pValue)
{
    char lCode[kCodeSize];
    std::string lText(lCode, static_cast<std::size_t>(PutCode(lCode, pCode) - lCode));
    lText += pValue;
    lText += '\n';
    return lText;
}

char* KDxfGroupWriter::PutFixed(char* pOut, double pValue)
{
    const double lMagnitude = std::fabs(pValue);
    if (!(lMagnitude < kQuickLimit)) {
        return PutFixedByLibrary(pOut, pValue);
    }
    const double lScaled = lMagnitude * kDecimalScale;
    const auto lWhole = static_cast<std::uint64_t>(lScaled);
    // Exact: both are below 2^43 and lWhole is lScaled without its fraction.
    const double lFraction = lScaled - static_cast<double>(lWhole);
    if (std::fabs(lFraction - 0.5) <= kTieMargin) {
        return PutFixedByLibrary(pOut, pValue);
    }
    const std::uint64_t lRounded = lWhole + (lFraction > 0.5 ? 1 : 0);
    constexpr auto kScale = static_cast<std::uint64_t>(kDecimalScale);
    // Unlike "%f", no sign on a value that prints as zero: the sign of a zero, or of a value
    // too small to print, does not survive a read and a second write (a small value comes back
    // as 0, the transform's sums turn -0 into +0), so the second file would differ.
    if (std::signbit(pValue) && lRounded != 0) {
        *pOut++ = '-';
    }
    pOut = std::to_chars(pOut, pOut + kIntSize, lRounded / kScale).ptr;
    *pOut++ = '.';
    std::uint64_t lDecimals = lRounded % kScale;
    for (int i = kDecimals; i-- > 0;) {
        pOut[i] = static_cast<char>('0' + lDecimals % 10);
        lDecimals /= 10;
    }
    return pOut + kDecimals;
}

char* KDxfGroupWriter::Room(std::size_t pSize)
{
    if (mBuffer.size() - mUsed < pSize) {
        Drain();
    }
    return mFailed ? nullptr : mBuffer.data() + mUsed;
}

void KDxfGroupWriter::Drain()
{
    if (!mFailed && mUsed > 0 && std::fwrite(mBuffer.data(), 1, mUsed, mStream) != mUsed) {
        mFailed = true;
    }
    mUsed = 0;
}
