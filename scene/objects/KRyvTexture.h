#ifndef RYVKIT_SCENE_OBJECTS_KRYVTEXTURE_H
#define RYVKIT_SCENE_OBJECTS_KRYVTEXTURE_H

#include "core/KError.h"
#include "core/KString.h"
#include "core/KVector2.h"
#include "core/KVector4.h"
#include "object/KObject.h"
#include "object/KPropertyObjectList.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvOwnedPropertySet.h"
#include "scene/KRyvPropertySetOwner.h"

class KRyvTexture;
class KRyvVideo;

// The property set of a texture. Member properties in registration order: "TextureTypeUse",
// "CurrentTextureBlendMode", "UseMaterial", "UseMipMap", "CurrentMappingType", "UVSwap",
// "WrapModeU", "WrapModeV", "TextureRotationPivot", "TextureScalingPivot", "VideoProperty" (an
// object list). Before them the set creates the animatable "Translation", "Rotation", "Scaling"
// (Vector) and "Texture alpha" (Number), which mirror the channels of take 0. Owned by its
// KRyvTexture, which removes it with Destroy.
//
// A connection that makes the set a source of a node's property block registers the owning
// texture in that node's scene content (once, by name).
class KRyvTextureProperties : public KRyvOwnedPropertySet<KRyvTexture>
{
    K_DECLARE_CLASS(KRyvTextureProperties)

    // pTexture: the owner, not owned (null for a free-standing set).
    explicit KRyvTextureProperties(KRyvTexture* pTexture);
    ~KRyvTextureProperties() override;

    // The enumeration texts of the properties of those names; null outside the list.
    static const char* TextureUseName(int pIndex);
    static const char* BlendModeName(int pIndex);
    static const char* MappingTypeName(int pIndex);
    static const char* WrapModeName(int pIndex);

    KRyvTexture* GetTexture() const { return GetOwner(); }
    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override;

    // Cached-value accessors of the member properties (no notification).
    void SetTextureTypeUse(int pValue);
    int GetTextureTypeUse() const;
    void SetCurrentTextureBlendMode(int pValue);
    int GetCurrentTextureBlendMode() const;
    void SetUseMaterial(bool pValue);
    bool GetUseMaterial() const;
    void SetUseMipMap(bool pValue);
    bool GetUseMipMap() const;
    void SetCurrentMappingType(int pValue);
    int GetCurrentMappingType() const;
    void SetUVSwap(bool pValue);
    bool GetUVSwap() const;
    void SetWrapModeU(int pValue);
    int GetWrapModeU() const;
    void SetWrapModeV(int pValue);
    int GetWrapModeV() const;
    // Pivots: x, y, z are stored; the getters answer w = 1.
    void SetTextureRotationPivot(KVector4 pValue);
    KVector4 GetTextureRotationPivot() const;
    void SetTextureScalingPivot(KVector4 pValue);
    KVector4 GetTextureScalingPivot() const;

    KPropertyEnum& GetCurrentTextureBlendModeProperty() { return mCurrentTextureBlendMode; }
    KPropertyObjectList& GetVideoProperty() { return mVideoProperty; }

private:
    void RegisterEnum(KPropertyEnum& ioProperty, const char* pName,
                      void (KRyvTextureProperties::*pSetter)(int),
                      int (KRyvTextureProperties::*pGetter)() const, KEnumListFunction pList);
    void RegisterBool(KPropertyBool& ioProperty, const char* pName,
                      void (KRyvTextureProperties::*pSetter)(bool),
                      bool (KRyvTextureProperties::*pGetter)() const);
    void RegisterPivot(KPropertyVector& ioProperty, const char* pName,
                       void (KRyvTextureProperties::*pSetter)(KVector4),
                       KVector4 (KRyvTextureProperties::*pGetter)() const);
    KProperty* CreateChannel(const char* pName, const char* pDataType);

