#include "formats/motion/c3d/KWriterC3d.h"

#include "formats/motion/c3d/KReaderC3d.h"

#include "tests/formats/motion/OpticalTestScene.h"
#include "tests/support/KSceneComparer.h"

#include <algorithm>
#include <cmath>

namespace {

MarkerSet Walk(int pMarkers, int pFrames, double pRate)
{
    MarkerSet lSet;
    for (int m = 0; m < pMarkers; ++m) {
        lSet.mNames.push_back("M" + std::to_string(m + 1));
    }
    lSet.mFrames = pFrames;
    lSet.mRate = pRate;
    lSet.mPosition = [](int pMarker, int pFrame) {
        return KVector4(10.0 + pMarker + 0.25 * std::sin(pFrame * 0.1), 100.0 - 0.5 * pMarker,
                        -20.0 + 0.01 * pFrame, 1.0);
    };
    lSet.mHidden = [](int pMarker, int pFrame) { return (pMarker + pFrame) % 7 == 3; };
    return lSet;
}

std::string WriteWalk(const std::string& pName, const MarkerSet& pSet, bool pFloat = true)
{
    KRyvObjectFactory lFactory;
    KWriterC3d lWriter(&lFactory);
    const std::string lPath = OpticalTestPath(pName);
    EXPECT_TRUE(WriteMarkerSet(lWriter, lPath, pSet, [&](KStreamOptionsMotion& ioOptions) {
        ioOptions.SetOption(KWriterOptical::kOptionNegativeScale, pFloat ? 1 : 0);
    })) << lWriter.GetError().GetLastErrorString().Buffer();
    return lPath;
}

void ExpectSet(const OpticalTestScene& pRead, const MarkerSet& pSet, double pTolerance, int pStep)
{
    ASSERT_EQ(pRead.MarkerCount(), static_cast<int>(pSet.mNames.size()));
    ASSERT_EQ(pRead.mOptions->GetFrameCount(), pSet.mFrames);
    EXPECT_NEAR(pRead.mOptions->GetFrameRate(), pSet.mRate, 1e-4);
    for (int m = 0; m < pRead.MarkerCount(); m += pStep) {
        EXPECT_EQ(pRead.MarkerName(m), pSet.mNames[static_cast<std::size_t>(m)]);
        for (int f = 0; f < pSet.mFrames; f += pStep) {
            const KVector4 lExpected = pSet.mPosition(m, f);
            const bool lHidden = pSet.mHidden(m, f);
            EXPECT_EQ(pRead.Value(m, 3, f), lHidden ? 1.0 : 0.0) << m << " " << f;
            if (lHidden) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(pRead.Value(m, c, f), lExpected[c],
                            pTolerance * std::max(1.0, std::fabs(lExpected[c])))
                    << m << " " << f;
            }
        }
    }
}

TEST(KWriterC3d, FloatAndIntegerDataRoundTrip)
{
    OpticalSettingsGuard lSettings;
    const MarkerSet lSet = Walk(5, 60, 29.97);
    for (bool lFloat : {true, false}) {
        const std::string lPath = WriteWalk(lFloat ? "float.c3d" : "int.c3d", lSet, lFloat);
        OpticalTestScene lRead;
        KReaderC3d lReader(&lRead.mFactory);
        ASSERT_TRUE(lRead.Read(lReader, lPath, [](KStreamOptionsMotion& ioOptions) {
            ioOptions.SetOption(KReaderOptical::kOptionHoldOccluded, 0);
        }));
        // Float data keeps single precision; integers step by 0.1449 mm.
        ExpectSet(lRead, lSet, lFloat ? 2e-5 : 0.0145, 1);
        EXPECT_EQ(lRead.mOptions->GetStart(), KTime());
    }
}

