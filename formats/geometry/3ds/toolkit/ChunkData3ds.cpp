#include "formats/geometry/3ds/toolkit/ChunkNode3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <cstdio>
#include <new>

namespace {

struct Item
{
    char mKind = 0;
    uint32_t mArg = 0;
};

// Steps through a layout string.
bool NextItem(const char*& ioLayout, Item& oItem)
{
    if (!*ioLayout) {
        return false;
    }
    oItem.mKind = *ioLayout++;
    oItem.mArg = 0;
    while (*ioLayout >= '0' && *ioLayout <= '9') {
        oItem.mArg = oItem.mArg * 10 + static_cast<uint32_t>(*ioLayout++ - '0');
    }
    return true;
}

constexpr uint32_t kMaxCount16 = 0xFFFF;
constexpr uint32_t kMorphNameBound = 10;

// Floats per key value of a track, or -1 for the morph track's names.
int TrackValueFloats(uint32_t pTag)
{
    switch (pTag) {
    case Tag3ds::kPositionTrack:
    case Tag3ds::kScaleTrack:
    case Tag3ds::kColorTrack:
        return 3;
    case Tag3ds::kRotationTrack:
        return 4;
    case Tag3ds::kMorphTrack:
        return -1;
    case Tag3ds::kHideTrack:
        return 0;
    default:
        return 1;
    }
}

// Reads the fields of a chunk's data from the current file, never past the chunk's end. The
// first failure pushes its code and makes every later read fail.
class Decoder
{
public:
    Decoder(Toolkit3dsContext& ioKit, uint64_t pRemaining) : mKit(ioKit), mRemaining(pRemaining) {}

    // Claims pSize bytes of the chunk; ERR_INVALID_CHUNK when they are not there.
    bool Take(uint64_t pSize)
    {
        if (mFailed || pSize > mRemaining) {
            return Fail(ERR_INVALID_CHUNK);
        }
        mRemaining -= pSize;
        return true;
    }

    bool Bytes(uint64_t pSize, std::vector<uint8_t>& oBytes)
    {
        if (!Take(pSize)) {
            return false;
        }
        oBytes.resize(static_cast<std::size_t>(pSize));
        std::FILE* lStream = CurrentStream3ds(mKit);
        return pSize == 0 || std::fread(oBytes.data(), 1, oBytes.size(), lStream) == pSize ||
               Fail(ERR_READING_FILE);
    }

    bool Skip(uint64_t pSize)
    {
        return Take(pSize) &&
               (std::fseek(CurrentStream3ds(mKit), static_cast<long>(pSize), SEEK_CUR) == 0 ||
                Fail(ERR_READING_FILE));
    }

    uint32_t Count16()
    {
        std::vector<uint8_t> lBytes;
        return Bytes(2, lBytes) ? LoadU16(lBytes.data()) : 0;
    }

    // A zero-ended string of at most pBound characters that ends within the chunk.
    bool String(uint32_t pBound, std::string& oText)
    {
        oText.clear();
        std::FILE* lStream = CurrentStream3ds(mKit);
        while (!mFailed && mRemaining > 0) {
            const int lChar = std::fgetc(lStream);
            --mRemaining;
            if (lChar == EOF) {
                return Fail(ERR_READING_FILE);
            }
            if (lChar == 0) {
                return true;
            }
            if (oText.size() == pBound) {
                return Fail(ERR_READING_FILE);
            }
            oText.push_back(static_cast<char>(lChar));
        }
        return Fail(ERR_INVALID_CHUNK);
    }

    uint64_t Remaining() const { return mRemaining; }
    bool Failed() const { return mFailed; }

private:
    bool Fail(int32_t pCode)
    {
        if (!mFailed) {
            mFailed = true;
            PushError3ds(mKit, pCode);
        }
        return false;
    }

