#ifndef RYVKIT_ANIMATION_KRYVTAKENODE_H
#define RYVKIT_ANIMATION_KRYVTAKENODE_H

#include "animation/KFCurveNode.h"
#include "core/KError.h"
#include "core/KString.h"
#include "core/KTime.h"

#include <memory>

class KDataType;
class KRyvTakeNode;

// Fills a take's tree the first time anyone looks at it (KRyvTakeNode::DeferContent): what
// an object would have put in the take at once, when most takes are never looked at.
class KRyvTakeNodeContent
{
public:
    virtual void FillTakeNode(KRyvTakeNode& ioTake) = 0;

protected:
    ~KRyvTakeNodeContent() = default;
};

// One take of an object's animation: a name and an owned tree of curve nodes under a root named
// "Defaults". The curve getters answer null and set error kCurveNotFound ("Curve not found") when
// a step of their path or the curve itself is missing; a successful look-up leaves the error as
// it was. Curves handed out stay owned by the tree.
class KRyvTakeNode
{
public:
    static constexpr int kCurveNotFound = 0;

    // A null name is empty.
    explicit KRyvTakeNode(const char* pName);
    // The name and a deep copy of the curve tree (curves copied, callbacks not; a deferred
    // tree is filled first).
    KRyvTakeNode(const KRyvTakeNode& pOther);
    KRyvTakeNode& operator=(const KRyvTakeNode&) = delete;
    virtual ~KRyvTakeNode();

    const KString& GetName() const { return mName; }
    // Fills a deferred tree first, as does every call that reads the tree. The root is made on
    // the first look (throws std::bad_alloc when it cannot be): most takes of a large scene
    // wait unlooked at.
    KFCurveNode* GetKFCurveNode() const;
    // The same without making the root: null for a take whose tree was never looked at.
    KFCurveNode* FindKFCurveNode() const
    {
        FillDeferredContent();
        return mRoot.get();
    }
    // pContent (not owned; it must outlive the take or be withdrawn with null) fills the tree
    // on the first look at it; null withdraws it, leaving the tree as it is.
    void DeferContent(KRyvTakeNodeContent* pContent) { mContent = pContent; }
    // Fills a deferred tree now; a take with nothing waiting is left as it is (no root made).
    void FillDeferredContent() const;
    bool IsContentDeferred() const { return mContent != nullptr; }
    KError& GetError() { return mError; }

    // The curve at a path of up to three child names below the root (null names are skipped,
    // each step found as KFCurveNode::FindChild finds a one-step path).
    KFCurve* GetCurve(const char* pName1, const char* pName2 = nullptr,
                      const char* pName3 = nullptr);
    // The same with the last step the first node below (depth first) of that data type.
    KFCurve* GetCurve(const char* pName1, const char* pName2, const KDataType* pDataType);
    // The curve at that path exists and has at least one key (the error is not touched).
    bool IsAnimated(const char* pName1, const char* pName2 = nullptr,
                    const char* pName3 = nullptr) const;
    bool IsAnimated(const char* pName1, const char* pName2, const KDataType* pDataType) const;

    // Widens ioStart / ioStop to the key span of the whole take; false when no curve has keys.
    bool GetAnimationInterval(KTime& ioStart, KTime& ioStop) const;

    // "Transform" / "T", "R", "S" / "X", "Y", "Z".
    KFCurve* GetTransformTX() { return GetCurve("Transform", "T", "X"); }
    KFCurve* GetTransformTY() { return GetCurve("Transform", "T", "Y"); }
    KFCurve* GetTransformTZ() { return GetCurve("Transform", "T", "Z"); }
    KFCurve* GetTransformRX() { return GetCurve("Transform", "R", "X"); }
    KFCurve* GetTransformRY() { return GetCurve("Transform", "R", "Y"); }
    KFCurve* GetTransformRZ() { return GetCurve("Transform", "R", "Z"); }
    KFCurve* GetTransformSX() { return GetCurve("Transform", "S", "X"); }
    KFCurve* GetTransformSY() { return GetCurve("Transform", "S", "Y"); }
    KFCurve* GetTransformSZ() { return GetCurve("Transform", "S", "Z"); }
    KFCurve* GetVisibility() { return GetCurve("Visibility"); }

