#ifndef RYVKIT_ANIMATION_KFCURVENODE_H
#define RYVKIT_ANIMATION_KFCURVENODE_H

#include "animation/KFCurve.h"
#include "core/KString.h"
#include "core/KTime.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class KDataType;

// A named tree of animation channels: each node has a name, a type name, a data type (not owned;
// data types live as long as the process), an optional curve and child nodes, both owned.
// Channels are the nodes holding a curve, counted depth first: the node's own curve, then each
// child with its descendants in order. A translation channel is a node typed "Lcl Translation"
// with the children "X", "Y" and "Z", each holding a curve.
//
// Trees are at most kMaxDepth levels deep (Add refuses deeper or cyclic trees), so every walk
// over a tree read from a file is bounded.
//
// Nodes send no events. Whoever keeps pointers into a tree (curves, child nodes) checks them
// against GetStructureStamp, a process-wide counter that moves on every change of any tree's
// shape: a child added or taken out, a curve set, a copy, a node destroyed.
class KFCurveNode
{
public:
    static constexpr int kMaxDepth = 256;

    // A new node without curve (null when allocation fails). The name is also the type name,
    // except with the "TimeWarp" data type, which gives no type name. A null name is empty.
    static KFCurveNode* Create(const char* pName, KDataType* pDataType = nullptr, int pKind = 0,
                               int pLayer = 0);
    static void Destroy(KFCurveNode* pNode);

    // Changes whenever any node anywhere gains or loses a child or a curve, or is destroyed;
    // pointers found in a tree while the stamp had one value are still there while it keeps it.
    static std::uint64_t GetStructureStamp()
    {
        return sStructureStamp.load(std::memory_order_acquire);
    }

    KFCurveNode(const char* pName, KDataType* pDataType = nullptr, int pKind = 0, int pLayer = 0);
    KFCurveNode(const KFCurveNode&) = delete;
    KFCurveNode& operator=(const KFCurveNode&) = delete;
    virtual ~KFCurveNode();

    const char* GetName() const { return mName; }
    const char* GetTypeName() const { return mTypeNameIsName ? mName : ""; }
    KDataType* GetDataType() const { return mDataType; }
    int GetKind() const { return mKind; }
    int GetLayer() const { return mLayer; }
    KFCurveNode* GetParent() const { return mParent; }

    // The node's own curve (owned), null when none.
    KFCurve* GetCurve() const { return mCurve.get(); }
    // Gives the node pCurve (now owned; may be null). With pDestroyOld the previous curve is
    // destroyed and null returned; otherwise the previous curve is handed back to the caller
    // (null when it was the same curve).
    KFCurve* SetCurve(KFCurve* pCurve, bool pDestroyOld = true);

    // Children. Add takes ownership and returns the index; it refuses (-1, the caller keeps the
    // node) null, a node that already has a parent, this node or one of its ancestors, and a
    // subtree that would make the tree deeper than kMaxDepth.
    virtual int Add(KFCurveNode* pChild);
    // The same at pIndex (0..count; the children from there move one place on), for a tree
    // whose branches are made out of order but must stand in their own.
    int Insert(int pIndex, KFCurveNode* pChild);
    // Takes the child out and hands it to the caller (null when out of range).
    virtual KFCurveNode* Remove(int pIndex);
    // Takes the child out and destroys it.
    virtual bool Delete(int pIndex);
    virtual int GetCount() const;
    virtual KFCurveNode* Get(int pIndex) const;
    // Index of the first direct child of that name (case-insensitive), -1 when none.
    virtual int Find(const char* pName) const;

    // Takes the child out and destroys it; false for null or a node that is not a child.
    bool DeleteChild(KFCurveNode* pChild);

    // The node at a '/'-separated path of child names (case-insensitive; "T", "R", "S" also
    // match the child of data type "Lcl Translation", "Lcl Rotation", "Lcl Scaling"). When no
    // direct child matches a step, the children are searched depth first for the rest of the path.
    // Null when absent or for a null or empty path.
    KFCurveNode* FindChild(const char* pPath) const;
    // The first direct child of that data type (pDeep: the first node below, depth first).
    KFCurveNode* FindChild(const KDataType* pDataType, bool pDeep = false) const;
    // The direct child of that name, created (name as type name, kind 0, layer 0) and added when
    // absent; with pWithCurve a child without a curve gets a new empty curve. Null for a null or
    // empty name or when the child cannot be added.
    KFCurveNode* FindOrCreateChild(const char* pName, bool pWithCurve = true);

