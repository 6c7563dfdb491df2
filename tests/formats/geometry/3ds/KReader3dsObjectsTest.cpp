// The 3DS reader's lights, cameras, materials and rotation keys, on hand-made files.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace test3ds;

namespace {

Bytes Percent(uint16_t pTag, uint16_t pPercent)
{
    return Chunk(pTag, Chunk(Tag3ds::kIntPercentage, U16(pPercent)));
}

Bytes Color(uint16_t pTag, uint8_t r, uint8_t g, uint8_t b)
{
    return Chunk(pTag, Chunk(Tag3ds::kColor24, Bytes{r, g, b}));
}

Bytes Material(const std::string& pName, const std::string& pMap)
{
    return Chunk(
        Tag3ds::kMatEntry,
        Cat({Chunk(Tag3ds::kMatName, Str(pName)), Color(Tag3ds::kMatAmbient, 0, 0, 0),
             Color(Tag3ds::kMatDiffuse, 255, 0, 0), Color(Tag3ds::kMatSpecular, 255, 255, 255),
             Percent(Tag3ds::kMatShininess, 30), Percent(Tag3ds::kMatShinStrength, 60),
             Percent(Tag3ds::kMatTransparency, 25), Percent(Tag3ds::kMatSelfIllum, 50),
             Chunk(Tag3ds::kMatTexture1, Cat({Chunk(Tag3ds::kIntPercentage, U16(50)),
                                              Chunk(Tag3ds::kMatMapName, Str(pMap)),
                                              Chunk(Tag3ds::kMatMapScaleU, F32(2.0f)),
                                              Chunk(Tag3ds::kMatMapOffsetU, F32(0.25f))}))}));
}

Bytes RotationTrack(const std::vector<std::pair<uint32_t, std::array<float, 4>>>& pKeys)
{
    Bytes lBody = Cat({U16(0), U32(0), U32(0), U32(static_cast<uint32_t>(pKeys.size()))});
    for (const auto& lKey : pKeys) {
        lBody = Cat({lBody, U32(lKey.first), U16(0),
                     Floats({lKey.second[0], lKey.second[1], lKey.second[2], lKey.second[3]})});
    }
    return Chunk(Tag3ds::kRotationTrack, lBody);
}

const std::vector<Point3ds> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

} // namespace

// Colours: specular x strength x 4/3, emissive = diffuse x self-illumination, shininess
// doubled, opacity 1 - transparency. Two materials of one map file give textures named after
// the file and after the file and "-1".
TEST(KReader3dsObjects, MaterialsAndTextures)
{
    const Bytes lFaces = Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Red"), U16(1), U16(0)}));
    const Bytes lUVs = Chunk(Tag3ds::kTexVerts, Cat({U16(3), Floats({0, 0, 1, 0, 0, 1})}));
    Read3ds lRead(StampedFile(Cat({Material("Red", "wood.bmp"), Material("Blue", "wood.bmp"),
                                   MeshObject("Tri", kTriangle, {{0, 1, 2, 7}}, lFaces, lUVs)})));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvMaterial* lRed = lRead.mFactory->FindMaterial("Red");
    ASSERT_NE(lRed, nullptr);
    EXPECT_NEAR(lRed->GetSpecularColor().mRed, 0.8, 1e-6);
    EXPECT_NEAR(lRed->GetEmissiveColor().mRed, 0.5, 1e-6);
    EXPECT_NEAR(lRed->GetEmissiveColor().mGreen, 0.0, 1e-6);
    EXPECT_NEAR(lRed->GetShininess(), 0.6, 1e-6);
    EXPECT_NEAR(lRed->GetOpacity(), 0.75, 1e-6);
    KRyvTexture* lFirst = lRead.mFactory->FindTexture("wood.bmp");
    KRyvTexture* lSecond = lRead.mFactory->FindTexture("wood.bmp-1");
    ASSERT_TRUE(lFirst && lSecond);
    EXPECT_STREQ(lSecond->GetFileName(), "wood.bmp");
    EXPECT_NEAR(lFirst->GetDefaultAlpha(), 0.5, 1e-6);
    // su = 2, ou = 0.25: translation -2 * ((1 - 1/2) * 0.5 + 0.25) = -1.
    EXPECT_NEAR(lFirst->GetTranslationU(), -1.0, 1e-6);
    EXPECT_NEAR(lFirst->GetScaleU(), 2.0, 1e-6);
    KRyvMesh* lMesh = lRead.MeshOf("Tri");
    EXPECT_EQ(lMesh->GetMaterial(0), lRed);
    EXPECT_EQ(lMesh->GetTexture(0), lFirst);
    EXPECT_EQ(lRead.Node("Tri")->GetShadingMode(), 4);
}

