#ifndef RYVKIT_SCENE_KRYVNODE_H
#define RYVKIT_SCENE_KRYVNODE_H

#include "animation/KRyvTakeNode.h"
#include "core/KError.h"
#include "core/KMatrix.h"
#include "core/KString.h"
#include "core/KTime.h"
#include "core/KVector4.h"
#include "object/KObject.h"
#include "scene/KRyvPivotSet.h"
#include "scene/KRyvTakeNodeContainer.h"

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

class KFCurve;
class KRyvNode;
class KRyvNodeAttribute;
class KRyvNodeLimits;
class KRyvNodeProperties;
class KRyvSceneEntity;
class KRyvSkeleton;
class KRyvUserProperty;

// An object outside the hierarchy that keeps pointers to nodes in its tables (a character's
// links, a control set's effector tables). It registers a back reference on each node it points
// at; a node being destroyed calls ClearNodeReference for each, so the slot never dangles. A
// referrer that dies first removes its back references (KRyvNode::RemoveBackReference).
class KRyvNodeReferrer
{
public:
    virtual ~KRyvNodeReferrer() = default;
    // Clears the slot (kind 0 to 3, index, sub-index) that points at pNode.
    virtual void ClearNodeReference(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex) = 0;
};

// One back reference: which slot of which referrer points at the node.
struct KRyvNodeBackReference
{
    KRyvNodeReferrer* mObject = nullptr;
    int mKind = 0;
    int mIndex = 0;
    int mSubIndex = 0;

    bool operator==(const KRyvNodeBackReference& pOther) const
    {
        return mObject == pOther.mObject && mKind == pOther.mKind && mIndex == pOther.mIndex &&
               mSubIndex == pOther.mSubIndex;
    }
};

// A node's cache of one local matrix (default pose or pose at a time) and of the global matrix
// derived from it. The local and the global matrix each carry a valid flag; the time belongs to
// both, so recomputing the local matrix for another time also drops the global one.
struct KRyvNodeMatrixCache
{
    // Last-key hints of the evaluations, one for each of T, R, S times X, Y, Z.
    int mHints[3][3] = {};
    KTime mTime;
    bool mLocalValid = false;
    bool mGlobalValid = false;
    KMatrix mLocal;
    KMatrix mGlobal;
    // The scaling mLocal was made with, which children of inherit type "Rrs" take off.
    KVector4 mScaling;

    void Invalidate()
    {
        for (auto& lKind : mHints) {
            lKind[0] = lKind[1] = lKind[2] = 0;
        }
        mTime = KTime();
        mLocalValid = false;
        mGlobalValid = false;
    }
};

// The nine curves "Transform"/{T, R, S}/{X, Y, Z} found in one take (null where missing). They
// are only trusted for the same take and the same curve-node structure stamp: any change of any
// curve tree's shape, the take's destruction among them, makes them be looked up again.
struct KRyvNodeTransformCurves
{
    const KRyvTakeNode* mTake = nullptr;
    std::uint64_t mStamp = 0;
    bool mValid = false;
    KFCurve* mCurves[3][3] = {};
};

// The rotations a node applies after aiming at its look-at and up-vector targets.
struct KRyvNodeTargetRotations
{
    KVector4 mPost;
    KVector4 mUp;
};

// What a node keeps of its transform evaluation, and the work matrices of the motion passes.
// Made on first use: most nodes of a large scene are only read, or only written, and need none.
struct KRyvNodeEvaluationCaches
{
    KRyvNodeMatrixCache mDefault;
    KRyvNodeMatrixCache mTime;
    KRyvNodeTransformCurves mCurves;
    // Identity at construction; the passes write their 3x4 part only.
    KMatrix mLocalWork;
    KMatrix mGlobalWork;
    // Global matrix of each pivot set, read only while that set says it is valid.
    KMatrix mPivotGlobal[2];
};

