#include "formats/motion/trc/KTrcFile.h"

#include "core/KQuotedValue.h"
#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KMotionNumber.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <strings.h>

namespace {

const char* const kSeparators = "\t\r\n";
const char* const kTitles[] = {"DataRate", "CameraRate",   "NumFrames",          "NumMarkers",
                               "Units",    "OrigDataRate", "OrigDataStartFrame", "OrigNumFrames"};
// Titles of a type-3 file; a type-4 file has all of kTitles.
constexpr int kType3Titles = 5;
constexpr int kType4Titles = 8;
constexpr double kMillimetresPerCentimetre = 10.0;
constexpr int kRateDecimals = 2;
// How far, relative to itself, two decimals may move a rate: video rates lie closer than this to
// their two-decimal names, rates of other digits further.
constexpr double kRateNearness = 1e-5;
constexpr int kTimeDecimals = 3;
constexpr int kCoordinateDecimals = 5;

bool ParseInt(const std::string& pText, int& oValue)
{
    return KMotionNumber::ParseInt(pText.data(), pText.data() + pText.size(), oValue);
}

bool ParseDouble(const std::string& pText, double& oValue)
{
    return KMotionNumber::ParseDouble(pText.data(), pText.data() + pText.size(), oValue);
}

// The rate with two decimals when they move it by at most kRateNearness of itself, as for video
// rates (30000/1001 Hz and a C3D file's single-precision 59.94 print "29.97" and "59.94");
// otherwise with as many as it needs, so that 23.976 Hz does not read back as 23.98, 12.5004 as
// 12.50 or 0.001 as 0.
std::string RateText(double pRate)
{
    std::string lText;
    KTrcFile::FormatFixed(pRate, kRateDecimals, lText);
    double lBack = 0.0;
    if (ParseDouble(lText, lBack) && std::fabs(lBack - pRate) <= pRate * kRateNearness) {
        return lText;
    }
    char lBuffer[64];
    const std::to_chars_result lResult =
        std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pRate, std::chars_format::fixed);
    return lResult.ec == std::errc() ? std::string(lBuffer, lResult.ptr) : lText;
}

} // namespace

KTrcFile::KTrcFile() : KOpticalTextFile("TRC", kSeparators) {}

bool KTrcFile::FormatFixed(double pValue, int pDecimals, std::string& oText)
{
    char lBuffer[512];
    const std::to_chars_result lResult = std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pValue,
                                                       std::chars_format::fixed, pDecimals);
    if (!std::isfinite(pValue) || lResult.ec != std::errc()) {
        return false;
    }
    oText.assign(lBuffer, lResult.ptr);
    return true;
}

bool KTrcFile::IsCellSeparator(char pChar) const
{
    return pChar == '\t' || ((mSpaceSeparated || mBlankCells) && pChar == ' ');
}

bool KTrcFile::ReadCell(std::string& oCell, bool pTrim)
{
    // Runs of separators count as one here; every character taken moves the cursor on.
    char lChar = 0;
    while (GetChar(lChar) && IsCellSeparator(lChar)) {
        ReadChar(lChar);
    }
    if (AtLineEnd()) {
        return false;
    }
    oCell.clear();
    while (GetChar(lChar) && !IsCellSeparator(lChar)) {
        oCell += lChar;
        ReadChar(lChar);
    }
    while (GetChar(lChar) && IsCellSeparator(lChar)) {
        ReadChar(lChar);
    }
    if (pTrim) {
        const std::size_t lFirst = oCell.find_first_not_of(' ');
        const std::size_t lLast = oCell.find_last_not_of(' ');
        oCell =
            lFirst == std::string::npos ? std::string() : oCell.substr(lFirst, lLast - lFirst + 1);
    }
    return true;
}

