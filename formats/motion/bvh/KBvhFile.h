#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHFILE_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHFILE_H

#include "core/KMatrix.h"
#include "core/KVector4.h"
#include "formats/motion/KTextFile.h"

#include <string>
#include <vector>

class KStreamOptionsMotion;
struct KBvhDecimals;

// One record of a BVH hierarchy: a joint or an End Site, with its place in the joint list.
// Lengths are as the file gives them (no unit conversion); rotation channels are degrees.
struct KBvhJoint
{
    enum EChannel {
        eXposition = 0,
        eYposition = 1,
        eZposition = 2,
        eXrotation = 3,
        eYrotation = 4,
        eZrotation = 5
    };
    static constexpr int kMaxChannels = 6;

    // Index of the parent in the joint list; -1 for the root.
    int mParent = -1;
    // Indexes of the children in the joint list, in file order.
    std::vector<int> mChildren;
    // "End" for an End Site.
    std::string mName;
    bool mEndSite = false;
    int mChannelCount = 0;
    // Channel kinds (EChannel) in file order; the first mChannelCount are used.
    int mChannels[kMaxChannels] = {0, 0, 0, 0, 0, 0};
    // Position of the joint's first value on a frame line.
    int mFirstValue = 0;
    double mOffset[3] = {0.0, 0.0, 0.0};
};

// A BVH motion file: the joint hierarchy and the frames of the motion block, read into memory
// for a reader to build nodes and curves from, and the print operations with which a writer
// emits a file. Based on KTextFile with the format name "BioVision", separators space, tab, CR
// and LF, no comment characters, case-sensitive compare; keywords match as case-insensitive
// prefixes ("hierarchy" and "ROOTS" match "HIERARCHY" and "ROOT").
//
// Rotation convention: the rotation channels of a joint read outermost first in column-vector
// form, so "Zrotation Xrotation Yrotation" means R = Rz * Rx * Ry on column vectors, which is
// M = Ry * Rx * Rz with the kit's row vectors (KMotionRotationOrder::eFirstOutermost); reading
// and writing use the same convention, so what is written reads back unchanged.
//
// Everything taken from the file is checked before use: CHANNELS counts outside 0..6, nesting
// deeper than kMaxDepth, names longer than kMaxNameLength characters (a kNodePrefix aside), a
// "Frames:" count larger
// than the frame lines that follow (storage is sized by what the rest of the file can hold), a
// short or bad frame line and non-finite values all fail the read with a message naming file and
// line (GetLastError).
class KBvhFile : public KTextFile
{
public:
    // Joint names hold at most kMaxNameLength characters besides the node prefix kNodePrefix
    // that the kit's writer puts in front, so that every name read can be written and read back.
    static constexpr std::size_t kMaxNameLength = 127;
    static constexpr const char* kNodePrefix = "Model::";
    // Deepest nesting of JOINT and End Site blocks below the root.
    static constexpr int kMaxDepth = 1000;
    // OFFSET components of at most this magnitude are written as 0.
    static constexpr double kWriteZero = 1e-5;
    // Frame lines are written to the file in blocks of about this size.
    static constexpr std::size_t kFrameBlockBytes = 64 * 1024;
    // What separates the words and values of the file.
    static constexpr const char* kSeparators = " \t\r\n";

    explicit KBvhFile(bool pReporting = false);
    ~KBvhFile() override = default;