    Toolkit3dsContext& mKit;
    uint64_t mRemaining;
    bool mFailed = false;
};

void DecodeNumbers(Decoder& ioIn, char pKind, uint32_t pCount, ChunkData3ds& ioData)
{
    const uint32_t lSize = pKind == 'B' ? 1 : pKind == 'W' ? 2 : 4;
    std::vector<uint8_t> lBytes;
    if (!ioIn.Bytes(uint64_t{lSize} * pCount, lBytes)) {
        return;
    }
    for (uint32_t i = 0; i < pCount; ++i) {
        const uint8_t* lField = lBytes.data() + i * lSize;
        if (pKind == 'F') {
            ioData.mFloats.push_back(LoadF32(lField));
        } else {
            ioData.mInts.push_back(lSize == 1   ? *lField
                                   : lSize == 2 ? LoadU16(lField)
                                                : LoadU32(lField));
        }
    }
}

// A 16-bit count and that many elements of pFields numbers of pFieldSize bytes.
void DecodeCounted(Decoder& ioIn, uint32_t pFields, uint32_t pFieldSize, ChunkData3ds& ioData)
{
    const uint32_t lCount = ioIn.Count16();
    std::vector<uint8_t> lBytes;
    if (ioIn.Failed() || !ioIn.Bytes(uint64_t{lCount} * pFields * pFieldSize, lBytes)) {
        return;
    }
    const std::size_t lValues = std::size_t{lCount} * pFields;
    for (std::size_t i = 0; i < lValues; ++i) {
        if (pFieldSize == 2) {
            ioData.mShorts.push_back(LoadU16(lBytes.data() + 2 * i));
        } else {
            ioData.mFloats.push_back(LoadF32(lBytes.data() + 4 * i));
        }
    }
}

void DecodeTrack(Decoder& ioIn, uint32_t pTag, ChunkData3ds& ioData)
{
    std::vector<uint8_t> lHeader;
    if (!ioIn.Bytes(14, lHeader)) {
        return;
    }
    const uint8_t* lBytes = lHeader.data();
    ioData.mInts = {LoadU16(lBytes), LoadU32(lBytes + 2), LoadU32(lBytes + 6)};
    const uint64_t lKeys = LoadU32(lBytes + 10);
    const int lFloats = TrackValueFloats(pTag);
    // Each key takes at least its frame, flags and value: a count that cannot fit is refused
    // before anything is sized by it.
    const uint64_t lMinKey = 6 + (lFloats < 0 ? 1 : 4 * static_cast<uint64_t>(lFloats));
    if (lKeys > ioIn.Remaining() / lMinKey) {
        ioIn.Take(ioIn.Remaining() + 1);
        return;
    }
    ioData.mKeys.reserve(static_cast<std::size_t>(lKeys));
    std::vector<uint8_t> lField;
    for (uint64_t k = 0; k < lKeys && !ioIn.Failed(); ++k) {
        KeyHeader3ds lKey;
        if (!ioIn.Bytes(6, lField)) {
            return;
        }
        lKey.mTime = LoadU32(lField.data());
        lKey.mFlags = LoadU16(lField.data() + 4);
        if (!ioIn.Bytes(4 * static_cast<uint64_t>(KeySplineCount3ds(lKey.mFlags)), lField)) {
            return;
        }
        for (int i = 0, lAt = 0; i < KeyHeader3ds::kSplineValues; ++i) {
            if (lKey.mFlags & (1u << i)) {
                lKey.mValues[i] = LoadF32(lField.data() + 4 * lAt++);
            }
        }
        ioData.mKeys.push_back(lKey);
        if (lFloats < 0) {
            ioData.mStrings.emplace_back();
            ioIn.String(kMorphNameBound, ioData.mStrings.back());
        } else {
            DecodeNumbers(ioIn, 'F', static_cast<uint32_t>(lFloats), ioData);
        }
    }
}

void DecodeItem(Decoder& ioIn, const Item& pItem, uint32_t pTag, ChunkData3ds& ioData)
{
    switch (pItem.mKind) {
    case 'B':
    case 'W':
    case 'L':
    case 'F':
        DecodeNumbers(ioIn, pItem.mKind, pItem.mArg, ioData);
        break;
    case 'S':
        ioData.mStrings.emplace_back();
        ioIn.String(pItem.mArg, ioData.mStrings.back());
        break;
    case 'R':
        ioData.mStrings.emplace_back();
        ioIn.String(UINT32_MAX, ioData.mStrings.back());
        break;
    case 'X': {
        std::vector<uint8_t> lField;
        if (ioIn.Bytes(pItem.mArg + 1, lField)) {
            std::string lText(lField.begin(), lField.end());
            ioData.mStrings.push_back(lText.substr(0, lText.find('\0')));
        }
        break;
    }
    case 'P':
        DecodeCounted(ioIn, 3, 4, ioData);
        break;
    case 'U':
        DecodeCounted(ioIn, 2, 4, ioData);
        break;
    case 'H':
        DecodeCounted(ioIn, 1, 2, ioData);
        break;
    case 'A':
        DecodeCounted(ioIn, 4, 2, ioData);
        break;
    case 'M': {
        // One mask per face: more than a 16-bit face count can name is not a mesh.
        const uint64_t lMasks = ioIn.Remaining() / 4;
        if (lMasks > kMaxCount16) {
            ioIn.Take(ioIn.Remaining() + 1);
            break;
        }
        DecodeNumbers(ioIn, 'L', static_cast<uint32_t>(lMasks), ioData);
        break;
    }
    case 'K':
        ioIn.Bytes(ioIn.Remaining(), ioData.mBlock);
        break;
    case 'T':
        DecodeTrack(ioIn, pTag, ioData);
        break;
    default:
        break;
    }
}

// Collects the encoded bytes of a chunk's data; a record that lacks what the layout needs
// marks it bad.
class Encoder
{
    static constexpr std::size_t kRoomForTheRest = 64;

public:
    explicit Encoder(const ChunkData3ds& pData) : mData(pData)
    {
        // Room for the numbers at their widest, so that a large array is not moved as it grows.
        mBytes.reserve(4 * (pData.mInts.size() + pData.mFloats.size()) + 2 * pData.mShorts.size() +
                       kRoomForTheRest);
    }

