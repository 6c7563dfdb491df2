#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJMATERIALLIBRARY_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJMATERIALLIBRARY_H

#include "core/KByteSource.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class KRyvMaterial;
class KRyvObjectFactory;
class KRyvTexture;

// The MTL libraries an OBJ file names with "mtllib", open for the length of one read, and the
// search for a named material in them. Owns its streams and closes them on Close or
// destruction. Each library is read once, when a material is first looked for in it, and its
// materials are answered from memory after that. Colours are clamped to [0, 1], "Ns" is scaled by
// 0.01, "d" sets the opacity and "Tr" alone sets it to 1 - Tr (where both are given "d" holds); a
// colour line without exactly three numbers and a line without its number are ignored.
class KObjMaterialLibrary
{
public:
    KObjMaterialLibrary() = default;
    KObjMaterialLibrary(const KObjMaterialLibrary&) = delete;
    KObjMaterialLibrary& operator=(const KObjMaterialLibrary&) = delete;
    ~KObjMaterialLibrary();

    // Opens one library named on an "mtllib" line: beside the OBJ file (pObjFolder) first, then
    // as written, then with '\\' read as '/'. Only regular files count; a library already open
    // is not opened again (true). False when none of these opens, or when 64 are open already.
    bool Open(std::string_view pName, const std::string& pObjFolder);
    void Close();
    int GetCount() const { return static_cast<int>(mLibraries.size()); }
    // The path a library was opened with, in the order they were opened.
    const std::string& GetPath(int pIndex) const
    {
        return mLibraries[static_cast<std::size_t>(pIndex)].mPath;
    }

    // Applies the statements of the first "newmtl" named exactly pName (letter case counts) in
    // the libraries, in the order they were opened, to ioMaterial. A "map_Kd" gives a texture
    // made through pFactory (named after pName; a second "map_Kd" renames the file of the same
    // texture), its file resolved against the library's folder when it exists there. False when
    // no library defines the name (ioMaterial untouched, oTexture null).
    bool ReadMaterial(std::string_view pName, KRyvObjectFactory* pFactory, KRyvMaterial* ioMaterial,
                      KRyvTexture*& oTexture);

private:
    // One statement of a material: its keyword and argument text, held in the library's mText.
    struct Statement
    {
        std::size_t mOffset;
        std::size_t mKeywordSize;
        std::size_t mArgumentsSize;
    };
    // The statements of one material: mStatements[mFirst, mFirst + mCount).
    struct Definition
    {
        std::size_t mFirst;
        std::size_t mCount;
    };
    struct Library
    {
        std::unique_ptr<KByteSource> mSource;
        std::string mFolder;
        std::string mPath;
        bool mIndexed = false;
        std::string mText;
        std::vector<Statement> mStatements;
        std::unordered_map<std::string, Definition> mDefinitions;
    };

    static void Index(Library& ioLibrary);

    std::vector<Library> mLibraries;
};

#endif
