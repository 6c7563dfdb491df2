// Motion whose frames skip, or whose keys lie far apart, through writers given no frames: AMC
// records numbered 10, 20, 30, 40 (or 1, 2, 10) come out each at its own frame of the file's
// rate, and a stray key two billion frames out is refused by every motion writer, naming the
// node and the span, before a file is made.
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KWriter.h"
#include "tests/formats/motion/asf-amc/AsfAmcTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// An AMC of the arm at 30 frames per second: one record per (frame number, arm angle).
std::string ArmAmc(const std::vector<std::pair<int, double>>& pRecords)
{
    std::ostringstream lOut;
    lOut << ":SAMPLES-PER-SECOND 30\n:FULLY-SPECIFIED\n:DEGREES\n";
    for (const auto& [lFrame, lAngle] : pRecords) {
        lOut << lFrame << "\nroot 0 0 0 0 0 0\narm " << lAngle << '\n';
    }
    return lOut.str();
}

// The arm angle of every record of an AMC text, by frame number.
std::map<int, double> ArmAngles(const std::string& pText)
{
    std::map<int, double> lAngles;
    std::istringstream lIn(pText);
    std::string lLine;
    int lFrame = 0;
    while (std::getline(lIn, lLine)) {
        std::istringstream lWords(lLine);
        std::string lFirst;
        lWords >> lFirst;
        // The last value is the turn about Z, however many DOFs the line lists.
        for (double lValue = 0.0; lFirst == "arm" && lWords >> lValue;) {
            lAngles[lFrame] = lValue;
        }
        if (!lFirst.empty() && lFirst.find_first_not_of("0123456789") == std::string::npos) {
            lFrame = std::stoi(lFirst);
        }
    }
    return lAngles;
}

// Reads the BRD text pText, written as pName, into ioScene.
bool ReadBrd(const char* pName, const char* pText, KRyvObjectFactory& ioFactory, KRyvScene& ioScene)
{
    const std::string lBrd = WriteTestFile(pName, pText);
    KImporter lImporter(&ioFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::Kit().GetImportFormatFromFileName(lBrd.c_str()));
    if (!lImporter.Initialize(lBrd.c_str())) {
        return false;
    }
    std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
    return lImporter.Import(&ioScene, lOptions.get());
}

} // namespace

TEST(KMotionWriterSparse, AmcRecordsThatSkipFramesKeepTheirFrames)
{
    const std::vector<std::vector<std::pair<int, double>>> kCases = {
        {{10, 10.0}, {20, 20.0}, {30, 30.0}, {40, 40.0}},
        {{1, 0.0}, {2, 0.0}, {10, 90.0}},
    };
    for (const auto& lRecords : kCases) {
        AsfAmcScene lRead;
        ASSERT_TRUE(lRead.ReadAsf(WriteTestFile("sparse.asf", kArmAsf))) << lRead.mError;
        ASSERT_TRUE(lRead.ReadAmc(WriteTestFile("sparse.amc", ArmAmc(lRecords)))) << lRead.mError;
        // The writers' own options, as a scene from a native file is written: no frames given.
        KWriterAsf lAsf(&lRead.mFactory);
        std::unique_ptr<KStreamOptions> lOptions = lAsf.GetWriteOptions();
        const std::string lAsfPath = MotionTestPath("sparse-out.asf");
        const std::string lAmcPath = MotionTestPath("sparse-out.amc");
        ASSERT_TRUE(lAsf.FileCreate(lAsfPath.c_str()) && lAsf.Write(lRead.mScene, lOptions.get()));
        KWriterAmc lAmc(&lRead.mFactory);
        ASSERT_TRUE(lAmc.FileCreate(lAmcPath.c_str()) && lAmc.Write(lRead.mScene, lOptions.get()))
            << lAmc.GetError().GetLastErrorString().Buffer();
        const std::string lText = ReadTestFile(lAmcPath);
        EXPECT_NE(lText.find(":SAMPLES-PER-SECOND 30\n"), std::string::npos) << lText;
        const std::map<int, double> lAngles = ArmAngles(lText);
        ASSERT_FALSE(lAngles.empty());
        // The take begins at its first record, and the frame lines count from 1.
        const int lFirst = lRecords.front().first;
        EXPECT_EQ(lAngles.size(), static_cast<std::size_t>(lRecords.back().first - lFirst + 1));
        EXPECT_EQ(lAngles.rbegin()->first, lRecords.back().first - lFirst + 1);
        for (const auto& [lFrame, lAngle] : lRecords) {
            const auto lFound = lAngles.find(lFrame - lFirst + 1);
            ASSERT_NE(lFound, lAngles.end()) << "frame " << lFrame;
            EXPECT_NEAR(lFound->second, lAngle, 1e-3) << "frame " << lFrame;
        }
    }
}

