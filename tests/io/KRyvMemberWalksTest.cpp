// A member value written through its typed setter alone, its property never reached, is seen by
// every walk of the object: the listing (the same whatever was asked before), a copy made from
// that listing, the walk to read, the scene comparer, and the native writer with its reader. What
// a walk to read hands cannot be connected (a user-property record it hands included), and a
// member reached to be connected keeps its connection through a native file.
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "object/KProperty.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObject.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvMarker.h"
#include "tests/support/KSceneComparer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// One member kind: the setter that writes it, and the check of a node's value by its getter.
struct MemberCase
{
    const char* mName;
    std::function<void(KRyvNode&)> mSet;
    std::function<bool(const KRyvNode&)> mHolds;
};

void PrintTo(const MemberCase& pCase, std::ostream* oStream)
{
    *oStream << pCase.mName;
}

KRyvMarker& MarkerOf(const KRyvNode& pNode)
{
    return *static_cast<KRyvMarker*>(pNode.GetNodeAttribute());
}

bool SameVector(const KVector4& pValue, double pX, double pY, double pZ)
{
    return pValue[0] == pX && pValue[1] == pY && pValue[2] == pZ;
}

// The node block's kinds (bool, enumeration, double) and the marker's (enumeration, double,
// bool, colour, vector), each to a value other than its default. The block's vectors mirror the
// node's pivot sets and limits, which the writer copies into the block, so the vector kind is
// the marker's.
const std::vector<MemberCase>& Cases()
{
    static const std::vector<MemberCase> kCases = {
        {"QuaternionInterpolate",
         [](KRyvNode& ioNode) { ioNode.GetNodeProperties()->SetQuaternionInterpolate(true); },
         [](const KRyvNode& pNode) {
             return pNode.GetNodeProperties()->GetQuaternionInterpolate();
         }},
        {"InheritType", [](KRyvNode& ioNode) { ioNode.GetNodeProperties()->SetInheritType(2); },
         [](const KRyvNode& pNode) { return pNode.GetNodeProperties()->GetInheritType() == 2; }},
        {"RotationStiffnessY",
         [](KRyvNode& ioNode) { ioNode.GetNodeProperties()->SetRotationStiffnessY(0.25); },
         [](const KRyvNode& pNode) {
             return pNode.GetNodeProperties()->GetRotationStiffnessY() == 0.25;
         }},
        {"Look", [](KRyvNode& ioNode) { MarkerOf(ioNode).SetLook(3); },
         [](const KRyvNode& pNode) { return MarkerOf(pNode).GetLook() == 3; }},
        {"Size", [](KRyvNode& ioNode) { MarkerOf(ioNode).SetSize(12.5); },
         [](const KRyvNode& pNode) { return MarkerOf(pNode).GetSize() == 12.5; }},
        {"ShowLabel", [](KRyvNode& ioNode) { MarkerOf(ioNode).SetShowLabel(true); },
         [](const KRyvNode& pNode) { return MarkerOf(pNode).GetShowLabel(); }},
        {"Color", [](KRyvNode& ioNode) { MarkerOf(ioNode).SetColor(0.0, 0.5, 0.25); },
         [](const KRyvNode& pNode) {
             const KColor lColor = MarkerOf(pNode).GetColor();
             return lColor.mRed == 0.0 && lColor.mGreen == 0.5 && lColor.mBlue == 0.25;
         }},
        {"IKPivot", [](KRyvNode& ioNode) { MarkerOf(ioNode).SetIKPivot(KVector4(1.0, 2.0, 3.0)); },
         [](const KRyvNode& pNode) {
             return SameVector(MarkerOf(pNode).GetIKPivot(), 1.0, 2.0, 3.0);
         }},
    };
    return kCases;
}

