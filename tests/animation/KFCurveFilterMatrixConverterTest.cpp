#include "animation/KFCurveFilterMatrixConverter.h"
#include "animation/KEulerUnroll.h"
#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "core/KAffineMatrix.h"
#include "core/KMatrixFunctions.h"
#include "tests/support/CurveTestSupport.h"
#include "tests/support/KMathTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using curvetest::Sec;
using mathtest::Product;

KMatrix Translation(double pX, double pY, double pZ)
{
    return KAffineMatrix(KVector4(pX, pY, pZ), KVector4(0, 0, 0), KVector4(1, 1, 1));
}

KMatrix Scaling(double pX, double pY, double pZ)
{
    return KAffineMatrix(KVector4(0, 0, 0), KVector4(0, 0, 0), KVector4(pX, pY, pZ));
}

KMatrix Rotation(double pX, double pY, double pZ)
{
    KMatrix lMatrix;
    EulerToMatrixXYZ(lMatrix, pX, pY, pZ);
    return lMatrix;
}

KMatrix Transposed(const KMatrix& pRotation)
{
    KMatrix lMatrix;
    MatrixTranspose3x3(lMatrix, pRotation);
    return lMatrix;
}

KMatrix Chain(std::initializer_list<KMatrix> pFactors)
{
    KMatrix lResult;
    for (const KMatrix& lFactor : pFactors) {
        lResult = Product(lResult, lFactor);
    }
    return lResult;
}

// A channel tree "Defaults" / <group> / "T", "R", "S" / "X", "Y", "Z" with animated curves:
// keys every half second from 0 to 2 seconds.
struct TransformTree
{
    KFCurveNode mRoot{"Defaults"};
    KFCurve* mCurves[9] = {};

    explicit TransformTree(const char* pGroup = "Transform") { AddGroup(pGroup, mCurves); }

    void AddGroup(const char* pGroup, KFCurve* pCurves[9])
    {
        KFCurveNode* lGroup = mRoot.FindOrCreateChild(pGroup, false);
        const char* const lChannels[3] = {"T", "R", "S"};
        const char* const lAxes[3] = {"X", "Y", "Z"};
        for (int g = 0; g < 3; ++g) {
            KFCurveNode* lChannel = lGroup->FindOrCreateChild(lChannels[g], false);
            for (int a = 0; a < 3; ++a) {
                pCurves[g * 3 + a] = lChannel->FindOrCreateChild(lAxes[a], true)->GetCurve();
            }
        }
        for (int k = 0; k <= 4; ++k) {
            const double t = 0.5 * k;
            const double lValues[9] = {5.0 * t,          -2.0 * t, 3.0,           20.0 + 40.0 * t,
                                       -10.0 + 15.0 * t, 5.0 * t,  1.0 + 0.5 * t, 2.0,
                                       0.5 + 0.25 * t};
            for (int c = 0; c < 9; ++c) {
                pCurves[c]->KeyAdd(Sec(t), static_cast<float>(lValues[c]));
            }
        }
        const float lDefaults[9] = {1, 2, 3, 10, 20, 30, 1, 1, 1};
        for (int c = 0; c < 9; ++c) {
            pCurves[c]->SetDefaultValue(lDefaults[c]);
        }
    }

    std::vector<KFCurve> Copy() const
    {
        std::vector<KFCurve> lCopies;
        for (const KFCurve* lCurve : mCurves) {
            lCopies.push_back(*lCurve);
        }
        return lCopies;
    }
};

void EvaluateTRS(const KFCurve* const* pCurves, KTime pTime, KVector4& pT, KVector4& pR,
                 KVector4& pS)
{
    KVector4* lGroups[3] = {&pT, &pR, &pS};
    for (int c = 0; c < 9; ++c) {
        (*lGroups[c / 3])[c % 3] = pCurves[c]->Evaluate(pTime);
    }
}

