// The six-degree-of-freedom table writers (BRD, MOV, VPM) never report success for a file their
// own reader refuses: each write either reads back through the format's reader, or fails with a
// message naming the cause and leaves the file that was there.
#include "formats/motion/brd/KReaderBrd.h"
#include "formats/motion/brd/KWriterBrd.h"
#include "formats/motion/mov/KReaderMov.h"
#include "formats/motion/mov/KWriterMov.h"
#include "formats/motion/vpm/KReaderVpm.h"
#include "formats/motion/vpm/KWriterVpm.h"
#include "scene/objects/KRyvMarker.h"

#include "MotionTableTestScene.h"

#include <functional>
#include <string>

namespace {

struct TableFormat
{
    const char* mExtension;
    std::function<std::unique_ptr<KWriter>(KRyvObjectFactory*)> mWriter;
    std::function<std::unique_ptr<KReader>(KRyvObjectFactory*)> mReader;
};

const TableFormat kFormats[] = {{"brd", KWriterBrd::Create, KReaderBrd::Create},
                                {"mov", KWriterMov::Create, KReaderMov::Create},
                                {"vpm", KWriterVpm::Create, KReaderVpm::Create}};

const char* const kOlder = "an older file\n";

// Root - Rig - the named markers, standing still.
struct NamedRig : TableRig
{
    explicit NamedRig(const std::vector<std::string>& pNames)
    {
        for (const std::string& lName : pNames) {
            AddTableMarker(mFactory, mRig, lName.c_str())->SetLclTranslation(KVector4(1, 2, 3));
        }
    }
};

// What became of one write over a file holding kOlder.
struct Outcome
{
    bool mWritten = false;
    std::string mError;
    bool mReadBack = false;
    std::string mReadError;
    std::string mFileText;
};

// Writes pRig's scene with the writer's options as pAdjust leaves them, then reads the file back
// with the reader's own options when the write succeeded.
Outcome WriteAndRead(const TableFormat& pFormat, NamedRig& ioRig,
                     const std::function<void(KStreamOptionsMotion&)>& pAdjust)
{
    Outcome lOutcome;
    const std::string lPath = WriteTableFile(std::string("out.") + pFormat.mExtension, kOlder);
    std::unique_ptr<KWriter> lWriter = pFormat.mWriter(&ioRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(*lWriter, 3, 30.0);
    pAdjust(*lOptions);
    lOutcome.mWritten = WriteTableScene(ioRig.mScene, lPath, lOptions.get(), *lWriter);
    lOutcome.mError = lWriter->GetError().GetLastErrorString().Buffer();
    lWriter.reset();
    lOutcome.mFileText = ReadTableFile(lPath);
    if (lOutcome.mWritten) {
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = lFactory.CreateScene();
        std::unique_ptr<KReader> lReader = pFormat.mReader(&lFactory);
        std::unique_ptr<KStreamOptions> lRead;
        lOutcome.mReadBack = lReader->FileOpen(lPath.c_str()) &&
                             (lRead = lReader->GetReadOptions()) != nullptr &&
                             lReader->Read(lScene, lRead.get());
        lOutcome.mReadError = lReader->GetError().GetLastErrorString().Buffer();
    }
    return lOutcome;
}

// Either the file reads back, or the write failed with an error holding pCause and the older
// file stayed.
void ExpectReadBackOrRefused(const Outcome& pOutcome, const std::string& pCause)
{
    if (pOutcome.mWritten) {
        EXPECT_TRUE(pOutcome.mReadBack) << pOutcome.mReadError;
        return;
    }
    EXPECT_NE(pOutcome.mError.find(pCause), std::string::npos) << pOutcome.mError;
    EXPECT_EQ(pOutcome.mFileText, kOlder);
}

} // namespace

TEST(TableWritersReadBack, NoFramesToWrite)
{
    for (const TableFormat& lFormat : kFormats) {
        SCOPED_TRACE(lFormat.mExtension);
        NamedRig lRig({"Hand", "Foot"});
        const Outcome lOutcome = WriteAndRead(
            lFormat, lRig, [](KStreamOptionsMotion& pOptions) { pOptions.SetFrameCount(0); });
        ExpectReadBackOrRefused(lOutcome, "No frames to write");
        // BRD and MOV files of no line are no files of their formats.
        if (std::string(lFormat.mExtension) != "vpm") {
            EXPECT_FALSE(lOutcome.mWritten);
        }
    }
}

TEST(TableWritersReadBack, TimesBeyondWhatTheReadersTake)
{
    struct Case
    {
        double mStart;
        double mRate;
        // The refusal of BRD, whose reader takes no sample beyond 1e8 s, and of MOV, whose
        // reader takes no first time beyond; empty: the file is written. VPM holds no time.
        const char* mBrd;
        const char* mMov;
    };
    const Case kCases[] = {
        {1.5e8, 30.0, "A frame at 150000000 s lies beyond the 1e+08 s the BRD format holds",
         "A frame at 150000000 s lies beyond the 1e+08 s the MOV format holds"},
        {-1.5e8, 30.0, "A frame at -150000000 s lies beyond the 1e+08 s the BRD format holds",
         "A frame at -150000000 s lies beyond the 1e+08 s the MOV format holds"},
        {1.0e8 - 1.0, 0.5, "A frame at 100000003 s lies beyond the 1e+08 s the BRD format holds",
         ""},
        {5.0e7, 30.0, "", ""}};
    for (const TableFormat& lFormat : kFormats) {
        for (const Case& lCase : kCases) {
            SCOPED_TRACE(std::string(lFormat.mExtension) + " " + std::to_string(lCase.mStart));
            const std::string lExtension = lFormat.mExtension;
            const std::string lCause =
                lExtension == "brd" ? lCase.mBrd : (lExtension == "mov" ? lCase.mMov : "");
            NamedRig lRig({"Hand", "Foot"});
            const Outcome lOutcome =
                WriteAndRead(lFormat, lRig, [&lCase](KStreamOptionsMotion& pOptions) {
                    KTime lStart;
                    lStart.SetSecondDouble(lCase.mStart);
                    pOptions.SetStart(lStart);
                    pOptions.SetTimeMode(0, lCase.mRate);
                });
            EXPECT_EQ(lOutcome.mWritten, lCause.empty()) << lOutcome.mError;
            EXPECT_EQ(lOutcome.mError, lCause.empty() ? lOutcome.mError : lCause);
            ExpectReadBackOrRefused(lOutcome, lCause);
        }
    }
}

TEST(TableWritersReadBack, BrdWithNoMarkerSeenAtAnyFrame)
{
    NamedRig lRig({"Hand", "Foot"});
    for (KRyvNode* lNode : {lRig.mRig->GetChild(0), lRig.mRig->GetChild(1)}) {
        KRyvMarker* lMarker = lRig.mFactory.CreateMarker();
        lMarker->SetType(KRyvMarker::eOptical);
        lNode->SetNodeAttribute(lMarker);
        lNode->AddTakeNode("hidden");
        lNode->SetCurrentTakeNode("hidden");
        lNode->GetCurrentTakeNode()->GetOcclusion()->KeyAdd(KTime(), 1.0f);
    }
    const Outcome lHidden = WriteAndRead(kFormats[0], lRig, [](KStreamOptionsMotion& pOptions) {
        pOptions.SetOption(KWriterBrd::kOptionAllVisible, 0);
    });
    EXPECT_FALSE(lHidden.mWritten);
    ExpectReadBackOrRefused(lHidden, "No sample to write: no marker is seen at any frame");

    // Seen once, the file has a line and reads.
    KTime lSecondFrame;
    lSecondFrame.SetSecondDouble(1.0 / 30.0);
    lRig.mRig->GetChild(1)->GetCurrentTakeNode()->GetOcclusion()->KeyAdd(lSecondFrame, 0.0f);
    const Outcome lOnce = WriteAndRead(kFormats[0], lRig, [](KStreamOptionsMotion& pOptions) {
        pOptions.SetOption(KWriterBrd::kOptionAllVisible, 0);
    });
    EXPECT_TRUE(lOnce.mWritten) << lOnce.mError;
    ExpectReadBackOrRefused(lOnce, "");

    NamedRig lEmpty({});
    const Outcome lNone = WriteAndRead(kFormats[0], lEmpty, [](KStreamOptionsMotion&) {});
    EXPECT_FALSE(lNone.mWritten);
    ExpectReadBackOrRefused(lNone, "No sample to write");
}

TEST(TableWritersReadBack, VpmSegmentNamesItsReaderTakes)
{
    const std::string lLongest(KTextFile::kDefaultMaxWord, 'n');
    struct Case
    {
        std::string mName;
        std::string mCause;
    };
    const Case kCases[] = {
        {lLongest, ""},
        {lLongest + "n", "The name of node \"" + lLongest.substr(0, 40) +
                             "...\" is longer than the 1023 characters the VPM format holds"},
        {"Subject:" + lLongest, ""},
        {"Knee:", "The name of node \"Knee:\" is empty after its last ':', which the VPM "
                  "format cannot hold"}};
    for (const Case& lCase : kCases) {
        SCOPED_TRACE(lCase.mName.substr(0, 20));
        NamedRig lRig({"Hand", lCase.mName});
        const Outcome lOutcome = WriteAndRead(kFormats[2], lRig, [](KStreamOptionsMotion&) {});
        EXPECT_EQ(lOutcome.mWritten, lCase.mCause.empty()) << lOutcome.mError;
        EXPECT_EQ(lOutcome.mError, lCase.mCause.empty() ? lOutcome.mError : lCase.mCause);
        ExpectReadBackOrRefused(lOutcome, lCase.mCause);
    }
}
