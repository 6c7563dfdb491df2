#ifndef RYVKIT_FORMATS_MOTION_VPM_KREADERVPM_H
#define RYVKIT_FORMATS_MOTION_VPM_KREADERVPM_H

#include "core/KString.h"
#include "core/KTime.h"
#include "formats/motion/KMotionTextReader.h"

#include <memory>
#include <vector>

class KMotionMarkerBuilder;
class KReadRollback;
class KRyvNode;
class KVpmFile;

// Reads a VPM file into a scene: one optical-marker node per segment, named after it, with
// translation (centimetres), rotation and scaling curves (the file's percent as factors), below
// a reference node "VPM:reference" ("VPM:optical" with option 4 at 1) under the scene's root,
// in a take named after the file. Each segment keys at most the options' frame count of its
// frames, at the options' start plus whole periods; the frames beyond are passed over. The
// frame count of the options becomes the most frames a segment keyed.
//
// A segment's frames are read before its node is made, so storage grows with the lines read and
// never with the count its header claims. A later segment that breaks off (a header or frame
// line missing or damaged) ends the reading: the segments read whole are kept, the read answers
// true, and a warning in the message text names the segment and the line.
//
// Errors (KReader table): no file, kFileNotOpened; no motion options, kStreamOptionsNotSet;
// kFileCorrupted with "file:line: why" when the first segment cannot be read (a frame time that
// gives no usable rate, such as 0, 1e-300 or inf, included), and with "Duplicate names found in
// <file>:" and the names when two segments share a name (the options' message callback shows it
// too). A failed read leaves scene and factory as they were.
class KReaderVpm : public KMotionTextReader
{
public:
    explicit KReaderVpm(KRyvObjectFactory* pOwner);
    ~KReaderVpm() override;

    // Start 0, the first segment's frame count, the rate of its frame time, option 4 at 0. Null
    // with kFileNotOpened without a file, kFileCorrupted when the first header is bad.
    std::unique_ptr<KStreamOptions> GetReadOptions() override;

    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

private:
    // The frames of one segment, as read: per frame the nine values of a frame line, checked to
    // fit single precision.
    struct Segment
    {
        KString mName;
        std::vector<float> mValues;
        int mFrames = 0;
    };
    // What the segments of one read share, so that it is made once: the key times, grown to the
    // longest segment, and one curve's values.
    struct Scratch
    {
        std::vector<KTime> mTimes;
        std::vector<float> mColumn;
    };
    enum class ESegment { eRead, eEnd, eBroken };

    std::unique_ptr<KTextFile> NewFile() const override;
    KVpmFile& File() const;

    bool ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions) override;
    ESegment ReadSegment(Segment& oSegment, bool pFirst, const KStreamOptionsMotion& pOptions);
    bool BuildSegment(KMotionMarkerBuilder& ioBuilder, KReadRollback& ioRollback,
                      KRyvNode* pReference, const Segment& pSegment,
                      const KStreamOptionsMotion& pOptions, Scratch& ioScratch);
    void WarnBroken(const KString& pName);
};

#endif
