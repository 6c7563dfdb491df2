#ifndef RYVKIT_SCENE_KRYVSCENEENTITY_H
#define RYVKIT_SCENE_KRYVSCENEENTITY_H

#include "core/KError.h"
#include "scene/KRyvObjectFactory.h"

#include <vector>

class KRyvDeformer;
class KRyvGenericNode;
class KRyvGobo;
class KRyvMaterial;
class KRyvNode;
class KRyvTexture;
class KRyvVideo;

// The content of a scene: its root node, the list of the nodes that belong to it and six lists
// of shared objects (materials, textures, gobos, videos, generic nodes, deformers), each listed
// once with a use count. It lists and owns nothing: the factory makes and destroys the objects.
// Nodes join and leave through KRyvNode::SetScene (a subtree) or AddNode and RemoveNode (one
// node); both keep each node's scene link and this list in step, so a node never points at a
// content that does not list it. A node being destroyed takes itself out.
//
// Failures set the entity's KError (codes below; 14 to 18 have empty texts) and answer false or
// null. A Remove of an object still in use lowers its count and also answers false (with the
// "still in use" code): callers moving objects out treat that as normal.
class KRyvSceneEntity
{
public:
    enum EError : int {
        kNodeIsNull = 0,
        kNodeAlreadyOwned = 1,
        kNodeNotInEntity = 2,
        kParameterOutOfRange = 3,
        kMaterialStillInUse = 4,
        kMaterialNotFound = 5,
        kTextureStillInUse = 6,
        kTextureNotFound = 7,
        kGoboStillInUse = 8,
        kGoboNotFound = 9,
        kGoboNameClash = 10,
        kVideoStillInUse = 11,
        kVideoNotFound = 12,
        kVideoNameClash = 13,
        kGenericNodeStillInUse = 14,
        kGenericNodeNotFound = 15,
        kDeformerStillInUse = 17,
        kDeformerNotFound = 18,
        kErrorCount = 19
    };

    // Deformer types of the filter: all, skin, cluster.
    enum EDeformerFilter : int { eAllDeformers = 0, eSkinDeformers = 1, eClusterDeformers = 2 };

    // An empty content without root; a root joins with KRyvNode::SetScene(entity, 1).
    KRyvSceneEntity();
    // A content whose root is pFactory's new node "RootNode" (null factory: no root).
    explicit KRyvSceneEntity(KRyvObjectFactory* pFactory);
    KRyvSceneEntity(const KRyvSceneEntity&) = delete;
    KRyvSceneEntity& operator=(const KRyvSceneEntity&) = delete;
    // Clear.
    ~KRyvSceneEntity();

    // Nodes ------------------------------------------------------------------------------------
    // Null when there is none.
    KRyvNode* GetRootNode() const { return mRoot; }
    int GetNodeCount() const { return mNodes.GetCount(); }
    // Null with kParameterOutOfRange for an index outside 0..count-1.
    KRyvNode* GetNode(int pIndex);
    // Appends the node and links it to this content (unlisting it from the content it was
    // linked to); null (kNodeIsNull) or a listed node (kNodeAlreadyOwned) give false. Its
    // subtree is KRyvNode::SetScene's.
    bool AddNode(KRyvNode* pNode);
    // Unlists the node and clears its link to this content (the root becomes null when it is
    // the root); null (kNodeIsNull) or a node not listed (kNodeNotInEntity) give false.
    bool RemoveNode(KRyvNode* pNode);
    bool HasNode(const KRyvNode* pNode) const { return mNodes.Contains(pNode); }
    // Empties ioNodes, then appends the nodes whose attribute has type pType: with pRecursive
    // from the tree below the root (the root first, depth first, children in order; nothing
    // without a root), else from the node list in its order. Nodes without attribute are skipped.
    void GetNodesByAttributeType(std::vector<KRyvNode*>& ioNodes, int pType, bool pRecursive);

