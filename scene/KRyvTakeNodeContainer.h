#ifndef RYVKIT_SCENE_KRYVTAKENODECONTAINER_H
#define RYVKIT_SCENE_KRYVTAKENODECONTAINER_H

#include "core/KError.h"
#include "core/KString.h"
#include "core/KTime.h"
#include "object/KWeakHandle.h"
#include "scene/KRyvObject.h"

#include <memory>
#include <vector>

class KDataType;
class KFCurve;
class KFCurveNode;
class KRyvTakeNode;
struct KFCurveEvent;

// What a property-to-curve link writes into: a KProperty of a property set, or a user property
// (which writes into its bound property). A property is held through a weak handle, so a link
// whose property was destroyed writes nothing. A user property is not: it must outlive its links
// (OnUserPropertyRemoved drops them).
class KRyvLinkedProperty
{
public:
    enum class Kind { kProperty, kUserProperty };

    static KRyvLinkedProperty FromProperty(KProperty* pProperty);
    static KRyvLinkedProperty FromUserProperty(KRyvUserProperty* pUserProperty);

    Kind GetKind() const { return mKind; }
    // The property to write: the living KProperty, or the user property's living bound one.
    KProperty* GetProperty() const;
    // The user property of a kUserProperty link; null for a kProperty link.
    KRyvUserProperty* GetUserProperty() const { return mUserProperty; }
    bool IsEmpty() const;

private:
    Kind mKind = Kind::kProperty;
    KWeakHandle mProperty;
    KRyvUserProperty* mUserProperty = nullptr;
};

class KRyvTakeNodeContainer;

// A link from a curve of the default take to a property: a change of the curve's default value
// is written into component mChannel of the property. While the link exists the container's
// callback is registered on the curve with the link as its data.
struct KRyvPropertyCurveLink
{
    KRyvLinkedProperty mProperty;
    int mChannel = 0;
    KFCurve* mCurve = nullptr;
    KRyvTakeNodeContainer* mContainer = nullptr;
};

// A scene object with takes of animation (nodes, materials, textures, videos, poses, deformers,
// generic nodes, control-set plugs, characters). The container owns its takes, in order, one of
// them current; take 0 is "Default", the template every later take is copied from, and its curves
// are linked to the animatable properties so that a change of a curve's default value flows into
// the property. Take names compare byte for byte.
//
// Two-step construction: InitTakeNode is pure and cannot run from this constructor, so the
// constructor makes no take. Every derived constructor calls AddDefaultTakeNode() once its own
// parts (property set, ...) are ready; that builds "Default" through InitTakeNode and makes it
// current.
//
// Failures set code 0 and one of the messages "Take node does not exist", "Unknown take node
// name", "Index out of range", "Cannot remove default take node", "Take node already exists" on
// the error object given to the constructor (borrowed; the container keeps one of its own when
// given null), and return null or false.
class KRyvTakeNodeContainer : public KRyvObject
{
public:
    // pError may point at a member of the derived class that is not yet constructed: it is only
    // stored here.
    KRyvTakeNodeContainer(KRyvObjectFactory* pOwner, const char* pName, KError* pError);
    // Unlinks every link, then destroys the takes (the last first).
    ~KRyvTakeNodeContainer() override;

    int GetTakeNodeCount() const { return static_cast<int>(mTakes.size()); }
    // Null and "Take node does not exist" for an index outside 0..count-1.
    KRyvTakeNode* GetTakeNode(int pIndex);
    const char* GetTakeNodeName(int pIndex);
    // Take 0, null when there is none (no error).
    KRyvTakeNode* GetDefaultTakeNode() const;
    // True for take 0 of this container.
    bool IsDefaultTakeNode(const KRyvTakeNode* pTake) const;
    // The current take / its name; null and "Take node does not exist" when there is none.
    KRyvTakeNode* GetCurrentTakeNode();
    const char* GetCurrentTakeNodeName();
    // -1 before the first take exists.
    int GetCurrentTakeNodeIndex() const { return mCurrent; }

    // Makes the first take of exactly that name current. None: "Unknown take node name", take 0
    // becomes current, false.
    virtual bool SetCurrentTakeNode(const char* pName);
    // The same without calling OnCurrentTakeNodeChanged, for a caller that switches many
    // containers and then drops what they cached itself.
    bool SetCurrentTakeNodeUntold(const char* pName);
    // None in 0..count-1: "Index out of range", take 0 becomes current, false.
    virtual bool SetCurrentTakeNode(int pIndex);

    // A new take named pName, appended: a deep copy of take 0 (curves, keys, default values;
    // no link, no callback), or, for the very first take, an empty take built by InitTakeNode.
    // A name in use: "Take node already exists", null. The current take does not change.
    KRyvTakeNode* AddTakeNode(const char* pName);
    // AddTakeNode("Default"), then take 0 becomes current.
    KRyvTakeNode* AddDefaultTakeNode();
    // Destroys the take at pIndex (1..count-1). A current index above it moves down with it;
    // the current take itself is replaced by the one before it.
    bool RemoveTakeNode(int pIndex);

    // Widens ioStart / ioStop to the key span of the current take; false (pair untouched) when
    // there is no current take or no key.
    virtual bool GetAnimationInterval(KTime& ioStart, KTime& ioStop);

    // True when a take other than take 0 has a key on the curve at that path.
    bool IsAnimated(const char* pName1, const char* pName2, const char* pName3) const;
    bool IsAnimated(const char* pName1, const char* pName2, const KDataType* pDataType) const;