TEST(KWriterC3d, HighSpeedRatesReadBack)
{
    OpticalSettingsGuard lSettings;
    for (double lRate : {1000.0, 2000.0, 10000.0}) {
        const MarkerSet lSet = Walk(2, 20, lRate);
        OpticalTestScene lRead;
        KReaderC3d lReader(&lRead.mFactory);
        ASSERT_TRUE(
            lRead.Read(lReader, WriteWalk("fast.c3d", lSet), [](KStreamOptionsMotion& ioOptions) {
                ioOptions.SetOption(KReaderOptical::kOptionHoldOccluded, 0);
            }));
        ExpectSet(lRead, lSet, 2e-5, 1);
    }
}

TEST(KWriterC3d, WriteReadWriteIsByteIdentical)
{
    OpticalSettingsGuard lSettings;
    for (bool lFloat : {true, false}) {
        const std::string lFirst = WriteWalk("first.c3d", Walk(4, 30, 120.0), lFloat);
        KRyvObjectFactory lFactory;
        KReaderC3d lReader(&lFactory);
        KWriterC3d lWriter(&lFactory);
        const std::string lSecond = OpticalTestPath("second.c3d");
        // In a folder of its own, so that its take has the same name.
        std::filesystem::create_directories(OpticalTestPath("again"));
        const std::string lThird = OpticalTestPath("again/second.c3d");
        ASSERT_TRUE(Convert(lReader, lWriter, lFirst, lSecond));
        KReaderC3d lReader2(&lFactory);
        KWriterC3d lWriter2(&lFactory);
        ASSERT_TRUE(Convert(lReader2, lWriter2, lSecond, lThird));
        EXPECT_EQ(TempFolder::Read(lSecond), TempFolder::Read(lThird)) << lFloat;
        if (!lFloat) {
            continue;
        }
        // Read back, the two files give the same scenes.
        OpticalTestScene lA;
        OpticalTestScene lB;
        KReaderC3d lReaderA(&lA.mFactory);
        KReaderC3d lReaderB(&lB.mFactory);
        ASSERT_TRUE(lA.Read(lReaderA, lSecond));
        ASSERT_TRUE(lB.Read(lReaderB, lThird));
        KSceneComparer::Options lOptions;
        lOptions.mTolerance = 1e-6;
        EXPECT_EQ(KSceneComparer(lOptions).Compare(*lA.mScene, *lB.mScene), "");
    }
}

TEST(KWriterC3d, GoldenHeaderAndParameterBytes)
{
    OpticalSettingsGuard lSettings;
    const std::string lBytes = TempFolder::Read(WriteWalk("golden.c3d", Walk(2, 3, 100.0)));
    ASSERT_EQ(lBytes.size(), 512u * 2 + 3 * 2 * 16);
    const auto lByte = [&](std::size_t pAt) { return static_cast<unsigned char>(lBytes[pAt]); };
    EXPECT_EQ(lByte(0), 2);
    EXPECT_EQ(lByte(1), 0x50);
    EXPECT_EQ(lByte(2), 2);     // points
    EXPECT_EQ(lByte(6), 0);     // first frame 0 at time 0
    EXPECT_EQ(lByte(8), 2);     // last frame
    EXPECT_EQ(lByte(12), 0x80); // scale -1.0 in DEC: 80 C0 00 00
    EXPECT_EQ(lByte(13), 0xC0);
    EXPECT_EQ(lByte(16), 3); // data start block
    EXPECT_EQ(lByte(18), 1);
    EXPECT_EQ(lByte(298) | (lByte(299) << 8), 12345);
    // The parameter section: one block of DEC parameters.
    EXPECT_EQ(lByte(512), 1);
    EXPECT_EQ(lByte(513), 0x50);
    EXPECT_EQ(lByte(514), 1);
    EXPECT_EQ(lByte(515), 85);
    EXPECT_NE(lBytes.find("POINT"), std::string::npos);
    EXPECT_NE(lBytes.find("mm  "), std::string::npos);
    EXPECT_NE(lBytes.find("M1 M2 "), std::string::npos);
}