KMatrix LocalAt(const KFCurveFilterMatrixConverter& pConverter, bool pDestination,
                const KFCurve* const* pCurves, KTime pTime)
{
    KVector4 lT;
    KVector4 lR;
    KVector4 lS;
    EvaluateTRS(pCurves, pTime, lT, lR, lS);
    KMatrix lLocal;
    pConverter.ComputeLocalMatrix(lLocal, pDestination, lT, lR, lS);
    return lLocal;
}

std::vector<const KFCurve*> Pointers(const std::vector<KFCurve>& pCurves)
{
    std::vector<const KFCurve*> lPointers;
    for (const KFCurve& lCurve : pCurves) {
        lPointers.push_back(&lCurve);
    }
    return lPointers;
}

// Every sample time of a 0.1 s period over the 0 to 2 s key span.
std::vector<KTime> SampleTimes()
{
    std::vector<KTime> lTimes;
    for (int i = 0; i <= 20; ++i) {
        lTimes.push_back(KTime(Sec(0.1).Get() * i));
    }
    return lTimes;
}

} // namespace

TEST(KFCurveFilterMatrixConverterTest, MatrixSettersCheckIndexInvertibilityAndIdentity)
{
    KFCurveFilterMatrixConverter lConverter;
    for (int i = 0; i < KFCurveFilterMatrixConverter::eMatrixCount; ++i) {
        EXPECT_TRUE(lConverter.IsSourceMatrixIdentity(i) && lConverter.IsDestMatrixIdentity(i));
    }
    EXPECT_EQ(lConverter.GetResamplingPeriod(), KTime(0));
    EXPECT_TRUE(lConverter.GetGenerateLastKeyAtEndTime() && lConverter.GetApplyUnrollFilter() &&
                lConverter.GetApplyResampleFilter() && lConverter.GetApplyConstantKeyReducer() &&
                lConverter.GetConvertTranslation());
    EXPECT_STREQ(lConverter.GetName(), "MatrixConverter");

    EXPECT_FALSE(lConverter.SetSourceMatrix(13, KMatrix()));
    EXPECT_STREQ(lConverter.GetLastErrorString(), "MatrixConverter, Matrix index out of range.");
    EXPECT_FALSE(lConverter.SetDestMatrix(-1, KMatrix()));
    EXPECT_FALSE(lConverter.SetSourceMatrix(4, Scaling(1.0, 0.0, 1.0)));
    EXPECT_STREQ(lConverter.GetLastErrorString(), "MatrixConverter, Matrix cannot be inverted.");
    KMatrix lNaN = Translation(std::numeric_limits<double>::quiet_NaN(), 0.0, 0.0);
    EXPECT_FALSE(lConverter.SetSourceMatrix(0, lNaN));
    EXPECT_FALSE(lConverter.SetDestMatrix(KFCurveFilterMatrixConverter::ePreRotationFrame,
                                          Rotation(0, 0, 10)));
    EXPECT_EQ(lConverter.GetLastErrorID(), KFCurveFilterMatrixConverter::eSharedMatrix);
    EXPECT_FALSE(lConverter.SetDestMatrix(10, Rotation(0, 0, 10)));
    EXPECT_TRUE(lConverter.IsSourceMatrixIdentity(4));

    // Within 1e-6 of the identity counts as identity; the fourth column is not taken.
    KMatrix lNear;
    lNear[1][2] = 5e-7;
    lNear[0][3] = 7.0;
    ASSERT_TRUE(lConverter.SetSourceMatrix(2, lNear));
    EXPECT_TRUE(lConverter.IsSourceMatrixIdentity(2));
    EXPECT_EQ(lConverter.GetSourceMatrix(2)[0][3], 0.0);
    ASSERT_TRUE(lConverter.SetDestMatrix(2, Translation(0.0, 2e-6, 0.0)));
    EXPECT_FALSE(lConverter.IsDestMatrixIdentity(2));
    EXPECT_TRUE(lConverter.IsDestMatrixIdentity(99));

    EXPECT_FALSE(lConverter.SetResamplingPeriod(KTime(0)));
    EXPECT_STREQ(lConverter.GetLastErrorString(),
                 "MatrixConverter, The resampling period must be above zero.");
    EXPECT_FALSE(lConverter.SetResamplingPeriod(KTime(-1)));
    EXPECT_TRUE(lConverter.SetResamplingPeriod(Sec(0.5)));
    EXPECT_FALSE(lConverter.SetSourceRotationOrder(13));
    EXPECT_TRUE(lConverter.SetTargetRotationOrder(KEulerUnroll::kSphericOrder));
}