    // Shared objects ---------------------------------------------------------------------------
    // Get: null with kParameterOutOfRange out of range (GetDeformer: no error).
    // Find: the first listed object whose current name equals pName; null with the kind's "not
    // found" code (FindGenericNode, FindDeformer: no error).
    // Add: a listed object's count goes up; a new one is listed with count 1; true. A gobo or
    // video whose name equals that of another listed one is refused (name clash, false). Null
    // gives false.
    // Remove: the count goes down; at 0 the object is unlisted (true), else "still in use"
    // (false). Not listed: "not found", false.
    int GetMaterialCount() const { return static_cast<int>(mMaterials.size()); }
    KRyvMaterial* GetMaterial(int pIndex);
    KRyvMaterial* FindMaterial(const char* pName);
    bool AddMaterial(KRyvMaterial* pMaterial);
    bool RemoveMaterial(KRyvMaterial* pMaterial);

    int GetTextureCount() const { return static_cast<int>(mTextures.size()); }
    KRyvTexture* GetTexture(int pIndex);
    KRyvTexture* FindTexture(const char* pName);
    bool AddTexture(KRyvTexture* pTexture);
    bool RemoveTexture(KRyvTexture* pTexture);

    int GetGoboCount() const { return static_cast<int>(mGobos.size()); }
    KRyvGobo* GetGobo(int pIndex);
    bool AddGobo(KRyvGobo* pGobo);
    bool RemoveGobo(KRyvGobo* pGobo);

    int GetVideoCount() const { return static_cast<int>(mVideos.size()); }
    KRyvVideo* GetVideo(int pIndex);
    KRyvVideo* FindVideo(const char* pName);
    bool AddVideo(KRyvVideo* pVideo);
    bool RemoveVideo(KRyvVideo* pVideo);

    int GetGenericNodeCount() const { return static_cast<int>(mGenericNodes.size()); }
    KRyvGenericNode* GetGenericNode(int pIndex);
    KRyvGenericNode* FindGenericNode(const char* pName);
    bool AddGenericNode(KRyvGenericNode* pNode);
    bool RemoveGenericNode(KRyvGenericNode* pNode);

    // pType: EDeformerFilter; 3 or more counts nothing.
    int GetDeformerCount(int pType = eAllDeformers) const;
    // The pIndex-th deformer of that type in list order; null for a type outside 0..2.
    KRyvDeformer* GetDeformer(int pIndex, int pType = eAllDeformers);
    KRyvDeformer* FindDeformer(const char* pName);
    bool AddDeformer(KRyvDeformer* pDeformer);
    bool RemoveDeformer(KRyvDeformer* pDeformer);

    // Unlinks without destroying: every listed node, the geometries of those nodes with their
    // shapes, and every listed generic node lose their link to this content; root null, every
    // list empty.
    void Clear();

    // The first node of pNodes whose current name equals the current name of a node before it
    // in the list or, with pReference, of a node below pReference's root (KRyvNode::FindChild);
    // null when no name clashes. Names compare byte for byte.
    static KRyvNode* FindNodeNameClash(const std::vector<KRyvNode*>& pNodes,
                                       KRyvSceneEntity* pReference);

    KError& GetError() { return mError; }

private:
    friend class KRyvNode;
    void SetRootNode(KRyvNode* pRoot) { mRoot = pRoot; }

    template <class T> struct Record
    {
        T* mObject;
        int mCount;
    };
    template <class T> using Records = std::vector<Record<T>>;

    template <class T> T* GetAt(const Records<T>& pRecords, int pIndex);
    template <class T> T* FindByName(const Records<T>& pRecords, const char* pName) const;
    // FindByName that reports pNotFoundCode when nothing has that name.
    template <class T>
    T* FindOrReport(const Records<T>& pRecords, const char* pName, int pNotFoundCode);
    // Counts one more use; with pClashCode >= 0 another object of an equal name is refused with
    // that code.
    template <class T> bool AddUse(Records<T>& ioRecords, T* pObject, int pClashCode = -1);
    template <class T>
    bool RemoveUse(Records<T>& ioRecords, T* pObject, int pStillInUseCode, int pNotFoundCode);

    KRyvNode* mRoot = nullptr;
    // In joining order; removal is quick, as nodes leave one by one.
    KRyvFactoryList<KRyvNode> mNodes;
    Records<KRyvMaterial> mMaterials;
    Records<KRyvTexture> mTextures;
    Records<KRyvGobo> mGobos;
    Records<KRyvVideo> mVideos;
    Records<KRyvGenericNode> mGenericNodes;
    Records<KRyvDeformer> mDeformers;
    KError mError;
};

#endif
