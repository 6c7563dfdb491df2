#include "scene/KRyvNode.h"
#include "tests/support/SceneTestSupport.h"

#include "animation/KEulerUnroll.h"
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "scene/KRyvGeometryPivot.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvNodeProperties.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

std::unique_ptr<KRyvNode> MakeNode(const char* pName)
{
    return std::make_unique<KRyvNode>(nullptr, pName);
}

// p * pFirst * pSecond.
KMatrix Then(const KMatrix& pFirst, const KMatrix& pSecond)
{
    KMatrix lResult;
    MatrixMultiplyAffine(lResult, pSecond, pFirst);
    return lResult;
}

KMatrix Translation(const KVector4& pT)
{
    KMatrix lMatrix;
    for (int i = 0; i < 3; ++i) {
        lMatrix.Set(3, i, pT[i]);
    }
    return lMatrix;
}

KMatrix Rotation(const KVector4& pEuler)
{
    KMatrix lMatrix;
    EulerToMatrixXYZ(lMatrix, pEuler[0], pEuler[1], pEuler[2]);
    return lMatrix;
}

KMatrix Scaling(const KVector4& pS)
{
    KMatrix lMatrix;
    for (int i = 0; i < 3; ++i) {
        lMatrix.Set(i, i, pS[i]);
    }
    return lMatrix;
}

KMatrix Inverse(const KMatrix& pMatrix)
{
    KMatrix lResult;
    MatrixInverseAffine(lResult, pMatrix);
    return lResult;
}

void ExpectNear(const KMatrix& pA, const KMatrix& pB, double pTolerance, const char* pWhat)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(pA.Get(r, c), pB.Get(r, c), pTolerance)
                << pWhat << " [" << r << "][" << c << "]";
        }
    }
}

KFCurve* TransformCurve(KRyvTakeNode* pTake, int pKind, int pAxis)
{
    static const char* const kKinds[3] = {"T", "R", "S"};
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    return pTake->GetCurve("Transform", kKinds[pKind], kAxes[pAxis]);
}

// T, R and S of the current take at a time.
void SampleTRS(KRyvNode& pNode, KTime pTime, KVector4 oValues[3])
{
    KRyvTakeNode* lTake = pNode.GetCurrentTakeNode();
    for (int k = 0; k < 3; ++k) {
        for (int a = 0; a < 3; ++a) {
            oValues[k][a] = TransformCurve(lTake, k, a)->Evaluate(pTime);
        }
    }
}

KVector4 Counted(const KRyvPivotSet& pSet, const KVector4& pVector)
{
    return pSet.mPivotState == 0 ? pVector : KVector4();
}

// The full pivot model the conversion keeps: Sp^-1 S Sp So Rp^-1 Post^-1 R Pre Rp Ro T, with R in
// the set's rotation order and pre-/post-rotation only while "RotationActive" holds.
KMatrix FullLocal(KRyvNode& pNode, int pSet, KTime pTime)
{
    const KRyvPivotSet& lSet = *pNode.GetPivotSet(pSet);
    KVector4 lTRS[3];
    SampleTRS(pNode, pTime, lTRS);
    KRyvNodeProperties* lBlock = pNode.GetNodeProperties();
    const bool lRotationActive =
        lBlock->GetRotationActive() && !lBlock->GetRotationSpaceForLimitOnly();
    KMatrix lR;
    KEulerUnroll::ToMatrix(lR, lTRS[1], 2 * lSet.mRotationOrder);
    const KMatrix lPre = lRotationActive ? Rotation(Counted(lSet, lSet.mPreRotation)) : KMatrix();
    const KMatrix lPost = lRotationActive ? Rotation(Counted(lSet, lSet.mPostRotation)) : KMatrix();
    const KVector4 lSp = Counted(lSet, lSet.mScalingPivot);
    const KVector4 lRp = Counted(lSet, lSet.mRotationPivot);
    KMatrix lL = Translation(KVector4() - lSp);
    lL = Then(lL, Scaling(lTRS[2]));
    lL = Then(lL, Translation(lSp));
    lL = Then(lL, Translation(Counted(lSet, lSet.mScalingOffset)));
    lL = Then(lL, Translation(KVector4() - lRp));
    lL = Then(lL, Inverse(lPost));
    lL = Then(lL, lR);
    lL = Then(lL, lPre);
    lL = Then(lL, Translation(lRp));
    lL = Then(lL, Translation(Counted(lSet, lSet.mRotationOffset)));
    lL = Then(lL, Translation(lTRS[0]));
    return lL;
}

