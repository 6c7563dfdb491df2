#ifndef RYVKIT_FORMATS_MOTION_BRD_KREADERBRD_H
#define RYVKIT_FORMATS_MOTION_BRD_KREADERBRD_H

#include "formats/motion/KMotionTextReader.h"
#include "formats/motion/brd/KBrdFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class KFCurve;
class KMotionMarkerBuilder;
class KReadRollback;
class KRyvNode;

// Reads a BRD file into a scene: one optical-marker node "Marker<id>" per sensor, in id order,
// below a reference node "BRD:reference" ("BRD:optical" with option 4 at 1) under the scene's
// root, in a take named after the file. Each sensor gets translation and rotation curves
// (Euler X, Y, Z in degrees from its quaternions) and an occlusion curve: frame number first + i
// lies at the options' start plus i periods; a frame without a sample of the sensor is occluded
// (1) and, with option 6 at 1, holds the previous pose, else (0, 0, 0). The curves are keyed at
// the samples and where a gap starts (constant keys before a gap), so a sparse file costs what
// its samples do, however far apart their frame numbers lie.
//
// The file is parsed once per open: a later line of the same sensor and frame replaces the
// earlier one. The frame count is last - first + 1 of the frame numbers; the rate is
// (frames - 1) / (time of the last frame number - time of the first), or the global default when
// that is no usable rate (one frame, equal or reversed time stamps). The start of the read
// options is the first frame number times the frame period.
//
// Errors (KReader table): no file, kFileNotOpened; no motion options, kStreamOptionsNotSet;
// kFileCorrupted with "file:line: why" for a line that is not a sample, for a file without
// samples, for frame numbers that span more frames than a take counts, and for a sensor with
// more keys than a curve holds. A failed read leaves scene and factory as they were.
class KReaderBrd : public KMotionTextReader
{
public:
    static constexpr int kOptionHold = 6;

    explicit KReaderBrd(KRyvObjectFactory* pOwner);
    ~KReaderBrd() override;

    // A KStreamOptionsMotion with the file's start, frame count and rate, option 4 at 0 and
    // option 6 at 1. Null with kFileNotOpened without a file, kFileCorrupted when it cannot be
    // parsed.
    std::unique_ptr<KStreamOptions> GetReadOptions() override;

    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

private:
    // One line as the reader keeps it: the values of the sensor's curves at the frame, the
    // rotation already in Euler angles, all checked to fit single precision.
    struct Sample
    {
        int mFrame;
        int mId;
        float mPosition[3];
        float mRotation[3];
    };
    // What the sensors of one read share, so that it is made once: a column of keys per curve.
    struct Scratch;
    // One sensor: its samples in mSamples, sorted by frame number.
    struct Sensor
    {
        int mId;
        std::size_t mBegin;
        std::size_t mEnd;
    };

    std::unique_ptr<KTextFile> NewFile() const override;
    void ClearParsed() override;
    // Keys for the options' frame count, but never beyond the file's frames; the count read is
    // stored back into the options.
    bool ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions) override;
    KBrdFile& File() const { return *static_cast<KBrdFile*>(GetFile()); }

    bool Parse();
    bool ReadSamples();
    void SortSamples();
    bool CheckFrameSpan();
    bool ReadInto(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);
    bool BuildSensor(KMotionMarkerBuilder& ioBuilder, KReadRollback& ioRollback,
                     KRyvNode* pReference, const Sensor& pSensor, bool pHold, int pFrames,
                     const KStreamOptionsMotion& pOptions, Scratch& ioScratch);
    // The keys of the sensor's seven curves over the first pFrames frames, into ioScratch.
    void PlanKeys(const Sensor& pSensor, bool pHold, int pFrames,
                  const KStreamOptionsMotion& pOptions, Scratch& ioScratch) const;

    bool mParsed = false;
    bool mParseResult = false;
    // The error of a parse that failed, given again to every later call.
    KString mParseError;
    std::vector<Sample> mSamples;
    std::vector<Sensor> mSensors;
    int mFirstFrame = 0;
    int mLastFrame = 0;
    double mFirstSeconds = 0.0;
    double mLastSeconds = 0.0;
    int mFrameCount = 0;
    // 0 when the time stamps give no usable rate.
    double mFrameRate = 0.0;
};

#endif
