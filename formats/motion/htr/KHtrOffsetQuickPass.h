#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTROFFSETQUICKPASS_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTROFFSETQUICKPASS_H

#include "formats/motion/htr/KHtrFile.h"
#include "formats/motion/htr/KHtrOffsetBlocks.h"

#include <vector>

// The rotation-offset pass through the quick lanes (KHtrQuickAngles, with KHtrLaneBound's bounds):
// block by block, each step's new keys are proven to be the library path's floats, and the frames
// that cannot be proven are worked out again through the library path, so the keys written are
// the library pass's bit for bit. Steps that keep still (keys of zero, which no bound settles)
// are set aside to the library path for a few blocks.
class KHtrOffsetQuickPass
{
public:
    // The pass over frames 0 to pCount - 1 of pSteps (parents first), counting its frames,
    // fallbacks and set-aside frames into ioCounts.
    static void Run(const std::vector<KHtrOffsetStep>& pSteps, int pCount,
                    KHtrFile::KLaneCounts& ioCounts);
};

#endif
