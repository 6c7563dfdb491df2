#include "formats/motion/htr/KHtrFile.h"

#include "formats/motion/KStreamOptionsMotion.h"

#include "HtrTestFiles.h"
#include "HtrTestScene.h"

#include <cmath>
#include <string>

namespace {

// Opens pText with a fresh file object and reads its structure.
struct StructureRead
{
    KHtrFile mFile;
    bool mRead = false;

    explicit StructureRead(const std::string& pText)
    {
        mRead = mFile.Open(WriteHtrFile("file.htr", pText).c_str(), "r") && mFile.ReadStructure();
    }
};

// The textbook turn about one axis on column vectors.
KMatrix ColumnTurn(char pAxis, double pDegrees)
{
    const double lA = pDegrees * 3.14159265358979323846 / 180.0;
    const double lC = std::cos(lA);
    const double lS = std::sin(lA);
    KMatrix lM;
    MatrixSetIdentity(lM);
    const int lI = pAxis == 'X' ? 1 : (pAxis == 'Y' ? 2 : 0);
    const int lJ = pAxis == 'X' ? 2 : (pAxis == 'Y' ? 0 : 1);
    lM[lI][lI] = lC;
    lM[lI][lJ] = -lS;
    lM[lJ][lI] = lS;
    lM[lJ][lJ] = lC;
    return lM;
}

KMatrix ColumnProduct(const KMatrix& pA, const KMatrix& pB)
{
    KMatrix lM;
    MatrixSetIdentity(lM);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            lM[i][j] = pA[i][0] * pB[0][j] + pA[i][1] * pB[1][j] + pA[i][2] * pB[2][j];
        }
    }
    return lM;
}

double MaxRotationDifference(const KMatrix& pA, const KMatrix& pB)
{
    double lMax = 0.0;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            lMax = std::max(lMax, std::fabs(pA[i][j] - pB[i][j]));
        }
    }
    return lMax;
}

TEST(KHtrFile, EveryOrderWordIsTheProductOfItsSingleAxisTurns)
{
    // "YXZ" with X 10, Y 20, Z 30 is Ry(20) * Rx(10) * Rz(30) on column vectors; the kit's
    // row-vector matrix is its transpose. The words also give the ordered-conversion indexes.
    const char* const kWords[6] = {"ZYX", "YXZ", "XZY", "ZXY", "YZX", "XYZ"};
    const int kIndexes[6] = {0, 8, 4, 6, 2, 10};
    const double kAngles[3] = {10.0, 20.0, 30.0};
    for (int w = 0; w < 6; ++w) {
        StructureRead lRead(Replaced(kHtrArm, "EulerRotationOrder XYZ",
                                     std::string("EulerRotationOrder ") + kWords[w]));
        ASSERT_TRUE(lRead.mRead) << kWords[w] << ": " << lRead.mFile.GetLastError();
        EXPECT_EQ(lRead.mFile.GetRotationOrderIndex(), kIndexes[w]) << kWords[w];
        KMatrix lColumn;
        MatrixSetIdentity(lColumn);
        for (int i = 0; i < 3; ++i) {
            const char lAxis = kWords[w][i];
            lColumn = ColumnProduct(lColumn, ColumnTurn(lAxis, kAngles[lAxis - 'X']));
        }
        KMatrix lExpected;
        MatrixSetIdentity(lExpected);
        MatrixTranspose3x3(lExpected, lColumn);
        EXPECT_LT(MaxRotationDifference(lRead.mFile.FrameRotation(kAngles), lExpected), 1e-12)
            << kWords[w];
    }
}

TEST(KHtrFile, ZyxIsTheKitsEulerXyz)
{
    StructureRead lRead(Replaced(kHtrArm, "EulerRotationOrder XYZ", "EulerRotationOrder ZYX"));
    ASSERT_TRUE(lRead.mRead);
    const double kAngles[3] = {-35.0, 61.0, 147.0};
    KMatrix lKit;
    EulerToMatrixXYZ(lKit, kAngles[0], kAngles[1], kAngles[2]);
    EXPECT_LT(MaxRotationDifference(lRead.mFile.FrameRotation(kAngles), lKit), 1e-12);
}

