#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KWRITEROBJ_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KWRITEROBJ_H

#include "core/KOutputFile.h"
#include "core/KString.h"
#include "io/KWriter.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class KRyvMaterial;
class KRyvMesh;
class KRyvNode;
class KRyvTexture;

// Writes the meshes of a scene as an OBJ file: one group per mesh node, positions and normals in
// world space (shape and skin deformations applied when option 3 is on), faces triangulated when
// option 2 is on, NURBS and patches triangulated always. Materials go to a companion MTL file
// beside it (GetMaterialFilePath; a link, pipe or device of that name is replaced itself, never
// written through, KOutputFile), named on the "mtllib" line with blanks and '\\' escaped by a
// '\\', and texture files are copied next to the OBJ file by the rule
// of KMediaCopy (regular files only, never over an existing file, none
// from outside the folder of the file that named it, each copy reported in the message text). The
// caller's scene is never changed: deformation and triangulation happen in the writer's own arrays
// or on temporary copies. Each distinct UV of a mesh is one "vt" line, in the order the polygon
// vertices first use it (swapped where the polygon's texture swaps UVs), so that the file read
// back and written again gives the same bytes; a polygon none of whose vertices has a UV (index
// -1) is written without, a vertex without one in a polygon with UVs as (0, 0). Normals are
// written of length one; one already so to the printed precision is written as it is, so that
// a second pass does not move its last digit. Numbers are written with 6 decimals in the C
// locale, lines end in LF.
//
// "Beside it" means in the folder of the OBJ file as it was named, a link of that name
// included (KSideFile). A scene with materials is refused (kFileNotCreated, naming why) when the
// OBJ file is a device or a pipe, or when the library's name holds a line break.
//
// Failures: no option set or one of another class: kStreamOptionsNotSet (nothing written); a
// write that does not reach the disk: kOutOfDiskSpace; files that cannot be put in place: their
// cause (KWriter::FailCommit); a point that is not a finite number once
// placed in the world: kUnidentifiedError, naming its node (KWriter::FailNotFinitePoint). Missing
// textures and failed copies are warnings in the message text. Both files are written beside their
// targets under new names: a failed Write (or a FileClose without one) leaves the files that were
// there as they were; a Write that succeeds puts both in place together (KOutputGroup: the
// caller's, SetOutputGroup, which then puts them in place, else the writer's own) and closes the
// file.
class KWriterObj : public KWriter
{
public:
    explicit KWriterObj(KRyvObjectFactory* pOwner);
    ~KWriterObj() override;

    // Closes an open file first, creates the missing folders of the path and the new file beside
    // it. False with kFileNotOpened when it cannot be created.
    bool FileCreate(const char* pFileName) override;
    // Drops a file no Write completed, leaving the target as it was. True.
    bool FileClose() override;
    bool IsFileOpen() override { return mStream != nullptr; }
    // A KStreamOptionsObj with its defaults.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;
    bool Write(KRyvScene* pScene, KStreamOptions* pOptions) override;

    // The material library path of an OBJ path: the folder kept, the file name as it is with its
    // ".obj" extension (any case) replaced by ".mtl", or ".mtl" appended when it has another one
    // or none (KSideFile::GetPath). Never equal to pObjPath.
    static std::string GetMaterialFilePath(const std::string& pObjPath);
    // The material library beside pFileName (GetMaterialFilePath), written when the scene has
    // materials or textures.
    std::vector<std::string> GetCompanionFiles(const char* pFileName) const override;
    // "no mesh, NURBS or patch" when no node of the scene has geometry.
    const char* FindMissingContent(KRyvScene* pScene) override;

    // The creator the file-format table lists.
    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    class Session;

    // The OBJ file, renamed over its target when Write succeeds.
    KOutputFile mOutput;
    std::FILE* mStream = nullptr;
    KString mFileName;
};

#endif
