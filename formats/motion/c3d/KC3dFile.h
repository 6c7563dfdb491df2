#ifndef RYVKIT_FORMATS_MOTION_C3D_KC3DFILE_H
#define RYVKIT_FORMATS_MOTION_C3D_KC3DFILE_H

#include "core/KOutputFile.h"
#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KOpticalMarkerFile.h"
#include "formats/motion/c3d/KC3dEncoding.h"
#include "formats/motion/c3d/KC3dFrameLayout.h"
#include "formats/motion/c3d/KC3dParameters.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A C3D marker file: a 512-byte header block, a parameter section, then one record per frame.
// Files of the three processor types are read (the type comes from the parameter section's
// fourth byte, wherever the header puts the section); files are always written for DEC, with
// floating-point data when the header's scale is negative, else 16-bit integers times 0.1449 mm.
//
// Reading converts to the scene: coordinates times the unit factor of the POINT group's UNITS
// (millimetres without one) and, for integer data, the scale; the axes follow POINT:X_SCREEN and
// Y_SCREEN (see SetAxes), by default scene (x, y, z) = (-X, Z, Y). The header's point count,
// scale, rate and data start count, not their POINT parameters. The first frame is the header's
// (unsigned) or TRIAL:ACTUAL_START_FIELD; the frame count and the analog samples per frame are
// those of KC3dFrameLayout, which checks what the header, TRIAL, POINT:FRAMES and LONG_FRAMES
// and the ANALOG group declare against the data's length and warns where it overrules them,
// or where frames are left after the count. Every pointer, count and size is checked against
// the file: what does not fit is "corrupt" with the reason, and a frame cut short fails its
// read. Writing refuses a header of no marker, which no reader takes.
class KC3dFile : public KOpticalMarkerFile
{
public:
    // A time event of the header: its time in seconds, whether it is shown, a 4-character label.
    struct Event
    {
        double mTime = 0.0;
        bool mDisplayed = false;
        std::string mLabel;
    };
    // The header has room for this many events; a larger count reads as this many.
    static constexpr int kMaxEvents = 18;

    static constexpr std::size_t kBlockSize = 512;
    // The scale of integer data the writer uses (the float nearest 0.1449) and the one a reader
    // uses when the file's is out of range.
    static constexpr double kIntegerScale = 0.14490029;
    static constexpr double kDefaultIntegerScale = 0.1449;
    // Integer scales outside this range read as kDefaultIntegerScale.
    static constexpr double kMinScale = 0.001;
    static constexpr double kMaxScale = 1000.0;
    // A header rate no motion format takes reads as this one, with a warning. High-speed
    // captures run at 1000 Hz and more: every rate KMotionFrameRate takes is kept.
    static constexpr double kDefaultRate = 30.0;
    // The most points a header word, and a LABELS row of one byte, can count.
    static constexpr int kMaxPoints = 65535;
    static constexpr int kMaxLabelsPerParameter = 255;
    static constexpr std::size_t kMaxNameLength = 254;
    // Takes with more frames than the 16-bit FRAMES parameter counts write it as a float.
    static constexpr int kMaxShortFrames = 32767;
    static constexpr std::uint32_t kMaxFrameWord = 65535;

    KC3dFile() = default;
    ~KC3dFile() override;

    bool Open(std::unique_ptr<KByteSource> pSource) override;
    bool Create(const char* pPath) override;
    bool Close() override;
    void Discard() override;

    bool ReadHeader(KOpticalMarkerHeader& oHeader) override;
    bool ReadNames(std::vector<KString>& ioNames, bool pKeepPrefixes) override;
    bool ReadFrame(std::vector<KVector4>& oPositions, int pCount, KTime& ioTime, int& ioFrame,
                   KTime pPeriod, bool pZeroOccluded) override;
    bool EndRead() override { return true; }
    std::uint64_t GetInputSize() const override { return mFileSize; }

    bool WriteHeader(const KOpticalMarkerHeader& pHeader) override;
    bool WriteNames(const std::vector<KString>& pNames) override;
    bool WriteFrame(const KVector4* pPositions, int pCount, KTime pTime, int pFrame) override;
    bool EndWrite() override;
    bool WriteFailed() const override { return mWriteFailed; }

    const char* GetFormatName() const override { return "C3D"; }
    std::string GetError() const override { return mError; }
    const std::string& GetWarnings() const override { return mWarnings; }