// The node of the scene hierarchy: a take-node container of object type 1 ("Model::") that owns
// its transform property block (KRyvNodeProperties, with the two pivot sets) and its limits,
// carries at most one node attribute (not owned) and keeps the caches of its transform
// evaluation. Parent and children are not stored: a child's block is a source connection of its
// parent's block. A node lists itself in at most one scene content (KRyvSceneEntity).
//
// Units: translations in scene units, rotations in Euler degrees (X, Y, Z), matrices as KMatrix
// (row vectors, rows 0-2 the axes, row 3 the translation).
//
// Errors are set on the node's KError (codes kTakeNodeError .. kIndexOutOfRange) and answered
// with false or null. Pivot-set indices other than 0 and 1 are refused: setters do nothing,
// getters answer a reset pivot set's values (and GetGlobalMatrix the identity).
//
// Destruction detaches the node from its parent, children, attribute and scene content, clears
// every back-referenced slot, then destroys limits, block and the user properties it made for
// the block itself (a factory's node leaves its records to the factory's DestroyNode).
class KRyvNode : public KRyvTakeNodeContainer, public KObjectOwner, private KRyvTakeNodeContent
{
public:
    // Error codes of the node's table.
    enum EError : int {
        kTakeNodeError = 0,
        kNodeNameClash = 1,
        kMaterialNameClash = 2,
        kTextureNameClash = 3,
        kGoboNameClash = 4,
        kVideoNameClash = 5,
        kNotAChild = 6,
        kCyclicGraph = 7,
        kIndexOutOfRange = 8,
        kErrorCount = 9
    };

    // A node with initial name pName and current name "Model::" + the part of pName after its
    // first "::", one take "Default", visible, shading mode 3, no parent, child or attribute.
    // pOwner is not owned (may be null).
    KRyvNode(KRyvObjectFactory* pOwner, const char* pName);
    ~KRyvNode() override;

    // Clears the back-referenced slots, detaches the attribute, takes the node out of the
    // hierarchy and its scene while it is whole, then takes the property block apart (the node
    // is only fit for deletion afterwards). The destructor runs it too; running it again does
    // nothing more.
    void Destruct() override;
    int GetObjectType() const override { return kTypeNode; }
    KObject* GetProperties() const override;
    KRyvNodeProperties* GetNodeProperties() const { return mProperties; }
    // The block's properties in order, then the attribute's.
    void GetUserProperties(std::vector<KProperty*>& ioProperties) const override;
    // The attribute's type name, "Null" without attribute.
    KString GetTypeName() const override;
    // The attribute's type-name list, {"Null"} without attribute.
    KPropertyStringList GetTypeFlags() const override;
    // The block gets the matching property first, then the container gives it its curves.
    void OnUserPropertyAdded(KRyvUserProperty* pUserProperty) override;
    // The container removes the curves first, then the block removes the matching property.
    void OnUserPropertyRemoved(KRyvUserProperty* pUserProperty) override;
    // The key span of the current take of this node and its whole subtree; false (pair
    // untouched) when none of them has a key.
    bool GetAnimationInterval(KTime& ioStart, KTime& ioStop) override;
    // Creates "Transform"/{T, R, S}/{X, Y, Z} and "Visibility" (linked to the block in take 0),
    // the curves of the block's other animatable properties, and tells the attribute.
    void InitTakeNode(KRyvTakeNode* pTake) override;

    // Hierarchy. Index arguments out of range give null.
    KRyvNode* GetParent() const;
    int GetChildCount() const;
    KRyvNode* GetChild(int pIndex) const;
    // Makes pChild the last child of this node, moving it from its former parent and its
    // subtree into this node's scene. False, with nothing changed, for null; when pChild is this
    // node or one of its ancestors (kCyclicGraph); when the subtree's names clash in the scene
    // (the clash code); or when the connection is refused.
    bool AddChild(KRyvNode* pChild);
    // Detaches pChild and its subtree (they leave the scene); returns pChild. Null for null and,
    // with kNotAChild, for a node that is not a child of this one.
    KRyvNode* RemoveChild(KRyvNode* pChild);
    // The first child (depth first with pRecursive) whose current name, or initial name with
    // pByInitialName, equals "Model::" + the part of pName after its first "::".
    KRyvNode* FindChild(const char* pName, bool pRecursive = false, bool pByInitialName = false);

    // Names of children as a reader found them, for connecting later.
    void AddChildName(const char* pName);
    int GetChildNameCount() const { return static_cast<int>(mChildNames.size()); }
    // Null for an index out of range.
    const char* GetChildNameAt(int pIndex) const;

