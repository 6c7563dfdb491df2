#ifndef RYVKIT_SCENE_KRYVSKELETON_H
#define RYVKIT_SCENE_KRYVSKELETON_H

#include "core/KColor.h"
#include "object/KObject.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvNodeAttribute.h"

// The property set of a skeleton: "Size", "LimbLength" and "Color" (ColorRGB), in this
// registration order, all zero until the skeleton resets them. Owned by its KRyvSkeleton.
class KRyvSkeletonProperties : public KObject
{
    K_DECLARE_CLASS(KRyvSkeletonProperties)

    KRyvSkeletonProperties();
    ~KRyvSkeletonProperties() override;

    // Accessors of the cached values (no notification); the properties are attached with them.
    void SetSize(double pValue);
    double GetSize() const;
    void SetLimbLength(double pValue);
    double GetLimbLength() const;
    void SetColor(KColor pValue);
    KColor GetColor() const;

    KPropertyColor& GetColorProperty() { return mColor; }

private:
    KPropertyDouble mSize;
    KPropertyDouble mLimbLength;
    KPropertyColor mColor;
};

// The attribute of a skeleton bone (attribute type 3): a root (types 0 and 3), a limb (1) or a
// limb node (2), with a size, a limb length (limbs only) and a colour (limbs and limb nodes
// only; the others keep "Color" out of written files with property flag 16). Each setter marks
// its value as set; the writers store only what was set.
class KRyvSkeleton : public KRyvNodeAttribute
{
public:
    // Type 3 is a root as well.
    enum ESkeletonType : int { eRoot = 0, eLimb = 1, eLimbNode = 2 };

    explicit KRyvSkeleton(KRyvObjectFactory* pFactory);
    ~KRyvSkeleton() override;

    int GetAttributeType() const override { return eSkeleton; }

    // Root, Size 100, LimbLength 1, Color 0.8 grey with flag 16, every was-set flag cleared.
    void Reset();

    // Any value is stored; flag 16 of "Color" is cleared for limbs and limb nodes, set otherwise.
    void SetSkeletonType(int pType);
    int GetSkeletonType() const { return mSkeletonType; }
    void SetSize(double pSize);
    double GetSize() const;
    // Limbs only; false and no change for other types.
    bool SetLimbLength(double pLength);
    double GetLimbLength() const;
    // Limbs and limb nodes only (alpha dropped); false and no change for other types.
    bool SetLimbNodeColor(const KColor& pColor);
    // The stored red, green, blue with alpha 1.
    KColor GetLimbNodeColor() const;
    static KColor GetLimbNodeColorDefault() { return KColor(0.8, 0.8, 0.8, 1.0); }

    bool GetLimbLengthWasSet() const { return mLimbLengthWasSet; }
    bool GetSizeWasSet() const { return mSizeWasSet; }
    bool GetColorWasSet() const { return mColorWasSet; }
    bool GetTypeWasSet() const { return mTypeWasSet; }

    // Appends "Size", "LimbLength" and "Color".
    void FillPropertyList(std::vector<KProperty*>& ioProperties) override;
    // "Root" (types 0, 3), "Limb", "LimbNode"; empty otherwise.
    KString GetTypeName() const override;
    // {"Null", "Skeleton", "Root"} for roots, {"Skeleton"} for limbs and limb nodes, else empty.
    KPropertyStringList GetTypeNameList() const override;

private:
    KRyvSkeletonProperties* mProperties;
    int mSkeletonType = eRoot;
    bool mLimbLengthWasSet = false;
    bool mSizeWasSet = false;
    bool mColorWasSet = false;
    bool mTypeWasSet = false;
};

#endif
