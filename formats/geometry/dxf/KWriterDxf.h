#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KWRITERDXF_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KWRITERDXF_H

#include "core/KOutputFile.h"
#include "core/KString.h"
#include "io/KWriter.h"

#include <cstdio>
#include <memory>

// Writes the meshes of a scene as an ASCII DXF drawing (release AC1008, LF line ends): one
// layer per mesh node, coloured by the colour index of its last material (negative when the
// node is hidden), and one polyface mesh per mesh node in world coordinates, a scene point
// (x, y, z) written as (x, -z, y). NURBS surfaces and patches are tessellated, and meshes
// triangulated when option 2 is on, on copies: the caller's scene is never changed; with option
// 3 the points are posed by shapes and skins first. Polygons of 5 or more corners are split
// into n - 2 triangles that cover them; the "72" count is the number of face records.
// Layer names are the node names without their type prefix, made valid and distinct
// (KDxfLayerNames); layers and their meshes come in the order of those names without regard to
// case, the order the reader gives them back in, so that a file read and written again is the
// same. A layer's colour is that of its mesh's last material, or with materials by polygon of
// the one the polygons use first last (the one a reader that adds materials as it meets them
// ends on).
//
// Failures: no option set or one of another class: kStreamOptionsNotSet; no open file:
// kFileNotOpened; a write the disk refuses: kOutOfDiskSpace; a point that is not a finite
// number once placed in the world: kUnidentifiedError, naming its layer (no file is left).
class KWriterDxf : public KWriter
{
public:
    explicit KWriterDxf(KRyvObjectFactory* pOwner);
    ~KWriterDxf() override;

    // Closes an open file first. False with kFileNotOpened when the file cannot be made.
    bool FileCreate(const char* pFileName) override;
    bool FileClose() override;
    bool IsFileOpen() override { return mStream != nullptr; }
    // A KStreamOptionsDxf with its defaults.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;
    // Replaces the file FileCreate named only when everything was written; the file that was
    // there stays as it was otherwise.
    bool Write(KRyvScene* pScene, KStreamOptions* pOptions) override;
    // "no mesh, NURBS or patch" for a scene without geometry.
    const char* FindMissingContent(KRyvScene* pScene) override;

    // The creator the format registry lists.
    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    class Session;

    KOutputFile mOutput;
    std::FILE* mStream = nullptr;
};

#endif
