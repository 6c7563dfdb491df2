#ifndef RYVKIT_SCENE_OBJECTS_KRYVMARKER_H
#define RYVKIT_SCENE_OBJECTS_KRYVMARKER_H

#include "core/KColor.h"
#include "core/KVector4.h"
#include "object/KObject.h"
#include "object/KPropertyDefinitionCache.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvNodeAttribute.h"

class KFCurve;

// The property set of a marker: "Look" (enumeration "Cube", "Hard Cross", "Light Cross",
// "Sphere"), "Size", "Color" (ColorRGB), "ShowLabel" and "IKPivot" (Vector3D), in this
// registration order, all zero until the marker resets them. Owned by its KRyvMarker. The set
// holds the values; each property is made when first reached (KObject::RegisterDeferredMember),
// attached with the accessors below, so a marker whose properties nobody looks at holds none.
class KRyvMarkerProperties : public KObject
{
    K_DECLARE_CLASS(KRyvMarkerProperties)

    // pDefinitions: where made properties share their definitions; may be null.
    explicit KRyvMarkerProperties(KPropertyDefinitionCache* pDefinitions = nullptr);
    ~KRyvMarkerProperties() override;

    // The look's name; null for any value outside 0..3.
    static const char* GetLookName(int pLook);

    // Accessors of the held values (no notification); the properties are attached with them.
    void SetLook(int pValue);
    int GetLook() const;
    void SetSize(double pValue);
    double GetSize() const;
    // Alpha 1.
    void SetColor(KColor pValue);
    KColor GetColor() const;
    void SetShowLabel(bool pValue);
    bool GetShowLabel() const;
    // x, y and z are stored; the answer has w = 1.
    void SetIKPivot(KVector4 pValue);
    KVector4 GetIKPivot() const;

protected:
    KProperty* MakeDeferredMember(int pMember) override;
    const char* GetDeferredMemberName(int pMember) const override;

private:
    KPropertyDefinitionCache* mDefinitions;
    int mLook = 0;
    bool mShowLabel = false;
    double mSize = 0.0;
    KColor mColor{0.0, 0.0, 0.0, 1.0};
    KVector4 mIKPivot{0.0, 0.0, 0.0, 1.0};
};

// The attribute that makes its node a marker (attribute type 2): a plain marker, an optical
// marker (channel "Occlusion" in every take of the node) or an IK effector (channels
// "IK Reach Translation" and "IK Reach Rotation"), or an FK effector. The channels live in the
// node's takes; the marker keeps them in step with its type.
class KRyvMarker : public KRyvNodeAttribute
{
public:
    enum EMarkerType : int { eStandard = 0, eOptical = 1, eIKEffector = 2, eFKEffector = 3 };
    enum ELook : int { eCube = 0, eHardCross = 1, eLightCross = 2, eSphere = 3 };

    explicit KRyvMarker(KRyvObjectFactory* pFactory);
    // Detaches from its node first, taking the channels out of the node's takes.
    ~KRyvMarker() override;

    int GetAttributeType() const override { return eMarker; }

    // Type 0, Look Cube, Size 100, Color (1, 0, 0), no label, IKPivot (0, 0, 0).
    void Reset();

    // On a node, the channels of the old type leave every take and those of the new type join.
    // Any value is stored; values outside 0..3 carry no channel.
    void SetType(int pType);
    int GetType() const { return mType; }

    void SetLook(int pLook);
    int GetLook() const;
    void SetSize(double pSize);
    double GetSize() const;
    void SetShowLabel(bool pShow);
    bool GetShowLabel() const;
    // Components are limited to [0, 1]; alpha is ignored.
    void SetColor(double pRed, double pGreen, double pBlue);
    void SetColor(const KColor& pColor);
    // Alpha 1.
    KColor GetColor() const;
    // x, y and z of pPivot.
    void SetIKPivot(const KVector4& pPivot);
    KVector4 GetIKPivot() const;

    // IK effectors on a node only: the default value of the channel in the node's take 0, in
    // single precision. Otherwise the getters answer 0 and the setters change nothing (false).
    double GetIKReachTranslation() const;
    bool SetIKReachTranslation(double pValue);
    double GetIKReachRotation() const;
    bool SetIKReachRotation(double pValue);

    // Add / remove the channels of the current type in pTake.
    void OnTakeNodeAdded(KRyvTakeNode* pTake) override;
    void OnTakeNodeRemoved(KRyvTakeNode* pTake) override;
    // The channels follow the type alone.
    bool JoinsDeferredTakes() const override { return true; }
    // Appends "Look", "Size", "Color", "ShowLabel" and "IKPivot".
    void FillPropertyList(std::vector<KProperty*>& ioProperties) override;
    // "Marker", "OpticalMarker", "IKEffector", "FKEffector"; "Marker" for other values.
    KString GetTypeName() const override;
    // {"Marker"}.
    KPropertyStringList GetTypeNameList() const override;

private:
    KFCurve* GetDefaultChannel(const char* pDataTypeName) const;

    KRyvMarkerProperties* mProperties;
    int mType = eStandard;
};

#endif
