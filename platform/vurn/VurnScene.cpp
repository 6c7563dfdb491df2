#include "platform/vurn/VurnScene.h"

#include "platform/vurn/MFn.h"
#include "platform/vurn/VurnTypeTable.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace {
std::unique_ptr<VurnScene>& CurrentScene()
{
    static std::unique_ptr<VurnScene> sScene;
    return sScene;
}

// Logical indices larger than this are refused, as no scene of ours comes near it.
constexpr int kMaxLogicalIndex = 1 << 24;

bool IsPrefix(const VurnPlugPath& pPrefix, const VurnPlugPath& pPath)
{
    return pPrefix.size() <= pPath.size() &&
           std::equal(pPrefix.begin(), pPrefix.end(), pPath.begin());
}
} // namespace

VurnValue VurnValue::Number(double pValue)
{
    VurnValue lValue;
    lValue.mKind = kNumber;
    lValue.mNumber = pValue;
    return lValue;
}

VurnValue VurnValue::Text(const std::string& pText)
{
    VurnValue lValue;
    lValue.mKind = kText;
    lValue.mText = pText;
    return lValue;
}

VurnValue VurnValue::Matrix(const MMatrix& pMatrix)
{
    VurnValue lValue;
    lValue.mKind = kMatrix;
    lValue.mMatrix = pMatrix;
    return lValue;
}

VurnValue VurnValue::Geometry(int pShape)
{
    VurnValue lValue;
    lValue.mKind = kGeometry;
    lValue.mData = pShape;
    return lValue;
}

VurnValue VurnValue::Data(int pData)
{
    VurnValue lValue;
    lValue.mKind = kData;
    lValue.mData = pData;
    return lValue;
}

std::string VurnValue::Describe() const
{
    std::ostringstream lOut;
    lOut.precision(17);
    switch (mKind) {
    case kNumber:
        lOut << mNumber;
        break;
    case kText:
        lOut << '"' << mText << '"';
        break;
    case kMatrix:
        for (int lIndex = 0; lIndex < 16; ++lIndex) {
            lOut << (lIndex ? " " : "") << mMatrix(lIndex / 4, lIndex % 4);
        }
        break;
    case kData:
        lOut << "data " << mData;
        break;
    case kGeometry:
        lOut << "geometry of " << mData;
        break;
    default:
        lOut << "none";
    }
    return lOut.str();
}

VurnScene& VurnScene::Get()
{
    if (!CurrentScene()) {
        Reset();
    }
    return *CurrentScene();
}

void VurnScene::Reset()
{
    CurrentScene() = std::make_unique<VurnScene>();
}

VurnScene::VurnScene()
{
    VurnNode lWorld;
    lWorld.mType = MFn::kWorld;
    mNodes.push_back(lWorld);
    VurnTypeTable::RegisterAttributes(*this);
}

// Nodes

int VurnScene::CreateNode(int pType, const std::string& pName, int pParent)
{
    if (!VurnTypeTable::IsKnown(pType) || !VurnTypeTable::IsA(pType, MFn::kDependencyNode) ||
        pType == MFn::kWorld) {
        return -1;
    }
    const bool lDag = VurnTypeTable::IsA(pType, MFn::kDagNode);
    if (lDag && (!IsAlive(pParent) || !IsDagNode(pParent))) {
        return -1;
    }
    VurnNode lNode;
    lNode.mType = pType;
    lNode.mName = UniqueName(pName.empty() ? VurnTypeTable::Name(pType) : pName, pParent, lDag);
    const int lId = static_cast<int>(mNodes.size());
    if (lDag) {
        lNode.mParents.push_back(pParent);
        mNodes[pParent].mChildren.push_back(lId);
    }
    mNodes.push_back(lNode);
    mTypeNodes[pType].push_back(lId);
    IndexName(lId);
    RecordMutation("create " + std::string(VurnTypeTable::Name(pType)) + " " + mNodes[lId].mName);
    return lId;
}

bool VurnScene::DeleteNode(int pNode)
{
    if (!IsAlive(pNode) || pNode == kWorld) {
        return false;
    }
    RecordMutation("delete " + mNodes[pNode].mName);
    const std::vector<int> lChildren = mNodes[pNode].mChildren;
    DetachNode(pNode);
    for (int lChild : lChildren) {
        if (IsAlive(lChild) && mNodes[lChild].mParents.empty()) {
            DeleteNode(lChild);
        }
    }
    return true;
}

std::vector<int> VurnScene::NameScopes(int pNode) const
{
    return IsDagNode(pNode) ? mNodes[pNode].mParents : std::vector<int>{kDependencyScope};
}

