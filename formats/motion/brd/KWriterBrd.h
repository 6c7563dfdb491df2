#ifndef RYVKIT_FORMATS_MOTION_BRD_KWRITERBRD_H
#define RYVKIT_FORMATS_MOTION_BRD_KWRITERBRD_H

#include "core/KTime.h"
#include "formats/motion/KMotionTextWriter.h"

#include <cstdint>

class KBrdFile;
class KMotionMarkerSampler;

// Writes the marked nodes of a scene as BRD sensors 0, 1, ... (in the depth-first order of
// KMotionMarkerSampler below the reference node it selects), one line per sensor and frame over
// the options' span, frames numbered from 0. Positions and orientations are the nodes' global
// transforms relative to the reference node. A quaternion is printed as the rounding (one printed
// unit either way) closest to it whose normalised form lies well within half a unit of it, so
// that a file this writer made reads back and writes out the same. With option 11 at 0 a marker
// whose occlusion is 0.5 or more at a frame gets no line there.
//
// Errors (KWriter table): those of KMotionTextWriter, and kUnidentifiedError for a position
// beyond single precision (or not finite), which no reader could take back, for options that ask
// for no frame or a frame beyond KBrdFile::kMaxSeconds, and when no line at all would be written
// (no marker seen at any frame): files the reader refuses.
class KWriterBrd : public KMotionTextWriter
{
public:
    static constexpr int kOptionAllVisible = 11;
    static constexpr double kOcclusionThreshold = 0.5;

    explicit KWriterBrd(KRyvObjectFactory* pOwner);
    ~KWriterBrd() override;

    // A KStreamOptionsMotion with option 11 at 1 and option 13 at 0.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;

    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    std::unique_ptr<KTextFile> NewFile() const override;
    bool WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) override;
    // The frame's samples; ioSamples counts the lines written.
    bool WriteFrame(KMotionMarkerSampler& ioSampler, int pFrame, KTime pTime, bool pOcclusion,
                    std::int64_t& ioSamples);
};

#endif
