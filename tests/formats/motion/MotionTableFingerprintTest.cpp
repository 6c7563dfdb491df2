// Fingerprints of what the BRD, MOV and VPM readers make of awkward generated files, taken with
// the readers as first written: a change that makes them faster must keep every key, name,
// option and message bit for bit.

#include "formats/motion/brd/KReaderBrd.h"
#include "formats/motion/mov/KReaderMov.h"
#include "formats/motion/vpm/KReaderVpm.h"

#include "MotionTableFingerprint.h"
#include "MotionTableTestScene.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Adjust = std::function<void(KStreamOptionsMotion&)>;

// Reads pText as pName with the import settings of a plain import (unroll, constant key reducer)
// and answers the fingerprint of the result, failed reads included.
template <class TReader>
std::uint64_t FingerprintOf(const std::string& pName, const std::string& pText,
                            const Adjust& pAdjust)
{
    TableImportSettingsGuard lSettings(KImportSettings::kRotationFilterUnroll, true);
    TableReadScene<TReader> lTest;
    TableFingerprint lPrint;
    lPrint.Add(lTest.Read(WriteTableFile(pName, pText), pAdjust) ? 1 : 0);
    lPrint.AddOptions(*lTest.mOptions);
    lPrint.AddNode(lTest.mScene->GetRootNode());
    lPrint.AddText(lTest.mReader.GetMessage().Buffer());
    lPrint.AddText(lTest.mReader.GetError().GetLastErrorString().Buffer());
    return lPrint.Get();
}

// Sensors of scattered ids over 300 frames from frame 7: gaps, lines out of order, later
// duplicates, held and changing quaternions (not all of unit length), blank lines, CR LF.
std::string AwkwardBrd()
{
    TableNumbers lNumbers(11);
    const int kIds[] = {12, -3, 2000, 5, 0, 1023};
    double lQuaternions[6][4] = {};
    std::vector<std::string> lLines;
    for (int f = 7; f < 307; ++f) {
        for (int s = 0; s < 6; ++s) {
            if (lNumbers.Draw(12) == 0) {
                continue;
            }
            if (f == 7 || lNumbers.Draw(4) != 0) {
                for (double& lPart : lQuaternions[s]) {
                    lPart = lNumbers.Value(1.0);
                }
            }
            const double lSeconds = f / 120.0 + lNumbers.Value(0.0001);
            const long long lWhole = static_cast<long long>(lSeconds);
            std::string lLine = std::to_string(f) + lNumbers.Separator() + std::to_string(kIds[s]) +
                                lNumbers.Separator() + "P";
            for (int a = 0; a < 3; ++a) {
                lLine += lNumbers.Separator();
                lNumbers.Append(lLine, lNumbers.Value(300.0));
            }
            lLine += std::string(lNumbers.Separator()) + "Q";
            for (const double lPart : lQuaternions[s]) {
                lLine += lNumbers.Separator();
                lNumbers.Append(lLine, lPart);
            }
            lLine += std::string(lNumbers.Separator()) + std::to_string(lWhole) +
                     lNumbers.Separator() +
                     std::to_string(static_cast<long long>((lSeconds - lWhole) * 1.0e6)) +
                     lNumbers.LineEnd();
            lLines.push_back(lLine);
            if (lNumbers.Draw(30) == 0 && lLines.size() > 1) {
                std::swap(lLines[lLines.size() - 1], lLines[lLines.size() - 2]);
            }
            if (lNumbers.Draw(50) == 0) {
                lLines.push_back(lLines[lNumbers.Draw(static_cast<unsigned>(lLines.size()))]);
            }
            if (lNumbers.Draw(40) == 0) {
                lLines.push_back(lNumbers.LineEnd());
            }
        }
    }
    std::string lText;
    for (const std::string& lLine : lLines) {
        lText += lLine;
    }
    return lText;
}

// Four objects over 240 rows: turns beyond a half turn, scaling held for runs, some rows short
// or with a word among the numbers.
std::string AwkwardMov()
{
    TableNumbers lNumbers(12);
    std::string lText;
    double lScaling = 1.0;
    for (int r = 0; r < 240; ++r) {
        KMotionNumber::AppendGeneral(lText, 3.0 + r / 60.0);
        const int lCells = lNumbers.Draw(40) == 0 ? 36 - static_cast<int>(lNumbers.Draw(20)) : 36;
        const int lWord = lNumbers.Draw(60) == 0 ? static_cast<int>(lNumbers.Draw(36)) : -1;
        if (lNumbers.Draw(15) == 0) {
            lScaling = 0.5 + lNumbers.Draw(4) * 0.25;
        }
        for (int c = 0; c < lCells; ++c) {
            lText += lNumbers.Separator();
            const int lGroup = (c % 9) / 3;
            if (c == lWord) {
                lText += "x1";
            } else if (lGroup == 2) {
                lNumbers.Append(lText, lScaling);
            } else {
                lNumbers.Append(lText, lNumbers.Value(lGroup == 1 ? 540.0 : 200.0));
            }
        }
        lText += lNumbers.LineEnd();
    }
    return lText;
}

