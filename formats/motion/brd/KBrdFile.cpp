#include "formats/motion/brd/KBrdFile.h"

#include "formats/motion/KMotionLineScanner.h"
#include "formats/motion/KMotionNumber.h"

#include <cmath>

namespace {

constexpr double kMicroseconds = 1.0e6;

} // namespace

KBrdFile::KBrdFile() : KTextFile("BRD", " \t\r\n", nullptr, true, false) {}

bool KBrdFile::ReadSample(KBrdSample& oSample, bool pRewind)
{
    if (!(pRewind ? Rewind() : ReadLine())) {
        return false;
    }
    return ParseSample(oSample);
}

bool KBrdFile::ReadLetter(char pLetter)
{
    char lChar = 0;
    if (!GetChar(lChar) || lChar != pLetter) {
        return false;
    }
    ReadChar(lChar);
    SkipSeparators();
    return true;
}

bool KBrdFile::ScanPlainSample(KBrdSample& oSample, double& oMicroseconds) const
{
    KMotionLineScanner lScanner(GetLine());
    return lScanner.ReadInt(oSample.mFrame) && lScanner.ReadInt(oSample.mId) &&
           lScanner.ReadLetter('P') && lScanner.ReadDouble(oSample.mPosition[0]) &&
           lScanner.ReadDouble(oSample.mPosition[1]) && lScanner.ReadDouble(oSample.mPosition[2]) &&
           lScanner.ReadLetter('Q') && lScanner.ReadDouble(oSample.mQuaternion[0]) &&
           lScanner.ReadDouble(oSample.mQuaternion[1]) &&
           lScanner.ReadDouble(oSample.mQuaternion[2]) &&
           lScanner.ReadDouble(oSample.mQuaternion[3]) && lScanner.ReadDouble(oSample.mSeconds) &&
           lScanner.ReadDouble(oMicroseconds);
}

bool KBrdFile::ReadFields(KBrdSample& oSample, double& oMicroseconds)
{
    if (!ReadInt(oSample.mFrame) || !ReadInt(oSample.mId)) {
        return !Error("expected a frame number and a sensor id, found \"%s\"", PeekToken().c_str());
    }
    if (!ReadLetter('P') || !ReadVector3(oSample.mPosition) || !ReadLetter('Q') ||
        !ReadDouble(oSample.mQuaternion[0]) || !ReadDouble(oSample.mQuaternion[1]) ||
        !ReadDouble(oSample.mQuaternion[2]) || !ReadDouble(oSample.mQuaternion[3]) ||
        !ReadDouble(oSample.mSeconds) || !ReadDouble(oMicroseconds)) {
        return !Error("expected \"P x y z Q qx qy qz qw seconds microseconds\", found \"%s\"",
                      PeekToken().c_str());
    }
    return true;
}

bool KBrdFile::ParseSample(KBrdSample& oSample)
{
    KBrdSample lSample;
    double lMicroseconds = 0.0;
    // Lines in the plain form need none of the text file's cursor work; any other line is read
    // again from its start by the text file's readers, which take every form and name the fault.
    if (!ScanPlainSample(lSample, lMicroseconds) && !ReadFields(lSample, lMicroseconds)) {
        return false;
    }
    lSample.mSeconds += lMicroseconds / kMicroseconds;
    if (!KMotionNumber::FitsFloat(lSample.mPosition, 3) ||
        !KMotionNumber::FitsFloat(lSample.mQuaternion, 4)) {
        return !Error("value out of range");
    }
    if (!(std::fabs(lSample.mSeconds) <= kMaxSeconds)) {
        return !Error("time stamp out of range");
    }
    oSample = lSample;
    return true;
}

bool KBrdFile::WriteSample(int pFrame, int pId, const double pPosition[3],
                           const double pQuaternion[4], double pSeconds)
{
    const double lWhole = std::trunc(pSeconds);
    const double lMicroseconds = (pSeconds - lWhole) * kMicroseconds;
    return Print(0, "%d\t%d\tP\t%g\t%g\t%g\tQ\t%g\t%g\t%g\t%g\t%g\t%g\n", pFrame, pId, pPosition[0],
                 pPosition[1], pPosition[2], pQuaternion[0], pQuaternion[1], pQuaternion[2],
                 pQuaternion[3], lWhole, lMicroseconds) >= 0;
}
