#include "formats/motion/mov/KReaderMov.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KMotionImportFilters.h"
#include "formats/motion/KMotionMarkerBuilder.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/mov/KMovFile.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <string>

namespace {

constexpr int kGroupCount = 3;
constexpr int kAxisCount = 3;

// Which of translation, rotation and scaling the options switch on.
void GroupsOf(const KStreamOptionsMotion& pOptions, bool oGroups[kGroupCount], int& oCount)
{
    oCount = 0;
    for (int g = 0; g < kGroupCount; ++g) {
        oGroups[g] = pOptions.GetOption(KReaderMov::kOptionTranslation + g) == 1;
        oCount += oGroups[g] ? 1 : 0;
    }
}

} // namespace

KReaderMov::KReaderMov(KRyvObjectFactory* pOwner) : KMotionTextReader(pOwner) {}

KReaderMov::~KReaderMov() = default;

std::unique_ptr<KReader> KReaderMov::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderMov(pOwner));
}

std::unique_ptr<KTextFile> KReaderMov::NewFile() const
{
    return std::make_unique<KMovFile>();
}

KMovFile& KReaderMov::File() const
{
    return *static_cast<KMovFile*>(GetFile());
}

double KReaderMov::EstimateRate(const std::vector<double>& pTimes)
{
    const double lEstimate = AverageRate(pTimes);
    return KMotionFrameRate::IsValid(lEstimate) ? lEstimate : 0.0;
}

double KReaderMov::AverageRate(const std::vector<double>& pTimes)
{
    double lEstimate = 0.0;
    if (pTimes.empty()) {
        return 0.0;
    }
    double lPrevious = pTimes[0];
    for (std::size_t i = 1; i < pTimes.size(); ++i) {
        // Only a time past the last one taken counts: equal or falling times give no period.
        if (!(pTimes[i] > lPrevious)) {
            continue;
        }
        const double lRate = 1.0 / (pTimes[i] - lPrevious);
        lEstimate = lEstimate > 0.0 ? (lEstimate + lRate) * 0.5 : lRate;
        lPrevious = pTimes[i];
    }
    return lEstimate;
}

