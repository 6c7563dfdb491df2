#include "scene/KRyvPropertySetUtils.h"

#include "object/KPlug.h"
#include "object/KProperty.h"

#include <utility>

void KRyvCreateUserPropertyOn(KObject* pSet, KRyvUserPropertyNotifyTarget* pTarget,
                              KRyvUserProperty* pUserProperty)
{
    if (!pSet || !pUserProperty || pUserProperty->IsBound()) {
        return;
    }
    const KString lName = pUserProperty->GetName();
    if (pSet->FindProperty(lName.Buffer())) {
        return;
    }
    const KRyvUserPropertyRecord* lRecord = pUserProperty->GetRecord();
    const KString lLabel = pUserProperty->GetLabel(false);
    KUserPropertyDescription lDescription;
    lDescription.mName = lName.Buffer();
    lDescription.mTypeName = KRyvUserProperty::GetTypeName(pUserProperty->GetType());
    lDescription.mLabel = lLabel.Buffer();
    lDescription.mUserFlags = lRecord ? lRecord->mFlags : 0;
    KProperty* lProperty = pSet->CreateUserProperty(lDescription);
    if (!pUserProperty->Bind(lProperty)) {
        return;
    }
    // Limits set before the binding live in the record only: the property takes them over.
    if (lRecord && lProperty->GetMinimum() != lRecord->mMinimum) {
        lProperty->SetMinimum(lRecord->mMinimum);
    }
    if (lRecord && lProperty->GetMaximum() != lRecord->mMaximum) {
        lProperty->SetMaximum(lRecord->mMaximum);
    }
    if (pTarget) {
        pUserProperty->SetNotifyTarget(pTarget);
    }
}

void KRyvRemoveUserPropertyFrom(KObject* pSet, KRyvUserProperty* pUserProperty,
                                KRyvPropertyFilter pKeep, bool pFindByName)
{
    if (!pSet || !pUserProperty) {
        return;
    }
    KProperty* lProperty = pUserProperty->GetProperty();
    if (!lProperty && pFindByName) {
        lProperty = pSet->FindProperty(pUserProperty->GetName().Buffer());
    }
    if (!lProperty || lProperty->GetParentObject() != pSet ||
        !std::as_const(*lProperty).GetDefinition().GetFlag(KPropertyDefinition::kOwned) ||
        (pKeep && pKeep(*lProperty))) {
        return;
    }
    pSet->RemoveProperty(lProperty);
}

void KRyvAppendProperties(const KObject* pSet, std::vector<KProperty*>& ioProperties)
{
    if (!pSet) {
        return;
    }
    pSet->WalkToList(
        [&ioProperties](KProperty& ioProperty) { ioProperties.push_back(&ioProperty); });
}

void KRyvCreateAnimatableCurves(KRyvTakeNodeContainer& ioContainer, const KObject* pSet,
                                KRyvTakeNode* pTake, KRyvPropertyFilter pSkip)
{
    if (!pSet) {
        return;
    }
    pSet->WalkToConnect([&](KProperty& ioProperty) {
        if (ioProperty.IsAnimatable() && !(pSkip && pSkip(ioProperty))) {
            ioContainer.CreatePropertyCurves(&ioProperty, pTake);
        }
    });
}

KObjectOwner* KRyvGetPlugOwner(KPlug* pPlug)
{
    if (!pPlug) {
        return nullptr;
    }
    if (const KObject* lObject = dynamic_cast<KObject*>(pPlug)) {
        return lObject->GetOwnerObject();
    }
    if (const KProperty* lProperty = dynamic_cast<KProperty*>(pPlug)) {
        const KObject* lParent = lProperty->GetParentObject();
        return lParent ? lParent->GetOwnerObject() : nullptr;
    }
    return nullptr;
}