    // Parses the hierarchy and the motion header from the start of the file, replacing the
    // joint list. False, with a message and an empty joint list, on a missing or unexpected
    // keyword, a bad number, a bound passed or the end of the file.
    bool ReadHeader();
    // Reads only the motion header into the options: frame count, and the time mode set from the
    // rate (SetTimeMode with mode 0); option 8 becomes 1. When the frame time gives no usable
    // rate, the frame time becomes 1 / the options' rate instead. False for null options or when
    // there is no good motion header.
    bool ReadInfo(KStreamOptionsMotion* pOptions);
    // Frame by frame, for a reader that keeps no frame once it has used it: BeginFrames (after
    // ReadHeader) sets out to read every frame the file announces, or the options' frame count
    // when that is smaller (GetFramesToRead); each ReadFrame reads the next frame line into the
    // current frame (GetCurrentValues, GetCurrentPose). ReadFrame fails when the line is missing,
    // short, holds a bad or non-finite number, or when every frame to read has been read.
    bool BeginFrames(const KStreamOptionsMotion* pOptions = nullptr);
    bool ReadFrame();
    int GetFramesToRead() const { return mFramesToRead; }
    // The frames to read, or fewer when the rest of the file cannot hold that many: what storage
    // for the frames may be sized by before they are read.
    int GetFramesThatFit() const;
    // The progress percentage "Reading BVH nodes" reports before frame pFrame.
    float GetProgress(int pFrame) const;
    // All the frames at once (BeginFrames, then ReadFrame until every frame is read), each kept
    // for GetFrameValues and GetJointPose; the frames read completely before a failure stay
    // readable. The options, when given, receive progress "Reading BVH nodes" with the percentage.
    bool ReadMotion(const KStreamOptionsMotion* pOptions = nullptr);

    // The length of a joint name without a leading kNodePrefix.
    static std::size_t GetNameLength(const char* pName);

    // The joint list in parse order (every record after its parent); null outside the list.
    int GetJointCount() const { return static_cast<int>(mJoints.size()); }
    const KBvhJoint* GetJoint(int pIndex) const;
    // Values on one frame line: the sum of the channel counts.
    int GetTotalChannelCount() const { return mTotalChannels; }
    // From the motion header: the announced count (never negative) and frame time in seconds.
    int GetFrameCount() const { return mFrameCount; }
    double GetFrameTime() const { return mFrameTime; }
    // The rate of the frame time rounded to a whole number (0.0333333 s gives 30); 0 when the
    // frame time gives no usable rate.
    double GetFrameRate() const { return mFrameRate; }
    // Frames read completely, by ReadFrame or ReadMotion.
    int GetFramesRead() const { return mFramesRead; }
    // The GetTotalChannelCount values of a frame kept by ReadMotion; null outside
    // 0..GetFramesRead()-1 or after reading frame by frame.
    const double* GetFrameValues(int pFrame) const;
    // The values of the last frame read; null before the first.
    const double* GetCurrentValues() const;
    // A joint's pose at a frame kept by ReadMotion: translation = the offset with its position
    // channels put in; rotation = Euler X, Y, Z degrees (KRotationOrder XYZ) of the product of the
    // rotation channels under the convention above. False for an End Site or indexes out of range.
    bool GetJointPose(int pFrame, int pJoint, KVector4& pTranslation, KVector4& pRotation) const;
    // The same at the last frame read.
    bool GetCurrentPose(int pJoint, KVector4& oTranslation, KVector4& oRotation) const;
    // The poses of pCount joints at the last frame read, each as GetCurrentPose gives it, worked
    // out together (faster for many joints); ioScratch holds pCount matrices of the caller's.
    // False, nothing set, when an index is out of range or names an End Site.
    bool GetCurrentPoses(const int* pJoints, int pCount, KMatrix* ioScratch,
                         KVector4* oTranslations, KVector4* oRotations) const;

