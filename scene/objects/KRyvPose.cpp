#include "scene/objects/KRyvPose.h"

#include "animation/KRyvTakeNode.h"
#include "scene/KRyvPropertySetUtils.h"

#include <cstring>

namespace {

const char* const kPoseErrorTable[] = {"Error"};

// Lookups past the entries answer these; built once and never changed.
const KMatrix& SharedIdentity()
{
    static const KMatrix kIdentity;
    return kIdentity;
}

const KString& SharedEmptyName()
{
    static const KString kEmpty("");
    return kEmpty;
}

} // namespace

K_IMPLEMENT_CLASS(KRyvPoseProperties, KObject)

KRyvPoseProperties::KRyvPoseProperties(KRyvPose* pPose) : KRyvOwnedPropertySet(pPose) {}

KRyvPose::KRyvPose(KRyvObjectFactory* pOwner, const char* pName, bool pIsBindPose)
    : KRyvPropertySetOwner(pOwner, pName, &mError), mError(kPoseErrorTable, 1),
      mType(pIsBindPose ? kBindPose : kRestPose)
{
    SetName(pName);
    mProperties = new KRyvPoseProperties(this);
    AddDefaultTakeNode();
}

KRyvPose::~KRyvPose()
{
    ReleasePropertySet();
}

void KRyvPose::Destruct()
{
    DisconnectPropertySet();
}

KString KRyvPose::GetTypeName() const
{
    return KString(IsBindPose() ? "BindPose" : "RestPose");
}

void KRyvPose::OnUserPropertyRemoved(KRyvUserProperty* pUserProperty)
{
    // Only what the set made for user properties goes, and only through the binding.
    RemoveUserProperty(pUserProperty, nullptr, false);
}

int KRyvPose::FindCompatible(const char* pNodeName, const KMatrix& pMatrix, bool& oCompatible) const
{
    oCompatible = true;
    const int lIndex = Find(pNodeName);
    if (lIndex >= 0) {
        oCompatible = mEntries[static_cast<size_t>(lIndex)].mMatrix == pMatrix;
    }
    return lIndex;
}

bool KRyvPose::IsCompatible(const char* pNodeName, const KMatrix& pMatrix) const
{
    bool lCompatible = true;
    FindCompatible(pNodeName, pMatrix, lCompatible);
    return lCompatible;
}

int KRyvPose::Add(const char* pNodeName, const KMatrix& pMatrix, bool pLocalMatrix)
{
    if (!pNodeName) {
        return -1;
    }
    if (IsBindPose() && mBindPoseSource) {
        std::vector<const KRyvPose*> lPoses;
        mBindPoseSource(lPoses);
        for (const KRyvPose* lPose : lPoses) {
            if (lPose && lPose != this && lPose->IsBindPose() &&
                !lPose->IsCompatible(pNodeName, pMatrix)) {
                return -1;
            }
        }
    }
    bool lCompatible = true;
    const int lIndex = FindCompatible(pNodeName, pMatrix, lCompatible);
    if (!lCompatible) {
        return -1;
    }
    if (lIndex >= 0) {
        return lIndex;
    }
    mEntries.push_back(Entry{KString(pNodeName), pMatrix, pLocalMatrix});
    return GetCount() - 1;
}

int KRyvPose::Find(const char* pNodeName) const
{
    if (!pNodeName) {
        return -1;
    }
    for (size_t lIndex = 0; lIndex < mEntries.size(); ++lIndex) {
        if (std::strcmp(mEntries[lIndex].mNodeName.Buffer(), pNodeName) == 0) {
            return static_cast<int>(lIndex);
        }
    }
    return -1;
}

const KString& KRyvPose::GetNodeName(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        return SharedEmptyName();
    }
    return mEntries[static_cast<size_t>(pIndex)].mNodeName;
}

void KRyvPose::SetNodeName(int pIndex, const char* pName)
{
    if (pIndex < 0 || pIndex >= GetCount() || !pName || !*pName) {
        return;
    }
    mEntries[static_cast<size_t>(pIndex)].mNodeName = KString(pName);
}

const KMatrix& KRyvPose::GetMatrix(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        return SharedIdentity();
    }
    return mEntries[static_cast<size_t>(pIndex)].mMatrix;
}

bool KRyvPose::IsLocalMatrix(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        return false;
    }
    return mEntries[static_cast<size_t>(pIndex)].mLocalMatrix;
}

void KRyvPose::RemoveAt(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        return;
    }
    mEntries.erase(mEntries.begin() + pIndex);
}

bool KRyvPose::FindInBindPoses(const std::vector<KRyvPose*>& pPoses, const char* pNodeName,
                               std::vector<KRyvPose*>& oPoses, std::vector<int>& oIndexes)
{
    bool lFound = false;
    for (KRyvPose* lPose : pPoses) {
        if (!lPose || !lPose->IsBindPose() || lPose->GetCount() == 0) {
            continue;
        }
        const int lIndex = lPose->Find(pNodeName);
        if (lIndex >= 0) {
            oPoses.push_back(lPose);
            oIndexes.push_back(lIndex);
            lFound = true;
        }
    }
    return lFound;
}