    KPropertyEnum mTextureTypeUse;
    KPropertyEnum mCurrentTextureBlendMode;
    KPropertyBool mUseMaterial;
    KPropertyBool mUseMipMap;
    KPropertyEnum mCurrentMappingType;
    KPropertyBool mUVSwap;
    KPropertyEnum mWrapModeU;
    KPropertyEnum mWrapModeV;
    KPropertyVector mTextureRotationPivot;
    KPropertyVector mTextureScalingPivot;
    KPropertyObjectList mVideoProperty;
};

// A texture (object type 2, "Texture::"): an image file applied to surfaces, with its mapping,
// use, blending, alpha source, cropping, UV transform and a UV transform animated per take
// (channels Translation, Rotation, Scaling with X, Y, Z, and Alpha). The channel accessors read
// and write the default values of the curves of take 0 in single precision. A texture whose
// property set is a source of a KRyvVideo's set keeps its file names in step with that clip.
// Every texture reports on one shared KError (code 0 "Take node error"). Made and destroyed by
// the object factory.
class KRyvTexture : public KRyvPropertySetOwner<KRyvTextureProperties>
{
public:
    // Texture-use codes.
    enum ETextureUse : int {
        eStandard = 0,
        eShadowMap = 1,
        eLightMap = 2,
        eSphericalReflexionMap = 3,
        eSphereReflexionMap = 4,
        eBumpNormalMap = 5,
    };
    // Mapping-type codes.
    enum EMappingType : int {
        eNull = 0,
        ePlanar = 1,
        eSpherical = 2,
        eCylindrical = 3,
        eBox = 4,
        eFace = 5,
        eUV = 6,
        eEnvironment = 7,
    };
    enum EPlanarMappingNormal : int { ePlanarNormalX = 0, ePlanarNormalY = 1, ePlanarNormalZ = 2 };
    enum EAlphaSource : int { eNone = 0, eRGBIntensity = 1, eBlack = 2 };
    // Values of "CurrentTextureBlendMode" (GetBlendMode).
    enum EBlendMode : int { eTranslucent = 0, eAdditive = 1, eModulate = 2, eModulate2 = 3 };
    enum EWrapMode : int { eRepeat = 0, eClamp = 1 };

    // Builds the property set and the take "Default" (current), then Reset.
    KRyvTexture(KRyvObjectFactory* pOwner, const char* pName);
    ~KRyvTexture() override;

    // The error state every texture shares.
    static KError& GetSharedError();

    void Destruct() override;
    int GetObjectType() const override { return kTypeTexture; }
    KRyvTextureProperties* GetTextureProperties() const { return mProperties; }
    // A copy of the type text.
    KString GetTypeName() const override { return mType; }
    const KString& GetTypeText() const { return mType; }
    // The set keeps its own channels.
    void OnUserPropertyRemoved(KRyvUserProperty* pUserProperty) override;
    // Translation, Rotation, Scaling (X, Y, Z; Scaling defaults 1) and Alpha (default 1); not
    // linked to the properties (the Set... accessors write both sides).
    void InitTakeNode(KRyvTakeNode* pTake) override;

    // The two integers, 1, 1 after Reset.
    void Reset();

    // False (nothing changed) for null or empty. Otherwise stored and passed to the connected
    // video clip when its text differs.
    bool SetFileName(const char* pName);
    const char* GetFileName() const { return mFileName.Buffer(); }
    bool SetRelativeFileName(const char* pName);
    const char* GetRelativeFileName() const { return mRelativeFileName.Buffer(); }
    // A null text gives the empty text.
    void SetMediaName(const char* pName);
    const char* GetMediaName() const { return mMediaName.Buffer(); }
    // The clip the texture draws from: the owner of the first source of the property set when
    // it is a KRyvVideo; null otherwise.
    KRyvVideo* GetVideo() const;

