#include "scene/KRyvGlobalCameraSettings.h"

#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvCamera.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Expected
{
    KRyvCamera* mCamera;
    int mProjection;
    double mNear;
    double mFar;
    KVector4 mUp;
};

std::vector<Expected> Producers(KRyvGlobalCameraSettings& pSettings)
{
    return {
        {pSettings.GetCameraProducerPerspective(), 0, 10.0, 4000.0, KVector4(0.0, 1.0, 0.0, 1.0)},
        {pSettings.GetCameraProducerTop(), 1, 1.0, 30000.0, KVector4(0.0, 0.0, -1.0, 1.0)},
        {pSettings.GetCameraProducerBottom(), 1, 1.0, 30000.0, KVector4(0.0, 0.0, -1.0, 1.0)},
        {pSettings.GetCameraProducerFront(), 1, 1.0, 30000.0, KVector4(0.0, 1.0, 0.0, 1.0)},
        {pSettings.GetCameraProducerBack(), 1, 1.0, 30000.0, KVector4(0.0, 1.0, 0.0, 1.0)},
        {pSettings.GetCameraProducerRight(), 1, 1.0, 30000.0, KVector4(0.0, 1.0, 0.0, 1.0)},
        {pSettings.GetCameraProducerLeft(), 1, 1.0, 30000.0, KVector4(0.0, 1.0, 0.0, 1.0)},
    };
}

} // namespace

TEST(KRyvGlobalCameraSettings, SevenProducerCamerasMadeByTheFactoryOnFirstUseAndHandedBack)
{
    KRyvObjectFactory lFactory;
    const int lBefore = lFactory.GetNodeAttributeCount();
    {
        KRyvGlobalCameraSettings lSettings(&lFactory, nullptr);
        // Settings nobody looks at make nothing: a scene is made for every read.
        EXPECT_EQ(lFactory.GetNodeAttributeCount(), lBefore);
        KRyvCamera* lTop = lSettings.GetCameraProducerTop();
        EXPECT_EQ(lFactory.GetNodeAttributeCount(), lBefore + 1);
        EXPECT_EQ(lSettings.GetCameraProducerTop(), lTop);
        std::vector<KRyvCamera*> lSeen;
        for (const Expected& lProducer : Producers(lSettings)) {
            ASSERT_NE(lProducer.mCamera, nullptr);
            EXPECT_EQ(lProducer.mCamera->GetNode(), nullptr);
            EXPECT_EQ(lProducer.mCamera->GetFactory(), &lFactory);
            for (KRyvCamera* lOther : lSeen) {
                EXPECT_NE(lOther, lProducer.mCamera);
            }
            lSeen.push_back(lProducer.mCamera);
        }
        EXPECT_EQ(lFactory.GetNodeAttributeCount(), lBefore + 7);
        EXPECT_EQ(lFactory.GetNodeAttribute(lBefore), lTop);
    }
    EXPECT_EQ(lFactory.GetNodeAttributeCount(), lBefore);
}

TEST(KRyvGlobalCameraSettings, ResetPlacesEveryProducerCamera)
{
    KRyvObjectFactory lFactory;
    KRyvGlobalCameraSettings lSettings(&lFactory, nullptr);
    for (const Expected& lProducer : Producers(lSettings)) {
        KRyvCamera* lCamera = lProducer.mCamera;
        EXPECT_EQ(lCamera->GetProjectionType(), lProducer.mProjection);
        EXPECT_EQ(lCamera->GetNearPlane(), lProducer.mNear);
        EXPECT_EQ(lCamera->GetFarPlane(), lProducer.mFar);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(lCamera->GetUpVector()[i], lProducer.mUp[i]);
        }
        // The lens of a 40 degree view on the default vertical 0.612 in film: 21.3545 mm.
        EXPECT_NEAR(lCamera->GetFocalLength(), 21.3545, 1e-4);
        EXPECT_NEAR(lCamera->GetFieldOfViewFromFocalLength(), 40.0, 1e-9);
        // Off a node the field-of-view property keeps its reset value.
        EXPECT_EQ(lCamera->GetFieldOfView(), 40.0);
    }

    KRyvCamera* lTop = lSettings.GetCameraProducerTop();
    lTop->SetNearPlane(50.0);
    lTop->SetProjectionType(0);
    lTop->SetFocalLength(100.0);
    ASSERT_TRUE(lSettings.SetDefaultCamera("Producer Top"));
    lSettings.SetDefaultViewingMode(3);
    lSettings.Reset();
    EXPECT_EQ(lTop->GetNearPlane(), 1.0);
    EXPECT_EQ(lTop->GetProjectionType(), 1);
    EXPECT_NEAR(lTop->GetFocalLength(), 21.3545, 1e-4);
    EXPECT_STREQ(lSettings.GetDefaultCamera(), "Producer Perspective");
    EXPECT_EQ(lSettings.GetDefaultViewingMode(), 0);
}

