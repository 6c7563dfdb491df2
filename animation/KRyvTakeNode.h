#ifndef RYVKIT_ANIMATION_KRYVTAKENODE_H
#define RYVKIT_ANIMATION_KRYVTAKENODE_H

#include "animation/KFCurveNode.h"
#include "core/KError.h"
#include "core/KString.h"
#include "core/KTime.h"

#include <memory>

class KDataType;
class KRyvTakeNode;

// A look-up below a take's root: up to three child names (null ones skipped), then, when
// mDataType is not null, the first node below of that data type (see KRyvTakeNode::GetCurve).
struct KRyvCurvePath
{
    const char* mNames[3] = {nullptr, nullptr, nullptr};
    const KDataType* mDataType = nullptr;
};

// Makes a take's tree in parts, each the first time anyone looks at it
// (KRyvTakeNode::DeferContent): what an object would have put in the take at once, when most
// takes are never looked at and most of the rest only at a few of their channels. The content
// numbers its parts (bit i for part i).
class KRyvTakeNodeContent
{
public:
    // Makes the parts pParts (never zero, all still waiting) in ioTake's tree, each where a fill
    // of the whole would have put it among the parts made before. While it runs the take still
    // lists pParts among its deferred parts and has no content, so that looking at the tree
    // makes nothing more.
    virtual void FillTakeNode(KRyvTakeNode& ioTake, unsigned pParts) = 0;
    // The parts a look-up of pPath needs made to answer as the whole tree would, the answer
    // lying in them or nowhere; every part when the content cannot tell.
    virtual unsigned GetPartsToFind(const KRyvTakeNode& pTake,
                                    const KRyvCurvePath& pPath) const = 0;
    // Makes in ioCopy (a copy of pTake's tree made so far, with no content) the parts pParts
    // that wait in pTake, as FillTakeNode would make them there, leaving pTake as it is.
    virtual void FillCopy(const KRyvTakeNode& pTake, KRyvTakeNode& ioCopy, unsigned pParts) = 0;

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
    static constexpr unsigned kAllParts = ~0u;

    // A null name is empty.
    explicit KRyvTakeNode(const char* pName);
    // The name and a deep copy of the curve tree (curves copied, callbacks not; a deferred
    // tree is filled first).
    KRyvTakeNode(const KRyvTakeNode& pOther);
    KRyvTakeNode& operator=(const KRyvTakeNode&) = delete;
    virtual ~KRyvTakeNode();

    const KString& GetName() const { return mName; }
    // Fills a deferred tree first, as does every call that reads the whole tree. The root is
    // made on the first look (throws std::bad_alloc when it cannot be): most takes of a large
    // scene wait unlooked at.
    KFCurveNode* GetKFCurveNode() const;
    // The same without making the root: null for a take whose tree was never looked at.
    KFCurveNode* FindKFCurveNode() const
    {
        FillDeferredContent();
        return mRoot.get();
    }
    // The tree as made so far, making nothing (null before anything was): enough for questions
    // about keys, and for taking out what was made, since a part that waits holds none.
    KFCurveNode* GetMadeKFCurveNode() const { return mRoot.get(); }
    // pContent (not owned; it must outlive the take or be withdrawn with null) makes the parts
    // pParts of the tree, each on the first look at it; null (or no part) withdraws it, leaving
    // the tree as it is.
    void DeferContent(KRyvTakeNodeContent* pContent, unsigned pParts = kAllParts);
    // Makes every part that waits now; a take with nothing waiting is left as it is (no root
    // made).
    void FillDeferredContent() const;
    // A copy of the take as a whole fill would make it, made without filling this take: the
    // name, a deep copy of the tree made so far and the waiting parts made into the copy. For
    // walks that read a whole tree once (a writer's), so that reading makes nothing lasting.
    // Throws std::bad_alloc.
    std::unique_ptr<KRyvTakeNode> CopyWhole() const;
    bool IsContentDeferred() const { return mContent != nullptr; }
    // The parts that still wait (none without content).
    unsigned GetDeferredParts() const { return mDeferredParts; }
    // Made on first use (throws std::bad_alloc when it cannot be): most takes never fail a
    // look-up.
    KError& GetError();

    // The curve at a path of up to three child names below the root (null names are skipped,
    // each step found as KFCurveNode::FindChild finds a one-step path). Of a deferred tree only
    // the parts the path needs are made.
    KFCurve* GetCurve(const char* pName1, const char* pName2 = nullptr,
                      const char* pName3 = nullptr);
    // The same with the last step the first node below (depth first) of that data type.
    KFCurve* GetCurve(const char* pName1, const char* pName2, const KDataType* pDataType);
    // The curve at that path exists and has at least one key (the error is not touched); a
    // path whose parts all wait has none, and nothing is made to tell.
    bool IsAnimated(const char* pName1, const char* pName2 = nullptr,
                    const char* pName3 = nullptr) const;
    bool IsAnimated(const char* pName1, const char* pName2, const KDataType* pDataType) const;

    // Widens ioStart / ioStop to the key span of the whole take; false when no curve has keys.
    // Makes nothing that waits.
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
    KFCurveNode* FindNode(const KRyvCurvePath& pPath) const;
    const KFCurveNode* FindKeyedNode(const KRyvCurvePath& pPath) const;
    KFCurve* Found(KFCurveNode* pNode);
    void FillDeferredParts(unsigned pParts) const;
    KFCurveNode* MakeRoot() const;

    KString mName;
    mutable std::unique_ptr<KFCurveNode> mRoot;
    std::unique_ptr<KError> mError;
    // Set while a part of the tree waits to be made. Making it changes nothing a caller could
    // have seen, so the const look-ups may do it.
    mutable KRyvTakeNodeContent* mContent = nullptr;
    mutable unsigned mDeferredParts = 0;
};

#endif
