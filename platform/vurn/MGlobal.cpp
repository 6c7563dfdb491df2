#include "platform/vurn/MGlobal.h"

#include "platform/vurn/VurnCommandInterpreter.h"
#include "platform/vurn/VurnStatus.h"

#include <cmath>

namespace {
MStatus Run(const MString& pCommand, VurnCommandResult& oResult)
{
    std::string lError;
    if (!VurnCommandInterpreter::Execute(pCommand.str(), oResult, lError)) {
        VurnScene::Get().RecordError("Error: " + lError);
        return MStatus(MStatus::kFailure, lError);
    }
    return MStatus();
}

bool MemberHolds(const VurnSetMember& pMember, const MDagPath& pPath, const MObject& pNode)
{
    if (pPath.isValid()) {
        return pMember.mPath == pPath.nodes();
    }
    return pMember.mPath.size() == 1 && MObject::node(pMember.mPath[0]) == pNode;
}
} // namespace

MStatus MGlobal::executeCommand(const MString& pCommand, bool, bool)
{
    VurnCommandResult lResult;
    return Run(pCommand, lResult);
}

MStatus MGlobal::executeCommand(const MString& pCommand, double& oResult, bool, bool)
{
    VurnCommandResult lResult;
    const MStatus lStatus = Run(pCommand, lResult);
    if (!lStatus) {
        return lStatus;
    }
    if (lResult.mKind != VurnCommandResult::kNumber) {
        return VurnFailure("the command gives no single number");
    }
    oResult = lResult.mNumbers[0];
    return MStatus();
}

MStatus MGlobal::executeCommand(const MString& pCommand, int& oResult, bool, bool)
{
    double lValue = 0.0;
    const MStatus lStatus = executeCommand(pCommand, lValue);
    if (lStatus) {
        oResult = static_cast<int>(std::lround(lValue));
    }
    return lStatus;
}

MStatus MGlobal::executeCommand(const MString& pCommand, MDoubleArray& oResult, bool, bool)
{
    VurnCommandResult lResult;
    const MStatus lStatus = Run(pCommand, lResult);
    if (!lStatus) {
        return lStatus;
    }
    if (lResult.mKind != VurnCommandResult::kNumber &&
        lResult.mKind != VurnCommandResult::kNumbers) {
        return VurnFailure("the command gives no numbers");
    }
    oResult.clear();
    for (double lValue : lResult.mNumbers) {
        oResult.append(lValue);
    }
    return MStatus();
}

MStatus MGlobal::executeCommand(const MString& pCommand, MString& oResult, bool, bool)
{
    VurnCommandResult lResult;
    const MStatus lStatus = Run(pCommand, lResult);
    if (!lStatus) {
        return lStatus;
    }
    if (lResult.mKind == VurnCommandResult::kText) {
        oResult = MString(lResult.mText);
    } else {
        oResult = MString();
        for (double lValue : lResult.mNumbers) {
            oResult += oResult.length() > 0 ? " " : "";
            oResult += lValue;
        }
    }
    return MStatus();
}

MStatus MGlobal::getActiveSelectionList(MSelectionList& oList)
{
    oList.clear();
    for (const VurnSelectionItem& lItem : VurnScene::Get().mSelection) {
        const MDagPath lPath(lItem.mPath);
        if (lPath.isValid()) {
            oList.add(lPath,
                      lItem.mComponent >= 0 ? MObject::component(lItem.mComponent) : MObject());
        } else if (lItem.mPath.size() == 1) {
            oList.add(MObject::node(lItem.mPath[0]));
        }
    }
    return MStatus();
}

MStatus MGlobal::setActiveSelectionList(const MSelectionList& pList)
{
    std::vector<VurnSelectionItem> lItems;
    for (unsigned int lIndex = 0; lIndex < pList.length(); ++lIndex) {
        MDagPath lPath;
        MObject lComponent;
        MObject lNode;
        if (pList.getDagPath(lIndex, lPath, lComponent)) {
            lItems.push_back({lPath.nodes(), lComponent.isNull() ? -1 : lComponent.id()});
        } else if (pList.getDependNode(lIndex, lNode)) {
            lItems.push_back({{lNode.id()}, -1});
        }
    }
    VurnScene::Get().mSelection = lItems;
    VurnScene::Get().RecordMutation("select");
    return MStatus();
}

MStatus MGlobal::getAssociatedSets(const MSelectionList& pList, MObjectArray& oSets)
{
    oSets.clear();
    const VurnScene& lScene = VurnScene::Get();
    for (int lSet = 1; lSet < lScene.NodeCount(); ++lSet) {
        const VurnNode* lNode = lScene.Node(lSet);
        if (!lNode || !lNode->mSet) {
            continue;
        }
        bool lHolds = false;
        for (unsigned int lIndex = 0; lIndex < pList.length() && !lHolds; ++lIndex) {
            MDagPath lPath;
            MObject lNodeObject;
            pList.getDagPath(lIndex, lPath);
            pList.getDependNode(lIndex, lNodeObject);
            for (const VurnSetMember& lMember : lNode->mSet->mMembers) {
                lHolds = lHolds || MemberHolds(lMember, lPath, lNodeObject);
            }
        }
        if (lHolds) {
            oSets.append(MObject::node(lSet));
        }
    }
    return MStatus();
}

void MGlobal::displayError(const MString& pText)
{
    VurnScene::Get().RecordError("Error: " + pText.str());
}

void MGlobal::displayWarning(const MString& pText)
{
    VurnScene::Get().RecordError("Warning: " + pText.str());
}

void MGlobal::displayInfo(const MString& pText)
{
    VurnScene::Get().RecordError("Info: " + pText.str());
}