// Three segments; the last one breaks off after 120 of its 200 frames.
std::string AwkwardVpm()
{
    TableNumbers lNumbers(13);
    const char* const kNames[] = {"Hips", "Chest", "Head"};
    const int kFrames[] = {150, 90, 200};
    std::string lText;
    for (int s = 0; s < 3; ++s) {
        lText += std::string("Segment:\t") + kNames[s] + "\nFrames:\t" +
                 std::to_string(kFrames[s]) + "\nFrame Time:\t0.0333333\n" +
                 "XTRAN YTRAN ZTRAN XROT YROT ZROT XSCALE YSCALE ZSCALE\n" +
                 "INCHES INCHES INCHES DEGREES DEGREES DEGREES PERCENT PERCENT PERCENT\n";
        double lPercent = 100.0;
        const int lLines = s == 2 ? 120 : kFrames[s];
        for (int f = 0; f < lLines; ++f) {
            if (lNumbers.Draw(20) == 0) {
                lPercent = 50.0 + lNumbers.Draw(3) * 35.0;
            }
            for (int c = 0; c < 9; ++c) {
                if (c > 0) {
                    lText += lNumbers.Separator();
                }
                lNumbers.Append(lText, c >= 6 ? lPercent : lNumbers.Value(c >= 3 ? 400.0 : 80.0));
            }
            lText += lNumbers.LineEnd();
        }
    }
    return lText;
}

// pText with the first pFrom after the middle replaced by pTo.
std::string Damaged(std::string pText, const std::string& pFrom, const std::string& pTo)
{
    return pText.replace(pText.find(pFrom, pText.size() / 2), pFrom.size(), pTo);
}

void Keep(KStreamOptionsMotion&) {}

void NoHoldFewerFrames(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(KReaderBrd::kOptionHold, 0);
    ioOptions.SetOption(4, 1);
    ioOptions.SetFrameCount(200);
}

void RotationAndScalingOnly(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(KReaderMov::kOptionTranslation, 0);
    ioOptions.SetFrameCount(150);
}

void FewerFrames(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetFrameCount(100);
}

} // namespace

TEST(MotionTableFingerprint, BrdReadsAsBefore)
{
    const std::string lText = AwkwardBrd();
    // Keyed at the samples and where gaps start; every frame's value is what the former key per
    // frame gave.
    EXPECT_EQ(FingerprintOf<KReaderBrd>("awkward.brd", lText, Keep), 289479825526325595u);
    EXPECT_EQ(FingerprintOf<KReaderBrd>("awkward.brd", lText, NoHoldFewerFrames),
              926762303338803431u);
    EXPECT_EQ(FingerprintOf<KReaderVpm>("awkward.vpm", Damaged(lText, "\n", "\n-inf\n"), Keep),
              3815982359542851356u);
    EXPECT_EQ(FingerprintOf<KReaderBrd>("awkward.brd", Damaged(lText, "Q", "q"), Keep),
              5943135025506455501u);
}

TEST(MotionTableFingerprint, MovReadsAsBefore)
{
    const std::string lText = AwkwardMov();
    EXPECT_EQ(FingerprintOf<KReaderMov>("awkward.mov", lText, Keep), 14405603585915225726u);
    EXPECT_EQ(FingerprintOf<KReaderMov>("awkward.mov", lText, RotationAndScalingOnly),
              17271113245060771706u);
    EXPECT_EQ(FingerprintOf<KReaderMov>("awkward.mov", Damaged(lText, "\t", "\t1e999 "), Keep),
              9627424334601629770u);
}

TEST(MotionTableFingerprint, VpmReadsAsBefore)
{
    const std::string lText = AwkwardVpm();
    EXPECT_EQ(FingerprintOf<KReaderVpm>("awkward.vpm", lText, Keep), 7437730657735054586u);
    EXPECT_EQ(FingerprintOf<KReaderVpm>("awkward.vpm", lText, FewerFrames), 9919835719013123813u);
    EXPECT_EQ(FingerprintOf<KReaderVpm>("awkward.vpm", Damaged(lText, "\n", "\n-inf\n"), Keep),
              12796160052201624911u);
}
