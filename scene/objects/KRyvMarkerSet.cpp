#include "scene/objects/KRyvMarkerSet.h"

KRyvMarkerSet::KRyvMarkerSet(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvObject(pOwner, pName)
{
    SetName(pName);
}

bool KRyvMarkerSet::AddMarker(int pBodyNode, const KRyvActorMarker& pMarker)
{
    if (pBodyNode < 0 || pBodyNode >= kBodyNodeCount) {
        return false;
    }
    std::vector<int>& lBodyNode = mBodyNodeMarkers[static_cast<size_t>(pBodyNode)];
    mMarkers.push_back(pMarker);
    mMarkerBodyNodes.push_back(pBodyNode);
    mMarkerPositions.push_back(static_cast<int>(lBodyNode.size()));
    lBodyNode.push_back(GetMarkerCount() - 1);
    return true;
}

bool KRyvMarkerSet::GetMarker(int pIndex, KRyvActorMarker& oMarker) const
{
    if (pIndex < 0 || pIndex >= GetMarkerCount()) {
        return false;
    }
    oMarker = mMarkers[static_cast<size_t>(pIndex)];
    return true;
}

bool KRyvMarkerSet::GetMarkerNode(int pIndex, int& oBodyNode, int& oPosition) const
{
    if (pIndex < 0 || pIndex >= GetMarkerCount()) {
        return false;
    }
    oBodyNode = mMarkerBodyNodes[static_cast<size_t>(pIndex)];
    oPosition = mMarkerPositions[static_cast<size_t>(pIndex)];
    return true;
}

int KRyvMarkerSet::GetBodyNodeMarkerCount(int pBodyNode) const
{
    if (pBodyNode < 0 || pBodyNode >= kBodyNodeCount) {
        return 0;
    }
    return static_cast<int>(mBodyNodeMarkers[static_cast<size_t>(pBodyNode)].size());
}

void KRyvMarkerSet::Clear()
{
    mMarkers.clear();
    for (std::vector<int>& lBodyNode : mBodyNodeMarkers) {
        lBodyNode.clear();
    }
    mMarkerBodyNodes.clear();
    mMarkerPositions.clear();
}
