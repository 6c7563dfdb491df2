#include "scene/objects/KRyvNodeLimits.h"
#include "core/KMatrixFunctions.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvSkeleton.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr double kTolerance = 1e-9;

void ExpectXYZ(const KVector4& pValue, double pX, double pY, double pZ,
               double pTolerance = kTolerance)
{
    EXPECT_NEAR(pValue[0], pX, pTolerance);
    EXPECT_NEAR(pValue[1], pY, pTolerance);
    EXPECT_NEAR(pValue[2], pZ, pTolerance);
}

void ExpectXYZW(const KVector4& pValue, double pX, double pY, double pZ, double pW)
{
    ExpectXYZ(pValue, pX, pY, pZ);
    EXPECT_DOUBLE_EQ(pValue[3], pW);
}

// A mesh-typed attribute with control points.
class PointAttribute : public KRyvNodeAttribute, public KRyvControlPointSource
{
public:
    explicit PointAttribute(std::vector<KVector4> pPoints)
        : KRyvNodeAttribute(nullptr), mPoints(std::move(pPoints))
    {
    }
    int GetAttributeType() const override { return eMesh; }
    int GetControlPointCount() const override { return static_cast<int>(mPoints.size()); }
    const KVector4* GetControlPoints() const override
    {
        return mPoints.empty() ? nullptr : mPoints.data();
    }

private:
    std::vector<KVector4> mPoints;
};

// Any attribute type without control points.
class PlainAttribute : public KRyvNodeAttribute
{
public:
    explicit PlainAttribute(int pType) : KRyvNodeAttribute(nullptr), mType(pType) {}
    int GetAttributeType() const override { return mType; }

private:
    int mType;
};

// Nodes of one test, destroyed children first.
class Tree
{
public:
    ~Tree()
    {
        while (!mNodes.empty()) {
            mNodes.pop_back();
        }
    }

    KRyvNode* Add(KRyvNode* pParent, const KVector4& pTranslation,
                  const KVector4& pRotation = KVector4())
    {
        mNodes.push_back(std::make_unique<KRyvNode>(nullptr, "N"));
        KRyvNode* lNode = mNodes.back().get();
        lNode->SetLclTranslation(pTranslation);
        lNode->SetLclRotation(pRotation);
        if (pParent) {
            EXPECT_TRUE(pParent->AddChild(lNode));
        }
        return lNode;
    }

private:
    std::vector<std::unique_ptr<KRyvNode>> mNodes;
};

} // namespace

TEST(KRyvLimit, DefaultsAndAccessors)
{
    KRyvLimit lLimit;
    bool lX = true, lY = true, lZ = true;
    lLimit.GetMinActive(lX, lY, lZ);
    EXPECT_FALSE(lX || lY || lZ);
    EXPECT_FALSE(lLimit.HasAnyActive());
    ExpectXYZW(lLimit.GetMin(), 0, 0, 0, 0);
    ExpectXYZW(lLimit.GetMax(), 0, 0, 0, 0);

    lLimit.SetMin(KVector4(1, 2, 3, 4));
    lLimit.SetMax(KVector4(5, 6, 7, 8));
    ExpectXYZW(lLimit.GetMin(), 1, 2, 3, 4);
    ExpectXYZW(lLimit.GetMax(), 5, 6, 7, 8);

    // Each of the six flags alone counts as active.
    for (int lFlag = 0; lFlag < 6; ++lFlag) {
        KRyvLimit lOne;
        const bool lMin = lFlag < 3;
        const int lAxis = lFlag % 3;
        if (lMin) {
            lOne.SetMinActive(lAxis == 0, lAxis == 1, lAxis == 2);
        } else {
            lOne.SetMaxActive(lAxis == 0, lAxis == 1, lAxis == 2);
        }
        EXPECT_TRUE(lOne.HasAnyActive()) << lFlag;
        lOne.GetMaxActive(lX, lY, lZ);
        EXPECT_EQ(lX, !lMin && lAxis == 0);
        EXPECT_EQ(lZ, !lMin && lAxis == 2);
    }
}

