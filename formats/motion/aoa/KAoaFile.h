#ifndef RYVKIT_FORMATS_MOTION_AOA_KAOAFILE_H
#define RYVKIT_FORMATS_MOTION_AOA_KAOAFILE_H

#include "formats/motion/KOpticalTextFile.h"

#include <string>

// An AOA marker file (also read and written for MCD files): any leading lines, a header line
// "frames = N markers = M Hz = R" (words compared without regard to case, each "=" a word of
// its own, the rate a usable one; lines that are not such a header are leading lines), then one "x
// y z" line per marker and frame. Markers have no names in the file: they are "Marker1" to
// "Marker<M>". The file holds no start time and no occlusion; a reader may take a position of
// exactly (0, 0, 0) as not seen. Written numbers are "%g" in the C locale; a position that is not
// finite is written as 0 0 0 (the not-seen position) with a warning.
class KAoaFile : public KOpticalTextFile
{
public:
    KAoaFile();

    bool Create(const char* pPath) override;

    bool ReadHeader(KOpticalMarkerHeader& oHeader) override;
    bool ReadNames(std::vector<KString>& ioNames, bool pKeepPrefixes) override;
    bool ReadFrame(std::vector<KVector4>& oPositions, int pCount, KTime& ioTime, int& ioFrame,
                   KTime pPeriod, bool pZeroOccluded) override;

    bool WriteHeader(const KOpticalMarkerHeader& pHeader) override;
    bool WriteNames(const std::vector<KString>& pNames) override;
    bool WriteFrame(const KVector4* pPositions, int pCount, KTime pTime, int pFrame) override;
    bool EndWrite() override;

private:
    // The word at the cursor compared without regard to case; the cursor moves past it on a
    // match.
    bool MatchWord(const char* pWord);
    enum class EHeader { eNone, eRead, eRefused };
    // The header at the cursor: eNone, nothing stored, when the line does not begin with
    // "frames ="; eRefused, with the error naming the value, when a value is not usable.
    EHeader ReadHeaderLine(KOpticalMarkerHeader& oHeader);
    // A count of 0 or more at the cursor; false with the error naming the value (pWhat: "frame
    // count").
    bool ReadCount(const char* pWhat, int& oCount);
    // The word pWord and "=" at the cursor; false with the error.
    bool ExpectAssignment(const char* pWord);
    // A usable frame rate (KMotionFrameRate::IsValid); false with the error naming the value.
    bool ReadRate(double& oRate);

    int mMarkerCount = 0;
    int mFramesRead = 0;
    int mUnwritable = 0;
};

#endif
