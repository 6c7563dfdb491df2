#ifndef RYVKIT_TESTS_MOTION_C3D_C3DFIXTURE_H
#define RYVKIT_TESTS_MOTION_C3D_C3DFIXTURE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Small C3D files built byte by byte in the tests, in any of the three processor encodings,
// independently of the kit's own encoder: Intel little-endian IEEE, MIPS big-endian IEEE, DEC
// little-endian words with the IEEE bits of 4 * value, halves swapped.
struct C3dFixture
{
    enum { eIntel = 1, eDec = 2, eMips = 3 };
    struct Point
    {
        double mX, mY, mZ;
        bool mSeen;
    };
    struct Record
    {
        int mGroup;
        std::string mName;
        int mType;
        std::vector<int> mDimensions;
        std::vector<std::uint8_t> mData;
    };

    int mProcessor = eIntel;
    int mParameterBlock = 2;
    bool mFloat = true;
    double mScale = 0.1;
    double mRate = 100.0;
    int mFirstFrame = 1;
    // Analog samples per frame the header gives, and those each frame holds (-1: the same).
    int mAnalog = 0;
    int mAnalogInData = -1;
    // The header's last frame word; -1: first frame + frame count - 1.
    int mLastFrameWord = -1;
    // Zero bytes after the last frame up to a whole block, as writers pad.
    bool mPadToBlock = false;
    // Groups by id from 1.
    std::vector<std::string> mGroups = {"POINT", "ANALOG"};
    // [frame][point], in file units.
    std::vector<std::vector<Point>> mFrames;
    std::vector<std::string> mLabels;
    std::string mUnits = "mm";
    std::string mXScreen = "+X";
    std::string mYScreen = "+Z";
    std::vector<Record> mExtra;

    void Word(std::vector<std::uint8_t>& ioBytes, std::size_t pOffset, std::uint16_t pValue) const
    {
        if (ioBytes.size() < pOffset + 2) {
            ioBytes.resize(pOffset + 2);
        }
        ioBytes[pOffset] = static_cast<std::uint8_t>(mProcessor == eMips ? pValue >> 8 : pValue);
        ioBytes[pOffset + 1] =
            static_cast<std::uint8_t>(mProcessor == eMips ? pValue : pValue >> 8);
    }
    void Float(std::vector<std::uint8_t>& ioBytes, std::size_t pOffset, double pValue) const
    {
        float lValue = static_cast<float>(mProcessor == eDec ? pValue * 4.0 : pValue);
        std::uint32_t lBits;
        std::memcpy(&lBits, &lValue, 4);
        if (pValue == 0.0) {
            lBits = 0;
        }
        if (mProcessor == eDec) {
            lBits = (lBits >> 16) | (lBits << 16);
        }
        if (mProcessor == eMips) {
            Word(ioBytes, pOffset, static_cast<std::uint16_t>(lBits >> 16));
            Word(ioBytes, pOffset + 2, static_cast<std::uint16_t>(lBits));
        } else {
            Word(ioBytes, pOffset, static_cast<std::uint16_t>(lBits));
            Word(ioBytes, pOffset + 2, static_cast<std::uint16_t>(lBits >> 16));
        }
    }
    static Record Chars(int pGroup, const std::string& pName, const std::vector<std::string>& pRows)
    {
        std::size_t lLength = 1;
        for (const std::string& lRow : pRows) {
            lLength = lRow.size() > lLength ? lRow.size() : lLength;
        }
        Record lRecord{
            pGroup, pName, -1, {static_cast<int>(lLength), static_cast<int>(pRows.size())}, {}};
        for (const std::string& lRow : pRows) {
            std::string lPadded = lRow;
            lPadded.resize(lLength, ' ');
            lRecord.mData.insert(lRecord.mData.end(), lPadded.begin(), lPadded.end());
        }
        return lRecord;
    }
    Record Floats(int pGroup, const std::string& pName, const std::vector<double>& pValues) const
    {
        Record lRecord{pGroup, pName, 4, {static_cast<int>(pValues.size())}, {}};
        for (std::size_t i = 0; i < pValues.size(); ++i) {
            Float(lRecord.mData, 4 * i, pValues[i]);
        }
        return lRecord;
    }
    Record Ints(int pGroup, const std::string& pName, const std::vector<int>& pValues) const
    {
        Record lRecord{pGroup, pName, 2, {static_cast<int>(pValues.size())}, {}};
        for (std::size_t i = 0; i < pValues.size(); ++i) {
            Word(lRecord.mData, 2 * i, static_cast<std::uint16_t>(pValues[i]));
        }
        return lRecord;
    }

