#ifndef RYVKIT_OBJECT_KPROPERTYVALUE_H
#define RYVKIT_OBJECT_KPROPERTYVALUE_H

#include "core/KColor.h"
#include "core/KString.h"
#include "core/KTime.h"
#include "core/KVector4.h"

#include <variant>

// One property value of any kind, as it travels between a caller and a typed property and in
// the value-change events. ConvertTo converts where the kinds agree: the scalars bool, int,
// float and double among each other (a double out of int or float range, or not a number,
// converts to nothing), vectors and colours as their four doubles (a colour clamps), a time and
// a text only to themselves. A failed conversion answers false and leaves the target alone.
class KPropertyValue
{
public:
    using Storage =
        std::variant<std::monostate, bool, int, float, double, KTime, KString, KVector4, KColor>;

    KPropertyValue() = default;
    template <typename T> KPropertyValue(const T& pValue) : mValue(pValue) {}
    // Without it a text would become a bool.
    KPropertyValue(const char* pText) : mValue(KString(pText)) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(mValue); }
    // The value when it is held as exactly T; null otherwise.
    template <typename T> const T* Get() const { return std::get_if<T>(&mValue); }

    bool ConvertTo(bool& oValue) const;
    bool ConvertTo(int& oValue) const;
    bool ConvertTo(float& oValue) const;
    bool ConvertTo(double& oValue) const;
    bool ConvertTo(KTime& oValue) const;
    bool ConvertTo(KString& oValue) const;
    bool ConvertTo(KVector4& oValue) const;
    bool ConvertTo(KColor& oValue) const;

private:
    bool GetScalar(double& oValue) const;
    bool GetFourDoubles(double oValues[4]) const;

    Storage mValue;
};

#endif
