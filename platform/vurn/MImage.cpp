#include "platform/vurn/MImage.h"

#include "platform/vurn/VurnScene.h"
#include "platform/vurn/VurnStatus.h"

MStatus MImage::readFromFile(const MString& pFileName)
{
    const auto& lImages = VurnScene::Get().mImages;
    const auto lFound = lImages.find(pFileName.str());
    if (lFound == lImages.end() ||
        lFound->second.mPixels.size() !=
            static_cast<size_t>(lFound->second.mWidth) * lFound->second.mHeight * kChannels) {
        return VurnFailure("Unable to read the image file");
    }
    mWidth = lFound->second.mWidth;
    mHeight = lFound->second.mHeight;
    mPixels = lFound->second.mPixels;
    return MStatus();
}

MStatus MImage::getSize(unsigned int& oWidth, unsigned int& oHeight) const
{
    if (mPixels.empty()) {
        return VurnFailure("no image read");
    }
    oWidth = mWidth;
    oHeight = mHeight;
    return MStatus();
}
