#include "formats/motion/vpm/KVpmFile.h"

#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KMotionLineScanner.h"
#include "formats/motion/KMotionNumber.h"

#include <string>

namespace {

constexpr double kFactorPerPercent = 0.01;

} // namespace

KVpmFile::KVpmFile()
    : KTextFile("VPM", " \t\r\n", nullptr, true, false), mKeywords{{"Segment:", 0},
                                                                   {"Frames:", 0},
                                                                   {"Frame Time:", 0},
                                                                   {nullptr, 0}}
{
}

std::string KVpmFile::QuoteName(const KString& pName)
{
    return std::string(pName.Buffer()).substr(0, kQuotedLength);
}

bool KVpmFile::ExpectKeyword(EKeyword pKeyword)
{
    if (MatchKeyword(mKeywords) != pKeyword) {
        Error("expected \"%s\", found \"%s\"", mKeywords[pKeyword].mKeyword, PeekToken().c_str());
        return false;
    }
    return true;
}

bool KVpmFile::ReadSegmentHeader(KString& oName, int& oFrameCount, double& oFrameTime, bool pRewind)
{
    if (!(pRewind ? Rewind() : ReadLine())) {
        return false;
    }
    KString lName;
    int lFrames = 0;
    double lFrameTime = 0.0;
    double lRate = 0.0;
    if (!ExpectKeyword(eSegment)) {
        return false;
    }
    if (!ReadWord(lName) || lName.IsEmpty()) {
        return !Error("expected a segment name");
    }
    if (!ReadLine()) {
        return !Error("the header of segment \"%s\" breaks off", QuoteName(lName).c_str());
    }
    if (!ExpectKeyword(eFrames)) {
        return false;
    }
    // Taken before the read, which moves past a number it refuses for its value.
    const std::string lCount = PeekToken();
    if (!ReadInt(lFrames) || lFrames < 0) {
        return !Error("expected a frame count, found \"%s\"", lCount.c_str());
    }
    if (!ReadLine()) {
        return !Error("the header of segment \"%s\" breaks off", QuoteName(lName).c_str());
    }
    if (!ExpectKeyword(eFrameTime)) {
        return false;
    }
    const std::string lTime = PeekToken();
    if (!ReadDouble(lFrameTime) || !KMotionFrameRate::FromFrameTime(lFrameTime, lRate)) {
        return !Error("the frame time \"%s\" is not a number of %g to %g seconds", lTime.c_str(),
                      1.0 / KMotionFrameRate::kMaxFrameRate, 1.0 / KMotionFrameRate::kMinFrameRate);
    }
    oName = lName;
    oFrameCount = lFrames;
    oFrameTime = lFrameTime;
    return true;
}

bool KVpmFile::SkipColumnTitles()
{
    return ReadLine() && ReadLine();
}

bool KVpmFile::ReadFrameNumbers(double oValues[kFrameValues])
{
    KMotionLineScanner lScanner(GetLine());
    int lRead = 0;
    while (lRead < kFrameValues && lScanner.ReadDouble(oValues[lRead])) {
        ++lRead;
    }
    if (lRead == kFrameValues) {
        return true;
    }
    // Not in the plain form: the text file's readers take the line again and name the fault.
    for (int g = 0; g < kFrameValues; g += 3) {
        if (!ReadVector3(oValues + g)) {
            return !Error("expected nine numbers, found \"%s\"", PeekToken().c_str());
        }
    }
    return true;
}

bool KVpmFile::ReadFrame(double oValues[kFrameValues])
{
    if (!ReadLine()) {
        return false;
    }
    double lValues[kFrameValues];
    if (!ReadFrameNumbers(lValues)) {
        return false;
    }
    const double lScales[3] = {kCentimetresPerInch, 1.0, kFactorPerPercent};
    for (int i = 0; i < kFrameValues; ++i) {
        lValues[i] *= lScales[i / 3];
    }
    if (!KMotionNumber::FitsFloat(lValues, kFrameValues)) {
        return !Error("value out of range");
    }
    for (int i = 0; i < kFrameValues; ++i) {
        oValues[i] = lValues[i];
    }
    return true;
}

bool KVpmFile::WriteSegmentHeader(const char* pName, int pFrameCount, double pFrameTime)
{
    return Print(0, "%s\t%s\n", mKeywords[eSegment].mKeyword, pName) >= 0 &&
           Print(0, "%s\t%d\n", mKeywords[eFrames].mKeyword, pFrameCount) >= 0 &&
           Print(0, "%s\t%g\n", mKeywords[eFrameTime].mKeyword, pFrameTime) >= 0;
}

bool KVpmFile::WriteColumnTitles()
{
    return Print(0, "XTRAN\tYTRAN\tZTRAN\tXROT\tYROT\tZROT\tXSCALE\tYSCALE\tZSCALE\n") >= 0 &&
           Print(0, "INCHES\tINCHES\tINCHES\tDEGREES\tDEGREES\tDEGREES\tPERCENT\tPERCENT\tPERCENT"
                    "\n") >= 0;
}

bool KVpmFile::WriteFrame(const KVector4& pTranslation, const KVector4& pRotation,
                          const KVector4& pScaling)
{
    return Print(0, "%g\t%g\t%g\t%g\t%g\t%g\t%g\t%g\t%g\n", pTranslation[0] * kInchesPerCentimetre,
                 pTranslation[1] * kInchesPerCentimetre, pTranslation[2] * kInchesPerCentimetre,
                 pRotation[0], pRotation[1], pRotation[2], pScaling[0] * kPercent,
                 pScaling[1] * kPercent, pScaling[2] * kPercent) >= 0;
}
