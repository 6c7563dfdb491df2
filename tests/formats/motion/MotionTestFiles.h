#ifndef RYVKIT_TESTS_MOTION_MOTIONTESTFILES_H
#define RYVKIT_TESTS_MOTION_MOTIONTESTFILES_H

#include <gtest/gtest.h>

#include <fstream>
#include <string>

// Writes pContent byte for byte to a file of the test temp folder and answers its path.
inline std::string WriteTestFile(const std::string& pName, const std::string& pContent)
{
    const std::string lPath = testing::TempDir() + "ryv_motion_" + pName;
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
