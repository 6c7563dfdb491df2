#ifndef RYVKIT_SCENE_OBJECTS_KRYVACTOR_H
#define RYVKIT_SCENE_OBJECTS_KRYVACTOR_H

#include "core/KVector4.h"
#include "scene/KRyvObject.h"
#include "scene/objects/KRyvMarkerSet.h"

#include <array>

// A body of 21 body nodes (index 0..20), each with a scale, and the marker set that places
// markers on them (object type 6, "Constraint::"). The marker set is not owned (the scene owns
// both). Out-of-range body nodes read as (1, 1, 1, 1) and are never written.
class KRyvActor : public KRyvObject
{
public:
    static constexpr int kBodyNodeCount = KRyvMarkerSet::kBodyNodeCount;

    // Every scale (1, 1, 1, 1), no marker set. The name gets the prefix "Constraint::".
    KRyvActor(KRyvObjectFactory* pOwner, const char* pName);

    int GetObjectType() const override { return kTypeActor; }

    // Stores a copy for 0 <= pBodyNode < 21; otherwise nothing.
    void SetNodeScale(int pBodyNode, const KVector4& pScale);
    // A copy; (1, 1, 1, 1) outside 0..20.
    KVector4 GetNodeScale(int pBodyNode) const;

    void SetMarkerSet(KRyvMarkerSet* pMarkerSet) { mMarkerSet = pMarkerSet; }
    KRyvMarkerSet* GetMarkerSet() const { return mMarkerSet; }

private:
    KRyvMarkerSet* mMarkerSet = nullptr;
    std::array<KVector4, kBodyNodeCount> mNodeScales;
};

#endif
