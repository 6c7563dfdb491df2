#ifndef RYVKIT_FORMATS_MOTION_KMOTIONPRINTPRECISION_H
#define RYVKIT_FORMATS_MOTION_KMOTIONPRINTPRECISION_H

#include <climits>

// Keeps a printed group of values (a joint's three angles, a quaternion) stable when a file is
// written, read back into single-precision keys and written again. The float rounding of the
// group's largest value reaches every value of the group as an error of about 1e-7 of that
// largest value; a much smaller value would print digits below that error and change on every
// pass. Rounding the whole group to the last digit printed of its largest value makes what is
// printed read back and print again the same.
class KMotionPrintPrecision
{
public:
    // Significant digits of "%g".
    static constexpr int kPrintedDigits = 6;

    // The least magnitude a group of angles read back through single-precision keys is rounded
    // at: keys of angles up to half a turn carry errors of about 2e-5 degrees, which the fifth
    // decimal a group of small angles prints would show.
    static constexpr double kAngleFloor = 10.0;

    // What RoundToLargest answers for a group it leaves as it is.
    static constexpr int kNotRounded = INT_MIN;

    // Rounds pCount values to the last of pDigits significant digits of the largest magnitude
    // among them, and answers the decimals rounded to (negative for tens and above): each value
    // is then the double nearest to a whole number of units of 10^-decimals. A group whose
    // largest value is 0 or not finite is left as it is, and kNotRounded answered.
    static int RoundToLargest(double* ioValues, int pCount, int pDigits = kPrintedDigits);
    // The same for a group whose errors scale with more than its own values: rounded to the
    // last digit printed of the largest of its magnitudes and pAtLeast, negative zeros cleared.
    static void RoundToLargestOr(double* ioValues, int pCount, double pAtLeast);
    // Turns negative zeros (a tiny negative value rounded away) into zeros, which print as "0".
    static void ClearNegativeZeros(double* ioValues, int pCount);
    // Turns angles of exactly -180 degrees (a half turn, which side of it a matrix gives being
    // noise) into 180, so that angles rounded as printed lie in (-180, 180] and a second pass
    // prints them the same.
    static void KeepHalfTurnsPositive(double* ioDegrees, int pCount);
};

#endif
