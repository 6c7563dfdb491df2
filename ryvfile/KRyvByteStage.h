#ifndef RYVKIT_RYVFILE_KRYVBYTESTAGE_H
#define RYVKIT_RYVFILE_KRYVBYTESTAGE_H

#include <cstdint>
#include <functional>
#include <memory>

// Gathers bytes written in pieces of any size into blocks and hands each full block to the
// consumer, in order, so that the consumer (a CRC and the output file) works on large blocks
// whatever the pieces. One block of memory, whatever the file's size.
//
// A consumer that answers false, or throws, fails the stage: later writes answer false and what
// comes is dropped. The stage never throws once made; making it may throw std::bad_alloc.
class KRyvByteStage
{
public:
    using Consumer = std::function<bool(const std::uint8_t* pBytes, std::size_t pSize)>;

    KRyvByteStage(std::size_t pBlockSize, Consumer pConsumer);
    // What was not handed on is dropped.
    ~KRyvByteStage() = default;
    KRyvByteStage(const KRyvByteStage&) = delete;
    KRyvByteStage& operator=(const KRyvByteStage&) = delete;

    // False once the stage failed.
    bool Write(const std::uint8_t* pBytes, std::size_t pSize);
    // Hands on the block filling: false when the consumer refused any of the bytes. The stage
    // may be written to again afterwards.
    bool Finish();

private:
    bool HandOn();

    const std::size_t mBlockSize;
    Consumer mConsumer;
    std::unique_ptr<std::uint8_t[]> mBlock;
    std::size_t mFilled = 0;
    bool mFailed = false;
};

#endif
