#ifndef RYVKIT_SCENE_KRYVSCENEENTITY_H
#define RYVKIT_SCENE_KRYVSCENEENTITY_H

#include "core/KError.h"

#include <vector>

class KRyvNode;

// The content of a scene: its root node and the list of the nodes that belong to it. It lists
// nodes and owns none. Nodes join and leave through KRyvNode::SetScene, which keeps each node's
// scene link and this list in step; a node being destroyed takes itself out.
//
// Failures set the entity's KError (codes below) and answer false or null.
class KRyvSceneEntity
{
public:
    enum EError : int {
        kNodeIsNull = 0,
        kNodeAlreadyOwned = 1,
        kNodeNotInEntity = 2,
        kParameterOutOfRange = 3,
    };

    // An empty content without root; a root joins with KRyvNode::SetScene(entity, 1).
    KRyvSceneEntity();
    KRyvSceneEntity(const KRyvSceneEntity&) = delete;
    KRyvSceneEntity& operator=(const KRyvSceneEntity&) = delete;
    // Clears the content: every listed node loses its scene link.
    ~KRyvSceneEntity();

    // Null when there is none.
    KRyvNode* GetRootNode() const { return mRoot; }
    int GetNodeCount() const { return static_cast<int>(mNodes.size()); }
    // Null with kParameterOutOfRange for an index outside 0..count-1.
    KRyvNode* GetNode(int pIndex);
    // Appends the node; null (kNodeIsNull) or a listed node (kNodeAlreadyOwned) give false.
    // Only the list changes: the node's scene link is KRyvNode::SetScene's.
    bool AddNode(KRyvNode* pNode);
    // Unlists the node (the root becomes null when it is the root); null (kNodeIsNull) or a node
    // not listed (kNodeNotInEntity) give false.
    bool RemoveNode(KRyvNode* pNode);
    bool HasNode(const KRyvNode* pNode) const;
    // Every listed node loses its scene link; root null, list empty. No node is destroyed.
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

    KRyvNode* mRoot = nullptr;
    std::vector<KRyvNode*> mNodes;
    KError mError;
};

#endif
