#include "scene/objects/KRyvPose.h"

#include "animation/KRyvTakeNode.h"
#include "scene/KRyvUserProperty.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

KMatrix Translation(double pX, double pY, double pZ)
{
    KMatrix lMatrix;
    lMatrix.Set(3, 0, pX);
    lMatrix.Set(3, 1, pY);
    lMatrix.Set(3, 2, pZ);
    return lMatrix;
}

bool IsIdentity(const KMatrix& pMatrix)
{
    return pMatrix == KMatrix();
}

} // namespace

TEST(KRyvPose, KindNameAndTypeName)
{
    KRyvPose lBind(nullptr, "Skin", true);
    KRyvPose lRest(nullptr, "Pose::Rest", false);
    EXPECT_EQ(lBind.GetPoseType(), 'b');
    EXPECT_TRUE(lBind.IsBindPose());
    EXPECT_EQ(lRest.GetPoseType(), 'r');
    EXPECT_FALSE(lRest.IsBindPose());
    EXPECT_STREQ(lBind.GetTypeName().Buffer(), "BindPose");
    EXPECT_STREQ(lRest.GetTypeName().Buffer(), "RestPose");
    EXPECT_STREQ(lBind.GetName().Buffer(), "Pose::Skin");
    EXPECT_STREQ(lRest.GetName().Buffer(), "Pose::Rest");
    EXPECT_EQ(lBind.GetObjectType(), KRyvObject::kTypePose);
    EXPECT_EQ(lBind.GetTypeFlags().GetCount(), 0);
    // A take-node container: one take, "Default", current.
    ASSERT_EQ(lBind.GetTakeNodeCount(), 1);
    EXPECT_STREQ(lBind.GetTakeNodeName(0), "Default");
    EXPECT_EQ(lBind.GetTakeNode(0)->GetKFCurveNode()->GetCount(), 0);
    // The property set names the pose as its owner.
    auto* lProperties = dynamic_cast<KRyvPoseProperties*>(lBind.GetProperties());
    ASSERT_NE(lProperties, nullptr);
    EXPECT_EQ(lProperties->GetPose(), &lBind);
    EXPECT_EQ(dynamic_cast<KRyvPose*>(lProperties->GetOwnerObject()), &lBind);
    EXPECT_TRUE(lProperties->IsA(KObject::ClassId()));
    EXPECT_EQ(lProperties->GetPropertyCount(), 0);
}

TEST(KRyvPose, AddFindAndEqualMatrixTwice)
{
    KRyvPose lPose(nullptr, "P", true);
    EXPECT_EQ(lPose.Find("Arm"), -1);
    EXPECT_EQ(lPose.Add("Arm", Translation(1, 2, 3), true), 0);
    EXPECT_EQ(lPose.Add("Leg", Translation(4, 5, 6), false), 1);
    // Within the tolerance of 1e-6 per element the matrix is the same: same index, one entry,
    // the first local flag kept.
    EXPECT_EQ(lPose.Add("Arm", Translation(1, 2, 3 + 0.9e-6), false), 0);
    EXPECT_EQ(lPose.GetCount(), 2);
    EXPECT_TRUE(lPose.IsLocalMatrix(0));
    EXPECT_FALSE(lPose.IsLocalMatrix(1));
    EXPECT_EQ(lPose.Find("Leg"), 1);
    // Names compare byte for byte.
    EXPECT_EQ(lPose.Find("arm"), -1);
    EXPECT_EQ(lPose.Find(nullptr), -1);
    EXPECT_DOUBLE_EQ(lPose.GetMatrix(1).Get(3, 1), 5.0);
    EXPECT_STREQ(lPose.GetNodeName(1).Buffer(), "Leg");
}

TEST(KRyvPose, ConflictingMatrixInTheSamePoseIsRefused)
{
    for (bool lBind : {true, false}) {
        KRyvPose lPose(nullptr, "P", lBind);
        ASSERT_EQ(lPose.Add("Arm", Translation(1, 2, 3)), 0);
        EXPECT_EQ(lPose.Add("Arm", Translation(1, 2, 3 + 2e-6)), -1);
        EXPECT_EQ(lPose.GetCount(), 1);
        EXPECT_DOUBLE_EQ(lPose.GetMatrix(0).Get(3, 2), 3.0);
        EXPECT_EQ(lPose.Add(nullptr, KMatrix()), -1);
    }
}

