// What writing a wide marker scene costs beyond reading it: a TRC file of many markers that keep
// their rest values is read, then written to TRC, BVH and the native format through the exporter
// with default settings, as ryvconvert converts it. The writers sample and list what reading left
// waiting (take channels, member properties and records, limits) without making it for good and
// keep no evaluation cache per node; a C3D write of more marker names than its parameter section
// holds is refused before anything is sampled. Bytes are counted through the replaced operator new
// (AllocationBytes), per marker beside a one-marker file.
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptions.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/formats/AllocationBytes.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <ostream>
#include <string>

namespace {

constexpr int kWideMarkers = 400;
// Names of 246 characters: this many need more than the 255 parameter blocks of a C3D file.
constexpr int kTooManyC3dNames = 700;
constexpr double kKilobyte = 1024.0;

// pMarkers markers named by pName and their number, one frame in which every one is blank.
std::string WideTrc(int pMarkers, const std::string& pName)
{
    std::string lText = "PathFileType\t4\t(X/Y/Z)\twide.trc\nDataRate\tCameraRate\tNumFrames\t"
                        "NumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n"
                        "60.00\t60.00\t1\t" +
                        std::to_string(pMarkers) + "\tmm\t60.00\t1\t1\nFrame#\tTime";
    for (int m = 0; m < pMarkers; ++m) {
        lText += "\t" + pName + std::to_string(m) + "\t\t";
    }
    lText += "\n\t";
    for (int m = 1; m <= pMarkers; ++m) {
        lText += "\tX" + std::to_string(m) + "\tY" + std::to_string(m) + "\tZ" + std::to_string(m);
    }
    lText += "\n\n1\t0.000000" + std::string(static_cast<std::size_t>(pMarkers) * 3, '\t') + "\n";
    return lText;
}

// The bytes a write held at its height and left behind, beyond what the read scene held.
struct WriteCost
{
    bool mWritten = false;
    long long mPeak = 0;
    long long mLeft = 0;
};

// A target format and what its write may cost per marker, left behind and at its height. A
// marker's read scene holds about 3.7 KB; writes that made its take channels whole, its member
// properties and records, its limits or an evaluation cache left 6.7 (TRC), 7.3 (BVH) and
// 15.9 KB (native) per marker.
struct WriteBound
{
    const char* mExtension;
    double mLeftKilobytes;
    double mPeakKilobytes;
};

void PrintTo(const WriteBound& pBound, std::ostream* oStream)
{
    *oStream << pBound.mExtension;
}

class KWideWriteMemoryTest : public ::testing::TestWithParam<WriteBound>
{
protected:
    // pText read as a TRC file, then written to pOutput with the default settings of its format.
    WriteCost Convert(const std::string& pText, const char* pOutput)
    {
        const std::string lInput = mTemp.PathOf("wide.trc");
        std::ofstream(lInput, std::ios::binary) << pText;
        const KFileFormatRegistry& lRegistry = KFileFormatRegistry::Kit();
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = lFactory.CreateScene();
        KImporter lImporter(&lFactory);
        lImporter.SetFileFormat(lRegistry.GetImportFormatFromFileName(lInput.c_str()));
        std::unique_ptr<KStreamOptions> lReadOptions;
        EXPECT_TRUE(lImporter.Initialize(lInput.c_str()) &&
                    (lReadOptions = lImporter.GetReadOptions()) &&
                    lImporter.Import(lScene, lReadOptions.get()));
        const std::string lOutput = mTemp.PathOf(pOutput);
        KExporter lExporter(&lFactory);
        lExporter.SetFileFormat(lRegistry.GetExportFormatFromFileName(lOutput.c_str()));
        lExporter.Initialize(lOutput.c_str());
        std::unique_ptr<KStreamOptions> lWriteOptions = lExporter.GetWriteOptions();
        const auto& lReadMotion = static_cast<const KStreamOptionsMotion&>(*lReadOptions);
        if (auto* lWriteMotion = dynamic_cast<KStreamOptionsMotion*>(lWriteOptions.get())) {
            lWriteMotion->SetStart(lReadMotion.GetStart());
            lWriteMotion->SetFrameCount(lReadMotion.GetFrameCount());
            lWriteMotion->SetTimeMode(lReadMotion.GetTimeMode(), lReadMotion.GetFrameRate());
        }
        WriteCost lCost;
        const long long lBefore = AllocationBytes::Held();
        AllocationBytes::ResetPeak();
        lCost.mWritten = lExporter.Export(lScene, lWriteOptions.get());
        lCost.mPeak = AllocationBytes::Peak() - lBefore;
        lCost.mLeft = AllocationBytes::Held() - lBefore;
        return lCost;
    }

    TempFolder mTemp;
};

double PerMarkerKilobytes(long long pWide, long long pOne, int pMarkers)
{
    return static_cast<double>(pWide - pOne) / (pMarkers - 1) / kKilobyte;
}

TEST_P(KWideWriteMemoryTest, WritingKeepsLittleOfWhatTheReadLeftWaiting)
{
    const std::string lOutput = std::string("out.") + GetParam().mExtension;
    const WriteCost lWide = Convert(WideTrc(kWideMarkers, "m"), lOutput.c_str());
    const WriteCost lOne = Convert(WideTrc(1, "m"), lOutput.c_str());
    ASSERT_TRUE(lWide.mWritten && lOne.mWritten);
    EXPECT_LT(PerMarkerKilobytes(lWide.mLeft, lOne.mLeft, kWideMarkers), GetParam().mLeftKilobytes);
    EXPECT_LT(PerMarkerKilobytes(lWide.mPeak, lOne.mPeak, kWideMarkers), GetParam().mPeakKilobytes);
}

INSTANTIATE_TEST_SUITE_P(Formats, KWideWriteMemoryTest,
                         ::testing::Values(WriteBound{"trc", 2.5, 3.0}, WriteBound{"bvh", 4.5, 5.0},
                                           WriteBound{"ryv", 2.5, 4.0}),
                         [](const ::testing::TestParamInfo<WriteBound>& pInfo) {
                             return std::string(pInfo.param.mExtension);
                         });

// 700 rows of 247 bytes are 338 blocks of 512 bytes for the labels alone.
TEST_F(KWideWriteMemoryTest, CThreeDRefusesTooManyNamesBeforeSampling)
{
    const std::string lLongName(246, 'n');
    const WriteCost lWide = Convert(WideTrc(kTooManyC3dNames, lLongName), "out.c3d");
    EXPECT_FALSE(lWide.mWritten);
    // The long names and their copies in the parameter section are all the refusal held; a
    // rest pose sampled first made every marker's transform channels and caches (6.8 KB).
    EXPECT_LT(static_cast<double>(lWide.mPeak) / kTooManyC3dNames / kKilobyte, 2.5);
    EXPECT_LT(static_cast<double>(lWide.mLeft) / kTooManyC3dNames / kKilobyte, 0.05);
}

} // namespace
