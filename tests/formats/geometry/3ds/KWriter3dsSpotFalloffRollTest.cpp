// A spot's falloff and roll, which the kit's light has no property for, read from a 3DS file
// and written back: straight, after a native file in between, and a second time.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "formats/geometry/3ds/KWriter3ds.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/node.h>
#endif

#include <memory>
#include <string>
#include <utility>

using namespace test3ds;

namespace {

constexpr float kHotspot = 30.0f;
// Falloff and roll at the spot's two keys, frames 0 and 10; the static record holds frame 0.
constexpr uint32_t kLastKey = 10;
constexpr float kFalloff[2] = {40.0f, 60.0f};
constexpr float kRoll[2] = {15.0f, -20.0f};

Bytes SpotFile()
{
    const Bytes lSpotChunk =
        Chunk(Tag3ds::kSpotlight, Cat({Floats({4, 5, 6, kHotspot, kFalloff[0]}),
                                       Chunk(Tag3ds::kSpotRoll, Floats({kRoll[0]}))}));
    const Bytes lObject = Chunk(
        Tag3ds::kNamedObject,
        Cat({Str("Spot"),
             Chunk(Tag3ds::kLight, Cat({Floats({1, 2, 3}),
                                        Chunk(Tag3ds::kColorF, Floats({1, 1, 1})), lSpotChunk}))}));
    const Bytes lSpotTracks =
        Cat({PointTrack(Tag3ds::kPositionTrack, {{0, {1, 2, 3}}}),
             PointTrack(Tag3ds::kColorTrack, {{0, {1, 1, 1}}}),
             ValueTrack(Tag3ds::kHotspotTrack, {{0, kHotspot}}),
             ValueTrack(Tag3ds::kFalloffTrack, {{0, kFalloff[0]}, {kLastKey, kFalloff[1]}}),
             ValueTrack(Tag3ds::kRollTrack, {{0, kRoll[0]}, {kLastKey, kRoll[1]}})});
    const Bytes lTargetTrack = PointTrack(Tag3ds::kPositionTrack, {{0, {4, 5, 6}}});
    return StampedFile(
        lObject,
        Cat({KeyframerNode(Tag3ds::kSpotTargetNode, 0, "Spot", Tag3ds::kNoParent, lTargetTrack),
             KeyframerNode(Tag3ds::kSpotNode, 1, "Spot", Tag3ds::kNoParent, lSpotTracks)}));
}

void Write3ds(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const std::string& pPath,
              bool pKeyframer = true)
{
    KWriter3ds lWriter(&ioFactory);
    KStreamOptions3ds lOptions;
    lOptions.SetOptionValue(KStreamOptions3ds::kAnim, pKeyframer ? 1 : 0);
    ASSERT_TRUE(lWriter.FileCreate(pPath.c_str()));
    ASSERT_TRUE(lWriter.Write(&ioScene, &lOptions));
}

// pScene written to a native file and read back into ioBack, with default options.
void ThroughNative(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const std::string& pPath,
                   KRyvObjectFactory& ioBackFactory, KRyvScene& ioBack)
{
    KExporter lExporter(&ioFactory);
    lExporter.SetFileFormat(KFileFormatRegistry::kExportRyvBinary);
    lExporter.Initialize(pPath.c_str());
    const std::unique_ptr<KStreamOptions> lWriteOptions = lExporter.GetWriteOptions();
    ASSERT_TRUE(lExporter.Export(&ioScene, lWriteOptions.get()));
    KImporter lImporter(&ioBackFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::Kit().GetImportFormatFromFileName(pPath.c_str()));
    ASSERT_TRUE(lImporter.Initialize(pPath.c_str()));
    const std::unique_ptr<KStreamOptions> lReadOptions = lImporter.GetReadOptions();
    ASSERT_TRUE(lImporter.Import(&ioBack, lReadOptions.get()));
}

// The file's static spot record holds the values of frame 0; answers the toolkit's run.
std::unique_ptr<Loaded> ExpectFrameZero(const std::string& pPath)
{
    std::unique_ptr<Loaded> lRun = LoadFile(pPath);
    std::unique_ptr<LightObject3ds> lLight;
    GetSpotlightByIndex3ds(lRun->mKit, lRun->Db(), 0, lLight);
    EXPECT_TRUE(lLight && lLight->mSpot) << pPath;
    if (lLight && lLight->mSpot) {
        EXPECT_FLOAT_EQ(lLight->mSpot->mHotspot, kHotspot) << pPath;
        EXPECT_FLOAT_EQ(lLight->mSpot->mFalloff, kFalloff[0]) << pPath;
        EXPECT_FLOAT_EQ(lLight->mSpot->mRoll, kRoll[0]) << pPath;
    }
    return lRun;
}

} // namespace

