#ifndef RYVKIT_FORMATS_MOTION_TRC_KTRCFILE_H
#define RYVKIT_FORMATS_MOTION_TRC_KTRCFILE_H

#include "formats/motion/KOpticalTextFile.h"

#include <string>
#include <string_view>
#include <vector>

// A TRC marker file: three header lines (file type 3 or 4, titles, values with the units m, cm
// or mm), a line of marker names, a line of X/Y/Z titles, then one tab-separated line per frame
// with the frame number, the time in seconds and x, y, z per marker, empty cells for a marker not
// seen. Header and coordinate title lines take any run of blanks and tabs as one separator;
// name lines collapse runs of tabs (and of spaces in a file whose first line has no tab). A
// frame line with a tab has tab-separated cells with blanks around a number allowed; one without
// a tab has cells that each end at one space; an empty cell is a coordinate not seen. A frame
// line that ends early leaves its missing markers not seen, and one with more triples than the
// header's markers holds extra markers.
// A frame line the file ends inside (no line break after it) is read with a warning: the file
// may have been cut short.
//
// Written files end their lines in LF; coordinates are millimetres with five decimals, the rate
// with two decimals unless it needs more. A position that is not finite is written as not seen.
class KTrcFile : public KOpticalTextFile
{
public:
    KTrcFile();

    bool ReadHeader(KOpticalMarkerHeader& oHeader) override;
    // Spaces in names become '_'; a name holding "Unnamed" becomes "*Unnamed_<position>".
    bool ReadNames(std::vector<KString>& ioNames, bool pKeepPrefixes) override;
    bool ReadFrame(std::vector<KVector4>& oPositions, int pCount, KTime& ioTime, int& ioFrame,
                   KTime pPeriod, bool pZeroOccluded) override;
    // Hands back the room of a frame line's cells (three a marker).
    bool EndRead() override;

    bool WriteHeader(const KOpticalMarkerHeader& pHeader) override;
    bool WriteNames(const std::vector<KString>& pNames) override;
    bool WriteFrame(const KVector4* pPositions, int pCount, KTime pTime, int pFrame) override;
    bool EndWrite() override { return !KTextFile::WriteFailed(); }

    // "%.<pDecimals>f" in the C locale; false for a value that is not finite.
    static bool FormatFixed(double pValue, int pDecimals, std::string& oText);

private:
    bool IsCellSeparator(char pChar) const;
    // The next cell of a header or name line (spaces around it removed with pTrim); false at
    // the end of the line.
    bool ReadCell(std::string& oCell, bool pTrim = true);
    bool ReadTitles(int pType);
    bool ReadValues(int pType, KOpticalMarkerHeader& oHeader);
    void SplitFrameCells(const std::string& pLine);
    bool ParseFrameLine(const std::string& pLine, int pCount, std::vector<KVector4>& oPositions);

    // Name cells are separated by spaces as well as tabs.
    bool mSpaceSeparated = false;
    // Blanks separate the cells of the lines being read (the header and title lines).
    bool mBlankCells = false;
    // The cells of the frame line being read (views into the line).
    std::vector<std::string_view> mCells;
    int mMarkerCount = 0;
    int mFramesRead = 0;
};

#endif
