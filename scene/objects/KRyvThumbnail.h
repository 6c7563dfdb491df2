#ifndef RYVKIT_SCENE_OBJECTS_KRYVTHUMBNAIL_H
#define RYVKIT_SCENE_OBJECTS_KRYVTHUMBNAIL_H

#include <cstdint>
#include <vector>

// The preview image a scene file holds: a square of 64 or 128 pixels a side in RGB (3 bytes a
// pixel) or RGBA (4 bytes), rows of bytes in an owned buffer. The buffer always has exactly
// GetSizeInBytes() bytes: a change of size or of format makes a new, zeroed buffer, so a writer
// copying GetSizeInBytes() bytes never reads past its end. Any other size or format gives no
// buffer and 0 bytes.
class KRyvThumbnail
{
public:
    enum EDataFormat : int { eRGB_24 = 0, eRGBA_32 = 1 };
    enum EImageSize : int { eNotSet = 0, e64x64 = 64, e128x128 = 128 };

    // Format RGB, size 0, no buffer.
    KRyvThumbnail() = default;

    int GetDataFormat() const { return mDataFormat; }
    // Stored unchanged; a change of format gives a set size a new buffer (the same format keeps
    // the pixels).
    void SetDataFormat(int pFormat);
    int GetSize() const { return mSize; }
    // Stored unchanged; the buffer is made anew (none for a size other than 64 or 128).
    void SetSize(int pSize);
    // 12288, 16384, 49152 or 65536 for sizes 64 and 128 in RGB and RGBA; 0 otherwise.
    int GetSizeInBytes() const;
    // The pixel buffer; null when there is none.
    std::uint8_t* GetThumbnailImage();
    const std::uint8_t* GetThumbnailImage() const;

private:
    void MakeBuffer();

    int mDataFormat = eRGB_24;
    int mSize = eNotSet;
    std::vector<std::uint8_t> mImage;
};

#endif