TEST(KHtrFile, InchesOverAScaleFactorAndRadians)
{
    // 1 inch over a scale factor of 2 is 2.54 / 2 cm; an angle of 1 radian is 57.29577951308232
    // degrees.
    std::string lText = Replaced(kHtrArm, "CalibrationUnits mm", "CalibrationUnits in");
    lText = Replaced(lText, "ScaleFactor 1.0", "ScaleFactor 2");
    lText = Replaced(lText, "RotationUnits Degrees", "RotationUnits Radians");
    lText = Replaced(lText, "Root\t10\t20\t30\t0\t0\t0\t100", "Root\t1\t0\t0\t1\t0\t0\t4");
    StructureRead lRead(lText);
    ASSERT_TRUE(lRead.mRead) << lRead.mFile.GetLastError();
    const KHtrSegment& lRoot = lRead.mFile.GetSegment(0);
    EXPECT_DOUBLE_EQ(lRoot.mBaseTranslation[0], 2.54 / 2.0);
    EXPECT_DOUBLE_EQ(lRoot.mLength, 4.0 * 2.54 / 2.0);
    KVector4 lAngles;
    MatrixToEulerXYZ(lAngles, lRoot.mBaseRotation);
    EXPECT_NEAR(lAngles[0], 57.29577951308232, 1e-9);
    EXPECT_DOUBLE_EQ(lRead.mFile.GetAngleFactor(), 57.29577951308232);
}

TEST(KHtrFile, CentimetresAndUnknownUnitsKeepTheUnit)
{
    StructureRead lCentimetres(Replaced(kHtrArm, "CalibrationUnits mm", "CalibrationUnits cm"));
    ASSERT_TRUE(lCentimetres.mRead);
    EXPECT_DOUBLE_EQ(lCentimetres.mFile.GetSegment(0).mBaseTranslation[1], 20.0);
    // An unknown unit is a warning: millimetres stay.
    StructureRead lUnknown(Replaced(kHtrArm, "CalibrationUnits mm", "CalibrationUnits furlong"));
    ASSERT_TRUE(lUnknown.mRead) << lUnknown.mFile.GetLastError();
    EXPECT_DOUBLE_EQ(lUnknown.mFile.GetLengthFactor(), 0.1);
}

TEST(KHtrFile, SeveralKeysOnOneLine)
{
    std::string lText =
        Replaced(kHtrArm, "NumSegments 2\nNumFrames 2\n", "NumSegments 2 NumFrames 7\n");
    lText = Replaced(lText, "FileType htr\nDataType HTRS\n", "FileType htr DataType HTRS\n");
    StructureRead lRead(lText);
    ASSERT_TRUE(lRead.mRead) << lRead.mFile.GetLastError();
    EXPECT_EQ(lRead.mFile.GetDeclaredSegmentCount(), 2);
    EXPECT_EQ(lRead.mFile.GetFrameCount(), 7);
}

TEST(KHtrFile, RateIsReadAsTheRealNumberItIs)
{
    // 29.97 stays 29.97 and selects the NTSC mode; ".97" is not taken for another line.
    KHtrFile lFile;
    ASSERT_TRUE(lFile.Open(
        WriteHtrFile("ntsc.htr", Replaced(kHtrArm, "DataFrameRate 30", "DataFrameRate 29.97"))
            .c_str(),
        "r"));
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    ASSERT_TRUE(lFile.ReadHeaderOptions(lOptions.get())) << lFile.GetLastError();
    EXPECT_DOUBLE_EQ(lFile.GetFrameRate(), 29.97);
    EXPECT_DOUBLE_EQ(lOptions->GetFrameRate(), 29.97);
    EXPECT_NE(lOptions->GetTimeMode(), 0);
    EXPECT_EQ(lOptions->GetFramePeriod(), KTime(KTime::kTicksPerSecond * 1001 / 30000));
    EXPECT_EQ(lOptions->GetFrameCount(), 2);
    EXPECT_EQ(lOptions->GetOption(KHtrFile::kOptionReferenceNode), 1);
}

