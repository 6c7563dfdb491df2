#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTRFILE_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTRFILE_H

#include "core/KMatrix.h"
#include "core/KTime.h"
#include "formats/motion/KTextFile.h"
#include "formats/motion/htr/KHtrAffineBlock.h"
#include "formats/motion/htr/KHtrSegment.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class KReadRollback;
class KRyvNode;
class KRyvObjectFactory;
class KRyvScene;
class KStreamOptionsMotion;

// An HTR motion file (hierarchical translation and rotation): a header, the segment hierarchy,
// one base position per segment and a block of frame lines per segment. Based on KTextFile with
// the format name "HTR", separators space, tab, CR and LF, comment character '#' and
// case-sensitive compare; keywords match as case-insensitive prefixes, section titles only as
// whole words (a segment named "Header" has the frame title "[Header]", which is no section).
//
// Units: the file's lengths times the length factor (centimetres per calibration unit) divided
// by the scale factor give centimetres; its angles times the angle factor give degrees. The
// order word names the matrix product of the single-axis turns in column-vector form, first
// letter outermost ("ZYX": R = Rz * Ry * Rx, X turning first), which is
// KMotionRotationOrder::eFirstOutermost; "ZYX" is the kit's own Euler X, Y, Z.
//
// Everything taken from the file is checked before use: a segment count of 0 or less, a frame
// count below 0, a rate KMotionFrameRate refuses, a scale factor that is not finite and above 0,
// names longer than kMaxNameLength, parent names that form a cycle or name the segment itself,
// two roots, nesting deeper than kMaxDepth, base positions out of hierarchy order, a frame
// section that is missing, repeated or shorter than the frames asked for, and values beyond
// single precision all fail with a message naming file and line (GetLastError). Storage grows
// with the lines actually read: no count from the file sizes an allocation.
class KHtrFile : public KTextFile
{
public:
    // Segment names hold at most this many characters; longer ones are refused, never cut.
    static constexpr std::size_t kMaxNameLength = 255;
    // Deepest chain of segments below the root.
    static constexpr int kMaxDepth = 1000;
    // The parent name of the root segment.
    static constexpr const char* kGlobalParent = "GLOBAL";
    // The per-computer settings that say whether the reader minimises the rotation offset.
    static constexpr const char* kSettingsName = "@Application.txt";
    static constexpr const char* kSettingsSection = "MotionImportHTR";
    static constexpr const char* kSettingsKey = "MinimizeRotationOffset";
    // Option 8 of the motion options: 1 keeps the skeleton below a reference node.
    static constexpr int kOptionReferenceNode = 8;
    // The parse state; eStateDone once every base position has been read.
    enum EState {
        eStateNone = -1,
        eStateHeader = 0,
        eStateHierarchy = 1,
        eStateBase = 2,
        eStateDone = 100
    };

    // Reads the minimize-rotation-offset flag from the settings ("Yes", the default, in any
    // case, sets it).
    explicit KHtrFile(bool pReport = false);
    ~KHtrFile() override;

    // The header alone, into the options: frame count, time mode from the rate (SetTimeMode
    // with mode 0, so 29.97 selects the NTSC mode), option 8 at 1. False for null options, a bad
    // header or no header before the first other section.
    bool ReadHeaderOptions(KStreamOptionsMotion* pOptions);
    // Header, hierarchy and base positions into the segments, the hierarchy checked; the file
    // then stands on the first frame section title. False, with no segments, on any fault.
    bool ReadStructure();
    // The frame sections (ReadStructure and BuildNodes first): the options' frame count, lowered
    // to the file's, keys at the options' start plus whole periods on the nine curves of every
    // segment (opened through the rollback and closed here), then the rotation-offset pass when
    // the flag is set (pTop: the node the root segment's node hangs below), which takes the
    // nodes' rest values into the frame of the new keys, and the motion import filters. The
    // options receive progress "Reading HTR nodes". Each curve receives its keys once: with the
    // offset pass the keys of every segment (six floats per frame) wait in the segments until
    // the last section is read, since a parent's keys must be done first.
    bool ReadAnimation(KReadRollback& ioRollback, KStreamOptionsMotion* pOptions, KRyvNode* pTop);