void VurnScene::IndexName(int pNode)
{
    for (int lScope : NameScopes(pNode)) {
        mNames[{lScope, mNodes[pNode].mName}].push_back(pNode);
    }
    mNamedNodes[mNodes[pNode].mName].insert(pNode);
}

void VurnScene::UnindexName(int pNode)
{
    for (int lScope : NameScopes(pNode)) {
        const auto lFound = mNames.find({lScope, mNodes[pNode].mName});
        if (lFound == mNames.end()) {
            continue;
        }
        auto& lIds = lFound->second;
        lIds.erase(std::remove(lIds.begin(), lIds.end(), pNode), lIds.end());
        if (lIds.empty()) {
            mNames.erase(lFound);
        }
    }
    const auto lNamed = mNamedNodes.find(mNodes[pNode].mName);
    if (lNamed != mNamedNodes.end()) {
        lNamed->second.erase(pNode);
        if (lNamed->second.empty()) {
            mNamedNodes.erase(lNamed);
        }
    }
}

void VurnScene::DetachNode(int pNode)
{
    UnindexName(pNode);
    VurnNode& lNode = mNodes[pNode];
    for (int lParent : lNode.mParents) {
        auto& lSiblings = mNodes[lParent].mChildren;
        lSiblings.erase(std::remove(lSiblings.begin(), lSiblings.end(), pNode), lSiblings.end());
    }
    for (int lChild : lNode.mChildren) {
        auto& lParents = mNodes[lChild].mParents;
        lParents.erase(std::remove(lParents.begin(), lParents.end(), pNode), lParents.end());
    }
    lNode.mParents.clear();
    lNode.mChildren.clear();
    lNode.mAlive = false;
    const auto lFound = mNodeConnections.find(pNode);
    if (lFound == mNodeConnections.end()) {
        return;
    }
    // A copy: each removal takes its serial number out of the node's own set.
    const std::set<std::uint64_t> lSerials = lFound->second;
    for (std::uint64_t lSerial : lSerials) {
        RemoveConnection(lSerial);
    }
}

void VurnScene::RemoveConnection(std::uint64_t pSerial)
{
    const auto lFound = mConnections.find(pSerial);
    if (lFound == mConnections.end()) {
        return;
    }
    const VurnConnection& lConnection = lFound->second;
    for (int lNode : {lConnection.mSourceNode, lConnection.mDestinationNode}) {
        const auto lSerials = mNodeConnections.find(lNode);
        if (lSerials == mNodeConnections.end()) {
            continue;
        }
        lSerials->second.erase(pSerial);
        if (lSerials->second.empty()) {
            mNodeConnections.erase(lSerials);
        }
    }
    mDestinations.erase({lConnection.mDestinationNode, lConnection.mDestination});
    mConnections.erase(lFound);
}

bool VurnScene::IsAlive(int pNode) const
{
    return pNode >= 0 && pNode < static_cast<int>(mNodes.size()) && mNodes[pNode].mAlive;
}

bool VurnScene::IsDagNode(int pNode) const
{
    return IsAlive(pNode) && VurnTypeTable::IsA(mNodes[pNode].mType, MFn::kDagNode);
}

const VurnNode* VurnScene::Node(int pNode) const
{
    return IsAlive(pNode) ? &mNodes[pNode] : nullptr;
}

VurnNode* VurnScene::MutableNode(int pNode)
{
    return IsAlive(pNode) ? &mNodes[pNode] : nullptr;
}

int VurnScene::FindNode(const std::string& pName) const
{
    if (pName.find('|') != std::string::npos) {
        return FindNodeByPath(pName);
    }
    const auto lFound = mNamedNodes.find(pName);
    return lFound != mNamedNodes.end() && lFound->second.size() == 1 ? *lFound->second.begin() : -1;
}

std::vector<int> VurnScene::NodesOfType(int pType) const
{
    const auto lFound = mTypeNodes.find(pType);
    return lFound == mTypeNodes.end() ? std::vector<int>() : lFound->second;
}

int VurnScene::FindNodeByPath(const std::string& pPath) const
{
    int lCurrent = kWorld;
    std::istringstream lIn(pPath.front() == '|' ? pPath.substr(1) : pPath);
    std::string lPart;
    while (std::getline(lIn, lPart, '|')) {
        const auto lFound = mNames.find({lCurrent, lPart});
        const int lNext = lFound == mNames.end() ? -1 : lFound->second.back();
        if (lNext < 0) {
            return -1;
        }
        lCurrent = lNext;
    }
    return lCurrent == kWorld ? -1 : lCurrent;
}

