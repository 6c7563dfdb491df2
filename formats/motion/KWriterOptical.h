#ifndef RYVKIT_FORMATS_MOTION_KWRITEROPTICAL_H
#define RYVKIT_FORMATS_MOTION_KWRITEROPTICAL_H

#include "core/KString.h"
#include "formats/motion/KOpticalMarkerFile.h"
#include "io/KWriter.h"

#include <memory>
#include <string>

class KMotionMarkerSampler;
class KStreamOptionsMotion;

// The writer base of the optical marker formats: the format writer names its file class
// (CreateFile) and its option defaults (SetWriteDefaults); Write does the rest. It takes the
// reference node (KMotionMarkerSampler::SelectReferenceNode), the marked nodes below it that
// carry no optical reference attribute (depth first) named by the text after their last ':',
// made unique with KUniqueNameTable (each renamed marker a line of the message), and hands the
// file one position per marker and frame over the options' span (options without frames take the
// span of the scene's current take, KMotionTakeSpan), in the reference node's space (its own
// transform left out), scene centimetres. A marker counts as not seen (w 1.0) when its occlusion
// curve is above 0.5 at the frame, unless option 11 is 1; option 12 at 1 asks for a negative
// sample scale (floating-point data where the format has a choice).
//
// Errors (KWriter table): no file, kFileNotOpened; no or a wrong option set,
// kStreamOptionsNotSet; a marker whose name is empty after its last ':', a value or name the
// format cannot hold, or animation whose span cannot be found, kUnidentifiedError with the
// reason; a write or the final flush that fails, kOutOfDiskSpace; a file that cannot be put in
// place, kFileNotCreated with its cause (KWriter::FailCommit). The target is replaced only by a
// Write that succeeds; otherwise it stays as it was.
class KWriterOptical : public KWriter
{
public:
    static constexpr int kOptionSkipOcclusion = 11;
    static constexpr int kOptionNegativeScale = 12;
    static constexpr int kOptionGlobalRoot = 13;
    // An occlusion value above this writes the marker as not seen.
    static constexpr double kOcclusionThreshold = 0.5;

    ~KWriterOptical() override;

    // False with kFileNotOpened and "Cannot open file "<name>" for writing." when the file
    // cannot be created.
    bool FileCreate(const char* pFileName) override;
    // Drops the file unless a Write succeeded; false with kFileNotOpened when none was created.
    bool FileClose() override;
    bool IsFileOpen() override;
    // A KStreamOptionsMotion passed through SetWriteDefaults; null when memory runs out.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;
    bool Write(KRyvScene* pScene, KStreamOptions* pOptions) override;

    const KString& GetDescription() const { return mDescription; }

protected:
    KWriterOptical(KRyvObjectFactory* pOwner, const char* pDescription);
    // A new file object for pFileName, created for writing; null when it cannot be.
    virtual std::unique_ptr<KOpticalMarkerFile> CreateFile(const char* pFileName) = 0;
    virtual void SetWriteDefaults(KStreamOptionsMotion& ioOptions) = 0;

private:
    // Refuses, with kUnidentifiedError, a marker whose name is empty after its last ':'.
    bool CheckNames(const KMotionMarkerSampler& pSampler);
    bool WriteAll(KMotionMarkerSampler& ioSampler, const KStreamOptionsMotion& pOptions);
    bool WriteFrames(KMotionMarkerSampler& ioSampler, const KStreamOptionsMotion& pOptions);
    // Sets the error of a failed file operation; answers false.
    bool FailFile();

    std::unique_ptr<KOpticalMarkerFile> mFile;
    // The target's name without its folder, for messages.
    std::string mFileName;
    KString mDescription;
    bool mWritten = false;
};

#endif