    // Widens ioStart / ioStop to the key span of this node's curves and its descendants'
    // (start the earlier, stop the later time); true when any key was found.
    bool GetAnimationInterval(KTime& ioStart, KTime& ioStop) const;
    // Keys in the curves of this node and all below; IsAnimated: at least one.
    int KeyGetCount() const;
    bool IsAnimated() const { return KeyGetCount() > 0; }

    // Number of channels (curves) of this node and all below: the size the arrays of Evaluate,
    // GetDefaultValues and SetDefaultValues need.
    int GetChannelCount() const;
    // Evaluates every channel at pTime into ioValues (room for GetChannelCount() doubles), depth
    // first; the hint (may be null) is a key index read as the starting segment of each curve and
    // updated. Remembers the time and values. Returns the place after the last value written.
    double* Evaluate(double* ioValues, KTime pTime, int* ioLastIndex = nullptr);
    std::vector<double> Evaluate(KTime pTime);
    // The default values of the channels, depth first, into ioValues (room for
    // GetChannelCount() doubles); places beyond the last written keep what was there. Returns
    // the place after the last value written.
    double* GetDefaultValues(double* ioValues) const;
    std::vector<double> GetDefaultValues() const;
    // Sets the channels' default values from consecutive doubles (GetChannelCount() of them),
    // depth first; returns the place after the last value read.
    const double* SetDefaultValues(const double* pValues);
    // Sets channel pChannel (depth-first index); false when out of range.
    bool SetChannelValue(int pChannel, double pValue);

    // The time and values of the last Evaluate.
    KTime GetCacheTime() const { return mCache ? mCache->mTime : KTime(); }
    const std::vector<double>& GetCacheValues() const;

    // Becomes a copy of pSource: cached time and values, kind, curve (taken from the source with
    // pMoveCurves, else copied) and the children recursively (this node's own children are
    // deleted first). Name, type name, data type and parent stay. Copying a node into one of its
    // own descendants is refused (false).
    bool CopyFrom(KFCurveNode& pSource, bool pMoveCurves = false);
    // A deep copy of this node and its subtree (curves copied), without parent; never null (like
    // every container of the kit it reports exhausted memory by std::bad_alloc).
    KFCurveNode* Clone() const;

    // Fills pT, pR and pS (three curves each, X, Y, Z) from the children "T", "R", "S" (or the
    // children typed "Lcl Translation", "Lcl Rotation", "Lcl Scaling") of pRoot; every entry is
    // first set to null and stays null for a missing curve. A null root gives nulls.
    static void GetTRSCurves(const KFCurveNode* pRoot, KFCurve* pT[3], KFCurve* pR[3],
                             KFCurve* pS[3]);

private:
    int GetHeight() const;
    int GetDepth() const;
    bool IsAncestorOf(const KFCurveNode* pNode) const;
    KFCurveNode* FindPath(const std::vector<KString>& pSteps, std::size_t pStep) const;
    KFCurveNode* FindStep(const char* pStep) const;
    double* EvaluateTree(double* ioValues, KTime pTime, int* ioLastIndex) const;
    KFCurve* FindChannel(int& ioChannel) const;
    void CopyTree(const KFCurveNode& pSource, KFCurveNode* pMoveFrom);
    static void BumpStructureStamp() { sStructureStamp.fetch_add(1, std::memory_order_acq_rel); }

    static std::atomic<std::uint64_t> sStructureStamp;

    // Points the name at the constant text of a name every take repeats, else at a copy of its
    // own. A null name is empty.
    void SetName(const char* pName);
    void FreeName();

    // What the last Evaluate gave; most nodes are never evaluated as a whole, so it is made on
    // first use.
    struct EvaluationCache
    {
        KTime mTime;
        std::vector<double> mValues;
    };

    // Never null; owned (new[]) only when mNameOwned. Takes hold many thousands of nodes with the
    // same few names, which then cost no text of their own.
    const char* mName = "";
    KDataType* mDataType;
    KFCurveNode* mParent = nullptr;
    std::unique_ptr<KFCurve> mCurve;
    std::vector<std::unique_ptr<KFCurveNode>> mChildren;
    std::unique_ptr<EvaluationCache> mCache;
    int mKind;
    int mLayer;
    bool mNameOwned = false;
    // The type name is the name itself or empty (see Create): a flag instead of a second text
    // keeps the many nodes of every take small.
    bool mTypeNameIsName = false;
};

#endif
