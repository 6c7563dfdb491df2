#ifndef RYVKIT_SCENE_OBJECTS_KRYVOPTICALREFERENCE_H
#define RYVKIT_SCENE_OBJECTS_KRYVOPTICALREFERENCE_H

#include "scene/KRyvNodeAttribute.h"

// The attribute of the reference node of optical motion-capture data (attribute type 10). It
// holds nothing and adds no channel.
class KRyvOpticalReference : public KRyvNodeAttribute
{
public:
    explicit KRyvOpticalReference(KRyvObjectFactory* pFactory) : KRyvNodeAttribute(pFactory) {}

    int GetAttributeType() const override { return eOpticalReference; }
    // "Optical".
    KString GetTypeName() const override;
    // {"Marker"}.
    KPropertyStringList GetTypeNameList() const override;
};

#endif