TEST(KFCurveFilterMatrixConverterTest, EqualSetsChangeNothingAndSaySo)
{
    TransformTree lTree;
    const std::vector<KFCurve> lBefore = lTree.Copy();
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.1));
    EXPECT_FALSE(lConverter.Apply(lTree.mRoot, true));
    EXPECT_STREQ(lConverter.GetLastErrorString(),
                 "MatrixConverter, No key were changed by filter.");
    EXPECT_EQ(lConverter.GetLastErrorID(), KFCurveFilterMatrixConverter::eNoKeyChanged);

    // Equal non-identity sets, the shared frame and orders 0 and 12 (both XYZ) change nothing.
    ASSERT_TRUE(lConverter.SetSourceMatrix(7, Scaling(2, 2, 2)));
    ASSERT_TRUE(lConverter.SetDestMatrix(7, Scaling(2, 2, 2)));
    ASSERT_TRUE(lConverter.SetSourceMatrix(9, Rotation(10, 0, 0)));
    ASSERT_TRUE(lConverter.SetTargetRotationOrder(KEulerUnroll::kSphericOrder));
    EXPECT_FALSE(lConverter.Apply(lTree.mRoot, false));
    EXPECT_EQ(lConverter.GetLastErrorID(), KFCurveFilterMatrixConverter::eNoKeyChanged);
    for (int c = 0; c < 9; ++c) {
        ASSERT_EQ(lTree.mCurves[c]->GetKeyCount(), lBefore[c].GetKeyCount());
        EXPECT_EQ(lTree.mCurves[c]->GetDefaultValue(), lBefore[c].GetDefaultValue());
        for (int k = 0; k < lBefore[c].GetKeyCount(); ++k) {
            EXPECT_EQ(lTree.mCurves[c]->KeyGetValue(k), lBefore[c].KeyGetValue(k));
        }
    }
}

TEST(KFCurveFilterMatrixConverterTest, MasterScaleMultipliesTranslationAndScaling)
{
    TransformTree lTree;
    // A rotation beyond 180 degrees: the conversion must keep it, not wrap it to -160.
    lTree.mCurves[3]->KeyClear();
    lTree.mCurves[3]->KeyAdd(Sec(0.0), 200.0f);
    lTree.mCurves[3]->KeyAdd(Sec(2.0), 200.0f);
    const std::vector<KFCurve> lBefore = lTree.Copy();
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.1));
    ASSERT_TRUE(lConverter.SetSourceMatrix(
        KFCurveFilterMatrixConverter::eParentTransform,
        KAffineMatrix(KVector4(0, 0, 0), KVector4(0, 0, 0), KVector4(2.54, 2.54, 2.54))));
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, false)) << lConverter.GetLastErrorString();
    EXPECT_EQ(lConverter.GetLastErrorID(), -1);

    for (const KTime lTime : SampleTimes()) {
        for (int c : {0, 1, 2, 6, 7, 8}) {
            EXPECT_NEAR(lTree.mCurves[c]->Evaluate(lTime), 2.54 * lBefore[c].Evaluate(lTime), 1e-4)
                << c << " at " << lTime.GetSecondDouble();
        }
        for (int c : {3, 4, 5}) {
            EXPECT_NEAR(lTree.mCurves[c]->Evaluate(lTime), lBefore[c].Evaluate(lTime), 1e-3) << c;
        }
    }
    EXPECT_NEAR(lTree.mCurves[0]->GetDefaultValue(), 2.54, 1e-6);
    EXPECT_NEAR(lTree.mCurves[6]->GetDefaultValue(), 2.54, 1e-6);
    EXPECT_NEAR(lTree.mCurves[3]->GetDefaultValue(), 10.0, 1e-5);
    // The constant rotation and scaling curves keep only their first and last keys.
    EXPECT_EQ(lTree.mCurves[3]->GetKeyCount(), 2);
    EXPECT_EQ(lTree.mCurves[7]->GetKeyCount(), 2);
    EXPECT_EQ(lTree.mCurves[7]->KeyGetTime(1), Sec(2.0));
    EXPECT_EQ(lTree.mCurves[0]->GetKeyCount(), 21);
}