    KFCurve* GetColorX() { return GetCurve("Color", "X"); }
    KFCurve* GetColorY() { return GetCurve("Color", "Y"); }
    KFCurve* GetColorZ() { return GetCurve("Color", "Z"); }
    KFCurve* GetIntensity() { return GetCurve("Intensity"); }
    KFCurve* GetConeAngle() { return GetCurve("Cone angle"); }
    KFCurve* GetFog() { return GetCurve("Fog"); }

    KFCurve* GetFieldOfView() { return GetCurve("FieldOfView"); }
    KFCurve* GetFieldOfViewX() { return GetCurve("FieldOfViewX"); }
    KFCurve* GetFieldOfViewY() { return GetCurve("FieldOfViewY"); }
    KFCurve* GetOpticalCenterX() { return GetCurve("OpticalCenterX"); }
    KFCurve* GetOpticalCenterY() { return GetCurve("OpticalCenterY"); }
    KFCurve* GetRoll() { return GetCurve("Roll"); }
    KFCurve* GetTurnTable() { return GetCurve("TurnTable"); }
    KFCurve* GetBackgroundColorX() { return GetCurve("BackgroundColor (Color)", "X"); }
    KFCurve* GetBackgroundColorY() { return GetCurve("BackgroundColor (Color)", "Y"); }
    KFCurve* GetBackgroundColorZ() { return GetCurve("BackgroundColor (Color)", "Z"); }
    KFCurve* GetCameraIndex() { return GetCurve("Camera Index"); }

    KFCurve* GetTranslationX() { return GetCurve("Translation", "X"); }
    KFCurve* GetTranslationY() { return GetCurve("Translation", "Y"); }
    KFCurve* GetTranslationZ() { return GetCurve("Translation", "Z"); }
    KFCurve* GetRotationX() { return GetCurve("Rotation", "X"); }
    KFCurve* GetRotationY() { return GetCurve("Rotation", "Y"); }
    KFCurve* GetRotationZ() { return GetCurve("Rotation", "Z"); }
    KFCurve* GetScalingX() { return GetCurve("Scaling", "X"); }
    KFCurve* GetScalingY() { return GetCurve("Scaling", "Y"); }
    KFCurve* GetScalingZ() { return GetCurve("Scaling", "Z"); }

    KFCurve* GetAlpha() { return GetCurve("Alpha"); }
    KFCurve* GetEmissiveX() { return GetCurve("Emissive", "X"); }
    KFCurve* GetEmissiveY() { return GetCurve("Emissive", "Y"); }
    KFCurve* GetEmissiveZ() { return GetCurve("Emissive", "Z"); }
    KFCurve* GetAmbientX() { return GetCurve("Ambient", "X"); }
    KFCurve* GetAmbientY() { return GetCurve("Ambient", "Y"); }
    KFCurve* GetAmbientZ() { return GetCurve("Ambient", "Z"); }
    KFCurve* GetDiffuseX() { return GetCurve("Diffuse", "X"); }
    KFCurve* GetDiffuseY() { return GetCurve("Diffuse", "Y"); }
    KFCurve* GetDiffuseZ() { return GetCurve("Diffuse", "Z"); }
    KFCurve* GetSpecularX() { return GetCurve("Specular", "X"); }
    KFCurve* GetSpecularY() { return GetCurve("Specular", "Y"); }
    KFCurve* GetSpecularZ() { return GetCurve("Specular", "Z"); }
    KFCurve* GetOpacity() { return GetCurve("Opacity"); }
    KFCurve* GetReflectivity() { return GetCurve("Reflectivity"); }
    KFCurve* GetShininess() { return GetCurve("Shininess"); }

    // The first node below the root (depth first) of data type "IK Reach Translation",
    // "IK Reach Rotation" or "Occlusion".
    KFCurve* GetIKReachTranslation();
    KFCurve* GetIKReachRotation();
    KFCurve* GetOcclusion();

private:
    KFCurveNode* FindNode(const char* pName1, const char* pName2, const char* pName3) const;
    KFCurveNode* FindNode(const char* pName1, const char* pName2, const KDataType* pDataType) const;
    KFCurve* Found(KFCurveNode* pNode);

    KString mName;
    mutable std::unique_ptr<KFCurveNode> mRoot;
    KError mError;
    // Set while the tree waits to be filled. Filling it changes nothing a caller could have
    // seen, so the const look-ups may do it.
    mutable KRyvTakeNodeContent* mContent = nullptr;
};

#endif
