#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFTEXTBLOCK_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFTEXTBLOCK_H

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// The whole text of a file, read once and held for the parse. A stream that can tell its size
// is read straight into a block of that size, never zeroed first nor copied through a smaller
// block. Throws std::bad_alloc when the memory cannot be had.
class KDxfTextBlock
{
public:
    // Reads pStream from where it stands to its end, replacing the text held. False when a read
    // fails (the text is then empty).
    bool Read(std::FILE* pStream);
    void Assign(std::string pText);
    void Clear() { Assign(std::string()); }
    std::string_view View() const { return mView; }
    // Whether the text holds a zero byte (looked for as it was read).
    bool HoldsZeroByte() const { return mZero; }

private:
    // Reads the rest of pStream after pKept bytes into the string.
    bool ReadRest(std::FILE* pStream, std::string_view pKept);

    std::unique_ptr<char[]> mBlock;
    std::string mText;
    std::string_view mView;
    bool mZero = false;
};

#endif
