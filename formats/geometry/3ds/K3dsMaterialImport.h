#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSMATERIALIMPORT_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSMATERIALIMPORT_H

#include "core/KString.h"

#include <map>
#include <string>

class KReadRollback;
class KRyvMaterial;
class KRyvObjectFactory;
class KRyvTexture;
struct Material3ds;
struct TextureMap3ds;

// The kit material made from a 3DS material, with the textures of its maps 1 and 2 (null when
// texture mapping is off or map 1 names no file).
struct K3dsMaterialEntry
{
    KRyvMaterial* mMaterial = nullptr;
    KRyvTexture* mTexture1 = nullptr;
    KRyvTexture* mTexture2 = nullptr;
};

// Makes the kit materials and textures of a 3DS file, recording each in the rollback. Colours:
// specular = specular x strength x 4/3 (the two kept as K3dsSpecular says), emissive = diffuse x
// self-illumination, shininess = min(1, 2 x shininess), opacity = 1 - transparency. A texture is
// named after its file, or after the file and "-<material index>" ("...-<index>.2" for map 2) when
// that name is taken. A texture that cannot be made leaves a warning in the message text and the
// material without it. A map's file is looked for beside the 3DS file, by KMediaCopy::Locate (as
// named, else without regard to case); the texture's relative file name is the name found, so that
// a copy of it knows whether it lies in that folder.
class K3dsMaterialImport
{
public:
    // pFolder: the folder of the 3DS file, where its maps are looked for (the current folder
    // when empty).
    K3dsMaterialImport(KRyvObjectFactory* pFactory, KReadRollback& ioRollback, KString& ioMessage,
                       const std::string& pFolder)
        : mFactory(pFactory), mRollback(ioRollback), mMessage(ioMessage), mFolder(pFolder)
    {
    }

    // False when the material cannot be made.
    bool Add(const Material3ds& pMaterial, int pIndex, bool pTextureMapping);
    // The entry of a 3DS material name; null for a name no material of the file has.
    const K3dsMaterialEntry* Find(const std::string& pName) const;

    // The UV placement of a texture map (su, sv scales, ou, ov offsets, r degrees), as the
    // kit texture takes it; a zero scale counts as 1.
    static void Place(const TextureMap3ds& pMap, KRyvTexture& ioTexture);

private:
    KRyvTexture* MakeTexture(const TextureMap3ds& pMap, int pIndex, const char* pSuffix);

    KRyvObjectFactory* mFactory;
    KReadRollback& mRollback;
    KString& mMessage;
    std::string mFolder;
    std::map<std::string, K3dsMaterialEntry> mEntries;
};

#endif