TEST(KRyvNodeLimits, NewLimitsAreAutomaticAndDisabled)
{
    KRyvNode lNode(nullptr, "Joint");
    KRyvNodeLimits& lLimits = lNode.GetLimits();
    EXPECT_EQ(lLimits.GetNode(), &lNode);
    for (int lKind = 0; lKind < 3; ++lKind) {
        EXPECT_TRUE(lLimits.GetAuto(lKind));
        EXPECT_FALSE(lLimits.GetEnable(lKind));
    }
    EXPECT_DOUBLE_EQ(lLimits.GetAxisLength(), 1.0);
    EXPECT_FALSE(lLimits.GetTranslationActive() || lLimits.GetRotationActive() ||
                 lLimits.GetScalingActive());
    EXPECT_TRUE(lLimits.GetRotationType());
    EXPECT_FALSE(lLimits.GetRotationClampType());
}

TEST(KRyvNodeLimits, KindsOutsideTheRangeChangeNothing)
{
    KRyvNodeLimits lLimits(nullptr);
    for (int lKind : {-1, 3, 100}) {
        lLimits.SetAuto(lKind, false);
        lLimits.SetEnable(lKind, true);
        lLimits.SetDefault(lKind, KVector4(1, 1, 1));
        lLimits.SetMin(lKind, KVector4(1, 1, 1));
        lLimits.SetMax(lKind, KVector4(1, 1, 1));
        EXPECT_TRUE(lLimits.GetAuto(lKind));
        EXPECT_FALSE(lLimits.GetEnable(lKind));
        ExpectXYZW(lLimits.GetDefault(lKind), 0, 0, 0, 0);
        ExpectXYZW(lLimits.GetMin(lKind), 0, 0, 0, 0);
        ExpectXYZW(lLimits.GetMax(lKind), 0, 0, 0, 0);
        EXPECT_EQ(lLimits.GetLimit(lKind), nullptr);
    }
    for (int lKind = 0; lKind < 3; ++lKind) {
        EXPECT_TRUE(lLimits.GetAuto(lKind));
        EXPECT_FALSE(lLimits.GetEnable(lKind));
        ExpectXYZW(lLimits.GetMin(lKind), 0, 0, 0, 0);
    }
}

TEST(KRyvNodeLimits, SetEnableChangesAllSixFlagsOnlyOnAStateChange)
{
    KRyvNodeLimits lLimits(nullptr);
    bool lX = false, lY = false, lZ = false;

    lLimits.SetEnable(2, true);
    lLimits.GetScalingLimit().GetMinActive(lX, lY, lZ);
    EXPECT_TRUE(lX && lY && lZ);
    lLimits.GetScalingLimit().GetMaxActive(lX, lY, lZ);
    EXPECT_TRUE(lX && lY && lZ);
    EXPECT_FALSE(lLimits.GetEnable(0));

    // Already enabled through min-x alone: nothing changes.
    lLimits.GetTranslationLimit().SetMinActive(true, false, false);
    lLimits.SetEnable(0, true);
    lLimits.GetTranslationLimit().GetMinActive(lX, lY, lZ);
    EXPECT_TRUE(lX);
    EXPECT_FALSE(lY || lZ);
    lLimits.GetTranslationLimit().GetMaxActive(lX, lY, lZ);
    EXPECT_FALSE(lX || lY || lZ);

    lLimits.SetEnable(0, false);
    EXPECT_FALSE(lLimits.GetTranslationLimit().HasAnyActive());
    lLimits.SetEnable(1, false);
    EXPECT_FALSE(lLimits.GetEnable(1));
}