bool VurnScene::NameTaken(const std::string& pName, int pParent, bool pDag, int pExcept) const
{
    const auto lFound = mNames.find({pDag ? pParent : kDependencyScope, pName});
    if (lFound == mNames.end()) {
        return false;
    }
    for (int lId : lFound->second) {
        if (lId != pExcept) {
            return true;
        }
    }
    return false;
}

std::string VurnScene::UniqueName(const std::string& pName, int pParent, bool pDag) const
{
    if (!NameTaken(pName, pParent, pDag, -1)) {
        return pName;
    }
    for (int lNumber = 1;; ++lNumber) {
        const std::string lCandidate = pName + std::to_string(lNumber);
        if (!NameTaken(lCandidate, pParent, pDag, -1)) {
            return lCandidate;
        }
    }
}

bool VurnScene::Rename(int pNode, const std::string& pName)
{
    if (!IsAlive(pNode) || pNode == kWorld || pName.empty()) {
        return false;
    }
    const bool lDag = IsDagNode(pNode);
    const std::vector<int> lParents = lDag ? mNodes[pNode].mParents : std::vector<int>{kWorld};
    auto lTaken = [&](const std::string& pCandidate) {
        return std::any_of(lParents.begin(), lParents.end(), [&](int pParent) {
            return NameTaken(pCandidate, pParent, lDag, pNode);
        });
    };
    std::string lName = pName;
    for (int lNumber = 1; lTaken(lName); ++lNumber) {
        lName = pName + std::to_string(lNumber);
    }
    RecordMutation("rename " + mNodes[pNode].mName + " " + lName);
    UnindexName(pNode);
    mNodes[pNode].mName = lName;
    IndexName(pNode);
    return true;
}

void VurnScene::SetIntermediate(int pNode, bool pIntermediate)
{
    if (IsAlive(pNode)) {
        mNodes[pNode].mIntermediate = pIntermediate;
        RecordMutation("intermediate " + mNodes[pNode].mName);
    }
}

// DAG

bool VurnScene::IsAncestor(int pAncestor, int pNode) const
{
    if (pAncestor == pNode) {
        return true;
    }
    for (int lParent : mNodes[pNode].mParents) {
        if (IsAncestor(pAncestor, lParent)) {
            return true;
        }
    }
    return false;
}

bool VurnScene::AddParent(int pChild, int pParent)
{
    if (!IsDagNode(pChild) || !IsDagNode(pParent) || pChild == kWorld ||
        IsAncestor(pChild, pParent)) {
        return false;
    }
    auto& lParents = mNodes[pChild].mParents;
    if (std::find(lParents.begin(), lParents.end(), pParent) != lParents.end() ||
        NameTaken(mNodes[pChild].mName, pParent, true, pChild)) {
        return false;
    }
    lParents.push_back(pParent);
    mNodes[pParent].mChildren.push_back(pChild);
    mNames[{pParent, mNodes[pChild].mName}].push_back(pChild);
    RecordMutation("parent " + mNodes[pChild].mName + " " + mNodes[pParent].mName);
    return true;
}

// The paths to pNode built upwards through its parents: a query costs the node's depth (times
// its instances), not a walk of the whole scene.
void VurnScene::CollectPaths(int pNode, std::vector<VurnPath>& ioOut) const
{
    for (int lParent : mNodes[pNode].mParents) {
        if (lParent == kWorld) {
            ioOut.push_back({pNode});
            continue;
        }
        std::vector<VurnPath> lAbove;
        CollectPaths(lParent, lAbove);
        for (VurnPath& lPath : lAbove) {
            lPath.push_back(pNode);
            ioOut.push_back(std::move(lPath));
        }
    }
}

std::vector<VurnPath> VurnScene::PathsTo(int pNode) const
{
    std::vector<VurnPath> lPaths;
    if (!IsDagNode(pNode) || pNode == kWorld) {
        return lPaths;
    }
    CollectPaths(pNode, lPaths);
    if (lPaths.size() < 2) {
        return lPaths;
    }
    // Walk order: by each step's place among its parent's children, from the top down.
    auto lPlaces = [this](const VurnPath& pPath) {
        std::vector<long> lPlaces;
        int lParent = kWorld;
        for (int lNode : pPath) {
            const auto& lChildren = mNodes[lParent].mChildren;
            lPlaces.push_back(std::find(lChildren.begin(), lChildren.end(), lNode) -
                              lChildren.begin());
            lParent = lNode;
        }
        return lPlaces;
    };
    std::sort(lPaths.begin(), lPaths.end(), [&lPlaces](const VurnPath& pA, const VurnPath& pB) {
        return lPlaces(pA) < lPlaces(pB);
    });
    return lPaths;
}