TEST(KWriterC3d, ManyMarkersAndLongTakesReadBack)
{
    OpticalSettingsGuard lSettings;
    // 300 markers need LABELS2 and more than 8 parameter blocks.
    const MarkerSet lMany = Walk(300, 3, 60.0);
    OpticalTestScene lManyRead;
    KReaderC3d lManyReader(&lManyRead.mFactory);
    ASSERT_TRUE(lManyRead.Read(lManyReader, WriteWalk("many.c3d", lMany)));
    ExpectSet(lManyRead, lMany, 2e-5, 13);
    EXPECT_EQ(lManyRead.MarkerName(299), "M300");

    for (int lFrames : {40000, 70000}) {
        const MarkerSet lLong = Walk(1, lFrames, 120.0);
        OpticalTestScene lRead;
        KReaderC3d lReader(&lRead.mFactory);
        ASSERT_TRUE(
            lRead.Read(lReader, WriteWalk("long.c3d", lLong), [](KStreamOptionsMotion& ioOptions) {
                ioOptions.SetOption(KReaderOptical::kOptionHoldOccluded, 0);
            }));
        ExpectSet(lRead, lLong, 2e-5, 997);
        EXPECT_NEAR(lRead.Value(0, 2, lFrames - 1), lLong.mPosition(0, lFrames - 1)[2], 1e-4);
    }
}

TEST(KWriterC3d, ValuesTheFormatCannotHoldAreNotSeenWithAWarning)
{
    OpticalSettingsGuard lSettings;
    MarkerSet lSet = Walk(2, 2, 30.0);
    lSet.mHidden = nullptr;
    // 6 m is beyond 16-bit integer data; 1e39 cm beyond DEC floats (float keys hold it as inf,
    // which the scene refuses, so use the integer case and a huge finite value below float max).
    lSet.mPosition = [](int pMarker, int) {
        return KVector4(pMarker == 0 ? 600.0 : 1.0, 2.0, 3.0, 1.0);
    };
    KRyvObjectFactory lFactory;
    KWriterC3d lWriter(&lFactory);
    const std::string lPath = OpticalTestPath("far.c3d");
    ASSERT_TRUE(WriteMarkerSet(lWriter, lPath, lSet, [](KStreamOptionsMotion& ioOptions) {
        ioOptions.SetOption(KWriterOptical::kOptionNegativeScale, 0);
    }));
    EXPECT_STREQ(lWriter.GetMessage().Buffer(),
                 "far.c3d: 2 positions C3D cannot hold were written as not seen\n");
    OpticalTestScene lRead;
    KReaderC3d lReader(&lRead.mFactory);
    ASSERT_TRUE(lRead.Read(lReader, lPath));
    EXPECT_EQ(lRead.Value(0, 3, 1), 1.0);
    EXPECT_EQ(lRead.Value(1, 3, 1), 0.0);
}

TEST(KWriterC3d, RefusalsLeaveTheTargetAsItWas)
{
    OpticalSettingsGuard lSettings;
    const std::string lPath = WriteOpticalFile("kept.c3d", "old");
    MarkerSet lSet = Walk(1, 2, 30.0);
    lSet.mNames = {std::string(255, 'n')};
    KRyvObjectFactory lFactory;
    KWriterC3d lWriter(&lFactory);
    EXPECT_FALSE(WriteMarkerSet(lWriter, lPath, lSet));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
    EXPECT_EQ(TempFolder::Read(lPath), "old");

    KWriterC3d lEarly(&lFactory);
    EXPECT_FALSE(
        WriteMarkerSet(lEarly, lPath, Walk(1, 2, 30.0), [](KStreamOptionsMotion& ioOptions) {
            KTime lStart;
            lStart.SetSecondDouble(-1.0);
            ioOptions.SetStart(lStart);
        }));
    EXPECT_EQ(TempFolder::Read(lPath), "old");

    std::FILE* lProbe = std::fopen("/dev/full", "w");
    if (!lProbe) {
        GTEST_SKIP() << "no /dev/full";
    }
    std::fclose(lProbe);
    KWriterC3d lFull(&lFactory);
    EXPECT_FALSE(WriteMarkerSet(lFull, "/dev/full", Walk(3, 50, 30.0)));
    EXPECT_EQ(lFull.GetError().GetLastErrorID(), KWriter::kOutOfDiskSpace);
}

} // namespace
