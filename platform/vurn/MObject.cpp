#include "platform/vurn/MObject.h"

#include "platform/vurn/VurnScene.h"
#include "platform/vurn/VurnTypeTable.h"

const MObject MObject::kNullObj;

bool MObject::isNull() const
{
    return apiType() == MFn::kInvalid;
}

MFn::Type MObject::apiType() const
{
    VurnScene& lScene = VurnScene::Get();
    int lType = MFn::kInvalid;
    switch (mKind) {
    case kNode:
        lType = lScene.IsAlive(mId) ? lScene.Node(mId)->mType : MFn::kInvalid;
        break;
    case kAttribute:
        lType = lScene.Attribute(mId) ? lScene.Attribute(mId)->mApiType : MFn::kInvalid;
        break;
    case kData:
        lType = lScene.Data(mId) ? lScene.Data(mId)->mType : MFn::kInvalid;
        break;
    case kComponent:
        lType = lScene.Component(mId) ? lScene.Component(mId)->mType : MFn::kInvalid;
        break;
    default:
        break;
    }
    return static_cast<MFn::Type>(lType);
}

bool MObject::hasFn(MFn::Type pType) const
{
    const MFn::Type lType = apiType();
    return lType != MFn::kInvalid && VurnTypeTable::IsA(lType, pType);
}
