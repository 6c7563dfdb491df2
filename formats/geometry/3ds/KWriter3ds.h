#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_KWRITER3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_KWRITER3DS_H

#include "core/KTime.h"
#include "core/KVector4.h"
#include "io/KWriter.h"

#include <memory>
#include <string>
#include <vector>

class KRyvNode;
struct FileRecord3ds;
struct K3dsWriteSession;
struct Toolkit3dsContext;

// Writes a scene as a 3DS mesh file through the 3DS chunk toolkit: meshes (NURBS and patches
// tessellated) with their materials and texture maps (texture files copied beside the file),
// omni and spot lights, cameras, dummies for the other nodes, and the keyframer tracks sampled
// at 30 frames per second. A kit point (x, y, z) is written as (x, -z, y); with "Rescale" the
// master scale is 1/2.54. Names are cut to the file's fields (10 bytes for objects, 15 for
// materials) and numbered so that no two are equal. The caller's scene is never changed.
//
// The file FileCreate names and the texture files copied for it go in place together
// (KOutputGroup: the caller's, SetOutputGroup, which then puts them in place, else the writer's
// own) and only when the whole database was written; after any failure every target stays as it
// was and no copy is left. A Write that gets past its argument checks closes the file, whatever
// its outcome. Failures: no file: kFileNotOpened (FileCreate answers false when the file cannot
// be made); no option set or one of another class: kStreamOptionsNotSet; a toolkit error:
// kUnidentifiedError with the file name and the toolkit's reason; files that cannot be put in
// place: their cause (KWriter::FailCommit); a node whose last key lies too far out for its keys
// to be sampled a frame at a time (K3dsTrackExport::SpanRefusal): kUnidentifiedError naming the
// node, before anything is built.
class KWriter3ds : public KWriter
{
public:
    explicit KWriter3ds(KRyvObjectFactory* pOwner);
    ~KWriter3ds() override;

    bool FileCreate(const char* pFileName) override;
    // Forgets an open file without writing it.
    bool FileClose() override;
    bool IsFileOpen() override { return mFile != nullptr; }
    // A KStreamOptions3ds with its defaults.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;
    bool Write(KRyvScene* pScene, KStreamOptions* pOptions) override;
    // "no node with an attribute or animation" for a scene of empty nodes alone
    // (FindMissingNodeContent).
    const char* FindMissingContent(KRyvScene* pScene) override;

    // The creator the format registry lists.
    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    bool WriteScene(KRyvScene& ioScene, K3dsWriteSession& ioSession);
    void NameObjects(K3dsWriteSession& ioSession);
    // The ambient colour, master scale and shadow settings, and the keyframer's length.
    void PutSettings(KRyvScene& ioScene, K3dsWriteSession& ioSession, KTime pStop);
    // Notes the look-at targets that the cameras and spot lights write as their targets.
    static void NoteTargets(K3dsWriteSession& ioSession, const std::vector<KRyvNode*>& pNodes);
    void WriteNode(K3dsWriteSession& ioSession, KRyvNode& ioNode);
    void WriteGeometry(K3dsWriteSession& ioSession, KRyvNode& ioNode, const KVector4* pTRS);
    void WriteLight(K3dsWriteSession& ioSession, KRyvNode& ioNode, const KVector4& pTranslation);
    void WriteCamera(K3dsWriteSession& ioSession, KRyvNode& ioNode, const KVector4& pTranslation);
    void WriteDummy(K3dsWriteSession& ioSession, KRyvNode& ioNode);
    bool Fail(int pCode, const std::string& pWhy);

    std::unique_ptr<Toolkit3dsContext> mKit;
    FileRecord3ds* mFile = nullptr;
    std::string mFileName;
};

#endif
