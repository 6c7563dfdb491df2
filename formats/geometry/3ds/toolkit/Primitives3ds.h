#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_PRIMITIVES3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_PRIMITIVES3DS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

struct Toolkit3dsContext;

struct Point3ds
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct TexVert3ds
{
    float u = 0.0f;
    float v = 0.0f;
};

struct Color3ds
{
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// A triangle: three vertex indexes and the face flags.
struct Face3ds
{
    uint16_t v1 = 0;
    uint16_t v2 = 1;
    uint16_t v3 = 2;
    uint16_t flag = 0;
};

struct ChunkHeader3ds
{
    uint16_t mTag = 0;
    uint32_t mLength = 0;
};

// The header of a keyframe track: flags, two words written as 0, and the key count.
struct TrackHeader3ds
{
    uint16_t mFlags = 0;
    uint32_t mWord1 = 0;
    uint32_t mWord2 = 0;
    uint32_t mKeyCount = 0;
};

// One key: frame, key flags, and the five spline values (0 unless their flag bit is set:
// bit 0 tension, 1 continuity, 2 bias, 3 ease to, 4 ease from).
struct KeyHeader3ds
{
    static constexpr int kSplineValues = 5;
    uint32_t mTime = 0;
    uint16_t mFlags = 0;
    float mValues[kSplineValues] = {};
};

// Little-endian field access of byte buffers, the same on any machine.
inline uint16_t LoadU16(const uint8_t* pBytes)
{
    return static_cast<uint16_t>(pBytes[0] | (pBytes[1] << 8));
}
inline uint32_t LoadU32(const uint8_t* pBytes)
{
    return static_cast<uint32_t>(pBytes[0]) | (static_cast<uint32_t>(pBytes[1]) << 8) |
           (static_cast<uint32_t>(pBytes[2]) << 16) | (static_cast<uint32_t>(pBytes[3]) << 24);
}
inline float LoadF32(const uint8_t* pBytes)
{
    const uint32_t lBits = LoadU32(pBytes);
    float lValue;
    std::memcpy(&lValue, &lBits, sizeof(lValue));
    return lValue;
}
inline void StoreU16(uint8_t* oBytes, uint16_t pValue)
{
    oBytes[0] = static_cast<uint8_t>(pValue);
    oBytes[1] = static_cast<uint8_t>(pValue >> 8);
}
inline void StoreU32(uint8_t* oBytes, uint32_t pValue)
{
    for (int i = 0; i < 4; ++i) {
        oBytes[i] = static_cast<uint8_t>(pValue >> (8 * i));
    }
}
inline void StoreF32(uint8_t* oBytes, float pValue)
{
    uint32_t lBits;
    std::memcpy(&lBits, &pValue, sizeof(lBits));
    StoreU32(oBytes, lBits);
}

// Field primitives on the current file of the run. A failed read pushes ERR_READING_FILE and
// yields 0 (or false); a failed write pushes ERR_WRITING_FILE.
bool ReadBlock3ds(Toolkit3dsContext& ioKit, void* oBytes, std::size_t pSize);
uint8_t ReadByte3ds(Toolkit3dsContext& ioKit);
uint16_t ReadUShort3ds(Toolkit3dsContext& ioKit);
uint32_t ReadULong3ds(Toolkit3dsContext& ioKit);
float ReadFloat3ds(Toolkit3dsContext& ioKit);
Point3ds ReadPoint3ds(Toolkit3dsContext& ioKit);
TexVert3ds ReadTexVert3ds(Toolkit3dsContext& ioKit);
Face3ds ReadFace3ds(Toolkit3dsContext& ioKit);
ChunkHeader3ds ReadHeader3ds(Toolkit3dsContext& ioKit);
// A zero-ended string of at most pBound characters; ERR_READING_FILE when its zero byte does
// not come within pBound + 1 bytes.
std::string ReadString3ds(Toolkit3dsContext& ioKit, std::size_t pBound);
// A fixed field of pSize bytes holding a zero-ended string.
std::string ReadFixedString3ds(Toolkit3dsContext& ioKit, std::size_t pSize);
TrackHeader3ds ReadTrackHeader3ds(Toolkit3dsContext& ioKit);
KeyHeader3ds ReadKeyHeader3ds(Toolkit3dsContext& ioKit);

bool WriteBlock3ds(Toolkit3dsContext& ioKit, const void* pBytes, std::size_t pSize);
void WriteByte3ds(Toolkit3dsContext& ioKit, uint8_t pValue);
void WriteUShort3ds(Toolkit3dsContext& ioKit, uint16_t pValue);
void WriteULong3ds(Toolkit3dsContext& ioKit, uint32_t pValue);
void WriteFloat3ds(Toolkit3dsContext& ioKit, float pValue);
void WritePoint3ds(Toolkit3dsContext& ioKit, const Point3ds& pPoint);
void WriteTexVert3ds(Toolkit3dsContext& ioKit, const TexVert3ds& pVert);
void WriteFace3ds(Toolkit3dsContext& ioKit, const Face3ds& pFace);
void WriteHeader3ds(Toolkit3dsContext& ioKit, const ChunkHeader3ds& pHeader);
// The string with its zero byte, no padding.
void WriteString3ds(Toolkit3dsContext& ioKit, const std::string& pText);
// The string padded with zero bytes to pSize; ERR_STRING_TOO_LONG when it does not fit.
void WriteFixedString3ds(Toolkit3dsContext& ioKit, const std::string& pText, std::size_t pSize);
void WriteTrackHeader3ds(Toolkit3dsContext& ioKit, const TrackHeader3ds& pHeader);
void WriteKeyHeader3ds(Toolkit3dsContext& ioKit, const KeyHeader3ds& pKey);

// Number of spline values a key carries in the file: one per set bit of its low five flags.
int KeySplineCount3ds(uint16_t pFlags);

// Seeks to pStart + 2, writes pEnd - pStart as the chunk length and seeks back to pEnd.
void PatchChunkLength3ds(Toolkit3dsContext& ioKit, int64_t pStart, int64_t pEnd);

#endif
