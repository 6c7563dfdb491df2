#ifndef RYVKIT_FORMATS_MOTION_KMOTIONNUMBER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONNUMBER_H

#include <cstdarg>
#include <cstddef>
#include <string>

// Strict reading and C-locale printing of the numbers of the motion text formats, whatever the
// process locale says. A number is written as an optional sign, decimal digits with at most one
// point (at least one digit in all) and an optional exponent (e or E, optional sign, digits).
// Nothing else is a number: no "inf", "nan", hexadecimal, thousands separators or a comma as the
// decimal mark.
class KMotionNumber
{
public:
    // Length of the longest prefix of [pBegin, pEnd) that has the form of a decimal number (an
    // exponent letter without digits after it is not part of it); 0 when the text does not
    // start with one.
    static std::size_t ScanDecimal(const char* pBegin, const char* pEnd);
    // The same for an integer: optional sign and decimal digits.
    static std::size_t ScanInteger(const char* pBegin, const char* pEnd);

    // The whole of [pBegin, pEnd) read as one number. False, and the output untouched, when the
    // text is not exactly one number or its value lies outside the type: for a double, beyond
    // the largest finite value or so small that it would round to zero (1e-400).
    static bool ParseDouble(const char* pBegin, const char* pEnd, double& pValue);
    static bool ParseInt(const char* pBegin, const char* pEnd, int& pValue);
    // True when each of the pCount values can become a single-precision key: finite and at most
    // FLT_MAX in magnitude (false for NaN).
    static bool FitsFloat(const double* pValues, int pCount);
    static bool FitsFloat(double pValue) { return FitsFloat(&pValue, 1); }

    // Appends the value as printf "%.<precision>g" and "%d" print it in the C locale ("inf",
    // "-inf" and "nan" for the non-finite values; precisions above 60 print as 60).
    static void AppendGeneral(std::string& ioText, double pValue, int pPrecision = 6);
    static void AppendInt(std::string& ioText, long long pValue);

    // printf-style formatting appended to ioText, numbers in the C locale, for the patterns the
    // motion files and their messages print: "%s" (null prints "(null)"), "%d", "%zu", "%g",
    // "%.<digits>g" and "%%". Anything else is a programmer error: the directive is copied to
    // the text as it stands and no argument is taken.
    static void AppendFormatV(std::string& ioText, const char* pFormat, std::va_list pArgs);
    static void AppendFormat(std::string& ioText, const char* pFormat, ...)
        __attribute__((format(printf, 2, 3)));
};

#endif
