// Fuzz entry point of the native reader: the input is read from memory into a scene holding one
// node (FuzzScene); nothing is written anywhere. Any answer is fine; a crash, a hang, a leak, or
// a failed read that changes the scene (it must still hold exactly its one node) is not. The
// password is fixed, so sealed seeds open. A binary input gets its body size and CRC-32 mended
// first: otherwise almost every mutation would stop at the frame check and the decoder behind it
// would never be reached. The password's key is slow to derive on purpose (tens of milliseconds and
// 64 MB each time); this program derives it once per salt, so that the mutations of a sealed
// input that keep its salt cost no more than their decoding, and only for an input that came
// whole (a file as written): a salt a mutation made opens no body, whatever key it is given, so
// it gets a quick stand-in that is refused alike.

#include "fuzz/FuzzScene.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvNode.h"

#include "ryvfile/KRyvContainer.h"

#include <dlfcn.h>
#include <sodium.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Derivations remembered; past this many, one is forgotten for each new one.
constexpr std::size_t kKeptKeys = 64;

using Derivation = std::pair<std::string, std::array<unsigned char, crypto_pwhash_SALTBYTES>>;

// Whether the input being read came whole, its frame needing no mending.
bool sCameWhole = false;

// Mends the frame of a binary input; true when it needed no mending.
bool MendFrame(std::vector<uint8_t>& ioBytes)
{
    const std::size_t lFrame = KRyvContainer::kFixedHeaderSize + KRyvContainer::kFooterSize;
    if (ioBytes.size() < lFrame || std::memcmp(ioBytes.data(), KRyvContainer::kBinaryMagic,
                                               sizeof(KRyvContainer::kBinaryMagic)) != 0) {
        return false;
    }
    std::uint32_t lFlags = 0;
    std::memcpy(&lFlags, ioBytes.data() + 12, sizeof(lFlags));
    const std::size_t lHeader = KRyvContainer::kFixedHeaderSize +
                                ((lFlags & KRyvContainer::kFlagProtected)
                                     ? KRyvCipher::kSaltSize + KRyvCipher::kStreamHeaderSize
                                     : 0);
    if (ioBytes.size() < lHeader + KRyvContainer::kFooterSize) {
        return false;
    }
    const std::vector<uint8_t> lGiven = ioBytes;
    const std::uint64_t lBody = ioBytes.size() - lHeader - KRyvContainer::kFooterSize;
    std::memcpy(ioBytes.data() + 16, &lBody, sizeof(lBody));
    const std::size_t lCrcAt = ioBytes.size() - KRyvContainer::kFooterSize;
    const std::uint32_t lCrc =
        static_cast<std::uint32_t>(crc32(0, ioBytes.data(), static_cast<uInt>(lCrcAt)));
    std::memcpy(ioBytes.data() + lCrcAt, &lCrc, sizeof(lCrc));
    return ioBytes == lGiven;
}

// The scene holds one node, which a failed read must leave; the options open sealed inputs and
// write embedded media nowhere (they are decoded all the same).
std::unique_ptr<KStreamOptions> KeepOneNode(KRyvObjectFactory& ioFactory, KRyvScene& ioScene)
{
    if (!ioScene.GetRootNode()->AddChild(ioFactory.CreateNode("Keep"))) {
        return nullptr;
    }
    auto lOptions = std::make_unique<KStreamOptionsRyv>();
    lOptions->SetPassword("fuzz");
    lOptions->SetRestoreMedia(false);
    return lOptions;
}

} // namespace

// Takes the library's place for the kit's calls (the program's own definition comes first) and
// hands a derivation it has not seen to the library's, for an input that came whole; any other
// gets a quick hash of the password keyed by the salt.
extern "C" int crypto_pwhash(unsigned char* const out, unsigned long long outlen,
                             const char* const passwd, unsigned long long passwdlen,
                             const unsigned char* const salt, unsigned long long opslimit,
                             size_t memlimit, int alg)
{
    using Derive = int (*)(unsigned char*, unsigned long long, const char*, unsigned long long,
                           const unsigned char*, unsigned long long, size_t, int);
    static const auto sDerive = reinterpret_cast<Derive>(dlsym(RTLD_NEXT, "crypto_pwhash"));
    static std::map<Derivation, std::vector<unsigned char>> sKeys;
    Derivation lWhich{std::string(passwd, passwdlen) + "/" + std::to_string(opslimit) + "/" +
                          std::to_string(memlimit) + "/" + std::to_string(alg),
                      {}};
    std::memcpy(lWhich.second.data(), salt, lWhich.second.size());
    auto lKnown = sKeys.find(lWhich);
    if (lKnown != sKeys.end() && lKnown->second.size() == outlen) {
        std::memcpy(out, lKnown->second.data(), outlen);
        return 0;
    }
    if (!sCameWhole) {
        return crypto_generichash(out, outlen, reinterpret_cast<const unsigned char*>(passwd),
                                  passwdlen, salt, crypto_pwhash_SALTBYTES);
    }
    const int lResult = sDerive(out, outlen, passwd, passwdlen, salt, opslimit, memlimit, alg);
    if (lResult == 0) {
        if (sKeys.size() >= kKeptKeys) {
            sKeys.erase(sKeys.begin());
        }
        sKeys[lWhich].assign(out, out + outlen);
    }
    return lResult;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    std::vector<uint8_t> lInput(pData, pData + pSize);
    sCameWhole = MendFrame(lInput);
    static FuzzScene sScene(&KeepOneNode);
    KRyvScene& lScene = sScene.Scene();
    sScene.Read(
        [&] {
            KReaderRyv lReader(&sScene.Factory());
            return lReader.MemoryOpen(lInput.data(), lInput.size(), "fuzz.ryv") &&
                   lReader.Read(&lScene, sScene.Prepared());
        },
        [&] { return lScene.GetRootNode()->GetChildCount() == 1; });
    return 0;
}
