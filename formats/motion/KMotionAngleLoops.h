#ifndef RYVKIT_FORMATS_MOTION_KMOTIONANGLELOOPS_H
#define RYVKIT_FORMATS_MOTION_KMOTIONANGLELOOPS_H

#include "formats/motion/KMotionAngles.h"

#include <cstring>

// The block loops of KMotionAngleLanes over the lanes of one instruction set. TLanes gives
// kWidth, the register type Vector and, on it, LoadWhole, StoreWhole, Splat, Multiply, SinCos
// (an answer with x the sines, y the cosines), Atan2 and Asin. Each instruction set's source file
// instantiates the loops with lanes defined in its unnamed namespace, so that no instance leaves
// the file built for that instruction set.
template <class TLanes> struct KMotionAngleLoops
{
    using Vector = typename TLanes::Vector;
    static constexpr int kWidth = TLanes::kWidth;

    // The lanes of the values from pFirst; past pCount they hold zeros, whose answers are dropped.
    static Vector Load(const double* pValues, int pFirst, int pCount)
    {
        if (pCount - pFirst >= kWidth) {
            return TLanes::LoadWhole(pValues + pFirst);
        }
        double lValues[kWidth] = {};
        std::memcpy(lValues, pValues + pFirst,
                    sizeof(double) * static_cast<unsigned>(pCount - pFirst));
        return TLanes::LoadWhole(lValues);
    }

    static void Store(Vector pLanes, int pFirst, int pCount, double* oValues)
    {
        if (pCount - pFirst >= kWidth) {
            TLanes::StoreWhole(oValues + pFirst, pLanes);
            return;
        }
        double lValues[kWidth];
        TLanes::StoreWhole(lValues, pLanes);
        std::memcpy(oValues + pFirst, lValues,
                    sizeof(double) * static_cast<unsigned>(pCount - pFirst));
    }

    static void SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine)
    {
        const Vector lDegToRad = TLanes::Splat(KMotionAngles::kDegToRad);
        for (int i = 0; i < pCount; i += kWidth) {
            const auto lSinCos =
                TLanes::SinCos(TLanes::Multiply(Load(pDegrees, i, pCount), lDegToRad));
            Store(lSinCos.x, i, pCount, oSine);
            Store(lSinCos.y, i, pCount, oCosine);
        }
    }

    static void Atan2(int pCount, const double* pY, const double* pX, double* oDegrees)
    {
        const Vector lRadToDeg = TLanes::Splat(KMotionAngles::kRadToDeg);
        for (int i = 0; i < pCount; i += kWidth) {
            const Vector lRadians = TLanes::Atan2(Load(pY, i, pCount), Load(pX, i, pCount));
            Store(TLanes::Multiply(lRadians, lRadToDeg), i, pCount, oDegrees);
        }
    }

    static void Asin(int pCount, const double* pZ, double* oDegrees)
    {
        const Vector lRadToDeg = TLanes::Splat(KMotionAngles::kRadToDeg);
        for (int i = 0; i < pCount; i += kWidth) {
            const Vector lRadians = TLanes::Asin(Load(pZ, i, pCount));
            Store(TLanes::Multiply(lRadians, lRadToDeg), i, pCount, oDegrees);
        }
    }
};

#endif
