#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFTEXTBLOCK_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFTEXTBLOCK_H

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// The whole text of a file, read once and held for the parse. A large file is read into pages
// of its own, in huge pages where the system offers them: filling tens of megabytes of fresh
// small pages costs more than reading the bytes. Throws std::bad_alloc when the memory cannot
// be had.
class KDxfTextBlock
{
public:
    // Below this size the text is held in a string.
    static constexpr std::size_t kPagedMinimum = 4u * 1024u * 1024u;

    // Reads pStream from where it stands to its end, replacing the text held. False when a read
    // fails (the text is then empty).
    bool Read(std::FILE* pStream);
    void Assign(std::string pText);
    void Clear() { Assign(std::string()); }
    std::string_view View() const { return mView; }

private:
    struct Unmap
    {
        std::size_t mSize; // of the mapping, in bytes
        void operator()(char* pPages) const;
    };
    using Pages = std::unique_ptr<char, Unmap>;

    static Pages MapPages(std::size_t pSize);
    // Reads the rest of pStream after pKept bytes into the string.
    bool ReadRest(std::FILE* pStream, std::string_view pKept);

    Pages mPages;
    std::string mText;
    std::string_view mView;
};

#endif