std::unique_ptr<KStreamOptions> KReaderMov::GetReadOptions()
{
    if (!GetFile()) {
        GetError().SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    try {
        KMovFile& lFile = File();
        int lColumns = 0;
        std::int64_t lLines = 0;
        std::vector<double> lTimes;
        if (!lFile.CountColumns(lColumns) || !KeepRows(lColumns, lTimes, lLines)) {
            FailFile("no numbers");
            return nullptr;
        }
        if (lTimes.empty() || !(std::fabs(lTimes[0]) <= kMaxSeconds)) {
            FailFile("the first time is out of range");
            return nullptr;
        }
        std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
        if (!lOptions) {
            GetError().SetLastErrorID(kUnidentifiedError);
            return nullptr;
        }
        KTime lStart;
        lStart.SetSecondDouble(lTimes[0]);
        lOptions->SetStart(lStart);
        lOptions->SetFrameCount(static_cast<int>(std::min<std::int64_t>(lLines, INT_MAX)));
        lOptions->SetTimeMode(0, EstimateRate(lTimes));
        WarnUnusableRate(lTimes, *lOptions);
        for (int g = 0; g < kGroupCount; ++g) {
            lOptions->SetOption(kOptionTranslation + g, 1);
        }
        lOptions->SetOption(KMotionMarkerBuilder::kOptionOpticalName, 0);
        return std::unique_ptr<KStreamOptions>(lOptions.release());
    } catch (const std::bad_alloc&) {
        ClearParsed();
        FailFile("out of memory");
        return nullptr;
    }
}

void KReaderMov::WarnUnusableRate(const std::vector<double>& pTimes,
                                  const KStreamOptionsMotion& pOptions)
{
    const double lRate = AverageRate(pTimes);
    if (lRate > 0.0 && !KMotionFrameRate::IsValid(lRate)) {
        std::string lText;
        KMotionNumber::AppendFormat(
            lText,
            "%s:%d: the times of the first rows give %g frames per second, no usable rate: "
            "%g is used\n",
            File().GetFileName().c_str(), mFirstRowLine, lRate, pOptions.GetFrameRate());
        GetMessage() += lText.c_str();
    }
}

void KReaderMov::ClearParsed()
{
    mRows = KeptRows();
}

bool KReaderMov::KeepRows(int pColumns, std::vector<double>& oTimes, std::int64_t& oLines)
{
    KMovFile& lFile = File();
    mRows = KeptRows();
    mRows.mColumns = pColumns;
    std::vector<double> lRow(static_cast<std::size_t>(pColumns));
    std::int64_t lLines = 0;
    std::int64_t lPresent = 0;
    std::int64_t lMissing = 0;
    int lRead = 0;
    for (bool lFound = lFile.ReadRow(lRow.data(), pColumns, true, lRead); lFound;
         lFound = lFile.ReadRow(lRow.data(), pColumns, false, lRead)) {
        mFirstRowLine = lLines == 0 ? lFile.GetLineNumber() : mFirstRowLine;
        ++lLines;
        if (static_cast<int>(oTimes.size()) < kRateLines) {
            oTimes.push_back(lRow[0]);
        }
        lPresent += lRead;
        lMissing += pColumns - lRead;
        // Rows are kept only as far as a read would take them, so that zero-filled cells never
        // outgrow the file.
        mRows.mWhole = mRows.mWhole && lMissing <= lPresent + pColumns &&
                       KMotionNumber::FitsFloat(lRow.data(), pColumns);
        if (mRows.mWhole) {
            mRows.mValues.insert(mRows.mValues.end(), lRow.begin(), lRow.end());
            mRows.mRead.push_back(lRead);
            mRows.mLines.push_back(lFile.GetLineNumber());
        }
    }
    if (lLines == 0 || lFile.IsCorrupt()) {
        mRows = KeptRows();
        return false;
    }
    oLines = lLines;
    return true;
}

bool KReaderMov::ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    bool lGroups[kGroupCount];
    int lGroupCount = 0;
    GroupsOf(ioOptions, lGroups, lGroupCount);
    if (lGroupCount == 0) {
        GetError().SetLastError(kUnidentifiedError, "No animation to import.");
        return false;
    }
    File().ClearLastError();
    Table lTable;
    if (!File().CountColumns(lTable.mColumns)) {
        return FailFile("no numbers");
    }
    const int lObjects = (lTable.mColumns - 1) / (kAxisCount * lGroupCount);
    if (lObjects > kMaxObjects) {
        return FailFile("more objects than the reader takes");
    }
    if (!ReadTable(lTable, ioOptions)) {
        return false;
    }
    if (lObjects <= 0) {
        GetMessage() += (File().GetFileName() + ": the first line has " +
                         std::to_string(lTable.mColumns) + " columns, no object\n")
                            .c_str();
    }
    KMotionMarkerBuilder::ExtendKeyTimes(ioOptions, lTable.mRows, lTable.mTimes);
    const KString lTakeName = KMotionMarkerBuilder::TakeNameOf(File().GetFileName());
    KReadRollback lRollback(GetOwner());
    KMotionMarkerBuilder lBuilder(*GetOwner(), lRollback, lTakeName.Buffer());
    KRyvNode* lReference = lBuilder.CreateReference("MOV", ioOptions);
    if (!lReference) {
        return FailFile("cannot create the reference node");
    }
    for (int k = 0; k < lObjects; ++k) {
        ioOptions.ReportProgress("Loading MOV animation frames in nodes",
                                 50.0f + static_cast<float>(k * 50 / lObjects));
        if (!BuildObject(lBuilder, lRollback, lReference, k, lTable, ioOptions)) {
            return FailFile("cannot create the object nodes");
        }
    }
    ioOptions.SetFrameCount(lTable.mRows);
    if (!lBuilder.JoinScene(ioScene, lReference, ioOptions, lTable.mRows)) {
        return FailFile("the objects cannot join the scene");
    }
    lBuilder.Commit(ioScene);
    return true;
}