    // Print operations for a writer; each answers false (with a message) when the file refuses
    // the write or a value cannot be written: a non-finite number, or a name that is empty, holds
    // a blank, tab, CR or LF, or is longer than kMaxNameLength (a kNodePrefix aside).
    //
    // The joint's block opening: "HIERARCHY" and "ROOT <name>" for the root, "JOINT <name>"
    // otherwise, "{", the OFFSET line and the CHANNELS line: 3 rotation channels for a non-root
    // joint with pThreeChannels, else 6 with the positions first; the rotations are
    // "Zrotation Xrotation Yrotation" with pZxyOrder, else "Zrotation Yrotation Xrotation".
    bool WriteJointHeader(const char* pName, bool pIsRoot, const KVector4& pOffset, int pIndent,
                          bool pThreeChannels, bool pZxyOrder);
    bool WriteJointEnd(int pIndent);
    bool WriteEndSite(const KVector4& pOffset, int pIndent);
    // "MOTION", "Frames:" and "Frame Time:" (seconds); a negative count or frame time fails.
    bool WriteMotionHeader(int pFrameCount, double pFrameTime);
    // A joint's values on the frame line: the translation x, y, z unless the joint is written
    // with three channels, then pRotation's z, y and x in that order. The caller puts the angles
    // there so that this order is the header's channel order (for Zrotation Xrotation Yrotation:
    // z the Z angle, y the X angle, x the Y angle).
    // pRotationDecimals, when given and known, holds pRotation's values as short decimals, placed
    // alike, for a quicker text.
    bool WriteJointFrame(bool pIsRoot, const KVector4& pTranslation, const KVector4& pRotation,
                         bool pThreeChannels, const KBvhDecimals* pRotationDecimals = nullptr);
    // Ends the frame line. Lines reach the file in blocks of about kFrameBlockBytes, and the
    // line of the last frame WriteMotionHeader announced (or of any frame past it) at once: a
    // write that fails may show only at a later frame.
    bool WriteFrameEnd();

private:
    bool Fail(const char* pFormat, ...) __attribute__((format(printf, 2, 3)));
    void ClearModel();
    bool ParseHeader();
    bool ReadHierarchy();
    // Name, "{", OFFSET and CHANNELS of the joint just appended.
    bool ReadJointStart(int pJoint);
    bool ReadEndSite(int pJoint);
    bool ReadChannels(KBvhJoint& ioJoint);
    bool ReadMotionHeader(KStreamOptionsMotion* pOptions);
    // The current line's values through the text file's readers, which take every spelling:
    // false with the file's error at a bad or missing value; a warning when more follow.
    bool ReadValues(int pFrame);
    bool PrintOffset(const KVector4& pOffset, int pIndent);
    // One value of a frame line and its blank; answers the end.
    static char* WriteFrameValue(char* oAt, double pValue);
    // Room for pBytes more bytes of frame text, at its end (throws std::bad_alloc without memory).
    char* FrameRoom(std::size_t pBytes);
    bool PoseOf(const double* pFrame, int pJoint, KVector4& oTranslation,
                KVector4& oRotation) const;
    bool PosesOf(const double* pFrame, const int* pJoints, int pCount, KMatrix* ioRotations,
                 KVector4* oTranslations, KVector4* oRotations) const;
    // The joint's translation at the frame; the axes and angles of its rotation channels, in
    // listed order, into oAxes and oAngles (room for kMaxChannels), and their count.
    static KVector4 TurnsOf(const double* pFrame, const KBvhJoint& pJoint, int* oAxes,
                            double* oAngles, int& oTurns);

    KTextKeyword mTopKeywords[3];
    KTextKeyword mRootKeywords[2];
    KTextKeyword mBodyKeywords[7];
    KTextKeyword mChannelKeywords[7];
    KTextKeyword mMotionKeywords[3];

    std::vector<KBvhJoint> mJoints;
    int mTotalChannels = 0;
    int mFrameCount = 0;
    double mFrameTime = 0.0;
    double mFrameRate = 0.0;
    // True from a good motion header until BeginFrames: the next line is the first frame line.
    bool mMotionReady = false;
    // The last frame read, and every frame read when ReadMotion keeps them.
    std::vector<double> mFrame;
    std::vector<double> mValues;
    int mFramesToRead = 0;
    int mFramesRead = 0;
    int mFramesWritten = 0;
    int mFramesAnnounced = 0;
    // The frame lines not yet written, its first mFrameLength bytes: the file is written a block
    // at a time.
    std::vector<char> mFrameText;
    std::size_t mFrameLength = 0;
};

#endif
