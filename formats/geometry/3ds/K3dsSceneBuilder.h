#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSSCENEBUILDER_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSSCENEBUILDER_H

#include "core/KColor.h"
#include "core/KString.h"
#include "formats/geometry/3ds/K3dsFileContent.h"
#include "formats/geometry/3ds/K3dsMaterialImport.h"

#include <map>
#include <string>
#include <vector>

class KReadRollback;
class KRyvCamera;
class KRyvLight;
class KRyvMarker;
class KRyvMesh;
class KRyvNodeAttribute;
class KRyvNode;
class KRyvObjectFactory;
class KRyvScene;

// Builds the scene objects of a loaded 3DS file: materials and textures, one attribute per
// object, one node per keyframer record (named "name" or "name.instance"; a camera's or spot's
// target "name.Target"), the hierarchy, and the tracks in the take "default take". Every object is
// recorded in the rollback, so the caller's commit decides whether anything stays.
//
// A parent name that names no node, or a link that would make a node its own ancestor, gives
// the default parent (the reference node "Ryv_Root" when asked for, else the scene's root).
// A mesh named by several records is shared by none: each later record gets a copy, so each
// pivot shift applies once.
class K3dsSceneBuilder
{
public:
    K3dsSceneBuilder(KRyvObjectFactory* pFactory, KReadRollback& ioRollback,
                     const K3dsReadFlags& pFlags, const K3dsFileContent& pContent,
                     double pUnitScale, KString& ioMessage);

    // False when an object cannot be made.
    bool Build(KRyvScene& ioScene);
    // The take every object holds; the reader makes it current as it commits.
    static constexpr const char* kTakeName = "default take";

    // Once every object is made, before the commit: the global ambient and background colours
    // and the take information of kTakeName: frames 0 to the keyframer's length, or without a
    // keyframer header the span of the keys (frames 0 to 150 at 30 per second without keys).
    void Finish(KRyvScene& ioScene);

private:
    struct CameraParts
    {
        KRyvCamera* mCamera = nullptr;
        KRyvMarker* mTarget = nullptr;
    };
    struct SpotParts
    {
        KRyvLight* mLight = nullptr;
        KRyvMarker* mTarget = nullptr;
    };
    // A node made for a keyframer record and the name of the node it wants as parent.
    struct Placement
    {
        KRyvNode* mNode = nullptr;
        std::string mParent;
    };

    bool BuildMaterials();
    bool BuildAttributes();
    KRyvMesh* BuildMesh(const MeshObject3ds& pObject);
    bool BuildObjectNodes();
    bool BuildOmniNodes();
    bool BuildSpotAttributes();
    bool BuildSpotNodes();
    // A node and its target node "name.Target", the node looking at the target; null when
    // either cannot be made.
    KRyvNode* NewAimedNode(const std::string& pName, KRyvNodeAttribute* pAttribute,
                           const std::string& pParent, KRyvNodeAttribute* pTargetAttribute,
                           const std::string& pTargetParent);
    bool BuildCameraNodes();
    KRyvNode* NewNode(const std::string& pName, KRyvNodeAttribute* pAttribute,
                      const std::string& pParent);
    KRyvMesh* MeshForRecord(std::size_t pMesh);
    void PlaceNodes(KRyvNode* pDefaultParent);
    KColor BackgroundColor() const;

    KRyvObjectFactory* mFactory;
    KReadRollback& mRollback;
    K3dsReadFlags mFlags;
    const K3dsFileContent& mContent;
    double mPositionScale;
    double mUnitScale;
    K3dsMaterialImport mMaterials;
    std::vector<KRyvMesh*> mMeshes;
    std::vector<bool> mMeshUsed;
    std::vector<KRyvLight*> mLights;
    std::vector<CameraParts> mCameras;
    std::vector<SpotParts> mSpots;
    std::vector<Placement> mPlacements;
    std::map<std::string, KRyvNode*> mNodesByName;
};

#endif
