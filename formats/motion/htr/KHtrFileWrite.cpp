// The print operations of KHtrFile, for the writer.
#include "formats/motion/htr/KHtrFile.h"

#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KMotionNumber.h"

#include <cmath>
#include <cstring>

namespace {

// Significant digits of a written rate: the "%g" default, and as many as a double needs.
constexpr int kRateDigits = 6;
constexpr int kMaxRateDigits = 17;

// -0 prints as "-0"; a written file has no use for it.
double Unsigned0(double pValue)
{
    return pValue == 0.0 ? 0.0 : pValue;
}

} // namespace

bool KHtrFile::IsWritableName(const char* pName)
{
    if (pName == nullptr || pName[0] == '\0' || pName[0] == '#' || pName[0] == '[' ||
        std::strlen(pName) > kMaxNameLength) {
        return false;
    }
    return std::strpbrk(pName, " \t\r\n") == nullptr && std::strcmp(pName, kGlobalParent) != 0;
}

bool KHtrFile::WriteHeader(int pSegments, int pFrames, double pRate)
{
    if (pSegments <= 0 || pFrames < 0 || !KMotionFrameRate::IsValid(pRate)) {
        return Fail("cannot write %d segments, %d frames at %g frames per second", pSegments,
                    pFrames, pRate);
    }
    // The fewest digits that give the rate back: its time mode for a standard rate, the
    // number itself for any other.
    int lMode = 0;
    KMotionFrameRate::ToTimeMode(pRate, lMode);
    std::string lRate;
    for (int lDigits = kRateDigits; lDigits <= kMaxRateDigits; ++lDigits) {
        lRate.clear();
        KMotionNumber::AppendGeneral(lRate, pRate, lDigits);
        double lPrinted = 0.0;
        int lPrintedMode = -1;
        KMotionNumber::ParseDouble(lRate.data(), lRate.data() + lRate.size(), lPrinted);
        KMotionFrameRate::ToTimeMode(lPrinted, lPrintedMode);
        if (lMode == 0 ? lPrinted == pRate : lPrintedMode == lMode) {
            break;
        }
    }
    return Print(0, "[Header]\nFileType HTR\nDataType HTRS\nFileVersion 1\n") >= 0 &&
           Print(0, "NumSegments %d\nNumFrames %d\nDataFrameRate %s\n", pSegments, pFrames,
                 lRate.c_str()) >= 0 &&
           Print(0, "EulerRotationOrder ZYX\nCalibrationUnits mm\nRotationUnits Degrees\n") >= 0 &&
           Print(0, "GlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n") >= 0;
}

bool KHtrFile::WriteHierarchyTitle()
{
    return Print(0, "[SegmentNames&Hierarchy]\n") >= 0;
}

bool KHtrFile::WriteHierarchyLine(const char* pName, const char* pParent)
{
    const char* lParent = pParent == nullptr || pParent[0] == '\0' ? kGlobalParent : pParent;
    if (!IsWritableName(pName) || (lParent != kGlobalParent && !IsWritableName(lParent))) {
        return Fail("cannot write the segment name \"%s\"", Quoted(pName ? pName : "").c_str());
    }
    return Print(0, "%s\t%s\n", pName, lParent) >= 0;
}

bool KHtrFile::WriteBaseTitle()
{
    return Print(0, "[BasePosition]\n") >= 0;
}

bool KHtrFile::WriteBaseLine(const char* pName, double pTx, double pTy, double pTz, double pRx,
                             double pRy, double pRz, double pLength)
{
    if (!IsWritableName(pName)) {
        return Fail("cannot write the segment name \"%s\"", Quoted(pName ? pName : "").c_str());
    }
    const double lValues[7] = {pTx, pTy, pTz, pRx, pRy, pRz, pLength};
    for (double lValue : lValues) {
        if (!std::isfinite(lValue)) {
            return Fail("cannot write a non-finite base position of \"%s\"", Quoted(pName).c_str());
        }
    }
    return Print(0, "%s\t%g\t%g\t%g\t%g\t%g\t%g\t%g\n", pName, Unsigned0(pTx), Unsigned0(pTy),
                 Unsigned0(pTz), Unsigned0(pRx), Unsigned0(pRy), Unsigned0(pRz),
                 Unsigned0(pLength)) >= 0;
}

bool KHtrFile::WriteFrameTitle(const char* pName)
{
    if (!IsWritableName(pName)) {
        return Fail("cannot write the segment name \"%s\"", Quoted(pName ? pName : "").c_str());
    }
    return Print(0, "[%s]\n", pName) >= 0;
}

bool KHtrFile::WriteFrameLine(int pFrame, double pTx, double pTy, double pTz, double pRx,
                              double pRy, double pRz)
{
    const double lValues[6] = {pTx, pTy, pTz, pRx, pRy, pRz};
    for (double lValue : lValues) {
        if (!std::isfinite(lValue)) {
            return Fail("cannot write a non-finite value in frame %d", pFrame);
        }
    }
    return Print(0, "%d\t%g\t%g\t%g\t%g\t%g\t%g\t1.0\n", pFrame, Unsigned0(pTx), Unsigned0(pTy),
                 Unsigned0(pTz), Unsigned0(pRx), Unsigned0(pRy), Unsigned0(pRz)) >= 0;
}

bool KHtrFile::WriteEnd()
{
    return Print(0, "[EndOfFile]\n") >= 0;
}
