#ifndef RYVKIT_FORMATS_MOTION_HTR_KREADERHTR_H
#define RYVKIT_FORMATS_MOTION_HTR_KREADERHTR_H

#include "formats/motion/KMotionTextReader.h"

#include <memory>

class KHtrFile;
class KRyvNode;
class KStreamOptionsMotion;

// Reads an HTR file into a scene as a skeleton of limb nodes (marked for export), one per
// segment plus an "<name>_End" node below each leaf, with one take of animation named after the
// file (walk.htr gives "walk"), node limits and a rest pose "<top>_RESTPOSE" of the base
// positions. With option 8 of the KStreamOptionsMotion at 1 (as GetReadOptions leaves it) the
// skeleton hangs below a node "HTR:reference" under the scene's root, which is then the top node
// (the pose is "HTR:reference_RESTPOSE"); otherwise the root segment hangs there directly and
// the top is the scene's root node. Names in the pose are the segment names, without prefix.
//
// Keys are at the options' start time plus whole frame periods, for the options' frame count
// (at most the file's). With the per-computer setting "MinimizeRotationOffset" at "Yes" (the
// default) every node's keys are rewritten so that the node keeps its world position and its
// default rotation is taken out of its motion (see KHtrFile).
//
// Errors (KReader table): no file open, kFileNotOpened; no option set or one of another class,
// kStreamOptionsNotSet; everything wrong in the file and duplicate names, kFileCorrupted with
// "file:line: why" as the error text and a line of the message text. The skeleton is built
// aside and joins the scene only once the whole file has been read, so a failed read leaves
// scene and factory unchanged.
class KReaderHtr : public KMotionTextReader
{
public:
    explicit KReaderHtr(KRyvObjectFactory* pOwner);
    ~KReaderHtr() override;

    // The open file's layer (null when closed), for callers that set its rotation-offset flag.
    KHtrFile* GetFile() const;

    // The creator the file-format table lists.
    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

private:
    std::unique_ptr<KTextFile> NewFile() const override;
    // The file's segments, which a read is over with.
    void ClearParsed() override;
    KHtrFile& File() const { return *GetFile(); }
    // GetReadOptions answers the header's frame count and rate, option 8 at 1; kFileCorrupted
    // when the header is bad.
    bool ReadHeaderOptions(KStreamOptionsMotion& ioOptions) override;
    // ReadSkeleton, then the file forgets its segments whatever the outcome.
    bool ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions) override;
    bool ReadSkeleton(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);
    // The skeleton joins the scene: below "HTR:reference" or, without it, directly below the
    // scene's root. Answers the top node, null when a step fails.
    KRyvNode* Place(KRyvScene& ioScene, KRyvNode* pReference, bool pKeepReference);
};

#endif