TEST(KRyvPose, BindPosesAgreeAcrossTheSource)
{
    KRyvPose lFirst(nullptr, "A", true);
    KRyvPose lSecond(nullptr, "B", true);
    KRyvPose lRest(nullptr, "R", false);
    std::vector<const KRyvPose*> lAll = {&lFirst, &lSecond, &lRest};
    const auto lSource = [&lAll](std::vector<const KRyvPose*>& ioPoses) {
        ioPoses.insert(ioPoses.end(), lAll.begin(), lAll.end());
    };
    lFirst.SetBindPoseSource(lSource);
    lSecond.SetBindPoseSource(lSource);
    lRest.SetBindPoseSource(lSource);

    ASSERT_EQ(lFirst.Add("Arm", Translation(1, 0, 0)), 0);
    // Another bind pose may not bind the node elsewhere...
    EXPECT_EQ(lSecond.Add("Arm", Translation(1.01, 0, 0)), -1);
    EXPECT_EQ(lSecond.GetCount(), 0);
    // ...but may hold the same matrix, and other nodes.
    EXPECT_EQ(lSecond.Add("Arm", Translation(1, 0, 0)), 0);
    EXPECT_EQ(lSecond.Add("Leg", Translation(0, 7, 0)), 1);
    // A rest pose is not bound by the bind poses.
    EXPECT_EQ(lRest.Add("Arm", Translation(9, 9, 9)), 0);
    // A rest pose's entry does not bind the bind poses either.
    EXPECT_EQ(lFirst.Add("Hand", Translation(1, 1, 1)), 1);
    EXPECT_EQ(lRest.Add("Hand", Translation(2, 2, 2)), 1);
    // The last element of the matrix counts as much as the first.
    KMatrix lOff = Translation(0, 7, 0);
    lOff.Set(3, 3, 1.0 + 1e-3);
    EXPECT_EQ(lFirst.Add("Leg", lOff), -1);

    std::vector<KRyvPose*> lPoses = {&lFirst, &lSecond, &lRest, nullptr};
    std::vector<KRyvPose*> lFound;
    std::vector<int> lIndexes;
    EXPECT_TRUE(KRyvPose::FindInBindPoses(lPoses, "Arm", lFound, lIndexes));
    ASSERT_EQ(lFound.size(), 2u);
    EXPECT_EQ(lFound[0], &lFirst);
    EXPECT_EQ(lFound[1], &lSecond);
    EXPECT_EQ(lIndexes, (std::vector<int>{0, 0}));
    lFound.clear();
    lIndexes.clear();
    EXPECT_TRUE(KRyvPose::FindInBindPoses(lPoses, "Leg", lFound, lIndexes));
    EXPECT_EQ(lIndexes, (std::vector<int>{1}));
    EXPECT_FALSE(KRyvPose::FindInBindPoses(lPoses, "Nobody", lFound, lIndexes));
}

TEST(KRyvPose, OutOfRangeAnswersSharedDefaults)
{
    KRyvPose lPose(nullptr, "P", false);
    ASSERT_EQ(lPose.Add("Arm", Translation(1, 2, 3), true), 0);
    EXPECT_TRUE(IsIdentity(lPose.GetMatrix(-1)));
    EXPECT_TRUE(IsIdentity(lPose.GetMatrix(1)));
    EXPECT_STREQ(lPose.GetNodeName(1).Buffer(), "");
    EXPECT_STREQ(lPose.GetNodeName(-5).Buffer(), "");
    EXPECT_FALSE(lPose.IsLocalMatrix(1));
    // Every pose shares them.
    KRyvPose lOther(nullptr, "Q", true);
    EXPECT_EQ(&lPose.GetMatrix(7), &lOther.GetMatrix(-1));
    EXPECT_EQ(&lPose.GetNodeName(7), &lOther.GetNodeName(0));
}

TEST(KRyvPose, RenameAndRemove)
{
    KRyvPose lPose(nullptr, "P", false);
    lPose.Add("Arm", KMatrix());
    lPose.Add("Leg", Translation(0, 1, 0));
    lPose.SetNodeName(0, "");
    lPose.SetNodeName(0, nullptr);
    lPose.SetNodeName(2, "Far");
    EXPECT_STREQ(lPose.GetNodeName(0).Buffer(), "Arm");
    lPose.SetNodeName(0, "Shoulder");
    EXPECT_EQ(lPose.Find("Shoulder"), 0);
    lPose.RemoveAt(2);
    lPose.RemoveAt(-1);
    EXPECT_EQ(lPose.GetCount(), 2);
    lPose.RemoveAt(0);
    ASSERT_EQ(lPose.GetCount(), 1);
    EXPECT_STREQ(lPose.GetNodeName(0).Buffer(), "Leg");
    EXPECT_DOUBLE_EQ(lPose.GetMatrix(0).Get(3, 1), 1.0);
}

TEST(KRyvPose, AnimatableUserPropertyGetsItsChannel)
{
    KRyvPose lPose(nullptr, "P", true);
    KRyvUserProperty lUser(nullptr, "Weight", "Real", "");
    lUser.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    lPose.AddUserProperty(&lUser);
    ASSERT_TRUE(lUser.IsBound());
    std::vector<KProperty*> lProperties;
    lPose.GetUserProperties(lProperties);
    ASSERT_EQ(lProperties.size(), 1u);
    EXPECT_STREQ(lProperties[0]->GetName(), "Weight");
    EXPECT_NE(lPose.GetTakeNode(0)->GetKFCurveNode()->FindChild("Weight"), nullptr);

    lPose.OnUserPropertyRemoved(&lUser);
    EXPECT_EQ(lPose.GetProperties()->GetPropertyCount(), 0);
    EXPECT_EQ(lPose.GetTakeNode(0)->GetKFCurveNode()->FindChild("Weight"), nullptr);
}
