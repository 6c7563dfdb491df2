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
// The text handed on at once: large enough for few calls, small beside any file worth streaming.
constexpr std::size_t kPieceSize = std::size_t(1) << 20;

// Writing -------------------------------------------------------------------------------------

// The text being encoded, handed to the output whenever a piece of it is complete and large
// enough, so that a file never has to be held whole.
struct Sink
{
    std::string mText;
    const KRyvAsciiCodec::Output* mOutput;
    bool mRefused = false;

    // Called at line ends only: a piece always ends where the encoder is free to cut.
    bool Flush(bool pAll)
    {
        if (!mRefused && (pAll || mText.size() >= kPieceSize) && !mText.empty()) {
            mRefused =
                !(*mOutput)(reinterpret_cast<const std::uint8_t*>(mText.data()), mText.size());
            mText.clear();
        }
        return !mRefused;
    }
};

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

template <typename T> void PutArray(Sink& ioSink, const std::vector<T>& pArray, int pDepth)
{
    std::string& lText = ioSink.mText;
    lText += ArrayLetter<T>();
    lText += '[';
    PutNumber(lText, pArray.size());
    lText += "]{";
    for (std::size_t i = 0; i < pArray.size(); ++i) {
        if (i > 0) {
            lText += ',';
        }
        if (i > 0 && i % kArrayElementsPerLine == 0) {
            lText += '\n';
            ioSink.Flush(false);
            lText.append(static_cast<std::size_t>(pDepth), '\t');
        }
        PutNumber(lText, pArray[i]);
    }
    lText += '}';
}

void PutValue(Sink& ioSink, const KRyvFieldValue& pValue, int pDepth)
{
    std::string& ioText = ioSink.mText;
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
                PutArray(ioSink, lHeld, pDepth);
            }
        },
        pValue.GetStorage());
}

bool PutRecord(Sink& ioSink, const KRyvFieldRecord& pRecord, int pDepth)
{
    if (pDepth > KRyvFieldRecord::kMaxDepth || !KRyvFieldRecord::IsValidName(pRecord.GetName())) {
        return false;
    }
    std::string& lText = ioSink.mText;
    lText.append(static_cast<std::size_t>(pDepth - 1), '\t');
    lText += pRecord.GetName();
    lText += ':';
    const std::vector<KRyvFieldValue>& lValues = pRecord.GetValues();
    for (std::size_t i = 0; i < lValues.size(); ++i) {
        lText += i == 0 ? " " : ", ";
        PutValue(ioSink, lValues[i], pDepth);
    }
    if (pRecord.GetChildCount() > 0) {
        lText += " {\n";
        for (int i = 0; i < pRecord.GetChildCount(); ++i) {
            if (!PutRecord(ioSink, *pRecord.GetChild(i), pDepth + 1)) {
                return false;
            }
        }
        lText.append(static_cast<std::size_t>(pDepth - 1), '\t');
        lText += '}';
    }
    lText += '\n';
    return ioSink.Flush(false);
}

} // namespace

bool KRyvAsciiCodec::Encode(const KRyvFieldRecord& pRoot, const Output& pOutput)
{
    Sink lSink{std::string(), &pOutput};
    for (int i = 0; i < pRoot.GetChildCount(); ++i) {
        if (!PutRecord(lSink, *pRoot.GetChild(i), 1)) {
            return false;
        }
    }
    return lSink.Flush(true);
}

bool KRyvAsciiCodec::Encode(const KRyvFieldRecord& pRoot, std::string& ioText)
{
    return Encode(pRoot, [&ioText](const std::uint8_t* pBytes, std::size_t pSize) {
        ioText.append(reinterpret_cast<const char*>(pBytes), pSize);
        return true;
    });
}
