#include "formats/motion/c3d/KC3dFile.h"

#include <sys/types.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

constexpr std::uint8_t kKey = 0x50;
constexpr int kPointGroup = 1;
constexpr int kTrialGroup = 2;
// Header words, as byte offsets.
constexpr std::size_t kPointsWord = 2;
constexpr std::size_t kAnalogWord = 4;
constexpr std::size_t kFirstFrameWord = 6;
constexpr std::size_t kLastFrameWord = 8;
constexpr std::size_t kScaleFloat = 12;
constexpr std::size_t kDataStartWord = 16;
constexpr std::size_t kAnalogSamplesWord = 18;
constexpr std::size_t kRateFloat = 20;
constexpr std::size_t kEventKeyWord = 298;
constexpr std::uint16_t kEventKey = 12345;
// The events' slots in the header: count, times, display flags, labels.
constexpr std::size_t kEventCountWord = 300;
constexpr std::size_t kEventTimes = 304;
constexpr std::size_t kEventFlags = 376;
constexpr std::size_t kEventLabels = 396;
constexpr std::size_t kEventLabelLength = 4;
// A LABELS record must fit a 16-bit record offset, with room for its other fields.
constexpr std::size_t kMaxParameterData = 32000;
constexpr std::size_t kDescriptionLength = 32;
constexpr int kMaxSectionBlocks = 255;
constexpr double kMillimetresPerCentimetre = 10.0;
// Integer data: the fourth word's top bit marks a point not seen.
constexpr std::uint16_t kNotSeenWord = 0x8000;
// How far the analog rate over the point rate may be from a whole number, relative to it.
constexpr double kRatioTolerance = 1e-3;

std::string BaseName(const std::string& pPath)
{
    return pPath.substr(pPath.find_last_of('/') + 1);
}

std::string TrimRight(std::string pText)
{
    while (!pText.empty() &&
           (pText.back() == '\0' || std::isspace(static_cast<unsigned char>(pText.back())))) {
        pText.pop_back();
    }
    return pText;
}

std::string Trim(const std::string& pText)
{
    const std::string lRight = TrimRight(pText);
    const std::size_t lFirst = lRight.find_first_not_of(" \t");
    return lFirst == std::string::npos ? std::string() : lRight.substr(lFirst);
}

// "+X", "-y", "Z": the axis (0 to 2) and its sign; false for anything else.
bool ParseScreenAxis(const std::string& pText, int& oAxis, int& oSign)
{
    std::string lText = Trim(pText);
    oSign = 1;
    if (!lText.empty() && (lText[0] == '+' || lText[0] == '-')) {
        oSign = lText[0] == '-' ? -1 : 1;
        lText.erase(0, 1);
    }
    if (lText.size() != 1) {
        return false;
    }
    const char lLetter = static_cast<char>(std::toupper(static_cast<unsigned char>(lText[0])));
    if (lLetter < 'X' || lLetter > 'Z') {
        return false;
    }
    oAxis = lLetter - 'X';
    return true;
}

// Rows in parameters of at most 255 rows that each fit a record: LABELS, LABELS2 ...
void AddRowParameters(KC3dParameterBuilder& ioBuilder, const char* pName,
                      const std::vector<std::string>& pRows, std::size_t pRowLength)
{
    const std::size_t lPerPart =
        std::min<std::size_t>(KC3dFile::kMaxLabelsPerParameter, kMaxParameterData / pRowLength);
    std::size_t lDone = 0;
    for (int lPart = 1; lPart == 1 || lDone < pRows.size(); ++lPart) {
        const std::size_t lCount = std::min(lPerPart, pRows.size() - lDone);
        const std::string lName = lPart == 1 ? pName : pName + std::to_string(lPart);
        const auto lFirst = pRows.begin() + static_cast<std::ptrdiff_t>(lDone);
        ioBuilder.AddStrings(
            kPointGroup, lName.c_str(),
            std::vector<std::string>(lFirst, lFirst + static_cast<std::ptrdiff_t>(lCount)),
            pRowLength);
        lDone += lCount;
    }
}

// 1 for "LABELS", n for "LABELSn" (n from 2, no leading zero, any case); 0 for another name.
int LabelsPart(const std::string& pName)
{
    constexpr std::size_t kStemLength = 6;
    std::string lName = pName;
    for (char& lChar : lName) {
        lChar = static_cast<char>(std::toupper(static_cast<unsigned char>(lChar)));
    }
    if (lName.compare(0, kStemLength, "LABELS") != 0) {
        return 0;
    }
    const std::string lNumber = lName.substr(kStemLength);
    if (lNumber.empty()) {
        return 1;
    }
    int lPart = 0;
    const auto lResult = std::from_chars(lNumber.data(), lNumber.data() + lNumber.size(), lPart);
    const bool lWhole = lResult.ec == std::errc() && lResult.ptr == lNumber.data() + lNumber.size();
    return lWhole && lPart >= 2 && std::to_string(lPart) == lNumber ? lPart : 0;
}

std::string FourDigits(int pIndex)
{
    char lText[16];
    std::snprintf(lText, sizeof(lText), "%04d", pIndex);
    return lText;
}

} // namespace

