#include "formats/geometry/3ds/K3dsUserProperty.h"

#include "scene/KRyvObject.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvUserProperty.h"

KRyvUserProperty* K3dsUserProperty::FindOrAdd(KRyvObject& ioObject, const char* pName, int pType,
                                              bool pAnimatable)
{
    KRyvUserProperty* lProperty = ioObject.FindUserProperty(pName);
    KRyvObjectFactory* lFactory = ioObject.GetObjectFactory();
    if (!lProperty && lFactory) {
        lProperty =
            lFactory->CreateUserProperty(pName, KRyvUserProperty::GetTypeName(pType), pName);
        if (lProperty) {
            if (pAnimatable) {
                lProperty->SetFlag(KRyvUserProperty::kFlagAnimatable, true);
            }
            ioObject.AddUserProperty(lProperty);
        }
    }
    return lProperty;
}
