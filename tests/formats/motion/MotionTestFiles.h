#ifndef RYVKIT_TESTS_MOTION_MOTIONTESTFILES_H
#define RYVKIT_TESTS_MOTION_MOTIONTESTFILES_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// Writes pContent byte for byte to a file of the test temp folder and answers its path.
inline std::string WriteTestFile(const std::string& pName, const std::string& pContent)
{
    // A folder of this process's own, removed at exit: test programs of several builds run at
    // once on one machine and would otherwise rewrite each other's files.
    static const struct Folder
    {
        std::filesystem::path mPath =
            std::filesystem::path(testing::TempDir()) / ("ryv_motion_" + std::to_string(getpid()));
        Folder() { std::filesystem::create_directories(mPath); }
        ~Folder()
        {
            std::error_code lIgnored;
            std::filesystem::remove_all(mPath, lIgnored);
        }
    } sFolder;
    const std::string lPath = (sFolder.mPath / ("ryv_motion_" + pName)).string();
    std::ofstream lOut(lPath, std::ios::binary | std::ios::trunc);
    lOut.write(pContent.data(), static_cast<std::streamsize>(pContent.size()));
    return lPath;
}

inline std::string ReadTestFile(const std::string& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>());
}

#endif
