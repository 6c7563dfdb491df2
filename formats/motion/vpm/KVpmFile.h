#ifndef RYVKIT_FORMATS_MOTION_VPM_KVPMFILE_H
#define RYVKIT_FORMATS_MOTION_VPM_KVPMFILE_H

#include "core/KString.h"
#include "core/KVector4.h"
#include "formats/motion/KTextFile.h"

#include <cstddef>
#include <string>

// A VPM motion file: a sequence of segments, one per animated object, each made of the lines
// "Segment:" name, "Frames:" count, "Frame Time:" seconds, two column-title lines, and one line
// per frame of translation x, y, z in inches, rotation x, y, z in degrees and scaling x, y, z in
// percent. Based on KTextFile with the format name "VPM", separators space, tab, CR and LF, no
// comment characters, case-sensitive, reporting off; the keywords match as case-insensitive
// prefixes. Values handed in and out are the kit's: centimetres, degrees and factors.
class KVpmFile : public KTextFile
{
public:
    enum EKeyword { eSegment = 0, eFrames = 1, eFrameTime = 2 };
    static constexpr double kCentimetresPerInch = 2.54;
    static constexpr double kInchesPerCentimetre = 0.3937007874015748;
    static constexpr double kPercent = 100.0;

    // Names taken from the file are quoted in messages up to this many characters.
    static constexpr std::size_t kQuotedLength = 40;

    KVpmFile();

    // The first kQuotedLength characters of a name, for messages.
    static std::string QuoteName(const KString& pName);

    // Loads the next line (the first when pRewind) and reads the three header lines. False when
    // a keyword is missing or out of order, the name is empty, the count negative or the frame
    // time no usable period (KMotionFrameRate: not finite, too short or too long); the last
    // error then says why. oFrameTime is in seconds.
    bool ReadSegmentHeader(KString& oName, int& oFrameCount, double& oFrameTime, bool pRewind);
    // Passes over the next two lines, whatever their words; false when either is missing.
    bool SkipColumnTitles();
    // The numbers of a frame line: translation x, y, z, rotation x, y, z, scaling x, y, z.
    static constexpr int kFrameValues = 9;

    // Loads the next line and reads its three triples into oValues: translation in
    // centimetres, rotation in degrees, scaling as factors (the file's percent times 0.01), each
    // within single precision. False, with the last error set when the line is there, for a
    // missing number or a value beyond single precision.
    bool ReadFrame(double oValues[kFrameValues]);

    // The writers; each false when a write failed.
    bool WriteSegmentHeader(const char* pName, int pFrameCount, double pFrameTime);
    bool WriteColumnTitles();
    bool WriteFrame(const KVector4& pTranslation, const KVector4& pRotation,
                    const KVector4& pScaling);

private:
    bool ExpectKeyword(EKeyword pKeyword);
    // The frame line's numbers as the file has them; false with the last error set.
    bool ReadFrameNumbers(double oValues[kFrameValues]);

    KTextKeyword mKeywords[4];
};

#endif
