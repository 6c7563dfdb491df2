#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFGROUPWRITER_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFGROUPWRITER_H

#include <cstddef>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

// The groups of a DXF file as the writer prints them, gathered in a buffer of fixed size that
// goes to the stream (not owned) each time it fills: memory stays small whatever the drawing,
// the stream gets large writes, and the bytes are still in the cache when the kernel copies
// them. A code line is the code right-aligned in three columns; an integer follows three
// blanks (or as many as asked); a coordinate has six decimals, as "%f" prints it in the C
// locale, whatever its magnitude (the caller refuses values that are not finite), except that a
// value that prints as zero has no sign. A write the
// stream refuses is remembered: what follows is dropped, and Finish answers false.
class KDxfGroupWriter
{
public:
    static constexpr std::size_t kBufferSize = 256u * 1024u;
    static constexpr std::size_t kCodeWidth = 3;
    // The longest "%.6f" of a finite double: sign, the 309 digits of the largest, point and
    // decimals.
    static constexpr std::size_t kCoordinateSize =
        1 + (std::numeric_limits<double>::max_exponent10 + 1) + 1 + 6;
    static constexpr std::size_t kIntegerBlanks = 3;

    explicit KDxfGroupWriter(std::FILE* pStream);

    void Group(int pCode, std::string_view pValue);
    void Integer(int pCode, int pValue, std::size_t pBlanks = kIntegerBlanks);
    void Coordinate(int pCode, double pValue);
    // Groups already formatted (GroupText), as they stand.
    void Text(std::string_view pText);
    // Writes what is gathered and flushes the stream: false when a write failed on the way.
    bool Finish();

    // One group as Group writes it.
    static std::string GroupText(int pCode, std::string_view pValue);
    // Puts a finite pValue as "%.6f" prints it (without the sign of a zero) at pOut (room for
    // kCoordinateSize characters) and answers where it ends.
    static char* PutFixed(char* pOut, double pValue);

private:
    // Room for pSize bytes at the buffer's end, writing the buffer out first when needed; null
    // after a failed write.
    char* Room(std::size_t pSize);
    void Drain();

    std::FILE* mStream;
    std::vector<char> mBuffer;
    std::size_t mUsed = 0;
    bool mFailed = false;
};

#endif
