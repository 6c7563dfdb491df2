#include "scene/objects/KRyvThumbnail.h"

void KRyvThumbnail::SetDataFormat(int pFormat)
{
    if (pFormat == mDataFormat) {
        return;
    }
    mDataFormat = pFormat;
    // The length follows the format too: a buffer of the old length would be read past its end
    // by a caller trusting GetSizeInBytes.
    MakeBuffer();
}

void KRyvThumbnail::SetSize(int pSize)
{
    mSize = pSize;
    MakeBuffer();
}

int KRyvThumbnail::GetSizeInBytes() const
{
    if (mSize != e64x64 && mSize != e128x128) {
        return 0;
    }
    int lBytesPerPixel = 0;
    if (mDataFormat == eRGB_24) {
        lBytesPerPixel = 3;
    } else if (mDataFormat == eRGBA_32) {
        lBytesPerPixel = 4;
    }
    return mSize * mSize * lBytesPerPixel;
}

std::uint8_t* KRyvThumbnail::GetThumbnailImage()
{
    return mImage.empty() ? nullptr : mImage.data();
}

const std::uint8_t* KRyvThumbnail::GetThumbnailImage() const
{
    return mImage.empty() ? nullptr : mImage.data();
}

void KRyvThumbnail::MakeBuffer()
{
    std::vector<std::uint8_t>().swap(mImage);
    mImage.assign(static_cast<std::size_t>(GetSizeInBytes()), 0);
}
