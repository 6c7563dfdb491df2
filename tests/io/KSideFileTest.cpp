// Where side files go: the output's own folder and name, '/' the one separator; no place beside
// a device, a pipe or a socket.
#include "io/KSideFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace {

TEST(KSideFile, PathsKeepTheOutputsFolderAndName)
{
    const struct
    {
        const char* mOutput;
        const char* mSide;
    } kCases[] = {
        {"walk.amc", "walk.asf"},   {"out/Walk.AMC", "out/Walk.asf"},
        {"/walk.amc", "/walk.asf"}, {"my walk.amc", "my walk.asf"},
        {"a\\b.amc", "a\\b.asf"},   {"dir.amc/take", "dir.amc/take.asf"},
        {"x.bvh", "x.bvh.asf"},     {".amc", ".asf"},
    };
    for (const auto& lCase : kCases) {
        EXPECT_EQ(KSideFile::GetPath(lCase.mOutput, ".amc", ".asf"), lCase.mSide) << lCase.mOutput;
    }
    EXPECT_EQ(KSideFile::GetPathBeside("a\\b.obj", "wood.png"), "wood.png");
    EXPECT_EQ(KSideFile::GetPathBeside("/x.obj", "wood.png"), "/wood.png");
    EXPECT_EQ(KSideFile::GetPathBeside("out/x.obj", "wood.png"), "out/wood.png");
    EXPECT_EQ(KSideFile::GetName("out/a\\b.mtl"), "a\\b.mtl");
}

TEST(KSideFile, DevicesAndPipesHaveNoPlaceBeside)
{
    TempFolder lFolder;
    EXPECT_TRUE(KSideFile::HasPlaceBeside(lFolder.PathOf("missing.obj").c_str()));
    EXPECT_TRUE(KSideFile::HasPlaceBeside(lFolder.Write("file.obj", "x").c_str()));
    EXPECT_TRUE(KSideFile::HasPlaceBeside(lFolder.Path().c_str()));
    EXPECT_FALSE(KSideFile::HasPlaceBeside("/dev/null"));
    std::filesystem::create_symlink("/dev/null", lFolder.PathOf("link.obj"));
    EXPECT_FALSE(KSideFile::HasPlaceBeside(lFolder.PathOf("link.obj").c_str()));
    ASSERT_EQ(mkfifo(lFolder.PathOf("pipe.obj").c_str(), 0600), 0);
    EXPECT_FALSE(KSideFile::HasPlaceBeside(lFolder.PathOf("pipe.obj").c_str()));
}

} // namespace
