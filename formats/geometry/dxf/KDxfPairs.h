#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFPAIRS_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFPAIRS_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// One group of a DXF file: its code and its value line, trimmed of blanks at both ends (a value
// with blanks inside keeps them), with the line number of the code line (from 1).
struct KDxfPair
{
    int mCode = 0;
    std::string_view mValue;
    long long mLine = 0;
};

// An ASCII DXF file split into its groups: a code line and a value line each, ended by LF,
// CR LF or CR. The text is held whole; the pairs point into it and live as long as the object.
// Reading fails (false, with a reason) for a zero byte (binary DXF files hold them), a code line
// that is not a whole decimal number, or a code line without its value line.
class KDxfPairs
{
public:
    // Reads the stream from where it stands to its end.
    bool Read(std::FILE* pStream);
    // Splits text already in memory (copied).
    bool Parse(std::string pText);

    std::size_t GetCount() const { return mPairs.size(); }
    const KDxfPair& Get(std::size_t pIndex) const { return mPairs[pIndex]; }
    // Why the last Read or Parse failed, with the line: "12: group code is not a number".
    const std::string& GetReason() const { return mReason; }

    // The value as a number, as the C library reads "%lf" / "%d" in the C locale; false when
    // the value does not begin with one (or an integer does not fit in 32 bits).
    static bool ToDouble(std::string_view pValue, double& oValue);
    static bool ToInt(std::string_view pValue, int& oValue);

private:
    bool Fail(long long pLine, const char* pWhy);
    bool Split();

    std::string mText;
    std::vector<KDxfPair> mPairs;
    std::string mReason;
};

#endif
