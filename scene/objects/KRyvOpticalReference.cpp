#include "scene/objects/KRyvOpticalReference.h"

KString KRyvOpticalReference::GetTypeName() const
{
    return KString("Optical");
}

KPropertyStringList KRyvOpticalReference::GetTypeNameList() const
{
    KPropertyStringList lList;
    lList.Add("Marker");
    return lList;
}
