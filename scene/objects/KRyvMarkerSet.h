#ifndef RYVKIT_SCENE_OBJECTS_KRYVMARKERSET_H
#define RYVKIT_SCENE_OBJECTS_KRYVMARKERSET_H

#include "core/KString.h"
#include "core/KVector4.h"
#include "scene/KRyvObject.h"

#include <array>
#include <vector>

class KRyvNode;

// One marker of an actor's marker set: its name, the scene node that is the marker (not owned;
// the scene destroys nodes only after it stops reading marker sets), whether it is oriented,
// and its translation and rotation offsets ((0, 0, 0, 1) by default). A plain value.
struct KRyvActorMarker
{
    KString mName{""};
    KRyvNode* mModel = nullptr;
    bool mOriented = false;
    KVector4 mTOffset{0.0, 0.0, 0.0, 1.0};
    KVector4 mROffset{0.0, 0.0, 0.0, 1.0};
};

// Which markers belong to which of an actor's 21 body nodes (object type 7, "MarkerSet::"). It
// owns copies of the records, in the order added, and knows for each its body node and its
// position among that body node's markers. Body nodes are addressed by index 0..20.
class KRyvMarkerSet : public KRyvObject
{
public:
    static constexpr int kBodyNodeCount = 21;

    // Empty. The name gets the prefix "MarkerSet::".
    KRyvMarkerSet(KRyvObjectFactory* pOwner, const char* pName);

    int GetObjectType() const override { return kTypeMarkerSet; }

    // Appends a copy of the record under body node pBodyNode; false (nothing added) for a body
    // node outside 0..20.
    bool AddMarker(int pBodyNode, const KRyvActorMarker& pMarker);
    int GetMarkerCount() const { return static_cast<int>(mMarkers.size()); }
    // Copies marker pIndex into oMarker; false (oMarker untouched) outside [0, count).
    bool GetMarker(int pIndex, KRyvActorMarker& oMarker) const;
    // The body node of marker pIndex and its position among that body node's markers; false
    // (outputs untouched) outside [0, count).
    bool GetMarkerNode(int pIndex, int& oBodyNode, int& oPosition) const;
    // The number of markers of a body node; 0 outside 0..20.
    int GetBodyNodeMarkerCount(int pBodyNode) const;
    // Removes every marker.
    void Clear();

private:
    std::vector<KRyvActorMarker> mMarkers;
    // Per body node, the indices of its markers in mMarkers, in the order added.
    std::array<std::vector<int>, kBodyNodeCount> mBodyNodeMarkers;
    // Parallel to mMarkers.
    std::vector<int> mMarkerBodyNodes;
    std::vector<int> mMarkerPositions;
};

#endif