KC3dFile::~KC3dFile()
{
    mOutput.Discard();
}

bool KC3dFile::Corrupt(const std::string& pWhy)
{
    const std::string lName = BaseName(mSource ? mSource->GetName() : mOutput.GetTarget());
    mError = lName + ": " + pWhy;
    return false;
}

bool KC3dFile::Open(std::unique_ptr<KByteSource> pSource)
{
    if (!pSource || !pSource->IsOpen()) {
        return false;
    }
    mSource = std::move(pSource);
    mFileSize = mSource->GetSize();
    mStreamPosition = UINT64_MAX;
    mChunk.clear();
    return true;
}

bool KC3dFile::Create(const char* pPath)
{
    mWriteFailed = false;
    mUnwritable = 0;
    if (!mOutput.Create(pPath)) {
        mError = std::string(pPath) + ": cannot be created";
        return false;
    }
    return true;
}

bool KC3dFile::Close()
{
    if (mSource) {
        mSource.reset();
        return true;
    }
    if (!mOutput.IsOpen()) {
        return false;
    }
    if (!mOutput.Commit()) {
        mWriteFailed = true;
        return false;
    }
    return true;
}

void KC3dFile::Discard()
{
    mOutput.Discard();
    mSource.reset();
}

bool KC3dFile::ReadBytes(std::uint64_t pOffset, std::uint8_t* oBytes, std::size_t pSize)
{
    std::FILE* lStream = mSource ? mSource->GetStream() : nullptr;
    if (!lStream || pOffset > mFileSize || pSize > mFileSize - pOffset) {
        return false;
    }
    // Frames follow each other: the stream is only moved when a read does not go on from the
    // last one.
    if (pOffset != mStreamPosition && fseeko(lStream, static_cast<off_t>(pOffset), SEEK_SET) != 0) {
        mStreamPosition = UINT64_MAX;
        return false;
    }
    const bool lRead = std::fread(oBytes, 1, pSize, lStream) == pSize;
    mStreamPosition = lRead ? pOffset + pSize : UINT64_MAX;
    return lRead;
}

bool KC3dFile::ReadHeader(KOpticalMarkerHeader& oHeader)
{
    mWarnings.clear();
    std::uint8_t lHeader[kBlockSize];
    if (!ReadBytes(0, lHeader, kBlockSize)) {
        return Corrupt("the file is shorter than a C3D header block");
    }
    if (lHeader[1] != kKey) {
        return Corrupt("not a C3D file: the header has no key");
    }
    if (!ReadParameterSection(lHeader)) {
        return false;
    }
    mPoints = KC3dEncoding::ReadWord(lHeader + kPointsWord, mProcessor);
    if (mPoints <= 0) {
        return Corrupt("the header declares no points");
    }
    mAnalog = KC3dEncoding::ReadWord(lHeader + kAnalogWord, mProcessor);
    const double lScale = KC3dEncoding::ReadFloat(lHeader + kScaleFloat, mProcessor);
    mFloatData = lScale < 0.0;
    mScale =
        !mFloatData && lScale > kMinScale && lScale < kMaxScale ? lScale : kDefaultIntegerScale;
    ReadRate(lHeader);
    ReadEvents(lHeader);
    if (!ReadLayout(lHeader)) {
        return false;
    }
    mNextFrame = mDataOffset;
    oHeader.mMarkerCount = mPoints;
    oHeader.mStart.SetSecondDouble(static_cast<double>(mFirstFrame) / mRate);
    oHeader.mFrameCount = mFrameCount;
    oHeader.mFrameRate = mRate;
    oHeader.mScale = 1.0;
    return true;
}

void KC3dFile::ReadRate(const std::uint8_t* pHeader)
{
    const double lRate = KC3dEncoding::ReadFloat(pHeader + kRateFloat, mProcessor);
    if (KMotionFrameRate::IsValid(lRate)) {
        mRate = lRate;
        return;
    }
    mRate = kDefaultRate;
    char lText[32];
    std::snprintf(lText, sizeof(lText), "%g", lRate);
    mWarnings += BaseName(mSource->GetName()) + ": the header's frame rate " + lText +
                 " is not a usable rate; the take is read at " +
                 std::to_string(static_cast<int>(kDefaultRate)) + " frames per second\n";
}

bool KC3dFile::ReadParameterSection(const std::uint8_t* pHeader)
{
    const int lParameterBlock = pHeader[0];
    if (lParameterBlock < 2) {
        return Corrupt("the parameter section pointer " + std::to_string(lParameterBlock) +
                       " does not follow the header");
    }
    const std::uint64_t lOffset = static_cast<std::uint64_t>(lParameterBlock - 1) * kBlockSize;
    std::uint8_t lPrefix[4];
    if (!ReadBytes(lOffset, lPrefix, sizeof(lPrefix))) {
        return Corrupt("the parameter section lies beyond the end of the file");
    }
    mProcessor = KC3dEncoding::FromByte(lPrefix[3]);
    const int lDataStart = KC3dEncoding::ReadWord(pHeader + kDataStartWord, mProcessor);
    if (lDataStart <= lParameterBlock) {
        return Corrupt("the data start block " + std::to_string(lDataStart) +
                       " does not follow the parameter section");
    }
    mDataOffset = static_cast<std::uint64_t>(lDataStart - 1) * kBlockSize;
    if (mDataOffset > mFileSize) {
        return Corrupt("the data start block lies beyond the end of the file");
    }
    mSection.resize(static_cast<std::size_t>(mDataOffset - lOffset));
    std::string lWhy;
    if (!ReadBytes(lOffset, mSection.data(), mSection.size()) ||
        !mParameters.Parse(mSection.data(), mSection.size(), mProcessor, lWhy)) {
        return Corrupt(lWhy.empty() ? "the parameter section cannot be read" : lWhy);
    }
    return KeepWholeParameters();
}

