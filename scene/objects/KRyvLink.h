#ifndef RYVKIT_SCENE_OBJECTS_KRYVLINK_H
#define RYVKIT_SCENE_OBJECTS_KRYVLINK_H

#include "core/KMatrix.h"
#include "core/KString.h"
#include "core/KVector4.h"
#include "object/KWeakHandle.h"

#include <vector>

class KRyvDeformer;
class KRyvNode;

// One skin binding (a cluster): the node that deforms (link node), an optional associate model,
// how the weights combine (link mode), four transforms captured at bind time and parallel lists
// of control-point indices and weights. The nodes are not owned; a geometry owns its links.
//
// Each transform is kept as translation, Euler rotation X, Y, Z (degrees) and scale, so a
// matrix with shear does not come back unchanged; a negative scale does (the rotation takes the
// flip).
class KRyvLink
{
public:
    enum ELinkMode : int { eNormalize = 0, eAdditive = 1, eTotal1 = 2 };

    KRyvLink();
    KRyvLink(const KRyvLink& pOther);
    // Reset, then a copy of everything the other link holds.
    KRyvLink& operator=(const KRyvLink& pOther);
    virtual ~KRyvLink();

    // No nodes, mode Additive, empty user data and lists, identity transforms, parent flag off.
    void Reset();

    // A null node is ignored; otherwise the node and its current full name are stored. Nodes
    // are held weakly: once a node is destroyed the link answers null for it (the name stays).
    void SetLink(KRyvNode* pNode);
    KRyvNode* GetLink() const { return ResolveNode(mLink); }
    const KString& GetLinkName() const { return mLinkName; }
    // Null allowed (the name becomes "").
    void SetAssociateModel(KRyvNode* pNode);
    KRyvNode* GetAssociateModel() const { return ResolveNode(mAssociateModel); }
    // Refreshed from the associate model when one is set.
    const KString& GetAssociateModelName();

    void SetLinkMode(int pMode) { mLinkMode = pMode; }
    int GetLinkMode() const { return mLinkMode; }

    // Null texts count as empty.
    void SetUserData(const char* pID, const char* pValue);
    const KString& GetUserDataID() const { return mUserDataID; }
    const KString& GetUserData() const { return mUserData; }

    // Whole transforms: split into T, R, S on the way in, rebuilt with KMatrix::SetTRS on the
    // way out (the getters copy into and return oMatrix).
    void SetTransformMatrix(const KMatrix& pMatrix);
    KMatrix& GetTransformMatrix(KMatrix& oMatrix) const;
    void SetTransformLinkMatrix(const KMatrix& pMatrix);
    KMatrix& GetTransformLinkMatrix(KMatrix& oMatrix) const;
    void SetTransformAssociateModelMatrix(const KMatrix& pMatrix);
    KMatrix& GetTransformAssociateModelMatrix(KMatrix& oMatrix) const;
    // Also sets the parent flag.
    void SetTransformParentMatrix(const KMatrix& pMatrix);
    KMatrix& GetTransformParentMatrix(KMatrix& oMatrix) const;
    bool GetTransformParentSet() const { return mParentSet; }

    // Single parts of the transform, the transform link and the associate-model transform.
    void SetTransformT(const KVector4& pT) { mTransform.mT = pT; }
    void SetTransformR(const KVector4& pR) { mTransform.mR = pR; }
    void SetTransformS(const KVector4& pS) { mTransform.mS = pS; }
    KVector4 GetTransformT() const { return mTransform.mT; }
    KVector4 GetTransformR() const { return mTransform.mR; }
    KVector4 GetTransformS() const { return mTransform.mS; }
    void SetTransformLinkT(const KVector4& pT) { mTransformLink.mT = pT; }
    void SetTransformLinkR(const KVector4& pR) { mTransformLink.mR = pR; }
    void SetTransformLinkS(const KVector4& pS) { mTransformLink.mS = pS; }
    KVector4 GetTransformLinkT() const { return mTransformLink.mT; }
    KVector4 GetTransformLinkR() const { return mTransformLink.mR; }
    KVector4 GetTransformLinkS() const { return mTransformLink.mS; }
    void SetTransformAssociateModelT(const KVector4& pT) { mAssociate.mT = pT; }
    void SetTransformAssociateModelR(const KVector4& pR) { mAssociate.mR = pR; }
    void SetTransformAssociateModelS(const KVector4& pS) { mAssociate.mS = pS; }
    KVector4 GetTransformAssociateModelT() const { return mAssociate.mT; }
    KVector4 GetTransformAssociateModelR() const { return mAssociate.mR; }
    KVector4 GetTransformAssociateModelS() const { return mAssociate.mS; }

    // Appends a control-point index with its weight; a negative index is ignored.
    void AddControlPointIndex(int pIndex, double pWeight);
    int GetControlPointIndicesCount() const { return static_cast<int>(mIndices.size()); }
    // GetControlPointIndicesCount entries each; null when empty.
    int* GetControlPointIndices() { return mIndices.empty() ? nullptr : mIndices.data(); }
    double* GetControlPointWeights() { return mWeights.empty() ? nullptr : mWeights.data(); }
    // The lists themselves, for code that rewrites them (the mesh's point split).
    std::vector<int>& GetControlPointIndexArray() { return mIndices; }
    std::vector<double>& GetControlPointWeightArray() { return mWeights; }
    const std::vector<int>& GetControlPointIndexArray() const { return mIndices; }
    const std::vector<double>& GetControlPointWeightArray() const { return mWeights; }

    // Reset; from a cluster deformer (kind 2) also its mode, user data, indices, weights, the
    // four transforms and the parent flag. A null or skin deformer leaves the link reset.
    void CopyFromCluster(const KRyvDeformer* pDeformer);

private:
    // One transform as translation, Euler rotation (degrees) and scale.
    struct TRS
    {
        KVector4 mT{0.0, 0.0, 0.0, 1.0};
        KVector4 mR{0.0, 0.0, 0.0, 1.0};
        KVector4 mS{1.0, 1.0, 1.0, 1.0};

        void SetMatrix(const KMatrix& pMatrix);
        KMatrix& GetMatrix(KMatrix& oMatrix) const;
    };

    // A handle on the node's property block, which dies with the node.
    static KWeakHandle HoldNode(KRyvNode* pNode);
    static KRyvNode* ResolveNode(const KWeakHandle& pHandle);

    KWeakHandle mLink;
    KString mLinkName;
    int mLinkMode = eAdditive;
    KWeakHandle mAssociateModel;
    KString mAssociateModelName;
    KString mUserDataID;
    KString mUserData;
    TRS mTransform;
    TRS mTransformLink;
    TRS mAssociate;
    TRS mParent;
    bool mParentSet = false;
    std::vector<int> mIndices;
    std::vector<double> mWeights;
};

#endif