bool KTrcFile::ReadHeader(KOpticalMarkerHeader& oHeader)
{
    mMarkerCount = 0;
    mFramesRead = 0;
    mWarnings.clear();
    if (!Rewind()) {
        return Fail("the file has no header");
    }
    // Files whose first line holds no tab separate their name cells by spaces. The header lines
    // hold no free text: any run of blanks and tabs separates their cells.
    mSpaceSeparated = GetLine().find('\t') == std::string::npos;
    mBlankCells = true;
    std::string lCell;
    int lType = 0;
    if (!ReadCell(lCell) || strcasecmp(lCell.c_str(), "PathFileType") != 0) {
        return Fail("the file does not start with \"PathFileType\"");
    }
    if (!ReadCell(lCell) || !ParseInt(lCell, lType) || (lType != 3 && lType != 4)) {
        return Fail("the path file type is not 3 or 4");
    }
    if (!ReadCell(lCell) || lCell != "(X/Y/Z)") {
        return Fail("the path file type is not \"(X/Y/Z)\"");
    }
    if (!ReadLine() || !ReadTitles(lType)) {
        return Fail("the second line does not hold the header titles");
    }
    return ReadValues(lType, oHeader);
}

bool KTrcFile::ReadTitles(int pType)
{
    std::string lCell;
    for (int i = 0; i < (pType == 4 ? kType4Titles : kType3Titles); ++i) {
        if (!ReadCell(lCell) || strcasecmp(lCell.c_str(), kTitles[i]) != 0) {
            return false;
        }
    }
    return true;
}

bool KTrcFile::ReadValues(int pType, KOpticalMarkerHeader& oHeader)
{
    std::string lCells[kType4Titles];
    const int lCount = pType == 4 ? kType4Titles : kType3Titles;
    if (!ReadLine()) {
        return Fail("the header values are missing");
    }
    for (int i = 0; i < lCount; ++i) {
        if (!ReadCell(lCells[i])) {
            return Fail("the header values are incomplete");
        }
    }
    double lRate = 0.0;
    double lCameraRate = 0.0;
    int lFrames = 0;
    int lMarkers = 0;
    if (!ParseDouble(lCells[0], lRate) || !KMotionFrameRate::IsValid(lRate)) {
        return !Error("the data rate %s is not a rate of %g to %g Hz",
                      KQuoteValue(lCells[0]).c_str(), KMotionFrameRate::kMinFrameRate,
                      KMotionFrameRate::kMaxFrameRate);
    }
    if (!ParseDouble(lCells[1], lCameraRate) || !ParseInt(lCells[2], lFrames) || lFrames < 0 ||
        !ParseInt(lCells[3], lMarkers) || lMarkers < 0) {
        return Fail("the header values are not numbers as the titles say");
    }
    double lScale = 0.0;
    if (strcasecmp(lCells[4].c_str(), "m") == 0) {
        lScale = 100.0;
    } else if (strcasecmp(lCells[4].c_str(), "cm") == 0) {
        lScale = 1.0;
    } else if (strcasecmp(lCells[4].c_str(), "mm") == 0) {
        lScale = 0.1;
    } else {
        return Fail("the units are not m, cm or mm");
    }
    double lStart = 0.0;
    if (pType == 4) {
        double lOrigRate = 0.0;
        int lOrigStart = 0;
        int lOrigFrames = 0;
        if (!ParseDouble(lCells[5], lOrigRate) || !ParseInt(lCells[6], lOrigStart) ||
            !ParseInt(lCells[7], lOrigFrames)) {
            return Fail("the original data values are not numbers");
        }
        lStart = (static_cast<double>(lOrigStart) - 1.0) / lRate;
    }
    mMarkerCount = lMarkers;
    oHeader.mMarkerCount = lMarkers;
    oHeader.mStart.SetSecondDouble(lStart);
    oHeader.mFrameCount = lFrames;
    oHeader.mFrameRate = lRate;
    oHeader.mScale = lScale;
    return true;
}

