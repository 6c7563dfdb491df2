// Fuzz entry point of the native reader: the input is read from memory into a scene holding
// one node; nothing is written anywhere. Any answer is fine; a crash, a hang, a leak, or a failed
// read that changes the scene (it must still hold exactly its one node) is not. The password is
// fixed, so sealed seeds open. A binary input gets its body size and CRC-32 mended first:
// otherwise almost every mutation would stop at the frame check and the decoder behind it would
// never be reached.

#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include "ryvfile/KRyvContainer.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void MendFrame(std::vector<uint8_t>& ioBytes)
{
    const std::size_t lFrame = KRyvContainer::kFixedHeaderSize + KRyvContainer::kFooterSize;
    if (ioBytes.size() < lFrame || std::memcmp(ioBytes.data(), KRyvContainer::kBinaryMagic,
                                               sizeof(KRyvContainer::kBinaryMagic)) != 0) {
        return;
    }
    std::uint32_t lFlags = 0;
    std::memcpy(&lFlags, ioBytes.data() + 12, sizeof(lFlags));
    const std::size_t lHeader = KRyvContainer::kFixedHeaderSize +
                                ((lFlags & KRyvContainer::kFlagProtected)
                                     ? KRyvCipher::kSaltSize + KRyvCipher::kStreamHeaderSize
                                     : 0);
    if (ioBytes.size() < lHeader + KRyvContainer::kFooterSize) {
        return;
    }
    const std::uint64_t lBody = ioBytes.size() - lHeader - KRyvContainer::kFooterSize;
    std::memcpy(ioBytes.data() + 16, &lBody, sizeof(lBody));
    const std::size_t lCrcAt = ioBytes.size() - KRyvContainer::kFooterSize;
    const std::uint32_t lCrc =
        static_cast<std::uint32_t>(crc32(0, ioBytes.data(), static_cast<uInt>(lCrcAt)));
    std::memcpy(ioBytes.data() + lCrcAt, &lCrc, sizeof(lCrc));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    std::vector<uint8_t> lInput(pData, pData + pSize);
    MendFrame(lInput);
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    lScene->GetRootNode()->AddChild(lFactory.CreateNode("Keep"));
    KReaderRyv lReader(&lFactory);
    KStreamOptionsRyv lOptions;
    lOptions.SetPassword("fuzz");
    // Embedded media are decoded but written nowhere.
    lOptions.SetRestoreMedia(false);
    if (lReader.MemoryOpen(lInput.data(), lInput.size(), "fuzz.ryv") &&
        !lReader.Read(lScene, &lOptions)) {
        if (lScene->GetRootNode()->GetChildCount() != 1) {
            std::abort();
        }
    }
    return 0;
}