TEST(KRyvGlobalCameraSettings, ProducerBackgroundReachesCamerasMadeBeforeAndAfter)
{
    KRyvObjectFactory lFactory;
    KRyvGlobalCameraSettings lSettings(&lFactory, nullptr);
    KRyvCamera* lTop = lSettings.GetCameraProducerTop();
    const KColor lDefault = lTop->GetBackgroundColor();
    lSettings.SetProducerBackgroundColor(KColor(0.25, 0.5, 0.75));
    // Setting it makes no camera.
    EXPECT_EQ(lFactory.GetNodeAttributeCount(), 1);
    for (KRyvCamera* lCamera : {lTop, lSettings.GetCameraProducerLeft()}) {
        const KColor lColor = lCamera->GetBackgroundColor();
        EXPECT_EQ(lColor.mRed, 0.25);
        EXPECT_EQ(lColor.mGreen, 0.5);
        EXPECT_EQ(lColor.mBlue, 0.75);
    }
    lSettings.Reset();
    for (KRyvCamera* lCamera : {lTop, lSettings.GetCameraProducerFront()}) {
        EXPECT_EQ(lCamera->GetBackgroundColor().mRed, lDefault.mRed);
        EXPECT_EQ(lCamera->GetBackgroundColor().mBlue, lDefault.mBlue);
    }
}

TEST(KRyvGlobalCameraSettings, DefaultCameraNames)
{
    KRyvObjectFactory lFactory;
    KRyvGlobalCameraSettings lSettings(&lFactory, nullptr);
    EXPECT_STREQ(lSettings.GetDefaultCamera(), "Producer Perspective");
    for (const char* lName :
         {"Producer Top", "Producer Bottom", "Producer Front", "Producer Back", "Producer Right",
          "Producer Left", "Camera Switcher", "Producer Perspective"}) {
        EXPECT_TRUE(lSettings.SetDefaultCamera(lName)) << lName;
        EXPECT_STREQ(lSettings.GetDefaultCamera(), lName);
    }
    EXPECT_FALSE(lSettings.SetDefaultCamera("producer top"));
    EXPECT_EQ(lSettings.GetError().GetLastErrorID(), KRyvGlobalCameraSettings::kUnknownCameraName);
    EXPECT_STREQ(lSettings.GetError().GetLastErrorString().Buffer(), "Unknown camera name.");
    EXPECT_STREQ(lSettings.GetDefaultCamera(), "Producer Perspective");
    EXPECT_FALSE(lSettings.SetDefaultCamera(nullptr));
    EXPECT_EQ(lSettings.GetError().GetLastErrorID(), KRyvGlobalCameraSettings::kNullParameter);
    EXPECT_STREQ(lSettings.GetError().GetLastErrorString().Buffer(), "Null parameter.");
}

TEST(KRyvGlobalCameraSettings, WithoutFactoryThereAreNoCameras)
{
    KRyvGlobalCameraSettings lSettings(nullptr, nullptr);
    EXPECT_EQ(lSettings.GetCameraProducerPerspective(), nullptr);
    EXPECT_EQ(lSettings.GetCameraProducerLeft(), nullptr);
    lSettings.Reset();
    EXPECT_STREQ(lSettings.GetDefaultCamera(), "Producer Perspective");
}

TEST(KRyvGlobalCameraSettings, DefaultCameraAcceptsNodesBelowTheRoot)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvGlobalCameraSettings& lSettings = lScene.GetGlobalCameraSettings();
    ASSERT_NE(lSettings.GetCameraProducerPerspective(), nullptr);
    EXPECT_FALSE(lSettings.SetDefaultCamera("Shot"));

    KRyvNode* lShot = lFactory.CreateNode("Shot");
    KRyvNode* lLower = lFactory.CreateNode("producer top");
    ASSERT_TRUE(lScene.GetRootNode()->AddChild(lShot));
    ASSERT_TRUE(lShot->AddChild(lLower));
    EXPECT_TRUE(lSettings.SetDefaultCamera("Shot"));
    EXPECT_STREQ(lSettings.GetDefaultCamera(), "Shot");
    EXPECT_TRUE(lSettings.SetDefaultCamera("Model::Shot"));
    EXPECT_STREQ(lSettings.GetDefaultCamera(), "Model::Shot");
    EXPECT_TRUE(lSettings.SetDefaultCamera("producer top"));
    EXPECT_FALSE(lSettings.SetDefaultCamera("shot"));
    EXPECT_STREQ(lSettings.GetDefaultCamera(), "producer top");
}