bool KTrcFile::ReadNames(std::vector<KString>& ioNames, bool /*pKeepPrefixes*/)
{
    // Names may hold blanks.
    mBlankCells = false;
    std::string lCell;
    if (!ReadLine() || !ReadCell(lCell) || lCell != "Frame#" || !ReadCell(lCell) ||
        lCell != "Time") {
        return Fail("the names line does not start with \"Frame#\" and \"Time\"");
    }
    for (std::size_t i = 0; i < ioNames.size(); ++i) {
        // Names may go on on the next line.
        std::string lName;
        while (!ReadCell(lName, false)) {
            if (!ReadLine()) {
                return Fail("the file ends in the marker names");
            }
        }
        if (lName.find("Unnamed") != std::string::npos) {
            lName = "*Unnamed_" + std::to_string(i + 1);
        }
        for (char& lChar : lName) {
            lChar = lChar == ' ' ? '_' : lChar;
        }
        ioNames[i] = KString(lName.c_str());
    }
    if (!ReadLine()) {
        return Fail("the coordinate titles are missing");
    }
    mBlankCells = true;
    static const char kAxes[] = "XYZ";
    for (std::size_t i = 0; i < ioNames.size() * 3; ++i) {
        while (!ReadCell(lCell)) {
            if (!ReadLine()) {
                return Fail("the file ends in the coordinate titles");
            }
        }
        if (lCell.empty() || std::toupper(static_cast<unsigned char>(lCell[0])) != kAxes[i % 3]) {
            return Fail("the coordinate titles are not X, Y and Z per marker");
        }
    }
    return true;
}

bool KTrcFile::ReadFrame(std::vector<KVector4>& oPositions, int pCount, KTime& ioTime, int& ioFrame,
                         KTime pPeriod, bool /*pZeroOccluded*/)
{
    if (!ReadLine()) {
        const std::string lWhy = "frame " + std::to_string(mFramesRead + 1) + " is missing";
        return IsCorrupt() ? false : Fail(lWhy.c_str());
    }
    if (!ParseFrameLine(GetLine(), pCount, oPositions)) {
        return false;
    }
    // Every cell the line lacks is a marker not seen; where the file ends inside the line, the
    // cells may have been cut off rather than left out.
    if (!LineEnded()) {
        mWarnings += GetFileName() + ":" + std::to_string(GetLineNumber()) +
                     ": the file ends inside this frame line, without a line break: it may be "
                     "cut short\n";
    }
    ++mFramesRead;
    ++ioFrame;
    ioTime += pPeriod;
    return true;
}

bool KTrcFile::EndRead()
{
    std::vector<std::string_view>().swap(mCells);
    return true;
}

void KTrcFile::SplitFrameCells(const std::string& pLine)
{
    // A line with a tab has tab-separated cells, blanks around a number being padding and a run
    // of blanks inside a cell separating two numbers; a line without one has cells that each
    // end at one space. Either way an empty cell is a coordinate not seen.
    mCells.clear();
    const char lSeparator = pLine.find('\t') == std::string::npos ? ' ' : '\t';
    const std::string_view lLine(pLine);
    std::size_t lStart = 0;
    while (lStart <= lLine.size()) {
        std::size_t lStop = lLine.find(lSeparator, lStart);
        lStop = lStop == std::string_view::npos ? lLine.size() : lStop;
        const std::string_view lCell = lLine.substr(lStart, lStop - lStart);
        if (lSeparator == ' ' || lCell.find_first_not_of(' ') == std::string_view::npos) {
            mCells.push_back(lSeparator == ' ' ? lCell : std::string_view());
        } else {
            for (std::size_t lAt = lCell.find_first_not_of(' '); lAt != std::string_view::npos;) {
                const std::size_t lEnd = std::min(lCell.find(' ', lAt), lCell.size());
                mCells.push_back(lCell.substr(lAt, lEnd - lAt));
                lAt = lCell.find_first_not_of(' ', lEnd);
            }
        }
        lStart = lStop + 1;
    }
    // The separator that ends the line's last cell opens no cell of its own.
    if (mCells.size() > 1 && mCells.back().empty() && !lLine.empty() &&
        lLine.back() == lSeparator) {
        mCells.pop_back();
    }
}