bool KC3dFile::KeepWholeParameters()
{
    // The points cannot be read without their own group; another group's damaged parameter is
    // left out and the rest of the file read.
    const int lPoint = mParameters.FindGroup("POINT");
    for (const KC3dParameters::Damage& lDamage : mParameters.GetDamaged()) {
        if (lDamage.mGroup == lPoint) {
            return Corrupt(lDamage.mWhy);
        }
    }
    for (const KC3dParameters::Damage& lDamage : mParameters.GetDamaged()) {
        mWarnings += BaseName(mSource->GetName()) + ": " + lDamage.mWhy + "; it is left out\n";
    }
    return true;
}

bool KC3dFile::ReadLayout(const std::uint8_t* pHeader)
{
    const std::uint64_t lPointBytes = static_cast<std::uint64_t>(mPoints) * (mFloatData ? 16 : 8);
    KC3dFrameLayout lLayout(lPointBytes, mFloatData ? 4 : 2, mFileSize - mDataOffset);
    AddAnalogFigures(pHeader, lLayout);
    AddFrameCounts(pHeader, lLayout);
    std::string lWhy;
    if (!lLayout.Resolve(lWhy)) {
        return Corrupt(lWhy);
    }
    if (lLayout.IsCountFromData()) {
        lLayout.SetFrames(CountWithoutPadding(lLayout.GetFrames(), lLayout.GetFrameBytes()));
    }
    if (lLayout.GetFrames() > static_cast<std::uint64_t>(INT_MAX)) {
        return Corrupt("the take has more frames than can be read");
    }
    mAnalog = lLayout.GetAnalog();
    mFrameCount = static_cast<int>(lLayout.GetFrames());
    const std::string lWarning = lLayout.GetWarning();
    if (!lWarning.empty()) {
        mWarnings += BaseName(mSource->GetName()) + ": " + lWarning + "\n";
    }
    return true;
}

void KC3dFile::AddAnalogFigures(const std::uint8_t* pHeader, KC3dFrameLayout& ioLayout) const
{
    ioLayout.AddAnalog("the header", KC3dEncoding::ReadWord(pHeader + kAnalogWord, mProcessor));
    const int lGroup = mParameters.FindGroup("ANALOG");
    const KC3dParameters::Parameter* lUsed = lGroup ? mParameters.Find(lGroup, "USED") : nullptr;
    const std::vector<int> lChannels = lUsed ? mParameters.GetInts(*lUsed) : std::vector<int>();
    if (lChannels.empty()) {
        return;
    }
    // The analog rate over the point rate, or else the header's samples per channel and frame.
    const KC3dParameters::Parameter* lRate = mParameters.Find(lGroup, "RATE");
    double lRatio = KC3dEncoding::ReadWord(pHeader + kAnalogSamplesWord, mProcessor);
    if (lRate && mParameters.GetNumber(*lRate, lRatio)) {
        lRatio /= mRate;
    }
    const double lWhole = std::nearbyint(lRatio);
    if (!(lWhole >= 1.0 && lWhole <= kMaxFrameWord) ||
        std::fabs(lRatio - lWhole) > kRatioTolerance * lWhole) {
        return;
    }
    ioLayout.AddAnalog("ANALOG:USED x the rate ratio",
                       static_cast<std::uint64_t>(lChannels[0] & 0xFFFF) *
                           static_cast<std::uint64_t>(lWhole));
}

void KC3dFile::AddFrameCounts(const std::uint8_t* pHeader, KC3dFrameLayout& ioLayout)
{
    const std::uint32_t lFirst = KC3dEncoding::ReadWord(pHeader + kFirstFrameWord, mProcessor);
    const std::uint32_t lLast = KC3dEncoding::ReadWord(pHeader + kLastFrameWord, mProcessor);
    mFirstFrame = lFirst;
    // A last frame of 65535 (or -1) says the take outgrew the header's words.
    if (lLast == kMaxFrameWord) {
        ioLayout.SetLongTake();
    } else if (lLast < lFirst) {
        ioLayout.AddImpossibleCount("the header", "frames " + std::to_string(lFirst) + " to " +
                                                      std::to_string(lLast));
    } else {
        ioLayout.AddCount("the header", lLast - lFirst + 1);
    }
    const int lTrial = mParameters.FindGroup("TRIAL");
    const KC3dParameters::Parameter* lStart =
        lTrial ? mParameters.Find(lTrial, "ACTUAL_START_FIELD") : nullptr;
    const KC3dParameters::Parameter* lEnd =
        lTrial ? mParameters.Find(lTrial, "ACTUAL_END_FIELD") : nullptr;
    std::uint64_t lTrialFirst = 0;
    std::uint64_t lTrialLast = 0;
    if (lStart && lEnd && ReadLongNumber(*lStart, lTrialFirst) &&
        ReadLongNumber(*lEnd, lTrialLast)) {
        mFirstFrame = static_cast<std::uint32_t>(lTrialFirst);
        ioLayout.AddCount("TRIAL:ACTUAL_START_FIELD/ACTUAL_END_FIELD",
                          lTrialLast >= lTrialFirst ? lTrialLast - lTrialFirst + 1 : 0);
    }
    AddPointFrameCounts(ioLayout);
}

