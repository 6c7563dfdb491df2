#ifndef RYVKIT_SCENE_OBJECTS_KRYVLIGHT_H
#define RYVKIT_SCENE_OBJECTS_KRYVLIGHT_H

#include "object/KObject.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvNodeAttribute.h"

class KFCurve;
class KRyvGobo;
class KRyvSceneEntity;

// The property set of a light, owned by its KRyvLight: "LightType" (enumeration) and
// "CastLightOnObject" (bool), attached with the accessors below, then the animatable dynamic
// properties "Color", "Intensity", "Cone angle" and "Fog", in this registration order. All zero
// until the light sets them.
class KRyvLightProperties : public KObject
{
    K_DECLARE_CLASS(KRyvLightProperties)

    KRyvLightProperties();
    ~KRyvLightProperties() override;

    // Stored unchecked; the setters return the value stored.
    int SetLightType(int pValue);
    int GetLightType() const;
    bool SetCastLightOnObject(bool pValue);
    bool GetCastLightOnObject() const;

private:
    KPropertyEnum mLightType;
    KPropertyBool mCastLightOnObject;
};

// The attribute that makes a node a light (attribute type 9): point, infinite or spot, with a
// colour, an intensity, a cone angle (degrees) and a fog value. On a node these live as curves in
// every take of the node, and the getters read the default values of take 0's curves (single
// precision, widened); off a node they answer the properties. The light may refer to a gobo (not
// owned), which it registers, use-counted, in its node's scene content.
class KRyvLight : public KRyvNodeAttribute
{
public:
    enum ELightType : int { ePoint = 0, eInfinite = 1, eSpot = 2 };

    // A point light casting light, white, intensity 100, cone angle 45, fog 50, no gobo.
    explicit KRyvLight(KRyvObjectFactory* pFactory);
    // A light still on a node detaches first (channels and gobo registration go with it).
    ~KRyvLight() override;

    int GetAttributeType() const override { return eLight; }

    // The base attachment, then the gobo joins the node's scene content (a refusal is ignored).
    void SetNode(KRyvNode* pNode) override;
    // The gobo leaves the node's scene content, then the base detachment.
    void UnsetNode() override;
    // Finds or creates "Color" (children "X", "Y", "Z"), "Intensity", "Cone angle" and "Fog" in
    // pTake. New channels start from the light's current values, so that values set before the
    // light was attached survive the attachment. No property is linked to these curves.
    void OnTakeNodeAdded(KRyvTakeNode* pTake) override;
    // Deletes whichever of the four channels pTake holds.
    void OnTakeNodeRemoved(KRyvTakeNode* pTake) override;
    // Appends every property of the property set, in its order.
    void FillPropertyList(std::vector<KProperty*>& ioProperties) override;
    KString GetTypeName() const override;
    KPropertyStringList GetTypeNameList() const override;

    KRyvLightProperties* GetProperties() const { return mProperties; }

    // "Point Light", "Infinite Light", "Spot Light"; null for any other value.
    static const char* GetLightTypeName(int pType);

    // Any value is stored.
    int GetLightType() const;
    void SetLightType(int pType);
    bool GetCastLightOnObject() const;
    void SetCastLightOnObject(bool pValue);

    // Red, green, blue.
    void GetColor(double& oRed, double& oGreen, double& oBlue) const;
    void SetColor(double pRed, double pGreen, double pBlue);
    double GetIntensity() const;
    void SetIntensity(double pIntensity);
    double GetConeAngle() const;
    void SetConeAngle(double pDegrees);
    double GetFog() const;
    void SetFog(double pFog);

    KRyvGobo* GetGobo() const { return mGobo; }
    // Replaces the gobo; null removes it. On a node in a scene content the new gobo must join the
    // content: when the content refuses it (another gobo of that name), the previous gobo stays,
    // registered again, and the answer is false. Otherwise true.
    bool SetGobo(KRyvGobo* pGobo);

private:
    KRyvSceneEntity* GetSceneEntity() const;
    KProperty* PropertyNamed(const char* pName) const;
    // Take 0's curve at the channel (and child) name; null off a node or when missing.
    KFCurve* DefaultCurve(const char* pChannel, const char* pChild) const;
    double GetScalar(const char* pName) const;
    void SetScalar(const char* pName, double pValue);

    KRyvLightProperties* mProperties;
    KRyvGobo* mGobo = nullptr;
};

#endif
