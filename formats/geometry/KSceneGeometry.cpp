#include "formats/geometry/KSceneGeometry.h"

#include "io/KNodeWalk.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <vector>

const char* FindMissingGeometry(KRyvScene* pScene)
{
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(pScene ? pScene->GetRootNode() : nullptr, true, lNodes);
    for (KRyvNode* lNode : lNodes) {
        if (lNode->GetGeometry()) {
            return nullptr;
        }
    }
    return "no mesh, NURBS or patch";
}
