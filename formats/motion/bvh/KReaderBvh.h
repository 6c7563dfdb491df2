#ifndef RYVKIT_FORMATS_MOTION_BVH_KREADERBVH_H
#define RYVKIT_FORMATS_MOTION_BVH_KREADERBVH_H

#include "core/KString.h"
#include "core/KVector4.h"
#include "formats/motion/KMotionTextReader.h"

#include <memory>
#include <vector>

class KBvhFile;
class KFCurve;
class KReadRollback;
class KRyvNode;
class KStreamOptionsMotion;

// Reads a BVH file into a scene as a skeleton of limb nodes (marked for export) with one take of
// animation named after the file (walk.bvh gives "walk"). With option 8 of the
// KStreamOptionsMotion at 1 (as GetReadOptions leaves it) the skeleton hangs below a node
// "BVH:reference" under the scene's root; otherwise its root joint hangs there directly.
//
// Joint translations are the OFFSETs, and the position channels, where a joint has any, animate
// them; rotations become Euler X, Y, Z curves in degrees (the channel convention is the one
// KBvhFile states), unrolled frame to frame, then filtered as KImportSettings says. Keys are at
// the options' start time plus whole frame periods, one per frame read. An End Site under a joint
// is named "<joint>_End", a second one "<joint>_End2", a third "<joint>_End3" and so on; the
// joint's part is cut so that the name fits KBvhFile::kMaxNameLength, and a name another joint
// already has moves on to the next number, so that what was read can be written again.
//
// Errors (KReader table): no file open, kFileNotOpened; no option set or one of another class,
// kStreamOptionsNotSet; everything wrong in the file, duplicate names or a value beyond single
// precision, kFileCorrupted with "file:line: why" as the error
// text and a line of the message text. The skeleton is built aside and joins the scene only
// once the whole file has been read, so a failed read leaves scene and factory unchanged.
class KReaderBvh : public KMotionTextReader
{
public:
    static constexpr int kOptionKeepReference = 8;

    explicit KReaderBvh(KRyvObjectFactory* pOwner);
    ~KReaderBvh() override;

    // The creator the file-format table lists.
    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

private:
    std::unique_ptr<KTextFile> NewFile() const override;
    KBvhFile& File() const;
    // GetReadOptions answers the file's frame count and rate, option 8 at 1; kFileCorrupted when
    // the motion header is bad.
    bool ReadHeaderOptions(KStreamOptionsMotion& ioOptions) override;
    bool ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions) override;
    bool CreateNodes(KReadRollback& ioRollback, KRyvNode* pReference, const char* pTakeName,
                     std::vector<KRyvNode*>& oNodes);
    void SetLimits(int pJoint, KRyvNode& ioNode);
    // The frame lines, each made into keys of the joints' curves as it is read, then the motion
    // import filters.
    bool ReadMotion(KReadRollback& ioRollback, const std::vector<KRyvNode*>& pNodes,
                    const KStreamOptionsMotion& pOptions);
    // Opens key sets of pCapacity keys on every joint's channel curves, six slots per joint
    // (null: no channel).
    bool BeginCurves(KReadRollback& ioRollback, const std::vector<KRyvNode*>& pNodes, int pCapacity,
                     std::vector<KFCurve*>& oCurves);
    // False when a frame line cannot be read (the file's error); a value beyond single precision
    // or more frames than pCapacity leave their text in oFailure, and only the parsing goes on.
    bool ReadFrames(const std::vector<KFCurve*>& pCurves, const KStreamOptionsMotion& pOptions,
                    int pCapacity, KString& oFailure);
    bool Place(KRyvScene& ioScene, KRyvNode* pReference, bool pKeepReference);
};

#endif