std::string VurnScene::FullPathName(const VurnPath& pPath) const
{
    std::string lName;
    for (int lNode : pPath) {
        lName += "|";
        lName += IsAlive(lNode) ? mNodes[lNode].mName : std::string();
    }
    return lName;
}

// Attributes

const VurnAttribute* VurnScene::Attribute(int pAttribute) const
{
    return pAttribute >= 0 && pAttribute < static_cast<int>(mAttributes.size())
               ? &mAttributes[pAttribute]
               : nullptr;
}

std::vector<int> VurnScene::NodeAttributes(int pNode) const
{
    std::vector<int> lResult;
    if (!IsAlive(pNode)) {
        return lResult;
    }
    std::vector<int> lChain;
    for (int lType = mNodes[pNode].mType; lType != 0; lType = VurnTypeTable::Parent(lType)) {
        lChain.push_back(lType);
    }
    for (auto lType = lChain.rbegin(); lType != lChain.rend(); ++lType) {
        const auto lFound = mTypeAttributes.find(*lType);
        if (lFound != mTypeAttributes.end()) {
            lResult.insert(lResult.end(), lFound->second.begin(), lFound->second.end());
        }
    }
    const auto& lDynamic = mNodes[pNode].mDynamicAttributes;
    lResult.insert(lResult.end(), lDynamic.begin(), lDynamic.end());
    return lResult;
}

int VurnScene::FindAttribute(int pNode, const std::string& pName) const
{
    for (int lAttribute : NodeAttributes(pNode)) {
        const VurnAttribute& lDef = mAttributes[lAttribute];
        if (lDef.mName == pName || lDef.mShortName == pName) {
            return lAttribute;
        }
    }
    return -1;
}

int VurnScene::AddStaticAttribute(int pType, VurnAttribute pAttribute,
                                  const std::vector<VurnAttribute>& pChildren)
{
    const int lId = static_cast<int>(mAttributes.size());
    pAttribute.mChildren.clear();
    mAttributes.push_back(pAttribute);
    mTypeAttributes[pType].push_back(lId);
    for (VurnAttribute lChild : pChildren) {
        lChild.mParent = lId;
        lChild.mDynamic = pAttribute.mDynamic;
        mAttributes[lId].mChildren.push_back(static_cast<int>(mAttributes.size()));
        mTypeAttributes[pType].push_back(static_cast<int>(mAttributes.size()));
        mAttributes.push_back(lChild);
    }
    return lId;
}

int VurnScene::AddDynamicAttribute(int pNode, VurnAttribute pAttribute,
                                   const std::vector<VurnAttribute>& pChildren)
{
    if (!IsAlive(pNode) || pAttribute.mName.empty() ||
        FindAttribute(pNode, pAttribute.mName) >= 0 ||
        (!pAttribute.mShortName.empty() && FindAttribute(pNode, pAttribute.mShortName) >= 0)) {
        return -1;
    }
    for (const VurnAttribute& lChild : pChildren) {
        if (FindAttribute(pNode, lChild.mName) >= 0) {
            return -1;
        }
    }
    pAttribute.mDynamic = true;
    const int lId = static_cast<int>(mAttributes.size());
    pAttribute.mChildren.clear();
    mAttributes.push_back(pAttribute);
    mNodes[pNode].mDynamicAttributes.push_back(lId);
    for (VurnAttribute lChild : pChildren) {
        lChild.mParent = lId;
        lChild.mDynamic = true;
        const int lChildId = static_cast<int>(mAttributes.size());
        mAttributes[lId].mChildren.push_back(lChildId);
        mNodes[pNode].mDynamicAttributes.push_back(lChildId);
        mAttributes.push_back(lChild);
    }
    RecordMutation("addAttr " + mNodes[pNode].mName + "." + pAttribute.mName);
    return lId;
}

int VurnScene::FindChildAttribute(int pParent, const std::string& pName) const
{
    for (int lChild : mAttributes[pParent].mChildren) {
        if (mAttributes[lChild].mName == pName || mAttributes[lChild].mShortName == pName) {
            return lChild;
        }
    }
    return -1;
}

// Plug paths

