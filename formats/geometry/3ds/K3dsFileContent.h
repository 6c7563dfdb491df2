#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSFILECONTENT_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSFILECONTENT_H

#include "formats/geometry/3ds/toolkit/Toolkit3ds.h"

#include <memory>
#include <string>
#include <vector>

class KStreamOptions3ds;

// The option flags of one 3DS read; the defaults are those of a reader without options.
struct K3dsReadFlags
{
    bool mTextureMapping = true;
    bool mMaterials = true;
    bool mAnim = true;
    bool mGeometries = true;
    bool mLights = true;
    bool mCameras = true;
    bool mReduceKeys = false;
    bool mAmbientLight = true;
    bool mSmoothGroups = true;
    bool mReferenceNode = false;
    bool mRescale = true;

    // Each flag := (its option's value == 1).
    void FromOptions(const KStreamOptions3ds& pOptions);
};

// Everything a 3DS read takes out of the toolkit's database, before any scene object is made:
// the settings, the records of each kind in file order, and one keyframer record per object
// (a record is made, named after the object and without keys, for every object that no
// keyframer record of its kind names; such a mesh's local system becomes the identity, so that
// it stands where its vertices are).
struct K3dsFileContent
{
    std::unique_ptr<MeshSettings3ds> mSettings;
    std::unique_ptr<BackgroundSettings3ds> mBackground;
    // The keyframer's header: its length is the span of the take; null without a header.
    std::unique_ptr<KeyframerSettings3ds> mKeyframer;
    std::vector<std::unique_ptr<MeshObject3ds>> mMeshes;
    std::vector<std::unique_ptr<LightObject3ds>> mOmniLights;
    std::vector<std::unique_ptr<LightObject3ds>> mSpotLights;
    std::vector<std::unique_ptr<CameraObject3ds>> mCameras;
    std::vector<std::unique_ptr<Material3ds>> mMaterials;
    std::vector<std::unique_ptr<ObjectMotion3ds>> mObjectNodes;
    std::vector<std::unique_ptr<OmniLightMotion3ds>> mOmniNodes;
    std::vector<std::unique_ptr<SpotlightMotion3ds>> mSpotNodes;
    std::vector<std::unique_ptr<CameraMotion3ds>> mCameraNodes;
    // The folder of the file, where its texture maps are looked for.
    std::string mFolder;

    // Fetches the records from a database of a 3DS mesh file; false as soon as the toolkit
    // reports an error (the error stays on the run's stack).
    bool Load(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, const K3dsReadFlags& pFlags);

private:
    bool LoadObjects(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                     const K3dsReadFlags& pFlags);
    bool LoadNodes(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                   const K3dsReadFlags& pFlags);
    void AddDefaultNodes();
};

// The text of the first error on the run's stack ("ERR_INVALID_CHUNK: ..."), or "" when none.
std::string FirstErrorText3ds(const Toolkit3dsContext& pKit);

#endif
