#include "formats/motion/asf-amc/KAmcFile.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KAsfFile.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"

#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace {

bool IsSeparatorChar(char pChar)
{
    // A lookup table: this runs for every character of every bone line.
    static const std::array<bool, 256> sTable = [] {
        std::array<bool, 256> lTable{};
        for (const char* lChar = KAsfFile::kSeparators; *lChar != '\0'; ++lChar) {
            lTable[static_cast<unsigned char>(*lChar)] = true;
        }
        return lTable;
    }();
    return sTable[static_cast<unsigned char>(pChar)];
}

const char* SkipSeparatorsIn(const char* pPos, const char* pEnd)
{
    while (pPos < pEnd && IsSeparatorChar(*pPos)) {
        ++pPos;
    }
    return pPos;
}

const char* WordEnd(const char* pPos, const char* pEnd)
{
    while (pPos < pEnd && !IsSeparatorChar(*pPos)) {
        ++pPos;
    }
    return pPos;
}

// The keywords of the format; only the rate, the range and the format word carry anything.
bool IsKnownKeyword(const std::string& pKeyword)
{
    static const char* const kKeywords[] = {
        ":format",      ":fully-specified", ":degrees",
        ":asf-file",    ":asf-path",        ":samples-per-second",
        ":frame-range", ":keyframe-list",   ":smpte"};
    for (const char* lKeyword : kKeywords) {
        if (pKeyword == lKeyword) {
            return true;
        }
    }
    return false;
}

// pCount periods, false when the ticks would leave a quarter of the 64-bit range.
bool PeriodsToTime(KTime pPeriod, std::int64_t pCount, KTime& oTime)
{
    const std::int64_t lTicks = pPeriod.Get();
    if (lTicks <= 0 || std::llabs(pCount) > (LLONG_MAX / 4) / lTicks) {
        return false;
    }
    oTime = KTime(lTicks * pCount);
    return true;
}

} // namespace

KAmcFile::KAmcFile(bool pReporting)
    : KTextFile("AMC", KAsfFile::kSeparators, KAsfFile::kComments, true, pReporting)
{
}

bool KAmcFile::IsKeywordLine() const
{
    char lChar = 0;
    return GetChar(lChar) && lChar == ':';
}

bool KAmcFile::IsFrameLine() const
{
    // Most lines are bone lines; their first character tells them apart at no cost.
    char lFirst = 0;
    if (!GetChar(lFirst) ||
        !((lFirst >= '0' && lFirst <= '9') || lFirst == '-' || lFirst == '+' || lFirst == '.')) {
        return false;
    }
    const std::string lWord = PeekToken();
    return !lWord.empty() &&
           KMotionNumber::ScanDecimal(lWord.data(), lWord.data() + lWord.size()) == lWord.size();
}

bool KAmcFile::ReadKeyword(std::string& oKeyword)
{
    ReadWord(oKeyword, kMaxNameLength);
    oKeyword = KAsfFile::Lower(oKeyword);
    if (oKeyword != ":format") {
        return true;
    }
    std::string lFormat;
    if (!ReadWord(lFormat, kMaxNameLength) ||
        KAsfFile::Lower(lFormat) != KAsfFile::Lower(kFormat)) {
        return !Error("Unsupported DOF line format");
    }
    return true;
}

bool KAmcFile::ReadRange(int& oFirst, int& oLast)
{
    // "1-100", and "1 - 100" once the words are joined.
    std::string lText;
    std::string lWord;
    while (ReadWord(lWord, kMaxNameLength)) {
        lText += lWord;
    }
    const std::size_t lDash = lText.find('-', 1);
    return lDash != std::string::npos &&
           KMotionNumber::ParseInt(lText.data(), lText.data() + lDash, oFirst) &&
           KMotionNumber::ParseInt(lText.data() + lDash + 1, lText.data() + lText.size(), oLast) &&
           oLast >= oFirst;
}

bool KAmcFile::ReadFrameNumber(int& oFrame)
{
    if (!ReadInt(oFrame)) {
        return !Error("Bad frame number (%s)", PeekToken().c_str());
    }
    return true;
}

bool KAmcFile::SkipFrameLines()
{
    while (ReadLine()) {
        if (IsFrameLine() || IsKeywordLine()) {
            break;
        }
    }
    return true;
}

