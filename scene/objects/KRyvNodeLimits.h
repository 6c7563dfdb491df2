#ifndef RYVKIT_SCENE_OBJECTS_KRYVNODELIMITS_H
#define RYVKIT_SCENE_OBJECTS_KRYVNODELIMITS_H

#include "core/KMatrix.h"
#include "core/KVector4.h"

class KRyvNode;

// What the limits read of a geometry attribute (mesh, NURBS surface, patch): its control points.
// The geometry classes implement it; an attribute that does not has no points to offer.
class KRyvControlPointSource
{
public:
    virtual ~KRyvControlPointSource() = default;
    virtual int GetControlPointCount() const = 0;
    // GetControlPointCount points; may be null when the count is 0.
    virtual const KVector4* GetControlPoints() const = 0;
};

// The limit of one transform kind: which of the six bounds (min x/y/z, max x/y/z) are active
// and the min and max vectors (all four components stored).
class KRyvLimit
{
public:
    void SetMinActive(bool pX, bool pY, bool pZ);
    void GetMinActive(bool& oX, bool& oY, bool& oZ) const;
    void SetMaxActive(bool pX, bool pY, bool pZ);
    void GetMaxActive(bool& oX, bool& oY, bool& oZ) const;
    void SetMin(const KVector4& pMin) { mMin = pMin; }
    KVector4 GetMin() const { return mMin; }
    void SetMax(const KVector4& pMax) { mMax = pMax; }
    KVector4 GetMax() const { return mMax; }
    // True when any of the six active flags is set.
    bool HasAnyActive() const;

private:
    bool mMinActive[3] = {false, false, false};
    bool mMaxActive[3] = {false, false, false};
    KVector4 mMin;
    KVector4 mMax;
};

// The translation, rotation and scaling limits of a node as files and the host exchange them;
// nothing is clamped with them. Kinds are 0 translation, 1 rotation, 2 scaling: with any other
// kind the setters change nothing and the getters answer automatic, disabled or a zero vector.
// A kind whose active flag is false is automatic. The rotation default, rotation axis and
// rotation type live in pivot set 0 of the owning node (pre-rotation, post-rotation, rotation
// order) and are read and written there; without an owning node they read as zero / Euler and
// writes are dropped. The node owns this object; the owner pointer is not owned.
class KRyvNodeLimits
{
public:
    enum EKind : int { eTranslation = 0, eRotation = 1, eScaling = 2 };

    explicit KRyvNodeLimits(KRyvNode* pNode);

    KRyvNode* GetNode() const { return mNode; }

    // The limit record of a kind; null outside 0..2.
    KRyvLimit* GetLimit(int pKind);
    const KRyvLimit* GetLimit(int pKind) const;
    KRyvLimit& GetTranslationLimit() { return mLimits[eTranslation]; }
    KRyvLimit& GetRotationLimit() { return mLimits[eRotation]; }
    KRyvLimit& GetScalingLimit() { return mLimits[eScaling]; }

    void SetTranslationActive(bool pActive) { mActive[eTranslation] = pActive; }
    bool GetTranslationActive() const { return mActive[eTranslation]; }
    void SetRotationActive(bool pActive) { mActive[eRotation] = pActive; }
    bool GetRotationActive() const { return mActive[eRotation]; }
    void SetScalingActive(bool pActive) { mActive[eScaling] = pActive; }
    bool GetScalingActive() const { return mActive[eScaling]; }

    // Active flag = !pAuto; making rotation non-automatic also sets the node's
    // "use rotation space for limit only" flag of pivot set 0.
    void SetAuto(int pKind, bool pAuto);
    bool GetAuto(int pKind) const;
    // Sets all six bound flags to pEnable, only when the kind's enabled state (any bound flag
    // set) differs from pEnable.
    void SetEnable(int pKind, bool pEnable);
    bool GetEnable(int pKind) const;
    // Translation and scaling: min and max both take the value; rotation: the node's
    // pre-rotation of pivot set 0.
    void SetDefault(int pKind, const KVector4& pValue);
    // Translation and scaling: the min vector; rotation: the node's pre-rotation.
    KVector4 GetDefault(int pKind) const;
    void SetMin(int pKind, const KVector4& pValue);
    void SetMax(int pKind, const KVector4& pValue);
    KVector4 GetMin(int pKind) const;
    KVector4 GetMax(int pKind) const;

    // True: the node's rotation order of pivot set 0 becomes "Euler XYZ" (0); false: "Spheric
    // XYZ" (6).
    void SetRotationType(bool pEuler);
    // True when that rotation order is not 6.
    bool GetRotationType() const;
    // True when that rotation order is 6.
    bool GetRotationClampType() const;
    // The node's post-rotation of pivot set 0 (Euler degrees).
    void SetRotationAxis(const KVector4& pAxis);
    KVector4 GetRotationAxis() const;
    void SetAxisLength(double pLength) { mAxisLength = pLength; }
    double GetAxisLength() const { return mAxisLength; }

    // Derives the automatic kinds from pNode's default pose and children. pNode must be the
    // owning node (any other node, a null node or a node without parent changes nothing): its
    // matrices are read, and this object's limits and the node's pivot set 0 are written.
    void ComputeAutoLimits(KRyvNode* pNode);

    // The local direction along which pNode's "bone" points (x, y, z; w 1): the translation of
    // the chosen child's default local matrix, else the farthest control point of its geometry,
    // else (0, 0, 0, 1). Null gives (0, 0, 0, 1).
    static KVector4 GetAxisDirection(KRyvNode* pNode);
    // The control point of pNode's geometry farthest from its origin; (0, 0, 0, 1) without
    // geometry or points.
    static KVector4 GetFarthestControlPoint(KRyvNode* pNode);

    // pDst = pA x pB (x, y, z; w of pDst kept).
    static void VectorCross(KVector4& pDst, const KVector4& pA, const KVector4& pB);
    // x, y, z of pV times pScale (w of pDst kept).
    static void VectorScale(KVector4& pDst, const KVector4& pV, double pScale);
    // The three axis rows' x, y, z of pSrc; the rest of pDst stays as it was.
    static void MatrixCopy3x3(KMatrix& pDst, const KMatrix& pSrc);

private:
    static bool IsKind(int pKind) { return pKind >= eTranslation && pKind <= eScaling; }
    int GetPivotRotationOrder() const;

    KRyvLimit mLimits[3];
    KRyvNode* mNode;
    bool mActive[3] = {false, false, false};
    double mAxisLength = 1.0;
};

#endif