TEST(KHtrFile, HeaderOptionsNeedAHeaderFirst)
{
    KHtrFile lFile;
    ASSERT_TRUE(
        lFile.Open(WriteHtrFile("late.htr", "[SegmentNames&Hierarchy]\n[Header]\n").c_str(), "r"));
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    EXPECT_FALSE(lFile.ReadHeaderOptions(lOptions.get()));
    EXPECT_NE(lFile.GetLastError().find("Header not found"), std::string::npos);
    EXPECT_FALSE(lFile.ReadHeaderOptions(nullptr));
}

TEST(KHtrFile, SegmentNamedLikeASectionAndLongestName)
{
    // A segment named "Header" has the frame title "[Header]", which must not re-enter the
    // header; a name of the full 255 characters has a 257-character frame title.
    const std::string lLong(KHtrFile::kMaxNameLength, 'n');
    std::string lText = kHtrArm;
    for (const char* lFrom : {"Root\t", "[Root]", "\tRoot\n"}) {
        const std::string lTo = Replaced(lFrom, "Root", "Header");
        while (lText.find(lFrom) != std::string::npos) {
            lText = Replaced(lText, lFrom, lTo);
        }
    }
    for (const char* lFrom : {"Arm\t", "[Arm]"}) {
        lText = Replaced(lText, lFrom, Replaced(lFrom, "Arm", lLong));
        lText = Replaced(lText, lFrom, Replaced(lFrom, "Arm", lLong));
    }
    HtrSettingsGuard lSettings;
    HtrTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteHtrFile("names.htr", lText)))
        << lTest.mReader.GetMessage().Buffer();
    EXPECT_NE(lTest.Find("Header"), nullptr);
    ASSERT_NE(lTest.Find(lLong.c_str()), nullptr);
    EXPECT_EQ(lTest.Find(lLong.c_str())->GetParent(), lTest.Find("Header"));
}

struct BadStructure
{
    const char* mLabel;
    const char* mFrom;
    const char* mTo;
    const char* mError;
};

const BadStructure kBadStructures[] = {
    {"no segments", "NumSegments 2", "NumSegments 0", "Bad segment count"},
    {"negative segments", "NumSegments 2", "NumSegments -4", "Bad segment count"},
    {"segment count missing", "NumSegments 2", "NumSegments two", "Can't read segment count"},
    {"more segments declared", "NumSegments 2", "NumSegments 3", "Bad segment count"},
    {"negative frames", "NumFrames 2", "NumFrames -1", "Bad frame count"},
    {"frame count missing", "NumFrames 2", "NumFrames", "Can't read frame count"},
    {"zero rate", "DataFrameRate 30", "DataFrameRate 0", "Bad data frame rate"},
    {"negative rate", "DataFrameRate 30", "DataFrameRate -30", "Bad data frame rate"},
    {"infinite rate", "DataFrameRate 30", "DataFrameRate inf", "Bad data frame rate"},
    {"rate missing", "DataFrameRate 30", "DataFrameRate x", "Can't read data frame rate"},
    {"zero scale", "ScaleFactor 1.0", "ScaleFactor 0", "Bad scale factor"},
    {"negative scale", "ScaleFactor 1.0", "ScaleFactor -2", "Bad scale factor"},
    {"scale missing", "ScaleFactor 1.0", "ScaleFactor one", "Can't read scale factor"},
    {"file type", "FileType htr", "FileType bvh", "Unknown file type"},
    {"data type", "DataType HTRS", "DataType HTRQ", "Unknown data type"},
    {"order word", "EulerRotationOrder XYZ", "EulerRotationOrder XXY",
     "Unknown euler rotation order"},
    {"rotation units", "RotationUnits Degrees", "RotationUnits Grads", "Unknown rotation units"},
    {"bone axis", "BoneLengthAxis Y", "BoneLengthAxis W", "Unknown bone length axis"},
    {"no header", "[Header]", "[Headers]", "Header not found"},
    {"no hierarchy", "[SegmentNames&Hierarchy]", "[Hierarchy]", "Hierarchy not found"},
    {"end before bases", "[BasePosition]", "[EndOfFile]", "Animation data not found"},
    {"self parent", "Arm\tRoot\n", "Arm\tArm\n", "its own parent"},
    {"unknown parent", "Arm\tRoot\n", "Arm\tNobody\n",
     "segment \"Arm\" names the parent \"Nobody\", which no segment bears"},
    {"unknown parent of the first root", "Root\tGLOBAL\nArm\tRoot\n", "Root\tNobody\nArm\tGLOBAL\n",
     "segment \"Root\" names the parent \"Nobody\", which no segment bears"},
    {"two roots", "Arm\tRoot\n", "Arm\tGLOBAL\n", "two root segments: \"Root\" and \"Arm\""},
    {"no parent name", "Arm\tRoot\n", "Arm\n", "Can't read parent name"},
    {"bases out of order", "Root\t10\t20\t30\t0\t0\t0\t100\nArm\t0\t100\t0\t0\t0\t0\t50\n",
     "Arm\t0\t100\t0\t0\t0\t0\t50\nRoot\t10\t20\t30\t0\t0\t0\t100\n", "out of hierarchy order"},
    {"base translation", "Arm\t0\t100\t0\t0", "Arm\t0\tx\t0\t0",
     "Can't read segment base translation"},
    {"base rotation", "Arm\t0\t100\t0\t0\t0\t0\t50", "Arm\t0\t100\t0\t0\t0",
     "Can't read segment base rotation"},
    {"base length", "Arm\t0\t100\t0\t0\t0\t0\t50", "Arm\t0\t100\t0\t0\t0\t0",
     "Can't read segment length"},
};

