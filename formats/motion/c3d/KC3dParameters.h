#ifndef RYVKIT_FORMATS_MOTION_C3D_KC3DPARAMETERS_H
#define RYVKIT_FORMATS_MOTION_C3D_KC3DPARAMETERS_H

#include "formats/motion/c3d/KC3dEncoding.h"

#include <cstdint>
#include <string>
#include <vector>

// The parameter section of a C3D file: groups, and typed parameters in them. Parse walks a
// section read into memory and refuses anything that would read outside it; the builder makes
// the section a writer puts in its file (little-endian words, DEC floats).
//
// A record: a signed name length (negative: locked), an id (negative for a group, the group's id
// for a parameter), the name, a signed 16-bit offset from that word to the next record (0: the
// last record); a group then has its description, a parameter a type (-1 characters, 1 bytes, 2
// 16-bit integers, 4 floats), a dimension count, one byte per dimension, the data and its
// description.
class KC3dParameters
{
public:
    enum EType : int { eChar = -1, eByte = 1, eInt16 = 2, eFloat = 4 };
    // The most dimensions a record may have.
    static constexpr int kMaxDimensions = 7;
    // The most records a section may hold (each takes at least 5 bytes).
    static constexpr std::size_t kMaxRecords = 65536;

    struct Parameter
    {
        int mGroup = 0;
        std::string mName;
        int mType = 0;
        std::vector<int> mDimensions;
        // Offset and size of the data in the section.
        std::size_t mOffset = 0;
        std::size_t mSize = 0;
    };

    // A parameter record whose body is malformed, left out: its group and the reason.
    struct Damage
    {
        int mGroup = 0;
        std::string mWhy;
    };

    // Parses pSize bytes (the whole section, its 4-byte prefix included). False with the reason
    // when a record runs outside the section or does not move forward; a parameter whose body
    // is malformed (type, dimensions, data past its record) is left out and listed in
    // GetDamaged.
    bool Parse(const std::uint8_t* pSection, std::size_t pSize, KC3dEncoding::EProcessor pProcessor,
               std::string& oWhy);

    // The id of the group of that name (compared without regard to case); 0 when none.
    int FindGroup(const char* pName) const;
    // The parameter of that name in group pGroup, or in any group for pGroup 0; null when none.
    const Parameter* Find(int pGroup, const char* pName) const;
    // Every parameter, in file order.
    const std::vector<Parameter>& GetParameters() const { return mParameters; }
    const std::vector<Damage>& GetDamaged() const { return mDamaged; }
    // Character data as rows of the first dimension (a parameter of one dimension is one row).
    std::vector<std::string> GetStrings(const Parameter& pParameter) const;
    // The 16-bit values of an integer parameter; empty for another type.
    std::vector<int> GetInts(const Parameter& pParameter) const;
    // The first value of an integer or float parameter; false for another type or no data.
    bool GetNumber(const Parameter& pParameter, double& oValue) const;

private:
    bool ParseParameter(std::size_t pPos, std::size_t pEnd, int pGroup, std::string pName,
                        std::string& oWhy);

    const std::uint8_t* mSection = nullptr;
    std::size_t mSize = 0;
    KC3dEncoding::EProcessor mProcessor = KC3dEncoding::eIntel;
    std::vector<std::pair<int, std::string>> mGroups;
    std::vector<Parameter> mParameters;
    std::vector<Damage> mDamaged;
};

// Builds a parameter section for writing: records appended in order, the last one's offset 0,
// padded with zeros to whole 512-byte blocks.
class KC3dParameterBuilder
{
public:
    void AddGroup(int pId, const char* pName);
    void AddInt16(int pGroup, const char* pName, std::uint16_t pValue);
    // Two 16-bit words holding a 32-bit value, low word first.
    void AddInt32Pair(int pGroup, const char* pName, std::uint32_t pValue);
    // False when DEC cannot hold the value.
    bool AddFloat(int pGroup, const char* pName, double pValue);
    void AddString(int pGroup, const char* pName, const std::string& pValue);
    // pRows rows of pRowLength characters, each row padded with spaces.
    void AddStrings(int pGroup, const char* pName, const std::vector<std::string>& pRows,
                    std::size_t pRowLength);
    // The section with its 4-byte prefix (DEC); pBlocks is its size in blocks.
    std::vector<std::uint8_t> Finish(int& oBlocks);

private:
    void AddRecord(int pId, const char* pName, int pType, const std::vector<int>& pDimensions,
                   const std::vector<std::uint8_t>& pData);

    std::vector<std::uint8_t> mRecords;
    std::size_t mLastOffsetWord = 0;
    bool mAny = false;
};

#endif