    // Look-at and up-vector targets: the node whose block is connected to the block's
    // "LookAtProperty" / "UpVectorProperty". Setting the current target again changes nothing.
    KRyvNode* GetLookAtTarget() const;
    KRyvNode* GetUpVectorTarget() const;
    void SetLookAtTarget(KRyvNode* pTarget);
    void SetUpVectorTarget(KRyvNode* pTarget);
    void SetPostTargetRotation(const KVector4& pRotation);
    KVector4& GetPostTargetRotation(KVector4& oRotation) const;
    void SetUpTargetRotation(const KVector4& pRotation);
    KVector4& GetUpTargetRotation(KVector4& oRotation) const;

    // Back references (see KRyvNodeReferrer). Remove and Find answer the record's index, -1
    // when there is none or pObject is null.
    void AddBackReference(KRyvNodeReferrer* pObject, int pKind, int pIndex, int pSubIndex);
    int RemoveBackReference(KRyvNodeReferrer* pObject, int pKind, int pIndex, int pSubIndex);
    int FindBackReference(KRyvNodeReferrer* pObject, int pKind, int pIndex, int pSubIndex) const;
    int GetBackReferenceCount() const { return static_cast<int>(mBackReferences.size()); }

    // The export mark; with pInSubtree true when this node or any descendant is marked.
    bool IsMarked(bool pInSubtree = false) const;
    void SetMarked(bool pMark, bool pRecursive = false);

    // Attribute. Binding moves an attribute from its former node; the node does not own it.
    // Returns the previous attribute, or null when pAttribute is the current one.
    KRyvNodeAttribute* SetNodeAttribute(KRyvNodeAttribute* pAttribute);
    KRyvNodeAttribute* GetNodeAttribute() const { return mAttribute; }
    // True when pTake (one of this node's) still waits to be given the channels of an attribute
    // that joins deferred takes (KRyvNodeAttribute::JoinsDeferredTakes).
    bool AreAttributeChannelsDeferred(const KRyvTakeNode& pTake) const
    {
        return pTake.IsContentDeferred() && (pTake.GetDeferredParts() & kPartAttribute) != 0;
    }
    // The attribute when its type matches (types of KRyvNodeAttribute), else null. Kinds whose
    // classes belong to the scene objects are answered as the attribute base.
    KRyvNodeAttribute* GetNull() const;
    KRyvNodeAttribute* GetMarker() const;
    KRyvSkeleton* GetSkeleton() const;
    // Mesh, NURBS surface or patch.
    KRyvNodeAttribute* GetGeometry() const;
    KRyvNodeAttribute* GetMesh() const;
    KRyvNodeAttribute* GetNurb() const;
    KRyvNodeAttribute* GetPatch() const;
    KRyvNodeAttribute* GetCamera() const;
    KRyvNodeAttribute* GetCameraSwitcher() const;
    KRyvNodeAttribute* GetLight() const;
    KRyvNodeAttribute* GetOpticalReference() const;
    bool GetMultiLayer() const { return mMultiLayer; }
    void SetMultiTake(bool pMultiTake) { mMultiTake = pMultiTake; }
    bool GetMultiTake() const { return mMultiTake; }
    // 1 to 5 (1 wireframe); stored as given.
    void SetShadingMode(int pMode) { mShadingMode = pMode; }
    int GetShadingMode() const { return mShadingMode; }

    // Pivot sets (0 or 1). Setters never invalidate the cached global matrices: ask
    // GetGlobalMatrix with pForce after changing them.
    void SetPivotState(int pSet, int pState);
    void GetPivotState(int pSet, int& oState) const;
    void SetRotationOrder(int pSet, int pOrder);
    void GetRotationOrder(int pSet, int& oOrder) const;
    void SetUseRotationSpaceForLimitOnly(int pSet, bool pUse);
    bool GetUseRotationSpaceForLimitOnly(int pSet) const;
    void SetRotationOffset(int pSet, const KVector4& pVector);
    const KVector4& GetRotationOffset(int pSet) const;
    void SetRotationPivot(int pSet, const KVector4& pVector);
    const KVector4& GetRotationPivot(int pSet) const;
    void SetPreRotation(int pSet, const KVector4& pVector);
    const KVector4& GetPreRotation(int pSet) const;
    void SetPostRotation(int pSet, const KVector4& pVector);
    const KVector4& GetPostRotation(int pSet) const;
    void SetScalingOffset(int pSet, const KVector4& pVector);
    const KVector4& GetScalingOffset(int pSet) const;
    void SetScalingPivot(int pSet, const KVector4& pVector);
    const KVector4& GetScalingPivot(int pSet) const;
    KVector4 GetGeometricTranslation(int pSet) const;
    KVector4 GetGeometricRotation(int pSet) const;
    KVector4 GetGeometricScaling(int pSet) const;
    // Pivot set 0 or 1, null otherwise.
    KRyvPivotSet* GetPivotSet(int pSet);
    const KRyvPivotSet* GetPivotSet(int pSet) const;