    // Creates every segment's limb node (recorded in the rollback, marked for export) with the
    // base pose as its Lcl values and the take pTakeName made current, hangs the root segment's
    // node below pTop, sets the limits and adds an "<name>_End" node below every leaf.
    bool BuildNodes(KReadRollback& ioRollback, KRyvObjectFactory* pFactory, KRyvNode* pTop,
                    const char* pTakeName);
    // A rest pose "<pName>_RESTPOSE" (recorded in the rollback) with each segment node's rest
    // values (the base pose, in the frame of its keys) as a local matrix under the segment's
    // name, added to the scene. False when a segment has no node.
    bool CreateRestPose(KReadRollback& ioRollback, KRyvObjectFactory* pFactory, KRyvScene* pScene,
                        const char* pName);

    // Forgets the segments, their names and nodes, and frees what they held; ReadStructure
    // reads them again. For the end of a read, when the nodes are the scene's (or taken back).
    void ReleaseSegments();

    // The segment of that exact name, or built as that node; null when none.
    const KHtrSegment* FindSegment(const char* pName) const;
    const KHtrSegment* FindSegmentByNode(const KRyvNode* pNode) const;
    int GetSegmentCount() const { return static_cast<int>(mSegments.size()); }
    // pIndex from 0 to GetSegmentCount() - 1, in the order of the hierarchy section.
    const KHtrSegment& GetSegment(int pIndex) const
    {
        return mSegments[static_cast<std::size_t>(pIndex)];
    }

    // Header values as read (or their initial values).
    int GetDeclaredSegmentCount() const { return mSegmentCount; }
    int GetFrameCount() const { return mFrameCount; }
    double GetFrameRate() const { return mFrameRate; }
    int GetRotationOrderIndex() const { return mRotationOrderIndex; }
    double GetLengthFactor() const { return mLengthFactor; }
    double GetAngleFactor() const { return mAngleFactor; }
    bool GetMinimizeRotationOffset() const { return mMinimizeRotationOffset; }
    void SetMinimizeRotationOffset(bool pMinimize) { mMinimizeRotationOffset = pMinimize; }

    // The rotation of three file angles (degrees, X, Y, Z) in the file's order.
    KMatrix FrameRotation(const double pAngles[3]) const;

    // Print operations of a writer; each answers false (with a message) when the file refuses
    // a write or a value cannot be written: a name IsWritableName refuses, a value that is not
    // finite. The header states "ZYX", "mm", "Degrees" and the bone axis Y; a whole rate is
    // written as an integer, any other with the digits that give it back.
    bool WriteHeader(int pSegments, int pFrames, double pRate);
    bool WriteHierarchyTitle();
    // A null or empty parent writes "GLOBAL".
    bool WriteHierarchyLine(const char* pName, const char* pParent);
    bool WriteBaseTitle();
    bool WriteBaseLine(const char* pName, double pTx, double pTy, double pTz, double pRx,
                       double pRy, double pRz, double pLength);
    bool WriteFrameTitle(const char* pName);
    bool WriteFrameLine(int pFrame, double pTx, double pTy, double pTz, double pRx, double pRy,
                        double pRz);
    bool WriteEnd();

    // A name the file can hold and read back as the same segment: 1 to kMaxNameLength
    // characters, no blank, tab, CR or LF, not starting with '#' (a comment) or '[' (a section),
    // and not "GLOBAL".
    static bool IsWritableName(const char* pName);

private:
    // Names quoted in messages are cut to this many characters.
    static constexpr std::size_t kQuotedLength = 40;
    static std::string Quoted(const std::string& pName);
    bool Fail(const char* pFormat, ...) __attribute__((format(printf, 2, 3)));
    void ResetHeader();
    bool ParseStructure();
    int MatchSection();
    bool ReadHeaderLine(KStreamOptionsMotion* pOptions);
    bool ReadHeaderKey(int pKey, KStreamOptionsMotion* pOptions);
    bool ReadHeaderCount(int pKey, KStreamOptionsMotion* pOptions);
    bool ReadHeaderRate(KStreamOptionsMotion* pOptions);
    bool ReadHeaderUnits(int pKey);
    bool ReadBoneAxis();
    bool StartSection(int pSection, bool& ioHeaderSeen, bool& ioHierarchySeen);
    bool ReadSegmentName(std::string& oName, const char* pWhat);
    bool ReadHierarchyLine();
    bool ReadBaseLine();
    bool LinkHierarchy();
    // The refusal of a second segment without a parent among the segments.
    bool FailSecondRoot(const KHtrSegment& pRoot, const KHtrSegment& pSecond);