TEST(KHtrFile, BadStructuresAreRefusedWithTheirCause)
{
    for (const BadStructure& lCase : kBadStructures) {
        const std::string lText = Replaced(kHtrArm, lCase.mFrom, lCase.mTo);
        ASSERT_NE(lText, kHtrArm) << lCase.mLabel;
        StructureRead lRead(lText);
        EXPECT_FALSE(lRead.mRead) << lCase.mLabel;
        EXPECT_NE(lRead.mFile.GetLastError().find(lCase.mError), std::string::npos)
            << lCase.mLabel << ": " << lRead.mFile.GetLastError();
        EXPECT_EQ(lRead.mFile.GetSegmentCount(), 0) << lCase.mLabel;
    }
}

TEST(KHtrFile, EndOfFileAmongTheBasePositions)
{
    const std::string lText = kHtrArm;
    StructureRead lRead(lText.substr(0, lText.find("Arm\t0\t100")));
    EXPECT_FALSE(lRead.mRead);
    EXPECT_NE(lRead.mFile.GetLastError().find("Unexpected end of file"), std::string::npos)
        << lRead.mFile.GetLastError();
}

TEST(KHtrFile, CyclesAndOverlongNamesAreRefused)
{
    // Three segments whose parents go round in a circle, beside a proper root.
    const std::string lCycle =
        "[Header]\nNumSegments 4\nNumFrames 0\n[SegmentNames&Hierarchy]\nRoot GLOBAL\nA C\nB A\n"
        "C B\n[BasePosition]\nRoot 0 0 0 0 0 0 1\nA 0 0 0 0 0 0 1\nB 0 0 0 0 0 0 1\n"
        "C 0 0 0 0 0 0 1\n[Root]\n[EndOfFile]\n";
    StructureRead lRead(lCycle);
    EXPECT_FALSE(lRead.mRead);
    EXPECT_NE(lRead.mFile.GetLastError().find("cycle"), std::string::npos)
        << lRead.mFile.GetLastError();

    const std::string lName(300, 'x');
    StructureRead lLong(Replaced(kHtrArm, "Arm\tRoot", lName + "\tRoot"));
    EXPECT_FALSE(lLong.mRead);
    EXPECT_NE(lLong.mFile.GetLastError().find("segment name longer than 255"), std::string::npos)
        << lLong.mFile.GetLastError();
}