bool VurnScene::ParsePlugPath(int pNode, const std::string& pText, VurnPlugPath& oPath) const
{
    oPath.clear();
    if (!IsAlive(pNode) || pText.empty()) {
        return false;
    }
    std::istringstream lIn(pText);
    std::string lPart;
    while (std::getline(lIn, lPart, '.')) {
        int lIndex = -1;
        const auto lOpen = lPart.find('[');
        if (lOpen != std::string::npos) {
            const auto lClose = lPart.find(']', lOpen);
            if (lClose != lPart.size() - 1 ||
                std::from_chars(lPart.data() + lOpen + 1, lPart.data() + lClose, lIndex).ptr !=
                    lPart.data() + lClose ||
                lIndex < 0 || lIndex > kMaxLogicalIndex) {
                return false;
            }
            lPart.resize(lOpen);
        }
        int lAttribute = -1;
        if (oPath.empty()) {
            lAttribute = FindAttribute(pNode, lPart);
            // A child named alone stands for its place under its parents; an array parent's
            // element is left unselected (see MPlug::selectAncestorLogicalIndex).
            if (lAttribute >= 0 && mAttributes[lAttribute].mParent >= 0) {
                for (int lParent = mAttributes[lAttribute].mParent; lParent >= 0;
                     lParent = mAttributes[lParent].mParent) {
                    oPath.insert(oPath.begin(), {lParent, -1});
                }
            }
        } else {
            lAttribute = FindChildAttribute(oPath.back().first, lPart);
        }
        if (lAttribute < 0 || (lIndex >= 0 && !mAttributes[lAttribute].mArray)) {
            return false;
        }
        oPath.emplace_back(lAttribute, lIndex);
    }
    return !oPath.empty();
}

std::string VurnScene::PlugPathText(const VurnPlugPath& pPath) const
{
    std::string lText;
    for (const auto& lStep : pPath) {
        if (!lText.empty()) {
            lText += ".";
        }
        const VurnAttribute* lAttribute = Attribute(lStep.first);
        lText += lAttribute ? lAttribute->mName : "?";
        if (lStep.second >= 0) {
            lText += "[" + std::to_string(lStep.second) + "]";
        }
    }
    return lText;
}

// Values

bool VurnScene::ComputedValue(int pNode, const VurnPlugPath& pPath, VurnValue& oValue) const
{
    if (pPath.size() != 1 || mAttributes[pPath[0].first].mName != "worldMatrix") {
        return false;
    }
    const std::vector<VurnPath> lPaths = PathsTo(pNode);
    const int lInstance = pPath[0].second < 0 ? 0 : pPath[0].second;
    if (lInstance >= static_cast<int>(lPaths.size())) {
        return false;
    }
    oValue = VurnValue::Matrix(WorldMatrix(lPaths[lInstance]));
    return true;
}

bool VurnScene::HasUnselectedAncestor(const VurnPlugPath& pPath) const
{
    for (size_t lDepth = 0; lDepth + 1 < pPath.size(); ++lDepth) {
        if (mAttributes[pPath[lDepth].first].mArray && pPath[lDepth].second < 0) {
            return true;
        }
    }
    return false;
}

bool VurnScene::GetValue(int pNode, const VurnPlugPath& pPath, VurnValue& oValue) const
{
    return ValueAt(pNode, pPath, oValue, 0);
}

bool VurnScene::SourcedValue(const VurnConnection& pConnection, VurnValue& oValue, int pDepth) const
{
    const int lSource = pConnection.mSourceNode;
    const VurnNode& lNode = mNodes[lSource];
    const std::string& lName = mAttributes[pConnection.mSource.back().first].mName;
    if (lNode.mCurve && lName == "output") {
        oValue = VurnValue::Number(lNode.mCurve->Evaluate(mCurrentTime));
        return true;
    }
    if ((lNode.mMesh && (lName == "outMesh" || lName == "worldMesh")) ||
        (lNode.mNurbs && (lName == "local" || lName == "worldSpace"))) {
        oValue = VurnValue::Geometry(lSource);
        return true;
    }
    if (VurnTypeTable::IsA(lNode.mType, MFn::kGeometryFilter) && lName == "outputGeometry") {
        VurnPlugPath lInput;
        if (!ParsePlugPath(lSource,
                           "input[" + std::to_string(pConnection.mSource.back().second) +
                               "].inputGeometry",
                           lInput)) {
            return false;
        }
        return ValueAt(lSource, lInput, oValue, pDepth + 1);
    }
    return ValueAt(lSource, pConnection.mSource, oValue, pDepth + 1);
}

