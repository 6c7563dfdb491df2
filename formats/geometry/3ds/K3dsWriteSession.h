#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSWRITESESSION_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSWRITESESSION_H

#include "core/KString.h"
#include "core/KTime.h"
#include "core/KVector4.h"
#include "formats/geometry/3ds/toolkit/Toolkit3ds.h"

#include <map>
#include <set>
#include <string>

class KFCurve;
class KOutputGroup;
class KRyvMaterial;
class KRenamingStrategy3ds;
class KRyvNode;
class KRyvObjectFactory;
class KStreamOptions3ds;

// The option flags of one 3DS write; the defaults are those of a new writer.
struct K3dsWriteFlags
{
    bool mTextureMapping = true;
    bool mMaterials = true;
    bool mAnim = true;
    bool mGeometries = true;
    bool mLights = true;
    bool mCamera = true;
    bool mAmbientLight = true;
    bool mUVPerPolygon = false;
    bool mReferenceNode = false;
    bool mRescale = true;

    void FromOptions(const KStreamOptions3ds& pOptions);
};

// One channel of a track: the scene's curve when it has keys, else a constant (the static
// value the node or attribute holds).
struct K3dsChannel
{
    const KFCurve* mCurve = nullptr;
    double mStatic = 0.0;

    double At(KTime pTime) const;
};

// What every part of one 3DS write shares: the toolkit run and its database, the writer's
// message text and output group, the names the file gives to nodes and materials (the scene keeps
// its own), the keyframer switch and the count of meshes written.
struct K3dsWriteSession
{
    KRyvObjectFactory* mFactory = nullptr;
    Toolkit3dsContext* mKit = nullptr;
    ChunkDatabase3ds* mDatabase = nullptr;
    KString* mMessage = nullptr;
    std::string mFileName;
    // The group (not owned) the file and the texture files copied for it go in place with.
    KOutputGroup* mGroup = nullptr;
    K3dsWriteFlags mFlags;
    bool mKeyframerOn = true;
    int mMeshCount = 0;
    double mMasterScale = 1.0;
    std::map<const KRyvNode*, std::string> mNodeNames;
    std::map<const KRyvMaterial*, std::string> mMaterialNames;
    // Texture files copied or found beside the output, by their bare name, with the source.
    std::map<std::string, std::string> mTextureFiles;
    // Texture files whose names do not fit a map: the short name each source got, and per
    // texture number the next number to try, so that many such files cost one pass.
    std::map<std::string, std::string> mShortMapNames;
    std::map<int, int> mNextMapNumber;
    // The look-at targets of the cameras and spot lights written: each is written as its
    // camera's or light's target, never also as a dummy of its own.
    std::set<const KRyvNode*> mTargets;
    // The names of the nodes, kept for the names of further objects of a split mesh.
    KRenamingStrategy3ds* mNodeNamer = nullptr;

    // The node's name in the file (its renamed name; the plain name for a node not renamed).
    std::string NameOf(const KRyvNode* pNode) const;
    std::string NameOf(const KRyvMaterial* pMaterial) const;
    void Warn(const std::string& pText) const;
};

#endif
