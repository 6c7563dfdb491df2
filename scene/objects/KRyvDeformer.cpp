#include "scene/objects/KRyvDeformer.h"

#include "object/KProperty.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/objects/KRyvLink.h"

#include <cctype>

namespace {

const char* const kDeformerErrorTable[] = {"Error"};

bool IsClusterKind(const char* pKind)
{
    static const char kCluster[] = "cluster";
    if (!pKind) {
        return false;
    }
    std::size_t lIndex = 0;
    for (; kCluster[lIndex] != '\0'; ++lIndex) {
        if (std::tolower(static_cast<unsigned char>(pKind[lIndex])) != kCluster[lIndex]) {
            return false;
        }
    }
    return pKind[lIndex] == '\0';
}

} // namespace

// The class names are the files' type names of the two kinds, not the C++ names.
const KClassInfo& KRyvDeformerProperties::ClassInfo()
{
    static const KClassInfo sInfo("Skin", &KObject::ClassInfo());
    return sInfo;
}

const KClassInfo& KRyvClusterProperties::ClassInfo()
{
    static const KClassInfo sInfo("Cluster", &KRyvDeformerProperties::ClassInfo());
    return sInfo;
}

KRyvDeformerProperties::KRyvDeformerProperties(KRyvDeformer* pDeformer)
    : KRyvOwnedPropertySet(pDeformer)
{
}

KRyvDeformerProperties::~KRyvDeformerProperties()
{
    // Connections go while the set is still whole, whoever deletes it.
    KObject::Destruct();
}

KRyvClusterProperties::KRyvClusterProperties(KRyvDeformer* pDeformer)
    : KRyvDeformerProperties(pDeformer)
{
    RegisterObjectList(mSrcModel, "SrcModel");
    RegisterObjectList(mSrcModelReference, "SrcModelReference");
}

KRyvClusterProperties::~KRyvClusterProperties()
{
    // The two lists are members: disconnect them before they die.
    KObject::Destruct();
}

void KRyvClusterProperties::RegisterObjectList(KPropertyObjectList& ioProperty, const char* pName)
{
    RegisterProperty(&ioProperty);
    ioProperty.MarkAsObjectList();
    ioProperty.Attach(pName, this);
    ioProperty.SetObjectClassFilter(1, KRyvNodeProperties::ClassId());
    ioProperty.SetPropertyType(kPropertyTypeObject);
    ioProperty.SetPlugFlags(2 | 4, false);
    ioProperty.SetPlugFlags(1, true);
}

KRyvDeformer::KRyvDeformer(KRyvObjectFactory* pOwner, const char* pName, const char* pKind)
    : KRyvPropertySetOwner(pOwner, pName, &mError), mError(kDeformerErrorTable, 1),
      mType(IsClusterKind(pKind) ? eCluster : eSkin)
{
    mProperties =
        mType == eCluster ? new KRyvClusterProperties(this) : new KRyvDeformerProperties(this);
    AddDefaultTakeNode();
}

KRyvDeformer::~KRyvDeformer()
{
    ReleasePropertySet();
}

void KRyvDeformer::Destruct()
{
    DisconnectPropertySet();
}

KRyvClusterProperties* KRyvDeformer::GetClusterProperties() const
{
    return mType == eCluster ? static_cast<KRyvClusterProperties*>(mProperties) : nullptr;
}

KString KRyvDeformer::GetTypeName() const
{
    return KString(mProperties->GetClassName());
}

KPropertyStringList KRyvDeformer::GetTypeFlags() const
{
    KPropertyStringList lFlags;
    lFlags.Add("Deformer");
    return lFlags;
}

void KRyvDeformer::OnUserPropertyAdded(KRyvUserProperty* pUserProperty)
{
    if (pUserProperty && !pUserProperty->IsBound()) {
        const KString lName = pUserProperty->GetName();
        const KString lLabel = pUserProperty->GetLabel(true);
        KUserPropertyDescription lDescription;
        lDescription.mName = lName.Buffer();
        lDescription.mTypeName = KRyvUserProperty::GetTypeName(pUserProperty->GetType());
        lDescription.mLabel = lLabel.Buffer();
        for (unsigned lFlag : {KRyvUserProperty::kFlagAnimatable, KRyvUserProperty::kFlagSecond,
                               KRyvUserProperty::kFlagThird}) {
            if (pUserProperty->GetFlag(lFlag)) {
                lDescription.mUserFlags |= lFlag;
            }
        }
        if (!mProperties->FindProperty(lDescription.mName)) {
            if (KProperty* lProperty = mProperties->CreateUserProperty(lDescription)) {
                pUserProperty->Bind(lProperty);
                pUserProperty->SetNotifyTarget(mProperties);
            }
        }
    }
    KRyvTakeNodeContainer::OnUserPropertyAdded(pUserProperty);
}

void KRyvDeformer::OnUserPropertyRemoved(KRyvUserProperty* pUserProperty)
{
    RemoveUserProperty(pUserProperty, nullptr, false);
}

void KRyvDeformer::SetUserData(const char* pID, const char* pValue)
{
    mUserDataID = pID ? pID : "";
    mUserData = pValue ? pValue : "";
}

bool KRyvDeformer::CopyFromLink(const KRyvLink* pLink)
{
    if (!pLink || mType != eCluster) {
        return false;
    }
    mLinkMode = pLink->GetLinkMode();
    mUserDataID = pLink->GetUserDataID();
    mUserData = pLink->GetUserData();
    mIndices = pLink->GetControlPointIndexArray();
    mWeights = pLink->GetControlPointWeightArray();
    mParentSet = pLink->GetTransformParentSet();
    KMatrix lMatrix;
    mTransform = pLink->GetTransformMatrix(lMatrix);
    mTransformLink = pLink->GetTransformLinkMatrix(lMatrix);
    mAssociate = pLink->GetTransformAssociateModelMatrix(lMatrix);
    mParent = pLink->GetTransformParentMatrix(lMatrix);
    return true;
}
