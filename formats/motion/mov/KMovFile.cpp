#include "formats/motion/mov/KMovFile.h"

KMovFile::KMovFile() : KTextFile("MOV", " \t\r\n", nullptr, true, false) {}

bool KMovFile::CountLines(std::int64_t& oCount)
{
    std::int64_t lCount = 0;
    for (bool lLine = Rewind(); lLine; lLine = ReadLine()) {
        ++lCount;
    }
    if (lCount == 0 || IsCorrupt()) {
        return false;
    }
    oCount = lCount;
    return true;
}

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

bool KMovFile::ReadRow(double* pValues, int pCount, bool pRewind, int& oRead)
{
    if (!(pRewind ? Rewind() : ReadLine())) {
        return false;
    }
    int lRead = 0;
    while (lRead < pCount && ReadDouble(pValues[lRead])) {
        ++lRead;
    }
    for (int i = lRead; i < pCount; ++i) {
        pValues[i] = 0.0;
    }
    oRead = lRead;
    return true;
}