// The pivot-set model of GetGlobalMatrix with T, R, S from the curves at a time:
// p S Rpost R Rpre + T + Rp + Ro - (parent's Rp times the transpose of its Rpost).
KMatrix PivotSetLocal(KRyvNode& pNode, int pSet, KTime pTime)
{
    const KRyvPivotSet& lSet = *pNode.GetPivotSet(pSet);
    KVector4 lTRS[3];
    SampleTRS(pNode, pTime, lTRS);
    KMatrix lL = Scaling(lTRS[2]);
    lL = Then(lL, Rotation(Counted(lSet, lSet.mPostRotation)));
    lL = Then(lL, Rotation(lTRS[1]));
    lL = Then(lL, Rotation(Counted(lSet, lSet.mPreRotation)));
    KVector4 lT = lTRS[0];
    lT += Counted(lSet, lSet.mRotationPivot);
    lT += Counted(lSet, lSet.mRotationOffset);
    if (KRyvNode* lParent = pNode.GetParent()) {
        const KRyvPivotSet& lParentSet = *lParent->GetPivotSet(pSet);
        KMatrix lPostT;
        MatrixTranspose3x3(lPostT, Rotation(Counted(lParentSet, lParentSet.mPostRotation)));
        KVector4 lShift;
        VectorMultiplyMatrix3x3(lShift, lPostT, Counted(lParentSet, lParentSet.mRotationPivot));
        lT = lT - lShift;
    }
    for (int i = 0; i < 3; ++i) {
        lL.Set(3, i, lT[i]);
    }
    return lL;
}

using LocalModel = KMatrix (*)(KRyvNode&, int, KTime);

KMatrix GlobalOf(KRyvNode& pNode, int pSet, KTime pTime, LocalModel pModel)
{
    KMatrix lGlobal = pModel(pNode, pSet, pTime);
    if (KRyvNode* lParent = pNode.GetParent()) {
        lGlobal = Then(lGlobal, GlobalOf(*lParent, pSet, pTime, pModel));
    }
    return lGlobal;
}

// A small animated hierarchy with random pivots in both sets: Root -> Arm -> Hand, Root -> Leg.
class PivotScene
{
public:
    explicit PivotScene(unsigned pSeed, bool pFullModel) : mRandom(pSeed)
    {
        const char* const lNames[4] = {"Root", "Arm", "Hand", "Leg"};
        for (const char* lName : lNames) {
            mNodes.push_back(MakeNode(lName));
        }
        mNodes[0]->AddChild(mNodes[1].get());
        mNodes[1]->AddChild(mNodes[2].get());
        mNodes[0]->AddChild(mNodes[3].get());
        for (auto& lNode : mNodes) {
            lNode->AddTakeNode("Walk");
            for (int lSet = 0; lSet < 2; ++lSet) {
                RandomizeSet(*lNode, lSet, pFullModel);
            }
            lNode->GetNodeProperties()->SetRotationActive(Uniform(0.0, 1.0) < 0.8);
            for (int lTake = 0; lTake < lNode->GetTakeNodeCount(); ++lTake) {
                Animate(lNode->GetTakeNode(lTake));
            }
        }
        // One node keeps no pivots at all in the target set.
        mNodes[2]->SetPivotState(1, 1);
    }

    std::vector<std::unique_ptr<KRyvNode>> mNodes;

private:
    double Uniform(double pLow, double pHigh)
    {
        return std::uniform_real_distribution<double>(pLow, pHigh)(mRandom);
    }
    KVector4 RandomVector(double pRange)
    {
        return KVector4(Uniform(-pRange, pRange), Uniform(-pRange, pRange),
                        Uniform(-pRange, pRange));
    }
    void RandomizeSet(KRyvNode& pNode, int pSet, bool pFullModel)
    {
        pNode.SetPivotState(pSet, 0);
        pNode.SetRotationPivot(pSet, RandomVector(3.0));
        pNode.SetRotationOffset(pSet, RandomVector(2.0));
        pNode.SetPreRotation(pSet, RandomVector(50.0));
        pNode.SetPostRotation(pSet, RandomVector(50.0));
        if (pFullModel) {
            pNode.SetScalingPivot(pSet, RandomVector(2.0));
            pNode.SetScalingOffset(pSet, RandomVector(1.0));
            pNode.SetRotationOrder(pSet, static_cast<int>(Uniform(0.0, 5.999)));
        }
    }
    void Animate(KRyvTakeNode* pTake)
    {
        for (int k = 0; k < 3; ++k) {
            for (int a = 0; a < 3; ++a) {
                KFCurve* lCurve = TransformCurve(pTake, k, a);
                for (int lKey = 0; lKey <= 4; ++lKey) {
                    double lValue = k == 0 ? Uniform(-5.0, 5.0) : Uniform(-60.0, 60.0);
                    if (k == 2) {
                        lValue = Uniform(0.6, 1.6);
                    }
                    lCurve->KeyAdd(Seconds(lKey * 0.25), static_cast<float>(lValue));
                }
                lCurve->SetDefaultValue(static_cast<float>(k == 2 ? 1.0 : Uniform(-2.0, 2.0)));
            }
        }
    }

    std::mt19937 mRandom;
};

