#ifndef RYVKIT_FORMATS_MOTION_KMOTIONKEYCHUNKS_H
#define RYVKIT_FORMATS_MOTION_KMOTIONKEYCHUNKS_H

#include "core/KTime.h"

#include <vector>

class KFCurve;

// Gathers the keys of a motion file's frames, one value per curve and frame, a chunk of frames at
// a time, and hands each chunk to every curve in one KFCurve::KeySetBatch: a reader streams its
// frames into the curves without keeping them, and the curves take their keys in bulk.
//
// The curves (not owned, none null) must be inside a key set batch of at least pCapacity keys;
// the keys are cubic with auto tangents, as KFCurveKey::Set makes them, at indexes 0, 1, 2, ... in
// the order the frames come. The chunk holds at most kMaxValues values, so its memory does not
// grow with the curves times the frames.
class KMotionKeyChunks
{
public:
    static constexpr int kMaxChunkFrames = 256;
    static constexpr int kMaxValues = 1 << 16;

    KMotionKeyChunks(std::vector<KFCurve*> pCurves, int pCapacity);

    // Room for the next frame's values at pTime: one per curve, in the curves' order, to be
    // filled before the next call. Flush first when IsFull.
    float* Next(KTime pTime);
    bool IsFull() const { return mCount == mChunkFrames; }
    // Hands the gathered frames to the curves; false when a curve refuses them (no batch open or
    // more keys than its batch holds).
    bool Flush();

private:
    std::vector<KFCurve*> mCurves;
    int mChunkFrames = 1;
    std::vector<KTime> mTimes;
    // Frame by frame, as a reader produces them; turned into one curve's row at a time.
    std::vector<float> mValues;
    std::vector<float> mRow;
    int mFirst = 0;
    int mCount = 0;
};

#endif
