#include "platform/vurn/MFnComponent.h"

#include "platform/vurn/VurnStatus.h"

VurnComponent* MFnComponent::Data() const
{
    return isAttached() ? VurnScene::Get().MutableComponent(object().id()) : nullptr;
}

int MFnComponent::elementCount() const
{
    const VurnComponent* lData = Data();
    if (!lData) {
        return 0;
    }
    return lData->mComplete ? lData->mCompleteCount : static_cast<int>(lData->mFirst.size());
}

bool MFnComponent::isComplete() const
{
    return Data() && Data()->mComplete;
}

MObject MFnComponent::CreateComponent(MFn::Type pType, MStatus* oStatus)
{
    VurnComponent lComponent;
    lComponent.mType = pType;
    const MObject lObject = MObject::component(VurnScene::Get().CreateComponent(lComponent));
    VurnReport(oStatus, setObject(lObject));
    return isAttached() ? lObject : MObject();
}

MFnSingleIndexedComponent::MFnSingleIndexedComponent(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

bool MFnSingleIndexedComponent::accepts(const MObject& pObject) const
{
    return pObject.hasFn(MFn::kMeshVertComponent) || pObject.hasFn(MFn::kMeshPolygonComponent);
}

MObject MFnSingleIndexedComponent::create(MFn::Type pType, MStatus* oStatus)
{
    if (pType != MFn::kMeshVertComponent && pType != MFn::kMeshPolygonComponent) {
        VurnReport(oStatus, VurnFailure("not a single-indexed component type"));
        return MObject();
    }
    return CreateComponent(pType, oStatus);
}

MStatus MFnSingleIndexedComponent::addElement(int pElement)
{
    VurnComponent* lData = Data();
    if (!lData || pElement < 0 || lData->mComplete) {
        return VurnFailure("cannot add that element");
    }
    lData->mFirst.push_back(pElement);
    return MStatus();
}

MStatus MFnSingleIndexedComponent::addElements(const MIntArray& pElements)
{
    for (int lElement : pElements.items()) {
        const MStatus lStatus = addElement(lElement);
        if (!lStatus) {
            return lStatus;
        }
    }
    return MStatus();
}

MStatus MFnSingleIndexedComponent::setCompleteData(int pCount)
{
    VurnComponent* lData = Data();
    if (!lData || pCount < 0) {
        return VurnFailure("bad complete count");
    }
    lData->mComplete = true;
    lData->mCompleteCount = pCount;
    lData->mFirst.clear();
    return MStatus();
}

MStatus MFnSingleIndexedComponent::getElements(MIntArray& oElements) const
{
    oElements.clear();
    const VurnComponent* lData = Data();
    if (!lData) {
        return VurnFailure("not attached");
    }
    for (int lIndex = 0; lIndex < elementCount(); ++lIndex) {
        oElements.append(lData->mComplete ? lIndex : lData->mFirst[lIndex]);
    }
    return MStatus();
}

int MFnSingleIndexedComponent::element(int pIndex, MStatus* oStatus) const
{
    if (pIndex < 0 || pIndex >= elementCount()) {
        VurnReport(oStatus, VurnFailure("element index out of range"));
        return -1;
    }
    VurnReport(oStatus, MStatus());
    return Data()->mComplete ? pIndex : Data()->mFirst[pIndex];
}

MFnDoubleIndexedComponent::MFnDoubleIndexedComponent(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

bool MFnDoubleIndexedComponent::accepts(const MObject& pObject) const
{
    return pObject.hasFn(MFn::kNurbsCVComponent);
}

MObject MFnDoubleIndexedComponent::create(MFn::Type pType, MStatus* oStatus)
{
    if (pType != MFn::kNurbsCVComponent) {
        VurnReport(oStatus, VurnFailure("not a double-indexed component type"));
        return MObject();
    }
    return CreateComponent(pType, oStatus);
}

MStatus MFnDoubleIndexedComponent::addElement(int pU, int pV)
{
    VurnComponent* lData = Data();
    if (!lData || pU < 0 || pV < 0) {
        return VurnFailure("cannot add that element");
    }
    lData->mFirst.push_back(pU);
    lData->mSecond.push_back(pV);
    return MStatus();
}

MStatus MFnDoubleIndexedComponent::getElement(int pIndex, int& oU, int& oV) const
{
    const VurnComponent* lData = Data();
    if (!lData || pIndex < 0 || pIndex >= static_cast<int>(lData->mSecond.size())) {
        return VurnFailure("element index out of range");
    }
    oU = lData->mFirst[pIndex];
    oV = lData->mSecond[pIndex];
    return MStatus();
}
