#ifndef RYVKIT_FORMATS_MOTION_KREADEROPTICAL_H
#define RYVKIT_FORMATS_MOTION_KREADEROPTICAL_H

#include "core/KString.h"
#include "core/KTime.h"
#include "core/KVector4.h"
#include "formats/motion/KOpticalMarkerFile.h"
#include "io/KReader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class KFCurve;
class KReadRollback;
class KRyvNode;
class KStreamOptionsMotion;

// The reader base of the optical marker formats (AOA and MCD, C3D, TRC): the format reader names
// its file class (CreateFile) and its option defaults (SetReadDefaults); Read does the rest.
// Each marker becomes a node "Model::<name>" with an optical marker attribute, under a reference
// node "<FMT>:optical" (option 4 at 1) or "<FMT>:reference" with an optical reference attribute,
// under the scene's root. Its current take, named after the file without folder and extension,
// holds translation curves (the file's positions times its sample scale, scene centimetres) and
// an occlusion curve (1 where the marker was not seen, constant keys). Positions a frame holds
// beyond the header's marker count become markers "*Unnamed_<count + k>".
//
// The file is always read from its first frame; the options' start only places the keys, one
// per frame period, and the options' frame count (lowered to the file's, and stored back) says
// how many frames are read. Option 5: a position of exactly (0, 0, 0) is not seen. Option 6: a
// marker not seen keeps the x, y, z of the frame before (not at the first frame). Option 7: the
// format keeps name prefixes. Option 17: names are made unique (KUniqueNameTable) and the
// changes reported through the message callback and, a line each, in the message; otherwise two
// markers of one name fail the read. What the file overruled or left out (its warnings) is
// added to the message, whether or not the read succeeds.
//
// Errors (KReader table): no file, kFileNotOpened; no or a wrong option set,
// kStreamOptionsNotSet; a bad header, names or frame, more samples declared than the file can
// hold, duplicate names or no memory, kFileCorrupted with "file: why" as the error text and a
// line of the message text. A failed read leaves the scene and the factory as they were.
class KReaderOptical : public KReader
{
public:
    static constexpr int kOptionOpticalName = 4;
    static constexpr int kOptionZeroOccluded = 5;
    static constexpr int kOptionHoldOccluded = 6;
    static constexpr int kOptionKeepPrefixes = 7;
    static constexpr int kOptionUniqueNames = 17;
    // The most markers a header may declare.
    static constexpr int kMaxMarkers = 100000;
    // Samples (markers times frames) a file may declare beyond one per byte it holds: every
    // format spends more than a byte on a sample, except short text lines that leave markers
    // out.
    static constexpr std::uint64_t kSampleAllowance = 1u << 18;
    // Markers a file may declare beyond one per byte it holds (each marker is a node).
    static constexpr std::uint64_t kMarkerAllowance = 1024;

    ~KReaderOptical() override;

    bool FileClose() override;
    bool IsFileOpen() override;
    // A KStreamOptionsMotion with the header's start, frame count and rate, passed through
    // SetReadDefaults. Null with kFileNotOpened without a file, kFileCorrupted for a bad header.
    std::unique_ptr<KStreamOptions> GetReadOptions() override;
    bool Read(KRyvScene* pScene, KStreamOptions* pOptions) override;

    const KString& GetDescription() const { return mDescription; }
    const KString& GetFormatName() const { return mFormatName; }

protected:
    KReaderOptical(KRyvObjectFactory* pOwner, bool pText, const char* pDescription,
                   const char* pFormatName);
    // A file object reading pSource; null when it cannot be opened.
    virtual std::unique_ptr<KOpticalMarkerFile>
    CreateFile(std::unique_ptr<KByteSource> pSource) = 0;
    virtual void SetReadDefaults(KStreamOptionsMotion& ioOptions) = 0;
    KOpticalMarkerFile* GetFile() const { return mFile.get(); }
    // The path or name the file was opened with.
    const std::string& GetFileName() const { return mFileName; }

private:
    // The markers being read: nodes and their four curves (X, Y, Z, occlusion).
    struct Marker
    {
        KRyvNode* mNode = nullptr;
        KFCurve* mCurves[4] = {nullptr, nullptr, nullptr, nullptr};
    };

    bool OpenSource(std::unique_ptr<KByteSource> pSource) override;
    bool ReadInto(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);
    bool CheckCounts(const KOpticalMarkerHeader& pHeader, int pFrames);
    bool ReadMarkerNames(const KOpticalMarkerHeader& pHeader, const KStreamOptionsMotion& pOptions,
                         std::vector<KString>& oNames);
    void MakeUnique(std::vector<KString>& ioNames, const KStreamOptionsMotion& pOptions);
    // A marker for each name of the file, in order.
    bool AddNamedMarkers(KReadRollback& ioRollback, const KOpticalMarkerHeader& pHeader,
                         const KStreamOptionsMotion& pOptions, int pFrames,
                         std::vector<Marker>& oMarkers);
    bool AddMarker(KReadRollback& ioRollback, const KString& pName, int pFrames,
                   std::vector<Marker>& ioMarkers);
    bool ReadFrames(KReadRollback& ioRollback, const KOpticalMarkerHeader& pHeader, int pFrames,
                    const KStreamOptionsMotion& pOptions, std::vector<Marker>& ioMarkers);
    bool AddExtraMarkers(KReadRollback& ioRollback, const KOpticalMarkerHeader& pHeader,
                         int pFrames, const KStreamOptionsMotion& pOptions,
                         const std::vector<std::vector<KVector4>>& pExtras, int pExtraCount,
                         std::vector<Marker>& ioMarkers);
    // Puts the markers below a new reference node, which joins the scene; ioMarkers is emptied
    // (its room given back) once the reference holds them.
    bool Place(KReadRollback& ioRollback, KRyvScene& ioScene, const KStreamOptionsMotion& pOptions,
               std::vector<Marker>& ioMarkers, int pFrames);
    // The motion import filters on every marker's curves, with the progress of that step.
    void FilterCurves(std::vector<Marker>& ioMarkers, const KStreamOptionsMotion& pOptions);
    // The take name: the file name without folder and extension.
    KString GetTakeName() const;
    // Sets kFileCorrupted with "file: pWhy" and adds it to the message text; answers false.
    bool Fail(const std::string& pWhy);

    std::unique_ptr<KOpticalMarkerFile> mFile;
    std::string mFileName;
    KString mDescription;
    KString mFormatName;
};

#endif
