#ifndef RYVKIT_IO_KRYVGEOMETRYIO_H
#define RYVKIT_IO_KRYVGEOMETRYIO_H

#include "core/KMatrix.h"
#include "core/KString.h"
#include "ryvfile/KRyvFile.h"

#include <string>
#include <vector>

class KRyvFile;
class KRyvPropertyDefaults;
class KRyvGeometry;
class KRyvLayerContainer;
class KRyvLink;
class KRyvMaterial;
class KRyvMesh;
class KRyvNurb;
class KRyvObjectFactory;
class KRyvPatch;
class KRyvTexture;

// Names a reader resolves once every object of the file exists.
struct KRyvLinkFixup
{
    KRyvLink* mLink;
    KString mLinkName;
    KString mAssociateName;
};

// What a geometry reader needs besides the file: the factory that makes shapes and links, the
// materials and textures already read (layer elements refer to them by name) and the list of
// link names to resolve later.
struct KRyvGeometryContext
{
    KRyvObjectFactory* mFactory = nullptr;
    std::vector<KRyvMaterial*>* mMaterials = nullptr;
    std::vector<KRyvTexture*>* mTextures = nullptr;
    std::vector<KRyvLinkFixup>* mLinkFixups = nullptr;
    KString* mMessage = nullptr;
    // Why the records are corrupted, when a check names it (the reader's error then says it).
    KString* mCause = nullptr;
    // Which parts of a geometry are read (the option set's "Shape" and "Link"), and whether the
    // gobos a light names were read (a missing one is then worth a warning).
    bool mShapes = true;
    bool mLinks = true;
    bool mGobos = true;
};

// Which optional parts of an attribute a writer writes (the option set's "Shape", "Link" and
// "Gobo": a light names its gobo only when the gobos are written too), and the values of a fresh
// attribute of its kind that its property block may leave out (null: none, not owned).
struct KRyvAttributeParts
{
    bool mShapes = true;
    bool mLinks = true;
    bool mGoboName = true;
    const KRyvPropertyDefaults* mDefaults = nullptr;
};

// Control points, layers with their elements, polygons, NURBS and patch data, shapes and links
// in RYV records. Readers check every index and count against what the records hold and answer
// false for a damaged geometry; a false read may leave the geometry partly filled, which the
// RYV reader then discards with the rest of the scene.
namespace KRyvGeometryIO {

// A record of that name holding one array.
template <typename T>
void WriteNamedArray(KRyvFile& ioFile, const char* pName, const T* pValues, std::size_t pCount)
{
    ioFile.FieldWriteBegin(pName);
    ioFile.FieldWriteArray(pValues, pCount);
    ioFile.FieldWriteEnd();
}
template <typename T>
void WriteNamedArray(KRyvFile& ioFile, const char* pName, const std::vector<T>& pValues)
{
    WriteNamedArray(ioFile, pName, pValues.data(), pValues.size());
}
// The same with element i made by pElement(i) as it is written (no array of the whole is built).
template <typename T, typename Element>
void WriteNamedArrayOf(KRyvFile& ioFile, const char* pName, std::size_t pCount, Element pElement)
{
    ioFile.FieldWriteBegin(pName);
    ioFile.FieldWriteArrayOf<T>(pCount, pElement);
    ioFile.FieldWriteEnd();
}

// False when there is no such record or its value is not an array of T.
template <typename T>
bool ReadNamedArray(KRyvFile& ioFile, const char* pName, std::vector<T>& oValues)
{
    if (!ioFile.FieldReadBegin(pName)) {
        return false;
    }
    const bool lRead = ioFile.FieldReadArray(oValues);
    ioFile.FieldReadEnd();
    return lRead;
}

// The array where it lies in the file, for a caller that copies it once into its own storage;
// valid while the file is open. False as ReadNamedArray.
template <typename T>
bool ReadNamedView(KRyvFile& ioFile, const char* pName, KRyvArrayView<T>& oView)
{
    if (!ioFile.FieldReadBegin(pName)) {
        return false;
    }
    const bool lRead = ioFile.FieldReadArrayView(oView);
    ioFile.FieldReadEnd();
    return lRead;
}

// A matrix as a double array of 16, row by row; false unless exactly 16 values are there.
void WriteMatrix(KRyvFile& ioFile, const char* pName, const KMatrix& pMatrix);
bool ReadMatrix(KRyvFile& ioFile, const char* pName, KMatrix& oMatrix);

void WriteLayerContainer(KRyvFile& ioFile, const KRyvLayerContainer& pContainer);
bool ReadLayerContainer(KRyvFile& ioFile, KRyvLayerContainer& ioContainer,
                        const KRyvGeometryContext& pContext);

// The layer container, then the shapes and links of any geometry (as pParts says).
void WriteGeometry(KRyvFile& ioFile, KRyvGeometry& ioGeometry, const KRyvAttributeParts& pParts);
bool ReadGeometry(KRyvFile& ioFile, KRyvGeometry& ioGeometry, const KRyvGeometryContext& pContext);

void WriteMesh(KRyvFile& ioFile, const KRyvMesh& pMesh);
// The polygons, then the geometry: the polygon tables are held where they lie in the file until
// the points are read, then set at once with every index checked against the points.
bool ReadMesh(KRyvFile& ioFile, KRyvMesh& ioMesh, const KRyvGeometryContext& pContext);
void WriteNurb(KRyvFile& ioFile, KRyvNurb& ioNurb);
bool ReadNurb(KRyvFile& ioFile, KRyvNurb& ioNurb);
void WritePatch(KRyvFile& ioFile, const KRyvPatch& pPatch);
bool ReadPatch(KRyvFile& ioFile, KRyvPatch& ioPatch);

} // namespace KRyvGeometryIO

#endif