// A camera and a light without keyframer keep their own positions, colour and angle; the
// camera gets a target node "Cam.Target" that it looks at.
TEST(KReader3dsObjects, CamerasAndLights)
{
    const Bytes lCamera =
        Chunk(Tag3ds::kNamedObject,
              Cat({Str("Cam"),
                   Chunk(Tag3ds::kCamera, Cat({Floats({1, 2, 3, 4, 5, 6, 0, 48}),
                                               Chunk(Tag3ds::kCameraRanges, Floats({2, 100}))}))}));
    const Bytes lLight =
        Chunk(Tag3ds::kNamedObject,
              Cat({Str("Lamp"),
                   Chunk(Tag3ds::kLight,
                         Cat({Floats({0, 0, 10}), Chunk(Tag3ds::kColorF, Floats({0.5f, 0.25f, 1})),
                              Chunk(Tag3ds::kLightMultiplier, F32(2))}))}));
    Read3ds lRead(StampedFile(Cat({lCamera, lLight})));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvNode* lCamNode = lRead.Node("Cam");
    KRyvNode* lTarget = lRead.Node("Cam.Target");
    ASSERT_TRUE(lCamNode && lTarget);
    EXPECT_EQ(lCamNode->GetLookAtTarget(), lTarget);
    auto* lCam = static_cast<KRyvCamera*>(lCamNode->GetCamera());
    ASSERT_NE(lCam, nullptr);
    // A lens of 48 is an angle of 2400 / 48 = 50 degrees: the focal length that gives it on
    // the camera's own film.
    EXPECT_NEAR(lCam->GetFocalLength(),
                lCam->GetFilmWidth() * 25.4 * lCam->GetFilmSqueezeRatio() / 2 /
                    std::tan(25 * M_PI / 180),
                1e-6);
    EXPECT_NEAR(lCam->GetNearPlane(), 2 * 2.54, 1e-4);
    EXPECT_NEAR(lCam->GetFarPlane(), 100 * 2.54 * 10, 1e-3);
    EXPECT_EQ(lCam->GetApertureMode(), 1);
    KVector4 lPosition;
    lCamNode->GetLclTranslation(lPosition);
    EXPECT_NEAR(lPosition[1], 3 * 2.54, 1e-5);
    lTarget->GetLclTranslation(lPosition);
    EXPECT_NEAR(lPosition[2], -5 * 2.54, 1e-5);
    auto* lLamp = static_cast<KRyvLight*>(lRead.Node("Lamp")->GetLight());
    ASSERT_NE(lLamp, nullptr);
    EXPECT_EQ(lLamp->GetLightType(), KRyvLight::ePoint);
    EXPECT_NEAR(lLamp->GetIntensity(), 200.0, 1e-4);
    double r = 0, g = 0, b = 0;
    lLamp->GetColor(r, g, b);
    EXPECT_NEAR(g, 0.25, 1e-6);
}

// Rotation keys are turns from the key before: two equal keys of -30 degrees about the file's
// Z axis give 30 and then 60 degrees about the kit's Y axis (the angle's sign turns over). A
// key about a zero axis turns nothing.
TEST(KReader3dsObjects, RotationKeysAccumulate)
{
    const float lTurn = static_cast<float>(M_PI / 6);
    const Bytes lTrack =
        RotationTrack({{0, {-lTurn, 0, 0, 1}}, {10, {-lTurn, 0, 0, 1}}, {20, {1, 0, 0, 0}}});
    Read3ds lRead(StampedFile(MeshObject("Tri", kTriangle, {{0, 1, 2, 7}}),
                              ObjectNode(0, "Tri", Tag3ds::kNoParent, lTrack)));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvTakeNode* lTake = lRead.Node("Tri")->GetCurrentTakeNode();
    KFCurve* lY = lTake->GetTransformRY();
    ASSERT_EQ(lY->GetKeyCount(), 3);
    EXPECT_NEAR(lY->KeyGetValue(0), 30.0, 1e-3);
    EXPECT_NEAR(lY->KeyGetValue(1), 60.0, 1e-3);
    EXPECT_NEAR(lY->KeyGetValue(2), 60.0, 1e-3);
    EXPECT_FALSE(std::isnan(lTake->GetTransformRX()->KeyGetValue(2)));
    // With animation off the first key still places the node.
    Read3ds lStill(StampedFile(MeshObject("Tri", kTriangle, {{0, 1, 2, 7}}),
                               ObjectNode(0, "Tri", Tag3ds::kNoParent, lTrack)),
                   [](KStreamOptions3ds& ioOptions) {
                       ioOptions.SetOptionValue(KStreamOptions3ds::kAnim, 0);
                   });
    KVector4 lRotation;
    lStill.Node("Tri")->GetLclRotation(lRotation);
    EXPECT_NEAR(lRotation[1], 30.0, 1e-3);
    EXPECT_EQ(lStill.Node("Tri")->GetCurrentTakeNode()->GetTransformRY()->GetKeyCount(), 0);
}