    std::vector<std::uint8_t> Section() const
    {
        std::vector<Record> lRecords;
        lRecords.push_back(Chars(1, "UNITS", {mUnits}));
        lRecords.push_back(Chars(1, "X_SCREEN", {mXScreen}));
        lRecords.push_back(Chars(1, "Y_SCREEN", {mYScreen}));
        if (!mLabels.empty()) {
            lRecords.push_back(Chars(1, "LABELS", mLabels));
        }
        lRecords.insert(lRecords.end(), mExtra.begin(), mExtra.end());
        std::vector<std::uint8_t> lBytes(4, 0);
        for (std::size_t g = 0; g < mGroups.size(); ++g) {
            lBytes.push_back(static_cast<std::uint8_t>(mGroups[g].size()));
            lBytes.push_back(static_cast<std::uint8_t>(-static_cast<int>(g + 1)));
            lBytes.insert(lBytes.end(), mGroups[g].begin(), mGroups[g].end());
            Word(lBytes, lBytes.size(), 3);
            lBytes.push_back(0);
        }
        for (const Record& lRecord : lRecords) {
            lBytes.push_back(static_cast<std::uint8_t>(lRecord.mName.size()));
            lBytes.push_back(static_cast<std::uint8_t>(lRecord.mGroup));
            lBytes.insert(lBytes.end(), lRecord.mName.begin(), lRecord.mName.end());
            const std::size_t lOffset =
                2 + 2 + lRecord.mDimensions.size() + lRecord.mData.size() + 1;
            Word(lBytes, lBytes.size(), static_cast<std::uint16_t>(lOffset));
            lBytes.push_back(static_cast<std::uint8_t>(lRecord.mType));
            lBytes.push_back(static_cast<std::uint8_t>(lRecord.mDimensions.size()));
            for (int lDimension : lRecord.mDimensions) {
                lBytes.push_back(static_cast<std::uint8_t>(lDimension));
            }
            lBytes.insert(lBytes.end(), lRecord.mData.begin(), lRecord.mData.end());
            lBytes.push_back(0);
        }
        // A closing record of name length 0.
        lBytes.push_back(0);
        lBytes.push_back(0);
        lBytes.resize((lBytes.size() + 511) / 512 * 512, 0);
        lBytes[1] = 0x50;
        lBytes[2] = static_cast<std::uint8_t>(lBytes.size() / 512);
        lBytes[3] = static_cast<std::uint8_t>(83 + mProcessor);
        return lBytes;
    }

    std::string Build() const
    {
        const std::vector<std::uint8_t> lSection = Section();
        const int lDataStart = mParameterBlock + static_cast<int>(lSection.size() / 512);
        const int lPoints = mFrames.empty() ? static_cast<int>(mLabels.size())
                                            : static_cast<int>(mFrames[0].size());
        std::vector<std::uint8_t> lBytes(static_cast<std::size_t>(mParameterBlock - 1) * 512, 0);
        lBytes[0] = static_cast<std::uint8_t>(mParameterBlock);
        lBytes[1] = 0x50;
        Word(lBytes, 2, static_cast<std::uint16_t>(lPoints));
        Word(lBytes, 4, static_cast<std::uint16_t>(mAnalog));
        Word(lBytes, 6, static_cast<std::uint16_t>(mFirstFrame));
        Word(lBytes, 8,
             static_cast<std::uint16_t>(mLastFrameWord >= 0
                                            ? mLastFrameWord
                                            : mFirstFrame + static_cast<int>(mFrames.size()) - 1));
        Float(lBytes, 12, mFloat ? -mScale : mScale);
        Word(lBytes, 16, static_cast<std::uint16_t>(lDataStart));
        Float(lBytes, 20, mRate);
        lBytes.insert(lBytes.end(), lSection.begin(), lSection.end());
        for (const std::vector<Point>& lFrame : mFrames) {
            for (const Point& lPoint : lFrame) {
                const double lValues[3] = {lPoint.mX, lPoint.mY, lPoint.mZ};
                const std::size_t lAt = lBytes.size();
                for (int i = 0; i < 3; ++i) {
                    if (mFloat) {
                        Float(lBytes, lAt + 4 * i, lValues[i]);
                    } else {
                        Word(lBytes, lAt + 2 * i,
                             static_cast<std::uint16_t>(static_cast<int>(lValues[i] / mScale)));
                    }
                }
                if (mFloat) {
                    Float(lBytes, lAt + 12, lPoint.mSeen ? 0.0 : -1.0);
                } else {
                    Word(lBytes, lAt + 6, lPoint.mSeen ? 0x0203 : 0x8000);
                }
            }
            const int lAnalog = mAnalogInData >= 0 ? mAnalogInData : mAnalog;
            lBytes.resize(lBytes.size() + static_cast<std::size_t>(lAnalog) * (mFloat ? 4 : 2),
                          0xAA);
        }
        if (mPadToBlock) {
            lBytes.resize((lBytes.size() + 511) / 512 * 512, 0);
        }
        return std::string(lBytes.begin(), lBytes.end());
    }
};

#endif
