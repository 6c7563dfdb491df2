#ifndef RYVKIT_RYVFILE_KRYVHOLEDREAD_H
#define RYVKIT_RYVFILE_KRYVHOLEDREAD_H

#include "ryvfile/KRyvBodyHoles.h"
#include "ryvfile/KRyvBulkAllocator.h"
#include "ryvfile/KRyvContainer.h"

#include <cstddef>
#include <cstdint>

class KRyvStream;

// One read of a whole file through a small reused window into a buffer sized from the stream's
// size hint, for a stream that stays open: every byte goes through the CRC once as it arrives,
// and every byte but those of the holes the walk finds (KRyvBodyHoles, plain binary bodies only)
// is copied into the buffer. The buffer's pages under a hole are never written, so they are
// never made. A stream longer than its hint grows the buffer; a shorter one shrinks it.
class KRyvHoledRead
{
public:
    // oBytes, oHoles and oCrc are filled by ReadAll and must outlive this object.
    KRyvHoledRead(KRyvBytes& oBytes, KRyvBodyHoles& oHoles, KRyvContainer::CrcPrefix& oCrc);
    KRyvHoledRead(const KRyvHoledRead&) = delete;
    KRyvHoledRead& operator=(const KRyvHoledRead&) = delete;

    // Everything that remains of ioStream; false when more than pLimit bytes remain. oCrc covers
    // every byte but the last KRyvContainer::kMaxCrcTail, which are never in a hole.
    bool ReadAll(KRyvStream& ioStream, std::size_t pSizeHint, std::size_t pLimit);

private:
    // The CRC lags the bytes by the tail it may not cover.
    void TakeCrc(const std::uint8_t* pBytes, std::size_t pSize);
    // Copies the bytes that arrived at mArrived into the buffer, holes excepted.
    void Keep(const std::uint8_t* pBytes, std::size_t pSize);
    // Starts the walk once the fixed header is there, for a plain binary file only.
    void StartWalk();

    KRyvBytes& mBytes;
    KRyvBodyHoles& mHoles;
    KRyvContainer::CrcPrefix& mCrc;
    std::size_t mArrived = 0;
    std::uint8_t mCarry[KRyvContainer::kMaxCrcTail] = {};
    std::size_t mCarrySize = 0;
    bool mWalkStarted = false;
};

#endif
