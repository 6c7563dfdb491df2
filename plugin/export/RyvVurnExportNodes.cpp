// RyvVurnExporter: node creation and the scene-walk steps the passes share.

#include "plugin/export/RyvVurnExporter.h"

#include "platform/vurn/MFnAttribute.h"
#include "platform/vurn/MFnTransform.h"
#include "plugin/export/RyvVurnExportSteps.h"
#include "plugin/export/RyvVurnNameChecks.h"
#include "plugin/shell/RyvVurnNodeHelpers.h"
#include "scene/KRyvSkeleton.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvNull.h"

#include <cstdint>

namespace {
// Kit skeleton types by host type id.
constexpr int kSkeletonRoot = 0;
constexpr int kSkeletonLimb = 1;
constexpr int kSkeletonLimbNode = 2;
constexpr int kSkeletonEffector = 3;
constexpr int kTypeIdRoot = 2;
constexpr int kTypeIdEffector = 3;
constexpr int kTypeIdLimb = 4;

int SkeletonTypeOf(int pTypeId)
{
    switch (pTypeId) {
    case kTypeIdRoot:
        return kSkeletonRoot;
    case kTypeIdEffector:
        return kSkeletonEffector;
    case kTypeIdLimb:
        return kSkeletonLimb;
    default:
        return kSkeletonLimbNode;
    }
}

// How a numeric host attribute becomes a user property.
enum class ReadAs { kNone, kBool, kByte, kInt, kFloat, kDouble, kThreeFloats, kThreeDoubles };

ReadAs ReadAsOf(int pUnitType)
{
    switch (pUnitType) {
    case MFnNumericData::kBoolean:
        return ReadAs::kBool;
    case MFnNumericData::kByte:
    case MFnNumericData::kChar:
        return ReadAs::kByte;
    case MFnNumericData::kShort:
    case MFnNumericData::kInt:
        return ReadAs::kInt;
    case MFnNumericData::kFloat:
        return ReadAs::kFloat;
    case MFnNumericData::kDouble:
        return ReadAs::kDouble;
    case MFnNumericData::k3Float:
        return ReadAs::kThreeFloats;
    case MFnNumericData::k3Double:
        return ReadAs::kThreeDoubles;
    default:
        return ReadAs::kNone;
    }
}

int PropertyTypeOf(ReadAs pReadAs, bool pColor)
{
    switch (pReadAs) {
    case ReadAs::kBool:
        return KRyvUserProperty::kTypeBool;
    case ReadAs::kByte:
    case ReadAs::kInt:
        return KRyvUserProperty::kTypeInteger;
    case ReadAs::kFloat:
    case ReadAs::kDouble:
        return KRyvUserProperty::kTypeReal;
    case ReadAs::kThreeFloats:
    case ReadAs::kThreeDoubles:
        return pColor ? KRyvUserProperty::kTypeColor : KRyvUserProperty::kTypeVector;
    default:
        return KRyvUserProperty::kTypeUnidentified;
    }
}

bool IsThreeComponent(const MObject& pAttribute)
{
    return pAttribute.hasFn(MFn::kAttribute3Double) || pAttribute.hasFn(MFn::kAttribute3Float);
}

// A numeric attribute of its own or a three-component one; the children of the latter go with
// their parent.
bool IsExportable(const MObject& pAttribute)
{
    if (IsThreeComponent(pAttribute)) {
        return true;
    }
    if (pAttribute.apiType() != MFn::kNumericAttribute) {
        return false;
    }
    MStatus lStatus;
    const MObject lParent = MFnAttribute(pAttribute).parent(&lStatus);
    return !lStatus || !IsThreeComponent(lParent);
}

// The plug's value as pReadAs says, or the attribute's default when the plug cannot be read.
void SetSingleValue(KRyvUserProperty& ioProperty, const MPlug& pPlug,
                    const MFnNumericAttribute& pAttribute, ReadAs pReadAs)
{
    double lValue = 0.0;
    if (pPlug.isNull() || !pPlug.getValue(lValue)) {
        pAttribute.getDefault(lValue);
    }
    switch (pReadAs) {
    case ReadAs::kBool:
        ioProperty.SetValue(lValue != 0.0);
        break;
    case ReadAs::kByte:
        // A byte is unsigned: 200 stays 200 where a signed char would make it -56.
        ioProperty.SetValue(static_cast<int>(static_cast<unsigned char>(static_cast<int>(lValue))));
        break;
    case ReadAs::kInt:
        ioProperty.SetValue(static_cast<int>(lValue));
        break;
    case ReadAs::kFloat:
        ioProperty.SetValue(static_cast<double>(static_cast<float>(lValue)));
        break;
    default:
        ioProperty.SetValue(lValue);
    }
    double lLimit = 0.0;
    if (pAttribute.getSoftMin(lLimit)) {
        ioProperty.SetMinimum(lLimit);
    }
    if (pAttribute.getSoftMax(lLimit)) {
        ioProperty.SetMaximum(lLimit);
    }
}

void SetTripleValue(KRyvUserProperty& ioProperty, const MPlug& pPlug,
                    const MFnNumericAttribute& pAttribute, ReadAs pReadAs)
{
    double lValues[3] = {0.0, 0.0, 0.0};
    bool lRead = !pPlug.isNull() && pPlug.numChildren() == 3;
    for (unsigned int lChild = 0; lRead && lChild < 3; ++lChild) {
        float lFloat = 0.0f;
        lRead = pReadAs == ReadAs::kThreeFloats
                    ? static_cast<bool>(pPlug.child(lChild).getValue(lFloat))
                    : static_cast<bool>(pPlug.child(lChild).getValue(lValues[lChild]));
        if (pReadAs == ReadAs::kThreeFloats) {
            lValues[lChild] = lFloat;
        }
    }
    if (!lRead) {
        pAttribute.getDefault(lValues[0], lValues[1], lValues[2]);
    }
    ioProperty.SetValue(lValues[0], lValues[1], lValues[2]);
}
} // namespace