bool VurnScene::ValueAt(int pNode, const VurnPlugPath& pPath, VurnValue& oValue, int pDepth) const
{
    if (!IsAlive(pNode) || pPath.empty() || HasUnselectedAncestor(pPath) ||
        pDepth > kMaxConnectionDepth) {
        return false;
    }
    if (ComputedValue(pNode, pPath, oValue)) {
        return true;
    }
    VurnConnection lConnection;
    if (SourceOf(pNode, pPath, lConnection)) {
        return SourcedValue(lConnection, oValue, pDepth);
    }
    const auto lFound = mNodes[pNode].mValues.find(pPath);
    if (lFound != mNodes[pNode].mValues.end()) {
        oValue = lFound->second;
        return true;
    }
    const VurnAttribute* lAttribute = Attribute(pPath.back().first);
    const bool lWholeArray = lAttribute && lAttribute->mArray && pPath.back().second < 0;
    if (lAttribute && lAttribute->mKind == VurnAttributeKind::kNumeric && !lWholeArray) {
        oValue = VurnValue::Number(lAttribute->mDefault);
        return true;
    }
    if (lAttribute && lAttribute->mIdentityDefault && !lWholeArray) {
        oValue = VurnValue::Matrix(MMatrix());
        return true;
    }
    return false;
}

bool VurnScene::SetValue(int pNode, const VurnPlugPath& pPath, const VurnValue& pValue)
{
    const VurnAttribute* lAttribute = pPath.empty() ? nullptr : Attribute(pPath.back().first);
    if (!IsAlive(pNode) || !lAttribute || lAttribute->mKind == VurnAttributeKind::kCompound ||
        HasUnselectedAncestor(pPath) || (lAttribute->mArray && pPath.back().second < 0) ||
        lAttribute->mName == "worldMatrix") {
        return false;
    }
    AddElement(pNode, pPath);
    mNodes[pNode].mValues[pPath] = pValue;
    RecordMutation("setAttr " + mNodes[pNode].mName + "." + PlugPathText(pPath) + " " +
                   pValue.Describe());
    return true;
}

bool VurnScene::GetNumber(int pNode, const std::string& pPlug, double& oValue) const
{
    VurnPlugPath lPath;
    VurnValue lValue;
    if (!ParsePlugPath(pNode, pPlug, lPath) || !GetValue(pNode, lPath, lValue) ||
        lValue.mKind != VurnValue::kNumber) {
        return false;
    }
    oValue = lValue.mNumber;
    return true;
}

bool VurnScene::SetNumber(int pNode, const std::string& pPlug, double pValue)
{
    VurnPlugPath lPath;
    return ParsePlugPath(pNode, pPlug, lPath) && SetValue(pNode, lPath, VurnValue::Number(pValue));
}

void VurnScene::AddElement(int pNode, const VurnPlugPath& pPath)
{
    if (!IsAlive(pNode)) {
        return;
    }
    for (size_t lDepth = 0; lDepth < pPath.size(); ++lDepth) {
        if (pPath[lDepth].second >= 0) {
            mNodes[pNode].mElements.insert(VurnPlugPath(pPath.begin(), pPath.begin() + lDepth + 1));
        }
    }
}

std::vector<int> VurnScene::LogicalIndices(int pNode, const VurnPlugPath& pArray) const
{
    std::vector<int> lIndices;
    if (!IsAlive(pNode) || pArray.empty() || pArray.back().second >= 0) {
        return lIndices;
    }
    // The elements of one array lie together in the ordered set, their own elements among them:
    // the walk starts at the array's first possible element and stops where the array ends, so
    // its cost is the array's, not the node's.
    const VurnPlugPath lParent(pArray.begin(), pArray.end() - 1);
    const int lAttribute = pArray.back().first;
    VurnPlugPath lFirst = lParent;
    lFirst.emplace_back(lAttribute, 0);
    const std::set<VurnPlugPath>& lElements = mNodes[pNode].mElements;
    for (auto lIt = lElements.lower_bound(lFirst); lIt != lElements.end(); ++lIt) {
        const VurnPlugPath& lElement = *lIt;
        if (!IsPrefix(lParent, lElement) || lElement.size() <= lParent.size() ||
            lElement[lParent.size()].first != lAttribute) {
            break;
        }
        if (lElement.size() == pArray.size()) {
            lIndices.push_back(lElement.back().second);
        }
    }
    return lIndices;
}

// Connections

