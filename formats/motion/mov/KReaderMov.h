#ifndef RYVKIT_FORMATS_MOTION_MOV_KREADERMOV_H
#define RYVKIT_FORMATS_MOTION_MOV_KREADERMOV_H

#include "core/KTime.h"
#include "formats/motion/KMotionTextReader.h"

#include <cstdint>
#include <memory>
#include <vector>

class KFCurve;
class KMotionMarkerBuilder;
class KMovFile;
class KReadRollback;
class KRyvNode;

// Reads a MOV table into a scene: one optical-marker node "Marker<k>" per object (k from 0)
// below a reference node "MOV:reference" ("MOV:optical" with option 4 at 1) under the scene's
// root, in a take named after the file, with a key per row read on the translation, rotation
// and scaling curves that options 0, 1 and 2 switch on (the file does not say which columns it
// holds). Objects = (columns of the first line - 1) / (3 x groups on); further columns are
// ignored. A short row is read with zeros in its missing cells, with a warning.
//
// The read options hold the first time as start, the number of lines as frame count and the rate
// estimated from the first kRateLines times: only times rising over the previous time taken
// count, so repeated or falling times never divide by zero; no usable estimate gives the global
// default, with a warning when the times rose (rows too close or too far apart). Keys lie at the
// start plus whole periods; the frame count is replaced by the rows read when the options ask for
// more. GetReadOptions reads every row and keeps it (four bytes a cell) for the read that follows,
// until then or until the file is closed or another opened; a read without such rows, or a second
// one, reads the file itself.
//
// Errors (KReader table): no file, kFileNotOpened; no motion options, kStreamOptionsNotSet; no
// group on, kUnidentifiedError with "No animation to import."; kFileCorrupted with "file:line:
// why" for a first line that holds anything but numbers, an empty file, a value beyond single
// precision, more than kMaxObjects objects, or rows with more cells missing than present. A
// failed read leaves scene and factory as they were.
class KReaderMov : public KMotionTextReader
{
public:
    static constexpr int kOptionTranslation = 0;
    static constexpr int kOptionRotation = 1;
    static constexpr int kOptionScaling = 2;
    static constexpr int kRateLines = 10;
    // A first time beyond this many seconds from 0 cannot be a kit time at any usable rate.
    static constexpr double kMaxSeconds = 1.0e8;
    static constexpr int kMaxObjects = 100000;
    // Rows with missing cells get a warning each up to this many, then one line for the rest.
    static constexpr int kMaxRowWarnings = 10;

    explicit KReaderMov(KRyvObjectFactory* pOwner);
    ~KReaderMov() override;

    // Options 0, 1 and 2 at 1, option 4 at 0, with the span and rate of the file.
    std::unique_ptr<KStreamOptions> GetReadOptions() override;

    // The rate the times give (first to last, each rising over the previous one taken), 0 when
    // they give no usable rate (KMotionFrameRate).
    static double EstimateRate(const std::vector<double>& pTimes);

    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

private:
    // The rows read, as single-precision keys: mColumns values per row; the key time of each
    // row, and one curve's values while its keys are set.
    struct Table
    {
        int mColumns = 0;
        int mRows = 0;
        std::vector<float> mValues;
        std::vector<KTime> mTimes;
        std::vector<float> mColumn;
    };

    // The rows of the file as GetReadOptions read them, kept for the read that follows so that
    // it need not read the file again: the values of the rows before the first one a read from
    // the file would refuse (a value beyond single precision, or more cells missing than
    // present so far; mWhole false when there is one), and per row the numbers found on it and
    // its line number.
    struct KeptRows
    {
        int mColumns = 0;
        std::vector<float> mValues;
        std::vector<int> mRead;
        std::vector<int> mLines;
        bool mWhole = true;
    };

    std::unique_ptr<KTextFile> NewFile() const override;
    void ClearParsed() override;
    KMovFile& File() const;
    // Reads every row of pColumns numbers into mRows, the first kRateLines times into oTimes and
    // the number of lines into oLines; false when there is no line or the file is corrupt.
    bool KeepRows(int pColumns, std::vector<double>& oTimes, std::int64_t& oLines);

    bool ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions) override;
    // The rows the options ask for: those GetReadOptions kept when they serve, else read from
    // the file.
    bool ReadTable(Table& oTable, const KStreamOptionsMotion& pOptions);
    bool ReadTableFromFile(Table& oTable, const KStreamOptionsMotion& pOptions, int pFrames);
    // The table from the kept rows, with the progress and warnings of a read from the file;
    // false, with nothing added to the message text, when the rows asked for go beyond the kept
    // ones into a row that read would refuse, so that it can name the fault.
    bool ReplayKeptRows(KeptRows& ioRows, Table& oTable, const KStreamOptionsMotion& pOptions,
                        int pFrames);
    // The same before the check: 0 when no time rises over the first.
    static double AverageRate(const std::vector<double>& pTimes);
    // A warning, naming the first row's line, when rising times give a rate that is not usable
    // (rows 1e-9 s apart), so that the rate of pOptions stands in for it.
    void WarnUnusableRate(const std::vector<double>& pTimes, const KStreamOptionsMotion& pOptions);
    // The warning of a row with pMissing cells read as 0.
    void WarnMissing(int pLine, int pMissing);
    void WarnFurtherMissing(int pWarned);
    // Reserves the table's storage for the rows the options ask for, but never for more cells
    // than the rest of the file can give.
    void ReserveTable(Table& ioTable, int pFrames);
    bool BuildObject(KMotionMarkerBuilder& ioBuilder, KReadRollback& ioRollback,
                     KRyvNode* pReference, int pObject, Table& ioTable,
                     const KStreamOptionsMotion& pOptions);

    KeptRows mRows;
    // The line of the first row KeepRows read.
    int mFirstRowLine = 0;
};

#endif
