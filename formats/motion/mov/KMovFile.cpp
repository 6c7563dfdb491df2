#include "formats/motion/mov/KMovFile.h"

#include "formats/motion/KMotionLineScanner.h"

KMovFile::KMovFile() : KTextFile("MOV", " \t\r\n", nullptr, true, false) {}

bool KMovFile::CountColumns(int& oCount)
{
    if (!Rewind()) {
        return false;
    }
    int lCount = 0;
    double lValue = 0.0;
    while (ReadDouble(lValue)) {
        ++lCount;
    }
    if (!AtLineEnd()) {
        Error("expected numbers only, found \"%s\"", PeekToken().c_str());
        return false;
    }
    oCount = lCount;
    return true;
}

int KMovFile::ScanPlainRow(double* pValues, int pCount) const
{
    KMotionLineScanner lScanner(GetLine());
    int lRead = 0;
    for (; lRead < pCount && !lScanner.AtEnd(); ++lRead) {
        if (!lScanner.ReadDouble(pValues[lRead])) {
            return -1;
        }
    }
    return lRead;
}

bool KMovFile::ReadRow(double* pValues, int pCount, bool pRewind, int& oRead)
{
    if (!(pRewind ? Rewind() : ReadLine())) {
        return false;
    }
    int lRead = ScanPlainRow(pValues, pCount);
    if (lRead < 0) {
        // Not in the plain form: the text file's reader takes the row again from its start.
        lRead = 0;
        while (lRead < pCount && ReadDouble(pValues[lRead])) {
            ++lRead;
        }
    }
    for (int i = lRead; i < pCount; ++i) {
        pValues[i] = 0.0;
    }
    oRead = lRead;
    return true;
}
