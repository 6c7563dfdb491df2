#ifndef RYVKIT_SCENE_KRYVNODEINDEXPATH_H
#define RYVKIT_SCENE_KRYVNODEINDEXPATH_H

#include <vector>

class KRyvNode;

// The way from the root of a hierarchy down to one node, as one child index per level below the
// root (root side first), so that a walker can reach the same node again level by level. The
// nodes are not owned; the path goes stale when the hierarchy changes.
class KRyvNodeIndexPath
{
public:
    // Builds the path of pNode (an empty path for null).
    explicit KRyvNodeIndexPath(KRyvNode* pNode);

    // Replaces the path by that of pNode. A level whose parent has fewer than two children gets
    // index 0.
    void Build(KRyvNode* pNode);

    KRyvNode* GetNode() const { return mNode; }
    KRyvNode* GetRootNode() const { return mRoot; }
    // Number of levels below the root.
    int GetDepth() const { return static_cast<int>(mIndices.size()); }
    // Child index at level pLevel (0 is the root's child); -1 out of range.
    int GetIndexAt(int pLevel) const;
    // The node reached from the root through the first pDepth indices (0: the root); null for a
    // depth outside 0..GetDepth() or when the hierarchy no longer has that child.
    KRyvNode* GetNodeAt(int pDepth) const;
    // The current name of GetNodeAt(pDepth); null when there is no such node.
    const char* GetNameAt(int pDepth) const;

private:
    KRyvNode* mNode = nullptr;
    KRyvNode* mRoot = nullptr;
    std::vector<int> mIndices;
};

#endif