    std::vector<uint8_t> mBytes;
    int32_t mError = NO_FTK_ERRORS;

    void Fail(int32_t pCode)
    {
        if (mError == NO_FTK_ERRORS) {
            mError = pCode;
        }
    }
    // pSize more bytes at the end, for the caller to fill.
    uint8_t* Append(std::size_t pSize) { return &mBytes[Grow(pSize)]; }
    void U16(uint32_t pValue)
    {
        const std::size_t lAt = Grow(2);
        StoreU16(&mBytes[lAt], static_cast<uint16_t>(pValue));
    }
    void U32(uint32_t pValue)
    {
        const std::size_t lAt = Grow(4);
        StoreU32(&mBytes[lAt], pValue);
    }
    void F32(float pValue)
    {
        const std::size_t lAt = Grow(4);
        StoreF32(&mBytes[lAt], pValue);
    }
    void Text(const std::string& pText, std::size_t pBound, std::size_t pPadTo)
    {
        if (pText.size() > pBound) {
            Fail(ERR_STRING_TOO_LONG);
            return;
        }
        mBytes.insert(mBytes.end(), pText.begin(), pText.end());
        // The zero byte, and the padding of a fixed field.
        mBytes.resize(mBytes.size() + (pPadTo > pText.size() ? pPadTo - pText.size() : 1), 0);
    }
    bool NextInt(uint32_t& oValue) { return Next(mData.mInts, mInt, oValue); }
    bool NextFloat(float& oValue) { return Next(mData.mFloats, mFloat, oValue); }
    bool NextString(std::string& oText) { return Next(mData.mStrings, mString, oText); }
    std::size_t FloatsLeft() const
    {
        return mData.mFloats.size() - std::min(mFloat, mData.mFloats.size());
    }
    std::size_t IntsLeft() const { return mData.mInts.size() - std::min(mInt, mData.mInts.size()); }