bool KAmcFile::ReadHeaderOptions(KStreamOptionsMotion* pOptions)
{
    if (!pOptions) {
        return false;
    }
    double lRate = 0.0;
    bool lRateSeen = false;
    int lLast = 0;
    mRangeSeen = false;
    std::int64_t lCount = 0;
    if (Rewind()) {
        while (!IsAtEnd()) {
            if (IsKeywordLine()) {
                std::string lKeyword;
                if (!ReadKeyword(lKeyword)) {
                    return false;
                }
                if (lKeyword == ":samples-per-second") {
                    lRateSeen = ReadDouble(lRate) && KMotionFrameRate::IsValid(lRate);
                } else if (lKeyword == ":frame-range") {
                    mRangeSeen = ReadRange(mRangeFirst, lLast);
                }
                ReadLine();
                continue;
            }
            int lFrame = 0;
            if (!IsFrameLine()) {
                return !Error("Unknown keyword");
            }
            if (!ReadFrameNumber(lFrame)) {
                return false;
            }
            lCount = std::min<std::int64_t>(lCount + 1, INT_MAX);
            SkipFrameLines();
        }
    }
    if (IsCorrupt()) {
        return !Error("File is corrupted");
    }
    if (lRateSeen) {
        pOptions->SetTimeMode(0, lRate);
    }
    KTime lStart;
    if (mRangeSeen) {
        lCount = std::min<std::int64_t>(lCount, static_cast<std::int64_t>(lLast) - mRangeFirst + 1);
        if (!PeriodsToTime(pOptions->GetFramePeriod(), mRangeFirst, lStart)) {
            return !Error("Frame range out of range");
        }
    }
    pOptions->SetStart(lStart);
    pOptions->SetFrameCount(static_cast<int>(lCount));
    return true;
}

std::int64_t KAmcFile::BaseOf(int pFirstNumber) const
{
    if (mRangeSeen && mRangeFirst != 1 && pFirstNumber == mRangeFirst) {
        // This file numbers its frames from the range's first frame.
        return mRangeFirst;
    }
    // Numbered from 0: its first frame lies at the start, as the take's span says.
    return !mRangeSeen && pFirstNumber == 0 ? 0 : 1;
}

bool KAmcFile::Read(KRyvAsfScene* pScene, const KStreamOptionsMotion& pOptions)
{
    if (!pScene || !pScene->GetRoot()) {
        return false;
    }
    pScene->BeginFrameKeys();
    if (!ReadAll(*pScene, pOptions)) {
        pScene->ClearKeys();
        return false;
    }
    pScene->FinishKeys();
    return true;
}

bool KAmcFile::ReadAll(KRyvAsfScene& ioScene, const KStreamOptionsMotion& pOptions)
{
    const int lLimit = pOptions.GetFrameCount();
    int lFrames = 0;
    mRangeSeen = false;
    mFirstFrame = true;
    mBase = 1;
    mOrder.clear();
    if (!Rewind()) {
        return !IsCorrupt() || !Error("File is corrupted");
    }
    while (!IsAtEnd()) {
        if (IsKeywordLine()) {
            std::string lKeyword;
            int lLast = 0;
            if (!ReadKeyword(lKeyword)) {
                return false;
            }
            if (lKeyword == ":frame-range") {
                mRangeSeen = ReadRange(mRangeFirst, lLast);
            } else if (!IsKnownKeyword(lKeyword)) {
                // ":RADIANS" among them: angles follow the ASF file's units.
                Warning("Ignoring unknown keyword (%s)", KAsfFile::Quote(lKeyword).c_str());
            }
            if (!ReadLine()) {
                return !Error("Unexpected end of file");
            }
            continue;
        }
        if (!IsFrameLine()) {
            return !Error("Unknown keyword");
        }
        if (lLimit > 0 && lFrames >= lLimit) {
            break;
        }
        if (!ReadFrameAt(ioScene, pOptions)) {
            return false;
        }
        ++lFrames;
        pOptions.ReportProgress(
            "Reading AMC animation frames",
            lLimit > 0 ? static_cast<float>(static_cast<std::int64_t>(lFrames) * 100 / lLimit)
                       : 0.0f);
    }
    return !IsCorrupt() || !Error("File is corrupted");
}

bool KAmcFile::ReadFrameAt(KRyvAsfScene& ioScene, const KStreamOptionsMotion& pOptions)
{
    int lNumber = 0;
    if (!ReadFrameNumber(lNumber)) {
        return false;
    }
    if (mFirstFrame) {
        mBase = BaseOf(lNumber);
    }
    KTime lOffset;
    if (!PeriodsToTime(pOptions.GetFramePeriod(), lNumber - mBase, lOffset)) {
        return !Error("Frame number out of range (%d)", lNumber);
    }
    const KTime lTime = pOptions.GetStart() + lOffset;
    mEarliest = mFirstFrame || lTime < mEarliest ? lTime : mEarliest;
    mLatest = mFirstFrame || lTime > mLatest ? lTime : mLatest;
    mFirstFrame = false;
    return ReadBoneLines(ioScene, lTime);
}

bool KAmcFile::GetReadSpan(KTime& oFirst, KTime& oLast) const
{
    if (mFirstFrame) {
        return false;
    }
    oFirst = mEarliest;
    oLast = mLatest;
    return true;
}