TEST(KMotionWriterSparse, AFarKeyIsRefusedByEveryMotionWriterBeforeWriting)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    ASSERT_TRUE(ReadBrd("far.brd",
                        "0 1 P 1 2 3 Q 0 0 0 1 0 0\n2000000000 1 P 1 2 3 Q 0 0 0 1 0 0\n", lFactory,
                        *lScene));
    for (const char* lName : {"far-out.brd", "far-out.bvh", "far-out.mov", "far-out.trc",
                              "far-out.c3d", "far-out.htr", "far-out.vpm"}) {
        const std::string lPath = MotionTestPath(lName);
        KExporter lExporter(&lFactory);
        lExporter.SetFileFormat(
            KFileFormatRegistry::Kit().GetExportFormatFromFileName(lPath.c_str()));
        lExporter.Initialize(lPath.c_str());
        std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
        EXPECT_FALSE(lExporter.Export(lScene, lOptions.get())) << lName;
        const std::string lReason = lExporter.GetReason().Buffer();
        EXPECT_NE(lReason.find("Marker1"), std::string::npos) << lName << ": " << lReason;
        EXPECT_NE(lReason.find("2000000001 frames"), std::string::npos) << lName << ": " << lReason;
        EXPECT_NE(access(lPath.c_str(), F_OK), 0) << lName;
    }
}

// A file whose place is taken while it is written is not put in place, and the refusal names the
// cause instead of a full disk.
TEST(KMotionWriterSparse, AFileThatCannotBePutInPlaceNamesTheCause)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    ASSERT_TRUE(ReadBrd("near.brd", "0 1 P 1 2 3 Q 0 0 0 1 0 0\n1 1 P 2 2 3 Q 0 0 0 1 0 0\n",
                        lFactory, *lScene));
    for (const char* lName : {"taken.brd", "taken.bvh", "taken.mov", "taken.trc", "taken.c3d",
                              "taken.htr", "taken.vpm", "taken.aoa"}) {
        const std::string lPath = MotionTestPath(lName);
        const KFileFormatDescriptor* lFormat = KFileFormatRegistry::Kit().FindExportFormat(
            KFileFormatRegistry::Kit().GetExportFormatFromFileName(lPath.c_str()));
        ASSERT_NE(lFormat, nullptr) << lName;
        std::unique_ptr<KWriter> lWriter = lFormat->mCreateWriter(&lFactory);
        std::unique_ptr<KStreamOptions> lOptions = lWriter->GetWriteOptions();
        ASSERT_TRUE(lWriter->FileCreate(lPath.c_str())) << lName;
        std::filesystem::create_directories(lPath);
        std::ofstream(lPath + "/held").put('x');
        EXPECT_FALSE(lWriter->Write(lScene, lOptions.get())) << lName;
        EXPECT_EQ(lWriter->GetError().GetLastErrorID(), KWriter::kFileNotCreated) << lName;
        const std::string lReason = lWriter->GetError().GetLastErrorString().Buffer();
        EXPECT_NE(lReason.find("ryv_motion_" + std::string(lName) + ": Is a directory"),
                  std::string::npos)
            << lName << ": " << lReason;
    }
}
