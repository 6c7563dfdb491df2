#ifndef RYVKIT_CORE_KIMAGE_H
#define RYVKIT_CORE_KIMAGE_H

#include <vector>

// An image being converted: width and height in pixels, channels per pixel (one byte each) and
// the pixels row by row. Empty (0 x 0, no channels) when made.
struct KImage
{
    int mWidth = 0;
    int mHeight = 0;
    int mChannels = 0;
    std::vector<unsigned char> mPixels;
};

#endif
