#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJLINECOUNTS_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJLINECOUNTS_H

#include <cstddef>
#include <cstdio>

// How many "v", "vt", "vn" and "f" lines and face corners an OBJ file holds, counted by a quick
// pass over its bytes so that the reader allocates its lists once instead of growing them by
// copying. Counts lines by their first bytes (LF-ended, not indented) and a face's corners by the
// blanks after its "f": a guess the reader's lists may still outgrow, never a limit. Lines are
// counted whole across block ends.
struct KObjLineCounts
{
    std::size_t mVertices = 0;
    std::size_t mUVs = 0;
    std::size_t mNormals = 0;
    std::size_t mFaces = 0;
    std::size_t mCorners = 0;

    // Counts pStream from its current position to its end; the stream is left there.
    void Count(std::FILE* pStream);
    // Counts the next pSize bytes of a file, which go on from the bytes given before.
    void Add(const char* pBytes, std::size_t pSize);

private:
    void EndLineStart();

    // The first bytes of the current line, while it is too short to be told apart.
    char mStart[3] = {0, 0, 0};
    int mStartSize = 0;
    bool mInFace = false;
};

#endif