    const ChunkData3ds& mData;

private:
    std::size_t Grow(std::size_t pSize)
    {
        const std::size_t lAt = mBytes.size();
        mBytes.resize(lAt + pSize);
        return lAt;
    }
    template <typename T> bool Next(const std::vector<T>& pValues, std::size_t& ioAt, T& oValue)
    {
        if (ioAt >= pValues.size()) {
            Fail(ERR_INVALID_DATA);
            return false;
        }
        oValue = pValues[ioAt++];
        return true;
    }

    std::size_t mInt = 0;
    std::size_t mFloat = 0;
    std::size_t mString = 0;
};

void EncodeNumbers(Encoder& ioOut, char pKind, uint32_t pCount)
{
    const std::size_t lWidth = pKind == 'B' ? 1 : (pKind == 'W' ? 2 : 4);
    if (pCount == 0) {
        return;
    }
    // The run's bytes in one step (a large array would otherwise grow a number at a time); a
    // run cut short by a missing value fails the chunk, whose bytes are then dropped.
    uint8_t* lAt = ioOut.Append(lWidth * pCount);
    for (uint32_t i = 0; i < pCount; ++i, lAt += lWidth) {
        uint32_t lValue = 0;
        float lFloat = 0.0f;
        if (pKind == 'F' ? !ioOut.NextFloat(lFloat) : !ioOut.NextInt(lValue)) {
            return;
        }
        if (pKind == 'F') {
            StoreF32(lAt, lFloat);
        } else if (pKind == 'B') {
            *lAt = static_cast<uint8_t>(lValue);
        } else if (pKind == 'W') {
            StoreU16(lAt, static_cast<uint16_t>(lValue));
        } else {
            StoreU32(lAt, lValue);
        }
    }
}

// The rest of the floats as a 16-bit counted array of pFields floats per element.
void EncodeCountedFloats(Encoder& ioOut, std::size_t pFields)
{
    const std::size_t lFloats = ioOut.FloatsLeft();
    if (lFloats % pFields != 0 || lFloats / pFields > kMaxCount16) {
        ioOut.Fail(ERR_INVALID_DATA);
        return;
    }
    ioOut.U16(static_cast<uint32_t>(lFloats / pFields));
    EncodeNumbers(ioOut, 'F', static_cast<uint32_t>(lFloats));
}

void EncodeCountedShorts(Encoder& ioOut, std::size_t pFields)
{
    const std::vector<uint16_t>& lShorts = ioOut.mData.mShorts;
    if (lShorts.size() % pFields != 0 || lShorts.size() / pFields > kMaxCount16) {
        ioOut.Fail(ERR_INVALID_DATA);
        return;
    }
    ioOut.U16(static_cast<uint32_t>(lShorts.size() / pFields));
    if (lShorts.empty()) {
        return;
    }
    uint8_t* lAt = ioOut.Append(2 * lShorts.size());
    for (uint16_t lValue : lShorts) {
        StoreU16(lAt, lValue);
        lAt += 2;
    }
}

void EncodeTrack(Encoder& ioOut, uint32_t pTag)
{
    const ChunkData3ds& lData = ioOut.mData;
    const int lFloats = TrackValueFloats(pTag);
    const std::size_t lKeys = lData.mKeys.size();
    if (lData.mInts.size() < 3 || lKeys > UINT32_MAX ||
        (lFloats < 0 ? lData.mStrings.size() != lKeys : lData.mFloats.size() != lKeys * lFloats)) {
        ioOut.Fail(ERR_INVALID_DATA);
        return;
    }
    ioOut.U16(lData.mInts[0]);
    ioOut.U32(lData.mInts[1]);
    ioOut.U32(lData.mInts[2]);
    ioOut.U32(static_cast<uint32_t>(lKeys));
    for (std::size_t k = 0; k < lKeys; ++k) {
        const KeyHeader3ds& lKey = lData.mKeys[k];
        ioOut.U32(lKey.mTime);
        ioOut.U16(lKey.mFlags);
        for (int i = 0; i < KeyHeader3ds::kSplineValues; ++i) {
            if (lKey.mFlags & (1u << i)) {
                ioOut.F32(lKey.mValues[i]);
            }
        }
        if (lFloats < 0) {
            ioOut.Text(lData.mStrings[k], kMorphNameBound, 0);
        }
        for (int i = 0; i < lFloats; ++i) {
            ioOut.F32(lData.mFloats[k * lFloats + i]);
        }
    }
}

void EncodeItem(Encoder& ioOut, const Item& pItem, uint32_t pTag)
{
    std::string lText;
    switch (pItem.mKind) {
    case 'B':
    case 'W':
    case 'L':
    case 'F':
        EncodeNumbers(ioOut, pItem.mKind, pItem.mArg);
        break;
    case 'S':
        if (ioOut.NextString(lText)) {
            ioOut.Text(lText, pItem.mArg, 0);
        }
        break;
    case 'R':
        if (ioOut.NextString(lText)) {
            ioOut.Text(lText, lText.size(), 0);
        }
        break;
    case 'X':
        if (ioOut.NextString(lText)) {
            ioOut.Text(lText, pItem.mArg, pItem.mArg + 1);
        }
        break;
    case 'P':
        EncodeCountedFloats(ioOut, 3);
        break;
    case 'U':
        EncodeCountedFloats(ioOut, 2);
        break;
    case 'H':
        EncodeCountedShorts(ioOut, 1);
        break;
    case 'A':
        EncodeCountedShorts(ioOut, 4);
        break;
    case 'M':
        EncodeNumbers(ioOut, 'L', static_cast<uint32_t>(ioOut.IntsLeft()));
        break;
    case 'K':
        ioOut.mBytes.insert(ioOut.mBytes.end(), ioOut.mData.mBlock.begin(),
                            ioOut.mData.mBlock.end());
        break;
    case 'T':
        EncodeTrack(ioOut, pTag);
        break;
    default:
        break;
    }
}

FileRecord3ds* SourceOf(Toolkit3dsContext& ioKit, const ChunkNode3ds* pChunk)
{
    if (!IsFileIndexValid3ds(ioKit, pChunk->mSourceFile)) {
        return nullptr;
    }
    FileRecord3ds* lFile = GetFileByIndex3ds(ioKit, pChunk->mSourceFile);
    return lFile->mSerial == pChunk->mSourceSerial ? lFile : nullptr;
}

} // namespace

