#include "scene/objects/KRyvActor.h"

namespace {

const KVector4 kUnitScale(1.0, 1.0, 1.0, 1.0);

} // namespace

KRyvActor::KRyvActor(KRyvObjectFactory* pOwner, const char* pName) : KRyvObject(pOwner, pName)
{
    SetName(pName);
    mNodeScales.fill(kUnitScale);
}

void KRyvActor::SetNodeScale(int pBodyNode, const KVector4& pScale)
{
    if (pBodyNode < 0 || pBodyNode >= kBodyNodeCount) {
        return;
    }
    mNodeScales[static_cast<size_t>(pBodyNode)] = pScale;
}

KVector4 KRyvActor::GetNodeScale(int pBodyNode) const
{
    if (pBodyNode < 0 || pBodyNode >= kBodyNodeCount) {
        return kUnitScale;
    }
    return mNodeScales[static_cast<size_t>(pBodyNode)];
}
