#ifndef RYVKIT_IO_KREADERRYV_H
#define RYVKIT_IO_KREADERRYV_H

#include "core/KString.h"
#include "io/KReader.h"
#include "ryvfile/KRyvFile.h"
#include "scene/objects/KRyvThumbnail.h"

#include <memory>
#include <vector>

class KByteSource;
class KRyvStdioStream;
class KStreamOptionsRyv;

// The RYV reader, for both dialects and all three forms (binary, ASCII, encrypted binary).
//
// FileOpen (or MemoryOpen) reads the file and checks its frame (version, sizes, CRC-32); Read
// opens the body with the options' password and builds what the options ask for in a scene of
// its own; only once all of it is built does it take the place of the caller's scene content
// (the former content goes as KRyvScene::Clear would take it, the root node with it). A failed
// or cancelled read leaves the caller's scene exactly as it was, and hands back to the factory
// every object it made. The file stays open until FileClose: a read can be repeated,
// or tried again with another password. Errors: "File is corrupted" for any damage, 1 and 2 for
// versions outside the dialects, "Wrong password" for a protected file whose password is wrong
// or missing or whose body was changed. The scene is touched only once the whole file has been
// checked and decoded; records that decode but do not make a scene (a child before its parent,
// an index past its array) fail the read as "File is corrupted". A reference
// to an object the file does not hold (a gobo, a layer's material) is a warning. Embedded media
// are restored (unless the options say not to) into the options' media folder, else into the
// folder "<file>.qzm" beside the file.
class KReaderRyv : public KReader
{
public:
    explicit KReaderRyv(KRyvObjectFactory* pOwner);
    ~KReaderRyv() override;

    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

    bool FileClose() override;
    bool IsFileOpen() override { return mFile.IsOpen(); }
    std::unique_ptr<KStreamOptions> GetReadOptions() override;
    // pOptions may be null (defaults, no password) or a KStreamOptionsRyv; another kind of
    // set is "Stream options not set".
    bool Read(KRyvScene* pScene, KStreamOptions* pOptions) override;

    // The file's frame, valid after FileOpen.
    const KRyvFileHeader& GetHeader() const { return mFile.GetHeader(); }

    // Opens the body with pPassword and takes out what a caller shows before reading: the header
    // extension and the names of the takes, so that one can be picked (the options' take name).
    // FileOpen does it for an unprotected file; a protected one needs its password. False with
    // the reader's error ("Wrong password", "File is corrupted") when the body does not open.
    bool ReadSummary(const char* pPassword);
    bool HasSummary() const { return mHasSummary; }
    // Valid once the summary was read.
    const KRyvHeaderExtension& GetHeaderExtension() const { return mFile.GetHeaderExtension(); }
    const std::vector<KString>& GetTakeNames() const { return mTakeNames; }
    // The file's preview image (size 0 when it has none).
    const KRyvThumbnail& GetThumbnail() const { return mThumbnail; }

protected:
    // Reads the source and checks the file's frame; the source is kept until FileClose.
    bool OpenSource(std::unique_ptr<KByteSource> pSource) override;

private:
    // Sets pCode; a corrupted file's text also says why, when the read named it (mCause, which
    // any failure clears).
    bool Fail(int pCode);
    // Closes the file and lets its source go.
    void ReleaseSource();
    // Reads the decoded file into ioBuilt (an empty scene of the same factory) and, when the
    // whole read succeeded, exchanges its content with ioScene's. The reader error code, or -1.
    int Build(KRyvScene& ioBuilt, KRyvScene& ioScene, KStreamOptionsRyv& ioOptions);

    bool OpenBody(const char* pPassword);

    // The source stays open with the file: the large arrays of a plain binary file are read
    // from it when the scene is read. Declared before the file, which refers to the stream.
    std::unique_ptr<KByteSource> mSource;
    std::unique_ptr<KRyvStdioStream> mStream;
    KRyvFile mFile;
    KString mFileName;
    std::vector<KString> mTakeNames;
    KRyvThumbnail mThumbnail;
    bool mHasSummary = false;
    // The body is opened and checked and no read has used it yet: the next read needs no second
    // opening.
    bool mBodyFresh = false;
    // Why the last read found the records corrupted; empty when no check named it.
    KString mCause;
};

#endif
