#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSUSERPROPERTY_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSUSERPROPERTY_H

class KRyvObject;
class KRyvUserProperty;

// The user properties the 3DS reader keeps on the objects it makes (values the kit has no place
// for), found when the object has one of the name or added when it has none.
class K3dsUserProperty
{
public:
    // The property pName of ioObject, added with the type pType (KRyvUserProperty::kType...)
    // when it has none; an animatable one is flagged so before it is added, so that the object
    // gives it channels. Null when it can be neither found nor made.
    static KRyvUserProperty* FindOrAdd(KRyvObject& ioObject, const char* pName, int pType,
                                       bool pAnimatable);
};

#endif
