#include "ryvfile/KRyvAsciiCodec.h"

#include "ryvfile/KRyvAsciiRecordWriter.h"

#include <cstdint>

bool KRyvAsciiCodec::Encode(const KRyvFieldRecord& pRoot, const Output& pOutput)
{
    KRyvAsciiRecordWriter lWriter(pOutput);
    lWriter.PutTree(pRoot);
    return lWriter.Finish();
}

bool KRyvAsciiCodec::Encode(const KRyvFieldRecord& pRoot, std::string& ioText)
{
    return Encode(pRoot, [&ioText](const std::uint8_t* pBytes, std::size_t pSize) {
        ioText.append(reinterpret_cast<const char*>(pBytes), pSize);
        return true;
    });
}
