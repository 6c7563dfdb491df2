#ifndef RYVKIT_OBJECT_KPROPERTYSTRINGLIST_H
#define RYVKIT_OBJECT_KPROPERTYSTRINGLIST_H

#include "core/KStringArray.h"

// A copyable list of (text, reference word) entries, such as the type-name and type-flag lists
// of scene objects. Copies duplicate every text and reference word; the list owns its texts.
class KPropertyStringList : public KStringArray
{
public:
    KPropertyStringList() = default;
    KPropertyStringList(const KPropertyStringList& pOther) = default;
    KPropertyStringList& operator=(const KPropertyStringList& pOther) = default;
    ~KPropertyStringList() override = default;
};

#endif