    // The block's "InheritType" (0 and 1 "RrSs", 2 "Rrs").
    void SetTransformInheritType(int pType);
    int& GetTransformInheritType(int& oType) const;

    // "Lcl Translation", "Lcl Rotation", "Lcl Scaling" through the node's user properties (x, y,
    // z). Without the user property the setter does nothing and the getter leaves the vector.
    void SetLclTranslation(const KVector4& pValue);
    KVector4& GetLclTranslation(KVector4& ioValue) const;
    void SetLclRotation(const KVector4& pValue);
    KVector4& GetLclRotation(KVector4& ioValue) const;
    void SetLclScaling(const KVector4& pValue);
    KVector4& GetLclScaling(KVector4& ioValue) const;

    // "Show" and "Visibility"; false when "Visibility" is missing.
    void SetVisibility(bool pVisible);
    bool GetVisibility() const;

    // Pivot set 0 and the limits into the block's cached values (no notifications).
    void UpdatePropertiesFromPivots();
    // The block's values into pivot set 0 (when any differs from its default by more than 1e-6:
    // set 0 in use, set 1 reset) and into the limits (all kinds, when any differs).
    void UpdatePivotsFromProperties();
    // The block's transform properties and both pivot sets back to their defaults.
    void ResetTransformProperties();
    // One bound user property for each block property that has none yet, notifying the block.
    // Made and owned by the node's factory; the node owns them when it has no factory. A
    // factory's node makes those of its block on first use instead (PrepareUserProperties):
    // the same records, in the same order, in the node's list and in the factory's.
    void CreateUserPropertyRecords();

    // Made on first use (throws std::bad_alloc when it cannot be): most nodes never set a limit.
    KRyvNodeLimits& GetLimits();
    const KRyvNodeLimits& GetLimits() const;
    // The limits as they stand: null while never made, when they read as a KRyvNodeLimits just
    // made for the node. For walks that only read them.
    const KRyvNodeLimits* GetMadeLimits() const { return mLimits.get(); }

    // Scene membership. SetScene moves this node and its subtree into pScene (null: out of any
    // scene). Mode 1 also checks the subtree's names against pScene's tree, moves pScene's
    // current root out, clears pScene and makes this node its root. False (both scenes
    // unchanged, the clash code set) when a name clashes; leaving a scene never fails.
    bool SetScene(KRyvSceneEntity* pScene, int pMode = 0);
    KRyvSceneEntity* GetScene() const { return mScene; }

    // Transform evaluation, pivot-set model: p * S * Rpost * R * Rpre + t, with
    // t = "Lcl Translation" + rotation pivot + rotation offset - (parent's rotation pivot times the
    // transpose of the parent's post-rotation); pivots only for a set whose pivot state is 0.
    // Every model composes a node with its parent by the node's inherit type: "Rrs" (2) takes the
    // parent's own scaling ("Lcl Scaling", or its "S" curves) off the node's axes, as the host's
    // joints that compensate their parent's scale do; its position keeps the whole parent.
    // The cache of a set stays valid until a forced call or a pass from the root rewrites it.
    const KMatrix& GetGlobalMatrix(int pSet, bool pForce = false);
    KVector4& GetGlobalTranslation(KVector4& oVector, int pSet, bool pForce = false);
    // Euler X, Y, Z in degrees of the global matrix with its scale removed.
    KVector4& GetGlobalRotation(KVector4& oVector, int pSet, bool pForce = false);
    KVector4& GetGlobalScaling(KVector4& oVector, int pSet, bool pForce = false);
    // Recomputes the pivot-set global matrices of this node and its subtree.
    void ComputeGlobalMatrices(int pSet);