// Global matrices of every node in every take at the converter's sample times (k / rate seconds
// over the keyed second) and at the curves' defaults (a time before the keys).
std::vector<KMatrix> SampleAll(PivotScene& pScene, int pSet, double pRate, LocalModel pModel)
{
    KTime lPeriod;
    lPeriod.SetSecondDouble(1.0 / pRate);
    std::vector<KMatrix> lSamples;
    for (auto& lNode : pScene.mNodes) {
        for (int lTake = 0; lTake < lNode->GetTakeNodeCount(); ++lTake) {
            for (auto& lEach : pScene.mNodes) {
                lEach->SetCurrentTakeNode(lTake);
            }
            for (int k = 0; k * lPeriod.Get() <= Seconds(1.0).Get(); k += 3) {
                lSamples.push_back(GlobalOf(*lNode, pSet, KTime(k * lPeriod.Get()), pModel));
            }
        }
    }
    return lSamples;
}

double MaxDifference(const std::vector<KMatrix>& pA, const std::vector<KMatrix>& pB)
{
    double lMax = 0.0;
    for (std::size_t i = 0; i < pA.size() && i < pB.size(); ++i) {
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 3; ++c) {
                lMax = std::max(lMax, std::fabs(pA[i].Get(r, c) - pB[i].Get(r, c)));
            }
        }
    }
    return lMax;
}

void ExpectSameSamples(const std::vector<KMatrix>& pBefore, const std::vector<KMatrix>& pAfter)
{
    ASSERT_EQ(pBefore.size(), pAfter.size());
    for (std::size_t i = 0; i < pBefore.size(); ++i) {
        ExpectNear(pBefore[i], pAfter[i], 1e-4, "sample");
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "first differing sample " << i;
            return;
        }
    }
}

class FakeGeometry : public KRyvNodeAttribute, public KRyvGeometryPivot
{
public:
    FakeGeometry() : KRyvNodeAttribute(nullptr) {}
    int GetAttributeType() const override { return eMesh; }
    KMatrix& GetPivot(KMatrix& oPivot) const override
    {
        oPivot = mPivot;
        return oPivot;
    }
    void SetPivot(const KMatrix& pPivot) override { mPivot = pPivot; }