void KC3dFile::AddPointFrameCounts(KC3dFrameLayout& ioLayout) const
{
    const int lPoint = mParameters.FindGroup("POINT");
    const KC3dParameters::Parameter* lFrames =
        lPoint ? mParameters.Find(lPoint, "FRAMES") : nullptr;
    // A 16-bit FRAMES counts up to 65535 (unsigned); 65535 itself is the mark of a longer take,
    // as in the header. Longer takes give it as a float.
    const std::vector<int> lWords = lFrames ? mParameters.GetInts(*lFrames) : std::vector<int>();
    std::uint64_t lCount = 0;
    if (!lWords.empty()) {
        lCount = static_cast<std::uint64_t>(lWords[0] & 0xFFFF);
        if (lCount != kMaxFrameWord) {
            ioLayout.AddCount("POINT:FRAMES", lCount);
        }
    } else if (lFrames && ReadWholeFloat(*lFrames, lCount)) {
        ioLayout.AddCount("POINT:FRAMES", lCount);
    }
    const KC3dParameters::Parameter* lLong =
        lPoint ? mParameters.Find(lPoint, "LONG_FRAMES") : nullptr;
    std::uint64_t lLongFrames = 0;
    if (lLong && ReadLongNumber(*lLong, lLongFrames)) {
        ioLayout.AddCount("POINT:LONG_FRAMES", lLongFrames);
    }
}

bool KC3dFile::ReadLongNumber(const KC3dParameters::Parameter& pParameter,
                              std::uint64_t& oValue) const
{
    // Two 16-bit words, low word first, or a float of a whole number.
    const std::vector<int> lWords = mParameters.GetInts(pParameter);
    if (lWords.size() >= 2) {
        oValue = static_cast<std::uint64_t>(lWords[0] & 0xFFFF) |
                 (static_cast<std::uint64_t>(lWords[1] & 0xFFFF) << 16);
        return true;
    }
    return ReadWholeFloat(pParameter, oValue);
}

bool KC3dFile::ReadWholeFloat(const KC3dParameters::Parameter& pParameter,
                              std::uint64_t& oValue) const
{
    double lValue = 0.0;
    if (pParameter.mType != KC3dParameters::eFloat || !mParameters.GetNumber(pParameter, lValue) ||
        !(lValue >= 0.0 && lValue <= static_cast<double>(UINT32_MAX)) ||
        lValue != std::floor(lValue)) {
        return false;
    }
    oValue = static_cast<std::uint64_t>(lValue);
    return true;
}

std::uint64_t KC3dFile::CountWithoutPadding(std::uint64_t pFrames, std::uint64_t pFrameBytes)
{
    // Writers pad the data to whole blocks: zero bytes in the last block that only look like
    // frames are not read as frames at the origin.
    if (mFileSize < kBlockSize || mFileSize % kBlockSize != 0) {
        return pFrames;
    }
    const std::uint64_t lTailStart = mFileSize - kBlockSize;
    std::uint8_t lTail[kBlockSize];
    if (!ReadBytes(lTailStart, lTail, kBlockSize)) {
        return pFrames;
    }
    while (pFrames > 0) {
        const std::uint64_t lStart = mDataOffset + (pFrames - 1) * pFrameBytes;
        if (lStart < lTailStart) {
            break;
        }
        const std::uint8_t* lFrame = lTail + (lStart - lTailStart);
        if (!std::all_of(lFrame, lFrame + pFrameBytes, [](std::uint8_t b) { return b == 0; })) {
            break;
        }
        --pFrames;
    }
    return pFrames;
}

void KC3dFile::ReadEvents(const std::uint8_t* pHeader)
{
    // The count comes from the file: it is bounded by the slots the header has.
    const int lCount =
        std::min<int>(KC3dEncoding::ReadWord(pHeader + kEventCountWord, mProcessor), kMaxEvents);
    mEvents.assign(static_cast<std::size_t>(lCount), Event());
    for (std::size_t i = 0; i < mEvents.size(); ++i) {
        mEvents[i].mTime = KC3dEncoding::ReadFloat(pHeader + kEventTimes + 4 * i, mProcessor);
        mEvents[i].mDisplayed = pHeader[kEventFlags + i] == 0;
        mEvents[i].mLabel.assign(reinterpret_cast<const char*>(pHeader) + kEventLabels +
                                     kEventLabelLength * i,
                                 kEventLabelLength);
    }
}