    // Take-curve model: the local matrix from "T", "R", "S" of take 0's defaults, or of the
    // current take evaluated at a time; the global one multiplied down from the root. Cached
    // until the next take switch (of the node or an ancestor), re-parenting, a change through
    // the "Lcl" setters, or (for the time cache) a request for another time.
    const KMatrix& GetDefaultLocalMatrix();
    const KMatrix& GetLocalMatrixAtTime(KTime pTime);
    const KMatrix& GetDefaultGlobalMatrix();
    const KMatrix& GetGlobalMatrixAtTime(KTime pTime);
    // Drops both take-curve caches of this node and, with pSubtree, of every descendant.
    void InvalidateMatrixCaches(bool pSubtree);
    // The local matrix a work-matrix pass takes (the default local matrix when the current take
    // is take 0, else the one at pTime; pRest: the default one always), worked out afresh into
    // oMatrix: nothing is cached or made, for passes that need each node's matrix once.
    void EvaluateLocalMatrix(KMatrix& oMatrix, bool pRest, KTime pTime);

    // Work matrices, filled in passes by the motion-capture readers and writers.
    void SetWorkMatrixFromDefault(bool pRecursive);
    // Default local matrix when the current take is take 0, else the local matrix at pTime.
    void SetWorkMatrixAtTime(KTime pTime, bool pRecursive);
    void SetWorkMatrixStamp(int pStamp, bool pRecursive);
    // Parent first: global work = local work then the parent's global work; a node already
    // holding pStamp is left as it is.
    void UpdateGlobalWorkMatrix(int pStamp, bool pRecursive);
    // Copies the 3x4 part.
    void SetGlobalWorkMatrix(const KMatrix& pMatrix);
    // Throws std::bad_alloc when the node's caches cannot be made.
    KMatrix* GetGlobalWorkMatrix() { return &Caches().mGlobalWork; }
    // The identity while no pass has written it.
    const KMatrix& GetLocalWorkMatrix() const;
    int GetWorkMatrixStamp() const { return mWorkStamp; }

    // Moves the animation of this node and its subtree from the other pivot set to pTargetSet
    // (0 or 1) so that every sampled transform stays the same: the differences go into the
    // curves (resampled every 1/pRate seconds). Convert keeps the full pivot model (scaling and
    // rotation pivots and offsets, pre/post-rotation, rotation order); Bake is its companion
    // for the pivot-set model of GetGlobalMatrix (the rotation pivot and offset go into the
    // translation and the geometry pivot). False, with nothing changed, for a set other than 0
    // or 1 or a rate that is not a finite number above 0; false also when a curve conversion
    // failed (the other curves are converted).
    bool ConvertPivotAnimation(int pTargetSet, double pRate, bool pReduceConstantKeys);
    bool BakePivotAnimation(int pTargetSet, double pRate, bool pReduceConstantKeys);

    // The nine curves "Transform"/{T, R, S}/{X, Y, Z} of a take (null where missing), found as
    // the node's own evaluation finds them; for writers that sample a node's transform curves.
    static void FindTransformCurves(KRyvTakeNode* pTake, KFCurve* oCurves[3][3]);
    // While the transform channels of pTake (a take of this node) all wait to be made, the
    // values their curves will hold, keyless, at every time: true with oValues[T, R, S][X, Y, Z]
    // set and nothing made. False when any of them is made: FindTransformCurves finds them then.
    bool GetWaitingTransformValues(const KRyvTakeNode* pTake, KVector4 oValues[3]) const;

    // The block's connection hook: refuses a child that would close a cycle or whose names
    // clash in this node's scene, and moves subtrees into and out of the scene. Only the
    // block's own plug and another node's block count; look-at targets, deformers and
    // materials are left alone. Called by KRyvNodeProperties.
    bool OnBlockConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                              const KConnectEventArgs* pArgs);

