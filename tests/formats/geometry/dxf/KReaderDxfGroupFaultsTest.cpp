#include "tests/formats/geometry/dxf/DxfTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Groups read the same whatever derivation walks them.
constexpr int kChoices[] = {KStreamOptionsDxf::kChoiceLayer, KStreamOptionsDxf::kChoiceBlock,
                            KStreamOptionsDxf::kChoiceEntity};

std::string Quad(const std::string& pLayer)
{
    return Face(pLayer, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
}

// A group at fault refuses the file wherever it stands: in a part the reader steps over, after
// an ENDBLK that ends the entities early, in a second entities section, after "EOF". The reason
// names the first fault's line, and warnings about what came before are not given.
TEST(KReaderDxf, AGroupAtFaultAnywhereRefusesTheFileWithItsLine)
{
    const std::string lWarned = Groups({{0, "CIRCLE"}, {8, "0"}});
    const std::string lBad = "x7\nbad\n";
    const std::string lHeader = Section("HEADER", Groups({{9, "$ACADVER"}, {1, "AC1009"}}));
    struct Case
    {
        std::string mText;
        long long mLine;
    };
    const Case lCases[] = {
        // Two lines a group: 4 for a section's start, 10 for the header, 4 for the circle, 28 for
        // the quad.
        {Groups({{0, "SECTION"}, {2, "ENTITIES"}}) + lWarned + Quad("a") + lBad + Quad("b") +
             Groups({{0, "ENDSEC"}, {0, "EOF"}}),
         37},
        {lHeader + Groups({{0, "SECTION"}, {2, "ENTITIES"}}) + lWarned + Groups({{0, "ENDBLK"}}) +
             lBad + Groups({{0, "ENDSEC"}, {0, "EOF"}}),
         21},
        {Section("ENTITIES", lWarned + Quad("a")) + Section("ENTITIES", lBad) +
             Groups({{0, "EOF"}}),
         43},
        {Section("ENTITIES", lWarned + Quad("a")) + Groups({{0, "EOF"}}) + lBad, 41},
        {Section("ENTITIES", Quad("a")) + Groups({{0, "EOF"}}) + "0\nnot the end\n\nx\n", 39},
        {Section("ENTITIES", Quad("a")) + Groups({{0, "EOF"}, {0, "tail"}}) + "0\n", 39},
    };
    for (const Case& lCase : lCases) {
        for (int lChoice : kChoices) {
            DxfRead lRead("fault.dxf", lChoice, true, true, &lCase.mText);
            EXPECT_FALSE(lRead.mRead) << lCase.mLine;
            const std::string lLine = "fault.dxf:" + std::to_string(lCase.mLine) + ": group code";
            EXPECT_EQ(lRead.mError.find(lLine), 0u) << lRead.mError;
            EXPECT_EQ(lRead.mMessage.find("CIRCLE"), std::string::npos) << lRead.mMessage;
            EXPECT_EQ(lRead.Root()->GetChildCount(), 0);
        }
    }
}

// Blank lines after the last group are no fault, and the drawing reads whole.
TEST(KReaderDxf, BlankLinesAfterTheLastGroupReadWhole)
{
    const std::string lText =
        Section("ENTITIES", Quad("a")) + Groups({{0, "EOF"}}) + "\n  \r\n\t\n";
    for (int lChoice : kChoices) {
        DxfRead lRead("blank.dxf", lChoice, false, true, &lText);
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        ASSERT_NE(lRead.MeshOf(0), nullptr);
        EXPECT_EQ(lRead.MeshOf(0)->GetPolygonCount(), 1);
    }
}

} // namespace
