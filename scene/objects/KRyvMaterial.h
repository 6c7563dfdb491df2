#ifndef RYVKIT_SCENE_OBJECTS_KRYVMATERIAL_H
#define RYVKIT_SCENE_OBJECTS_KRYVMATERIAL_H

#include "core/KColor.h"
#include "core/KError.h"
#include "core/KString.h"
#include "object/KObject.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvOwnedPropertySet.h"
#include "scene/KRyvPropertySetOwner.h"

class KRyvMaterial;

// The property set of a material: "Emissive", "Ambient", "Diffuse", "Specular" (ColorRGB),
// "Opacity", "Reflectivity", "Shininess" (double, shininess on the scale 0 to 128), in this
// registration order. Owned by its KRyvMaterial, which removes it with Destroy. The accessors
// touch the cached values only; the properties are attached with them.
//
// A connection that makes the set a source of a node's property block registers the owning
// material in that node's scene content (once, by name).
class KRyvMaterialProperties : public KRyvOwnedPropertySet<KRyvMaterial>
{
    K_DECLARE_CLASS(KRyvMaterialProperties)

    // pMaterial: the owner, not owned (null for a free-standing set).
    explicit KRyvMaterialProperties(KRyvMaterial* pMaterial);
    ~KRyvMaterialProperties() override;

    KRyvMaterial* GetMaterial() const { return GetOwner(); }
    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override;

    void SetEmissive(double pRed, double pGreen, double pBlue);
    void GetEmissive(double& oRed, double& oGreen, double& oBlue) const;
    void SetAmbient(double pRed, double pGreen, double pBlue);
    void GetAmbient(double& oRed, double& oGreen, double& oBlue) const;
    void SetDiffuse(double pRed, double pGreen, double pBlue);
    void GetDiffuse(double& oRed, double& oGreen, double& oBlue) const;
    void SetSpecular(double pRed, double pGreen, double pBlue);
    void GetSpecular(double& oRed, double& oGreen, double& oBlue) const;
    void SetOpacity(double pValue);
    double GetOpacity() const;
    void SetReflectivity(double pValue);
    double GetReflectivity() const;
    void SetShininess(double pValue);
    double GetShininess() const;

private:
    void RegisterColor(KPropertyColor& ioProperty, const char* pName);
    void RegisterDouble(KPropertyDouble& ioProperty, const char* pName);

    KPropertyColor mEmissive;
    KPropertyColor mAmbient;
    KPropertyColor mDiffuse;
    KPropertyColor mSpecular;
    KPropertyDouble mOpacity;
    KPropertyDouble mReflectivity;
    KPropertyDouble mShininess;
};

// A material (object type 3, "Material::"): four colours, opacity, reflectivity and shininess
// as animation channels of every take, a shading model (default "phong") and a multi-layer flag.
// The accessors read and write the default values of the curves of take 0 ("Default") in single
// precision (25.115 reads back as 25.114999771118164); those curves are linked to the
// properties, so a change flows into the property set. Colours are limited to [0, 1] (not a
// number gives 0), opacity and reflectivity to [0, 1]; shininess is given on the scale 0 to 1
// and stored times 128. Made and destroyed by the object factory.
class KRyvMaterial : public KRyvPropertySetOwner<KRyvMaterialProperties>
{
public:
    // Builds the property set and the take "Default" (current).
    KRyvMaterial(KRyvObjectFactory* pOwner, const char* pName);
    ~KRyvMaterial() override;

    // Takes the property set apart (its connections go while the material is whole).
    void Destruct() override;
    int GetObjectType() const override { return kTypeMaterial; }
    KRyvMaterialProperties* GetMaterialProperties() const { return mProperties; }
    // Emissive, Ambient, Diffuse, Specular ("Color", children X, Y, Z), Opacity, Reflectivity,
    // Shininess ("Number"), seeded from the property values; linked to them in take 0.
    void InitTakeNode(KRyvTakeNode* pTake) override;

    // A null text gives the empty text.
    void SetShadingModel(const char* pModel);
    const KString& GetShadingModel() const { return mShadingModel; }
    void SetMultiLayer(bool pMultiLayer) { mMultiLayer = pMultiLayer; }
    bool GetMultiLayer() const { return mMultiLayer; }

    // Colour channels as three doubles (red, green, blue). Without take 0 the setters do
    // nothing and the getters give 0.
    void SetEmissive(double pRed, double pGreen, double pBlue);
    void SetAmbient(double pRed, double pGreen, double pBlue);
    void SetDiffuse(double pRed, double pGreen, double pBlue);
    void SetSpecular(double pRed, double pGreen, double pBlue);
    void GetEmissive(double& oRed, double& oGreen, double& oBlue) const;
    void GetAmbient(double& oRed, double& oGreen, double& oBlue) const;
    void GetDiffuse(double& oRed, double& oGreen, double& oBlue) const;
    void GetSpecular(double& oRed, double& oGreen, double& oBlue) const;

    // The same through KColor: alpha is ignored on the way in and 1 on the way out.
    void SetEmissiveColor(const KColor& pColor);
    void SetAmbientColor(const KColor& pColor);
    void SetDiffuseColor(const KColor& pColor);
    void SetSpecularColor(const KColor& pColor);
    KColor GetEmissiveColor() const;
    KColor GetAmbientColor() const;
    KColor GetDiffuseColor() const;
    KColor GetSpecularColor() const;

    // Limited to [0, 1] (not a number gives 0).
    void SetOpacity(double pOpacity);
    double GetOpacity() const;
    void SetReflectivity(double pReflectivity);
    double GetReflectivity() const;
    // Limited to [0, 1], stored times 128; read back times 1/128, limited to [0, 1].
    void SetShininess(double pShininess);
    double GetShininess() const;

    // Same current name (byte for byte), same colours, opacity, shininess and reflectivity, and
    // shading models equal ignoring letter case. False for null.
    bool IsSame(const KRyvMaterial* pOther) const;

private:
    KFCurve* GetDefaultCurve(const char* pChannel, const char* pChild) const;
    void SetColorChannel(const char* pChannel, double pRed, double pGreen, double pBlue);
    void GetColorChannel(const char* pChannel, double& oRed, double& oGreen, double& oBlue) const;
    void SetScalarChannel(const char* pChannel, double pValue);
    double GetScalarChannel(const char* pChannel) const;

    KError mError;
    KString mShadingModel;
    bool mMultiLayer = false;
};

#endif
