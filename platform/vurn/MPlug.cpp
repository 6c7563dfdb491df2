#include "platform/vurn/MPlug.h"

#include "platform/vurn/VurnStatus.h"

#include <cstdint>

MPlug::MPlug(const MObject& pNode, const MObject& pAttribute)
{
    VurnScene& lScene = VurnScene::Get();
    const VurnAttribute* lAttribute =
        pAttribute.kind() == MObject::kAttribute ? lScene.Attribute(pAttribute.id()) : nullptr;
    if (pNode.kind() != MObject::kNode || pNode.isNull() || !lAttribute) {
        return;
    }
    VurnPlugPath lPath;
    if (!lScene.ParsePlugPath(pNode.id(), lAttribute->mName, lPath) ||
        lPath.back().first != pAttribute.id()) {
        return;
    }
    mNode = pNode.id();
    mPath = lPath;
}

bool MPlug::isNull() const
{
    return mPath.empty() || !VurnScene::Get().IsAlive(mNode);
}

MObject MPlug::node() const
{
    return isNull() ? MObject() : MObject::node(mNode);
}

MObject MPlug::attribute() const
{
    return isNull() ? MObject() : MObject::attribute(mPath.back().first);
}

const VurnAttribute* MPlug::Definition() const
{
    return isNull() ? nullptr : VurnScene::Get().Attribute(mPath.back().first);
}

MString MPlug::NameWith(const std::string& pNodeName) const
{
    if (isNull()) {
        return MString();
    }
    return MString(pNodeName + "." + VurnScene::Get().PlugPathText(mPath));
}

MString MPlug::name() const
{
    return isNull() ? MString() : NameWith(VurnScene::Get().Node(mNode)->mName);
}

MString MPlug::partialName() const
{
    return isNull() ? MString() : MString(VurnScene::Get().PlugPathText(mPath));
}

MString MPlug::info() const
{
    if (isNull()) {
        return MString();
    }
    VurnScene& lScene = VurnScene::Get();
    const auto lPaths = lScene.PathsTo(mNode);
    return NameWith(lPaths.empty() ? lScene.Node(mNode)->mName : lScene.FullPathName(lPaths[0]));
}

MStatus MPlug::Number(double& oValue) const
{
    VurnValue lValue;
    if (isNull() || !VurnScene::Get().GetValue(mNode, mPath, lValue) ||
        lValue.mKind != VurnValue::kNumber) {
        return VurnFailure("plug has no numeric value");
    }
    oValue = lValue.mNumber;
    return MStatus();
}

MStatus MPlug::getValue(bool& oValue) const
{
    double lValue = 0.0;
    const MStatus lStatus = Number(lValue);
    if (lStatus) {
        oValue = lValue != 0.0;
    }
    return lStatus;
}

MStatus MPlug::getValue(char& oValue) const
{
    double lValue = 0.0;
    const MStatus lStatus = Number(lValue);
    if (lStatus) {
        oValue = static_cast<char>(static_cast<int>(lValue));
    }
    return lStatus;
}

MStatus MPlug::getValue(int& oValue) const
{
    double lValue = 0.0;
    const MStatus lStatus = Number(lValue);
    if (lStatus) {
        oValue = static_cast<int>(lValue);
    }
    return lStatus;
}

MStatus MPlug::getValue(float& oValue) const
{
    double lValue = 0.0;
    const MStatus lStatus = Number(lValue);
    if (lStatus) {
        oValue = static_cast<float>(lValue);
    }
    return lStatus;
}

MStatus MPlug::getValue(double& oValue) const
{
    return Number(oValue);
}

MStatus MPlug::getValue(MString& oValue) const
{
    VurnValue lValue;
    if (isNull() || !VurnScene::Get().GetValue(mNode, mPath, lValue)) {
        return VurnFailure("plug has no value");
    }
    oValue = lValue.mKind == VurnValue::kText ? MString(lValue.mText) : MString(lValue.Describe());
    return MStatus();
}

MStatus MPlug::getValue(MObject& oValue) const
{
    VurnValue lValue;
    if (isNull() || !VurnScene::Get().GetValue(mNode, mPath, lValue) ||
        (lValue.mKind != VurnValue::kData && lValue.mKind != VurnValue::kGeometry)) {
        return VurnFailure("plug holds no data object");
    }
    oValue = lValue.mKind == VurnValue::kData ? MObject::data(lValue.mData)
                                              : MObject::node(lValue.mData);
    return MStatus();
}

double MPlug::asDouble(MStatus* oStatus) const
{
    double lValue = 0.0;
    VurnReport(oStatus, Number(lValue));
    return lValue;
}

MStatus MPlug::setValue(double pValue)
{
    const VurnAttribute* lAttribute = Definition();
    if (!lAttribute || lAttribute->mKind != VurnAttributeKind::kNumeric ||
        !VurnScene::Get().SetValue(mNode, mPath, VurnValue::Number(pValue))) {
        return VurnFailure("plug cannot take a number");
    }
    return MStatus();
}

MStatus MPlug::setValue(const MString& pValue)
{
    const VurnAttribute* lAttribute = Definition();
    if (!lAttribute || lAttribute->mKind != VurnAttributeKind::kText ||
        !VurnScene::Get().SetValue(mNode, mPath, VurnValue::Text(pValue.str()))) {
        return VurnFailure("plug cannot take a string");
    }
    return MStatus();
}