protected:
    void OnCurrentTakeNodeChanged() override;
    // Makes the block's records when they are still pending: the factory makes those of every
    // node made before this one first, so its list keeps the order of creation.
    void PrepareUserProperties() const override;
    // While the block's records wait, the ones made already, then one made for the call for
    // each block property that has none, its property read without being made
    // (KObject::WalkToRead): the records PrepareUserProperties would list, in its order.
    void
    VisitUserProperties(const std::function<void(const KRyvUserProperty&)>& pVisit) const override;
    bool CopyDeferredDefaultTake(KRyvTakeNode& ioTake) override;
    bool WriteDeferredUserPropertyDefaults(KRyvTakeNode& ioTake,
                                           KRyvUserProperty* pUserProperty) override;

private:
    friend class KRyvSceneEntity;
    friend class KRyvNodeProperties;
    friend class KRyvObjectFactory;

    // Most nodes of a large scene never have their records looked at, so a factory's node
    // defers them. What listing them at creation changed on the block (the animated flag of
    // its animatable properties) is done at once.
    void DeferUserPropertyRecords();
    void MakeDeferredUserPropertyRecords();
    void MakeUserPropertyRecords(bool pTellAdded);
    // The block's properties that have a record already, looked up once: asking
    // FindUserProperty for each property would resolve every record's handle per property.
    std::unordered_set<const KProperty*> GetRecordedProperties() const;
    // Take 0 of a node is filled on first look when it would hold the transform and
    // visibility channels only (no attribute, no other animatable block property): until then
    // their default values are kept here, as the curves would hold them. A take added while
    // take 0 waits is a copy of those channels, filled on first look too.
    static constexpr int kChannelValueCount = 10;
    struct DeferredCopy
    {
        const KRyvTakeNode* mTake;
        float mValues[kChannelValueCount];
    };
    // The parts of a deferred take, made one by one in a later take: each transform channel
    // ("Transform"/"T", "R" or "S" with its curves X, Y, Z), "Visibility", the channels of an
    // attribute that joins deferred takes. Take 0 is made whole, so that the links of its
    // curves join the list in the order a whole fill gives.
    static constexpr unsigned kPartTranslation = 1u << 0;
    static constexpr unsigned kPartVisibility = 1u << 3;
    static constexpr unsigned kPartAttribute = 1u << 4;
    static constexpr unsigned kAllParts = 31u;
    bool CanDeferDefaultTake(const KRyvTakeNode* pTake) const;
    void GetChannelValues(float* oValues) const;
    // The parts pParts of the transform and visibility channels, each in its place among
    // pMade, the parts the take holds already.
    void AddChannelCurves(KRyvTakeNode& ioTake, const float* pValues, bool pLink, unsigned pParts,
                          unsigned pMade);
    void AddTransformChannel(KRyvTakeNode& ioTake, int pChannel, const float* pValues, bool pLink,
                             unsigned pMade);
    void AddVisibilityChannel(KRyvTakeNode& ioTake, float pValue, bool pLink);
    // The channel values a deferred take is made with; false for a take of no record.
    bool FindDeferredValues(const KRyvTakeNode& pTake, float* oValues) const;
    void FillTakeNode(KRyvTakeNode& ioTake, unsigned pParts) override;
    // The copy takes no links to the block's properties: they belong to the take itself.
    void FillCopy(const KRyvTakeNode& pTake, KRyvTakeNode& ioCopy, unsigned pParts) override;
    unsigned GetPartsToFind(const KRyvTakeNode& pTake, const KRyvCurvePath& pPath) const override;
    void AddDeferredAttributeChannels(KRyvTakeNode& ioTake);
    void SetDeferredChannelValue(int pIndex, double pValue);

    // Hands pUse the record of a transform channel; while the records are pending, one made
    // for this call, bound to the channel's property. Nothing when the node has none.
    template <typename F> void WithLclRecord(int pChannel, F pUse) const;

    static KRyvNode* NodeOfPlug(KPlug* pPlug);
    // True when pNode is this node or lies above it.
    bool IsSelfOrAncestor(const KRyvNode* pNode) const;
    void CollectSubtree(std::vector<KRyvNode*>& ioNodes);
    // Appends the children, last first, for a walk that pops them off in order.
    void PushChildrenReversed(std::vector<KRyvNode*>& ioStack) const;
    // The clash code that joining pScene would give this subtree, 0 when none (also for a null
    // scene: leaving never clashes).
    int FindSceneClash(KRyvSceneEntity* pScene, int pMode);
    void SetTargetOf(const char* pPropertyName, KRyvNode* pTarget);
    KRyvNode* GetTargetOf(const char* pPropertyName) const;
    bool GetSubtreeAnimationInterval(KTime& ioStart, KTime& ioStop);
    // Channel 0 "Lcl Translation", 1 "Lcl Rotation", 2 "Lcl Scaling".
    void SetLclValue(int pChannel, const KVector4& pValue);
    KVector4 GetLclValue(int pChannel, const KVector4& pDefault) const;
    // The transform curves of pTake, from the cache when it still holds for that take.
    // The evaluation caches, made on first use (throws std::bad_alloc when they cannot be).
    KRyvNodeEvaluationCaches& Caches();
    bool IsDefaultGlobalValid() const { return mCaches && mCaches->mDefault.mGlobalValid; }
    bool IsGlobalValidAt(KTime pTime) const
    {
        return mCaches && mCaches->mTime.mGlobalValid && mCaches->mTime.mTime == pTime;
    }
    const KRyvNodeTransformCurves& GetTransformCurves(KRyvTakeNode* pTake);
    // The local matrix of pTake, from its waiting values or its curves (with pCacheCurves those
    // of the node's cache, else looked up for this call alone).
    void ComputeLocalMatrix(KMatrix& oMatrix, KVector4& oScaling, KRyvTakeNode* pTake, bool pAtTime,
                            KTime pTime, int (*ioHints)[3], bool pCacheCurves = true);
    // pLocal then pParentGlobal into oGlobal, as this node's inherit type composes them: "Rrs"
    // keeps the parent's own scaling pParentScaling off this node's axes, while its position
    // still goes through the whole parent; "RrSs" takes the whole parent.
    void ComposeGlobal(KMatrix& oGlobal, const KMatrix& pParentGlobal, const KMatrix& pLocal,
                       const KVector4& pParentScaling) const;
    // The global matrix at pTime of this node from its parent's (null: the root), which must be
    // valid at pTime already.
    void ComputeGlobalMatrixAtTime(KRyvNode* pParent, KTime pTime);
    // ConvertPivotAnimation (pBake false) and BakePivotAnimation (pBake true).
    bool ConvertSubtreePivots(int pTargetSet, double pRate, bool pReduce, bool pBake);

    KRyvNodeProperties* mProperties = nullptr;
    mutable std::unique_ptr<KRyvNodeLimits> mLimits;
    std::vector<KString> mChildNames;
    KRyvSceneEntity* mScene = nullptr;
    // Made by the first set: few nodes have targets.
    std::unique_ptr<KRyvNodeTargetRotations> mTargetRotations;
    KRyvNodeAttribute* mAttribute = nullptr;
    int mShadingMode = 0;
    bool mMultiLayer = false;
    bool mMultiTake = true;
    // Null until the first evaluation (see Caches).
    std::unique_ptr<KRyvNodeEvaluationCaches> mCaches;
    int mWorkStamp = -1;
    bool mMarked = false;
    bool mDestructed = false;
    // Whether the transform channels' records are pending (see mLclChannels).
    bool mRecordsPending = false;
    std::vector<KRyvNodeBackReference> mBackReferences;
    std::vector<std::unique_ptr<KRyvUserProperty>> mOwnedUserProperties;
    // The node's own "Lcl Translation", "Lcl Rotation" and "Lcl Scaling" user properties: the
    // first of their names in the list for good, as nothing takes them out of it.
    KRyvUserProperty* mLclProperties[3] = {nullptr, nullptr, nullptr};
    // The transform channels' properties while the records are pending.
    KWeakHandle mLclChannels[3];
    // Translation, rotation and scaling X, Y, Z, then visibility: take 0's defaults while its
    // tree is deferred.
    float mDeferredChannelValues[kChannelValueCount] = {};
    // The later takes waiting to be filled; an entry of a take removed unfilled stays until
    // the node goes, never matched again (a new take at its address replaces it).
    std::vector<DeferredCopy> mDeferredCopies;
    KError mError;
};

#endif