bool KReaderMov::ReadTable(Table& oTable, const KStreamOptionsMotion& pOptions)
{
    const int lFrames = std::min(pOptions.GetFrameCount(), KFCurve::kMaxKeyCount);
    // The kept rows serve one read; a later one reads the file again.
    KeptRows lRows = std::move(mRows);
    mRows = KeptRows();
    if (lRows.mColumns == oTable.mColumns && ReplayKeptRows(lRows, oTable, pOptions, lFrames)) {
        return true;
    }
    oTable.mRows = 0;
    oTable.mValues.clear();
    return ReadTableFromFile(oTable, pOptions, lFrames);
}

bool KReaderMov::ReplayKeptRows(KeptRows& ioRows, Table& oTable,
                                const KStreamOptionsMotion& pOptions, int pFrames)
{
    const int lKept = static_cast<int>(ioRows.mRead.size());
    // Beyond the kept rows lies a value out of range, or the end of the file.
    if (pFrames <= 0 || lKept == 0 || (pFrames > lKept && !ioRows.mWhole)) {
        return false;
    }
    const int lRows = std::min(pFrames, lKept);
    int lWarned = 0;
    for (int f = 0; f < lRows; ++f) {
        pOptions.ReportProgress("Reading MOV animation frames",
                                static_cast<float>(static_cast<std::int64_t>(f) * 50 / pFrames));
        const int lRead = ioRows.mRead[static_cast<std::size_t>(f)];
        if (lRead < oTable.mColumns && lWarned++ < kMaxRowWarnings) {
            WarnMissing(ioRows.mLines[static_cast<std::size_t>(f)], oTable.mColumns - lRead);
        }
    }
    WarnFurtherMissing(lWarned);
    ioRows.mValues.resize(static_cast<std::size_t>(lRows) *
                          static_cast<std::size_t>(oTable.mColumns));
    oTable.mValues = std::move(ioRows.mValues);
    oTable.mRows = lRows;
    return true;
}

void KReaderMov::WarnMissing(int pLine, int pMissing)
{
    GetMessage() += (File().GetFileName() + ":" + std::to_string(pLine) + ": " +
                     std::to_string(pMissing) + " numbers missing, read as 0\n")
                        .c_str();
}

void KReaderMov::WarnFurtherMissing(int pWarned)
{
    if (pWarned > kMaxRowWarnings) {
        GetMessage() += (File().GetFileName() + ": " + std::to_string(pWarned - kMaxRowWarnings) +
                         " further rows with numbers missing\n")
                            .c_str();
    }
}

bool KReaderMov::ReadTableFromFile(Table& oTable, const KStreamOptionsMotion& pOptions, int pFrames)
{
    KMovFile& lFile = File();
    const int lFrames = pFrames;
    std::vector<double> lRow(static_cast<std::size_t>(oTable.mColumns));
    ReserveTable(oTable, lFrames);
    std::int64_t lPresent = 0;
    std::int64_t lMissing = 0;
    int lWarned = 0;
    int lRead = 0;
    for (int f = 0; f < lFrames && lFile.ReadRow(lRow.data(), oTable.mColumns, f == 0, lRead);
         ++f) {
        pOptions.ReportProgress("Reading MOV animation frames",
                                static_cast<float>(static_cast<std::int64_t>(f) * 50 / lFrames));
        lPresent += lRead;
        lMissing += oTable.mColumns - lRead;
        // A table mostly made of zero-filled cells is not a table: it could also ask for far
        // more memory than the file holds.
        if (lMissing > lPresent + oTable.mColumns) {
            lFile.Error("more numbers missing than present");
            return FailFile("");
        }
        if (lRead < oTable.mColumns && lWarned++ < kMaxRowWarnings) {
            WarnMissing(lFile.GetLineNumber(), oTable.mColumns - lRead);
        }
        for (double lValue : lRow) {
            if (!KMotionNumber::FitsFloat(lValue)) {
                lFile.Error("value out of range");
                return FailFile("");
            }
            oTable.mValues.push_back(static_cast<float>(lValue));
        }
        ++oTable.mRows;
    }
    WarnFurtherMissing(lWarned);
    if (lFile.IsCorrupt() || oTable.mRows == 0) {
        return FailFile("no row");
    }
    return true;
}

