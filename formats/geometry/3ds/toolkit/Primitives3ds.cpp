#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <cstdio>

bool ReadBlock3ds(Toolkit3dsContext& ioKit, void* oBytes, std::size_t pSize)
{
    std::FILE* lStream = CurrentStream3ds(ioKit);
    if (pSize == 0) {
        return lStream != nullptr;
    }
    if (!lStream || std::fread(oBytes, 1, pSize, lStream) != pSize) {
        std::memset(oBytes, 0, pSize);
        PushError3ds(ioKit, ERR_READING_FILE);
        return false;
    }
    return true;
}

uint8_t ReadByte3ds(Toolkit3dsContext& ioKit)
{
    uint8_t lByte = 0;
    ReadBlock3ds(ioKit, &lByte, 1);
    return lByte;
}

uint16_t ReadUShort3ds(Toolkit3dsContext& ioKit)
{
    uint8_t lBytes[2];
    ReadBlock3ds(ioKit, lBytes, sizeof(lBytes));
    return LoadU16(lBytes);
}

uint32_t ReadULong3ds(Toolkit3dsContext& ioKit)
{
    uint8_t lBytes[4];
    ReadBlock3ds(ioKit, lBytes, sizeof(lBytes));
    return LoadU32(lBytes);
}

float ReadFloat3ds(Toolkit3dsContext& ioKit)
{
    uint8_t lBytes[4];
    ReadBlock3ds(ioKit, lBytes, sizeof(lBytes));
    return LoadF32(lBytes);
}

Point3ds ReadPoint3ds(Toolkit3dsContext& ioKit)
{
    uint8_t lBytes[12];
    ReadBlock3ds(ioKit, lBytes, sizeof(lBytes));
    return {LoadF32(lBytes), LoadF32(lBytes + 4), LoadF32(lBytes + 8)};
}

TexVert3ds ReadTexVert3ds(Toolkit3dsContext& ioKit)
{
    uint8_t lBytes[8];
    ReadBlock3ds(ioKit, lBytes, sizeof(lBytes));
    return {LoadF32(lBytes), LoadF32(lBytes + 4)};
}

Face3ds ReadFace3ds(Toolkit3dsContext& ioKit)
{
    uint8_t lBytes[8];
    ReadBlock3ds(ioKit, lBytes, sizeof(lBytes));
    return {LoadU16(lBytes), LoadU16(lBytes + 2), LoadU16(lBytes + 4), LoadU16(lBytes + 6)};
}

ChunkHeader3ds ReadHeader3ds(Toolkit3dsContext& ioKit)
{
    uint8_t lBytes[6];
    ReadBlock3ds(ioKit, lBytes, sizeof(lBytes));
    return {LoadU16(lBytes), LoadU32(lBytes + 2)};
}

std::string ReadString3ds(Toolkit3dsContext& ioKit, std::size_t pBound)
{
    std::string lText;
    std::FILE* lStream = CurrentStream3ds(ioKit);
    for (std::size_t i = 0; i <= pBound && lStream; ++i) {
        const int lChar = std::fgetc(lStream);
        if (lChar == EOF) {
            break;
        }
        if (lChar == 0) {
            return lText;
        }
        lText.push_back(static_cast<char>(lChar));
    }
    PushError3ds(ioKit, ERR_READING_FILE);
    return std::string();
}

std::string ReadFixedString3ds(Toolkit3dsContext& ioKit, std::size_t pSize)
{
    std::string lField(pSize, '\0');
    if (!ReadBlock3ds(ioKit, lField.data(), pSize)) {
        return std::string();
    }
    return lField.substr(0, lField.find('\0'));
}

TrackHeader3ds ReadTrackHeader3ds(Toolkit3dsContext& ioKit)
{
    uint8_t lBytes[14];
    ReadBlock3ds(ioKit, lBytes, sizeof(lBytes));
    return {LoadU16(lBytes), LoadU32(lBytes + 2), LoadU32(lBytes + 6), LoadU32(lBytes + 10)};
}

int KeySplineCount3ds(uint16_t pFlags)
{
    int lCount = 0;
    for (int i = 0; i < KeyHeader3ds::kSplineValues; ++i) {
        lCount += (pFlags >> i) & 1;
    }
    return lCount;
}

KeyHeader3ds ReadKeyHeader3ds(Toolkit3dsContext& ioKit)
{
    KeyHeader3ds lKey;
    lKey.mTime = ReadULong3ds(ioKit);
    lKey.mFlags = ReadUShort3ds(ioKit);
    for (int i = 0; i < KeyHeader3ds::kSplineValues; ++i) {
        if (lKey.mFlags & (1u << i)) {
            lKey.mValues[i] = ReadFloat3ds(ioKit);
        }
    }
    return lKey;
}

