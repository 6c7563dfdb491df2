#include "core/KFileUtils.h"
#include "core/KImageConverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The texts joined by '|'.
std::string Join(std::initializer_list<KString> pTexts)
{
    std::string lJoined;
    for (const KString& lText : pTexts) {
        lJoined += std::string(lText.Buffer()) + "|";
    }
    return lJoined.substr(0, lJoined.size() - 1);
}

// A file stream over given bytes.
class MemoryFile
{
public:
    explicit MemoryFile(const std::string& pBytes) : mFile(std::tmpfile())
    {
        std::fwrite(pBytes.data(), 1, pBytes.size(), mFile);
        std::rewind(mFile);
    }
    ~MemoryFile() { std::fclose(mFile); }
    std::FILE* Get() const { return mFile; }

private:
    std::FILE* mFile;
};

class TempFolder
{
public:
    TempFolder()
    {
        char pattern[] = "/tmp/ryvfileXXXXXX";
        mPath = mkdtemp(pattern) ? pattern : "";
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

bool IsFolder(const std::string& pPath)
{
    struct stat info;
    return stat(pPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

TEST(KFileUtilsTest, NamesDirectoriesExtensionsAndAbsolutePaths)
{
    EXPECT_EQ(
        Join({GetFileName("C:\\scenes\\walk.bvh", true), GetFileName("C:\\s\\walk.bvh", false),
              GetFileName("/home/u/a.b/walk", false), GetFileName("mixed/dir\\run.tar.gz", false),
              GetFileName("plain.obj", false), GetFileName(".hidden", false),
              GetFileName("dir/", true), GetFileName(nullptr, true)}),
        "walk.bvh|walk|walk|run.tar|plain|.hidden||");
    // The last '/' wins over a later '\\'.
    EXPECT_EQ(Join({GetFileDirectory("/home/u/walk.bvh"), GetFileDirectory("C:\\scenes\\walk.bvh"),
                    GetFileDirectory("a/b\\c.txt"), GetFileDirectory("walk.bvh"),
                    GetFileDirectory("/walk.bvh"), GetFileDirectory(nullptr)}),
              "/home/u|C:\\scenes|a|||");
    EXPECT_EQ(
        Join({ChangeFileExtension("/a/walk.trc", ".tc"), ChangeFileExtension("/a/walk.trc", "tc"),
              ChangeFileExtension("/a.b/walk", ".tc"), ChangeFileExtension("C:\\a\\w.trc", "")}),
        "/a/walk.tc|/a/walk.tc|/a.b/walk.tc|C:\\a\\w");
    EXPECT_EQ(
        Join({MakeAbsolutePath("/base", "tex/a.tif"), MakeAbsolutePath("/base/", "a.tif"),
              MakeAbsolutePath("C:\\base\\", "a.tif"), MakeAbsolutePath("/b", "C:\\t\\a.tif"),
              MakeAbsolutePath("/b", "\\\\server\\a.tif"), MakeAbsolutePath("/b", "/abs/a.tif"),
              MakeAbsolutePath("", "a.tif"), MakeAbsolutePath(nullptr, "a.tif")}),
        "/base/tex/a.tif|/base/a.tif|C:\\base\\a.tif|C:\\t\\a.tif|\\\\server\\a.tif|/abs/a.tif|"
        "a.tif|a.tif");
}

TEST(KFileUtilsTest, FoldersAndExistence)
{
    TempFolder temp;
    ASSERT_FALSE(temp.Path().empty());
    const std::string file = temp.Path() + "/one/two//three/file.txt";
    EXPECT_FALSE(FileExists(file.c_str()));
    ASSERT_TRUE(CreateFileFolders(file.c_str()));
    EXPECT_TRUE(IsFolder(temp.Path() + "/one/two/three"));
    // The file name itself is not made a folder.
    EXPECT_FALSE(IsFolder(file));
    // Existing folders are fine.
    EXPECT_TRUE(CreateFileFolders(file.c_str()));

    std::FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fclose(out);
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));

    // A file in the way of a folder makes it fail.
    EXPECT_FALSE(CreateFileFolders((file + "/inner/x.txt").c_str()));
    EXPECT_TRUE(CreateFileFolders("nofolder.txt"));
}

TEST(KFileUtilsTest, SameFileThroughOtherNames)
{
    TempFolder temp;
    const std::string file = temp.Path() + "/a.txt";
    std::fclose(std::fopen(file.c_str(), "wb"));
    std::fclose(std::fopen((temp.Path() + "/b.txt").c_str(), "wb"));
    ASSERT_EQ(symlink("a.txt", (temp.Path() + "/link.txt").c_str()), 0);
    ASSERT_EQ(link(file.c_str(), (temp.Path() + "/hard.txt").c_str()), 0);
    const struct
    {
        std::string mOther;
        bool mSame;
    } kCases[] = {{file, true},
                  {temp.Path() + "/./a.txt", true},
                  {temp.Path() + "/link.txt", true},
                  {temp.Path() + "/hard.txt", true},
                  {temp.Path() + "/b.txt", false},
                  {temp.Path() + "/missing.txt", false}};
    for (const auto& lCase : kCases) {
        EXPECT_EQ(IsSameFile(file.c_str(), lCase.mOther.c_str()), lCase.mSame) << lCase.mOther;
    }
    EXPECT_FALSE(IsSameFile(nullptr, file.c_str()));
}

// Every line ReadTextLine gives with buffers of pSize bytes, each followed by '|'; line ends
// show as '$'.
std::string Lines(const std::string& pBytes, int pSize)
{
    MemoryFile lFile(pBytes);
    std::string lLines;
    char lBuffer[256];
    while (ReadTextLine(lBuffer, pSize, lFile.Get())) {
        lLines += lBuffer + std::string("|");
    }
    std::replace(lLines.begin(), lLines.end(), '\n', '$');
    return lLines;
}

TEST(KFileUtilsTest, ReadTextLineEndingsAndSizeLimit)
{
    EXPECT_EQ(Lines("lf\ncrlf\r\nlone\rnext\r\rlast", 256), "lf$|crlf$|lone$|next$|$|last|");
    EXPECT_EQ(Lines("a\r", 256), "a$|");
    EXPECT_EQ(Lines("", 256), "");
    // Size 4 holds three bytes and the terminator; a CR in the last free byte still takes its LF
    // along, and a cut before a CR LF leaves the whole line end to the next call.
    EXPECT_EQ(Lines("abcdefg\nxy\r\nz", 4), "abc|def|g$|xy$|z|");
    EXPECT_EQ(Lines("xy\r\nz", 3), "xy|$|z|");
    MemoryFile lFile("abc");
    char lBuffer[4];
    EXPECT_EQ(ReadTextLine(lBuffer, 1, lFile.Get()), nullptr);
    EXPECT_EQ(ReadTextLine(nullptr, 4, lFile.Get()), nullptr);
    EXPECT_EQ(ReadTextLine(lBuffer, 4, nullptr), nullptr);

    const std::string lLong(100000, 'x');
    MemoryFile lLongFile(lLong + "\r\nb\rc");
    std::string lLine;
    ASSERT_TRUE(ReadTextLine(lLine, lLongFile.Get()));
    EXPECT_EQ(lLine, lLong + "\n");
    ASSERT_TRUE(ReadTextLine(lLine, lLongFile.Get()));
    EXPECT_EQ(lLine, "b\n");
    ASSERT_TRUE(ReadTextLine(lLine, lLongFile.Get()));
    EXPECT_EQ(lLine, "c");
    EXPECT_FALSE(ReadTextLine(lLine, lLongFile.Get()));
    EXPECT_TRUE(lLine.empty());
    EXPECT_FALSE(ReadTextLine(lLine, nullptr));
}

TEST(KImageConverterTest, ReadersByExtension)
{
    KImageConverter converter(nullptr);
    EXPECT_EQ(converter.GetFactory(), nullptr);
    EXPECT_EQ(converter.GetImage().mWidth, 0);
    EXPECT_TRUE(converter.GetImage().mPixels.empty());

    int called = 0;
    const auto reader = [&called](const char*, KImage& oImage) {
        ++called;
        oImage.mWidth = 2;
        return true;
    };
    EXPECT_FALSE(converter.RegisterReader("", reader));
    EXPECT_FALSE(converter.RegisterReader(nullptr, reader));
    EXPECT_FALSE(converter.RegisterReader("tga", nullptr));
    ASSERT_TRUE(converter.RegisterReader("tga", reader));
    ASSERT_TRUE(converter.RegisterReader("TGA", reader));
    EXPECT_EQ(converter.GetReaderCount(), 1);

    const KImageConverter::ReaderFunction* found = converter.FindReader("C:\\tex\\Wall.Tga");
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE((*found)("x", converter.GetImage()));
    EXPECT_EQ(called, 1);
    EXPECT_EQ(converter.GetImage().mWidth, 2);

    EXPECT_EQ(converter.FindReader("/tex.tga/wall"), nullptr);
    EXPECT_EQ(converter.FindReader("wall.tga.png"), nullptr);
    EXPECT_EQ(converter.FindReader("wall."), nullptr);
    EXPECT_EQ(converter.FindReader(nullptr), nullptr);
}