TEST(KRyvNodeLimits, ValuesKeptInPivotSetZero)
{
    KRyvNode lNode(nullptr, "Joint");
    KRyvNodeLimits& lLimits = lNode.GetLimits();

    lLimits.SetAuto(1, false);
    EXPECT_TRUE(lLimits.GetRotationActive());
    EXPECT_FALSE(lLimits.GetAuto(1));
    EXPECT_TRUE(lNode.GetUseRotationSpaceForLimitOnly(0));
    EXPECT_FALSE(lNode.GetUseRotationSpaceForLimitOnly(1));
    lNode.SetUseRotationSpaceForLimitOnly(0, false);
    lLimits.SetAuto(1, true);
    EXPECT_FALSE(lLimits.GetRotationActive());
    EXPECT_FALSE(lNode.GetUseRotationSpaceForLimitOnly(0));
    lLimits.SetAuto(0, false);
    EXPECT_FALSE(lNode.GetUseRotationSpaceForLimitOnly(0));
    EXPECT_TRUE(lLimits.GetTranslationActive());

    lLimits.SetDefault(1, KVector4(10, 20, 30, 1));
    ExpectXYZ(lNode.GetPreRotation(0), 10, 20, 30);
    ExpectXYZ(lLimits.GetDefault(1), 10, 20, 30);
    ExpectXYZW(lLimits.GetMin(1), 0, 0, 0, 0);
    ExpectXYZW(lLimits.GetMax(1), 0, 0, 0, 0);
    ExpectXYZ(lNode.GetPreRotation(1), 0, 0, 0);

    lLimits.SetDefault(0, KVector4(1, 2, 3, 0));
    ExpectXYZ(lLimits.GetMin(0), 1, 2, 3);
    ExpectXYZ(lLimits.GetMax(0), 1, 2, 3);
    ExpectXYZ(lLimits.GetDefault(0), 1, 2, 3);
    lLimits.SetMin(2, KVector4(0.5, 0.5, 0.5, 0));
    lLimits.SetMax(2, KVector4(2, 2, 2, 0));
    ExpectXYZ(lLimits.GetDefault(2), 0.5, 0.5, 0.5);

    lLimits.SetRotationType(false);
    EXPECT_TRUE(lLimits.GetRotationClampType());
    EXPECT_FALSE(lLimits.GetRotationType());
    int lOrder = -1;
    lNode.GetRotationOrder(0, lOrder);
    EXPECT_EQ(lOrder, 6);
    lLimits.SetRotationType(true);
    lNode.GetRotationOrder(0, lOrder);
    EXPECT_EQ(lOrder, 0);
    // Any order but 6 counts as Euler.
    lNode.SetRotationOrder(0, 3);
    EXPECT_TRUE(lLimits.GetRotationType());

    lLimits.SetRotationAxis(KVector4(0, 90, 0, 1));
    ExpectXYZ(lNode.GetPostRotation(0), 0, 90, 0);
    ExpectXYZ(lLimits.GetRotationAxis(), 0, 90, 0);
    lLimits.SetAxisLength(4.5);
    EXPECT_DOUBLE_EQ(lLimits.GetAxisLength(), 4.5);
}

TEST(KRyvNodeLimits, WithoutNodeThePivotValuesAreInert)
{
    KRyvNodeLimits lLimits(nullptr);
    lLimits.SetAuto(1, false);
    EXPECT_FALSE(lLimits.GetAuto(1));
    lLimits.SetDefault(1, KVector4(1, 2, 3));
    ExpectXYZ(lLimits.GetDefault(1), 0, 0, 0);
    lLimits.SetRotationType(false);
    EXPECT_TRUE(lLimits.GetRotationType());
    lLimits.SetRotationAxis(KVector4(1, 2, 3));
    ExpectXYZ(lLimits.GetRotationAxis(), 0, 0, 0);
    lLimits.ComputeAutoLimits(nullptr);
    ExpectXYZW(lLimits.GetMin(0), 0, 0, 0, 0);
}

