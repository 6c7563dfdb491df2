#ifndef RYVKIT_FORMATS_MOTION_MOV_KMOVFILE_H
#define RYVKIT_FORMATS_MOTION_MOV_KMOVFILE_H

#include "formats/motion/KTextFile.h"

// A MOV motion table: no header, no comments, one line per frame holding the frame's time in
// seconds and then, per object, the translation, rotation (Euler X, Y, Z in degrees) and scaling
// triples that the options choose. Based on KTextFile with the format name "MOV", separators
// space, tab, CR and LF, no comment characters, case-sensitive, reporting off.
class KMovFile : public KTextFile
{
public:
    KMovFile();

    // Rewinds and counts the numbers of the first line; false when anything but numbers stands
    // on it or there is no line.
    bool CountColumns(int& oCount);
    // Loads the next line (the first when pRewind) and reads up to pCount numbers from it into
    // pValues; the cells missing from the line, or from the first that is no number on, are set
    // to 0 and not counted in oRead. False only when no line could be read.
    bool ReadRow(double* pValues, int pCount, bool pRewind, int& oRead);

private:
    // Up to pCount numbers of the current line when all of them are in the plain form
    // (KMotionLineScanner): the count read, fewer at the end of the line; -1 for any other line.
    int ScanPlainRow(double* pValues, int pCount) const;
};

#endif
