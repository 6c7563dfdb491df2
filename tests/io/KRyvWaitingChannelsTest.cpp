// A later take is made channel by channel as it is looked at. Written to a native file, a take
// whose other channels still wait gives the bytes a take made whole gives, and reads back as it.
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KVector4.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvMarker.h"
#include "tests/support/KSceneComparer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {

KRyvNode* AddWalkingNode(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const char* pName,
                         KRyvNodeAttribute* pAttribute, bool pWhole)
{
    KRyvNode* lNode = ioFactory.CreateNode(pName);
    lNode->SetNodeAttribute(pAttribute);
    lNode->SetLclRotation(KVector4(0.0, 30.0, 0.0));
    ioScene.GetRootNode()->AddChild(lNode);
    KRyvTakeNode* lWalk = lNode->AddTakeNode("Walk");
    if (pWhole) {
        lWalk->GetKFCurveNode();
    }
    KFCurve* lX = lWalk->GetTransformTX();
    lX->KeyAdd(KTime(0), 1.0f);
    lX->KeyAdd(KTime(KTime::kTicksPerSecond), 2.5f);
    return lNode;
}

// An optical marker and a joint, each with the take "Walk" keyed on its translation X alone,
// the take made whole or left to make the rest of its channels when looked at.
KRyvScene* WalkingScene(KRyvObjectFactory& ioFactory, bool pWhole)
{
    KRyvScene* lScene = ioFactory.CreateScene();
    KRyvMarker* lMarker = ioFactory.CreateMarker();
    lMarker->SetType(KRyvMarker::eOptical);
    KRyvNode* lMarkerNode = AddWalkingNode(ioFactory, *lScene, "Marker", lMarker, pWhole);
    lMarkerNode->GetTakeNode(1)->GetOcclusion()->KeyAdd(KTime(0), 1.0f);
    AddWalkingNode(ioFactory, *lScene, "Joint", ioFactory.CreateSkeleton(), pWhole);
    lScene->SetCurrentTake("Walk");
    return lScene;
}

class KRyvWaitingChannelsTest : public ::testing::TestWithParam<int>
{
protected:
    std::string Write(KRyvObjectFactory& ioFactory, KRyvScene* pScene, const std::string& pName)
    {
        KStreamOptionsRyv lOptions;
        KRyvHeaderExtension lExtension;
        const int lStamp[] = {2026, 12, 7, 23, 0, 0, 0};
        std::copy(std::begin(lStamp), std::end(lStamp), lExtension.mTimeStamp);
        lOptions.SetHeaderExtension(lExtension);
        KExporter lExporter(&ioFactory);
        lExporter.SetFileFormat(GetParam());
        const std::string lPath = mFolder.PathOf(pName);
        lExporter.Initialize(lPath.c_str());
        EXPECT_TRUE(lExporter.Export(pScene, &lOptions)) << lExporter.GetMessage().Buffer();
        return lPath;
    }

    TempFolder mFolder;
};

TEST_P(KRyvWaitingChannelsTest, AreWrittenAsTheChannelsOfATakeMadeWhole)
{
    KRyvObjectFactory lWholeFactory;
    KRyvScene* lWhole = WalkingScene(lWholeFactory, true);
    KRyvObjectFactory lPartsFactory;
    KRyvScene* lParts = WalkingScene(lPartsFactory, false);
    ASSERT_TRUE(lParts->GetRootNode()->GetChild(0)->GetTakeNode(1)->IsContentDeferred());
    const std::string lWholeFile = Write(lWholeFactory, lWhole, "whole.ryv");
    const std::string lPartsFile = Write(lPartsFactory, lParts, "parts.ryv");
    const std::string lBytes = TempFolder::Read(lWholeFile);
    ASSERT_FALSE(lBytes.empty());
    EXPECT_TRUE(lBytes == TempFolder::Read(lPartsFile));

    KRyvObjectFactory lReadFactory;
    KRyvScene* lRead = lReadFactory.CreateScene();
    KImporter lImporter(&lReadFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
    KStreamOptionsRyv lReadOptions;
    ASSERT_TRUE(lImporter.Initialize(lPartsFile.c_str()) && lImporter.Import(lRead, &lReadOptions));
    EXPECT_EQ(KSceneComparer().Compare(*lWhole, *lRead), "");
}

INSTANTIATE_TEST_SUITE_P(WriterCodes, KRyvWaitingChannelsTest,
                         ::testing::Values(KFileFormatRegistry::kExportRyvBinary,
                                           KFileFormatRegistry::kExportRyvAscii,
                                           KFileFormatRegistry::kExportRyv5Binary,
                                           KFileFormatRegistry::kExportRyv5Ascii));

} // namespace