bool KTrcFile::ParseFrameLine(const std::string& pLine, int pCount,
                              std::vector<KVector4>& oPositions)
{
    SplitFrameCells(pLine);
    int lFrame = 0;
    if (mCells.empty() ||
        !KMotionNumber::ParseInt(mCells[0].data(), mCells[0].data() + mCells[0].size(), lFrame)) {
        return Fail("a frame line does not start with its frame number");
    }
    if (mCells.size() < 2 || mCells[1].empty() ||
        KMotionNumber::ScanDecimal(mCells[1].data(), mCells[1].data() + mCells[1].size()) !=
            mCells[1].size()) {
        return Fail("a frame line has no time");
    }
    oPositions.clear();
    for (std::size_t lCell = 2; lCell < mCells.size();) {
        double lValues[3] = {0.0, 0.0, 0.0};
        bool lSeen = true;
        bool lBlank = true;
        for (int c = 0; c < 3; ++c, ++lCell) {
            const std::string_view lText = lCell < mCells.size() ? mCells[lCell] : "";
            if (lText.empty()) {
                lSeen = false;
                continue;
            }
            if (!KMotionNumber::ParseDouble(lText.data(), lText.data() + lText.size(),
                                            lValues[c])) {
                return Fail("a frame line holds a cell that is no number");
            }
            lBlank = false;
        }
        // White space after the last marker the header names is no marker.
        if (lBlank && lCell >= mCells.size() && static_cast<int>(oPositions.size()) >= pCount) {
            break;
        }
        oPositions.emplace_back(lValues[0], lValues[1], lValues[2], lSeen ? 0.0 : 1.0);
    }
    return true;
}

bool KTrcFile::WriteHeader(const KOpticalMarkerHeader& pHeader)
{
    const std::string lRate = RateText(pHeader.mFrameRate);
    const double lStartFrame =
        std::nearbyint(pHeader.mStart.GetSecondDouble() * pHeader.mFrameRate + 1.0);
    if (!(std::fabs(lStartFrame) <= 2147483647.0)) {
        return Fail("the start time cannot be written as a TRC frame number");
    }
    mMarkerCount = pHeader.mMarkerCount;
    return Print(0, "PathFileType\t4\t(X/Y/Z)\tZembrol\t\n") >= 0 &&
           Print(0, "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
                    "OrigDataStartFrame\tOrigNumFrames\t\n") >= 0 &&
           Print(0, "%s\t%s\t%d\t%d\tmm\t%s\t%d\t%d\t\n", lRate.c_str(), lRate.c_str(),
                 pHeader.mFrameCount, pHeader.mMarkerCount, lRate.c_str(),
                 static_cast<int>(lStartFrame), pHeader.mFrameCount) >= 0;
}

bool KTrcFile::WriteNames(const std::vector<KString>& pNames)
{
    if (Print(0, "Frame#\tTime\t") < 0) {
        return false;
    }
    for (const KString& lName : pNames) {
        // A tab or line break would break the line apart; spaces read back as '_' anyway.
        std::string lText = lName.Buffer();
        for (char& lChar : lText) {
            lChar = std::isspace(static_cast<unsigned char>(lChar)) ? '_' : lChar;
        }
        if (Print(0, "%s\t\t\t", lText.c_str()) < 0) {
            return false;
        }
    }
    if (Print(0, "\n\t\t") < 0) {
        return false;
    }
    for (std::size_t i = 1; i <= pNames.size(); ++i) {
        const int lIndex = static_cast<int>(i);
        if (Print(0, "X%d\tY%d\tZ%d\t", lIndex, lIndex, lIndex) < 0) {
            return false;
        }
    }
    return Print(0, "\n\n") >= 0;
}

bool KTrcFile::WriteFrame(const KVector4* pPositions, int pCount, KTime pTime, int pFrame)
{
    std::string lLine = std::to_string(pFrame) + "\t";
    std::string lNumber;
    FormatFixed(pTime.GetSecondDouble(), kTimeDecimals, lNumber);
    lLine += lNumber;
    for (int i = 0; i < pCount; ++i) {
        const KVector4& lPosition = pPositions[i];
        std::string lCells;
        bool lWritten = !(lPosition[3] > 0.5);
        for (int c = 0; c < 3 && lWritten; ++c) {
            lWritten =
                FormatFixed(lPosition[c] * kMillimetresPerCentimetre, kCoordinateDecimals, lNumber);
            lCells += "\t" + lNumber;
        }
        lLine += lWritten ? lCells : "\t\t\t";
    }
    lLine += " \n";
    return Print(0, "%s", lLine.c_str()) >= 0;
}
