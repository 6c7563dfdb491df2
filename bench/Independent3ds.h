#ifndef RYVKIT_BENCH_INDEPENDENT3DS_H
#define RYVKIT_BENCH_INDEPENDENT3DS_H

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>

#include <string>

// The independent 3DS library's load of pPath, freed at once: true when it found meshes. What
// the 3DS benchmarks time beside their own decoding.
inline bool IndependentLoad3ds(const std::string& pPath)
{
    Lib3dsFile* lFile = lib3ds_file_load(pPath.c_str());
    const bool lLoaded = lFile && lFile->meshes;
    if (lFile) {
        lib3ds_file_free(lFile);
    }
    return lLoaded;
}
#endif

#endif