TEST(KFCurveFilterMatrixConverterTest, TranslationStaysWhenNotConverted)
{
    TransformTree lTree;
    const std::vector<KFCurve> lBefore = lTree.Copy();
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.1));
    lConverter.SetConvertTranslation(false);
    lConverter.SetApplyConstantKeyReducer(false);
    lConverter.SetSourceMatrix(7, Scaling(2.54, 2.54, 2.54));
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, false));
    for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(lTree.mCurves[c]->GetKeyCount(), 5);
        EXPECT_EQ(lTree.mCurves[c]->KeyGetValue(4), lBefore[c].KeyGetValue(4));
        EXPECT_EQ(lTree.mCurves[c]->GetDefaultValue(), lBefore[c].GetDefaultValue());
    }
    EXPECT_EQ(lTree.mCurves[7]->GetKeyCount(), 21);
    EXPECT_NEAR(lTree.mCurves[7]->KeyGetValue(20), 2.0 * 2.54, 1e-5);
}

// A pre-rotation moving into the rotation curves, and a change of rotation order, keep the local
// matrix at every sample.
TEST(KFCurveFilterMatrixConverterTest, PreRotationAndOrderChangesKeepTheSampledMatrix)
{
    for (const bool lPreRotation : {true, false}) {
        TransformTree lTree;
        const std::vector<KFCurve> lBefore = lTree.Copy();
        KFCurveFilterMatrixConverter lConverter;
        lConverter.SetResamplingPeriod(Sec(0.1));
        ASSERT_TRUE(lPreRotation
                        ? lConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::ePreRotation,
                                                     Rotation(30.0, 10.0, -45.0))
                        : lConverter.SetTargetRotationOrder(10));
        ASSERT_TRUE(lConverter.Apply(lTree.mRoot, false));
        const std::vector<const KFCurve*> lOld = Pointers(lBefore);
        for (const KTime lTime : SampleTimes()) {
            EXPECT_TRUE(mathtest::Near4x4(LocalAt(lConverter, false, lOld.data(), lTime),
                                          LocalAt(lConverter, true, lTree.mCurves, lTime), 1e-4))
                << lTime.GetSecondDouble();
        }
        EXPECT_GT(std::fabs(lTree.mCurves[5]->Evaluate(Sec(1.0)) - lBefore[5].Evaluate(Sec(1.0))),
                  1.0);
    }
    // The destination gives the plain product S R T of the new curves.
    TransformTree lTree;
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.1));
    lConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::ePreRotation, Rotation(30, 10, -45));
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, false));
    KVector4 lT;
    KVector4 lR;
    KVector4 lS;
    EvaluateTRS(lTree.mCurves, Sec(1.0), lT, lR, lS);
    KMatrix lPlain;
    MatrixSetTRS(lPlain, lT, lR, lS);
    EXPECT_TRUE(
        mathtest::Near4x4(lPlain, LocalAt(lConverter, true, lTree.mCurves, Sec(1.0)), 1e-9));
}