bool KAmcFile::ReadBoneLines(KRyvAsfScene& ioScene, KTime pTime)
{
    bool lRootSeen = false;
    mPlace = 0;
    while (ReadLine()) {
        if (IsFrameLine() || IsKeywordLine()) {
            return true;
        }
        if (!ReadBoneLine(ioScene, pTime, lRootSeen)) {
            return false;
        }
    }
    return true;
}

bool KAmcFile::ReadBoneLine(KRyvAsfScene& ioScene, KTime pTime, bool& ioRootSeen)
{
    // The line is taken whole, a name and then numbers, without the cursor's token readers:
    // long takes hold millions of these lines.
    const std::string& lLine = GetLine();
    const char* const lEnd = lLine.data() + lLine.size();
    const char* lPos = SkipSeparatorsIn(lLine.data(), lEnd);
    const char* lWordEnd = WordEnd(lPos, lEnd);
    const std::string_view lName(lPos, static_cast<std::size_t>(lWordEnd - lPos));
    // Frames list their bones in one order: the bone at this place in the last frame is tried
    // before the name table.
    KAsfBone* lBone = nullptr;
    if (mPlace < mOrder.size() && mOrder[mPlace] && mOrder[mPlace]->mName == lName) {
        lBone = mOrder[mPlace];
    } else if (lName.size() <= kMaxNameLength) {
        lBone = ioScene.FindBone(std::string(lName));
    }
    if (lName == "root") {
        lBone = ioRootSeen ? nullptr : ioScene.GetRoot();
        ioRootSeen = true;
    }
    if (!lBone && ioScene.IsCollapsed(std::string(lName))) {
        return true;
    }
    if (!lBone) {
        return !Error("Unknown bone name (%s)", KAsfFile::Quote(std::string(lName)).c_str());
    }
    if (mPlace == mOrder.size()) {
        mOrder.push_back(lBone);
    }
    mOrder[mPlace++] = lBone;
    double lValues[KAsfBone::kMaxDof] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    int lCount = 0;
    for (lPos = SkipSeparatorsIn(lWordEnd, lEnd); lPos < lEnd;
         lPos = SkipSeparatorsIn(lWordEnd, lEnd)) {
        lWordEnd = WordEnd(lPos, lEnd);
        double lValue = 0.0;
        if (!KMotionNumber::ParseDouble(lPos, lWordEnd, lValue)) {
            Warning("Values from (%s) on are no numbers: read as 0",
                    KAsfFile::Quote(std::string(lPos, lWordEnd)).c_str());
            break;
        }
        if (lCount < KAsfBone::kMaxDof) {
            lValues[lCount++] = lValue;
        }
    }
    const double lTranslation = KRyvAsfScene::kInchToCentimetre / ioScene.mLengthUnit;
    if (!ioScene.AddFrameKeys(*lBone, lValues, lCount, pTime, lTranslation, ioScene.mAngleFactor)) {
        return !Error("Value out of range for bone (%s)",
                      KAsfFile::Quote(std::string(lName)).c_str());
    }
    return true;
}

bool KAmcFile::WriteHeader(bool pWriteRate, double pRate, bool pWriteRange, int pFirst, int pLast)
{
    return (!pWriteRate || Print(0, "%s %g\n", ":SAMPLES-PER-SECOND", pRate) >= 0) &&
           (!pWriteRange || Print(0, "%s %d-%d\n", ":FRAME-RANGE", pFirst, pLast) >= 0) &&
           Print(0, "%s\n", ":FULLY-SPECIFIED") >= 0 && Print(0, "%s\n", ":DEGREES") >= 0;
}

bool KAmcFile::WriteFrame(const KRyvAsfScene& pScene, int pFrame, KTime pTime,
                          const KMatrix* pReference)
{
    KVector4 lScale(1.0, 1.0, 1.0);
    if (pReference) {
        MatrixGetScale(lScale, *pReference);
    }
    if (Print(0, "%d\n", pFrame) < 0) {
        return false;
    }
    for (const KAsfBone* lBone : pScene.GetBonesDepthFirst()) {
        double lValues[KAsfBone::kMaxDof];
        pScene.GetFrameValues(*lBone, pTime, lBone == pScene.GetRoot() ? pReference : nullptr,
                              lScale, lValues);
        bool lNamed = false;
        for (int i = 0; i < lBone->mDofCount; ++i) {
            if (!KAsfFile::WordOfDof(lBone->mDofs[i])) {
                continue;
            }
            if (!lNamed && Print(0, "%s ", lBone->mName.c_str()) < 0) {
                return false;
            }
            lNamed = true;
            // Adding 0 turns -0 into 0, which prints without a sign.
            if (Print(0, " %g", lValues[i] + 0.0) < 0) {
                return false;
            }
        }
        if (lNamed && Print(0, "\n") < 0) {
            return false;
        }
    }
    return true;
}
