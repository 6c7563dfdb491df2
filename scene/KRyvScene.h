#ifndef RYVKIT_SCENE_KRYVSCENE_H
#define RYVKIT_SCENE_KRYVSCENE_H

#include "animation/KTakeInfo.h"
#include "core/KError.h"
#include "core/KString.h"
#include "object/KWeakHandle.h"

#include <memory>
#include <vector>

class KObject;
class KPlug;
class KRyvActor;
class KRyvCameraSwitcher;
class KRyvCharacter;
class KRyvCharacterPose;
class KRyvControlSetPlug;
class KRyvGlobalCameraSettings;
class KRyvGlobalLightSettings;
class KRyvGlobalTimeSettings;
class KRyvMarkerSet;
class KRyvNode;
class KRyvObjectFactory;
class KRyvPose;
class KRyvSceneEntity;
struct KDocumentInfo;

// The in-memory scene a reader fills and a writer walks: the content (a KRyvSceneEntity with
// the root node "RootNode"), the camera switcher node, the marker sets, actors, characters,
// control-set plugs and character poses, the poses, the take information, the document
// information and the global light, camera and time settings.
//
// Ownership: the scene owns its content, the camera switcher node (made by the factory, handed
// back on destruction) with its attribute, the five object lists it fills itself, the settings,
// the take information and the document information (handed back to the factory). Poses are
// only listed: the factory owns them, and a pose must stay listed in no scene once the factory
// destroys it. The factory is not owned and must outlive the scene.
//
// Besides accessors the scene offers the passes the readers and writers share: a take made
// current everywhere, take names and information, and the translations between skin links and
// skin/cluster deformers and between layer elements and material/texture connections. Index
// arguments out of range answer null without error. The only error is kTakeError.
class KRyvScene
{
public:
    static constexpr int kTakeError = 0;

    // Makes the content with its root node, the camera switcher node with its attribute and the
    // settings with their defaults, through pFactory (null: no root and no camera switcher).
    explicit KRyvScene(KRyvObjectFactory* pFactory);
    KRyvScene(const KRyvScene&) = delete;
    KRyvScene& operator=(const KRyvScene&) = delete;
    // Destroys the content (not its nodes: DestroyScene with the recursive flag does that), the
    // camera switcher, the document information, the owned objects and the settings; poses are
    // unlisted.
    ~KRyvScene();

    KRyvObjectFactory* GetObjectFactory() const { return mFactory; }
    KRyvSceneEntity* GetSceneEntity() const { return mContent.get(); }
    KRyvNode* GetRootNode() const;
    KRyvNode* GetCameraSwitcher() const { return mCameraSwitcher; }
    // The camera switcher node's attribute.
    KRyvCameraSwitcher* GetCameraSwitcherAttribute() const
    {
        return mCameraSwitcherAttribute.get();
    }
    int GetNodeCount() const;
    KRyvNode* GetNode(int pIndex) const;

    // The owned lists, in append order. Add builds the name with BuildObjectName and the kind's
    // prefix ("MarkerSet::", "Constraint::", "ControlSetPlug::", "Pose::") and answers the new
    // index; nothing is listed when the object cannot be made.
    int GetMarkerSetCount() const { return static_cast<int>(mMarkerSets.size()); }
    KRyvMarkerSet* GetMarkerSet(int pIndex) const;
    int AddMarkerSet(const char* pName);
    int GetActorCount() const { return static_cast<int>(mActors.size()); }
    KRyvActor* GetActor(int pIndex) const;
    int AddActor(const char* pName);
    int GetCharacterCount() const { return static_cast<int>(mCharacters.size()); }
    KRyvCharacter* GetCharacter(int pIndex) const;
    int AddCharacter(const char* pName);
    int GetControlSetPlugCount() const { return static_cast<int>(mControlSetPlugs.size()); }
    KRyvControlSetPlug* GetControlSetPlug(int pIndex) const;
    int AddControlSetPlug(const char* pName);
    int GetCharacterPoseCount() const { return static_cast<int>(mCharacterPoses.size()); }
    KRyvCharacterPose* GetCharacterPose(int pIndex) const;
    int AddCharacterPose(const char* pName);
    // Unlists and destroys the character pose (with its private scene); nothing out of range.
    void RemoveCharacterPose(int pIndex);

    // Poses (listed, not owned). AddPose: true when appended; false for null or a pose listed
    // already. A listed bind pose checks its matrices against every bind pose of every scene of
    // its factory. A pose the factory has destroyed drops out of the list.
    int GetPoseCount() const;
    KRyvPose* GetPose(int pIndex) const;
    bool AddPose(KRyvPose* pPose);

    KRyvGlobalLightSettings& GetGlobalLightSettings() { return *mLightSettings; }
    KRyvGlobalCameraSettings& GetGlobalCameraSettings() { return *mCameraSettings; }
    KRyvGlobalTimeSettings& GetGlobalTimeSettings() { return *mTimeSettings; }

    // The owned document information; the old one goes back to the factory. Null for none.
    void SetDocumentInfo(KDocumentInfo* pInfo);
    KDocumentInfo* GetDocumentInfo() const { return mDocumentInfo; }

    // Takes ------------------------------------------------------------------------------------
    // Stores the name as the current take name, then makes that take current on the camera
    // switcher, every node, texture, material and generic node of the content, asking each one
    // whatever the others answered. False when one lacks the take (kTakeError with "Not all
    // nodes have a take node called " + the name); the others keep the take. When recording
    // an error runs out of memory, std::bad_alloc leaves with every container on the take it
    // had and the former name kept: the switch is whole or not made.
    bool SetCurrentTake(const char* pName);
    const char* GetCurrentTakeName() const { return mCurrentTakeName.Buffer(); }
    // Empties oNames, then appends each distinct take name (byte for byte) of the camera
    // switcher, the content's nodes, textures, materials and generic nodes, in that order.
    void FillTakeNameList(std::vector<KString>& oNames);
    bool HasTake(const char* pName);
    // The stored information of that take (valid until Clear); null when there is none.
    KTakeInfo* GetTakeInfo(const char* pName);
    // Stores a copy, replacing the one of the same take name; false (nothing stored) for a take
    // no object of the scene has.
    bool SetTakeInfo(const KTakeInfo& pInfo);

