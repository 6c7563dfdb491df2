#ifndef RYVKIT_FORMATS_MOTION_C3D_KC3DFRAMELAYOUT_H
#define RYVKIT_FORMATS_MOTION_C3D_KC3DFRAMELAYOUT_H

#include <cstdint>
#include <string>
#include <vector>

// Decides how many frames a C3D file holds and how many analog samples follow each frame's
// points, from what the file declares and the length of its data. Writers disagree: long takes
// give their frame count in TRIAL:ACTUAL_START_FIELD/ACTUAL_END_FIELD or POINT:LONG_FRAMES, or
// only mark the header's last frame word 65535 and leave the count to the data; the header's
// analog word is sometimes the channel count alone, where ANALOG:USED times the rate ratio is
// what each frame holds.
//
// A declared pairing agrees with the data when its frames fill the data up to less than one
// block of padding. The first analog candidate and frame count that agree are taken; a file that
// declares one count and one analog figure may also hold more after its frames, which are left
// unread with a warning, unless they are a whole number of 65536 frames: then the count is one
// past 65535 kept in 16 bits, and every frame is read with a warning. Otherwise the data's
// length decides, with a warning, and when the analog candidates differ and none agrees the
// file is refused with the reason.
class KC3dFrameLayout
{
public:
    // Bytes of one frame's points, of one analog sample, and of frame data the file holds.
    KC3dFrameLayout(std::uint64_t pPointBytes, std::uint64_t pSampleBytes,
                    std::uint64_t pDataBytes);

    // Analog samples per frame a source gives ("the header"); the first one added is the one
    // used when nothing can be checked.
    void AddAnalog(const std::string& pSource, std::uint64_t pSamples);
    // A frame count a convention declares ("TRIAL:ACTUAL_END_FIELD").
    void AddCount(const std::string& pSource, std::uint64_t pFrames);
    // The header marks a take too long for its 16-bit frame words: the data gives the count.
    void SetLongTake() { mLongTake = true; }
    // A declaration that cannot be a count (a last frame before the first, as pWhat says): the
    // other counts or the data decide, and the warning names it.
    void AddImpossibleCount(const std::string& pSource, const std::string& pWhat);

    // False with the reason when no layout fits.
    bool Resolve(std::string& oWhy);
    // Lowers a count taken from the data (trailing padding that only looked like frames).
    void SetFrames(std::uint64_t pFrames) { mFrames = pFrames; }
    // What was decided against a declaration, one line without a break; empty when nothing was.
    std::string GetWarning() const;

    std::uint64_t GetAnalog() const { return mAnalog; }
    std::uint64_t GetFrames() const { return mFrames; }
    std::uint64_t GetFrameBytes() const { return FrameBytes(mAnalog); }
    // True when the count came from the data's length: trailing padding may look like frames.
    bool IsCountFromData() const { return mFromData; }

    // Padding after the frames that still agrees with a declared count.
    static constexpr std::uint64_t kPadding = 512;
    // What a frame count kept in 16 bits loses when it passes 65535.
    static constexpr std::uint64_t kCountWrap = 65536;

private:
    struct Figure
    {
        std::string mSource;
        std::uint64_t mValue;
    };

    std::uint64_t FrameBytes(std::uint64_t pAnalog) const;
    bool Agrees(std::uint64_t pFrames, std::uint64_t pAnalog) const;
    bool Fits(std::uint64_t pFrames, std::uint64_t pAnalog) const;
    bool FindAgreement();
    // After a single declared count: a wrapped count, or frames left after it.
    void CheckFramesAfterCount();
    bool SingleAnalog() const;
    bool SingleCount() const;
    std::string ListCounts() const;
    std::string ListAnalog() const;

    std::uint64_t mPointBytes;
    std::uint64_t mSampleBytes;
    std::uint64_t mDataBytes;
    std::vector<Figure> mAnalogs;
    std::vector<Figure> mCounts;
    std::vector<std::string> mImpossible;
    bool mLongTake = false;
    std::uint64_t mAnalog = 0;
    std::string mAnalogSource;
    std::uint64_t mFrames = 0;
    bool mFromData = false;
    bool mCountsDisagree = false;
    bool mWrapped = false;
    std::uint64_t mFramesAfter = 0;
};

#endif