bool KC3dFile::ReadNames(std::vector<KString>& ioNames, bool pKeepPrefixes)
{
    mUnitFactor = 0.1;
    mAxis[0] = 0, mAxis[1] = 2, mAxis[2] = 1;
    mSign[0] = -1, mSign[1] = 1, mSign[2] = 1;
    mKeepPrefixes = pKeepPrefixes && mParameters.Find(0, "USES_PREFIXES");
    ReadUnits();
    ReadAxes();
    const std::vector<std::string> lLabels = ReadLabels();
    for (std::size_t i = 0; i < ioNames.size(); ++i) {
        std::string lName = i < lLabels.size() ? TrimRight(lLabels[i]) : std::string();
        if (!mKeepPrefixes) {
            const std::size_t lColon = lName.find(':');
            if (lColon != std::string::npos) {
                lName.erase(0, lColon + 1);
            }
            for (char& lChar : lName) {
                lChar = lChar == ':' ? '_' : lChar;
            }
        }
        // A blank label, or one that was only a prefix, is no name: two of them would clash.
        if (Trim(lName).empty()) {
            lName = FourDigits(static_cast<int>(i));
        }
        ioNames[i] = KString(lName.c_str());
    }
    mNextFrame = mDataOffset;
    return true;
}

std::vector<std::string> KC3dFile::ReadLabels() const
{
    std::vector<std::string> lLabels;
    const int lGroup = mParameters.FindGroup("POINT");
    if (lGroup == 0) {
        return lLabels;
    }
    // LABELS, then LABELS2, LABELS3 ... for files with more points than one parameter holds.
    // The parts are indexed in one pass: a lookup by name per part would cost the square of the
    // parameter count on a file of many small parts.
    std::map<int, const KC3dParameters::Parameter*> lParts;
    for (const KC3dParameters::Parameter& lParameter : mParameters.GetParameters()) {
        const int lPart = lParameter.mGroup == lGroup ? LabelsPart(lParameter.mName) : 0;
        if (lPart > 0) {
            lParts.emplace(lPart, &lParameter);
        }
    }
    for (int lPart = 1; static_cast<int>(lLabels.size()) < mPoints; ++lPart) {
        const auto lFound = lParts.find(lPart);
        if (lFound == lParts.end()) {
            break;
        }
        for (const std::string& lRow : mParameters.GetStrings(*lFound->second)) {
            if (static_cast<int>(lLabels.size()) < mPoints) {
                lLabels.push_back(lRow);
            }
        }
    }
    return lLabels;
}

void KC3dFile::ReadUnits()
{
    const int lGroup = mParameters.FindGroup("POINT");
    const KC3dParameters::Parameter* lUnits = lGroup ? mParameters.Find(lGroup, "UNITS") : nullptr;
    const std::vector<std::string> lRows =
        lUnits ? mParameters.GetStrings(*lUnits) : std::vector<std::string>();
    const std::string lText = lRows.empty() ? std::string() : Trim(lRows[0]);
    if (lText.empty()) {
        return;
    }
    const char lFirst = static_cast<char>(std::tolower(static_cast<unsigned char>(lText[0])));
    const char lSecond = lText.size() > 1
                             ? static_cast<char>(std::tolower(static_cast<unsigned char>(lText[1])))
                             : '\0';
    if (lFirst == 'c') {
        mUnitFactor = 1.0;
    } else if (lFirst == 'f') {
        mUnitFactor = 30.48;
    } else if (lFirst == 'i') {
        mUnitFactor = 2.54;
    } else if (lFirst == 'm') {
        mUnitFactor = lSecond == 'm' ? 0.1 : 100.0;
    }
}

void KC3dFile::ReadAxes()
{
    const int lGroup = mParameters.FindGroup("POINT");
    const KC3dParameters::Parameter* lX = lGroup ? mParameters.Find(lGroup, "X_SCREEN") : nullptr;
    const KC3dParameters::Parameter* lY = lGroup ? mParameters.Find(lGroup, "Y_SCREEN") : nullptr;
    if (!lX || !lY) {
        return;
    }
    const std::vector<std::string> lXRows = mParameters.GetStrings(*lX);
    const std::vector<std::string> lYRows = mParameters.GetStrings(*lY);
    if (!lXRows.empty() && !lYRows.empty()) {
        MapAxes(lXRows[0], lYRows[0], mAxis, mSign);
    }
}