bool MPlug::connectedTo(MPlugArray& oPlugs, bool pAsDestination, bool pAsSource,
                        MStatus* oStatus) const
{
    oPlugs.clear();
    if (isNull()) {
        VurnReport(oStatus, VurnFailure("null plug"));
        return false;
    }
    for (const VurnConnection& lConnection : VurnScene::Get().ConnectionsOf(mNode)) {
        if (pAsDestination && lConnection.mDestinationNode == mNode &&
            lConnection.mDestination == mPath) {
            oPlugs.append(MPlug(lConnection.mSourceNode, lConnection.mSource));
        }
        if (pAsSource && lConnection.mSourceNode == mNode && lConnection.mSource == mPath) {
            oPlugs.append(MPlug(lConnection.mDestinationNode, lConnection.mDestination));
        }
    }
    VurnReport(oStatus, MStatus());
    return oPlugs.length() > 0;
}

bool MPlug::isConnected() const
{
    MPlugArray lPlugs;
    return connectedTo(lPlugs, true, true);
}

bool MPlug::isArray() const
{
    const VurnAttribute* lAttribute = Definition();
    return lAttribute && lAttribute->mArray && mPath.back().second < 0;
}

bool MPlug::isElement() const
{
    return !isNull() && mPath.back().second >= 0;
}

bool MPlug::isCompound() const
{
    const VurnAttribute* lAttribute = Definition();
    return lAttribute && lAttribute->mKind == VurnAttributeKind::kCompound;
}

unsigned int MPlug::numElements(MStatus* oStatus) const
{
    if (!isArray()) {
        VurnReport(oStatus, VurnFailure("not an array plug"));
        return 0;
    }
    VurnReport(oStatus, MStatus());
    return static_cast<unsigned int>(VurnScene::Get().LogicalIndices(mNode, mPath).size());
}

MPlug MPlug::elementByPhysicalIndex(unsigned int pIndex, MStatus* oStatus) const
{
    const std::vector<int> lIndices =
        isArray() ? VurnScene::Get().LogicalIndices(mNode, mPath) : std::vector<int>();
    if (pIndex >= lIndices.size()) {
        VurnReport(oStatus, VurnFailure("physical index out of range"));
        return MPlug();
    }
    return elementByLogicalIndex(static_cast<unsigned int>(lIndices[pIndex]), oStatus);
}

MPlug MPlug::elementByLogicalIndex(unsigned int pIndex, MStatus* oStatus) const
{
    if (!isArray() || pIndex > static_cast<unsigned int>(INT32_MAX)) {
        VurnReport(oStatus, VurnFailure("not an array plug"));
        return MPlug();
    }
    MPlug lElement = *this;
    lElement.mPath.back().second = static_cast<int>(pIndex);
    VurnReport(oStatus, MStatus());
    return lElement;
}

unsigned int MPlug::logicalIndex(MStatus* oStatus) const
{
    if (!isElement()) {
        VurnReport(oStatus, VurnFailure("not an element plug"));
        return 0;
    }
    VurnReport(oStatus, MStatus());
    return static_cast<unsigned int>(mPath.back().second);
}

unsigned int MPlug::numChildren() const
{
    const VurnAttribute* lAttribute = Definition();
    return lAttribute && lAttribute->mKind == VurnAttributeKind::kCompound
               ? static_cast<unsigned int>(lAttribute->mChildren.size())
               : 0;
}

MPlug MPlug::child(unsigned int pIndex, MStatus* oStatus) const
{
    const VurnAttribute* lAttribute = Definition();
    if (!lAttribute || pIndex >= numChildren() || isArray()) {
        VurnReport(oStatus, VurnFailure("no such child"));
        return MPlug();
    }
    MPlug lChild = *this;
    lChild.mPath.emplace_back(lAttribute->mChildren[pIndex], -1);
    VurnReport(oStatus, MStatus());
    return lChild;
}

MPlug MPlug::child(const MObject& pAttribute, MStatus* oStatus) const
{
    const VurnAttribute* lAttribute = Definition();
    if (lAttribute && pAttribute.kind() == MObject::kAttribute) {
        for (unsigned int lIndex = 0; lIndex < lAttribute->mChildren.size(); ++lIndex) {
            if (lAttribute->mChildren[lIndex] == pAttribute.id()) {
                return child(lIndex, oStatus);
            }
        }
    }
    VurnReport(oStatus, VurnFailure("no such child"));
    return MPlug();
}

MPlug MPlug::parent() const
{
    if (isNull() || mPath.size() < 2) {
        return MPlug();
    }
    return MPlug(mNode, VurnPlugPath(mPath.begin(), mPath.end() - 1));
}

MPlug MPlug::array() const
{
    if (!isElement()) {
        return MPlug();
    }
    MPlug lArray = *this;
    lArray.mPath.back().second = -1;
    return lArray;
}

MStatus MPlug::selectAncestorLogicalIndex(unsigned int pIndex, const MObject& pAttribute)
{
    if (isNull() || (!pAttribute.isNull() && pAttribute.kind() != MObject::kAttribute) ||
        pIndex > static_cast<unsigned int>(INT32_MAX)) {
        return VurnFailure("bad ancestor");
    }
    const int lTarget = pAttribute.isNull() ? mPath.back().first : pAttribute.id();
    for (auto& lStep : mPath) {
        const VurnAttribute* lAttribute = VurnScene::Get().Attribute(lStep.first);
        if (lStep.first == lTarget && lAttribute && lAttribute->mArray) {
            lStep.second = static_cast<int>(pIndex);
            return MStatus();
        }
    }
    return VurnFailure("attribute is not an array ancestor of the plug");
}
