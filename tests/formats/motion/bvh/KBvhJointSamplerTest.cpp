#include "formats/motion/bvh/KBvhJointSampler.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"

#include "tests/support/CurveTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using curvetest::Sec;

bool SameRows(const KMatrix& pA, const KMatrix& pB)
{
    for (int r = 0; r < 4; ++r) {
        if (std::memcmp(pA[r], pB[r], 3 * sizeof(double)) != 0) {
            return false;
        }
    }
    return true;
}

TEST(KBvhJointSampler, GivesTheNodesOwnLocalMatrixBitForBit)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lStill = lFactory.CreateNode("Still");
    lStill->SetLclTranslation(KVector4(1.5, -2.0, 0.25));
    lStill->SetLclRotation(KVector4(10.0, 200.0, -35.5));
    KRyvNode* lMoving = lFactory.CreateNode("Moving");
    lMoving->AddTakeNode("walk");
    lMoving->SetCurrentTakeNode("walk");
    KRyvTakeNode* lTake = lMoving->GetCurrentTakeNode();
    curvetest::Fill(*lTake->GetTransformTY(), {0.0, 4.0, -1.0}, 0.3);
    curvetest::Fill(*lTake->GetTransformRX(), {0.0, 90.0, 45.0, -170.0}, 0.2);
    curvetest::Fill(*lTake->GetTransformRZ(), {5.0, 5.0}, 0.25, KFCurveKey::kInterpolationLinear);
    curvetest::Fill(*lTake->GetTransformSY(), {1.0, -2.0}, 1.0);
    // One key: its value before, on and after it; no key: the default value.
    lTake->GetTransformTZ()->KeyAdd(Sec(0.4), 7.5f);
    lTake->GetTransformSZ()->SetDefaultValue(-0.5f);
    for (KRyvNode* lNode : {lStill, lMoving}) {
        KBvhJointSampler lSampler(*lNode);
        KMatrix lPrevious;
        int lChanges = 0;
        for (int f = -3; f < 40; ++f) {
            const KTime lTime = Sec(f / 30.0);
            KVector4 lPose[3];
            bool lSame = true;
            lSampler.PoseAt(lTime, lPose, lSame);
            KMatrix lMatrix;
            MatrixSetTRS(lMatrix, lPose[0], lPose[1], lPose[2]);
            EXPECT_TRUE(SameRows(lMatrix, lNode->GetLocalMatrixAtTime(lTime)))
                << lNode->GetName().Buffer() << " frame " << f;
            // Never the same on the first call; then the same exactly when the values repeat.
            EXPECT_EQ(lSame, f > -3 && SameRows(lMatrix, lPrevious))
                << lNode->GetName().Buffer() << " frame " << f;
            lChanges += lSame ? 0 : 1;
            lPrevious = lMatrix;
        }
        EXPECT_EQ(lChanges > 1, lNode == lMoving);
    }
}

} // namespace