bool VurnScene::Connect(int pSourceNode, const VurnPlugPath& pSource, int pDestinationNode,
                        const VurnPlugPath& pDestination)
{
    if (!IsAlive(pSourceNode) || !IsAlive(pDestinationNode) || pSource.empty() ||
        pDestination.empty() || HasUnselectedAncestor(pSource) ||
        HasUnselectedAncestor(pDestination)) {
        return false;
    }
    if (mDestinations.count({pDestinationNode, pDestination}) > 0) {
        return false;
    }
    AddElement(pSourceNode, pSource);
    AddElement(pDestinationNode, pDestination);
    const std::uint64_t lSerial = mNextConnection++;
    mConnections[lSerial] = {pSourceNode, pSource, pDestinationNode, pDestination};
    mNodeConnections[pSourceNode].insert(lSerial);
    mNodeConnections[pDestinationNode].insert(lSerial);
    mDestinations[{pDestinationNode, pDestination}] = lSerial;
    RecordMutation("connect " + mNodes[pSourceNode].mName + "." + PlugPathText(pSource) + " " +
                   mNodes[pDestinationNode].mName + "." + PlugPathText(pDestination));
    return true;
}

bool VurnScene::Connect(int pSourceNode, const std::string& pSource, int pDestinationNode,
                        const std::string& pDestination)
{
    VurnPlugPath lSource;
    VurnPlugPath lDestination;
    return ParsePlugPath(pSourceNode, pSource, lSource) &&
           ParsePlugPath(pDestinationNode, pDestination, lDestination) &&
           Connect(pSourceNode, lSource, pDestinationNode, lDestination);
}

bool VurnScene::Disconnect(int pDestinationNode, const VurnPlugPath& pDestination)
{
    const auto lFound = mDestinations.find({pDestinationNode, pDestination});
    if (lFound == mDestinations.end()) {
        return false;
    }
    const VurnConnection lConnection = mConnections.at(lFound->second);
    RemoveConnection(lFound->second);
    RecordMutation("disconnect " + mNodes[lConnection.mSourceNode].mName + "." +
                   PlugPathText(lConnection.mSource) + " " + mNodes[pDestinationNode].mName + "." +
                   PlugPathText(pDestination));
    return true;
}

std::vector<VurnConnection> VurnScene::Connections() const
{
    std::vector<VurnConnection> lConnections;
    lConnections.reserve(mConnections.size());
    for (const auto& lEntry : mConnections) {
        lConnections.push_back(lEntry.second);
    }
    return lConnections;
}

std::vector<VurnConnection> VurnScene::ConnectionsOf(int pNode) const
{
    std::vector<VurnConnection> lConnections;
    const auto lFound = mNodeConnections.find(pNode);
    if (lFound != mNodeConnections.end()) {
        for (std::uint64_t lSerial : lFound->second) {
            lConnections.push_back(mConnections.at(lSerial));
        }
    }
    return lConnections;
}

bool VurnScene::SourceOf(int pDestinationNode, const VurnPlugPath& pDestination,
                         VurnConnection& oConnection) const
{
    const auto lFound = mDestinations.find({pDestinationNode, pDestination});
    if (lFound == mDestinations.end()) {
        return false;
    }
    oConnection = mConnections.at(lFound->second);
    return true;
}

// Contents

int VurnScene::CreateData(int pType)
{
    VurnDataObject lData;
    lData.mType = pType;
    if (pType == MFn::kMeshData) {
        lData.mMesh = std::make_shared<VurnMeshData>();
    } else if (pType == MFn::kNurbsSurfaceData) {
        lData.mNurbs = std::make_shared<VurnNurbsData>();
    } else {
        return -1;
    }
    mData.push_back(lData);
    return static_cast<int>(mData.size()) - 1;
}

VurnDataObject* VurnScene::Data(int pData)
{
    return pData >= 0 && pData < static_cast<int>(mData.size()) ? &mData[pData] : nullptr;
}

int VurnScene::CreateComponent(const VurnComponent& pComponent)
{
    mComponents.push_back(pComponent);
    return static_cast<int>(mComponents.size()) - 1;
}

const VurnComponent* VurnScene::Component(int pComponent) const
{
    return pComponent >= 0 && pComponent < static_cast<int>(mComponents.size())
               ? &mComponents[pComponent]
               : nullptr;
}

VurnComponent* VurnScene::MutableComponent(int pComponent)
{
    return pComponent >= 0 && pComponent < static_cast<int>(mComponents.size())
               ? &mComponents[pComponent]
               : nullptr;
}

void VurnScene::Touch(int pNode, const std::string& pWhat)
{
    if (IsAlive(pNode)) {
        RecordMutation("edit " + mNodes[pNode].mName + " " + pWhat);
    }
}

// Transforms

MVector VurnScene::Vector3(int pNode, const char* pX, const char* pY, const char* pZ) const
{
    MVector lVector;
    GetNumber(pNode, pX, lVector.x);
    GetNumber(pNode, pY, lVector.y);
    GetNumber(pNode, pZ, lVector.z);
    return lVector;
}

