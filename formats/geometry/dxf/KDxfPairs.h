#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFPAIRS_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFPAIRS_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// One group of a DXF file: its code and its value line, trimmed of blanks at both ends (a value
// with blanks inside keeps them), with the line number of the code line (from 1), and where the
// next group starts. It is also a place in the file that KDxfPairs::Next moves forward; the end
// of the groups is a group with line 0.
struct KDxfPair
{
    int mCode = 0;
    std::string_view mValue;
    long long mLine = 0;
    std::size_t mNext = 0; // byte offset of the next group's code line

    bool IsEnd() const { return mLine == 0; }
};

// An ASCII DXF file split into its groups: a code line and a value line each, ended by LF,
// CR LF or CR. The text is held whole and checked once; groups are found again as they are
// walked, so nothing beside the text grows with the file. Pairs point into the text and live as
// long as the object. Reading fails (false, with a reason) for a zero byte (binary DXF files
// hold them), a code line that is not a whole decimal number, or a code line without its value.
class KDxfPairs
{
public:
    // Reads the stream from where it stands to its end.
    bool Read(std::FILE* pStream);
    // Splits text already in memory (copied).
    bool Parse(std::string pText);

    std::size_t GetCount() const { return mCount; }
    // The first group (the end when there is none).
    KDxfPair First() const;
    // Moves ioPair to the group after it; at the last group it becomes the end, and stays there.
    void Next(KDxfPair& ioPair) const;
    // Moves ioPair to the first "0 ENDSEC" group at or after it, or to the end when none follows.
    void ToSectionEnd(KDxfPair& ioPair) const;
    // Why the last Read or Parse failed, with the line: "12: group code is not a number".
    const std::string& GetReason() const { return mReason; }

    // The value as a number, as the C library reads "%lf" / "%d" in the C locale; false when
    // the value does not begin with one (or an integer does not fit in 32 bits).
    static bool ToDouble(std::string_view pValue, double& oValue);
    static bool ToInt(std::string_view pValue, int& oValue);

    // Section ends noted while checking; past this many they are looked for group by group.
    static constexpr std::size_t kMaxSectionEnds = 4096;

private:
    // Where a group starts, and its line.
    struct Mark
    {
        std::size_t mAt;
        long long mLine;
    };

    bool Fail(long long pLine, const char* pWhy);
    bool Check();
    void NoteSectionEnd(std::size_t pAt, long long pLine);

    std::string mText;
    std::size_t mEnd = 0; // where the groups end: trailing blank lines are not groups
    std::size_t mCount = 0;
    // Every "0 ENDSEC" group, in order, while mAllSectionEnds: skipping a section costs no walk.
    std::vector<Mark> mSectionEnds;
    bool mAllSectionEnds = true;
    std::string mReason;
};

#endif