bool KC3dFile::MapAxes(const std::string& pXScreen, const std::string& pYScreen, int oAxis[3],
                       int oSign[3])
{
    int lRight = 0;
    int lRightSign = 1;
    int lUp = 0;
    int lUpSign = 1;
    if (!ParseScreenAxis(pXScreen, lRight, lRightSign) ||
        !ParseScreenAxis(pYScreen, lUp, lUpSign) || lRight == lUp) {
        return false;
    }
    const int lThird = 3 - lRight - lUp;
    // scene = M * file; M has one entry per row and column.
    int lMatrix[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    lMatrix[0][lRight] = -lRightSign;
    lMatrix[1][lUp] = lUpSign;
    lMatrix[2][lThird] = 1;
    const int lDeterminant =
        lMatrix[0][0] * (lMatrix[1][1] * lMatrix[2][2] - lMatrix[1][2] * lMatrix[2][1]) -
        lMatrix[0][1] * (lMatrix[1][0] * lMatrix[2][2] - lMatrix[1][2] * lMatrix[2][0]) +
        lMatrix[0][2] * (lMatrix[1][0] * lMatrix[2][1] - lMatrix[1][1] * lMatrix[2][0]);
    oAxis[lRight] = 0, oSign[lRight] = -lRightSign;
    oAxis[lUp] = 1, oSign[lUp] = lUpSign;
    oAxis[lThird] = 2, oSign[lThird] = lDeterminant > 0 ? 1 : -1;
    return true;
}

bool KC3dFile::ReadTimeCode(int oParts[4]) const
{
    const KC3dParameters::Parameter* lParameter = mParameters.Find(0, "TIMECODES");
    const std::vector<int> lValues =
        lParameter ? mParameters.GetInts(*lParameter) : std::vector<int>();
    if (lValues.size() < 4) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (lValues[static_cast<std::size_t>(i)] < 0) {
            return false;
        }
        oParts[i] = lValues[static_cast<std::size_t>(i)];
    }
    return true;
}

const std::uint8_t* KC3dFile::FrameBytes(std::uint64_t pSize)
{
    // Frames are read a chunk of many at a time; a chunk always ends on a frame boundary.
    if (mNextFrame >= mChunkStart && mNextFrame + pSize <= mChunkStart + mChunk.size()) {
        return mChunk.data() + (mNextFrame - mChunkStart);
    }
    const std::uint64_t lFrames =
        std::max<std::uint64_t>(1, kChunkSize / std::max<std::uint64_t>(pSize, 1));
    const std::uint64_t lSize = std::min(lFrames * pSize, (mFileSize - mNextFrame) / pSize * pSize);
    mChunk.resize(static_cast<std::size_t>(lSize));
    mChunkStart = mNextFrame;
    if (!ReadBytes(mNextFrame, mChunk.data(), mChunk.size())) {
        mChunk.clear();
        return nullptr;
    }
    return mChunk.data();
}

bool KC3dFile::ReadFrame(std::vector<KVector4>& oPositions, int /*pCount*/, KTime& ioTime,
                         int& ioFrame, KTime pPeriod, bool /*pZeroOccluded*/)
{
    const std::size_t lPointSize = mFloatData ? 16 : 8;
    const std::uint64_t lSize = static_cast<std::uint64_t>(mPoints) * lPointSize +
                                static_cast<std::uint64_t>(mAnalog) * (mFloatData ? 4 : 2);
    if (mNextFrame > mFileSize || lSize > mFileSize - mNextFrame) {
        return Corrupt("frame " + std::to_string(ioFrame + 1) + ": the file ends inside the frame");
    }
    const std::uint8_t* lFrame = FrameBytes(lSize);
    if (!lFrame) {
        return Corrupt("frame " + std::to_string(ioFrame + 1) + ": cannot be read");
    }
    oPositions.resize(static_cast<std::size_t>(mPoints));
    switch (mProcessor) {
    case KC3dEncoding::eDec:
        DecodePoints<KC3dEncoding::eDec>(lFrame, oPositions);
        break;
    case KC3dEncoding::eMips:
        DecodePoints<KC3dEncoding::eMips>(lFrame, oPositions);
        break;
    default:
        DecodePoints<KC3dEncoding::eIntel>(lFrame, oPositions);
        break;
    }
    mNextFrame += lSize;
    ++ioFrame;
    ioTime += pPeriod;
    return true;
}

// One frame's points; the processor is a template argument so that the compiler sees its
// byte order and float layout in the inner loop.
template <KC3dEncoding::EProcessor Processor>
void KC3dFile::DecodePoints(const std::uint8_t* pFrame, std::vector<KVector4>& oPositions) const
{
    // Each file axis goes to its scene axis, times its sign and the units (and the scale of
    // integer data).
    double lFactors[3];
    for (int i = 0; i < 3; ++i) {
        lFactors[i] = mSign[i] * mUnitFactor * (mFloatData ? 1.0 : mScale);
    }
    const std::size_t lPointSize = mFloatData ? 16 : 8;
    for (std::size_t p = 0; p < oPositions.size(); ++p) {
        const std::uint8_t* lPoint = pFrame + p * lPointSize;
        double lValues[3];
        bool lSeen = true;
        if (mFloatData) {
            for (int i = 0; i < 3; ++i) {
                lValues[i] = KC3dEncoding::ReadFloat(lPoint + 4 * i, Processor);
            }
            const double lResidual = KC3dEncoding::ReadFloat(lPoint + 12, Processor);
            lSeen = !(std::isnan(lResidual) || lResidual <= -1.0);
        } else {
            for (int i = 0; i < 3; ++i) {
                lValues[i] = KC3dEncoding::ReadInt16(lPoint + 2 * i, Processor);
            }
            lSeen = KC3dEncoding::ReadInt16(lPoint + 6, Processor) >= 0;
        }
        // A value that is not finite (DEC reserved operands, IEEE infinities) makes the point
        // unseen.
        if (!std::isfinite(lValues[0] + lValues[1] + lValues[2])) {
            lSeen = false;
            lValues[0] = lValues[1] = lValues[2] = 0.0;
        }
        KVector4& lPosition = oPositions[p];
        for (int i = 0; i < 3; ++i) {
            lPosition[mAxis[i]] = lFactors[i] * lValues[i];
        }
        lPosition[3] = lSeen ? 0.0 : 1.0;
    }
}

