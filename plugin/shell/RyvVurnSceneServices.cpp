#include "plugin/shell/RyvVurnSceneServices.h"

#include "core/KImageConverter.h"
#include "platform/vurn/MGlobal.h"
#include "platform/vurn/MImage.h"
#include "plugin/shell/RyvVurnObjectFactory.h"
#include "scene/KRyvScene.h"

namespace {
const char* const kHostImageExtensions[] = {"iff", "tif", "tiff", "jpg", "jpeg",
                                            "png", "bmp", "tga",  "gif", "sgi"};

bool ReadHostImage(const char* pFileName, KImage& oImage)
{
    MImage lImage;
    unsigned int lWidth = 0;
    unsigned int lHeight = 0;
    if (!lImage.readFromFile(MString(pFileName)) || !lImage.getSize(lWidth, lHeight)) {
        return false;
    }
    oImage.mWidth = static_cast<int>(lWidth);
    oImage.mHeight = static_cast<int>(lHeight);
    oImage.mChannels = MImage::kChannels;
    oImage.mPixels.assign(lImage.pixels(), lImage.pixels() + static_cast<size_t>(lWidth) * lHeight *
                                                                 MImage::kChannels);
    return true;
}
} // namespace

int InstallImageReaders(RyvVurnObjectFactory& ioFactory)
{
    KImageConverter* lConverter = ioFactory.GetImageConverter();
    int lCount = 0;
    for (const char* lExtension : kHostImageExtensions) {
        lCount += lConverter && lConverter->RegisterReader(lExtension, ReadHostImage) ? 1 : 0;
    }
    return lCount;
}

int ExportCharacters(KRyvScene* pScene)
{
    int lCount = 0;
    if (!pScene || !MGlobal::executeCommand("QARGetCharacterCount", lCount)) {
        return 0;
    }
    int lAdded = 0;
    for (int lIndex = 0; lIndex < lCount; ++lIndex) {
        MString lName;
        MString lCommand("QARGetCharacterName ");
        lCommand += lIndex;
        if (!MGlobal::executeCommand(lCommand, lName)) {
            break;
        }
        pScene->AddCharacter(lName.asChar());
        ++lAdded;
    }
    return lAdded;
}
