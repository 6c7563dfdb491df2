#ifndef RYVKIT_FORMATS_MOTION_VPM_KWRITERVPM_H
#define RYVKIT_FORMATS_MOTION_VPM_KWRITERVPM_H

#include "core/KVector4.h"
#include "formats/motion/KMotionTextWriter.h"

#include <cstddef>
#include <vector>

class KMotionMarkerSampler;

// Writes the marked nodes of a scene (KMotionMarkerSampler's markers below the reference node it
// selects) as VPM segments over the options' span: each named after its node's name after the
// last ':', with the options' frame count and period, and per frame the global translation
// (inches) and rotation (Euler X, Y, Z in degrees, scale removed, rounded to the last digit
// printed of the largest angle) relative to the reference node, and scaling 100 percent. The
// poses are computed for all frames first (N x objects records), then written segment by segment.
//
// Errors (KWriter table): those of KMotionTextWriter; kUnidentifiedError after the options'
// message "Error" for a name the format cannot hold (empty, or with a blank, a tab or a line
// break: the file would read back other names), and for a buffer larger than kMaxBufferBytes or
// than memory ("Not enough memory to allocate animation buffer."); kUnidentifiedError for a
// value beyond single precision (or not finite). Two markers of the same name give a warning:
// the file will not read back.
class KWriterVpm : public KMotionTextWriter
{
public:
    static constexpr std::size_t kMaxBufferBytes = std::size_t(1) << 32;

    explicit KWriterVpm(KRyvObjectFactory* pOwner);
    ~KWriterVpm() override;

    // A KStreamOptionsMotion with option 13 at 0.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;

    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    // One object's pose at one frame.
    struct Pose
    {
        KVector4 mTranslation;
        KVector4 mRotation;
    };

    std::unique_ptr<KTextFile> NewFile() const override;
    bool WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) override;
    bool CheckNames(const KMotionMarkerSampler& pSampler, const KStreamOptionsMotion& pOptions);
    bool ComputePoses(KMotionMarkerSampler& ioSampler, const KStreamOptionsMotion& pOptions,
                      std::vector<Pose>& oPoses);
    bool WriteSegments(const KMotionMarkerSampler& pSampler, const KStreamOptionsMotion& pOptions,
                       const std::vector<Pose>& pPoses);
};

#endif
