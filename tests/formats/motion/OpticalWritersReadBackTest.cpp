// The optical marker writers (TRC, C3D, AOA and MCD) never report success for a file their own
// reader refuses, and the TRC reader says when a file ends inside its last frame line.
#include "formats/motion/aoa/KReaderAoa.h"
#include "formats/motion/aoa/KWriterAoa.h"
#include "formats/motion/c3d/KC3dFile.h"
#include "formats/motion/c3d/KReaderC3d.h"
#include "formats/motion/c3d/KWriterC3d.h"
#include "formats/motion/trc/KReaderTrc.h"
#include "formats/motion/trc/KWriterTrc.h"

#include "OpticalTestScene.h"

#include <string>

namespace {

struct OpticalFormat
{
    const char* mExtension;
    const char* mName;
    // AOA and MCD files hold no names: their markers read as "Marker<n>".
    bool mNamed;
    std::function<std::unique_ptr<KWriter>(KRyvObjectFactory*)> mWriter;
    std::function<std::unique_ptr<KReader>(KRyvObjectFactory*)> mReader;
};

const OpticalFormat kFormats[] = {
    {"trc", "TRC", true, KWriterTrc::Create, KReaderTrc::Create},
    {"c3d", "C3D", true, KWriterC3d::Create, KReaderC3d::Create},
    {"aoa", "AOA", false, KWriterAoa::CreateAoa, KReaderAoa::CreateAoa},
    {"mcd", "AOA", false, KWriterAoa::CreateMcd, KReaderAoa::CreateMcd}};

const char* const kOlder = "an older file\n";

MarkerSet StillMarkers(const std::vector<std::string>& pNames, int pFrames)
{
    MarkerSet lSet;
    lSet.mNames = pNames;
    lSet.mFrames = pFrames;
    lSet.mPosition = [](int pMarker, int pFrame) {
        return KVector4(pMarker + 1.0, pFrame + 2.0, 3.0, 1.0);
    };
    return lSet;
}

// Writes pSet over a file holding kOlder: true, or false with the error in oError.
bool WriteOver(const OpticalFormat& pFormat, const std::string& pPath, const MarkerSet& pSet,
               std::string& oError)
{
    WriteOpticalFile(pPath.substr(pPath.find_last_of('/') + 1), kOlder);
    KRyvObjectFactory lFactory;
    std::unique_ptr<KWriter> lWriter = pFormat.mWriter(&lFactory);
    const bool lWritten = WriteMarkerSet(*lWriter, pPath, pSet);
    oError = lWriter->GetError().GetLastErrorString().Buffer();
    return lWritten;
}

} // namespace

TEST(OpticalWritersReadBack, AMarkerNamedEmptyAfterItsLastColonIsRefused)
{
    for (const OpticalFormat& lFormat : kFormats) {
        SCOPED_TRACE(lFormat.mExtension);
        const std::string lPath = OpticalTestPath(std::string("knee.") + lFormat.mExtension);
        std::string lError;
        EXPECT_FALSE(WriteOver(lFormat, lPath, StillMarkers({"Hip", "Knee:"}, 2), lError));
        EXPECT_EQ(
            lError,
            std::string("The name of node \"Knee:\" is empty after its last ':', which the ") +
                lFormat.mName + " format cannot hold");
        EXPECT_EQ(TempFolder::Read(lPath), kOlder);

        // With a name after the colon the file reads back, under that name where it has names.
        ASSERT_TRUE(WriteOver(lFormat, lPath, StillMarkers({"Hip", "Leg:Knee"}, 2), lError))
            << lError;
        OpticalSettingsGuard lSettings;
        OpticalTestScene lBack;
        std::unique_ptr<KReader> lReader = lFormat.mReader(&lBack.mFactory);
        ASSERT_TRUE(lBack.Read(*lReader, lPath))
            << lReader->GetError().GetLastErrorString().Buffer();
        ASSERT_EQ(lBack.MarkerCount(), 2);
        EXPECT_EQ(lBack.MarkerName(1), lFormat.mNamed ? "Knee" : "Marker2");
    }
}

// A C3D header of no point is one its reader refuses ("the header declares no points"); the
// writer used to make it, and to hand fwrite the null storage of each empty frame.
TEST(OpticalWritersReadBack, C3dWithoutMarkersIsRefused)
{
    const std::string lPath = OpticalTestPath("empty.c3d");
    std::string lError;
    EXPECT_FALSE(WriteOver(kFormats[1], lPath, StillMarkers({}, 3), lError));
    EXPECT_EQ(lError, "empty.c3d: no marker to write: the C3D format holds at least one");
    EXPECT_EQ(TempFolder::Read(lPath), kOlder);

    // The file itself: a frame of no point writes nothing, and the header is refused first.
    KC3dFile lFile;
    ASSERT_TRUE(lFile.Create(lPath.c_str()));
    KOpticalMarkerHeader lHeader;
    lHeader.mFrameCount = 3;
    lHeader.mFrameRate = 30.0;
    EXPECT_FALSE(lFile.WriteHeader(lHeader));
    EXPECT_TRUE(lFile.WriteFrame(nullptr, 0, KTime(), 1));
    lFile.Discard();
    EXPECT_EQ(TempFolder::Read(lPath), kOlder);
}

TEST(OpticalWritersReadBack, TrcCutInsideItsLastFrameLineIsWarnedAbout)
{
    const std::string lPath = OpticalTestPath("whole.trc");
    std::string lError;
    ASSERT_TRUE(WriteOver(kFormats[0], lPath, StillMarkers({"Hip", "Knee", "Toe"}, 3), lError))
        << lError;
    const std::string lWhole = TempFolder::Read(lPath);
    const std::size_t lLastLine = lWhole.rfind('\n', lWhole.size() - 2) + 1;
    struct Case
    {
        std::size_t mCut;
        bool mWarned;
    };
    // Cut inside the last number, before the last cell, before the first marker's Z and before
    // the line break alone: the reader cannot tell these from a line that ends early, and warns
    // of each; the whole file has no warning.
    const std::string lLast = lWhole.substr(lLastLine);
    const Case kCases[] = {{lWhole.size() - 4, true},
                           {lLastLine + lLast.rfind('\t'), true},
                           {lLastLine + lLast.find("\t30.00000"), true},
                           {lWhole.size() - 1, true},
                           {lWhole.size(), false}};
    for (const Case& lCase : kCases) {
        SCOPED_TRACE(lWhole.substr(lLastLine, lCase.mCut - lLastLine));
        const std::string lCutPath = WriteOpticalFile("cut.trc", lWhole.substr(0, lCase.mCut));
        OpticalSettingsGuard lSettings;
        OpticalTestScene lBack;
        KReaderTrc lReader(&lBack.mFactory);
        ASSERT_TRUE(lBack.Read(lReader, lCutPath))
            << lReader.GetError().GetLastErrorString().Buffer();
        const std::string lWarning = "cut.trc:9: the file ends inside this frame line, without "
                                     "a line break: it may be cut short\n";
        EXPECT_EQ(lReader.GetMessage().Buffer(), lCase.mWarned ? lWarning : std::string());
    }
}
