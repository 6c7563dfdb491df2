// A scene that holds nothing a geometry or native format keeps is refused alike by all of them:
// an OBJ file of points or lines alone (which the OBJ reader does not keep) gives only its
// reference node; a mesh, any other attribute or a key makes the scene worth writing.
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNull.h"
#include "tests/formats/geometry/obj/ObjTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kFormats[] = {
    KFileFormatRegistry::kExportObj,      KFileFormatRegistry::kExportDxf,
    KFileFormatRegistry::kExport3ds,      KFileFormatRegistry::kExportRyvBinary,
    KFileFormatRegistry::kExportRyvAscii, KFileFormatRegistry::kExportRyv5Binary};

const char* Missing(const ObjRead& pRead, int pFormat)
{
    KExporter lExporter(pRead.mFactory.get());
    lExporter.SetFileFormat(pFormat);
    return lExporter.FindMissingContent(pRead.mScene.get());
}

bool IsGeometryFormat(int pFormat)
{
    return pFormat == KFileFormatRegistry::kExportObj || pFormat == KFileFormatRegistry::kExportDxf;
}

TEST(KWriterMissingContent, PointsAndLinesAloneAreRefusedByEveryGeometryAndNativeFormat)
{
    for (const char* lText : {"v 0 0 0\nv 1 0 0\nv 0 1 0\np 1 2 3\n", // a point cloud
                              "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2 3\n", // a polyline
                              "v 0 0 0\nv 1 0 0\nv 0 1 0\n"}) {       // points alone
        const ObjRead lRead("points.obj", lText, true);
        ASSERT_TRUE(lRead.mRead) << lRead.mErrorText;
        ASSERT_EQ(lRead.Nodes().size(), 1u) << "the reference node alone";
        for (const int lFormat : kFormats) {
            const char* lMissing = Missing(lRead, lFormat);
            ASSERT_NE(lMissing, nullptr) << lFormat;
            EXPECT_STREQ(lMissing, IsGeometryFormat(lFormat)
                                       ? "no mesh, NURBS or patch"
                                       : "no node with an attribute or animation")
                << lFormat;
        }
    }
}

TEST(KWriterMissingContent, AMeshAnAttributeOrAKeyIsWorthWriting)
{
    const ObjRead lMesh("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", true);
    ASSERT_TRUE(lMesh.mRead) << lMesh.mErrorText;
    for (const int lFormat : kFormats) {
        EXPECT_EQ(Missing(lMesh, lFormat), nullptr) << lFormat;
    }
    // The reference node of a point cloud, given a null attribute, then instead a key.
    const ObjRead lNull("points.obj", "v 0 0 0\n", true);
    ASSERT_TRUE(lNull.mRead);
    KRyvNode* lNode = lNull.Nodes().front();
    lNode->SetNodeAttribute(lNull.mFactory->CreateNull());
    const ObjRead lKeyed("points.obj", "v 0 0 0\n", true);
    ASSERT_TRUE(lKeyed.mRead);
    lKeyed.Nodes().front()->GetCurrentTakeNode()->GetTransformTX()->KeyAdd(KTime(), 1.0f);
    for (const int lFormat : kFormats) {
        if (!IsGeometryFormat(lFormat)) {
            EXPECT_EQ(Missing(lNull, lFormat), nullptr) << lFormat;
            EXPECT_EQ(Missing(lKeyed, lFormat), nullptr) << lFormat;
        }
    }
}

TEST(KWriterMissingContent, TheNativeFileKeepsACharacterOrAPoseWithoutNodes)
{
    for (const bool lCharacter : {true, false}) {
        const ObjRead lRead("points.obj", "v 0 0 0\n", true);
        ASSERT_TRUE(lRead.mRead);
        if (lCharacter) {
            ASSERT_GE(lRead.mScene->AddCharacter("Hero"), 0);
        } else {
            ASSERT_GE(lRead.mScene->AddCharacterPose("Stance"), 0);
        }
        for (const int lFormat : kFormats) {
            const bool lNative =
                !IsGeometryFormat(lFormat) && lFormat != KFileFormatRegistry::kExport3ds;
            EXPECT_EQ(Missing(lRead, lFormat) == nullptr, lNative) << lFormat;
        }
    }
}

} // namespace