// A factory, and the native file a scene is written to and read back from.
class NativeFileTest : public ::testing::Test
{
protected:
    KRyvScene* WriteAndRead(KRyvScene* pScene)
    {
        const std::string lPath = mTemp.PathOf("members.ryv");
        KStreamOptionsRyv lOptions;
        KWriterRyv lWriter(&mFactory, KWriterRyv::kBinary60);
        EXPECT_TRUE(lWriter.FileCreate(lPath.c_str()) && lWriter.Write(pScene, &lOptions));
        KRyvScene* lRead = mFactory.CreateScene();
        KReaderRyv lReader(&mFactory);
        EXPECT_TRUE(lReader.FileOpen(lPath.c_str()) && lReader.Read(lRead, &lOptions));
        return lRead;
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
};

class KRyvMemberWalksTest : public NativeFileTest, public ::testing::WithParamInterface<MemberCase>
{
protected:
    // A marker node under the root of a new scene, as a file's reader makes one.
    KRyvNode* AddMarkerNode(KRyvScene*& oScene)
    {
        oScene = mFactory.CreateScene();
        KRyvNode* lNode = mFactory.CreateNode("m1");
        lNode->SetNodeAttribute(mFactory.CreateMarker());
        oScene->GetRootNode()->AddChild(lNode);
        return lNode;
    }

    static std::vector<KProperty*> Listed(const KRyvNode& pNode)
    {
        std::vector<KProperty*> lListed;
        pNode.GetUserProperties(lListed);
        return lListed;
    }

    static KProperty* FindListed(const KRyvNode& pNode, const char* pName)
    {
        for (KProperty* lProperty : Listed(pNode)) {
            if (std::strcmp(lProperty->GetName(), pName) == 0) {
                return lProperty;
            }
        }
        return nullptr;
    }
};

TEST_P(KRyvMemberWalksTest, TypedSetterValueIsSeenByEveryWalk)
{
    const MemberCase& lCase = GetParam();
    KRyvScene* lScene = nullptr;
    KRyvNode* lNode = AddMarkerNode(lScene);
    lCase.mSet(*lNode);

    // The listing holds the member with its value, and is the same after a look-up by name.
    const std::size_t lListedFirst = Listed(*lNode).size();
    KProperty* lListed = FindListed(*lNode, lCase.mName);
    ASSERT_NE(lListed, nullptr);
    ASSERT_NE(lNode->GetNodeProperties()->FindProperty("Show"), nullptr);
    EXPECT_EQ(Listed(*lNode).size(), lListedFirst);

    // A copy made by walking the listing carries the value; the comparer sees it, and a node
    // left at its defaults differs.
    KRyvScene* lCopyScene = nullptr;
    KRyvNode* lCopy = AddMarkerNode(lCopyScene);
    KRyvScene* lDefaultScene = nullptr;
    AddMarkerNode(lDefaultScene);
    for (KProperty* lProperty : Listed(*lNode)) {
        KPropertyValue lValue;
        KProperty* lTarget = FindListed(*lCopy, lProperty->GetName());
        if (lTarget && lProperty->GetPropertyValue(lValue)) {
            lTarget->SetPropertyValue(lValue);
        }
    }
    EXPECT_TRUE(lCase.mHolds(*lCopy));
    EXPECT_EQ(KSceneComparer().Compare(*lScene, *lCopyScene), "");
    EXPECT_NE(KSceneComparer().Compare(*lScene, *lDefaultScene), "");

    // The native file keeps it.
    KRyvScene* lRead = WriteAndRead(lScene);
    ASSERT_EQ(lRead->GetRootNode()->GetChildCount(), 1);
    EXPECT_TRUE(lCase.mHolds(*lRead->GetRootNode()->GetChild(0)));
}

INSTANTIATE_TEST_SUITE_P(MemberKinds, KRyvMemberWalksTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<MemberCase>& pInfo) {
                             return std::string(pInfo.param.mName);
                         });

constexpr const char* kStiffness = "RotationStiffnessY";
constexpr const char* kSource = "RotationStiffnessX";
constexpr double kQuarter = 0.25;

