#ifndef RYVKIT_PLATFORM_VURN_MIMAGE_H
#define RYVKIT_PLATFORM_VURN_MIMAGE_H

#include "platform/vurn/MStatus.h"

#include <vector>

// An image read by the host: RGBA, one byte per channel, row by row. The stand-in decodes no
// file format: it reads the images a test placed in the scene store (VurnScene::mImages) by
// file name and fails for any other file.
class MImage
{
public:
    static constexpr unsigned int kChannels = 4;

    MStatus readFromFile(const MString& pFileName);
    MStatus getSize(unsigned int& oWidth, unsigned int& oHeight) const;
    // Null before a successful read.
    const unsigned char* pixels() const { return mPixels.empty() ? nullptr : mPixels.data(); }

private:
    unsigned int mWidth = 0;
    unsigned int mHeight = 0;
    std::vector<unsigned char> mPixels;
};

#endif