    // Frames.
    bool ReadFrameSection(KReadRollback& ioRollback, int pCount, std::vector<bool>& ioFilled,
                          int& oIndex);
    // Reads pCount frame lines into the segment's key columns; oOutOfRange receives the first
    // frame (from 0) whose keys a float cannot hold, -1 when none.
    bool ReadFrameLines(int pCount, KHtrSegment& ioSegment, int& oOutOfRange);
    // The frame line's translation (centimetres) and angles (degrees) into oValues.
    bool ReadFrameLine(double oValues[KHtrSegment::kKeyColumns]);
    bool ReadPlainFrameLine(double oValues[KHtrSegment::kKeyColumns]) const;
    // Reads frame lines pFirst to pFirst + pFrames - 1 (pFrames at most a block's frames) of
    // pCount: the translations into oTranslation[axis][frame], the angles (degrees) into
    // oAngles[axis][frame].
    bool ReadFrameBlock(int pFirst, int pFrames, int pCount, const KHtrSegment& pSegment,
                        double oTranslation[3][KHtrAffineBlock::kFrames],
                        double oAngles[3][KHtrAffineBlock::kFrames]);
    // The Euler X, Y, Z angles (degrees) of pFrames frames' turns (pAngles) followed by the base
    // rotation into oAngles. ioTurns and ioRotations are work blocks.
    void FrameAngles(int pFrames, const double pAngles[3][KHtrAffineBlock::kFrames],
                     const KHtrAffine& pBaseRotation, KHtrAffineBlock& ioTurns,
                     KHtrAffineBlock& ioRotations, double oAngles[3][KHtrAffineBlock::kFrames]);
    // The axes the frame turns about, in the order they apply (those of FrameRotation).
    void AppliedAxes(int oAxes[3]) const;
    bool AtSectionTitle() const;
    void SkipFrameLines();
    // Hands the key columns to the curves (unit scale on the scaling curves) and frees them.
    bool SetKeys(KHtrSegment& ioSegment, const std::vector<KTime>& pTimes,
                 const std::vector<float>& pUnitScale);
    // Keys 0 to pCount - 1 of every segment below pTop's first child, parents first, in the key
    // columns: block by block of frames, each segment after its parent.
    void MinimizeRotationOffset(KRyvNode* pTop, int pCount);
    void ApplyFilters();

    // Nodes.
    bool CreateSegmentNode(KReadRollback& ioRollback, KRyvObjectFactory* pFactory,
                           KHtrSegment& ioSegment, const char* pTakeName);
    bool AddEndNode(KReadRollback& ioRollback, KRyvObjectFactory* pFactory,
                    const KHtrSegment& pSegment, const char* pTakeName);
    // pDefaultGlobal: the default global matrix of the segment's node.
    void SetSegmentLimits(KHtrSegment& ioSegment);
    // After the rotation-offset pass: every segment node's rest values (its Lcl values and its
    // limits' default translation) taken into the frame the pass gives the keys, its default
    // rotation taken out, so that the rest pose (CreateRestPose takes the Lcl values) and the
    // keys describe one skeleton. End nodes and bone axes are built in that frame already.
    void MoveRestToOffsetFrame();
    // The bone axis of a segment node in the frame the keys give it: the unit vector of the
    // bone length axis, turned by the default rotation when the offset is minimised.
    KVector4 EndTranslation(const KHtrSegment& pSegment) const;

    KTextKeyword mSections[5];
    KTextKeyword mHeaderKeys[13];
    KTextKeyword mFileTypes[2];
    KTextKeyword mDataTypes[2];
    KTextKeyword mEulerOrders[7];
    KTextKeyword mCalibrationUnits[4];
    KTextKeyword mRotationUnits[3];
    KTextKeyword mAxes[4];

    int mFileType = 0;
    int mDataType = 0;
    int mFileVersion = 1;
    int mSegmentCount = 0;
    int mFrameCount = 0;
    double mFrameRate = 60.0;
    int mEulerOrder = 0;
    int mCalibrationUnit = 0;
    int mRotationUnit = 0;
    int mGravityAxis = 1;
    int mBoneAxis = 1;
    double mScaleFactor = 1.0;
    int mRotationOrderIndex = 0;
    double mLengthFactor = 0.1;
    double mAngleFactor = 1.0;
    KMatrix mBoneAxisMatrix;
    int mState = eStateNone;
    std::vector<KHtrSegment> mSegments;
    std::unordered_map<std::string, int> mSegmentOfName;
    std::unordered_map<const KRyvNode*, int> mSegmentOfNode;
    int mCursor = 0;
    bool mMinimizeRotationOffset = true;
};

#endif
