#ifndef RYVKIT_SCENE_OBJECTS_KRYVNULL_H
#define RYVKIT_SCENE_OBJECTS_KRYVNULL_H

#include "object/KObject.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvNodeAttribute.h"

// The property set of a null: one property, "Size" (double, 0 until the null sets it). Owned by
// its KRyvNull.
class KRyvNullProperties : public KObject
{
    K_DECLARE_CLASS(KRyvNullProperties)

    KRyvNullProperties();
    ~KRyvNullProperties() override;

    // Accessors of the cached value (no notification); the property is attached with them.
    void SetSize(double pValue);
    double GetSize() const;

private:
    KPropertyDouble mSize;
};

// The attribute of a node that only carries a transform and a display size (attribute type 1).
// The size-set flag tells writers whether the size was given explicitly.
class KRyvNull : public KRyvNodeAttribute
{
public:
    // Size 100, size-set flag false.
    explicit KRyvNull(KRyvObjectFactory* pFactory);
    ~KRyvNull() override;

    int GetAttributeType() const override { return eNull; }

    // Stores the size and sets the size-set flag, also when the value does not change.
    void SetSize(double pSize);
    double GetSize() const;
    bool GetSizeWasSet() const { return mSizeWasSet; }

    // Appends "Size".
    void FillPropertyList(std::vector<KProperty*>& ioProperties) override;
    // "Null".
    KString GetTypeName() const override;
    // {"Null"}.
    KPropertyStringList GetTypeNameList() const override;

private:
    KRyvNullProperties* mProperties;
    bool mSizeWasSet = false;
};

#endif
