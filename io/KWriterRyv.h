#ifndef RYVKIT_IO_KWRITERRYV_H
#define RYVKIT_IO_KWRITERRYV_H

#include "core/KOutputFile.h"
#include "core/KString.h"
#include "io/KWriter.h"
#include "ryvfile/KRyvBinaryCodec.h"

#include <memory>

class KRyvFile;
class KRyvNode;
class KRyvRecordWriter;
class KStreamOptionsRyv;

// The RYV writers: the 6.0 dialect (binary, ASCII, encrypted binary) and the 5.x dialect
// (binary, ASCII). The record layout is described in docs/ryv-format.md; the 5.x dialect has
// the older layout version and stores each key of a curve as a record of its own.
//
// Write needs a KStreamOptionsRyv (else "Stream options not set"); an encrypted writer needs a
// password in it (else "Unidentified error" with that cause, nothing written). The file goes
// through a KOutputFile: the target is replaced only once the whole file is written, so a
// cancelled or failed write (or FileClose before a successful Write) leaves it as it was; a
// short write is "Out of disk space".
//
// No tree of the scene's records is built: the session's records go to the file as they are
// made, straight from the scene's arrays. The binary forms put each record's size in front of
// it, so the session runs twice: a first pass takes only the sizes (no progress, no warnings), the
// second writes; a scene that changed in between fails the write. The CRC, the output and the
// sealing follow the records in blocks (KRyvFrameWriter). Memory stays a few megabytes whatever
// the scene's size, besides the key derivation of an encrypted file.
class KWriterRyv : public KWriter
{
public:
    enum EFlavour : int { kBinary60, kAscii60, kEncrypted60, kBinary5x, kAscii5x };

    KWriterRyv(KRyvObjectFactory* pOwner, EFlavour pFlavour);
    ~KWriterRyv() override;

    // The creators of the exporter's codes 0 to 4.
    static std::unique_ptr<KWriter> CreateBinary(KRyvObjectFactory* pOwner);
    static std::unique_ptr<KWriter> CreateAscii(KRyvObjectFactory* pOwner);
    static std::unique_ptr<KWriter> CreateEncrypted(KRyvObjectFactory* pOwner);
    static std::unique_ptr<KWriter> CreateBinary5x(KRyvObjectFactory* pOwner);
    static std::unique_ptr<KWriter> CreateAscii5x(KRyvObjectFactory* pOwner);

    bool FileCreate(const char* pFileName) override;
    bool FileClose() override;
    bool IsFileOpen() override { return mOutput.IsOpen(); }
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;
    bool Write(KRyvScene* pScene, KStreamOptions* pOptions) override;
    // "no node with an attribute or animation" for a scene of empty nodes alone
    // (FindMissingNodeContent) that owns no character, character pose, actor, marker set,
    // control set plug or pose.
    const char* FindMissingContent(KRyvScene* pScene) override;

private:
    // What StreamFile answers when the options cancel.
    static constexpr int kCancelled = -2;

    bool Refuse(int pCode, const char* pCause);
    // Refuses with the cause of a StreamFile result.
    bool RefuseFile(int pCode);
    // Starts the records of this writer's form with the header extension of the scene.
    void PrepareFile(KRyvFile& ioFile, const KRyvScene& pScene,
                     const KStreamOptionsRyv& pOptions) const;
    // One pass of the write session over the scene into ioWriter; pSizing: the pass that only
    // takes the sizes, without progress or warnings. False when the options cancel.
    bool RunPass(KRyvFile& ioFile, KRyvRecordWriter& ioWriter, KRyvScene& ioScene,
                 const KStreamOptionsRyv& pOptions, bool pSizing);
    // The whole file into pOutput as it is made; -1, kCancelled or a KRyvFile error code.
    int StreamFile(KRyvScene& ioScene, const KStreamOptionsRyv& pOptions,
                   const KRyvBinaryCodec::Output& pOutput);

    EFlavour mFlavour;
    KString mFileName;
    KOutputFile mOutput;
};

#endif
