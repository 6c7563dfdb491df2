#include "platform/vurn/VurnSnapshot.h"

#include "platform/vurn/VurnScene.h"

#include <sstream>

namespace {
std::string IdList(const std::vector<int>& pIds)
{
    std::ostringstream lOut;
    for (int lId : pIds) {
        lOut << lId << ' ';
    }
    return lOut.str();
}

std::string NodeKey(int pNode)
{
    return "node " + std::to_string(pNode) + " ";
}
} // namespace

VurnSnapshot VurnSnapshot::Take()
{
    VurnSnapshot lSnapshot;
    lSnapshot.TakeNodes();
    lSnapshot.TakeGlobals();
    return lSnapshot;
}

void VurnSnapshot::TakeNodes()
{
    const VurnScene& lScene = VurnScene::Get();
    for (int lId = 0; lId < lScene.NodeCount(); ++lId) {
        const VurnNode* lNode = lScene.Node(lId);
        if (!lNode) {
            continue;
        }
        const std::string lKey = NodeKey(lId);
        mLines[lKey + "name"] = lNode->mName;
        mLines[lKey + "type"] = std::to_string(lNode->mType);
        mLines[lKey + "parents"] = IdList(lNode->mParents);
        mLines[lKey + "children"] = IdList(lNode->mChildren);
        mLines[lKey + "intermediate"] = lNode->mIntermediate ? "1" : "0";
        mLines[lKey + "attributes"] = IdList(lNode->mDynamicAttributes);
        for (const auto& lValue : lNode->mValues) {
            const VurnAttribute* lAttribute = lScene.Attribute(lValue.first.back().first);
            const bool lDefault = lValue.second.mKind == VurnValue::kNumber &&
                                  lValue.second.mNumber == lAttribute->mDefault &&
                                  lValue.first.back().second < 0;
            if (!lDefault) {
                mLines[lKey + "plug " + lScene.PlugPathText(lValue.first)] =
                    lValue.second.Describe();
            }
        }
        for (const VurnPlugPath& lElement : lNode->mElements) {
            mLines[lKey + "element " + lScene.PlugPathText(lElement)] = "1";
        }
        if (lNode->mMesh) {
            mLines[lKey + "mesh"] = lNode->mMesh->Describe();
        }
        if (lNode->mNurbs) {
            mLines[lKey + "nurbs"] = lNode->mNurbs->Describe();
        }
        if (lNode->mCurve) {
            mLines[lKey + "curve"] = lNode->mCurve->Describe();
        }
        if (lNode->mSet) {
            mLines[lKey + "set"] = lNode->mSet->Describe();
        }
        if (lNode->mBlendShape) {
            mLines[lKey + "blendShape"] = lNode->mBlendShape->Describe();
        }
    }
    for (const VurnConnection& lConnection : lScene.Connections()) {
        mLines["connection " + std::to_string(lConnection.mSourceNode) + "." +
               lScene.PlugPathText(lConnection.mSource) + " -> " +
               std::to_string(lConnection.mDestinationNode) + "." +
               lScene.PlugPathText(lConnection.mDestination)] = "1";
    }
}

void VurnSnapshot::TakeGlobals()
{
    VurnScene& lScene = VurnScene::Get();
    for (int lId = 0; lScene.Data(lId); ++lId) {
        const VurnDataObject& lData = *lScene.Data(lId);
        mLines["data " + std::to_string(lId)] = lData.mMesh    ? lData.mMesh->Describe()
                                                : lData.mNurbs ? lData.mNurbs->Describe()
                                                               : "";
    }
    std::ostringstream lSelection;
    for (const VurnSelectionItem& lItem : lScene.mSelection) {
        lSelection << '(' << IdList(lItem.mPath) << 'c' << lItem.mComponent << ')';
    }
    mLines["global selection"] = lSelection.str();
    std::ostringstream lTimes;
    lTimes.precision(17);
    lTimes << lScene.mMinTime << ' ' << lScene.mMaxTime << ' ' << lScene.mCurrentTime << ' '
           << lScene.mJointDisplayScale;
    mLines["global times"] = lTimes.str();
}

std::vector<std::string> VurnSnapshot::Diff(const VurnSnapshot& pAfter) const
{
    std::vector<std::string> lLines;
    for (const auto& lBefore : mLines) {
        const auto lFound = pAfter.mLines.find(lBefore.first);
        if (lFound == pAfter.mLines.end()) {
            lLines.push_back("removed " + lBefore.first + ": " + lBefore.second);
        } else if (lFound->second != lBefore.second) {
            lLines.push_back("changed " + lBefore.first + ": " + lBefore.second + " -> " +
                             lFound->second);
        }
    }
    for (const auto& lAfter : pAfter.mLines) {
        if (mLines.find(lAfter.first) == mLines.end()) {
            lLines.push_back("added " + lAfter.first + ": " + lAfter.second);
        }
    }
    return lLines;
}