void NewChunkWithData3ds(std::unique_ptr<ChunkNode3ds>& oChunk, uint32_t pTag)
{
    NewChunkWithTag3ds(oChunk, pTag);
    ResetChunkData3ds(oChunk.get());
}

ChunkData3ds* ResetChunkData3ds(ChunkNode3ds* pChunk)
{
    pChunk->mData = std::make_unique<ChunkData3ds>();
    ChunkData3ds& lData = *pChunk->mData;
    const char* lLayout = ChunkLayoutOf3ds(pChunk->mTag);
    Item lItem;
    while (NextItem(lLayout, lItem)) {
        switch (lItem.mKind) {
        case 'B':
        case 'W':
        case 'L':
            lData.mInts.resize(lData.mInts.size() + lItem.mArg);
            break;
        case 'F':
            lData.mFloats.resize(lData.mFloats.size() + lItem.mArg);
            break;
        case 'S':
        case 'R':
        case 'X':
            lData.mStrings.emplace_back();
            break;
        case 'T':
            lData.mInts.resize(3);
            break;
        default:
            break;
        }
    }
    return &lData;
}

ChunkData3ds* ReadChunkData3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk)
{
    if (!pChunk) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return nullptr;
    }
    if (pChunk->mData) {
        return pChunk->mData.get();
    }
    const char* lLayout = ChunkLayoutOf3ds(pChunk->mTag);
    if (!*lLayout) {
        return nullptr;
    }
    FileRecord3ds* lFile = SourceOf(ioKit, pChunk);
    if (!lFile || pChunk->mLength < 6) {
        PushError3ds(ioKit, pChunk->mSourceFile == ChunkNode3ds::kNoFile ? ERR_INVALID_DATA
                                                                         : ERR_READING_FILE);
        return nullptr;
    }
    SetCurrentFile3ds(ioKit, lFile);
    if (!FileSeek3ds(ioKit, int64_t{pChunk->mPosition} + 6)) {
        return nullptr;
    }
    try {
        auto lData = std::make_unique<ChunkData3ds>();
        Decoder lIn(ioKit, pChunk->mLength - 6);
        Item lItem;
        while (!lIn.Failed() && NextItem(lLayout, lItem)) {
            DecodeItem(lIn, lItem, pChunk->mTag, *lData);
        }
        if (lIn.Failed()) {
            return nullptr;
        }
        pChunk->mData = std::move(lData);
    } catch (const std::bad_alloc&) {
        PushError3ds(ioKit, ERR_NO_MEM);
        return nullptr;
    }
    return pChunk->mData.get();
}

