#ifndef RYVKIT_RYVFILE_KRYVBYTESTAGE_H
#define RYVKIT_RYVFILE_KRYVBYTESTAGE_H

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// One step of a write that runs beside the one feeding it: bytes written to the stage are
// gathered into blocks, and a thread of the stage hands each full block to the consumer, in
// order, while the next block fills. Two blocks exist at most (the one filling, the one being
// consumed), so a stage costs twice its block size whatever the file's size.
//
// One producer at a time (it may change from one thread to another between a Finish and the
// next Write, or before the first). A consumer that answers false, or throws, fails the stage:
// later writes answer false and what comes is dropped. The stage never throws once made; making
// it may throw std::bad_alloc or std::system_error (no thread).
class KRyvByteStage
{
public:
    using Consumer = std::function<bool(const std::uint8_t* pBytes, std::size_t pSize)>;

    KRyvByteStage(std::size_t pBlockSize, Consumer pConsumer);
    // Stops the thread after the block it is consuming; what was not handed on is dropped.
    ~KRyvByteStage();
    KRyvByteStage(const KRyvByteStage&) = delete;
    KRyvByteStage& operator=(const KRyvByteStage&) = delete;

    // False once the stage failed.
    bool Write(const std::uint8_t* pBytes, std::size_t pSize);
    // Hands on the block filling and waits until the consumer took everything: false when it
    // refused any of it. The stage may be written to again afterwards.
    bool Finish();

private:
    // Waits until the consumer is idle, then hands it the filled block.
    bool HandOn();
    void Run();

    const std::size_t mBlockSize;
    Consumer mConsumer;
    std::unique_ptr<std::uint8_t[]> mFilling;
    std::unique_ptr<std::uint8_t[]> mHanded;
    std::size_t mFilled = 0;
    std::size_t mHandedSize = 0;

    std::mutex mMutex;
    std::condition_variable mChanged;
    bool mPending = false;
    bool mBusy = false;
    bool mFailed = false;
    bool mStop = false;
    // Last, so that it starts once everything it uses is made.
    std::thread mThread;
};

#endif