    KMatrix mPivot;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Pivot-set model

TEST(KRyvNodeTransformTest, PivotStatesOfTheWorkedExamples)
{
    auto lRoot = MakeNode("Root");
    auto lChild = MakeNode("Child");
    ASSERT_TRUE(lRoot->AddChild(lChild.get()));
    lRoot->SetLclTranslation(KVector4(1.0, 2.0, 3.0));
    lRoot->SetRotationPivot(0, KVector4(1.0, 0.0, 0.0));

    KMatrix lExpected;
    lExpected.Set(3, 0, 1.0);
    lExpected.Set(3, 1, 2.0);
    lExpected.Set(3, 2, 3.0);
    ExpectNear(lRoot->GetGlobalMatrix(0, true), lExpected, 1e-12, "state 1");

    lRoot->SetPivotState(0, 0);
    KVector4 lT;
    lRoot->GetGlobalTranslation(lT, 0, true);
    EXPECT_NEAR(lT[0], 2.0, 1e-12);
    EXPECT_NEAR(lT[1], 2.0, 1e-12);
    EXPECT_NEAR(lT[2], 3.0, 1e-12);
    lChild->GetGlobalTranslation(lT, 0, true);
    EXPECT_NEAR(lT[0], 1.0, 1e-12);
    EXPECT_NEAR(lT[1], 2.0, 1e-12);
    EXPECT_NEAR(lT[2], 3.0, 1e-12);
}

TEST(KRyvNodeTransformTest, PivotSetCacheUntilForced)
{
    auto lNode = MakeNode("A");
    lNode->SetLclTranslation(KVector4(1.0, 0.0, 0.0));
    KVector4 lT;
    EXPECT_EQ(lNode->GetGlobalTranslation(lT, 1, false)[0], 1.0);
    lNode->SetLclTranslation(KVector4(5.0, 0.0, 0.0));
    EXPECT_EQ(lNode->GetGlobalTranslation(lT, 1, false)[0], 1.0);
    EXPECT_EQ(lNode->GetGlobalTranslation(lT, 1, true)[0], 5.0);
    // Set 0 has its own cache, computed on first use.
    EXPECT_EQ(lNode->GetGlobalTranslation(lT, 0, false)[0], 5.0);
}

TEST(KRyvNodeTransformTest, PivotSetMatricesMatchAnIndependentFormula)
{
    PivotScene lScene(7u, false);
    std::mt19937 lRandom(11u);
    std::uniform_real_distribution<double> lAngle(-80.0, 80.0);
    for (auto& lNode : lScene.mNodes) {
        lNode->SetLclTranslation(KVector4(lAngle(lRandom) / 10, 1.0, -2.0));
        lNode->SetLclRotation(KVector4(lAngle(lRandom), lAngle(lRandom), lAngle(lRandom)));
        lNode->SetLclScaling(KVector4(1.5, 0.5, 2.0));
    }
    // The Lcl values are the take-0 defaults: sample take 0 before its first key.
    const KTime lBeforeKeys = Seconds(-1.0);
    for (auto& lNode : lScene.mNodes) {
        for (auto& lKind : {0, 1, 2}) {
            for (int a = 0; a < 3; ++a) {
                TransformCurve(lNode->GetDefaultTakeNode(), lKind, a)->KeyClear();
            }
        }
    }
    for (int lSet = 0; lSet < 2; ++lSet) {
        for (auto& lNode : lScene.mNodes) {
            ExpectNear(lNode->GetGlobalMatrix(lSet, true),
                       GlobalOf(*lNode, lSet, lBeforeKeys, PivotSetLocal), 1e-5, "pivot set");
        }
    }
    KVector4 lScale;
    lScene.mNodes[0]->GetGlobalScaling(lScale, 1);
    EXPECT_NEAR(lScale[0], 1.5, 1e-6);
    EXPECT_NEAR(lScale[2], 2.0, 1e-6);
    KVector4 lRotation;
    lScene.mNodes[0]->GetGlobalRotation(lRotation, 1);
    KVector4 lLcl;
    lScene.mNodes[0]->GetLclRotation(lLcl);
    KMatrix lRebuilt = Rotation(lRotation);
    KMatrix lExpected = Then(Then(Rotation(lScene.mNodes[0]->GetPostRotation(1)), Rotation(lLcl)),
                             Rotation(lScene.mNodes[0]->GetPreRotation(1)));
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(lRebuilt.Get(r, c), lExpected.Get(r, c), 1e-6);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Take-curve model

TEST(KRyvNodeTransformTest, DefaultGlobalIsTheProductDownTheChain)
{
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    auto lC = MakeNode("C");
    ASSERT_TRUE(lA->AddChild(lB.get()));
    ASSERT_TRUE(lB->AddChild(lC.get()));
    const KVector4 lT[3] = {KVector4(1, 2, 3), KVector4(0, 5, 0), KVector4(-1, 0, 2)};
    const KVector4 lR[3] = {KVector4(10, 20, 30), KVector4(0, 90, 0), KVector4(45, 0, -45)};
    const KVector4 lS[3] = {KVector4(1, 1, 1), KVector4(2, 2, 2), KVector4(1, 0.5, 1)};
    KRyvNode* lNodes[3] = {lA.get(), lB.get(), lC.get()};
    KMatrix lExpected;
    for (int i = 0; i < 3; ++i) {
        lNodes[i]->SetLclTranslation(lT[i]);
        lNodes[i]->SetLclRotation(lR[i]);
        lNodes[i]->SetLclScaling(lS[i]);
        KMatrix lLocal;
        MatrixSetTRS(lLocal, lT[i], lR[i], lS[i]);
        ExpectNear(lNodes[i]->GetDefaultLocalMatrix(), lLocal, 1e-5, "local");
        lExpected = Then(lLocal, lExpected);
    }
    ExpectNear(lC->GetDefaultGlobalMatrix(), lExpected, 1e-5, "global");
}

// A parent scaled (2, 3, 4), turned 90 degrees about Z and at (5, 0, 0); its child at (1, 1, 0)
// scaled 0.5 on X. Taking the whole parent ("RrSs") the child's X axis is (0, 1, 0); keeping the
// parent's own scaling off ("Rrs") it is (0, 0.5, 0) after the turn, while its position still
// goes through the parent's scaling: (1, 1, 0) scaled (2, 3, 0), turned (-3, 2, 0), moved (2, 2,
// 0). Every model of the node agrees: pivot sets, the default take and the current take at a time.
TEST(KRyvNodeTransformTest, InheritTypeRrsKeepsTheParentsOwnScalingOffTheAxes)
{
    for (const int lInherit : {int(kRyvInheritRrSs), 1, int(kRyvInheritRrs)}) {
        auto lParent = MakeNode("Parent");
        auto lChild = MakeNode("Child");
        ASSERT_TRUE(lParent->AddChild(lChild.get()));
        lParent->SetLclTranslation(KVector4(5, 0, 0));
        lParent->SetLclRotation(KVector4(0, 0, 90));
        lParent->SetLclScaling(KVector4(2, 3, 4));
        lChild->SetLclTranslation(KVector4(1, 1, 0));
        lChild->SetLclScaling(KVector4(0.5, 1, 1));
        lChild->SetTransformInheritType(lInherit);
        const bool lRrs = lInherit == kRyvInheritRrs;
        const double lAxisX[3] = {0.0, lRrs ? 0.5 : 1.0, 0.0};
        const double lAxisZ[3] = {0.0, 0.0, lRrs ? 1.0 : 4.0};
        const double lPosition[3] = {2.0, 2.0, 0.0};
        const KMatrix* lModels[] = {&lChild->GetGlobalMatrix(0, true),
                                    &lChild->GetDefaultGlobalMatrix(),
                                    &lChild->GetGlobalMatrixAtTime(Seconds(1.0))};
        for (const KMatrix* lGlobal : lModels) {
            for (int lColumn = 0; lColumn < 3; ++lColumn) {
                EXPECT_NEAR(lGlobal->Get(0, lColumn), lAxisX[lColumn], 1e-6) << lInherit;
                EXPECT_NEAR(lGlobal->Get(2, lColumn), lAxisZ[lColumn], 1e-6) << lInherit;
                EXPECT_NEAR(lGlobal->Get(3, lColumn), lPosition[lColumn], 1e-6) << lInherit;
            }
        }
    }
}

// A change of inherit type drops what was worked out for the other.
TEST(KRyvNodeTransformTest, ChangingTheInheritTypeDropsStaleGlobals)
{
    auto lParent = MakeNode("Parent");
    auto lChild = MakeNode("Child");
    ASSERT_TRUE(lParent->AddChild(lChild.get()));
    lParent->SetLclScaling(KVector4(2, 2, 2));
    EXPECT_NEAR(lChild->GetDefaultGlobalMatrix().Get(0, 0), 2.0, 1e-9);
    lChild->SetTransformInheritType(kRyvInheritRrs);
    EXPECT_NEAR(lChild->GetDefaultGlobalMatrix().Get(0, 0), 1.0, 1e-9);
}

TEST(KRyvNodeTransformTest, TimeCacheIsKeptForOneTimeOnly)
{
    auto lParent = MakeNode("Parent");
    auto lNode = MakeNode("A");
    ASSERT_TRUE(lParent->AddChild(lNode.get()));
    KFCurve* lX = TransformCurve(lNode->GetDefaultTakeNode(), 0, 0);
    lX->KeyAdd(Seconds(0.0), 0.0f);
    lX->KeyAdd(Seconds(2.0), 20.0f);
    const KTime lOne = Seconds(1.0);
    EXPECT_NEAR(lNode->GetGlobalMatrixAtTime(lOne).Get(3, 0), 10.0, 1e-4);

    // Changing the curve behind the cache's back shows whether it was evaluated again.
    lX->KeySetValue(1, 40.0f);
    EXPECT_NEAR(lNode->GetLocalMatrixAtTime(lOne).Get(3, 0), 10.0, 1e-4);
    EXPECT_NEAR(lNode->GetGlobalMatrixAtTime(lOne).Get(3, 0), 10.0, 1e-4);
    EXPECT_NEAR(lNode->GetGlobalMatrixAtTime(Seconds(0.5)).Get(3, 0), lX->Evaluate(Seconds(0.5)),
                1e-5);

    // Local at t1, local at t2, then global at t2: made for t2.
    lNode->GetLocalMatrixAtTime(lOne);
    lNode->GetLocalMatrixAtTime(Seconds(2.0));
    EXPECT_NEAR(lNode->GetGlobalMatrixAtTime(Seconds(2.0)).Get(3, 0), 40.0, 1e-4);

    // A take switch drops the caches.
    lX->KeySetValue(1, 60.0f);
    ASSERT_NE(lNode->AddTakeNode("Other"), nullptr);
    lNode->SetCurrentTakeNode(0);
    EXPECT_NEAR(lNode->GetGlobalMatrixAtTime(Seconds(2.0)).Get(3, 0), 60.0, 1e-4);
}

// A node's global matrices hold until the node's own caches are dropped: a parent recomputed
// alone leaves them as they were.
TEST(KRyvNodeTransformTest, GlobalsAreKeptUntilTheNodeItselfIsInvalidated)
{
    auto lParent = MakeNode("Parent");
    auto lChild = MakeNode("Child");
    ASSERT_TRUE(lParent->AddChild(lChild.get()));
    KRyvTakeNode* lWalk = lParent->AddTakeNode("Walk");
    ASSERT_NE(lChild->AddTakeNode("Walk"), nullptr);
    ASSERT_TRUE(lParent->SetCurrentTakeNode(1));
    ASSERT_TRUE(lChild->SetCurrentTakeNode(1));
    KFCurve* lX = TransformCurve(lWalk, 0, 0);
    lX->KeyAdd(Seconds(0.0), 1.0f);
    KFCurve* lDefaultX = TransformCurve(lParent->GetDefaultTakeNode(), 0, 0);
    const KTime lTime = Seconds(0.0);
    EXPECT_EQ(lChild->GetGlobalMatrixAtTime(lTime).Get(3, 0), 1.0);
    EXPECT_EQ(lChild->GetDefaultGlobalMatrix().Get(3, 0), 0.0);

    lX->KeySetValue(0, 4.0f);
    lDefaultX->SetDefaultValue(2.0f);
    lParent->InvalidateMatrixCaches(false);
    EXPECT_EQ(lParent->GetGlobalMatrixAtTime(lTime).Get(3, 0), 4.0);
    EXPECT_EQ(lParent->GetDefaultGlobalMatrix().Get(3, 0), 2.0);
    EXPECT_EQ(lChild->GetGlobalMatrixAtTime(lTime).Get(3, 0), 1.0);
    EXPECT_EQ(lChild->GetDefaultGlobalMatrix().Get(3, 0), 0.0);
    lChild->InvalidateMatrixCaches(false);
    EXPECT_EQ(lChild->GetGlobalMatrixAtTime(lTime).Get(3, 0), 4.0);
    EXPECT_EQ(lChild->GetDefaultGlobalMatrix().Get(3, 0), 2.0);
}

TEST(KRyvNodeTransformTest, ReparentingAndLclSettersDropStaleGlobals)
{
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    auto lChild = MakeNode("Child");
    lA->SetLclTranslation(KVector4(1.0, 0.0, 0.0));
    lB->SetLclTranslation(KVector4(0.0, 7.0, 0.0));
    ASSERT_TRUE(lA->AddChild(lChild.get()));
    EXPECT_EQ(lChild->GetDefaultGlobalMatrix().Get(3, 0), 1.0);
    ASSERT_TRUE(lB->AddChild(lChild.get()));
    EXPECT_EQ(lChild->GetDefaultGlobalMatrix().Get(3, 0), 0.0);
    EXPECT_EQ(lChild->GetDefaultGlobalMatrix().Get(3, 1), 7.0);
    lB->SetLclTranslation(KVector4(0.0, 8.0, 0.0));
    EXPECT_EQ(lChild->GetDefaultGlobalMatrix().Get(3, 1), 8.0);
}

TEST(KRyvNodeTransformTest, TakeWithoutChannelsUsesStartValues)
{
    auto lNode = MakeNode("A");
    lNode->SetLclScaling(KVector4(2.0, 2.0, 2.0));
    KRyvTakeNode* lTake = lNode->GetDefaultTakeNode();
    KFCurveNode* lRoot = lTake->GetKFCurveNode();
    ASSERT_TRUE(lRoot->Delete(lRoot->Find("Transform")));
    lNode->InvalidateMatrixCaches(false);
    EXPECT_EQ(lNode->GetDefaultLocalMatrix(), KMatrix());
    EXPECT_EQ(lNode->GetLocalMatrixAtTime(Seconds(1.0)), KMatrix());
}

// ---------------------------------------------------------------------------------------------
// Work matrices

TEST(KRyvNodeTransformTest, WorkMatricesAreComputedParentFirstOncePerStamp)
{
    auto lRoot = MakeNode("Root");
    auto lChild = MakeNode("Child");
    auto lGrand = MakeNode("Grand");
    ASSERT_TRUE(lRoot->AddChild(lChild.get()));
    ASSERT_TRUE(lChild->AddChild(lGrand.get()));
    lRoot->SetLclTranslation(KVector4(1.0, 0.0, 0.0));
    lChild->SetLclTranslation(KVector4(0.0, 2.0, 0.0));
    lGrand->SetLclTranslation(KVector4(0.0, 0.0, 3.0));
    lRoot->SetWorkMatrixFromDefault(true);
    EXPECT_EQ(lGrand->GetLocalWorkMatrix().Get(3, 2), 3.0);

    lGrand->UpdateGlobalWorkMatrix(1, false);
    EXPECT_EQ(lRoot->GetWorkMatrixStamp(), 1);
    EXPECT_EQ(lGrand->GetGlobalWorkMatrix()->Get(3, 0), 1.0);
    EXPECT_EQ(lGrand->GetGlobalWorkMatrix()->Get(3, 2), 3.0);

    // The same stamp again changes nothing, even with new local matrices.
    lRoot->SetLclTranslation(KVector4(10.0, 0.0, 0.0));
    lRoot->SetWorkMatrixFromDefault(true);
    lRoot->UpdateGlobalWorkMatrix(1, true);
    EXPECT_EQ(lGrand->GetGlobalWorkMatrix()->Get(3, 0), 1.0);

    lRoot->UpdateGlobalWorkMatrix(2, true);
    EXPECT_EQ(lGrand->GetGlobalWorkMatrix()->Get(3, 0), 10.0);
    EXPECT_EQ(lChild->GetWorkMatrixStamp(), 2);

    // A child already holding the stamp is passed over with its subtree.
    lRoot->SetWorkMatrixStamp(-1, true);
    lChild->SetWorkMatrixStamp(3, false);
    lRoot->SetLclTranslation(KVector4(20.0, 0.0, 0.0));
    lRoot->SetWorkMatrixFromDefault(false);
    lRoot->UpdateGlobalWorkMatrix(3, true);
    EXPECT_EQ(lRoot->GetGlobalWorkMatrix()->Get(3, 0), 20.0);
    EXPECT_EQ(lGrand->GetGlobalWorkMatrix()->Get(3, 0), 10.0);
    EXPECT_EQ(lGrand->GetWorkMatrixStamp(), -1);

    KMatrix lSet;
    lSet.Set(3, 1, 9.0);
    lSet.Set(3, 3, 5.0);
    lRoot->SetGlobalWorkMatrix(lSet);
    EXPECT_EQ(lRoot->GetGlobalWorkMatrix()->Get(3, 1), 9.0);
    EXPECT_EQ(lRoot->GetGlobalWorkMatrix()->Get(3, 3), 1.0);
}

TEST(KRyvNodeTransformTest, WorkMatrixAtTimeReadsTheCurrentTake)
{
    auto lNode = MakeNode("A");
    KRyvTakeNode* lWalk = lNode->AddTakeNode("Walk");
    TransformCurve(lWalk, 0, 0)->KeyAdd(Seconds(1.0), 4.0f);
    TransformCurve(lNode->GetDefaultTakeNode(), 0, 0)->KeyAdd(Seconds(1.0), 9.0f);
    lNode->SetWorkMatrixAtTime(Seconds(1.0), false);
    // Take 0 is current: its default values, not its keys.
    EXPECT_EQ(lNode->GetLocalWorkMatrix().Get(3, 0), 0.0);
    lNode->SetCurrentTakeNode(1);
    lNode->SetWorkMatrixAtTime(Seconds(1.0), false);
    EXPECT_EQ(lNode->GetLocalWorkMatrix().Get(3, 0), 4.0);
}

// ---------------------------------------------------------------------------------------------
// Pivot conversion

TEST(KRyvNodeTransformTest, ConversionRefusesBadRates)
{
    auto lNode = MakeNode("A");
    lNode->SetPivotState(0, 0);
    lNode->SetRotationOffset(0, KVector4(1.0, 0.0, 0.0));
    for (double lRate : {0.0, -1.0, std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN(), 1e300}) {
        EXPECT_FALSE(lNode->ConvertPivotAnimation(1, lRate, false)) << lRate;
        EXPECT_FALSE(lNode->BakePivotAnimation(1, lRate, false)) << lRate;
    }
    EXPECT_EQ(TransformCurve(lNode->GetDefaultTakeNode(), 0, 0)->GetDefaultValue(), 0.0);
}

TEST(KRyvNodeTransformTest, ConversionReportsATakeItCannotConvert)
{
    auto lNode = MakeNode("A");
    KFCurveNode* lWalk = lNode->AddTakeNode("Walk")->GetKFCurveNode();
    ASSERT_TRUE(lWalk->Delete(lWalk->Find("Transform")));
    lNode->SetPivotState(0, 0);
    lNode->SetRotationOffset(0, KVector4(1.0, 0.0, 0.0));
    lNode->SetRotationOrder(1, 1);
    EXPECT_FALSE(lNode->ConvertPivotAnimation(1, 30.0, false));
    // The other takes are converted all the same.
    EXPECT_EQ(TransformCurve(lNode->GetDefaultTakeNode(), 0, 0)->GetDefaultValue(), 1.0);
}

TEST(KRyvNodeTransformTest, ConvertShiftsTranslationByTheOffsetDifference)
{
    auto lNode = MakeNode("A");
    lNode->SetPivotState(0, 0);
    lNode->SetRotationOffset(0, KVector4(1.0, 2.0, 3.0));
    KFCurve* lX = TransformCurve(lNode->GetDefaultTakeNode(), 0, 0);
    lX->KeyAdd(Seconds(0.0), 5.0f);
    ASSERT_TRUE(lNode->ConvertPivotAnimation(1, 30.0, false));
    EXPECT_EQ(lX->GetDefaultValue(), 1.0);
    EXPECT_EQ(lX->KeyGetValue(0), 6.0f);
    EXPECT_EQ(TransformCurve(lNode->GetDefaultTakeNode(), 0, 2)->GetDefaultValue(), 3.0);
    KVector4 lT;
    EXPECT_EQ(lNode->GetLclTranslation(lT)[2], 3.0);
}

TEST(KRyvNodeTransformTest, ConvertKeepsSampledTransforms)
{
    const double lRate = 24.0;
    for (unsigned lSeed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(lSeed);
        PivotScene lScene(lSeed, true);
        const std::vector<KMatrix> lBefore = SampleAll(lScene, 0, lRate, FullLocal);
        // Without conversion the target set would place the nodes elsewhere.
        ASSERT_GT(MaxDifference(lBefore, SampleAll(lScene, 1, lRate, FullLocal)), 0.1);
        ASSERT_TRUE(lScene.mNodes[0]->ConvertPivotAnimation(1, lRate, false));
        ExpectSameSamples(lBefore, SampleAll(lScene, 1, lRate, FullLocal));
    }
}

TEST(KRyvNodeTransformTest, ConvertKeepsSampledTransformsWithEqualRotations)
{
    // Equal pre- and post-rotations in both sets take the frame path of the converter.
    PivotScene lScene(9u, true);
    for (auto& lNode : lScene.mNodes) {
        lNode->SetPreRotation(1, lNode->GetPreRotation(0));
        lNode->SetPostRotation(1, lNode->GetPostRotation(0));
        lNode->GetNodeProperties()->SetRotationActive(true);
    }
    const std::vector<KMatrix> lBefore = SampleAll(lScene, 0, 30.0, FullLocal);
    ASSERT_TRUE(lScene.mNodes[0]->ConvertPivotAnimation(1, 30.0, true));
    ExpectSameSamples(lBefore, SampleAll(lScene, 1, 30.0, FullLocal));
}

TEST(KRyvNodeTransformTest, BakeKeepsSampledPivotSetTransforms)
{
    const double lRate = 30.0;
    for (unsigned lSeed : {5u, 6u, 7u}) {
        SCOPED_TRACE(lSeed);
        PivotScene lScene(lSeed, false);
        const std::vector<KMatrix> lBefore = SampleAll(lScene, 0, lRate, PivotSetLocal);
        ASSERT_GT(MaxDifference(lBefore, SampleAll(lScene, 1, lRate, PivotSetLocal)), 0.1);
        ASSERT_TRUE(lScene.mNodes[0]->BakePivotAnimation(1, lRate, false));
        ExpectSameSamples(lBefore, SampleAll(lScene, 1, lRate, PivotSetLocal));
        // The other direction brings the same transforms back.
        ASSERT_TRUE(lScene.mNodes[0]->BakePivotAnimation(0, lRate, false));
        ExpectSameSamples(lBefore, SampleAll(lScene, 0, lRate, PivotSetLocal));
    }
}

TEST(KRyvNodeTransformTest, BakedKeysLandOnWholeFrames)
{
    auto lNode = MakeNode("A");
    lNode->SetPivotState(0, 0);
    lNode->SetPreRotation(0, KVector4(0.0, 0.0, 30.0));
    lNode->GetNodeProperties()->SetRotationActive(true);
    const std::int64_t lTicks30 = KTime::GetTicksPerFrame(KTimeModeTable::kFrames30);
    KFCurve* lY = TransformCurve(lNode->GetDefaultTakeNode(), 1, 1);
    lY->KeyAdd(KTime(0), 0.0f);
    lY->KeyAdd(KTime(lTicks30 * 100), 90.0f);
    ASSERT_TRUE(lNode->BakePivotAnimation(1, 30.0, false));
    // Every baked key sits on a whole frame of 30 fps, the last one on frame 100.
    for (int lKind = 0; lKind < 2; ++lKind) {
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            KFCurve* lCurve = TransformCurve(lNode->GetDefaultTakeNode(), lKind, lAxis);
            for (int k = 0; k < lCurve->GetKeyCount(); ++k) {
                EXPECT_EQ(lCurve->KeyGetTime(k).Get() % lTicks30, 0) << lKind << lAxis << k;
            }
        }
    }
    ASSERT_GT(lY->GetKeyCount(), 0);
    EXPECT_EQ(lY->KeyGetTime(lY->GetKeyCount() - 1).Get(), lTicks30 * 100);
}

TEST(KRyvNodeTransformTest, BakeMovesTheRotationPivotIntoTheGeometry)
{
    auto lNode = MakeNode("A");
    FakeGeometry lGeometry;
    lNode->SetNodeAttribute(&lGeometry);
    lNode->SetPivotState(0, 0);
    lNode->SetRotationPivot(0, KVector4(2.0, 4.0, 6.0));
    lNode->SetLclScaling(KVector4(2.0, 0.0, 1.0));
    ASSERT_TRUE(lNode->BakePivotAnimation(1, 30.0, false));
    EXPECT_NEAR(lGeometry.mPivot.Get(3, 0), -1.0, 1e-12);
    EXPECT_NEAR(lGeometry.mPivot.Get(3, 1), -4.0, 1e-12);
    EXPECT_NEAR(lGeometry.mPivot.Get(3, 2), -6.0, 1e-12);
    EXPECT_EQ(TransformCurve(lNode->GetDefaultTakeNode(), 0, 1)->GetDefaultValue(), 4.0);
    lNode->SetNodeAttribute(nullptr);
}

TEST(KRyvNodeTransformTest, ConvertMovesTheGeometricTransformIntoTheGeometryPivot)
{
    auto lNode = MakeNode("A");
    FakeGeometry lGeometry;
    lNode->SetNodeAttribute(&lGeometry);
    lNode->SetPivotState(0, 0);
    KRyvPivotSet* lSet = lNode->GetPivotSet(0);
    lSet->mGeometricTranslation = KVector4(1.0, 0.0, 0.0);
    lSet->mGeometricRotation = KVector4(0.0, 0.0, 90.0);
    lSet->mGeometricScaling = KVector4(2.0, 2.0, 2.0, 1.0);
    ASSERT_TRUE(lNode->ConvertPivotAnimation(1, 30.0, false));
    // Target set 1 has no geometric transform: the pivot takes over the whole of set 0's.
    KMatrix lExpected;
    MatrixSetTRS(lExpected, lSet->mGeometricTranslation, lSet->mGeometricRotation,
                 lSet->mGeometricScaling);
    ExpectNear(lGeometry.mPivot, lExpected, 1e-12, "geometry pivot");
    lNode->SetNodeAttribute(nullptr);
}