TEST(KRyvNodeLimits, StaticVectorAndMatrixHelpers)
{
    KVector4 lCross(0, 0, 0, 7);
    KRyvNodeLimits::VectorCross(lCross, KVector4(1, 0, 0), KVector4(0, 1, 0));
    ExpectXYZW(lCross, 0, 0, 1, 7);
    KVector4 lA(2, 3, 4);
    KRyvNodeLimits::VectorCross(lA, lA, KVector4(5, 6, 7));
    ExpectXYZ(lA, 3 * 7 - 4 * 6, 4 * 5 - 2 * 7, 2 * 6 - 3 * 5);

    KVector4 lScaled(0, 0, 0, 9);
    KRyvNodeLimits::VectorScale(lScaled, KVector4(1, -2, 3, 5), 2.0);
    ExpectXYZW(lScaled, 2, -4, 6, 9);

    KMatrix lSource;
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            lSource.Set(lRow, lColumn, 10 * lRow + lColumn + 1);
        }
    }
    KMatrix lCopy;
    KRyvNodeLimits::MatrixCopy3x3(lCopy, lSource);
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            const bool lCopied = lRow < 3 && lColumn < 3;
            const double lExpected =
                lCopied ? 10 * lRow + lColumn + 1 : KMatrix().Get(lRow, lColumn);
            EXPECT_DOUBLE_EQ(lCopy.Get(lRow, lColumn), lExpected) << lRow << lColumn;
        }
    }
}

TEST(KRyvNodeLimits, AxisDirectionFollowsTheMatchingChild)
{
    Tree lTree;
    KRyvNode* lBone = lTree.Add(nullptr, KVector4());
    KRyvNode* lLimbChild = lTree.Add(lBone, KVector4(2, 0, 0));
    KRyvNode* lPlainChild = lTree.Add(lBone, KVector4(0, 5, 0));
    (void)lPlainChild;
    KRyvSkeleton lBoneSkeleton(nullptr);
    KRyvSkeleton lChildSkeleton(nullptr);
    lBoneSkeleton.SetSkeletonType(KRyvSkeleton::eLimb);
    lChildSkeleton.SetSkeletonType(KRyvSkeleton::eLimb);
    lBone->SetNodeAttribute(&lBoneSkeleton);
    lLimbChild->SetNodeAttribute(&lChildSkeleton);
    ExpectXYZ(KRyvNodeLimits::GetAxisDirection(lBone), 2, 0, 0);

    // A root bone follows only root children: none, so the farthest child overall.
    lBoneSkeleton.SetSkeletonType(KRyvSkeleton::eRoot);
    ExpectXYZ(KRyvNodeLimits::GetAxisDirection(lBone), 0, 5, 0);
    lChildSkeleton.SetSkeletonType(3);
    ExpectXYZ(KRyvNodeLimits::GetAxisDirection(lBone), 2, 0, 0);

    // A node without attribute follows attribute-less children.
    lBone->SetNodeAttribute(nullptr);
    ExpectXYZ(KRyvNodeLimits::GetAxisDirection(lBone), 0, 5, 0);

    // A marker follows marker children.
    PlainAttribute lMarker(KRyvNodeAttribute::eMarker);
    PlainAttribute lChildMarker(KRyvNodeAttribute::eMarker);
    lBone->SetNodeAttribute(&lMarker);
    lLimbChild->SetNodeAttribute(&lChildMarker);
    ExpectXYZ(KRyvNodeLimits::GetAxisDirection(lBone), 2, 0, 0);
    EXPECT_EQ(lChildSkeleton.GetNode(), nullptr);

    ExpectXYZW(KRyvNodeLimits::GetAxisDirection(nullptr), 0, 0, 0, 1);
}

