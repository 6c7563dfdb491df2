// Files the toolkit writes, read by an independent 3DS library where it is installed.
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#endif

#include <cstring>

using namespace test3ds;

TEST(Toolkit3dsInterop, IndependentReaderSeesWhatWasWritten)
{
#ifndef RYV_HAVE_LIB3DS
    GTEST_SKIP() << "the independent 3DS reader is not installed";
#else
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    Toolkit3dsContext& lKit = lRun->mKit;
    std::unique_ptr<MeshObject3ds> lMesh;
    InitMeshObject3ds(lMesh, 3, 1, kMeshSmoothing3ds);
    lMesh->mName = "Tri";
    lMesh->mVertices = {{0, 0, 0}, {4, 5, 6}, {0, 1, 0}};
    lMesh->mSmoothing[0] = 2;
    lMesh->mMaterialGroupCount = 1;
    AllocMeshParts3ds(lMesh.get(), kMeshMaterialGroups3ds);
    lMesh->mMaterialGroups[0] = {"Red", {0}};
    PutMesh3ds(lKit, lRun->Db(), lMesh.get());
    std::unique_ptr<Material3ds> lMaterial;
    InitMaterial3ds(lMaterial);
    lMaterial->mName = "Red";
    lMaterial->mDiffuse = {1, 0, 0};
    lMaterial->mTransparency = 0.25f;
    PutMaterial3ds(lKit, lRun->Db(), lMaterial.get());
    std::unique_ptr<CameraObject3ds> lCamera;
    InitCameraObject3ds(lCamera);
    lCamera->mName = "Cam";
    lCamera->mFov = 30;
    PutCamera3ds(lKit, lRun->Db(), lCamera.get());
    std::unique_ptr<LightObject3ds> lLight;
    InitLightObject3ds(lLight);
    lLight->mName = "Lamp";
    lLight->mColor = {0.5f, 0.25f, 1};
    PutLight3ds(lKit, lRun->Db(), lLight.get());
    for (const char* lName : {"Tri", "Kid"}) {
        std::unique_ptr<ObjectMotion3ds> lMotion;
        InitObjectMotion3ds(lMotion, 1, 0, 0, 0, 0);
        lMotion->mName = lName;
        lMotion->mParent = std::strcmp(lName, "Kid") == 0 ? "Tri" : "";
        lMotion->mPosition.mValues[0] = {7, 8, 9};
        PutObjectMotion3ds(lKit, lRun->Db(), lMotion.get());
    }
    ASSERT_FALSE(WriteDatabase(*lRun, lDir).empty());

    Lib3dsFile* lFile = lib3ds_file_load(lDir.Path("out.3ds").c_str());
    ASSERT_NE(lFile, nullptr);
    Lib3dsMesh* lRead = lFile->meshes;
    ASSERT_NE(lRead, nullptr);
    EXPECT_STREQ(lRead->name, "Tri");
    ASSERT_EQ(lRead->points, 3u);
    EXPECT_EQ(lRead->pointL[1].pos[2], 6);
    ASSERT_EQ(lRead->faces, 1u);
    EXPECT_EQ(lRead->faceL[0].points[1], 1);
    EXPECT_STREQ(lRead->faceL[0].material, "Red");
    EXPECT_EQ(lRead->faceL[0].smoothing, 2u);
    ASSERT_NE(lFile->materials, nullptr);
    EXPECT_STREQ(lFile->materials->name, "Red");
    EXPECT_NEAR(lFile->materials->diffuse[0], 1, 1e-6);
    EXPECT_NEAR(lFile->materials->transparency, 0.25, 1e-6);
    ASSERT_NE(lFile->cameras, nullptr);
    EXPECT_NEAR(lFile->cameras->fov, 30, 1e-4);
    ASSERT_NE(lFile->lights, nullptr);
    EXPECT_NEAR(lFile->lights->color[1], 0.25, 1e-6);
    Lib3dsNode* lKid = lib3ds_file_node_by_name(lFile, "Kid", LIB3DS_OBJECT_NODE);
    ASSERT_NE(lKid, nullptr);
    ASSERT_NE(lKid->parent, nullptr);
    EXPECT_STREQ(lKid->parent->name, "Tri");
    EXPECT_EQ(lKid->data.object.pos_track.keyL->value[1], 8);
    lib3ds_file_free(lFile);
#endif
}