    void SetSwapUV(bool pSwap);
    bool GetSwapUV() const;
    // Alpha-source codes (EAlphaSource); any value is kept.
    void SetAlphaSource(int pSource) { mAlphaSource = pSource; }
    int GetAlphaSource() const { return mAlphaSource; }

    // Stores pA, pC, pB, pD as cropping values 1 to 4 (the middle two change places), so
    // SetCropping(1, 2, 3, 4) reads back 1, 3, 2, 4 through the getters.
    void SetCropping(int pA, int pB, int pC, int pD);
    int GetCropping1() const { return mCropping[0]; }
    int GetCropping2() const { return mCropping[1]; }
    int GetCropping3() const { return mCropping[2]; }
    int GetCropping4() const { return mCropping[3]; }

    // Stores the mapping-type code (EMappingType) and sets "CurrentMappingType" (planar after
    // the planar normal: 0 "X", 1 "Y", 2 "Z", any other leaves the property alone).
    void SetMappingType(int pType);
    int GetMappingType() const { return mMappingType; }
    void SetPlanarMappingNormal(int pNormal);
    int GetPlanarMappingNormal() const { return mPlanarMappingNormal; }
    // Mode 0: the texture uses the material ("UseMaterial" true); any other mode: not.
    void SetMaterialUse(int pMode);
    int GetMaterialUse() const;
    // Texture-use codes (ETextureUse) <-> "TextureTypeUse"; unknown values on either side
    // correspond to 0.
    void SetTextureUse(int pUse);
    int GetTextureUse() const;
    void SetWrapMode(int pWrapU, int pWrapV);
    int GetWrapModeU() const;
    int GetWrapModeV() const;
    void SetBlendMode(int pMode);
    int GetBlendMode() const;

    // The channels of take 0 (as floats) and the properties "Translation", "Rotation",
    // "Scaling" (x, y, z, 1). Without take 0 the getters give zero vectors.
    void SetDefaultTranslation(const KVector4& pT);
    KVector4 GetDefaultTranslation() const;
    void SetDefaultRotation(const KVector4& pR);
    KVector4 GetDefaultRotation() const;
    void SetDefaultScaling(const KVector4& pS);
    KVector4 GetDefaultScaling() const;
    void SetTranslation(double pU, double pV);
    double GetTranslationU() const;
    double GetTranslationV() const;
    // Degrees.
    void SetRotation(double pU, double pV, double pW);
    double GetRotationW() const;
    void SetScale(double pU, double pV);
    double GetScaleU() const;
    double GetScaleV() const;
    // The Alpha curve of take 0 and the property "Texture alpha"; the getter reads the property.
    void SetDefaultAlpha(double pAlpha);
    double GetDefaultAlpha() const;

    void SetUVTranslation(const KVector2& pT) { mUVTranslation = pT; }
    const KVector2& GetUVTranslation() const { return mUVTranslation; }
    void SetUVScaling(const KVector2& pS) { mUVScaling = pS; }
    const KVector2& GetUVScaling() const { return mUVScaling; }

    // Recognises a texture read twice: names equal once a trailing run of digits and blanks is
    // removed from each, and every setting equal (see the source). False for null.
    bool IsSame(KRyvTexture* pOther) const;

private:
    KFCurve* GetDefaultCurve(const char* pChannel, const char* pChild) const;
    void SetVectorChannel(const char* pChannel, const KVector4& pValue);
    KVector4 GetVectorChannel(const char* pChannel) const;
    void SetMappingProperty();

    int mIntegers[2] = {1, 1};
    int mCropping[4] = {0, 0, 0, 0};
    int mAlphaSource = eNone;
    int mMappingType = eUV;
    int mPlanarMappingNormal = ePlanarNormalX;
    KString mFileName;
    KString mRelativeFileName;
    KString mMediaName;
    KString mType;
    KVector2 mUVScaling{1.0, 1.0};
    KVector2 mUVTranslation{0.0, 0.0};
};

#endif