bool KC3dFile::Put(const std::uint8_t* pBytes, std::size_t pSize)
{
    std::FILE* lStream = mOutput.GetStream();
    // No bytes, no call: the buffer of an empty frame has no storage, and fwrite's pointer must
    // not be null even for a size of 0.
    if (pSize == 0 && !mWriteFailed && lStream) {
        return true;
    }
    if (mWriteFailed || !lStream || std::fwrite(pBytes, 1, pSize, lStream) != pSize) {
        mWriteFailed = true;
        mError = BaseName(mOutput.GetTarget()) + ": the file cannot be written";
        return false;
    }
    return true;
}

bool KC3dFile::WriteHeader(const KOpticalMarkerHeader& pHeader)
{
    if (pHeader.mMarkerCount < 0 || pHeader.mMarkerCount > kMaxPoints) {
        return Corrupt("C3D holds at most " + std::to_string(kMaxPoints) + " markers");
    }
    // A header of no points is refused on reading.
    if (pHeader.mMarkerCount == 0) {
        return Corrupt("no marker to write: the C3D format holds at least one");
    }
    const double lFirst = std::nearbyint(pHeader.mStart.GetSecondDouble() * pHeader.mFrameRate);
    if (!(lFirst >= 0.0) || lFirst + pHeader.mFrameCount > static_cast<double>(UINT32_MAX)) {
        return Corrupt("C3D frame numbers cannot start at time " +
                       std::to_string(pHeader.mStart.GetSecondDouble()) + " s");
    }
    mHeader = pHeader;
    mFloatData = pHeader.mScale < 0.0;
    mWriteFirst = static_cast<std::int64_t>(lFirst);
    // An empty take starting at frame 0 would need the last frame -1.
    if (pHeader.mFrameCount == 0 && mWriteFirst == 0) {
        mWriteFirst = 1;
    }
    return true;
}

bool KC3dFile::BuildParameters(const std::vector<KString>& pNames,
                               std::vector<std::uint8_t>& oSection)
{
    std::size_t lLongest = 0;
    for (const KString& lName : pNames) {
        const std::size_t lLength = std::strlen(lName.Buffer());
        if (lLength > kMaxNameLength) {
            return Corrupt("the marker name \"" + std::string(lName.Buffer()).substr(0, 40) +
                           "...\" is longer than C3D's " + std::to_string(kMaxNameLength) +
                           " characters");
        }
        lLongest = lLength > lLongest ? lLength : lLongest;
    }
    const std::int64_t lLast = mWriteFirst + mHeader.mFrameCount - 1;
    const bool lLong = lLast > static_cast<std::int64_t>(kMaxFrameWord) ||
                       mHeader.mFrameCount > static_cast<int>(kMaxFrameWord);
    const double lScale = mFloatData ? -1.0 : kIntegerScale;
    // The data start is only known once the section's size is: build it twice.
    int lBlocks = 0;
    for (int lPass = 0; lPass < 2; ++lPass) {
        KC3dParameterBuilder lBuilder;
        lBuilder.AddGroup(kPointGroup, "POINT");
        lBuilder.AddInt16(kPointGroup, "USED", static_cast<std::uint16_t>(mHeader.mMarkerCount));
        if (mHeader.mFrameCount <= kMaxShortFrames) {
            lBuilder.AddInt16(kPointGroup, "FRAMES",
                              static_cast<std::uint16_t>(mHeader.mFrameCount));
        } else {
            lBuilder.AddFloat(kPointGroup, "FRAMES", mHeader.mFrameCount);
        }
        lBuilder.AddInt16(kPointGroup, "DATA_START", static_cast<std::uint16_t>(lBlocks + 2));
        lBuilder.AddFloat(kPointGroup, "SCALE", lScale);
        lBuilder.AddFloat(kPointGroup, "RATE", mHeader.mFrameRate);
        lBuilder.AddString(kPointGroup, "X_SCREEN", "+X");
        lBuilder.AddString(kPointGroup, "Y_SCREEN", "+Z");
        lBuilder.AddString(kPointGroup, "UNITS", "mm  ");
        std::vector<std::string> lLabels;
        for (const KString& lName : pNames) {
            lLabels.emplace_back(lName.Buffer());
        }
        AddRowParameters(lBuilder, "LABELS", lLabels, lLongest + 1);
        AddRowParameters(lBuilder, "DESCRIPTIONS", std::vector<std::string>(pNames.size()),
                         kDescriptionLength);
        if (lLong) {
            lBuilder.AddGroup(kTrialGroup, "TRIAL");
            lBuilder.AddInt32Pair(kTrialGroup, "ACTUAL_START_FIELD",
                                  static_cast<std::uint32_t>(mWriteFirst));
            lBuilder.AddInt32Pair(kTrialGroup, "ACTUAL_END_FIELD",
                                  static_cast<std::uint32_t>(lLast < 0 ? 0 : lLast));
        }
        oSection = lBuilder.Finish(lBlocks);
    }
    if (lBlocks > kMaxSectionBlocks) {
        return Corrupt("the marker names need more than " + std::to_string(kMaxSectionBlocks) +
                       " parameter blocks");
    }
    return true;
}