void KReaderMov::ReserveTable(Table& ioTable, int pFrames)
{
    // A row's present cells take two bytes each at least (a digit and a separator or the line
    // end), and no more cells may be missing than present (plus one row's worth): the rest of
    // the file, the current line included, holds no more cells than its bytes and a row.
    const std::uint64_t lColumns = static_cast<std::uint64_t>(ioTable.mColumns);
    const std::uint64_t lFit = File().GetRemainingBytes() + File().GetLine().size() + 1 + lColumns;
    const std::uint64_t lWanted = static_cast<std::uint64_t>(std::max(pFrames, 0)) * lColumns;
    ioTable.mValues.reserve(static_cast<std::size_t>(std::min(lWanted, lFit)));
}

bool KReaderMov::BuildObject(KMotionMarkerBuilder& ioBuilder, KReadRollback& ioRollback,
                             KRyvNode* pReference, int pObject, Table& ioTable,
                             const KStreamOptionsMotion& pOptions)
{
    KRyvNode* lNode =
        ioBuilder.CreateMarker(pReference, ("Marker" + std::to_string(pObject)).c_str());
    if (!lNode) {
        return false;
    }
    bool lGroups[kGroupCount];
    int lGroupCount = 0;
    GroupsOf(pOptions, lGroups, lGroupCount);
    KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
    KFCurve* lCurves[kGroupCount][kAxisCount] = {
        {lTake->GetTransformTX(), lTake->GetTransformTY(), lTake->GetTransformTZ()},
        {lTake->GetTransformRX(), lTake->GetTransformRY(), lTake->GetTransformRZ()},
        {lTake->GetTransformSX(), lTake->GetTransformSY(), lTake->GetTransformSZ()}};
    std::vector<float>& lCells = ioTable.mColumn;
    lCells.resize(static_cast<std::size_t>(ioTable.mRows));
    // The object's columns follow the time column, the groups on in the order T, R, S.
    int lColumn = 1 + pObject * kAxisCount * lGroupCount;
    for (int g = 0; g < kGroupCount; ++g) {
        if (!lGroups[g]) {
            continue;
        }
        for (int a = 0; a < kAxisCount; ++a, ++lColumn) {
            // The table's values were checked to fit single precision.
            for (std::size_t i = 0; i < lCells.size(); ++i) {
                lCells[i] = ioTable.mValues[i * static_cast<std::size_t>(ioTable.mColumns) +
                                            static_cast<std::size_t>(lColumn)];
            }
            if (!ioRollback.BeginKeySet(lCurves[g][a], ioTable.mRows) ||
                !lCurves[g][a]->KeySetBatch(0, ioTable.mRows, ioTable.mTimes.data(), lCells.data(),
                                            KFCurveKey::kInterpolationCubic)) {
                return false;
            }
        }
    }
    ioRollback.EndKeySets(ioTable.mRows);
    KMotionImportFilters::Apply(lGroups[0] ? lCurves[0] : nullptr,
                                lGroups[1] ? lCurves[1] : nullptr);
    if (lGroups[2]) {
        KMotionImportFilters::ReduceConstantKeys(lCurves[2], kAxisCount);
    }
    return true;
}
