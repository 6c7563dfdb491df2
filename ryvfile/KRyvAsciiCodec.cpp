#include "ryvfile/KRyvAsciiCodec.h"

#include <charconv>
#include <cstdint>
#include <system_error>
#include <type_traits>

namespace {

constexpr int kArrayElementsPerLine = 16;
constexpr char kHexDigits[] = "0123456789abcdef";
// Big enough for the shortest round-trip form of any double.
constexpr std::size_t kNumberBufferSize = 40;

// Writing -------------------------------------------------------------------------------------

template <typename T> void PutNumber(std::string& ioText, T pValue)
{
    char lBuffer[kNumberBufferSize];
    const std::to_chars_result lResult = std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pValue);
    ioText.append(lBuffer, lResult.ptr);
}

void PutText(std::string& ioText, const std::string& pValue)
{
    ioText += '"';
    for (const char lChar : pValue) {
        const unsigned char lByte = static_cast<unsigned char>(lChar);
        if (lChar == '"' || lChar == '\\') {
            ioText += '\\';
            ioText += lChar;
        } else if (lByte < 0x20 || lByte >= 0x7f) {
            ioText += "\\x";
            ioText += kHexDigits[lByte >> 4];
            ioText += kHexDigits[lByte & 0xf];
        } else {
            ioText += lChar;
        }
    }
    ioText += '"';
}

template <typename T> char ArrayLetter()
{
    if constexpr (std::is_same_v<T, std::int32_t>) {
        return 'i';
    } else if constexpr (std::is_same_v<T, std::int64_t>) {
        return 'l';
    } else if constexpr (std::is_same_v<T, float>) {
        return 'f';
    } else {
        return 'd';
    }
}

template <typename T> void PutArray(std::string& ioText, const std::vector<T>& pArray, int pDepth)
{
    ioText += ArrayLetter<T>();
    ioText += '[';
    PutNumber(ioText, pArray.size());
    ioText += "]{";
    for (std::size_t i = 0; i < pArray.size(); ++i) {
        if (i > 0) {
            ioText += ',';
        }
        if (i > 0 && i % kArrayElementsPerLine == 0) {
            ioText += '\n';
            ioText.append(static_cast<std::size_t>(pDepth), '\t');
        }
        PutNumber(ioText, pArray[i]);
    }
    ioText += '}';
}

void PutValue(std::string& ioText, const KRyvFieldValue& pValue, int pDepth)
{
    std::visit(
        [&](const auto& lHeld) {
            using T = std::decay_t<decltype(lHeld)>;
            if constexpr (std::is_same_v<T, bool>) {
                ioText += lHeld ? 'T' : 'F';
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                PutNumber(ioText, lHeld);
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                PutNumber(ioText, lHeld);
                ioText += 'L';
            } else if constexpr (std::is_same_v<T, float>) {
                PutNumber(ioText, lHeld);
                ioText += 'f';
            } else if constexpr (std::is_same_v<T, double>) {
                PutNumber(ioText, lHeld);
                ioText += 'd';
            } else if constexpr (std::is_same_v<T, std::string>) {
                PutText(ioText, lHeld);
            } else if constexpr (std::is_same_v<T, std::vector<std::uint8_t>>) {
                ioText += "x\"";
                for (const std::uint8_t lByte : lHeld) {
                    ioText += kHexDigits[lByte >> 4];
                    ioText += kHexDigits[lByte & 0xf];
                }
                ioText += '"';
            } else {
                PutArray(ioText, lHeld, pDepth);
            }
        },
        pValue.GetStorage());
}

bool PutRecord(std::string& ioText, const KRyvFieldRecord& pRecord, int pDepth)
{
    if (pDepth > KRyvFieldRecord::kMaxDepth || !KRyvFieldRecord::IsValidName(pRecord.GetName())) {
        return false;
    }
    ioText.append(static_cast<std::size_t>(pDepth - 1), '\t');
    ioText += pRecord.GetName();
    ioText += ':';
    const std::vector<KRyvFieldValue>& lValues = pRecord.GetValues();
    for (std::size_t i = 0; i < lValues.size(); ++i) {
        ioText += i == 0 ? " " : ", ";
        PutValue(ioText, lValues[i], pDepth);
    }
    if (pRecord.GetChildCount() > 0) {
        ioText += " {\n";
        for (int i = 0; i < pRecord.GetChildCount(); ++i) {
            if (!PutRecord(ioText, *pRecord.GetChild(i), pDepth + 1)) {
                return false;
            }
        }
        ioText.append(static_cast<std::size_t>(pDepth - 1), '\t');
        ioText += '}';
    }
    ioText += '\n';
    return true;
}

} // namespace

bool KRyvAsciiCodec::Encode(const KRyvFieldRecord& pRoot, std::string& ioText)
{
    for (int i = 0; i < pRoot.GetChildCount(); ++i) {
        if (!PutRecord(ioText, *pRoot.GetChild(i), 1)) {
            return false;
        }
    }
    return true;
}
