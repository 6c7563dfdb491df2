#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KREADEROBJ_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KREADEROBJ_H

#include "io/KReader.h"

#include <memory>
#include <string_view>

class KObjMaterialLibrary;
class KRyvMaterial;
class KRyvTexture;

// Reads an OBJ file with its MTL material libraries into a scene: one node with a mesh per
// group (under the node "<file>_root" when KStreamOptionsObj::kCreateReferenceNode is on), one
// node with a NURBS per rational B-spline surface. Every Read starts from fresh state and builds
// the scene only once the whole file has been read; a failed read hands everything it made
// back to the factory (KReadRollback), so the scene and the factory stay as they were.
//
// Failures: binary data in the first block is refused at open (see KReader::FileOpen); no
// option set or one of another class: kStreamOptionsNotSet; a "v" or "vn" with fewer than 3
// numbers, a "vt" or "vp" without one, a "surf" before "cstype", a later zero byte or no OBJ
// statement at all: kFileCorrupted, with "file:line: why" both as the
// error text and in the message text. Faces left with fewer than 3 corners and surfaces that
// break the NURBS rules are dropped with a warning; indices that name no vertex are left out.
class KReaderObj : public KReader
{
public:
    explicit KReaderObj(KRyvObjectFactory* pOwner);
    ~KReaderObj() override;

    bool FileClose() override;
    bool IsFileOpen() override { return mSource != nullptr; }
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

    bool OpenSource(std::unique_ptr<KByteSource> pSource) override;

    std::unique_ptr<KByteSource> mSource;
    // The libraries of the read under way; empty outside Read.
    std::unique_ptr<KObjMaterialLibrary> mLibraries;
};

#endif
