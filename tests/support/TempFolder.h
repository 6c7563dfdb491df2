#ifndef RYVKIT_TESTS_SUPPORT_TEMPFOLDER_H
#define RYVKIT_TESTS_SUPPORT_TEMPFOLDER_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// The one temporary-file helper of the tests that still need real files: a folder of its own
// below the system's temporary folder, removed with everything in it when the object goes.
class TempFolder
{
public:
    TempFolder()
    {
        std::string lTemplate = (std::filesystem::temp_directory_path() / "ryvtestXXXXXX").string();
        if (!mkdtemp(lTemplate.data())) {
            // Without a folder of its own a test must not write, nor remove, anything.
            std::abort();
        }
        mPath = lTemplate;
    }
    ~TempFolder()
    {
        std::error_code lError;
        std::filesystem::remove_all(mPath, lError);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return mPath; }
    std::string PathOf(const std::string& pName) const { return mPath + "/" + pName; }
    // Writes pContent byte for byte to pName (folders made as needed); answers its path.
    std::string Write(const std::string& pName, const std::string& pContent) const
    {
        const std::string lPath = PathOf(pName);
        std::filesystem::create_directories(std::filesystem::path(lPath).parent_path());
        std::ofstream lOut(lPath, std::ios::binary | std::ios::trunc);
        lOut.write(pContent.data(), static_cast<std::streamsize>(pContent.size()));
        EXPECT_TRUE(lOut.good()) << lPath;
        return lPath;
    }

    // The whole content of a file; empty when it cannot be read.
    static std::string Read(const std::string& pPath)
    {
        std::ifstream lIn(pPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>());
    }

private:
    std::string mPath;
};

#endif
