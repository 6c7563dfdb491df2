#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFPAIRS_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFPAIRS_H

#include "formats/geometry/dxf/KDxfTextBlock.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

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

// An ASCII DXF file split into its groups: a code line and a value line each, ended by LF, CR LF or
// CR. The text is held whole (KDxfTextBlock); groups are found as they are walked, so nothing
// beside the text grows with the file, and each walked group is checked on the way. A group is at
// fault for a code line that is not a whole decimal number or a code line without its value; blank
// lines after the last group are no group. Pairs point into the text and live as long as the
// object.
class KDxfPairs
{
public:
    // Reads the stream from where it stands to its end. False (with a reason) when it cannot be
    // read or holds a zero byte (binary DXF files hold them).
    bool Read(std::FILE* pStream);
    // Takes text already in memory, refused as Read refuses it.
    bool Parse(std::string pText);

    // Checks every group from the first: false with the first fault ("12: group code is not a
    // number") in GetReason. Known after the first call.
    bool CheckAll();
    // Whether a walk met a group at fault (it then ended there).
    bool HasFailed() const { return mFailed; }
    // The number of groups: 0 when CheckAll fails.
    std::size_t GetCount();

    // The first group (the end when there is none).
    KDxfPair First();
    // Moves ioPair to the group after it; after the last group, or at a group at fault, it
    // becomes the end, and stays there.
    void Next(KDxfPair& ioPair);
    // Moves ioPair to the first "0 ENDSEC" group at or after it, or to the end when none follows.
    // The groups between are found by looking for the word, not walked: they are not checked.
    void ToSectionEnd(KDxfPair& ioPair);
    const std::string& GetReason() const { return mReason; }

    // The value as a number, as the C library reads "%lf" / "%d" in the C locale; false when
    // the value does not begin with one (or an integer does not fit in 32 bits).
    static bool ToDouble(std::string_view pValue, double& oValue);
    static bool ToInt(std::string_view pValue, int& oValue);

private:
    enum class ECheck { eNotYet, eWhole, eFaulty };

    // Takes the block's text afresh.
    bool Start();
    bool Fail(long long pLine, const char* pWhy);
    // Whether the word at pAt is a line of its own, but for blanks; oStart: where that line
    // starts (pFloor, a line start, at the lowest).
    bool IsWholeLine(std::size_t pAt, std::size_t pLength, std::size_t pFloor,
                     std::size_t& oStart) const;
    long long CountLineEnds(std::size_t pFrom, std::size_t pTo) const;
    bool IsCodeZeroBefore(std::size_t pLineStart, std::size_t pFloor, std::size_t& oStart) const;

    KDxfTextBlock mBlock;
    std::string_view mText; // the block's
    bool mFailed = false;
    ECheck mCheck = ECheck::eNotYet;
    std::size_t mCount = 0;
    std::string mReason;
};

#endif
