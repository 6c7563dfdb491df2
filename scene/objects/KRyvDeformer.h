#ifndef RYVKIT_SCENE_OBJECTS_KRYVDEFORMER_H
#define RYVKIT_SCENE_OBJECTS_KRYVDEFORMER_H

#include "core/KError.h"
#include "core/KMatrix.h"
#include "core/KString.h"
#include "object/KObject.h"
#include "object/KPropertyObjectList.h"
#include "scene/KRyvOwnedPropertySet.h"
#include "scene/KRyvPropertySetOwner.h"

#include <vector>

class KRyvDeformer;
class KRyvLink;

// The property set of a skin deformer (class name "Skin"): no properties of its own, only the
// user properties created on it, and an accuracy of 50.0 that the files do not use (they use
// the deformer's own). Owned by its KRyvDeformer; its destructor removes its connections.
class KRyvDeformerProperties : public KRyvOwnedPropertySet<KRyvDeformer>
{
    K_DECLARE_CLASS(KRyvDeformerProperties)

    // pDeformer: the owner, not owned (may be null).
    explicit KRyvDeformerProperties(KRyvDeformer* pDeformer);
    ~KRyvDeformerProperties() override;

    KRyvDeformer* GetDeformer() const { return GetOwner(); }

    double GetAccuracy() const { return mAccuracy; }
    void SetAccuracy(double pAccuracy) { mAccuracy = pAccuracy; }

private:
    double mAccuracy = 50.0;
};

// The property set of a cluster deformer (class name "Cluster"; it counts as a
// KRyvDeformerProperties): two object lists, "SrcModel" and "SrcModelReference", that accept
// node property blocks only.
class KRyvClusterProperties : public KRyvDeformerProperties
{
    K_DECLARE_CLASS(KRyvClusterProperties)

    explicit KRyvClusterProperties(KRyvDeformer* pDeformer);
    ~KRyvClusterProperties() override;

    KPropertyObjectList& GetSrcModel() { return mSrcModel; }
    KPropertyObjectList& GetSrcModelReference() { return mSrcModelReference; }

private:
    void RegisterObjectList(KPropertyObjectList& ioProperty, const char* pName);

    KPropertyObjectList mSrcModel;
    KPropertyObjectList mSrcModelReference;
};

// A deformer of the scene (object type 10, no name prefix): a whole skin (kind 1) or one
// cluster (kind 2), fixed at construction. A cluster carries the binding data of a skin link
// (mode, user data, control-point indices and weights, four transforms as matrices) and
// converts to and from KRyvLink. The deformer owns its property set. Made and destroyed by the
// object factory.
class KRyvDeformer : public KRyvPropertySetOwner<KRyvDeformerProperties>
{
public:
    enum EDeformerType : int { eSkin = 1, eCluster = 2 };

    // A cluster when pKind equals "cluster" ignoring case, else (null included) a skin. Builds
    // the property set of that kind and the take "Default" (current).
    KRyvDeformer(KRyvObjectFactory* pOwner, const char* pName, const char* pKind);
    ~KRyvDeformer() override;

    void Destruct() override;
    int GetObjectType() const override { return kTypeDeformer; }
    KRyvDeformerProperties* GetDeformerProperties() const { return mProperties; }
    // Null for a skin.
    KRyvClusterProperties* GetClusterProperties() const;
    // "Skin" or "Cluster".
    KString GetTypeName() const override;
    // {"Deformer"}.
    KPropertyStringList GetTypeFlags() const override;
    // The user property is created on the property set with its full label and only the three
    // user flags, then in the takes.
    void OnUserPropertyAdded(KRyvUserProperty* pUserProperty) override;
    // Only what the set created goes, found through the binding; the cluster's lists stay.
    void OnUserPropertyRemoved(KRyvUserProperty* pUserProperty) override;

    int GetDeformerType() const { return mType; }
    void SetMultiLayer(bool pMultiLayer) { mMultiLayer = pMultiLayer; }
    bool GetMultiLayer() const { return mMultiLayer; }
    // The skin's deform accuracy as the files store it (50.0 at construction).
    void SetAccuracy(double pAccuracy) { mAccuracy = pAccuracy; }
    double GetAccuracy() const { return mAccuracy; }

    // Cluster binding (kept for any kind, used for clusters).
    void SetLinkMode(int pMode) { mLinkMode = pMode; }
    int GetLinkMode() const { return mLinkMode; }
    // Null texts count as empty.
    void SetUserData(const char* pID, const char* pValue);
    const KString& GetUserDataID() const { return mUserDataID; }
    const KString& GetUserData() const { return mUserData; }
    std::vector<int>& GetControlPointIndexArray() { return mIndices; }
    const std::vector<int>& GetControlPointIndexArray() const { return mIndices; }
    std::vector<double>& GetControlPointWeightArray() { return mWeights; }
    const std::vector<double>& GetControlPointWeightArray() const { return mWeights; }
    void SetTransformMatrix(const KMatrix& pMatrix) { mTransform = pMatrix; }
    const KMatrix& GetTransformMatrix() const { return mTransform; }
    void SetTransformLinkMatrix(const KMatrix& pMatrix) { mTransformLink = pMatrix; }
    const KMatrix& GetTransformLinkMatrix() const { return mTransformLink; }
    void SetTransformAssociateModelMatrix(const KMatrix& pMatrix) { mAssociate = pMatrix; }
    const KMatrix& GetTransformAssociateModelMatrix() const { return mAssociate; }
    void SetTransformParentMatrix(const KMatrix& pMatrix) { mParent = pMatrix; }
    const KMatrix& GetTransformParentMatrix() const { return mParent; }
    void SetTransformParentSet(bool pSet) { mParentSet = pSet; }
    bool GetTransformParentSet() const { return mParentSet; }

    // Clusters only (false otherwise, nothing changed; also for a null link): the link's mode,
    // user data, indices, weights and parent flag, and the four matrices rebuilt from its
    // translation, rotation and scale.
    bool CopyFromLink(const KRyvLink* pLink);

private:
    KError mError;
    int mType;
    bool mMultiLayer = false;
    double mAccuracy = 50.0;
    int mLinkMode = 0;
    KString mUserDataID;
    KString mUserData;
    std::vector<int> mIndices;
    std::vector<double> mWeights;
    KMatrix mTransform;
    KMatrix mTransformLink;
    KMatrix mAssociate;
    KMatrix mParent;
    bool mParentSet = false;
};

#endif