TEST(KFCurveFilterMatrixConverterTest, LocalMatrixFollowsTheDocumentedProduct)
{
    KFCurveFilterMatrixConverter lConverter;
    KMatrix lM[13];
    lM[0] = Translation(1, -2, 0.5);
    lM[1] = Product(Rotation(10, 0, 5), Translation(0.3, 0, 0));
    lM[2] = Rotation(0, 25, 0);
    lM[3] = Rotation(5, 5, 5);
    lM[4] = Rotation(-20, 0, 10);
    lM[5] = Rotation(0, 0, 90);
    lM[6] = Rotation(45, 0, 0);
    lM[7] = Product(Scaling(2, 2, 2), Translation(0, 1, 0));
    lM[8] = Translation(0.1, 0.2, 0.3);
    lM[9] = Rotation(0, 0, 15);
    lM[10] = Rotation(0, -30, 0);
    lM[11] = Translation(-1, 0, 2);
    lM[12] = Translation(0, 3, 0);
    for (int i = 0; i < 13; ++i) {
        ASSERT_TRUE(lConverter.SetSourceMatrix(i, lM[i]));
    }
    const KVector4 lT(3, 4, 5);
    const KVector4 lR(15, -25, 35);
    const KVector4 lS(1, 2, 3);
    const KMatrix lExpected = Chain({lM[1],
                                     Translation(0, -3, 0),
                                     Transposed(lM[2]),
                                     Scaling(1, 2, 3),
                                     lM[2],
                                     lM[12],
                                     lM[8],
                                     Translation(1, 0, -2),
                                     lM[10],
                                     lM[4],
                                     Transposed(lM[6]),
                                     Rotation(15, -25, 35),
                                     lM[6],
                                     lM[3],
                                     lM[9],
                                     lM[11],
                                     lM[0],
                                     Transposed(lM[5]),
                                     Translation(3, 4, 5),
                                     lM[5],
                                     lM[7]});
    KMatrix lLocal;
    lConverter.ComputeLocalMatrix(lLocal, false, lT, lR, lS);
    EXPECT_TRUE(mathtest::Near4x4(lLocal, lExpected, 1e-9));
    // The destination side, all identity, still turns by the shared frame 9 and 10.
    lConverter.ComputeLocalMatrix(lLocal, true, lT, lR, lS);
    EXPECT_TRUE(mathtest::Near4x4(
        lLocal,
        Chain({Scaling(1, 2, 3), lM[10], Rotation(15, -25, 35), lM[9], Translation(3, 4, 5)}),
        1e-9));
}

