#ifndef RYVKIT_IO_KRYVPROPERTYDEFAULTS_H
#define RYVKIT_IO_KRYVPROPERTYDEFAULTS_H

#include "object/KPropertyValue.h"

#include <string>
#include <unordered_map>

class KObject;
class KProperty;

// The values a freshly made property set holds, by property name. A property block leaves out
// each property that still holds the value a reader's freshly made object of the same kind
// starts with, so that records of objects that keep their class defaults cost few bytes.
class KRyvPropertyDefaults
{
public:
    // Copies the values of pFreshSet (null: no default is known, every property is written).
    explicit KRyvPropertyDefaults(KObject* pFreshSet);

    // True when the fresh set has a property of that name and type holding the very same value
    // (numbers compared bit for bit, so that -0 and NaN payloads are never taken for defaults).
    bool Holds(const KProperty& pProperty) const;

private:
    struct Entry
    {
        int mType;
        KPropertyValue mValue;
    };
    std::unordered_map<std::string, Entry> mValues;
};

#endif
