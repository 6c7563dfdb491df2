#ifndef RYVKIT_IO_KREADROLLBACK_H
#define RYVKIT_IO_KREADROLLBACK_H

#include "core/KVector4.h"

#include <cstddef>
#include <vector>

class KFCurve;
class KRyvNode;
class KRyvNodeAttribute;
class KRyvMaterial;
class KRyvObjectFactory;
class KRyvPose;
class KRyvScene;
class KRyvTakeNode;
class KRyvTakeNodeContainer;
class KRyvTexture;
class KRyvVideo;
class KRyvGobo;

// What one Read of a reader has made, undone unless the read commits, so that a failed read
// leaves the scene and the factory as it found them. The reader hands every node, attribute,
// pose, material and texture it creates to the rollback and opens its key batches through it,
// adds takes to and moves nodes it does not own through it, and sets take information only
// once nothing can fail any more.
//
// Undoing closes every key batch still open (with no key), removes the takes added and puts
// the former local transforms back, then hands the nodes back to the factory one by one, the
// newest first and each without its subtree (so no pointer is used after its object went,
// whatever the nodes' parents are meanwhile), then the attributes, the poses, the materials,
// the textures, the videos and the gobos, users before what they use. The factory is not owned
// and must outlive the rollback; objects are not owned until the rollback undoes them.
class KReadRollback
{
public:
    explicit KReadRollback(KRyvObjectFactory* pFactory);
    KReadRollback(const KReadRollback&) = delete;
    KReadRollback& operator=(const KReadRollback&) = delete;
    // Undoes, unless committed.
    ~KReadRollback();

    // Each answers its argument, so that a creation reads "Add(lFactory->CreateNode(...))".
    // Null is passed through and not recorded. When the record cannot be made (std::bad_alloc),
    // the object is handed back to the factory at once and the exception goes on.
    KRyvNode* AddNode(KRyvNode* pNode);
    KRyvNodeAttribute* AddAttribute(KRyvNodeAttribute* pAttribute);
    KRyvPose* AddPose(KRyvPose* pPose);
    KRyvMaterial* AddMaterial(KRyvMaterial* pMaterial);
    KRyvTexture* AddTexture(KRyvTexture* pTexture);
    KRyvVideo* AddVideo(KRyvVideo* pVideo);
    KRyvGobo* AddGobo(KRyvGobo* pGobo);

    // Makes room for pCount more node records and as many attribute records (throws
    // std::bad_alloc when it cannot), so that a reader that knows how many it makes holds no
    // more room than those need.
    void ReserveNodes(std::size_t pCount);
    // Adds the take pName to a container that was there before the read and records it: the
    // undo removes it again and gives the container back the take that was current. Null when
    // the container has a take of that name already (nothing is recorded then).
    KRyvTakeNode* AddTakeNode(KRyvTakeNodeContainer& ioContainer, const char* pName);

    // Gives a node that was there before the read new local translation and rotation and
    // records the former ones, which the undo puts back.
    void SetLclTransform(KRyvNode& ioNode, const KVector4& pTranslation, const KVector4& pRotation);

    // Opens a key set batch of pCount keys on pCurve and records it; false when the curve
    // refuses (null, a count out of range, a batch already open).
    bool BeginKeySet(KFCurve* pCurve, int pCount);
    // Closes the batch of every recorded curve with pCount keys (fewer when fewer were set).
    // False when a curve had no open batch.
    bool EndKeySets(int pCount);

    // The read succeeded: everything recorded stays and is forgotten here. A batch still open
    // is closed with every key that was set in it.
    void Commit();
    // Commits, then makes pTake (not null) the scene's current take. The read has landed whole
    // by then: a failed allocation during the switch leaves the former take current rather
    // than report the landed read as failed.
    void CommitWithCurrentTake(KRyvScene& ioScene, const char* pTake);
    // Undoes now; afterwards nothing is recorded. The counts below say what went.
    void Undo();

    int GetNodeCount() const { return static_cast<int>(mNodes.size()); }
    int GetOpenKeySetCount() const { return static_cast<int>(mKeySets.size()); }

private:
    void Clear();
    // Hands one recorded object back to the factory (nothing without a factory).
    void Release(KRyvNode* pNode);
    void Release(KRyvNodeAttribute* pAttribute);
    void Release(KRyvPose* pPose);
    void Release(KRyvMaterial* pMaterial);
    void Release(KRyvTexture* pTexture);
    void Release(KRyvVideo* pVideo);
    void Release(KRyvGobo* pGobo);
    // Records pObject; when the record itself cannot be made, the object goes back at once
    // before the failure goes on, as no undo would find it.
    template <class T> T* Record(std::vector<T*>& ioList, T* pObject);
    // Hands the objects of a list back, the newest first.
    template <class T> void ReleaseNewestFirst(const std::vector<T*>& pList);

    // A take added to a container the read does not own, with the take current before.
    struct AddedTake
    {
        KRyvTakeNodeContainer* mContainer;
        KRyvTakeNode* mTake;
        int mFormerCurrent;
    };
    void RemoveAddedTakes();
    // A node's local translation and rotation before the read changed them.
    struct FormerTransform
    {
        KRyvNode* mNode;
        KVector4 mTranslation;
        KVector4 mRotation;
    };
    void RestoreTransforms();

    KRyvObjectFactory* mFactory;
    std::vector<KRyvNode*> mNodes;
    std::vector<KRyvNodeAttribute*> mAttributes;
    std::vector<KRyvPose*> mPoses;
    std::vector<KRyvMaterial*> mMaterials;
    std::vector<KRyvTexture*> mTextures;
    std::vector<KRyvVideo*> mVideos;
    std::vector<KRyvGobo*> mGobos;
    std::vector<KFCurve*> mKeySets;
    std::vector<AddedTake> mAddedTakes;
    std::vector<FormerTransform> mTransforms;
};

#endif
