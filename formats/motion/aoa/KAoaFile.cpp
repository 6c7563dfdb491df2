#include "formats/motion/aoa/KAoaFile.h"

#include "formats/motion/KMotionFrameRate.h"

#include <cmath>
#include <strings.h>

namespace {

const char* const kSeparators = " \t\r\n";

} // namespace

KAoaFile::KAoaFile() : KOpticalTextFile("AOA", kSeparators) {}

bool KAoaFile::Create(const char* pPath)
{
    mUnwritable = 0;
    return KOpticalTextFile::Create(pPath);
}

bool KAoaFile::MatchWord(const char* pWord)
{
    std::string lWord;
    const std::size_t lLength = std::string(pWord).size();
    // A longer word ("framesX") is another word, not this one.
    if (!ReadWord(lWord, kMaxLineLength)) {
        return false;
    }
    return lWord.size() == lLength && strcasecmp(lWord.c_str(), pWord) == 0;
}

bool KAoaFile::ReadHeader(KOpticalMarkerHeader& oHeader)
{
    mMarkerCount = 0;
    mFramesRead = 0;
    if (!Rewind()) {
        return Fail("the file has no header line");
    }
    // Leading lines are skipped up to the header; a title line that merely starts with the
    // word "frames" is one of them.
    do {
        const std::size_t lStart = GetLine().find_first_not_of(kSeparators);
        const std::size_t lEnd = GetLine().find_first_of(kSeparators, lStart);
        const std::string lFirst =
            lStart == std::string::npos ? std::string() : GetLine().substr(lStart, lEnd - lStart);
        if (strcasecmp(lFirst.c_str(), "frames") == 0) {
            const EHeader lHeader = ReadHeaderLine(oHeader);
            if (lHeader != EHeader::eNone) {
                return lHeader == EHeader::eRead;
            }
        }
    } while (ReadLine());
    return IsCorrupt() ? false
                       : Fail("the file has no header line \"frames = N markers = M Hz = R\"");
}

KAoaFile::EHeader KAoaFile::ReadHeaderLine(KOpticalMarkerHeader& oHeader)
{
    // A title line that merely starts with the word "frames" is no header.
    if (!MatchWord("frames") || !MatchWord("=")) {
        return EHeader::eNone;
    }
    int lFrames = 0;
    int lMarkers = 0;
    double lRate = 0.0;
    if (!ReadCount("frame count", lFrames) || !ExpectAssignment("markers") ||
        !ReadCount("marker count", lMarkers) || !ExpectAssignment("Hz") || !ReadRate(lRate)) {
        return EHeader::eRefused;
    }
    mMarkerCount = lMarkers;
    oHeader.mMarkerCount = lMarkers;
    oHeader.mStart = KTime();
    oHeader.mFrameCount = lFrames;
    oHeader.mFrameRate = lRate;
    oHeader.mScale = 1.0;
    return EHeader::eRead;
}

bool KAoaFile::ReadCount(const char* pWhat, int& oCount)
{
    const std::string lToken = PeekToken();
    if (!ReadInt(oCount) || oCount < 0) {
        return !Error("the %s \"%s\" is not a whole number of 0 or more", pWhat, lToken.c_str());
    }
    return true;
}

bool KAoaFile::ExpectAssignment(const char* pWord)
{
    if (!MatchWord(pWord) || !MatchWord("=")) {
        return !Error("the header line lacks \"%s =\"", pWord);
    }
    return true;
}

bool KAoaFile::ReadRate(double& oRate)
{
    const std::string lToken = PeekToken();
    if (!ReadDouble(oRate) || !KMotionFrameRate::IsValid(oRate)) {
        return !Error("the frame rate \"%s\" is not a rate of %g to %g Hz", lToken.c_str(),
                      KMotionFrameRate::kMinFrameRate, KMotionFrameRate::kMaxFrameRate);
    }
    return true;
}

bool KAoaFile::ReadNames(std::vector<KString>& ioNames, bool /*pKeepPrefixes*/)
{
    for (std::size_t i = 0; i < ioNames.size(); ++i) {
        ioNames[i] = KString(("Marker" + std::to_string(i + 1)).c_str());
    }
    return true;
}

bool KAoaFile::ReadFrame(std::vector<KVector4>& oPositions, int pCount, KTime& ioTime, int& ioFrame,
                         KTime pPeriod, bool pZeroOccluded)
{
    oPositions.resize(static_cast<std::size_t>(pCount < 0 ? 0 : pCount));
    for (KVector4& lPosition : oPositions) {
        double lValues[3];
        if (!ReadLine()) {
            const std::string lWhy = "frame " + std::to_string(mFramesRead + 1) +
                                     ": a marker line of three numbers is missing";
            return IsCorrupt() ? false : Fail(lWhy.c_str());
        }
        for (double& lValue : lValues) {
            if (!ReadDouble(lValue)) {
                const std::string lFound =
                    AtLineEnd() ? std::string("the end of the line") : '"' + PeekToken() + '"';
                return !Error("frame %d, marker %d: expected three numbers, found %s",
                              mFramesRead + 1, static_cast<int>(&lPosition - oPositions.data()) + 1,
                              lFound.c_str());
            }
        }
        const bool lZero = lValues[0] == 0.0 && lValues[1] == 0.0 && lValues[2] == 0.0;
        const bool lFinite =
            std::isfinite(lValues[0]) && std::isfinite(lValues[1]) && std::isfinite(lValues[2]);
        lPosition = lFinite ? KVector4(lValues[0], lValues[1], lValues[2],
                                       pZeroOccluded && lZero ? 1.0 : 0.0)
                            : KVector4(0.0, 0.0, 0.0, 1.0);
    }
    ++mFramesRead;
    ++ioFrame;
    ioTime += pPeriod;
    return true;
}

bool KAoaFile::WriteHeader(const KOpticalMarkerHeader& pHeader)
{
    mMarkerCount = pHeader.mMarkerCount;
    return Print(0, "frames = %d markers = %d Hz = %g\n", pHeader.mFrameCount, pHeader.mMarkerCount,
                 pHeader.mFrameRate) >= 0;
}

bool KAoaFile::WriteNames(const std::vector<KString>& /*pNames*/)
{
    return true;
}

bool KAoaFile::WriteFrame(const KVector4* pPositions, int pCount, KTime /*pTime*/, int /*pFrame*/)
{
    for (int i = 0; i < pCount; ++i) {
        double lValues[3] = {pPositions[i][0], pPositions[i][1], pPositions[i][2]};
        if (!std::isfinite(lValues[0]) || !std::isfinite(lValues[1]) ||
            !std::isfinite(lValues[2])) {
            ++mUnwritable;
            lValues[0] = lValues[1] = lValues[2] = 0.0;
        }
        if (Print(0, "%g %g %g\n", lValues[0], lValues[1], lValues[2]) < 0) {
            return false;
        }
    }
    return true;
}

bool KAoaFile::EndWrite()
{
    if (mUnwritable > 0) {
        mWarnings += GetFileName() + ": " + std::to_string(mUnwritable) +
                     " positions that are not finite were written as 0 0 0\n";
    }
    return !KTextFile::WriteFailed();
}
