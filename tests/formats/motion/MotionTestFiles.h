#ifndef RYVKIT_TESTS_MOTION_MOTIONTESTFILES_H
#define RYVKIT_TESTS_MOTION_MOTIONTESTFILES_H

#include "tests/support/TempFolder.h"

#include <string>
#include <unistd.h>

// The folder of this test process; names keep a prefix that the expected messages show.
inline std::string MotionTestPath(const std::string& pName)
{
    static const TempFolder sFolder;
    return sFolder.PathOf("ryv_motion_" + pName);
}

// Writes pContent byte for byte to a file of the folder and answers its path.
inline std::string WriteTestFile(const std::string& pName, const std::string& pContent)
{
    const std::string lPath = MotionTestPath(pName);
    std::ofstream lOut(lPath, std::ios::binary | std::ios::trunc);
    lOut.write(pContent.data(), static_cast<std::streamsize>(pContent.size()));
    return lPath;
}

inline std::string ReadTestFile(const std::string& pPath)
{
    return TempFolder::Read(pPath);
}

#endif