// A key on the frame of the key before is not kept, but its turn still counts for the keys
// after it: four turns of 30 degrees end at 120.
TEST(KReader3dsObjects, RotationKeyOnTheSameFrameStillTurns)
{
    const float lTurn = static_cast<float>(M_PI / 6);
    const Bytes lTrack = RotationTrack({{0, {-lTurn, 0, 0, 1}},
                                        {10, {-lTurn, 0, 0, 1}},
                                        {10, {-lTurn, 0, 0, 1}},
                                        {20, {-lTurn, 0, 0, 1}}});
    Read3ds lRead(StampedFile(MeshObject("Tri", kTriangle, {{0, 1, 2, 7}}),
                              ObjectNode(0, "Tri", Tag3ds::kNoParent, lTrack)));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KFCurve* lY = lRead.Node("Tri")->GetCurrentTakeNode()->GetTransformRY();
    ASSERT_EQ(lY->GetKeyCount(), 3);
    EXPECT_NEAR(lY->KeyGetValue(0), 30.0, 1e-3);
    EXPECT_NEAR(lY->KeyGetValue(1), 60.0, 1e-3);
    EXPECT_NEAR(lY->KeyGetValue(2), 120.0, 1e-3);
}

// Faces of no group take the mesh's first material, and a mesh of no material gives its faces
// none: whether the file names no material, one it does not hold, or materials are not read,
// every material index names an entry of the mesh's materials or none.
TEST(KReader3dsObjects, MaterialIndicesNameTheMeshsMaterialsOrNone)
{
    const std::vector<Face3ds> lTwoFaces = {{0, 1, 2, 7}, {0, 2, 1, 7}};
    const Bytes lRedGroup = Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Red"), U16(1), U16(1)}));
    const Bytes lLostGroup = Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Lost"), U16(1), U16(0)}));
    const Bytes lRed = Material("Red", "wood.bmp");
    struct Case
    {
        const char* mWhat;
        Bytes mFile;
        bool mMaterials;
        std::vector<int> mExpected;
    };
    const Case kCases[] = {
        {"no group", StampedFile(MeshObject("Tri", kTriangle, lTwoFaces)), true, {-1, -1}},
        {"a group of no material",
         StampedFile(MeshObject("Tri", kTriangle, lTwoFaces, lLostGroup)),
         true,
         {-1, -1}},
        {"materials not read",
         StampedFile(Cat({lRed, MeshObject("Tri", kTriangle, lTwoFaces, lRedGroup)})),
         false,
         {-1, -1}},
        {"one face of no group",
         StampedFile(Cat({lRed, MeshObject("Tri", kTriangle, lTwoFaces, lRedGroup)})),
         true,
         {0, 0}},
    };
    for (const Case& lCase : kCases) {
        SCOPED_TRACE(lCase.mWhat);
        Read3ds lRead(lCase.mFile, [&](KStreamOptions3ds& ioOptions) {
            ioOptions.SetOptionValue(KStreamOptions3ds::kMaterials, lCase.mMaterials ? 1 : 0);
        });
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        KLayerElementMaterial* lMaterials = lRead.MeshOf("Tri")->GetLayer(0)->GetMaterials();
        ASSERT_NE(lMaterials, nullptr);
        EXPECT_EQ(lMaterials->GetIndexArray(), lCase.mExpected);
        // The one material of the last case, none otherwise.
        EXPECT_EQ(lMaterials->GetDirectArray().size(), lCase.mExpected[0] == 0 ? 1u : 0u);
    }
}