bool KC3dFile::WriteNames(const std::vector<KString>& pNames)
{
    std::vector<std::uint8_t> lSection;
    if (!BuildParameters(pNames, lSection)) {
        return false;
    }
    const int lBlocks = static_cast<int>(lSection.size() / kBlockSize);
    const std::int64_t lLast = mWriteFirst + mHeader.mFrameCount - 1;
    const auto lWord = [](std::int64_t pValue) {
        return static_cast<std::uint16_t>(pValue > static_cast<std::int64_t>(kMaxFrameWord)
                                              ? kMaxFrameWord
                                              : static_cast<std::uint32_t>(pValue));
    };
    std::uint8_t lHeader[kBlockSize] = {};
    lHeader[0] = 2;
    lHeader[1] = kKey;
    KC3dEncoding::WriteWord(lHeader + kPointsWord,
                            static_cast<std::uint16_t>(mHeader.mMarkerCount));
    KC3dEncoding::WriteWord(lHeader + kFirstFrameWord, lWord(mWriteFirst));
    KC3dEncoding::WriteWord(lHeader + kLastFrameWord, lWord(lLast < 0 ? 0 : lLast));
    KC3dEncoding::WriteDecFloat(lHeader + kScaleFloat, mFloatData ? -1.0 : kIntegerScale);
    KC3dEncoding::WriteWord(lHeader + kDataStartWord, static_cast<std::uint16_t>(2 + lBlocks));
    KC3dEncoding::WriteWord(lHeader + kAnalogSamplesWord, 1);
    KC3dEncoding::WriteDecFloat(lHeader + kRateFloat, mHeader.mFrameRate);
    KC3dEncoding::WriteWord(lHeader + kEventKeyWord, kEventKey);
    return Put(lHeader, kBlockSize) && Put(lSection.data(), lSection.size());
}

void KC3dFile::EncodePoint(const KVector4& pPosition, std::uint8_t* oPoint)
{
    // Scene (x, y, z) in centimetres to file (-x, z, y) in millimetres.
    const double lFile[3] = {-pPosition[0] * kMillimetresPerCentimetre,
                             pPosition[2] * kMillimetresPerCentimetre,
                             pPosition[1] * kMillimetresPerCentimetre};
    const bool lSeen = !(pPosition[3] > 0.5);
    if (mFloatData) {
        bool lWritable = true;
        for (int i = 0; i < 3 && lWritable; ++i) {
            lWritable = KC3dEncoding::WriteDecFloat(oPoint + 4 * i, lFile[i]);
        }
        if (lWritable) {
            KC3dEncoding::WriteDecFloat(oPoint + 12, lSeen ? 0.0 : -1.0);
            return;
        }
        ++mUnwritable;
        std::memset(oPoint, 0, 12);
        KC3dEncoding::WriteDecFloat(oPoint + 12, -1.0);
        return;
    }
    std::int16_t lWords[3];
    for (int i = 0; i < 3; ++i) {
        const double lValue = std::trunc(lFile[i] / kIntegerScale);
        if (!(std::fabs(lValue) <= static_cast<double>(INT16_MAX))) {
            ++mUnwritable;
            std::memset(oPoint, 0, 6);
            KC3dEncoding::WriteWord(oPoint + 6, kNotSeenWord);
            return;
        }
        lWords[i] = static_cast<std::int16_t>(lValue);
    }
    for (int i = 0; i < 3; ++i) {
        KC3dEncoding::WriteWord(oPoint + 2 * i, static_cast<std::uint16_t>(lWords[i]));
    }
    KC3dEncoding::WriteWord(oPoint + 6, lSeen ? 0 : kNotSeenWord);
}

bool KC3dFile::WriteFrame(const KVector4* pPositions, int pCount, KTime /*pTime*/, int /*pFrame*/)
{
    const std::size_t lPointSize = mFloatData ? 16 : 8;
    mFrame.assign(static_cast<std::size_t>(pCount) * lPointSize, 0);
    for (int i = 0; i < pCount; ++i) {
        EncodePoint(pPositions[i], mFrame.data() + static_cast<std::size_t>(i) * lPointSize);
    }
    return Put(mFrame.data(), mFrame.size());
}

bool KC3dFile::EndWrite()
{
    if (mUnwritable > 0) {
        mWarnings += BaseName(mOutput.GetTarget()) + ": " + std::to_string(mUnwritable) +
                     " positions C3D cannot hold were written as not seen\n";
    }
    return !mWriteFailed;
}