TEST(KFCurveFilterMatrixConverterTest, PivotSetRecipeKeepsTheNodeTransform)
{
    // Two pivot sets A and B, and the node transform
    //   L = Sp^-1 S Sp So Rp^-1 Post^-1 R Pre Rp Ro T
    // written out independently of the converter.
    struct PivotSet
    {
        KVector4 mRp, mSp, mRo, mSo;
        KMatrix mPre, mPost;
        KMatrix Local(const KVector4& pT, const KVector4& pR, const KVector4& pS) const
        {
            return Chain({Translation(-mSp[0], -mSp[1], -mSp[2]), Scaling(pS[0], pS[1], pS[2]),
                          Translation(mSp[0], mSp[1], mSp[2]), Translation(mSo[0], mSo[1], mSo[2]),
                          Translation(-mRp[0], -mRp[1], -mRp[2]), Transposed(mPost),
                          Rotation(pR[0], pR[1], pR[2]), mPre, Translation(mRp[0], mRp[1], mRp[2]),
                          Translation(mRo[0], mRo[1], mRo[2]), Translation(pT[0], pT[1], pT[2])});
        }
    };
    const PivotSet lA{KVector4(1, 2, 3),       KVector4(0.5, -1, 2), KVector4(4, 0, -2),
                      KVector4(0.2, 0.3, 0.1), Rotation(10, 20, 30), Rotation(-15, 5, 40)};
    const PivotSet lB{KVector4(-1, 0.5, 0), KVector4(0, 0, 1),  KVector4(1, 1, 1),
                      KVector4(0, 0, 0),    Rotation(0, 0, 25), Rotation(5, 0, 0)};

    TransformTree lTree;
    const std::vector<KFCurve> lBefore = lTree.Copy();
    // The rotation offset moves into the translation curves directly.
    const KVector4 lShift = lA.mRo - lB.mRo;
    for (int c = 0; c < 3; ++c) {
        for (int k = 0; k < lTree.mCurves[c]->GetKeyCount(); ++k) {
            lTree.mCurves[c]->KeyIncValue(k, static_cast<float>(lShift[c]));
        }
    }
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.1));
    const KVector4 lRp = lA.mRp - lB.mRp;
    const KVector4 lSp = lA.mSp - lB.mSp;
    const KVector4 lSo = lA.mSo - lB.mSo;
    ASSERT_TRUE(lConverter.SetSourceMatrix(3, Product(lA.mPre, Transposed(lB.mPre))));
    ASSERT_TRUE(lConverter.SetSourceMatrix(4, Product(lB.mPost, Transposed(lA.mPost))));
    ASSERT_TRUE(lConverter.SetSourceMatrix(8, Translation(lSo[0], lSo[1], lSo[2])));
    ASSERT_TRUE(lConverter.SetSourceMatrix(9, lB.mPre));
    ASSERT_TRUE(lConverter.SetSourceMatrix(10, Transposed(lB.mPost)));
    ASSERT_TRUE(lConverter.SetSourceMatrix(11, Translation(lRp[0], lRp[1], lRp[2])));
    ASSERT_TRUE(lConverter.SetSourceMatrix(12, Translation(lSp[0], lSp[1], lSp[2])));
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, true));

    const std::vector<const KFCurve*> lOld = Pointers(lBefore);
    for (const KTime lTime : SampleTimes()) {
        KVector4 lT;
        KVector4 lR;
        KVector4 lS;
        EvaluateTRS(lOld.data(), lTime, lT, lR, lS);
        const KMatrix lUnderA = lA.Local(lT, lR, lS);
        EvaluateTRS(lTree.mCurves, lTime, lT, lR, lS);
        EXPECT_TRUE(mathtest::Near4x4(lUnderA, lB.Local(lT, lR, lS), 1e-4))
            << lTime.GetSecondDouble();
    }
}

TEST(KFCurveFilterMatrixConverterTest, EachCurveReportsOneChange)
{
    TransformTree lTree;
    curvetest::EventCounter lEvents(*lTree.mCurves[4]);
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.1));
    lConverter.SetSourceMatrix(3, Rotation(0, 0, 20));
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, false));
    EXPECT_EQ(lEvents.Get(), 1);
}

TEST(KFCurveFilterMatrixConverterTest, RecursiveConvertsEveryGroup)
{
    TransformTree lTree("First");
    KFCurve* lSecond[9];
    lTree.AddGroup("Second", lSecond);
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.1));
    lConverter.SetSourceMatrix(7, Scaling(2, 2, 2));
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, false));
    EXPECT_NEAR(lTree.mCurves[0]->Evaluate(Sec(2.0)), 20.0, 1e-4);
    EXPECT_NEAR(lSecond[0]->Evaluate(Sec(2.0)), 10.0, 1e-4);
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, true));
    EXPECT_NEAR(lTree.mCurves[0]->Evaluate(Sec(2.0)), 40.0, 1e-4);
    EXPECT_NEAR(lSecond[0]->Evaluate(Sec(2.0)), 20.0, 1e-4);
}

TEST(KFCurveFilterMatrixConverterTest, KeepsARealTurnContinuous)
{
    TransformTree lTree;
    KFCurve& lX = *lTree.mCurves[3];
    lX.KeyClear();
    for (int k = 0; k <= 20; ++k) {
        lX.KeyAdd(Sec(0.1 * k), static_cast<float>(36.0 * k));
    }
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.1));
    lConverter.SetSourceMatrix(7, Scaling(3, 3, 3));
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, false));
    ASSERT_EQ(lX.GetKeyCount(), 21);
    for (int k = 0; k <= 20; ++k) {
        EXPECT_NEAR(lX.KeyGetValue(k), 36.0 * k, 1e-3) << k;
    }
}