bool WriteBlock3ds(Toolkit3dsContext& ioKit, const void* pBytes, std::size_t pSize)
{
    std::FILE* lStream = CurrentStream3ds(ioKit);
    if (pSize == 0) {
        return lStream != nullptr;
    }
    if (!lStream || std::fwrite(pBytes, 1, pSize, lStream) != pSize) {
        PushError3ds(ioKit, ERR_WRITING_FILE);
        return false;
    }
    return true;
}

void WriteByte3ds(Toolkit3dsContext& ioKit, uint8_t pValue)
{
    WriteBlock3ds(ioKit, &pValue, 1);
}

void WriteUShort3ds(Toolkit3dsContext& ioKit, uint16_t pValue)
{
    uint8_t lBytes[2];
    StoreU16(lBytes, pValue);
    WriteBlock3ds(ioKit, lBytes, sizeof(lBytes));
}

void WriteULong3ds(Toolkit3dsContext& ioKit, uint32_t pValue)
{
    uint8_t lBytes[4];
    StoreU32(lBytes, pValue);
    WriteBlock3ds(ioKit, lBytes, sizeof(lBytes));
}

void WriteFloat3ds(Toolkit3dsContext& ioKit, float pValue)
{
    uint8_t lBytes[4];
    StoreF32(lBytes, pValue);
    WriteBlock3ds(ioKit, lBytes, sizeof(lBytes));
}

void WritePoint3ds(Toolkit3dsContext& ioKit, const Point3ds& pPoint)
{
    uint8_t lBytes[12];
    StoreF32(lBytes, pPoint.x);
    StoreF32(lBytes + 4, pPoint.y);
    StoreF32(lBytes + 8, pPoint.z);
    WriteBlock3ds(ioKit, lBytes, sizeof(lBytes));
}

void WriteTexVert3ds(Toolkit3dsContext& ioKit, const TexVert3ds& pVert)
{
    uint8_t lBytes[8];
    StoreF32(lBytes, pVert.u);
    StoreF32(lBytes + 4, pVert.v);
    WriteBlock3ds(ioKit, lBytes, sizeof(lBytes));
}

void WriteFace3ds(Toolkit3dsContext& ioKit, const Face3ds& pFace)
{
    uint8_t lBytes[8];
    StoreU16(lBytes, pFace.v1);
    StoreU16(lBytes + 2, pFace.v2);
    StoreU16(lBytes + 4, pFace.v3);
    StoreU16(lBytes + 6, pFace.flag);
    WriteBlock3ds(ioKit, lBytes, sizeof(lBytes));
}

void WriteHeader3ds(Toolkit3dsContext& ioKit, const ChunkHeader3ds& pHeader)
{
    uint8_t lBytes[6];
    StoreU16(lBytes, pHeader.mTag);
    StoreU32(lBytes + 2, pHeader.mLength);
    WriteBlock3ds(ioKit, lBytes, sizeof(lBytes));
}

void WriteString3ds(Toolkit3dsContext& ioKit, const std::string& pText)
{
    WriteBlock3ds(ioKit, pText.c_str(), pText.size() + 1);
}

void WriteFixedString3ds(Toolkit3dsContext& ioKit, const std::string& pText, std::size_t pSize)
{
    if (pText.size() >= pSize) {
        PushError3ds(ioKit, ERR_STRING_TOO_LONG);
        return;
    }
    std::string lField = pText;
    lField.resize(pSize, '\0');
    WriteBlock3ds(ioKit, lField.data(), pSize);
}

void WriteTrackHeader3ds(Toolkit3dsContext& ioKit, const TrackHeader3ds& pHeader)
{
    WriteUShort3ds(ioKit, pHeader.mFlags);
    WriteULong3ds(ioKit, pHeader.mWord1);
    WriteULong3ds(ioKit, pHeader.mWord2);
    WriteULong3ds(ioKit, pHeader.mKeyCount);
}

void WriteKeyHeader3ds(Toolkit3dsContext& ioKit, const KeyHeader3ds& pKey)
{
    WriteULong3ds(ioKit, pKey.mTime);
    WriteUShort3ds(ioKit, pKey.mFlags);
    for (int i = 0; i < KeyHeader3ds::kSplineValues; ++i) {
        if (pKey.mFlags & (1u << i)) {
            WriteFloat3ds(ioKit, pKey.mValues[i]);
        }
    }
}

void PatchChunkLength3ds(Toolkit3dsContext& ioKit, int64_t pStart, int64_t pEnd)
{
    if (pEnd - pStart > static_cast<int64_t>(UINT32_MAX)) {
        PushError3ds(ioKit, ERR_WRITING_FILE);
        return;
    }
    std::FILE* lStream = CurrentStream3ds(ioKit);
    if (!lStream || std::fseek(lStream, static_cast<long>(pStart + 2), SEEK_SET) != 0) {
        PushError3ds(ioKit, ERR_WRITING_FILE);
        return;
    }
    WriteULong3ds(ioKit, static_cast<uint32_t>(pEnd - pStart));
    if (std::fseek(lStream, static_cast<long>(pEnd), SEEK_SET) != 0) {
        PushError3ds(ioKit, ERR_WRITING_FILE);
    }
}