TEST(KWriter3dsSpotFalloffRoll, KeptThroughTheKitAndItsNativeFile)
{
    ScratchDir lDir;
    Read3ds lRead(SpotFile());
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    const std::string lDirect = lDir.Path("direct.3ds");
    Write3ds(*lRead.mFactory, *lRead.mScene, lDirect);

    // The toolkit finds the values of frame 0 in the static record and both keys in the tracks.
    std::unique_ptr<Loaded> lRun = ExpectFrameZero(lDirect);
    std::unique_ptr<SpotlightMotion3ds> lMotion;
    GetSpotlightMotionByIndex3ds(lRun->mKit, lRun->Db(), 0, lMotion);
    ASSERT_NE(lMotion, nullptr);
    const std::pair<const Track3ds<float>*, const float*> lTracks[] = {
        {&lMotion->mFalloff, kFalloff}, {&lMotion->mRoll, kRoll}};
    for (const auto& [lTrack, lValues] : lTracks) {
        ASSERT_GT(lTrack->mValues.size(), kLastKey);
        EXPECT_EQ(lTrack->mKeys[kLastKey].mTime, kLastKey);
        EXPECT_FLOAT_EQ(lTrack->mValues[0], lValues[0]);
        EXPECT_FLOAT_EQ(lTrack->mValues[kLastKey], lValues[1]);
    }

    // A native file in between changes nothing; nor does a second pass.
    KRyvObjectFactory lBackFactory;
    KRyvScene lBack(&lBackFactory);
    ThroughNative(*lRead.mFactory, *lRead.mScene, lDir.Path("x.ryv"), lBackFactory, lBack);
    Write3ds(lBackFactory, lBack, lDir.Path("through.3ds"));
    EXPECT_EQ(ReadBytes(lDirect), ReadBytes(lDir.Path("through.3ds")));
    Read3ds lAgain = ReadFile(lDirect);
    ASSERT_TRUE(lAgain.mRead) << lAgain.mError;
    Write3ds(*lAgain.mFactory, *lAgain.mScene, lDir.Path("again.3ds"));
    EXPECT_EQ(ReadBytes(lDirect), ReadBytes(lDir.Path("again.3ds")));

    // Without the keyframer the spot keeps its values of frame 0.
    Write3ds(*lRead.mFactory, *lRead.mScene, lDir.Path("still.3ds"), false);
    ExpectFrameZero(lDir.Path("still.3ds"));

#ifdef RYV_HAVE_LIB3DS
    Lib3dsFile* lFile = lib3ds_file_load(lDirect.c_str());
    ASSERT_NE(lFile, nullptr);
    const Lib3dsLight* lOther = lib3ds_file_light_by_name(lFile, "Spot");
    ASSERT_NE(lOther, nullptr);
    EXPECT_FLOAT_EQ(lOther->hot_spot, kHotspot);
    EXPECT_FLOAT_EQ(lOther->fall_off, kFalloff[0]);
    EXPECT_FLOAT_EQ(lOther->roll, kRoll[0]);
    const uint32_t lFrames[2] = {0, kLastKey};
    for (int k = 0; k < 2; ++k) {
        lib3ds_file_eval(lFile, static_cast<Lib3dsFloat>(lFrames[k]));
        const Lib3dsNode* lNode = lib3ds_file_node_by_name(lFile, "Spot", LIB3DS_LIGHT_NODE);
        ASSERT_NE(lNode, nullptr);
        EXPECT_NEAR(lNode->data.light.hotspot, kHotspot, 1e-4) << "frame " << lFrames[k];
        EXPECT_NEAR(lNode->data.light.falloff, kFalloff[k], 1e-4) << "frame " << lFrames[k];
        EXPECT_NEAR(lNode->data.light.roll, kRoll[k], 1e-4) << "frame " << lFrames[k];
    }
    lib3ds_file_free(lFile);
#endif
}