void RyvVurnExporter::AddToNodeTable(const MDagPath& pPath, KRyvNode* pNode)
{
    mNodeTable.Add(pPath.fullPathName().asChar(), reinterpret_cast<std::intptr_t>(pNode));
}

KRyvNode* RyvVurnExporter::LookUpNode(const MDagPath& pPath)
{
    return reinterpret_cast<KRyvNode*>(mNodeTable.Find(pPath.fullPathName().asChar()));
}

RyvVurnNode* RyvVurnExporter::CreateHostNode(const MDagPath& pPath, const MFnDagNode& pDagNode)
{
    RyvVurnNode* lNode = mFactory.CreateNode(pDagNode.name().asChar(), &pPath);
    if (lNode) {
        lNode->SetVisibility(GetHostVisibility(pDagNode));
        AddToNodeTable(pPath, lNode);
    }
    return lNode;
}

RyvVurnNode* RyvVurnExporter::ExportNullNode(const MDagPath& pPath, const MFnDagNode& pDagNode)
{
    RyvVurnNode* lNode = CreateHostNode(pPath, pDagNode);
    if (lNode) {
        lNode->SetNodeAttribute(mFactory.CreateNull());
    }
    return lNode;
}

RyvVurnNode* RyvVurnExporter::ExportJointNode(const MDagPath& pPath, const MFnDagNode& pDagNode)
{
    MStatus lStatus;
    const MFnIkJoint lJoint(pPath, &lStatus);
    if (!lStatus) {
        lStatus.perror("MFnIkJoint constructor");
        return nullptr;
    }
    RyvVurnNode* lNode = CreateHostNode(pPath, pDagNode);
    SetSkeletonFromTypeId(lNode);
    return lNode;
}

void RyvVurnExporter::SetSkeletonFromTypeId(RyvVurnNode* pNode)
{
    if (!pNode) {
        return;
    }
    const MDagPath* lPath = pNode->GetDagPath();
    const int lTypeId = lPath ? GetSorquinTypeId(lPath->node()) : 0;
    KRyvSkeleton* lSkeleton = mFactory.CreateSkeleton();
    lSkeleton->SetSkeletonType(SkeletonTypeOf(lTypeId));
    if (lTypeId != kTypeIdRoot) {
        lSkeleton->SetSize(mJointDisplayScale);
    }
    pNode->SetNodeAttribute(lSkeleton);
}