bool VurnScene::Transformation(int pNode, MTransformationMatrix& oMatrix) const
{
    if (!IsAlive(pNode) || !VurnTypeTable::IsA(mNodes[pNode].mType, MFn::kTransform)) {
        return false;
    }
    oMatrix = MTransformationMatrix();
    oMatrix.mTranslate = Vector3(pNode, "translateX", "translateY", "translateZ");
    oMatrix.mScale = Vector3(pNode, "scaleX", "scaleY", "scaleZ");
    oMatrix.mRotatePivot = Vector3(pNode, "rotatePivotX", "rotatePivotY", "rotatePivotZ");
    oMatrix.mRotatePivotTranslation = Vector3(pNode, "rotatePivotTranslationX",
                                              "rotatePivotTranslationY", "rotatePivotTranslationZ");
    oMatrix.mScalePivot = Vector3(pNode, "scalePivotX", "scalePivotY", "scalePivotZ");
    oMatrix.mScalePivotTranslation = Vector3(pNode, "scalePivotTranslationX",
                                             "scalePivotTranslationY", "scalePivotTranslationZ");
    double lOrder = 0.0;
    GetNumber(pNode, "rotateOrder", lOrder);
    const auto lEulerOrder = static_cast<MEulerRotation::RotationOrder>(
        std::clamp(static_cast<int>(lOrder), 0, static_cast<int>(MEulerRotation::kZYX)));
    oMatrix.mOrder = static_cast<MTransformationMatrix::RotationOrder>(lEulerOrder + 1);
    const MVector lRotate = Vector3(pNode, "rotateX", "rotateY", "rotateZ");
    oMatrix.setRotation(MEulerRotation(lRotate.x, lRotate.y, lRotate.z, lEulerOrder));
    const MVector lAxis = Vector3(pNode, "rotateAxisX", "rotateAxisY", "rotateAxisZ");
    oMatrix.mRotateOrientation =
        MQuaternion::fromMatrix(MEulerRotation(lAxis.x, lAxis.y, lAxis.z).asMatrix());
    if (VurnTypeTable::IsA(mNodes[pNode].mType, MFn::kJoint)) {
        const MVector lOrient = Vector3(pNode, "jointOrientX", "jointOrientY", "jointOrientZ");
        oMatrix.mJointOrient =
            MQuaternion::fromMatrix(MEulerRotation(lOrient.x, lOrient.y, lOrient.z).asMatrix());
    }
    return true;
}

bool VurnScene::CompensatesParentScale(int pNode, int pParent) const
{
    double lOn = 0.0;
    return VurnTypeTable::IsA(mNodes[pNode].mType, MFn::kJoint) &&
           VurnTypeTable::IsA(mNodes[pParent].mType, MFn::kJoint) &&
           GetNumber(pNode, "segmentScaleCompensate", lOn) && lOn != 0.0;
}

MMatrix VurnScene::LocalMatrix(int pNode, int pParent) const
{
    MTransformationMatrix lLocal;
    if (!Transformation(pNode, lLocal)) {
        return MMatrix();
    }
    if (pParent == kWorld || !CompensatesParentScale(pNode, pParent)) {
        return lLocal.asMatrix();
    }
    // The parent joint's scale is undone just before the translation: the joint sits where
    // the parent's scaled frame puts it, but its own axes keep their length.
    const MVector lScale = Vector3(pParent, "scaleX", "scaleY", "scaleZ");
    const MVector lTranslate = lLocal.mTranslate;
    lLocal.mTranslate = MVector();
    return lLocal.asMatrix() * MMatrix::scaling(1.0 / lScale.x, 1.0 / lScale.y, 1.0 / lScale.z) *
           MMatrix::translation(lTranslate.x, lTranslate.y, lTranslate.z);
}

MMatrix VurnScene::WorldMatrix(const VurnPath& pPath) const
{
    MMatrix lResult;
    for (size_t lIndex = pPath.size(); lIndex-- > 0;) {
        lResult = lResult * LocalMatrix(pPath[lIndex], lIndex > 0 ? pPath[lIndex - 1] : kWorld);
    }
    return lResult;
}

// Records

void VurnScene::RecordMutation(const std::string& pText)
{
    mMutations.push_back(pText);
}

void VurnScene::RecordCommand(const std::string& pText)
{
    mCommands.push_back(pText);
}

void VurnScene::RecordError(const std::string& pText)
{
    mErrors.push_back(pText);
}
