#ifndef RYVKIT_FORMATS_MOTION_KMOTIONPRINTPRECISION_H
#define RYVKIT_FORMATS_MOTION_KMOTIONPRINTPRECISION_H

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

    // Rounds pCount values to the last of pDigits significant digits of the largest magnitude
    // among them. A group whose largest value is 0 or not finite is left as it is.
    static void RoundToLargest(double* ioValues, int pCount, int pDigits = kPrintedDigits);
    // Turns negative zeros (a tiny negative value rounded away) into zeros, which print as "0".
    static void ClearNegativeZeros(double* ioValues, int pCount);
};

#endif
