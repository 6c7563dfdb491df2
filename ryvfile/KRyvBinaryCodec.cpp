#include "ryvfile/KRyvBinaryCodec.h"

#include "ryvfile/KRyvBinaryRecordWriter.h"
#include "ryvfile/KRyvRecordSizer.h"

std::size_t KRyvBinaryCodec::GetEncodedSize(const KRyvFieldRecord& pRoot)
{
    KRyvRecordSizer lSizer;
    lSizer.PutTree(pRoot);
    return static_cast<std::size_t>(lSizer.GetBodySize());
}

bool KRyvBinaryCodec::Encode(const KRyvFieldRecord& pRoot, const Output& pOutput)
{
    KRyvRecordSizer lSizer;
    lSizer.PutTree(pRoot);
    if (!lSizer.Finish()) {
        return false;
    }
    KRyvBinaryRecordWriter lWriter(lSizer.GetRuns(), pOutput);
    lWriter.PutTree(pRoot);
    return lWriter.Finish();
}

bool KRyvBinaryCodec::Encode(const KRyvFieldRecord& pRoot, std::vector<std::uint8_t>& ioBytes)
{
    ioBytes.reserve(ioBytes.size() + GetEncodedSize(pRoot));
    return Encode(pRoot, [&ioBytes](const std::uint8_t* pBytes, std::size_t pSize) {
        ioBytes.insert(ioBytes.end(), pBytes, pBytes + pSize);
        return true;
    });
}
