#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KWRITERAMC_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KWRITERAMC_H

#include "formats/motion/KMotionTextWriter.h"

#include <memory>

class KAmcFile;
class KRyvAsfScene;
class KRyvNode;
class KStreamOptionsMotion;

// Writes the motion of the scene's skeleton over the options' span as an AMC file, against the
// skeleton an ASF write left in the same KStreamOptionsMotion (owned or lent there). Frame lines
// count from 1; ":FRAME-RANGE" (option 16 not 0) gives the span's frames from
// rint(start * rate), ":SAMPLES-PER-SECOND" (option 15 not 0) the rate. With option 13 at 1 the
// root's values go through the global matrix of its parent (the reference node) at each frame.
//
// Errors (KWriter table): no file, kFileNotOpened; no single root, kFileNotCreated with "Scene
// must have a single root node."; options without an ASF skeleton, kStreamOptionsNotSet; a span
// of no frame (a file its reader refuses), one whose frame numbers leave 32 bits or no memory
// left, kUnidentifiedError; a failed write or flush,
// kOutOfDiskSpace. The target is replaced only when the whole file was written.
class KWriterAmc : public KMotionTextWriter
{
public:
    explicit KWriterAmc(KRyvObjectFactory* pOwner);
    ~KWriterAmc() override;

    // As KWriterAsf::GetWriteOptions.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;
    const char* FindMissingContent(KRyvScene* pScene) override;

    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    std::unique_ptr<KTextFile> NewFile() const override;
    KAmcFile& File() const;
    // A scene without a single root (FindReferenceNode): kFileNotCreated.
    bool CheckScene(KRyvScene* pScene) override;
    // Only options that carry an ASF skeleton.
    bool AcceptsOptions(KStreamOptionsMotion& pOptions) const override;
    bool WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) override;
    bool WriteAll(KRyvNode* pRoot, KRyvAsfScene& ioSkeleton, const KStreamOptionsMotion& pOptions);
};

#endif