// The kit node of the host parent at pParentPath, or the kit root.
KRyvNode* RyvVurnExporter::FindParentNode(const MDagPath& pParentPath)
{
    KRyvNode* lFound = LookUpNode(pParentPath);
    if (!lFound || (mSelection && !mSelection->hasItem(pParentPath))) {
        return mRootNode;
    }
    const auto* lHostNode = dynamic_cast<RyvVurnNode*>(lFound);
    if (lHostNode && lHostNode->GetDagPath() &&
        lHostNode->GetDagPath()->fullPathName() == pParentPath.fullPathName()) {
        return lFound;
    }
    KRyvNode* lNow = NodeNowAt(pParentPath);
    return lNow ? lNow : mRootNode;
}

KRyvNode* RyvVurnExporter::NodeNowAt(const MDagPath& pPath)
{
    if (!mNodesNowAtBuilt) {
        mNodesNowAt.Clear();
        for (int lIndex = 0; lIndex < mNodeTable.GetCount(); ++lIndex) {
            mNodesNowAt.Add(reinterpret_cast<KRyvNode*>(mNodeTable.GetAt(lIndex)));
        }
        mNodesNowAtBuilt = true;
    }
    return mNodesNowAt.FindExact(pPath);
}

void RyvVurnExporter::LinkToParent(const MFnDagNode& pDagNode, KRyvNode* pNode)
{
    if (!pNode || pDagNode.parentCount() == 0) {
        return;
    }
    MDagPath lParentPath;
    const MObject lParent = pDagNode.parent(0);
    if (lParent.hasFn(MFn::kWorld) || !MDagPath::getAPathTo(lParent, lParentPath)) {
        mRootNode->AddChild(pNode);
        return;
    }
    FindParentNode(lParentPath)->AddChild(pNode);
}

void RyvVurnExporter::ExportUserPropertiesTree(KRyvNode* pNode)
{
    if (!pNode) {
        return;
    }
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        ExportUserPropertiesTree(pNode->GetChild(lIndex));
    }
    const auto* lNode = dynamic_cast<const RyvVurnNode*>(pNode);
    if (!lNode || !lNode->GetDagPath()) {
        return;
    }
    MStatus lStatus;
    const MFnTransform lTransform(lNode->GetDagPath()->transform(), &lStatus);
    if (lStatus) {
        ExportUserProperties(lTransform, pNode);
    }
}

void RyvVurnExporter::ExportUserProperties(const MFnDependencyNode& pHostNode, KRyvNode* pNode)
{
    if (!pNode || !pNode->GetNodeAttribute()) {
        return;
    }
    for (unsigned int lIndex = 0; lIndex < pHostNode.attributeCount(); ++lIndex) {
        const MObject lAttribute = pHostNode.attribute(lIndex);
        if (pHostNode.attributeClass(lAttribute) != MFnDependencyNode::kLocalDynamicAttr ||
            HasMiPrefix(lAttribute) || !IsExportable(lAttribute)) {
            continue;
        }
        const MFnNumericAttribute lNumeric(lAttribute);
        const ReadAs lReadAs = ReadAsOf(lNumeric.unitType());
        const int lType = PropertyTypeOf(lReadAs, lNumeric.isUsedAsColor());
        if (lType == KRyvUserProperty::kTypeUnidentified) {
            continue;
        }
        const MString lName = lNumeric.shortName();
        KRyvUserProperty* lProperty = mFactory.CreateUserProperty(
            lName.asChar(), KRyvUserProperty::GetTypeName(lType), lName.asChar());
        if (!lProperty) {
            continue;
        }
        lProperty->SetFlag(KRyvUserProperty::kFlagSecond, true);
        lProperty->SetFlag(KRyvUserProperty::kFlagAnimatable, true);
        pNode->AddUserProperty(lProperty);
        const MPlug lPlug = pHostNode.findPlug(lAttribute);
        if (lType == KRyvUserProperty::kTypeColor || lType == KRyvUserProperty::kTypeVector) {
            SetTripleValue(*lProperty, lPlug, lNumeric, lReadAs);
        } else {
            SetSingleValue(*lProperty, lPlug, lNumeric, lReadAs);
        }
    }
}

void RyvVurnExporter::DestroyRemovalList()
{
    while (!mRemovalList.empty()) {
        KRyvNode* lNode = mRemovalList.back();
        mRemovalList.pop_back();
        if (KRyvNode* lParent = lNode->GetParent()) {
            lParent->RemoveChild(lNode);
        }
        mFactory.DestroyNode(lNode, true);
    }
}
