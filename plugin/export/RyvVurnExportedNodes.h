#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTEDNODES_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTEDNODES_H

#include "platform/vurn/MDagPath.h"

#include <string>
#include <unordered_map>

class KRyvNode;

// The kit nodes made for host objects, by the host path each was made for, gathered in one walk
// of the exported tree: the deformer passes look up every influence, member and shape, and a
// walk per look-up would cost the square of the node count. Where two nodes hold one path, the
// first in the walk (depth first, last child first) answers. Rebuild after the tree changes.
class RyvVurnExportedNodes
{
public:
    void Build(KRyvNode* pRoot);
    // Empties the index, for a caller that lists the nodes itself with Add.
    void Clear();
    // Enters pNode under its host path, unless a node entered earlier holds that path.
    void Add(KRyvNode* pNode);
    // The node of exactly pPath, else, for a shape, the node of its transform; null when none.
    KRyvNode* Find(const MDagPath& pPath) const;
    // The node of exactly pPath; null when none.
    KRyvNode* FindExact(const MDagPath& pPath) const;

private:
    std::unordered_map<std::string, KRyvNode*> mNodes;
};

#endif
