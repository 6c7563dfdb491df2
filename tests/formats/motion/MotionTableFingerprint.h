#ifndef RYVKIT_TESTS_MOTION_MOTIONTABLEFINGERPRINT_H
#define RYVKIT_TESTS_MOTION_MOTIONTABLEFINGERPRINT_H

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KString.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "scene/KRyvNode.h"

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

// A bit-exact fingerprint of what a table reader made: the names below the reference node, every
// key (time, value bits, flags) of the curves the tables fill, the options as the read left them
// and the reader's message text. Readers made faster must keep it as it was.
class TableFingerprint
{
public:
    void Add(const void* pData, std::size_t pSize)
    {
        const auto* lBytes = static_cast<const unsigned char*>(pData);
        for (std::size_t i = 0; i < pSize; ++i) {
            mHash = (mHash ^ lBytes[i]) * kPrime;
        }
    }
    void Add(std::int64_t pValue) { Add(&pValue, sizeof pValue); }
    void AddText(const char* pText) { Add(pText, std::strlen(pText) + 1); }

    void AddCurve(KFCurve* pCurve)
    {
        if (!pCurve) {
            Add(-1);
            return;
        }
        Add(pCurve->GetKeyCount());
        for (int i = 0; i < pCurve->GetKeyCount(); ++i) {
            const KFCurveKey* lKey = pCurve->GetKey(i);
            const float lValue = lKey->GetValue();
            std::uint32_t lBits = 0;
            std::memcpy(&lBits, &lValue, sizeof lBits);
            Add(lKey->GetTime().Get());
            Add(lBits);
            Add(lKey->GetFlags());
        }
    }

    void AddNode(KRyvNode* pNode)
    {
        AddText(pNode->GetNameWithoutPrefix().Buffer());
        if (KRyvTakeNode* lTake = pNode->GetCurrentTakeNode()) {
            KFCurve* const lCurves[] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                                        lTake->GetTransformTZ(), lTake->GetTransformRX(),
                                        lTake->GetTransformRY(), lTake->GetTransformRZ(),
                                        lTake->GetTransformSX(), lTake->GetTransformSY(),
                                        lTake->GetTransformSZ(), lTake->GetOcclusion()};
            for (KFCurve* lCurve : lCurves) {
                AddCurve(lCurve);
            }
        }
        Add(pNode->GetChildCount());
        for (int i = 0; i < pNode->GetChildCount(); ++i) {
            AddNode(pNode->GetChild(i));
        }
    }

    void AddOptions(const KStreamOptionsMotion& pOptions)
    {
        Add(pOptions.GetFrameCount());
        Add(pOptions.GetStart().Get());
        const double lRate = pOptions.GetFrameRate();
        Add(&lRate, sizeof lRate);
    }

    std::uint64_t Get() const { return mHash; }

private:
    static constexpr std::uint64_t kPrime = 1099511628211ull;
    std::uint64_t mHash = 14695981039346656037ull;
};

// Numbers as the tables hold them, drawn from raw generator output (the same on every platform)
// and printed in the C locale in the forms the readers meet: plain, with an exponent, with a
// leading point or plus sign.
class TableNumbers
{
public:
    explicit TableNumbers(unsigned pSeed) : mRandom(pSeed) {}

    unsigned Draw(unsigned pRange) { return static_cast<unsigned>(mRandom() % pRange); }
    double Value(double pMagnitude)
    {
        return (static_cast<double>(Draw(2000001)) - 1000000.0) / 1000000.0 * pMagnitude;
    }
    void Append(std::string& ioText, double pValue)
    {
        switch (Draw(16)) {
        case 0:
            KMotionNumber::AppendInt(ioText, static_cast<long long>(pValue * 1.0e4));
            ioText += "e-4";
            break;
        case 1:
            ioText += pValue < 0.0 ? "-" : "+";
            KMotionNumber::AppendGeneral(ioText, pValue < 0.0 ? -pValue : pValue, 9);
            break;
        case 2:
            KMotionNumber::AppendGeneral(ioText, pValue, 12);
            break;
        default:
            KMotionNumber::AppendGeneral(ioText, pValue);
            break;
        }
    }
    const char* Separator() { return Draw(8) == 0 ? " \t " : (Draw(2) == 0 ? "\t" : " "); }
    const char* LineEnd() { return Draw(10) == 0 ? "\r\n" : "\n"; }

private:
    std::mt19937 mRandom;
};

#endif
