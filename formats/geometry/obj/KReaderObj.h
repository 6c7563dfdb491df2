#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KREADEROBJ_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KREADEROBJ_H

#include "core/KString.h"
#include "io/KReader.h"

#include <cstdio>
#include <memory>
#include <string_view>

class KObjMaterialLibrary;
class KRyvMaterial;
class KRyvTexture;

// Reads an OBJ file with its MTL material libraries into a scene: one node with a mesh per
// group (under the node "<file>_root" when option 1 of the KStreamOptionsObj is on), one node
// with a NURBS per rational B-spline surface. Every Read starts from fresh state and builds
// the scene only once the whole file has been read, so a failed read adds no node (the
// materials it made are handed back to the factory).
//
// Failures: no option set or one of another class: kStreamOptionsNotSet; a "v" or "vn" with
// fewer than 3 numbers, a "vt" or "vp" without one, a "surf" before "cstype", a file holding a
// zero byte or no OBJ statement at all: kFileCorrupted, with "file:line: why" both as the
// error text and in the message text. Faces left with fewer than 3 corners and surfaces that
// break the NURBS rules are dropped with a warning; indices that name no vertex are left out.
class KReaderObj : public KReader
{
public:
    explicit KReaderObj(KRyvObjectFactory* pOwner);
    ~KReaderObj() override;

    // Closes an open file first. False with kFileNotOpened when the file does not open.
    bool FileOpen(const char* pFileName) override;
    // False when closing reported an error.
    bool FileClose() override;
    bool IsFileOpen() override { return mStream != nullptr; }
    // A KStreamOptionsObj with its defaults.
    std::unique_ptr<KStreamOptions> GetReadOptions() override;
    bool Read(KRyvScene* pScene, KStreamOptions* pOptions) override;

    // Creates "Material::" + pName through the factory into oMaterial and searches the
    // libraries opened by the current read for it (see KObjMaterialLibrary). True when a library
    // defines it; the material is made in both cases (null only when the factory fails).
    bool ReadMaterial(std::string_view pName, KRyvMaterial*& oMaterial, KRyvTexture*& oTexture);

    // The creator the file-format table lists.
    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

private:
    class Session;

    std::FILE* mStream = nullptr;
    KString mFileName;
    // The libraries of the read under way; empty outside Read.
    std::unique_ptr<KObjMaterialLibrary> mLibraries;
};

#endif