    // The hours, minutes, seconds and frames of a TIMECODES parameter (16-bit integers, at least
    // four, none negative); false when the file has none usable. Needs ReadHeader first.
    bool ReadTimeCode(int oParts[4]) const;
    KC3dEncoding::EProcessor GetProcessor() const { return mProcessor; }
    bool IsFloatData() const { return mFloatData; }
    // The header's events, read and kept (the scene has no place for them).
    const std::vector<Event>& GetEvents() const { return mEvents; }

    // The axis map of an X_SCREEN and Y_SCREEN pair ("+X", "-Y", "Z" ...): the file axis of
    // X_SCREEN goes to scene -x (with its sign), that of Y_SCREEN to scene +y, the third to
    // scene z with the sign that keeps the axes right-handed. oAxis[i] is the scene axis (0 to 2)
    // of file axis i and oSign[i] its sign. False, defaults kept, for a pair that is not two
    // different axes.
    static bool MapAxes(const std::string& pXScreen, const std::string& pYScreen, int oAxis[3],
                        int oSign[3]);

private:
    bool Corrupt(const std::string& pWhy);
    bool ReadBytes(std::uint64_t pOffset, std::uint8_t* oBytes, std::size_t pSize);
    // The header's frame rate, or kDefaultRate with a warning when no motion format takes it.
    void ReadRate(const std::uint8_t* pHeader);
    bool ReadParameterSection(const std::uint8_t* pHeader);
    bool KeepWholeParameters();
    // The analog samples and the frames each frame record holds (KC3dFrameLayout).
    bool ReadLayout(const std::uint8_t* pHeader);
    void AddAnalogFigures(const std::uint8_t* pHeader, KC3dFrameLayout& ioLayout) const;
    void AddFrameCounts(const std::uint8_t* pHeader, KC3dFrameLayout& ioLayout);
    // POINT:FRAMES and POINT:LONG_FRAMES.
    void AddPointFrameCounts(KC3dFrameLayout& ioLayout) const;
    bool ReadLongNumber(const KC3dParameters::Parameter& pParameter, std::uint64_t& oValue) const;
    // A float parameter holding a whole number from 0 to UINT32_MAX.
    bool ReadWholeFloat(const KC3dParameters::Parameter& pParameter, std::uint64_t& oValue) const;
    std::uint64_t CountWithoutPadding(std::uint64_t pFrames, std::uint64_t pFrameBytes);
    void ReadEvents(const std::uint8_t* pHeader);
    void ReadUnits();
    void ReadAxes();
    std::vector<std::string> ReadLabels() const;
    // The pSize bytes of the frame at mNextFrame, read ahead in chunks; null when they cannot be
    // read.
    const std::uint8_t* FrameBytes(std::uint64_t pSize);
    template <KC3dEncoding::EProcessor Processor>
    void DecodePoints(const std::uint8_t* pFrame, std::vector<KVector4>& oPositions) const;
    bool BuildParameters(const std::vector<KString>& pNames, std::vector<std::uint8_t>& oSection);
    void EncodePoint(const KVector4& pPosition, std::uint8_t* oPoint);
    bool Put(const std::uint8_t* pBytes, std::size_t pSize);

    std::string mError;
    std::string mWarnings;

    // Reading.
    std::unique_ptr<KByteSource> mSource;
    std::uint64_t mFileSize = 0;
    KC3dEncoding::EProcessor mProcessor = KC3dEncoding::eIntel;
    std::vector<std::uint8_t> mSection;
    std::vector<Event> mEvents;
    KC3dParameters mParameters;
    int mPoints = 0;
    int mAnalog = 0;
    std::uint32_t mFirstFrame = 0;
    int mFrameCount = 0;
    double mScale = kDefaultIntegerScale;
    bool mFloatData = false;
    double mRate = kDefaultRate;
    std::uint64_t mDataOffset = 0;
    std::uint64_t mNextFrame = 0;
    // Where the stream stands; UINT64_MAX when unknown.
    std::uint64_t mStreamPosition = UINT64_MAX;
    std::vector<std::uint8_t> mFrame;
    // Frames read ahead: the bytes from mChunkStart on.
    static constexpr std::uint64_t kChunkSize = 1u << 20;
    std::vector<std::uint8_t> mChunk;
    std::uint64_t mChunkStart = 0;
    double mUnitFactor = 0.1;
    int mAxis[3] = {0, 2, 1};
    int mSign[3] = {-1, 1, 1};
    bool mKeepPrefixes = false;

    // Writing.
    KOutputFile mOutput;
    bool mWriteFailed = false;
    KOpticalMarkerHeader mHeader;
    std::int64_t mWriteFirst = 0;
    int mUnwritable = 0;
};

#endif
