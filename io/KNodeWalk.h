#ifndef RYVKIT_IO_KNODEWALK_H
#define RYVKIT_IO_KNODEWALK_H

#include <vector>

class KRyvNode;

// Appends the nodes of pNode's subtree to ioNodes depth first, a node before its children and
// children in order; pNode itself only with pIncludeNode. Nothing for a null node. The walk
// keeps its own stack, so a deep hierarchy cannot exhaust the call stack.
void CollectNodesDepthFirst(KRyvNode* pNode, bool pIncludeNode, std::vector<KRyvNode*>& ioNodes);

#endif
