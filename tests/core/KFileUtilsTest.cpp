#include "core/KFileUtils.h"
#include "core/KImageConverter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Text(const KString& pText)
{
    return pText.Buffer();
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

std::string ReadLine(std::FILE* pFile, int pSize = 256)
{
    char buffer[256];
    return ReadTextLine(buffer, pSize, pFile) ? std::string(buffer) : std::string("<null>");
}

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

TEST(KFileUtilsTest, FileNameAndDirectory)
{
    EXPECT_EQ(Text(GetFileName("C:\\scenes\\walk.bvh", true)), "walk.bvh");
    EXPECT_EQ(Text(GetFileName("C:\\scenes\\walk.bvh", false)), "walk");
    EXPECT_EQ(Text(GetFileName("/home/u/a.b/walk", false)), "walk");
    EXPECT_EQ(Text(GetFileName("mixed/dir\\run.tar.gz", false)), "run.tar");
    EXPECT_EQ(Text(GetFileName("plain.obj", false)), "plain");
    EXPECT_EQ(Text(GetFileName(".hidden", false)), ".hidden");
    EXPECT_EQ(Text(GetFileName("dir/", true)), "");
    EXPECT_EQ(Text(GetFileName(nullptr, true)), "");

    EXPECT_EQ(Text(GetFileDirectory("/home/u/walk.bvh")), "/home/u");
    EXPECT_EQ(Text(GetFileDirectory("C:\\scenes\\walk.bvh")), "C:\\scenes");
    // The last '/' wins over a later '\\'.
    EXPECT_EQ(Text(GetFileDirectory("a/b\\c.txt")), "a");
    EXPECT_EQ(Text(GetFileDirectory("walk.bvh")), "");
    EXPECT_EQ(Text(GetFileDirectory("/walk.bvh")), "");
    EXPECT_EQ(Text(GetFileDirectory(nullptr)), "");
}

TEST(KFileUtilsTest, ExtensionsAndAbsolutePaths)
{
    EXPECT_EQ(Text(ChangeFileExtension("/a/walk.trc", ".tc")), "/a/walk.tc");
    EXPECT_EQ(Text(ChangeFileExtension("/a/walk.trc", "tc")), "/a/walk.tc");
    EXPECT_EQ(Text(ChangeFileExtension("/a.b/walk", ".tc")), "/a.b/walk.tc");
    EXPECT_EQ(Text(ChangeFileExtension("C:\\a\\walk.trc", "")), "C:\\a\\walk");

    EXPECT_EQ(Text(MakeAbsolutePath("/base", "tex/a.tif")), "/base/tex/a.tif");
    EXPECT_EQ(Text(MakeAbsolutePath("/base/", "a.tif")), "/base/a.tif");
    EXPECT_EQ(Text(MakeAbsolutePath("C:\\base\\", "a.tif")), "C:\\base\\a.tif");
    EXPECT_EQ(Text(MakeAbsolutePath("/base", "C:\\t\\a.tif")), "C:\\t\\a.tif");
    EXPECT_EQ(Text(MakeAbsolutePath("/base", "\\\\server\\a.tif")), "\\\\server\\a.tif");
    EXPECT_EQ(Text(MakeAbsolutePath("/base", "/abs/a.tif")), "/abs/a.tif");
    EXPECT_EQ(Text(MakeAbsolutePath("", "a.tif")), "a.tif");
    EXPECT_EQ(Text(MakeAbsolutePath(nullptr, "a.tif")), "a.tif");
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

TEST(KFileUtilsTest, ReadTextLineEndings)
{
    MemoryFile file("lf\ncrlf\r\nlone\rnext\r\rlast");
    EXPECT_EQ(ReadLine(file.Get()), "lf\n");
    EXPECT_EQ(ReadLine(file.Get()), "crlf\n");
    EXPECT_EQ(ReadLine(file.Get()), "lone\n");
    EXPECT_EQ(ReadLine(file.Get()), "next\n");
    EXPECT_EQ(ReadLine(file.Get()), "\n");
    EXPECT_EQ(ReadLine(file.Get()), "last");
    EXPECT_EQ(ReadLine(file.Get()), "<null>");

    MemoryFile endsInCr("a\r");
    EXPECT_EQ(ReadLine(endsInCr.Get()), "a\n");
    EXPECT_EQ(ReadLine(endsInCr.Get()), "<null>");

    MemoryFile empty("");
    EXPECT_EQ(ReadLine(empty.Get()), "<null>");
}

TEST(KFileUtilsTest, ReadTextLineSizeLimit)
{
    MemoryFile file("abcdefg\nxy\r\nz");
    // Size 4 holds three bytes and the terminator.
    EXPECT_EQ(ReadLine(file.Get(), 4), "abc");
    EXPECT_EQ(ReadLine(file.Get(), 4), "def");
    EXPECT_EQ(ReadLine(file.Get(), 4), "g\n");
    // A CR in the last free byte still takes its LF along.
    EXPECT_EQ(ReadLine(file.Get(), 4), "xy\n");
    EXPECT_EQ(ReadLine(file.Get(), 4), "z");

    // A cut before a CR LF leaves the whole line end to the next call.
    MemoryFile cut("xy\r\nz");
    EXPECT_EQ(ReadLine(cut.Get(), 3), "xy");
    EXPECT_EQ(ReadLine(cut.Get(), 3), "\n");
    EXPECT_EQ(ReadLine(cut.Get(), 3), "z");

    char buffer[4];
    EXPECT_EQ(ReadTextLine(buffer, 1, file.Get()), nullptr);
    EXPECT_EQ(ReadTextLine(nullptr, 4, file.Get()), nullptr);
    EXPECT_EQ(ReadTextLine(buffer, 4, nullptr), nullptr);
}

TEST(KFileUtilsTest, ReadTextLineWithoutLimit)
{
    const std::string longLine(100000, 'x');
    MemoryFile file(longLine + "\r\nb\rc");
    std::string line;
    ASSERT_TRUE(ReadTextLine(line, file.Get()));
    EXPECT_EQ(line, longLine + "\n");
    ASSERT_TRUE(ReadTextLine(line, file.Get()));
    EXPECT_EQ(line, "b\n");
    ASSERT_TRUE(ReadTextLine(line, file.Get()));
    EXPECT_EQ(line, "c");
    EXPECT_FALSE(ReadTextLine(line, file.Get()));
    EXPECT_TRUE(line.empty());
    EXPECT_FALSE(ReadTextLine(line, nullptr));
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
