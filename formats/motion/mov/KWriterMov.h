#ifndef RYVKIT_FORMATS_MOTION_MOV_KWRITERMOV_H
#define RYVKIT_FORMATS_MOTION_MOV_KWRITERMOV_H

#include "core/KTime.h"
#include "formats/motion/KMotionTextWriter.h"

class KMotionMarkerSampler;

// Writes the marked nodes of a scene (KMotionMarkerSampler's markers below the reference node it
// selects) as a MOV table over the options' span: per frame the time in seconds, then per object
// its global translation, rotation (Euler X, Y, Z in degrees, scale removed) and scaling
// relative to the reference node, each group only when its option (0, 1, 2) is 1. An object's
// three angles are rounded to the last digit printed of the largest, so that a file this writer
// made reads back and writes out the same.
//
// Errors (KWriter table): those of KMotionTextWriter; kFileNotCreated with "No animation to
// export." when no group is on; kUnidentifiedError for a value beyond single precision (or not
// finite), which no reader could take back, and for options that ask for no frame or start
// beyond KReaderMov::kMaxSeconds, which make files the reader refuses.
class KWriterMov : public KMotionTextWriter
{
public:
    explicit KWriterMov(KRyvObjectFactory* pOwner);
    ~KWriterMov() override;

    // A KStreamOptionsMotion with options 0, 1 and 2 at 1 and option 13 at 0.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;

    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    std::unique_ptr<KTextFile> NewFile() const override;
    bool WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) override;
    bool WriteFrame(KMotionMarkerSampler& ioSampler, KTime pTime, const bool pGroups[3]);
};

#endif