void ReleaseChunkData3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk)
{
    if (pChunk && pChunk->mData && SourceOf(ioKit, pChunk)) {
        pChunk->mData.reset();
    }
}

void WriteChunkData3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk)
{
    const char* lLayout = pChunk ? ChunkLayoutOf3ds(pChunk->mTag) : "";
    if (!*lLayout) {
        return;
    }
    if (!pChunk->mData) {
        // A data-less flag chunk made in memory is a leaf with an empty block.
        if (lLayout[0] != 'K') {
            PushError3ds(ioKit, ERR_INVALID_DATA);
        }
        return;
    }
    Encoder lOut(*pChunk->mData);
    Item lItem;
    while (lOut.mError == NO_FTK_ERRORS && NextItem(lLayout, lItem)) {
        EncodeItem(lOut, lItem, pChunk->mTag);
    }
    if (lOut.mError != NO_FTK_ERRORS) {
        PushError3ds(ioKit, lOut.mError);
        return;
    }
    WriteBlock3ds(ioKit, lOut.mBytes.data(), lOut.mBytes.size());
}

int64_t MeasureChunkData3ds(Toolkit3dsContext& ioKit, uint32_t pTag, uint64_t pLimit)
{
    const char* lLayout = ChunkLayoutOf3ds(pTag);
    Decoder lIn(ioKit, pLimit);
    std::string lText;
    Item lItem;
    while (!lIn.Failed() && NextItem(lLayout, lItem)) {
        switch (lItem.mKind) {
        case 'B':
            lIn.Skip(lItem.mArg);
            break;
        case 'W':
            lIn.Skip(2 * uint64_t{lItem.mArg});
            break;
        case 'L':
        case 'F':
            lIn.Skip(4 * uint64_t{lItem.mArg});
            break;
        case 'S':
            lIn.String(lItem.mArg, lText);
            break;
        case 'A':
            lIn.Skip(8 * uint64_t{lIn.Count16()});
            break;
        case 'H':
            lIn.Skip(2 * uint64_t{lIn.Count16()});
            break;
        default:
            lIn.Skip(lIn.Remaining());
            break;
        }
    }
    return lIn.Failed() ? -1 : static_cast<int64_t>(pLimit - lIn.Remaining());
}