TEST(KRyvNodeLimits, AxisDirectionFirstOfEqualsAndControlPoints)
{
    Tree lTree;
    KRyvNode* lNode = lTree.Add(nullptr, KVector4());
    lTree.Add(lNode, KVector4(0, 3, 0));
    lTree.Add(lNode, KVector4(3, 0, 0));
    ExpectXYZ(KRyvNodeLimits::GetAxisDirection(lNode), 0, 3, 0);

    // Children at distance 0 are never kept: the geometry decides.
    KRyvNode* lLeaf = lTree.Add(nullptr, KVector4());
    lTree.Add(lLeaf, KVector4());
    PointAttribute lMesh({KVector4(1, 0, 0), KVector4(0, -4, 0), KVector4(4, 0, 0, 1)});
    lLeaf->SetNodeAttribute(&lMesh);
    ExpectXYZ(KRyvNodeLimits::GetAxisDirection(lLeaf), 0, -4, 0);
    ExpectXYZ(KRyvNodeLimits::GetFarthestControlPoint(lLeaf), 0, -4, 0);

    PointAttribute lEmpty({});
    lLeaf->SetNodeAttribute(&lEmpty);
    ExpectXYZW(KRyvNodeLimits::GetFarthestControlPoint(lLeaf), 0, 0, 0, 1);
    PlainAttribute lCamera(KRyvNodeAttribute::eCamera);
    lLeaf->SetNodeAttribute(&lCamera);
    ExpectXYZW(KRyvNodeLimits::GetAxisDirection(lLeaf), 0, 0, 0, 1);
    PlainAttribute lPatch(KRyvNodeAttribute::ePatch);
    lLeaf->SetNodeAttribute(&lPatch);
    ExpectXYZW(KRyvNodeLimits::GetFarthestControlPoint(lLeaf), 0, 0, 0, 1);
    ExpectXYZW(KRyvNodeLimits::GetFarthestControlPoint(nullptr), 0, 0, 0, 1);
}

TEST(KRyvNodeLimits, AutoLimitsFromAPose)
{
    Tree lTree;
    KRyvNode* lParent = lTree.Add(nullptr, KVector4(5, 5, 5));
    KRyvNode* lNode = lTree.Add(lParent, KVector4(0, 0, 1));
    lTree.Add(lNode, KVector4(1, 0, 0));
    KRyvNodeLimits& lLimits = lNode->GetLimits();
    lLimits.ComputeAutoLimits(lNode);

    ExpectXYZW(lLimits.GetMin(0), 0, 0, 1, 0);
    ExpectXYZW(lLimits.GetMax(0), 0, 0, 1, 0);
    // Bone along X, the step from the parent along Z: a quarter turn about X.
    ExpectXYZ(lNode->GetPreRotation(0), -90, 0, 0, 1e-9);
    ExpectXYZ(lNode->GetPostRotation(0), -90, 0, 0, 1e-9);
    int lOrder = -1;
    lNode->GetRotationOrder(0, lOrder);
    EXPECT_EQ(lOrder, 0);
    EXPECT_DOUBLE_EQ(lLimits.GetAxisLength(), 1.0);
    ExpectXYZ(lLimits.GetMin(2), 1, 1, 1);
    ExpectXYZ(lLimits.GetMax(2), 1, 1, 1);
}

TEST(KRyvNodeLimits, AutoLimitsAreRelativeToTheParentFrame)
{
    Tree lTree;
    KRyvNode* lParent = lTree.Add(nullptr, KVector4(), KVector4(0, 0, 90));
    KRyvNode* lNode = lTree.Add(lParent, KVector4(0, 0, 1));
    lTree.Add(lNode, KVector4(1, 0, 0));
    lNode->GetLimits().ComputeAutoLimits(lNode);
    ExpectXYZ(lNode->GetPreRotation(0), -90, 0, 0, 1e-9);
    // The node's own frame is the parent's here, so the axis is the same turn.
    ExpectXYZ(lNode->GetPostRotation(0), -90, 0, 0, 1e-9);
}

TEST(KRyvNodeLimits, AutoLimitsAtTheParentPositionUseTheSphericOrder)
{
    Tree lTree;
    KRyvNode* lParent = lTree.Add(nullptr, KVector4(1, 2, 3));
    KRyvNode* lNode = lTree.Add(lParent, KVector4());
    lTree.Add(lNode, KVector4(0, 3, 0));
    lNode->GetLimits().ComputeAutoLimits(lNode);
    int lOrder = -1;
    lNode->GetRotationOrder(0, lOrder);
    EXPECT_EQ(lOrder, 6);
    EXPECT_TRUE(lNode->GetLimits().GetRotationClampType());
    // Shortest arc from X onto Y.
    ExpectXYZ(lNode->GetPreRotation(0), 0, 0, 90, 1e-9);
    EXPECT_DOUBLE_EQ(lNode->GetLimits().GetAxisLength(), 3.0);
}