TEST(KHtrFile, ChainsDeeperThanTheCapAreRefused)
{
    const int lCount = KHtrFile::kMaxDepth + 2;
    std::string lText = "[Header]\nNumSegments " + std::to_string(lCount) +
                        "\nNumFrames 0\n[SegmentNames&Hierarchy]\nS0 GLOBAL\n";
    std::string lBases = "[BasePosition]\n";
    for (int i = 0; i < lCount; ++i) {
        if (i > 0) {
            lText += "S" + std::to_string(i) + " S" + std::to_string(i - 1) + "\n";
        }
        lBases += "S" + std::to_string(i) + " 0 1 0 0 0 0 1\n";
    }
    StructureRead lRead(lText + lBases + "[EndOfFile]\n");
    EXPECT_FALSE(lRead.mRead);
    EXPECT_NE(lRead.mFile.GetLastError().find("deeper than"), std::string::npos)
        << lRead.mFile.GetLastError();
}

TEST(KHtrFile, WritesTheLinesOfTheFormat)
{
    const std::string lPath = WriteHtrFile("written.htr", "");
    KHtrFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "w"));
    EXPECT_TRUE(lFile.WriteHeader(2, 1, 29.97));
    EXPECT_TRUE(lFile.WriteHierarchyTitle());
    EXPECT_TRUE(lFile.WriteHierarchyLine("Hips", nullptr));
    EXPECT_TRUE(lFile.WriteHierarchyLine("Leg", "Hips"));
    EXPECT_TRUE(lFile.WriteBaseTitle());
    EXPECT_TRUE(lFile.WriteBaseLine("Hips", 1.5, -0.0, 2, 0, 90, 0, 120));
    EXPECT_TRUE(lFile.WriteFrameTitle("Hips"));
    EXPECT_TRUE(lFile.WriteFrameLine(1, 0.25, 1e-7, -3, 10, 20, 30));
    EXPECT_TRUE(lFile.WriteEnd());
    // Values the format cannot hold are refused and write nothing.
    EXPECT_FALSE(lFile.WriteFrameLine(2, NAN, 0, 0, 0, 0, 0));
    EXPECT_FALSE(lFile.WriteHierarchyLine("two words", "Hips"));
    EXPECT_FALSE(lFile.WriteFrameTitle("#comment"));
    EXPECT_FALSE(lFile.WriteBaseLine("[Header]", 0, 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(lFile.WriteHeader(0, 1, 30.0));
    ASSERT_TRUE(lFile.Close());
    EXPECT_EQ(TempFolder::Read(lPath),
              "[Header]\nFileType HTR\nDataType HTRS\nFileVersion 1\nNumSegments 2\nNumFrames 1\n"
              "DataFrameRate 29.97\nEulerRotationOrder ZYX\nCalibrationUnits mm\n"
              "RotationUnits Degrees\nGlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n"
              "[SegmentNames&Hierarchy]\nHips\tGLOBAL\nLeg\tHips\n[BasePosition]\n"
              "Hips\t1.5\t0\t2\t0\t90\t0\t120\n[Hips]\n1\t0.25\t1e-07\t-3\t10\t20\t30\t1.0\n"
              "[EndOfFile]\n");
}

TEST(KHtrFile, RatesAreWrittenWithTheDigitsThatGiveThemBack)
{
    struct Rate
    {
        double mRate;
        const char* mText;
    };
    const Rate kRates[] = {{30.0, "DataFrameRate 30\n"},
                           {30000.0 / 1001.0, "DataFrameRate 29.97\n"},
                           {24000.0 / 1001.0, "DataFrameRate 23.976\n"},
                           {12.5, "DataFrameRate 12.5\n"},
                           {1.0 / 0.0123, "DataFrameRate 81.30081300813008\n"}};
    for (const Rate& lRate : kRates) {
        const std::string lPath = WriteHtrFile("rate.htr", "");
        KHtrFile lFile;
        ASSERT_TRUE(lFile.Open(lPath.c_str(), "w"));
        ASSERT_TRUE(lFile.WriteHeader(1, 0, lRate.mRate));
        ASSERT_TRUE(lFile.Close());
        EXPECT_NE(TempFolder::Read(lPath).find(lRate.mText), std::string::npos) << lRate.mText;
    }
}

} // namespace