    // Deformers and links ------------------------------------------------------------------------
    // Unlists every deformer of the content (clusters first) and hands it to the factory; a
    // deformer listed several times is unlisted at once and destroyed once.
    void RemoveAllDeformers();
    // For each node of the content with a geometry that has links: a skin "Deformer::Skin " +
    // the node's name, connected to the node, and one cluster per link with a node, named
    // "SubDeformer::Cluster " + the link node's name (with " 1", " 2", ... when taken), holding
    // the link's data and connected to the link node, the associate model ("SrcModelReference")
    // and the skin. Each deformer joins the content. Run RemoveAllDeformers first to write a
    // scene again: the pass adds new deformers every time.
    void BuildSkinDeformers();
    // The reverse: for each node of the content with a geometry, a link (made by the factory)
    // for each cluster found through the node's skins or connected to the node directly, each
    // cluster once, appended to the geometry's links.
    void BuildLinksFromClusters();

    // Layer elements and connections -------------------------------------------------------------
    // For the material (texture) elements of reference mode Direct or IndexToDirect of each
    // geometry of the content: connects each listed object to the node unless it is connected
    // already, and sets every index outside 0..count-1 to -1. An empty entry is skipped with a
    // warning line appended to ioMessage (when given).
    void ConnectLayerMaterials(KString* ioMessage = nullptr);
    void ConnectLayerTextures(KString* ioMessage = nullptr);
    // The reverse, from the node's material (texture) connections: Direct elements get the
    // connected objects from their current count on; IndexToDirect elements get the object of
    // each connection position their index array holds, and the indices become positions in the
    // direct array. An index that names no usable connection becomes -1.
    void FillLayerMaterials();
    void FillLayerTextures();
    // For each texture of the content without a video clip: a clip named after the media name
    // (else the texture's name without prefix) with the texture's file names, connected to it.
    void CreateTextureVideos();

    // Back to the constructed state, keeping the root node and the camera switcher: destroys
    // the root's subtrees, the root's and the switcher's takes but the first, the document
    // information, the owned objects, the generic nodes and deformers of the content; unlists
    // the poses and the content's shared objects; resets the settings, the current take name
    // and the take information.
    void Clear();
    // Exchanges everything the scene holds (content with its root node, camera switcher,
    // character objects, poses, settings, takes, document information) with ioOther, so that a
    // reader can build a whole scene aside and hand it over only once it is complete. False,
    // nothing exchanged, when the two scenes have different factories.
    bool SwapContent(KRyvScene& ioOther);

    KError& GetError() { return mError; }

    // Connection helpers ------------------------------------------------------------------------
    // The plug's source connections of that class (-1 or the KPlug class id: all of them); 0
    // for null.
    static int GetConnectionCount(KPlug* pPlug, int pClassId);
    // A handle to the object connected as the pIndex-th source of that class when it is a
    // KObject; an empty handle otherwise.
    static KWeakHandle GetConnectedObject(KPlug* pPlug, int pIndex, int pClassId);
    // The plug as a property set (a KObject that belongs to a scene object); null otherwise.
    static KObject* AsPropertySet(KPlug* pPlug);

private:
    // Hands back what a constructor that failed had made through the factory.
    void ReleaseHalfBuilt();
    void ConnectLayerObjects(int pType, KString* ioMessage);
    void FillLayerObjects(int pType);
    void DestroyOwnedObjects();
    void UnlistSharedObjects();
    void ResetCameraSwitcher();
    // Drops the poses whose property set has gone, that is, the poses destroyed meanwhile.
    void PrunePoses() const;

    struct ListedPose
    {
        KRyvPose* mPose;
        // Of the pose's property set, which dies with the pose; empty when it has none.
        KWeakHandle mAlive;
        // Made by another factory than the scene's (or by none).
        bool mForeign;
    };

    KRyvObjectFactory* mFactory;
    std::unique_ptr<KRyvSceneEntity> mContent;
    KRyvNode* mCameraSwitcher = nullptr;
    std::unique_ptr<KRyvCameraSwitcher> mCameraSwitcherAttribute;
    std::vector<std::unique_ptr<KRyvMarkerSet>> mMarkerSets;
    std::vector<std::unique_ptr<KRyvActor>> mActors;
    std::vector<std::unique_ptr<KRyvCharacter>> mCharacters;
    std::vector<std::unique_ptr<KRyvControlSetPlug>> mControlSetPlugs;
    std::vector<std::unique_ptr<KRyvCharacterPose>> mCharacterPoses;
    mutable std::vector<ListedPose> mPoses;
    // The factory's pose removal count at the last pruning, and whether a listed pose is foreign:
    // pruning is needed only when one of them says a listed pose may have gone.
    mutable std::uint64_t mPoseRemovalsSeen = 0;
    mutable bool mForeignPoses = false;
    std::unique_ptr<KRyvGlobalLightSettings> mLightSettings;
    std::unique_ptr<KRyvGlobalCameraSettings> mCameraSettings;
    std::unique_ptr<KRyvGlobalTimeSettings> mTimeSettings;
    KString mCurrentTakeName;
    std::vector<std::unique_ptr<KTakeInfo>> mTakeInfos;
    KDocumentInfo* mDocumentInfo = nullptr;
    KError mError;
};

#endif