    // Creates in pTake the curve nodes a new take of this kind must hold (the derived class's
    // channels); called once, for the first take.
    virtual void InitTakeNode(KRyvTakeNode* pTake) = 0;

    // Gives a user property flagged animatable its channel in every take (writing its values as
    // the curves' defaults) and, in take 0 and when it is bound, links the new curves to the
    // bound property. A channel is looked for among the root's direct children only ("Lcl"
    // properties also in "Transform"), so a user property named like a transform channel ("X",
    // "T") never touches the transform channels.
    void OnUserPropertyAdded(KRyvUserProperty* pUserProperty) override;
    // Deletes the user property's channel (a direct child of each take's root) in every take,
    // unlinking the links on its curves first.
    void OnUserPropertyRemoved(KRyvUserProperty* pUserProperty) override;
    // Writes an animatable user property's values into its channel of the current take and of
    // take 0 (events off, so nothing flows back). No current take: "Take node does not exist".
    void UpdateUserPropertyDefaults(KRyvUserProperty* pUserProperty);
    // Writes the value of every property GetUserProperties lists into its channel of take 0.
    void UpdateDefaultTakeFromProperties();

    // Gives pProperty its curves in pTake: one curve node named GetCurveNodeName(name) with a
    // curve, or with one child per channel ("X", "Y", "Z", "toto"); in take 0 the curves are
    // linked to the property. Does nothing when the root already has that child, or for null.
    void CreatePropertyCurves(KProperty* pProperty, KRyvTakeNode* pTake);
    // The property's value as the default values of the curve node's curve (one channel) or of
    // its children's curves (component i to child i), in single precision, events off.
    static void WritePropertyDefaults(KProperty* pProperty, KFCurveNode* pCurveNode);
    // The same for a user property: Vector and Color fill children "X", "Y", "Z" (created with
    // curves when missing), other types the node's own curve (created when missing).
    static void WriteUserPropertyDefaults(KRyvUserProperty* pUserProperty, KFCurveNode* pCurveNode);

    // Makes a link and registers the callback on the curve; null for a null property or curve
    // or a channel outside 0..3. Linking the same property, channel and curve again returns the
    // existing link.
    KRyvPropertyCurveLink* LinkPropertyToCurve(KProperty* pProperty, int pChannel, KFCurve* pCurve);
    KRyvPropertyCurveLink* LinkPropertyToCurve(KRyvUserProperty* pUserProperty, int pChannel,
                                               KFCurve* pCurve);
    // Unregisters the callback, frees the link and clears ioLink; a link not listed here is left
    // alone.
    void UnlinkPropertyCurve(KRyvPropertyCurveLink*& ioLink);
    void UnlinkAllPropertyCurves();
    int GetPropertyCurveLinkCount() const;
    // Null for an index outside 0..count-1.
    KRyvPropertyCurveLink* GetPropertyCurveLink(int pIndex) const;

    // "T", "R", "S" for "Lcl Translation", "Lcl Rotation", "Lcl Scaling"; the name itself for
    // every other name (empty for null).
    static KString GetCurveNodeName(const char* pPropertyName);
    // The data type's member count when above 1; else 3 for types 13 and 14, 4 for 12 and 15,
    // otherwise 1 (also for null).
    static int GetChannelCount(KProperty* pProperty);
    // "X", "Y", "Z", "toto" for 0 to 3; null otherwise.
    static const char* GetChannelName(int pChannel);

    // The curve callback of the links: a value change writes the curve's default value into the
    // linked property (types 1, 2 and 6 truncated to an integer, 3 and 4 as a double, vector and
    // colour kinds into the link's component); a curve going away (0x200) removes the link.
    static void OnLinkedCurveChanged(KFCurve* pCurve, KFCurveEvent* pEvent, void* pLink);

    KError& GetError() { return *mError; }

protected:
    // A derived container may leave take 0's tree to be filled on first look
    // (KRyvTakeNode::DeferContent). While it waits, AddTakeNode asks for a copy of what it would
    // hold, and UpdateUserPropertyDefaults for the write into it; false (nothing done, as
    // here) fills take 0 and takes the usual way.
    virtual bool CopyDeferredDefaultTake(KRyvTakeNode& ioTake);
    virtual bool WriteDeferredUserPropertyDefaults(KRyvTakeNode& ioTake,
                                                   KRyvUserProperty* pUserProperty);
    // Fills take 0 when it waits (its links then join the list, ahead of any made later).
    void FillDeferredDefaultTake() const;

    // Called after every assignment of the current take index (a take switch, a failed switch,
    // the first take, the removal of a take), so that derived classes can drop what they cached
    // for the previous take. Empty here.
    virtual void OnCurrentTakeNodeChanged() {}

private:
    void SetCurrentIndex(int pIndex);
    void ReportError(const char* pText);
    bool HasTakeNamed(const char* pName) const;
    void UnlinkCurvesBelow(const KFCurveNode* pCurveNode);
    KRyvPropertyCurveLink* AddLink(const KRyvLinkedProperty& pProperty, int pChannel,
                                   KFCurve* pCurve);
    void AddUserPropertyChannel(KRyvUserProperty* pUserProperty, KRyvTakeNode* pTake);

    std::vector<std::unique_ptr<KRyvTakeNode>> mTakes;
    std::vector<std::unique_ptr<KRyvPropertyCurveLink>> mLinks;
    int mCurrent = -1;
    KError mOwnError;
    KError* mError;
};

#endif
