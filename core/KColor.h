#ifndef RYVKIT_CORE_KCOLOR_H
#define RYVKIT_CORE_KCOLOR_H

// A colour of four doubles red, green, blue and alpha, each in [0, 1]. The constructor, Set,
// the copy and the assignment clamp every component: below 0 or not a number gives 0, above 1
// gives 1. The fields may be written directly; they are clamped again on the next copy.
class KColor
{
public:
    // Opaque white (1, 1, 1, 1).
    KColor() = default;
    KColor(double pRed, double pGreen, double pBlue, double pAlpha = 1.0);
    KColor(const KColor& pOther);
    KColor& operator=(const KColor& pOther);

    void Set(double pRed, double pGreen, double pBlue, double pAlpha = 1.0);

    double mRed = 1.0;
    double mGreen = 1.0;
    double mBlue = 1.0;
    double mAlpha = 1.0;
};

#endif
