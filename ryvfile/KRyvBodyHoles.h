#ifndef RYVKIT_RYVFILE_KRYVBODYHOLES_H
#define RYVKIT_RYVFILE_KRYVBODYHOLES_H

#include <cstddef>
#include <cstdint>
#include <vector>

class KRyvStream;

// The large arrays of a plain binary file held in memory by their place only: while the file is
// read, the records are walked as their bytes arrive, and the payload of every array of at least
// kMinHole bytes is passed by (its bytes still go through the CRC) instead of being copied into
// the file's buffer. Those parts of the buffer are never written, so no page is ever made for
// them; an array is read from the stream when it is asked for, into the caller's storage a piece
// at a time, or into its place in the buffer.
//
// The walk reads sizes exactly as the record checks do; when it meets anything those checks
// would refuse, it stops, and the holes found so far are filled at once (IsComplete false), so
// the buffer is whole again before anything trusts its shape. Offsets count from the file's
// first byte.
class KRyvBodyHoles
{
public:
    // Arrays whose payload is at least this size become holes.
    static constexpr std::size_t kMinHole = std::size_t(1) << 20;

    struct Hole
    {
        std::size_t mAt;
        std::size_t mEnd;
        bool mFilled;
    };

    // Starts a walk of the records in [pBodyAt, pBodyAt + pBodySize), the body as the header
    // states it; pTail bytes at its end (the part of the CRC checked from the buffer) are never
    // made a hole.
    void Start(std::size_t pBodyAt, std::uint64_t pBodySize, std::size_t pTail);
    // Forgets the walk and every hole.
    void Clear();

    // Walks on over the records whose sizes and counts lie in pBytes[0, pFilled) (the bytes
    // read so far, holes excepted).
    void Walk(const std::uint8_t* pBytes, std::size_t pFilled);
    // True when the walk stepped over the whole body exactly, so that its holes are the places
    // of arrays and nothing else.
    bool IsComplete() const { return mComplete; }
    // True while the walk goes on: later bytes may still hold holes.
    bool IsWalking() const { return !mStopped; }

    // How many of the next pSize bytes from pAt lie outside any hole (oInside false) or inside
    // one (oInside true): the copy of the bytes read goes run by run.
    std::size_t Run(std::size_t pAt, std::size_t pSize, bool& oInside) const;

    // Reads every hole overlapping [pAt, pEnd) from ioStream, where the file starts at pOrigin
    // (as ReadAt counts), into its place in oBytes. False when the stream cannot give the bytes.
    bool Fill(KRyvStream& ioStream, std::uint64_t pOrigin, std::uint8_t* oBytes, std::size_t pAt,
              std::size_t pEnd);
    bool FillAll(KRyvStream& ioStream, std::uint64_t pOrigin, std::uint8_t* oBytes);
    // The unfilled hole that is exactly [pAt, pEnd), null when there is none.
    const Hole* FindUnfilled(std::size_t pAt, std::size_t pEnd) const;

private:
    enum EPhase : std::uint8_t { kValues, kChildCount, kChildren };

    struct Frame
    {
        std::size_t mEnd;
        std::uint32_t mValuesLeft;
        EPhase mPhase;
    };

    // One step of the walk; false when it needs bytes not read yet or has stopped.
    bool Step(const std::uint8_t* pBytes, std::size_t pFilled);
    bool StepRecord(const std::uint8_t* pBytes, std::size_t pFilled);
    bool StepValue(const std::uint8_t* pBytes, std::size_t pFilled);
    void Stop() { mStopped = true; }
    // The first hole ending after pAt.
    std::vector<Hole>::const_iterator After(std::size_t pAt) const;

    std::vector<Hole> mHoles;
    std::vector<Frame> mFrames;
    std::size_t mAt = 0;
    std::size_t mBodyEnd = 0;
    std::size_t mHoleLimit = 0;
    bool mStopped = true;
    bool mComplete = false;
};

#endif
