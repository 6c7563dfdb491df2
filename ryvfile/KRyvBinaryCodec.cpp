#include "ryvfile/KRyvBinaryCodec.h"

#include "ryvfile/KRyvByteOrder.h"

#include <algorithm>
#include <limits>

using namespace KRyvByteOrder;

namespace {

constexpr std::size_t kSizeFieldBytes = 4;
constexpr std::uint64_t kMaxSize = std::numeric_limits<std::uint32_t>::max();

constexpr std::size_t kBlock = 1 << 20;

// Collects encoded bytes and hands them on in blocks of about kBlock; the bytes of a large array
// go on directly from the array, without a copy, where the host's byte order is the file's.
class Sink
{
public:
    explicit Sink(const KRyvBinaryCodec::Output& pOutput) : mOutput(pOutput)
    {
        mBuffer.reserve(kBlock);
    }

    std::vector<std::uint8_t>& Bytes() { return mBuffer; }

    // Passes the buffer on once it is full; false once the output refused bytes.
    bool Room() { return mBuffer.size() < kBlock ? mOk : Flush(); }

    bool Flush()
    {
        mOk = mOk && (mBuffer.empty() || mOutput(mBuffer.data(), mBuffer.size()));
        mBuffer.clear();
        return mOk;
    }

    template <typename T> bool PutArray(const std::vector<T>& pArray)
    {
        PutLE<std::uint32_t>(mBuffer, static_cast<std::uint32_t>(pArray.size()));
        const std::size_t lBytes = pArray.size() * sizeof(T);
        if (!kHostIsLittleEndian || lBytes < kBlock) {
            PutArrayLE(mBuffer, pArray);
            return Room();
        }
        return Flush() &&
               (mOk = mOutput(reinterpret_cast<const std::uint8_t*>(pArray.data()), lBytes));
    }

private:
    const KRyvBinaryCodec::Output& mOutput;
    std::vector<std::uint8_t> mBuffer;
    bool mOk = true;
};

bool EncodeValue(const KRyvFieldValue& pValue, Sink& ioSink)
{
    std::vector<std::uint8_t>& lBytes = ioSink.Bytes();
    lBytes.push_back(pValue.GetKind());
    bool lOk = true;
    std::visit(
        [&](const auto& lHeld) {
            using T = std::decay_t<decltype(lHeld)>;
            if constexpr (std::is_same_v<T, bool>) {
                lBytes.push_back(lHeld ? 1 : 0);
            } else if constexpr (std::is_arithmetic_v<T>) {
                PutLE(lBytes, lHeld);
            } else if constexpr (std::is_same_v<T, std::string>) {
                lOk = lHeld.size() <= kMaxSize;
                PutLE<std::uint32_t>(lBytes, static_cast<std::uint32_t>(lHeld.size()));
                lBytes.insert(lBytes.end(), lHeld.begin(), lHeld.end());
            } else {
                lOk = lHeld.size() <= kMaxSize && ioSink.PutArray(lHeld);
            }
        },
        pValue.GetStorage());
    return lOk && ioSink.Room();
}

// The encoded size of a record, so that its size field is written before its content. Sizes
// past 32 bits are counted too; EncodeRecord refuses them.
std::size_t EncodedSize(const KRyvFieldRecord& pRecord)
{
    std::size_t lSize = kSizeFieldBytes + 1 + pRecord.GetName().size() + 2 * kSizeFieldBytes;
    for (const KRyvFieldValue& lValue : pRecord.GetValues()) {
        lSize += 1;
        std::visit(
            [&](const auto& lHeld) {
                using T = std::decay_t<decltype(lHeld)>;
                if constexpr (std::is_arithmetic_v<T>) {
                    lSize += std::is_same_v<T, bool> ? 1 : sizeof(T);
                } else {
                    lSize += kSizeFieldBytes + lHeld.size() * sizeof(lHeld[0]);
                }
            },
            lValue.GetStorage());
    }
    for (int i = 0; i < pRecord.GetChildCount(); ++i) {
        lSize += EncodedSize(*pRecord.GetChild(i));
    }
    return lSize;
}

bool EncodeRecord(const KRyvFieldRecord& pRecord, Sink& ioSink, int pDepth)
{
    const std::size_t lContent = EncodedSize(pRecord) - kSizeFieldBytes;
    if (pDepth > KRyvFieldRecord::kMaxDepth || !KRyvFieldRecord::IsValidName(pRecord.GetName()) ||
        lContent > kMaxSize) {
        return false;
    }
    std::vector<std::uint8_t>& lBytes = ioSink.Bytes();
    PutLE<std::uint32_t>(lBytes, static_cast<std::uint32_t>(lContent));
    lBytes.push_back(static_cast<std::uint8_t>(pRecord.GetName().size()));
    lBytes.insert(lBytes.end(), pRecord.GetName().begin(), pRecord.GetName().end());
    PutLE<std::uint32_t>(lBytes, static_cast<std::uint32_t>(pRecord.GetValues().size()));
    for (const KRyvFieldValue& lValue : pRecord.GetValues()) {
        if (!EncodeValue(lValue, ioSink)) {
            return false;
        }
    }
    PutLE<std::uint32_t>(ioSink.Bytes(), static_cast<std::uint32_t>(pRecord.GetChildCount()));
    for (int i = 0; i < pRecord.GetChildCount(); ++i) {
        if (!EncodeRecord(*pRecord.GetChild(i), ioSink, pDepth + 1)) {
            return false;
        }
    }
    return ioSink.Room();
}

} // namespace

std::size_t KRyvBinaryCodec::GetEncodedSize(const KRyvFieldRecord& pRoot)
{
    std::size_t lSize = 0;
    for (int i = 0; i < pRoot.GetChildCount(); ++i) {
        lSize += EncodedSize(*pRoot.GetChild(i));
    }
    return lSize;
}

bool KRyvBinaryCodec::Encode(const KRyvFieldRecord& pRoot, const Output& pOutput)
{
    Sink lSink(pOutput);
    for (int i = 0; i < pRoot.GetChildCount(); ++i) {
        if (!EncodeRecord(*pRoot.GetChild(i), lSink, 1)) {
            return false;
        }
    }
    return lSink.Flush();
}

bool KRyvBinaryCodec::Encode(const KRyvFieldRecord& pRoot, std::vector<std::uint8_t>& ioBytes)
{
    ioBytes.reserve(ioBytes.size() + GetEncodedSize(pRoot));
    return Encode(pRoot, [&ioBytes](const std::uint8_t* pBytes, std::size_t pSize) {
        ioBytes.insert(ioBytes.end(), pBytes, pBytes + pSize);
        return true;
    });
}
