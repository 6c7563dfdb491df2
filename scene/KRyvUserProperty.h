#ifndef RYVKIT_SCENE_KRYVUSERPROPERTY_H
#define RYVKIT_SCENE_KRYVUSERPROPERTY_H

#include "core/KColor.h"
#include "core/KString.h"
#include "object/KWeakHandle.h"

#include <limits>
#include <memory>

class KProperty;
class KRyvObjectFactory;
class KRyvUserProperty;

// What an unbound user property knows: name, type (0 to 5, see KRyvUserProperty), label,
// limits and user flags. It holds no value.
struct KRyvUserPropertyRecord
{
    KString mName;
    int mType = 0;
    KString mLabel;
    double mMinimum = -std::numeric_limits<double>::infinity();
    double mMaximum = std::numeric_limits<double>::infinity();
    unsigned mFlags = 0;
};

// Told after a user property's value was written (a property set passes it on to its owner's
// KRyvTakeNodeContainer::UpdateUserPropertyDefaults).
class KRyvUserPropertyNotifyTarget
{
public:
    virtual ~KRyvUserPropertyNotifyTarget() = default;
    virtual void OnUserPropertyChanged(KRyvUserProperty* pUserProperty) = 0;
};

// A property a scene object exposes beyond its fixed members, in one of two states. Bound: every
// value, name, label, limit and flag lives in a KProperty of the object's property set. Unbound:
// a record holds name, type, label, limits and flags, and value access does nothing.
//
// The bound property is held through a weak handle: once it is destroyed the user property reads
// as unbound (no name, type "Unidentified", values untouched), so a user property that outlives
// its object never reaches freed memory. A notify target that is also a plug (property sets are)
// is held the same way and is no longer told once it is gone.
class KRyvUserProperty
{
public:
    static constexpr int kTypeUnidentified = 0;
    static constexpr int kTypeBool = 1;
    static constexpr int kTypeReal = 2;
    static constexpr int kTypeColor = 3;
    static constexpr int kTypeInteger = 4;
    static constexpr int kTypeVector = 5;

    // User flags. On a bound property they stand for definition flags 2, 64 and 128.
    static constexpr unsigned kFlagAnimatable = 1;
    static constexpr unsigned kFlagSecond = 2;
    static constexpr unsigned kFlagThird = 4;

    // Bound to pProperty (null gives a user property bound to nothing); no notify target.
    KRyvUserProperty(KRyvObjectFactory* pOwner, KProperty* pProperty);
    // Unbound: a record with the name, GetTypeFromName(pTypeName), the label, limits -infinity
    // and +infinity and no flag.
    KRyvUserProperty(KRyvObjectFactory* pOwner, const char* pName, const char* pTypeName,
                     const char* pLabel);
    KRyvUserProperty(const KRyvUserProperty&) = delete;
    KRyvUserProperty& operator=(const KRyvUserProperty&) = delete;
    ~KRyvUserProperty();

    // Not owned; null for none.
    void SetNotifyTarget(KRyvUserPropertyNotifyTarget* pTarget);
    KRyvUserPropertyNotifyTarget* GetNotifyTarget() const;

    // Binds an unbound user property to the property made from its record (KObject's
    // CreateUserProperty); from then on its values live there. False for a null property or when
    // the user property is bound already.
    bool Bind(KProperty* pProperty);

    // The bound property while it lives; null when unbound or gone. Through a const user
    // property (what KRyvObject::VisitUserProperties hands) it is read-only: such a record may be
    // bound to a stand-in that goes with the walk, which must not take a connection or a value.
    KProperty* GetProperty();
    const KProperty* GetProperty() const;
    bool IsBound() const { return GetProperty() != nullptr; }
    // True only for a non-null pProperty that is the living bound property.
    bool IsBoundTo(const KProperty* pProperty) const;
    // The same inside a batch of look-ups that holds the handle pool's lock.
    bool IsBoundTo(const KProperty* pProperty, const KWeakHandle::Batch& pPool) const;
    // The record; null for a user property made bound.
    const KRyvUserPropertyRecord* GetRecord() const { return mRecord.get(); }
    KRyvObjectFactory* GetOwner() const { return mOwner; }

    // The bound property's name, else the record's, else the empty text.
    KString GetName() const;
    // The bound property's label, else the record's; with pNameWhenEmpty an empty label gives
    // the name.
    KString GetLabel(bool pNameWhenEmpty) const;
    // Bound: from the property type (2 -> Bool, 3 and 4 -> Real, 14 and 15 -> Color, 1 ->
    // Integer, 13 -> Vector, any other -> Unidentified); unbound: the record's type.
    int GetType() const;
    // "Unidentified", "Bool", "Real", "Color", "Integer", "Vector" for 0 to 5; null otherwise.
    static const char* GetTypeName(int pType);
    // 1 to 5 for exactly "Bool", "Real", "Color", "Integer", "Vector" (case matters); 0 for
    // anything else and for null.
    static int GetTypeFromName(const char* pTypeName);

    // Writes to the bound property only and then tells the notify target. False (nobody told)
    // when unbound or when the property does not take the value (a double on a vector property,
    // a colour on a non-colour property). A colour goes to a ColorRGBA property with alpha 1.
    bool SetValue(bool pValue);
    bool SetValue(int pValue);
    bool SetValue(double pValue);
    bool SetValue(const KColor& pValue);
    // A colour (x, y, z, 1) on a colour property, the vector (x, y, z, 1) on a Vector3D one.
    bool SetValue(double pX, double pY, double pZ);

    // Read from the bound property; false and the targets untouched when unbound or the value
    // does not fit. The colour form fills red, green and blue of a colour property and leaves
    // alpha; the three-double form reads a colour or Vector3D property.
    bool GetValue(bool& oValue) const;
    bool GetValue(int& oValue) const;
    bool GetValue(double& oValue) const;
    bool GetValue(KColor& oValue) const;
    bool GetValue(double& oX, double& oY, double& oZ) const;
    // The three-double read of GetValue on pProperty itself (false for null).
    static bool ReadThreeValues(const KProperty* pProperty, double& oX, double& oY, double& oZ);

    // Written to the record and to the bound property, whichever exist.
    void SetMinimum(double pValue);
    void SetMaximum(double pValue);
    // The bound property's limit, else the record's; -infinity / +infinity with neither.
    double GetMinimum() const;
    double GetMaximum() const;

    // Sets or clears the user flags of pMask in the record, and the definition flags they stand
    // for (1 -> 2, 2 -> 64, 4 -> 128, combined masks combined) on the bound property.
    void SetFlag(unsigned pMask, bool pOn);
    // Bound: mask 1, 2 or 4 tests its definition flag; any other mask gives false. Unbound:
    // whether the record's flags share a bit with the mask.
    bool GetFlag(unsigned pMask) const;

private:
    void Notify();

    KRyvObjectFactory* mOwner;
    KWeakHandle mProperty;
    std::unique_ptr<KRyvUserPropertyRecord> mRecord;
    KRyvUserPropertyNotifyTarget* mNotifyTarget = nullptr;
    // Set when the notify target is a plug: it is only called while this still resolves.
    KWeakHandle mNotifyTargetHandle;
};

#endif
