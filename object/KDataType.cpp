#include "object/KDataType.h"

#include <cstring>
#include <deque>

KDataType::KDataType(const char* pName, int pMemberCount, const KDataType* pBaseType)
    : mName(pName), mMemberCount(pMemberCount), mBaseType(pBaseType)
{
}

namespace {

struct DataTypeRegistry
{
    // A deque keeps every element in place while the table grows, so the base-type links and the
    // pointers handed out stay valid.
    std::deque<KDataType> mTypes;

    KDataType* Add(const char* pName, int pMemberCount, const KDataType* pBase = nullptr)
    {
        return &mTypes.emplace_back(pName, pMemberCount, pBase);
    }

    DataTypeRegistry()
    {
        const KDataType* lBool = Add("bool", 1);
        const KDataType* lInt = Add("int", 1);
        Add("float", 1);
        const KDataType* lDouble = Add("double", 1);
        Add("enum", 1);
        Add("KTime", 1);
        const KDataType* lVector3 = Add("Vector3D", 3);
        Add("Vector4D", 4);
        const KDataType* lColorRGB = Add("ColorRGB", 3);
        Add("ColorRGBA", 4);
        Add("object", 0);
        Add("string", 0);
        Add("Reference", 0);
        Add("Trigger", 0);

        // Names of user-property types.
        Add("Bool", 1, lBool);
        Add("Integer", 1, lInt);
        Add("Real", 1, lDouble);
        Add("Color", 3, lColorRGB);
        Add("Vector", 3, lVector3);

        Add("Number", 1, lDouble);
        Add("Translation", 3, lVector3);
        Add("Rotation", 3, lVector3);
        Add("Scaling", 3, lVector3);
        Add("Lcl Translation", 3, lVector3);
        Add("Lcl Rotation", 3, lVector3);
        Add("Lcl Scaling", 3, lVector3);
        Add("Visibility", 1, lDouble);
        Add("Occlusion", 1, lDouble);
        Add("IK Reach Translation", 1, lDouble);
        Add("IK Reach Rotation", 1, lDouble);
        Add("FieldOfView", 1, lDouble);
        Add("Roll", 1, lDouble);
        Add("Intensity", 1, lDouble);
        Add("Cone angle", 1, lDouble);
        Add("Fog", 1, lDouble);
        Add("Shape", 1, lDouble);
        Add("TimeWarp", 1, lDouble);
    }
};

DataTypeRegistry& Registry()
{
    static DataTypeRegistry sRegistry;
    return sRegistry;
}

} // namespace

KDataType* FindDataType(const char* pName)
{
    if (!pName) {
        return nullptr;
    }
    for (KDataType& lType : Registry().mTypes) {
        if (std::strcmp(lType.GetName(), pName) == 0) {
            return &lType;
        }
    }
    return nullptr;
}
