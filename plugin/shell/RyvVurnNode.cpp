#include "plugin/shell/RyvVurnNode.h"

namespace {
constexpr const char* kModelPrefix = "Model::";
constexpr int kModelPrefixLength = 7;
} // namespace

RyvVurnNode::RyvVurnNode(KRyvObjectFactory* pOwner, const char* pName) : KRyvNode(pOwner, pName) {}

void RyvVurnNode::SetDagPath(const MDagPath* pPath)
{
    mDagPath = pPath ? std::make_unique<MDagPath>(*pPath) : nullptr;
}

KString RyvVurnNode::GetNamespace(bool& oHasNamespace) const
{
    const KString& lName = GetName();
    const int lStart = lName.Find(kModelPrefix) == 0 ? kModelPrefixLength : 0;
    const int lColon = lName.Find(':', lStart);
    oHasNamespace = lColon > lStart;
    return oHasNamespace ? KString(lName.Buffer() + lStart, lColon - lStart) : KString();
}
