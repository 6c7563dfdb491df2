#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KAMCFILE_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KAMCFILE_H

#include "core/KMatrix.h"
#include "core/KTime.h"
#include "formats/motion/KTextFile.h"

#include <cstdint>
#include <string>
#include <vector>

class KAsfBone;
class KRyvAsfScene;
class KStreamOptionsMotion;

// An AMC motion file: frames of DOF values for the bones of an ASF skeleton (KRyvAsfScene),
// read into the bones' keys and written from the nodes the bones are attached to. Based on
// KTextFile with the format name "AMC", the separators and comment character of ASF files and
// case-sensitive names.
//
// A frame line is a line whose first word is wholly a decimal number; any other line after a
// frame line is a bone line ("inf_joint" or "nanobot" are bone names). Frame numbers must be
// integers; frame n lies n - 1 periods after the start, or, when the file numbers its frames
// from the first frame of its ":FRAME-RANGE" (other than 1), n - first periods.
//
// Read fails (GetLastError names file and line) on a format other than "FIRSTFRAME-INDEXED", a
// frame number that is not an integer or whose time is out of range, a bone line before the
// first frame, an unknown bone (bones merged away by the ASF read are skipped), a second root
// line in a frame, a value that does not fit a key, a keyword as the last line and a corrupt
// file. Values missing from a bone line are 0; from the first word that is no strict decimal
// number ("inf", "1e999", "x3") on, the rest of the line is warned about and ignored.
class KAmcFile : public KTextFile
{
public:
    static constexpr std::size_t kMaxNameLength = 1023;
    static constexpr const char* kFormat = "FIRSTFRAME-INDEXED";

    explicit KAmcFile(bool pReporting = false);
    ~KAmcFile() override = default;

    // The rate (":SAMPLES-PER-SECOND"), the start (the range's first frame, 0 without a range)
    // and the frame count (the frame lines, at most the range's length) into the options.
    bool ReadHeaderOptions(KStreamOptionsMotion* pOptions);
    // The frames into the keys of the scene's bones, at the options' start and period, at most
    // the options' frame count of them (0: all). On failure the keys are cleared.
    bool Read(KRyvAsfScene* pScene, const KStreamOptionsMotion& pOptions);
    // The times of the earliest and the latest frame the last Read took (records numbered late,
    // out of order or skipping keep their own times, so these bound the take). False when it
    // took none.
    bool GetReadSpan(KTime& oFirst, KTime& oLast) const;

    bool WriteHeader(bool pWriteRate, double pRate, bool pWriteRange, int pFirst, int pLast);
    // One frame at a time: the frame number, then a line per bone with DOFs. pReference, when
    // set, is the global matrix the root's values go through (its scale reaches the others).
    bool WriteFrame(const KRyvAsfScene& pScene, int pFrame, KTime pTime, const KMatrix* pReference);

private:
    bool IsKeywordLine() const;
    bool IsFrameLine() const;
    bool ReadKeyword(std::string& oKeyword);
    bool ReadRange(int& oFirst, int& oLast);
    bool ReadFrameNumber(int& oFrame);
    // The number frames count from, given the first frame line's.
    std::int64_t BaseOf(int pFirstNumber) const;
    bool SkipFrameLines();
    bool ReadAll(KRyvAsfScene& ioScene, const KStreamOptionsMotion& pOptions);
    bool ReadFrameAt(KRyvAsfScene& ioScene, const KStreamOptionsMotion& pOptions);
    bool ReadBoneLines(KRyvAsfScene& ioScene, KTime pTime);
    bool ReadBoneLine(KRyvAsfScene& ioScene, KTime pTime, bool& ioRootSeen);

    bool mRangeSeen = false;
    int mRangeFirst = 0;
    // The number frames count from: 1, or the range's first frame (see above).
    std::int64_t mBase = 1;
    bool mFirstFrame = true;
    // The span of the frames read, valid once one was.
    KTime mEarliest;
    KTime mLatest;
    // The bones of the last frame's lines, in order, and the place of the line being read.
    std::vector<KAsfBone*> mOrder;
    std::size_t mPlace = 0;
};

#endif
