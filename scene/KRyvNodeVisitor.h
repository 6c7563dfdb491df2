#ifndef RYVKIT_SCENE_KRYVNODEVISITOR_H
#define RYVKIT_SCENE_KRYVNODEVISITOR_H

#include <vector>

class KRyvNode;

// Base of the walkers over a tree of nodes: Traverse visits the root and every node below it,
// depth first, each node before its children in child order, and keeps the nodes that the
// concrete walker's Accept takes, in visiting order. Nodes are not owned. The owner clears a
// walker between walks; lists grow otherwise.
class KRyvNodeVisitor
{
public:
    KRyvNodeVisitor() = default;
    KRyvNodeVisitor(const KRyvNodeVisitor&) = delete;
    KRyvNodeVisitor& operator=(const KRyvNodeVisitor&) = delete;
    virtual ~KRyvNodeVisitor() = default;

    // Empties the walker's lists (the accepted list through ClearAccepted).
    virtual void Clear() = 0;
    // Accepts (or not) pNode, then walks its subtree. A child count is read again after each
    // child, so a walker that adds children sees them. The walk keeps its own stack: deep trees
    // are safe. Null does nothing.
    virtual void Visit(KRyvNode* pNode);
    // True to keep the node on the accepted list.
    virtual bool Accept(KRyvNode* pNode) = 0;

    // Stores the root, visits it and answers the accepted list.
    const std::vector<KRyvNode*>& Traverse(KRyvNode* pRoot);
    KRyvNode* GetRoot() const { return mRoot; }
    const std::vector<KRyvNode*>& GetAcceptedNodes() const { return mAccepted; }

protected:
    void ClearAccepted() { mAccepted.clear(); }

private:
    KRyvNode* mRoot = nullptr;
    std::vector<KRyvNode*> mAccepted;
};

#endif
