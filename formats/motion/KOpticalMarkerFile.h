#ifndef RYVKIT_FORMATS_MOTION_KOPTICALMARKERFILE_H
#define RYVKIT_FORMATS_MOTION_KOPTICALMARKERFILE_H

#include "core/KByteSource.h"
#include "core/KString.h"
#include "core/KTime.h"
#include "core/KVector4.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the header of an optical marker file says. Rates are frames per second; the sample scale
// multiplies every coordinate a frame gives into scene centimetres.
struct KOpticalMarkerHeader
{
    int mMarkerCount = 0;
    KTime mStart;
    int mFrameCount = 0;
    double mFrameRate = 0.0;
    double mScale = 1.0;
};

// The file side of the optical marker formats (AOA and MCD, C3D, TRC): one position per marker
// and frame, read by KReaderOptical and written by KWriterOptical. A file object is either
// reading (Open on a byte source) or writing (Create on a path; the target is replaced only by a
// successful Close). Every operation answers true on success; on failure GetLastError says why,
// naming the file.
//
// A position is x, y, z and w: w is 1.0 for a marker not seen at that frame, 0.0 for one seen.
class KOpticalMarkerFile
{
public:
    virtual ~KOpticalMarkerFile() = default;

    // Reads from pSource, owned from now on.
    virtual bool Open(std::unique_ptr<KByteSource> pSource) = 0;
    // Starts a new file for pPath.
    virtual bool Create(const char* pPath) = 0;
    // Ends a read, or commits a write (false when anything written failed to reach the disk).
    virtual bool Close() = 0;
    // Drops a write: the target stays as it was.
    virtual void Discard() = 0;

    // The header, read again from the start of the file each time.
    virtual bool ReadHeader(KOpticalMarkerHeader& oHeader) = 0;
    // ioNames holds one (empty) name per marker of the header; the file fills them. With
    // pKeepPrefixes a format that knows name prefixes keeps them.
    virtual bool ReadNames(std::vector<KString>& ioNames, bool pKeepPrefixes) = 0;
    // The next frame: oPositions is resized to the positions the frame holds (more than pCount
    // when it holds extra markers, fewer when its line ends early); ioFrame grows by one and
    // ioTime by pPeriod. pZeroOccluded: a position of exactly (0, 0, 0) counts as not seen.
    virtual bool ReadFrame(std::vector<KVector4>& oPositions, int pCount, KTime& ioTime,
                           int& ioFrame, KTime pPeriod, bool pZeroOccluded) = 0;
    // False when what follows the last frame is not as the format requires.
    virtual bool EndRead() = 0;
    // Bytes of the input, for the caps on what a header may declare; 0 when unknown.
    virtual std::uint64_t GetInputSize() const = 0;

    virtual bool WriteHeader(const KOpticalMarkerHeader& pHeader) = 0;
    virtual bool WriteNames(const std::vector<KString>& pNames) = 0;
    // pFrame counts from 1. Positions are in scene centimetres.
    virtual bool WriteFrame(const KVector4* pPositions, int pCount, KTime pTime, int pFrame) = 0;
    virtual bool EndWrite() = 0;
    // True once a write failed to reach the disk (as opposed to a value the format refuses).
    virtual bool WriteFailed() const = 0;

    // The format's name as messages give it ("TRC", "C3D").
    virtual const char* GetFormatName() const = 0;
    virtual std::string GetError() const = 0;
    // Warnings of the last read (what the file overruled or left out, a file cut short) or of
    // writing (values the format cannot hold), one line each.
    virtual const std::string& GetWarnings() const = 0;
};

#endif
