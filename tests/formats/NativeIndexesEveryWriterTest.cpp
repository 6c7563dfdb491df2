// Indexes a scene holds into arrays of its own (layer elements' index-to-direct arrays, skin
// links' and clusters' control points), at the edges of what a native file may hold and past
// them, given to every writer of the kit: none may read outside an array (this program runs
// under the address sanitizer in the checked build), and a scene a native read let in is
// written by each.

#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptions.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// A bone with a quad and a triangle over five points skinned to it: UVs by polygon vertex
// through an index array (-1: none), a material by polygon, one link and its cluster.
KRyvScene* BuildScene(KRyvObjectFactory& ioFactory, KRyvMesh*& oMesh)
{
    KRyvScene* lScene = ioFactory.CreateScene();
    KRyvNode* lBone = ioFactory.CreateNode("Bone");
    KRyvSkeleton* lSkeleton = ioFactory.CreateSkeleton();
    lSkeleton->SetSkeletonType(KRyvSkeleton::eLimbNode);
    lBone->SetNodeAttribute(lSkeleton);
    lBone->SetMarked(true);
    lScene->GetRootNode()->AddChild(lBone);
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    lMesh->InitControlPoints(5);
    for (int i = 0; i < 5; ++i) {
        lMesh->GetControlPoints()[i] = KVector4(i % 2, i / 2, 0.5 * i, 1.0);
    }
    KRyvMaterial* lMaterial = ioFactory.CreateMaterial("Skin");
    lScene->GetSceneEntity()->AddMaterial(lMaterial);
    lMesh->AddMaterial(lMaterial);
    lMesh->InitMaterialIndices(KRyvMesh::eMappingByPolygon);
    lMesh->BeginPolygon(0);
    for (int v : {0, 1, 3, 2}) {
        lMesh->AddPolygon(v);
    }
    lMesh->BeginPolygon(-1);
    for (int v : {2, 3, 4}) {
        lMesh->AddPolygon(v);
    }
    auto lUVs = std::make_unique<KLayerElementUV>();
    lUVs->SetMappingMode(KLayerElement::eByPolygonVertex);
    lUVs->SetReferenceMode(KLayerElement::eIndexToDirect);
    lUVs->Add(0.25, 0.75);
    lUVs->Add(1.0, 0.0);
    lUVs->GetIndexArray() = {-1, 1, 1, 0, 0, 1, -1};
    lMesh->GetLayer(0)->SetUVs(std::move(lUVs));
    KRyvLink* lLink = ioFactory.CreateLink();
    lLink->SetLink(lBone);
    lLink->AddControlPointIndex(0, 0.25);
    lLink->AddControlPointIndex(4, 0.75);
    lMesh->AddLink(lLink);
    KRyvNode* lArm = ioFactory.CreateNode("Arm");
    lArm->SetNodeAttribute(lMesh);
    lBone->AddChild(lArm);
    lScene->BuildSkinDeformers();
    oMesh = lMesh;
    return lScene;
}

// Every writer the registry has, on pScene, each into a file of its own: the codes written.
std::vector<int> WriteEveryFormat(KRyvObjectFactory& ioFactory, KRyvScene* pScene,
                                  const TempFolder& pFiles)
{
    std::vector<int> lWritten;
    for (int lCode = 0; lCode < KFileFormatRegistry::kExportFormatCount; ++lCode) {
        KExporter lExporter(&ioFactory);
        lExporter.SetFileFormat(lCode);
        std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
        if (!lOptions) {
            continue;
        }
        lExporter.Initialize(pFiles.PathOf("out" + std::to_string(lCode)).c_str());
        if (lExporter.Export(pScene, lOptions.get())) {
            lWritten.push_back(lCode);
        }
    }
    return lWritten;
}

bool Written(const std::vector<int>& pCodes, int pCode)
{
    return std::find(pCodes.begin(), pCodes.end(), pCode) != pCodes.end();
}

TEST(NativeIndexesEveryWriter, ASceneTheNativeReadLetInIsWrittenByEveryFormat)
{
    TempFolder lFiles;
    KRyvObjectFactory lFactory;
    KRyvMesh* lMesh = nullptr;
    KRyvScene* lScene = BuildScene(lFactory, lMesh);
    const std::string lName = lFiles.PathOf("edges.ryv");
    KWriterRyv lWriter(&lFactory, KWriterRyv::kBinary60);
    KStreamOptionsRyv lWriteOptions;
    ASSERT_TRUE(lWriter.FileCreate(lName.c_str()) && lWriter.Write(lScene, &lWriteOptions));
    KRyvScene* lRead = lFactory.CreateScene();
    KReaderRyv lReader(&lFactory);
    KStreamOptionsRyv lReadOptions;
    lReadOptions.SetRestoreMedia(false);
    ASSERT_TRUE(lReader.FileOpen(lName.c_str()) && lReader.Read(lRead, &lReadOptions))
        << lReader.GetMessage().Buffer();
    const std::vector<int> lWritten = WriteEveryFormat(lFactory, lRead, lFiles);
    for (const int lCode : {KFileFormatRegistry::kExportRyvBinary, KFileFormatRegistry::kExportObj,
                            KFileFormatRegistry::kExportDxf, KFileFormatRegistry::kExportBvh,
                            KFileFormatRegistry::kExport3ds}) {
        EXPECT_TRUE(Written(lWritten, lCode)) << lCode;
    }
}

// A scene built in memory may hold anything: the writers check what they index with.
TEST(NativeIndexesEveryWriter, IndexesPastTheirArraysInMemoryAreNeverFollowed)
{
    using Damage = std::function<void(KRyvScene&, KRyvMesh&)>;
    const Damage kDamages[] = {
        [](KRyvScene&, KRyvMesh& ioMesh) { ioMesh.GetLayer(0)->GetUVs()->GetIndexArray()[2] = 7; },
        [](KRyvScene&, KRyvMesh& ioMesh) { ioMesh.GetLayer(0)->GetUVs()->GetIndexArray()[3] = -5; },
        [](KRyvScene&, KRyvMesh& ioMesh) {
            ioMesh.GetLayer(0)->GetMaterials()->GetIndexArray() = {3, 1 << 30};
        },
        [](KRyvScene&, KRyvMesh& ioMesh) {
            ioMesh.GetLink(0)->GetControlPointIndexArray() = {99, -3};
        },
        [](KRyvScene& ioScene, KRyvMesh&) {
            ioScene.GetSceneEntity()
                ->GetDeformer(0, KRyvSceneEntity::eClusterDeformers)
                ->GetControlPointIndexArray() = {5, -1};
        },
    };
    for (std::size_t i = 0; i < std::size(kDamages); ++i) {
        SCOPED_TRACE(i);
        TempFolder lFiles;
        KRyvObjectFactory lFactory;
        KRyvMesh* lMesh = nullptr;
        KRyvScene* lScene = BuildScene(lFactory, lMesh);
        kDamages[i](*lScene, *lMesh);
        const std::vector<int> lWritten = WriteEveryFormat(lFactory, lScene, lFiles);
        EXPECT_TRUE(Written(lWritten, KFileFormatRegistry::kExportObj));
        EXPECT_TRUE(Written(lWritten, KFileFormatRegistry::kExportDxf));
    }
}

} // namespace
