#ifndef RYVKIT_SCENE_KRYVPROPERTYSETUTILS_H
#define RYVKIT_SCENE_KRYVPROPERTYSETUTILS_H

#include "object/KObject.h"
#include "scene/KRyvTakeNodeContainer.h"
#include "scene/KRyvUserProperty.h"

#include <vector>

class KPlug;
class KProperty;
class KRyvTakeNode;

// Helpers for the scene objects whose properties live on a property set of their own (nodes,
// poses, materials, textures, video clips, generic nodes, control set plugs): the property
// behind a user property, listing the set, giving it curves. None takes ownership; null
// arguments do nothing.

// Picks out the owned properties of a set that a caller treats specially (member lists,
// transform channels).
using KRyvPropertyFilter = bool (*)(const KProperty& pProperty);

// Creates the KProperty an unbound user property describes on pSet, binds it and makes pTarget
// its notify target; a bound user property, or a name pSet has already, is left alone.
void KRyvCreateUserPropertyOn(KObject* pSet, KRyvUserPropertyNotifyTarget* pTarget,
                              KRyvUserProperty* pUserProperty);
// Removes from pSet the property pUserProperty is bound to (else, with pFindByName, the one of
// its name) when pSet created it and pKeep (may be null) does not pick it: member properties and
// the set's own channels stay.
void KRyvRemoveUserPropertyFrom(KObject* pSet, KRyvUserProperty* pUserProperty,
                                KRyvPropertyFilter pKeep = nullptr, bool pFindByName = true);
// Appends every property of pSet, in order, members not made yet made first: what an object
// lists does not depend on what was asked of it before.
void KRyvAppendProperties(const KObject* pSet, std::vector<KProperty*>& ioProperties);
// Gives every animatable property of pSet that pSkip (may be null) does not pick its curves in
// pTake (see KRyvTakeNodeContainer::CreatePropertyCurves). A member not made yet is never
// animatable, so it is passed by without being made.
void KRyvCreateAnimatableCurves(KRyvTakeNodeContainer& ioContainer, const KObject* pSet,
                                KRyvTakeNode* pTake, KRyvPropertyFilter pSkip = nullptr);
// Destroys the set a container owns and clears ioSet; the container's curve links go first, as
// those of take 0 point into the set. Nothing when ioSet is null.
template <class TSet> void KRyvDestroyPropertySet(KRyvTakeNodeContainer& ioContainer, TSet*& ioSet)
{
    if (ioSet) {
        ioContainer.UnlinkAllPropertyCurves();
        ioSet->Destroy();
        ioSet = nullptr;
    }
}
// The scene object a plug belongs to: a KObject's owner, or the owner of the object a property
// is registered on. Null when there is none.
KObjectOwner* KRyvGetPlugOwner(KPlug* pPlug);

#endif