TEST(KRyvNodeLimits, AutoLimitsTurnHalfWayForAnOppositeBone)
{
    Tree lTree;
    KRyvNode* lParent = lTree.Add(nullptr, KVector4());
    KRyvNode* lNode = lTree.Add(lParent, KVector4());
    lTree.Add(lNode, KVector4(-2, 0, 0));
    lNode->GetLimits().ComputeAutoLimits(lNode);
    const KVector4 lPre = lNode->GetPreRotation(0);
    ASSERT_TRUE(std::isfinite(lPre[0]) && std::isfinite(lPre[1]) && std::isfinite(lPre[2]));
    KMatrix lTurn;
    EulerToMatrixXYZ(lTurn, lPre[0], lPre[1], lPre[2]);
    // The node's X axis now points down the bone.
    EXPECT_NEAR(lTurn.Get(0, 0), -1.0, 1e-9);
    EXPECT_NEAR(lTurn.Get(0, 1), 0.0, 1e-9);
    EXPECT_NEAR(lTurn.Get(0, 2), 0.0, 1e-9);
}

TEST(KRyvNodeLimits, AutoLimitsTouchOnlyAutomaticKinds)
{
    Tree lTree;
    KRyvNode* lParent = lTree.Add(nullptr, KVector4());
    KRyvNode* lNode = lTree.Add(lParent, KVector4(0, 0, 1));
    lTree.Add(lNode, KVector4(1, 0, 0));
    KRyvNodeLimits& lLimits = lNode->GetLimits();
    lLimits.SetAuto(0, false);
    lLimits.SetAuto(1, false);
    lLimits.SetMin(0, KVector4(-1, -1, -1, 0));
    lNode->SetPreRotation(0, KVector4(1, 2, 3, 1));
    lLimits.ComputeAutoLimits(lNode);
    ExpectXYZ(lLimits.GetMin(0), -1, -1, -1);
    ExpectXYZ(lNode->GetPreRotation(0), 1, 2, 3);
    ExpectXYZ(lLimits.GetMin(2), 1, 1, 1);

    lLimits.SetAuto(2, false);
    lLimits.SetMin(2, KVector4(7, 7, 7, 0));
    lLimits.ComputeAutoLimits(lNode);
    ExpectXYZ(lLimits.GetMin(2), 7, 7, 7);
}

TEST(KRyvNodeLimits, AutoLimitsRefuseRootsAndOtherNodes)
{
    Tree lTree;
    KRyvNode* lRoot = lTree.Add(nullptr, KVector4(0, 0, 4));
    KRyvNode* lChild = lTree.Add(lRoot, KVector4(0, 0, 2));
    lRoot->GetLimits().ComputeAutoLimits(lRoot);
    ExpectXYZW(lRoot->GetLimits().GetMin(0), 0, 0, 0, 0);
    // The argument must be the owner: its limits would otherwise be mixed with another pose.
    lRoot->GetLimits().ComputeAutoLimits(lChild);
    ExpectXYZW(lRoot->GetLimits().GetMin(0), 0, 0, 0, 0);
    ExpectXYZW(lChild->GetLimits().GetMin(0), 0, 0, 0, 0);
}

TEST(KRyvNodeLimits, AutoLimitsSkipRotationForAZeroScale)
{
    Tree lTree;
    KRyvNode* lParent = lTree.Add(nullptr, KVector4());
    KRyvNode* lNode = lTree.Add(lParent, KVector4(0, 0, 1));
    lTree.Add(lNode, KVector4(1, 0, 0));
    lNode->SetLclScaling(KVector4(0, 1, 1));
    lNode->SetPreRotation(0, KVector4(4, 5, 6, 1));
    lNode->GetLimits().ComputeAutoLimits(lNode);
    ExpectXYZ(lNode->GetPreRotation(0), 4, 5, 6);
    EXPECT_DOUBLE_EQ(lNode->GetLimits().GetAxisLength(), 1.0);
    ExpectXYZ(lNode->GetLimits().GetMin(2), 0, 1, 1);
    ExpectXYZ(lNode->GetLimits().GetMin(0), 0, 0, 1);
}
