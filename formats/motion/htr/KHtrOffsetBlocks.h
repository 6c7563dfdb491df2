#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTROFFSETBLOCKS_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTROFFSETBLOCKS_H

#include "formats/motion/htr/KHtrAffineBlock.h"
#include "formats/motion/htr/KHtrSegment.h"

#include <vector>

// One segment of the rotation-offset pass, in parents-first order: the matrices of the block's
// frames that its children need. Its W is the global matrix its keys give it; its V the same
// without the offset (the default rotation), of which the children take the inverse. The
// segment is the file's; the step does not own it.
struct KHtrOffsetStep
{
    KHtrSegment* mSegment;
    // Segments between it and the top segment (0 for the top segment itself).
    int mDepth;
    bool mHasChildren;
    KHtrAffine mInverseDefault;
};

// The rotation-offset pass over a block of frames: the keys' local matrices, the products that
// take a segment's default rotation out, and the new keys written back as floats.
class KHtrOffsetBlocks
{
public:
    // Frames handled together, segment by segment within a block, so that each segment's columns
    // are read in runs while the parents' matrices of the block stay at hand.
    static constexpr int kFrames = KHtrAffineBlock::kFrames;
    static constexpr int kKeyColumns = KHtrSegment::kKeyColumns;

    // The top segment's parent: the identity, and its inverse as the products take it. Every
    // block starts as identities so that frames past the last one hold plain numbers.
    static std::vector<KHtrAffineBlock> TopBlocks();
    // The sum of magnitudes of pAffine's translation.
    static double TranslationSize(const KHtrAffine& pAffine);
    // The local matrices of keys pFirst to pFirst + pCount - 1 of a step into ioLocal.
    static void LocalBlock(const KHtrOffsetStep& pStep, int pFirst, int pCount,
                           KHtrAffineBlock& ioLocal);
    // The new keys of frames pFirst to pFirst + pCount - 1 (pCount at most kFrames) of one
    // segment without its default rotation into
    // oKeys[column][frame]. The parent's W and V inverse of those frames come in; the segment's
    // own go out when it has children. Each node keeps its world position.
    static void Offsets(const KHtrOffsetStep& pStep, int pFirst, int pCount,
                        const KHtrAffineBlock& pParentW, const KHtrAffineBlock& pParentInverseV,
                        KHtrAffineBlock& oW, KHtrAffineBlock& oInverseV, KHtrAffineBlock& ioWork,
                        double oKeys[kKeyColumns][kFrames]);
    // The new keys into the key columns of the step; a key whose float would not be finite keeps
    // its old value (as a key's SetValue does).
    static void StoreKeys(const KHtrOffsetStep& pStep, int pFirst, int pCount,
                          const double pKeys[kKeyColumns][kFrames]);
};

#endif