// The node block's walks: members never reached, read and connected.
class KRyvPropertyWalksTest : public NativeFileTest
{
protected:
    KRyvNode* AddNode(KRyvScene& ioScene, const char* pName)
    {
        KRyvNode* lNode = mFactory.CreateNode(pName);
        ioScene.GetRootNode()->AddChild(lNode);
        return lNode;
    }
};

TEST_F(KRyvPropertyWalksTest, ARecordAWalkHandsBindsItsPropertyReadOnly)
{
    using Bound = decltype(std::declval<const KRyvUserProperty&>().GetProperty());
    EXPECT_TRUE((std::is_same_v<Bound, const KProperty*>));
    using Owned = decltype(std::declval<KRyvUserProperty&>().GetProperty());
    EXPECT_TRUE((std::is_same_v<Owned, KProperty*>));
}

TEST_F(KRyvPropertyWalksTest, AReadSeesATypedSetterValueAndMakesNothing)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvNode* lNode = AddNode(*lScene, "n");
    KRyvNodeProperties& lBlock = *lNode->GetNodeProperties();
    lBlock.SetRotationStiffnessY(kQuarter);
    const auto lIsStiffness = [](const KProperty& pProperty) {
        return std::strcmp(pProperty.GetName(), kStiffness) == 0;
    };

    double lRead = 0.0;
    lBlock.WalkToRead([&](const KProperty& pProperty) {
        if (lIsStiffness(pProperty)) {
            lRead = pProperty.GetValueAsDouble();
        }
    });
    EXPECT_EQ(lRead, kQuarter);
    double lRecorded = 0.0;
    static_cast<const KRyvObject&>(*lNode).VisitUserProperties([&](const KRyvUserProperty& pUser) {
        if (pUser.GetName() == kStiffness) {
            pUser.GetValue(lRecorded);
        }
    });
    EXPECT_EQ(lRecorded, kQuarter);
    int lConnectable = 0;
    lBlock.WalkToConnect([&](KProperty& ioProperty) { lConnectable += lIsStiffness(ioProperty); });
    EXPECT_EQ(lConnectable, 0);
    for (int i = 0; i < lBlock.GetPropertyCount(); ++i) {
        EXPECT_FALSE(lBlock.IsPropertyMade(i) && lIsStiffness(*lBlock.GetProperty(i)));
    }
}

TEST_F(KRyvPropertyWalksTest, AMemberListedAndConnectedKeepsItsConnectionThroughAFile)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvNode* lTarget = AddNode(*lScene, "target");
    KRyvNode* lSource = AddNode(*lScene, "source");
    lSource->GetNodeProperties()->SetRotationStiffnessX(kQuarter);
    KProperty* lTo = nullptr;
    lTarget->GetNodeProperties()->WalkToList([&lTo](KProperty& ioProperty) {
        lTo = std::strcmp(ioProperty.GetName(), kStiffness) == 0 ? &ioProperty : lTo;
    });
    ASSERT_NE(lTo, nullptr);
    ASSERT_TRUE(lTo->ConnectSrc(lSource->GetNodeProperties()->FindProperty(kSource)));

    KRyvScene* lRead = WriteAndRead(lScene);
    KRyvNode* lReadTarget = lRead->GetRootNode()->FindChild("target");
    ASSERT_NE(lReadTarget, nullptr);
    const KProperty* lReadTo = lReadTarget->GetNodeProperties()->FindProperty(kStiffness);
    ASSERT_EQ(lReadTo->GetSrcCount(), 1);
    const auto* lReadFrom = dynamic_cast<const KProperty*>(lReadTo->GetSrc(0));
    ASSERT_NE(lReadFrom, nullptr);
    EXPECT_STREQ(lReadFrom->GetName(), kSource);
    EXPECT_EQ(lReadFrom->GetParentObject(),
              lRead->GetRootNode()->FindChild("source")->GetNodeProperties());
    EXPECT_EQ(lReadFrom->GetValueAsDouble(), kQuarter);
}

} // namespace
