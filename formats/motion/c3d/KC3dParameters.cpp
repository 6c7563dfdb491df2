#include "formats/motion/c3d/KC3dParameters.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// The section starts with its own 4-byte prefix: first block, key, block count, processor.
constexpr std::size_t kPrefixSize = 4;
constexpr std::size_t kBlockSize = 512;
constexpr std::uint8_t kKey = 0x50;

bool SameName(const std::string& pA, const char* pB)
{
    const std::size_t lSize = std::strlen(pB);
    if (pA.size() != lSize) {
        return false;
    }
    for (std::size_t i = 0; i < lSize; ++i) {
        if (std::toupper(static_cast<unsigned char>(pA[i])) !=
            std::toupper(static_cast<unsigned char>(pB[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

bool KC3dParameters::Parse(const std::uint8_t* pSection, std::size_t pSize,
                           KC3dEncoding::EProcessor pProcessor, std::string& oWhy)
{
    mSection = pSection;
    mSize = pSize;
    mProcessor = pProcessor;
    mGroups.clear();
    mParameters.clear();
    mDamaged.clear();
    std::size_t lPos = kPrefixSize;
    for (std::size_t lRecords = 0; lPos + 2 <= pSize; ++lRecords) {
        const int lNameLength =
            std::abs(static_cast<int>(static_cast<std::int8_t>(pSection[lPos])));
        const int lId = static_cast<std::int8_t>(pSection[lPos + 1]);
        if (lNameLength == 0 || lId == 0) {
            break;
        }
        const std::size_t lOffsetWord = lPos + 2 + static_cast<std::size_t>(lNameLength);
        if (lRecords >= kMaxRecords || lOffsetWord + 2 > pSize) {
            oWhy = "a parameter record runs past the parameter section";
            return false;
        }
        const std::string lName(reinterpret_cast<const char*>(pSection) + lPos + 2,
                                static_cast<std::size_t>(lNameLength));
        const int lOffset = KC3dEncoding::ReadInt16(pSection + lOffsetWord, pProcessor);
        if (lOffset < 0 || (lOffset > 0 && lOffset < 2)) {
            oWhy = "a parameter record does not lead forward";
            return false;
        }
        const std::size_t lNext =
            lOffset == 0 ? pSize : lOffsetWord + static_cast<std::size_t>(lOffset);
        const std::size_t lEnd = lNext < pSize ? lNext : pSize;
        if (lId < 0) {
            mGroups.emplace_back(-lId, lName);
        } else if (!ParseParameter(lOffsetWord + 2, lEnd, lId, lName, oWhy)) {
            // The record's own offset still leads to the next one: the rest stays readable.
            mDamaged.push_back({lId, oWhy});
            oWhy.clear();
        }
        // Each record starts after the previous one's offset word, so the walk always moves on.
        lPos = lNext;
    }
    return true;
}

bool KC3dParameters::ParseParameter(std::size_t pPos, std::size_t pEnd, int pGroup,
                                    std::string pName, std::string& oWhy)
{
    oWhy = "parameter \"" + pName.substr(0, 40) + "\": ";
    if (pPos + 2 > pEnd) {
        oWhy += "the record is too short";
        return false;
    }
    Parameter lParameter;
    lParameter.mGroup = pGroup;
    lParameter.mName = std::move(pName);
    lParameter.mType = static_cast<std::int8_t>(mSection[pPos]);
    const int lDimensionCount = mSection[pPos + 1];
    if (lParameter.mType != eChar && lParameter.mType != eByte && lParameter.mType != eInt16 &&
        lParameter.mType != eFloat) {
        oWhy += "unknown type " + std::to_string(lParameter.mType);
        return false;
    }
    if (lDimensionCount > kMaxDimensions || pPos + 2 + lDimensionCount > pEnd) {
        oWhy += "bad dimensions";
        return false;
    }
    std::uint64_t lCount = 1;
    for (int d = 0; d < lDimensionCount; ++d) {
        const int lDimension = mSection[pPos + 2 + static_cast<std::size_t>(d)];
        lParameter.mDimensions.push_back(lDimension);
        lCount *= static_cast<std::uint64_t>(lDimension);
    }
    lParameter.mOffset = pPos + 2 + static_cast<std::size_t>(lDimensionCount);
    const std::uint64_t lSize = lCount * static_cast<std::uint64_t>(std::abs(lParameter.mType));
    if (lSize > pEnd - lParameter.mOffset) {
        oWhy += "its data runs past the record";
        return false;
    }
    lParameter.mSize = static_cast<std::size_t>(lSize);
    mParameters.push_back(std::move(lParameter));
    oWhy.clear();
    return true;
}

int KC3dParameters::FindGroup(const char* pName) const
{
    for (const auto& lGroup : mGroups) {
        if (SameName(lGroup.second, pName)) {
            return lGroup.first;
        }
    }
    return 0;
}

const KC3dParameters::Parameter* KC3dParameters::Find(int pGroup, const char* pName) const
{
    for (const Parameter& lParameter : mParameters) {
        if ((pGroup == 0 || lParameter.mGroup == pGroup) && SameName(lParameter.mName, pName)) {
            return &lParameter;
        }
    }
    return nullptr;
}

std::vector<std::string> KC3dParameters::GetStrings(const Parameter& pParameter) const
{
    std::vector<std::string> lRows;
    if (pParameter.mType != eChar || pParameter.mSize == 0) {
        return lRows;
    }
    const std::size_t lRowLength = pParameter.mDimensions.size() > 1
                                       ? static_cast<std::size_t>(pParameter.mDimensions[0])
                                       : pParameter.mSize;
    const char* lData = reinterpret_cast<const char*>(mSection) + pParameter.mOffset;
    for (std::size_t lPos = 0; lPos + lRowLength <= pParameter.mSize; lPos += lRowLength) {
        lRows.emplace_back(lData + lPos, lRowLength);
    }
    return lRows;
}

std::vector<int> KC3dParameters::GetInts(const Parameter& pParameter) const
{
    std::vector<int> lValues;
    if (pParameter.mType != eInt16) {
        return lValues;
    }
    for (std::size_t lPos = 0; lPos + 2 <= pParameter.mSize; lPos += 2) {
        lValues.push_back(
            KC3dEncoding::ReadInt16(mSection + pParameter.mOffset + lPos, mProcessor));
    }
    return lValues;
}

bool KC3dParameters::GetNumber(const Parameter& pParameter, double& oValue) const
{
    const std::uint8_t* lData = mSection + pParameter.mOffset;
    if (pParameter.mType == eInt16 && pParameter.mSize >= 2) {
        oValue = KC3dEncoding::ReadInt16(lData, mProcessor);
    } else if (pParameter.mType == eFloat && pParameter.mSize >= 4) {
        oValue = KC3dEncoding::ReadFloat(lData, mProcessor);
    } else if (pParameter.mType == eByte && pParameter.mSize >= 1) {
        oValue = lData[0];
    } else {
        return false;
    }
    return true;
}

void KC3dParameterBuilder::AddRecord(int pId, const char* pName, int pType,
                                     const std::vector<int>& pDimensions,
                                     const std::vector<std::uint8_t>& pData)
{
    const std::size_t lNameLength = std::strlen(pName);
    mRecords.push_back(static_cast<std::uint8_t>(lNameLength));
    mRecords.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(pId)));
    mRecords.insert(mRecords.end(), pName, pName + lNameLength);
    mLastOffsetWord = mRecords.size();
    const bool lGroup = pId < 0;
    // From the offset word to the next record: the word, the body and the description length.
    const std::size_t lBody = lGroup ? 0 : 2 + pDimensions.size() + pData.size();
    const std::size_t lOffset = 2 + lBody + 1;
    mRecords.push_back(0);
    mRecords.push_back(0);
    KC3dEncoding::WriteWord(&mRecords[mLastOffsetWord], static_cast<std::uint16_t>(lOffset));
    if (!lGroup) {
        mRecords.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(pType)));
        mRecords.push_back(static_cast<std::uint8_t>(pDimensions.size()));
        for (int lDimension : pDimensions) {
            mRecords.push_back(static_cast<std::uint8_t>(lDimension));
        }
        mRecords.insert(mRecords.end(), pData.begin(), pData.end());
    }
    // No description.
    mRecords.push_back(0);
    mAny = true;
}

void KC3dParameterBuilder::AddGroup(int pId, const char* pName)
{
    AddRecord(-pId, pName, 0, {}, {});
}

void KC3dParameterBuilder::AddInt16(int pGroup, const char* pName, std::uint16_t pValue)
{
    std::vector<std::uint8_t> lData(2);
    KC3dEncoding::WriteWord(lData.data(), pValue);
    AddRecord(pGroup, pName, KC3dParameters::eInt16, {}, lData);
}

void KC3dParameterBuilder::AddInt32Pair(int pGroup, const char* pName, std::uint32_t pValue)
{
    std::vector<std::uint8_t> lData(4);
    KC3dEncoding::WriteWord(lData.data(), static_cast<std::uint16_t>(pValue & 0xFFFFu));
    KC3dEncoding::WriteWord(lData.data() + 2, static_cast<std::uint16_t>(pValue >> 16));
    AddRecord(pGroup, pName, KC3dParameters::eInt16, {2}, lData);
}

bool KC3dParameterBuilder::AddFloat(int pGroup, const char* pName, double pValue)
{
    std::vector<std::uint8_t> lData(4);
    if (!KC3dEncoding::WriteDecFloat(lData.data(), pValue)) {
        return false;
    }
    AddRecord(pGroup, pName, KC3dParameters::eFloat, {}, lData);
    return true;
}

void KC3dParameterBuilder::AddString(int pGroup, const char* pName, const std::string& pValue)
{
    AddRecord(pGroup, pName, KC3dParameters::eChar, {static_cast<int>(pValue.size())},
              std::vector<std::uint8_t>(pValue.begin(), pValue.end()));
}

void KC3dParameterBuilder::AddStrings(int pGroup, const char* pName,
                                      const std::vector<std::string>& pRows, std::size_t pRowLength)
{
    std::vector<std::uint8_t> lData;
    lData.reserve(pRows.size() * pRowLength);
    for (const std::string& lRow : pRows) {
        std::string lPadded = lRow.substr(0, pRowLength);
        lPadded.resize(pRowLength, ' ');
        lData.insert(lData.end(), lPadded.begin(), lPadded.end());
    }
    AddRecord(pGroup, pName, KC3dParameters::eChar,
              {static_cast<int>(pRowLength), static_cast<int>(pRows.size())}, lData);
}

std::vector<std::uint8_t> KC3dParameterBuilder::Finish(int& oBlocks)
{
    if (mAny) {
        mRecords[mLastOffsetWord] = 0;
        mRecords[mLastOffsetWord + 1] = 0;
    }
    const std::size_t lSize = kPrefixSize + mRecords.size();
    const std::size_t lBlocks = (lSize + kBlockSize - 1) / kBlockSize;
    oBlocks = static_cast<int>(lBlocks);
    std::vector<std::uint8_t> lSection(lBlocks * kBlockSize, 0);
    lSection[0] = 1;
    lSection[1] = kKey;
    lSection[2] = static_cast<std::uint8_t>(lBlocks > 255 ? 255 : lBlocks);
    lSection[3] = static_cast<std::uint8_t>(KC3dEncoding::kProcessorBase + KC3dEncoding::eDec);
    std::memcpy(lSection.data() + kPrefixSize, mRecords.data(), mRecords.size());
    return lSection;
}
