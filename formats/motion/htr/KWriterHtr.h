#ifndef RYVKIT_FORMATS_MOTION_HTR_KWRITERHTR_H
#define RYVKIT_FORMATS_MOTION_HTR_KWRITERHTR_H

#include "core/KMatrix.h"
#include "core/KVector4.h"
#include "formats/motion/KMotionTextWriter.h"

#include <memory>
#include <string>
#include <vector>

class KHtrFile;
class KRyvNode;
class KRyvScene;
class KStreamOptionsMotion;

// Writes the skeleton of a scene and its animation over the options' span as an HTR file in
// millimetres and degrees, order "ZYX", at the options' frame rate. The root segment is the
// writer's FindReferenceNode; every node below it is a segment, named without its type prefix,
// except the end nodes an import adds (childless, rotation limits active, axis length 0).
//
// Every segment's base rotation is 0, so its base translation is its rest position less its
// parent's in world axes (the root's relative to the reference: the scene's root node with
// option 13 at 1, else the root's parent, of which only the translation counts). The rest
// position comes from a rest pose "<reference name>_RESTPOSE" where the scene has one naming
// the node, else from the node's default transform. A frame line holds the node's motion
// relative to its parent segment, with scale taken out: it reads back through KReaderHtr to the
// same world positions and rotations, with the rotation offset minimised or not (a zero base
// rotation leaves nothing to minimise). Bone lengths are the limits' axis lengths.
//
// Errors (KWriter table): no file, kFileNotOpened; no root, kFileNotCreated with "Can not find
// root node."; no or wrong option set, kStreamOptionsNotSet; a name with a blank, tab or line
// break, kUnidentifiedError after the options' message "Error"; a name the format cannot hold
// (see KHtrFile::IsWritableName), two segments of one name, a value that is not finite or too
// many samples for memory (or no memory left), kUnidentifiedError; a failed write or final flush (a
// full disk), kOutOfDiskSpace. The text goes to a new file beside the target that replaces it only
// when Write succeeds.
class KWriterHtr : public KMotionTextWriter
{
public:
    static constexpr int kOptionGlobalRoot = 13;
    static constexpr int kOptionWritten = 14;

    explicit KWriterHtr(KRyvObjectFactory* pOwner);
    ~KWriterHtr() override;

    // A KStreamOptionsMotion with option 13 at 0 and 14 at 1.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;
    // "no skeleton under a single root joint" when FindReferenceNode finds no root to write.
    const char* FindMissingContent(KRyvScene* pScene) override;

    // True for the childless nodes with active rotation limits and axis length 0 that the
    // writer passes over.
    static bool IsEndNode(KRyvNode* pNode);

    // The creator the file-format table lists.
    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    struct Segment
    {
        KRyvNode* mNode;
        // Index of the parent segment; -1 for the root.
        int mParent;
        std::string mName;
        // Base translation and bone length, millimetres.
        KVector4 mBase;
        double mLength;
        // The base rotation, Euler X, Y, Z in degrees and as a matrix: for a leaf, the turn that
        // lays the file's bone axis Y along the node's bone (its limits' rotation axis), so that
        // its end keeps its direction; none elsewhere.
        KVector4 mBaseAngles;
        KMatrix mBaseRotation;
    };

    std::unique_ptr<KTextFile> NewFile() const override;
    KHtrFile& File() const;
    // A scene without a root joint (FindReferenceNode): kFileNotCreated.
    bool CheckScene(KRyvScene* pScene) override;
    // Names with a blank, tab or line break: kUnidentifiedError after the options' message.
    bool CheckWrite(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) override;
    bool WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) override;
    bool WriteAll(KRyvScene& pScene, KRyvNode* pRoot, const KStreamOptionsMotion& pOptions);
    bool CollectSegments(KRyvNode* pRoot);
    void ComputeBasePositions(KRyvScene& pScene, KRyvNode* pReference);
    // Six values (translation in millimetres, Euler X, Y, Z) per segment and frame, segment
    // after segment.
    bool SampleFrames(const KStreamOptionsMotion& pOptions, std::vector<float>& oValues);
    bool PrintFile(const KStreamOptionsMotion& pOptions, const std::vector<float>& pValues);

    std::vector<Segment> mSegments;
    // The reference's translation, taken out of the root's.
    KMatrix mReference;
};

#endif