TEST(KFCurveFilterMatrixConverterTest, MissingCurvesAndBadInputAreRefused)
{
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetSourceMatrix(7, Scaling(2, 2, 2));

    TransformTree lTree;
    const std::vector<KFCurve> lBefore = lTree.Copy();
    // Period 0, as constructed.
    EXPECT_FALSE(lConverter.Apply(lTree.mRoot, true));
    EXPECT_EQ(lConverter.GetLastErrorID(), KFCurveFilterMatrixConverter::eBadPeriod);
    EXPECT_EQ(lTree.mCurves[0]->KeyGetValue(4), lBefore[0].KeyGetValue(4));

    lConverter.SetResamplingPeriod(Sec(0.1));
    KFCurveNode lEmpty("Defaults");
    lEmpty.FindOrCreateChild("Visibility", true);
    EXPECT_FALSE(lConverter.Apply(lEmpty, true));
    EXPECT_STREQ(lConverter.GetLastErrorString(), "MatrixConverter, Missing curve.");
    EXPECT_FALSE(lConverter.Apply(lEmpty, false));
    EXPECT_STREQ(lConverter.GetLastErrorString(), "MatrixConverter, Missing curve.");

    // A group without its "S"/"Z" curve stays as it was.
    KFCurveNode* lScaling = lTree.mRoot.FindChild("Transform/S");
    ASSERT_NE(lScaling, nullptr);
    lScaling->Get(lScaling->Find("Z"))->SetCurve(nullptr, true);
    EXPECT_FALSE(lConverter.Apply(lTree.mRoot, false));
    EXPECT_STREQ(lConverter.GetLastErrorString(), "MatrixConverter, Missing curve.");
    EXPECT_EQ(lTree.mCurves[0]->GetKeyCount(), 5);

    // A span that would need too many samples.
    TransformTree lWide;
    lWide.mCurves[0]->KeyAdd(KTime(KTime::kInfinityTicks - 1), 1.0f);
    lWide.mCurves[1]->KeyAdd(KTime(KTime::kMinusInfinityTicks + 1), 1.0f);
    EXPECT_FALSE(lConverter.Apply(lWide.mRoot, false));
    EXPECT_EQ(lConverter.GetLastErrorID(), KFCurveFilterMatrixConverter::eTooManyKeys);
    EXPECT_EQ(lWide.mCurves[0]->GetKeyCount(), 6);

    KFCurve lCurve;
    EXPECT_FALSE(lConverter.Apply(lCurve));
    EXPECT_STREQ(lConverter.GetLastErrorString(), "MatrixConverter, Needs a curve node.");
}

TEST(KFCurveFilterMatrixConverterTest, CurvesWithoutKeysConvertTheirDefaultValues)
{
    TransformTree lTree;
    for (KFCurve* lCurve : lTree.mCurves) {
        lCurve->KeyClear();
    }
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.1));
    lConverter.SetSourceMatrix(0, Translation(10, 0, 0));
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, false));
    EXPECT_NEAR(lTree.mCurves[0]->GetDefaultValue(), 11.0, 1e-6);
    EXPECT_NEAR(lTree.mCurves[1]->GetDefaultValue(), 2.0, 1e-6);
    EXPECT_EQ(lTree.mCurves[0]->GetKeyCount(), 0);
}

TEST(KFCurveFilterMatrixConverterTest, ResultsBeyondTheFloatRangeAreClamped)
{
    TransformTree lTree;
    lTree.mCurves[0]->KeySetValue(4, 1e20f);
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(Sec(0.5));
    ASSERT_TRUE(lConverter.SetSourceMatrix(7, Scaling(1e39, 1e39, 1e39)));
    ASSERT_TRUE(lConverter.Apply(lTree.mRoot, false));
    EXPECT_EQ(lTree.mCurves[0]->KeyGetValue(lTree.mCurves[0]->GetKeyCount() - 1),
              std::numeric_limits<float>::max());
    EXPECT_EQ(lTree.mCurves[6]->GetDefaultValue(), std::numeric_limits<float>::max());
}
