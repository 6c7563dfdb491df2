#ifndef RYVKIT_FORMATS_MOTION_BRD_KBRDFILE_H
#define RYVKIT_FORMATS_MOTION_BRD_KBRDFILE_H

#include "formats/motion/KTextFile.h"

// One BRD line: a sensor's position, orientation and time stamp at one frame. Positions are in
// the file's units (the kit takes them as centimetres); the quaternion is x, y, z, w as written.
struct KBrdSample
{
    int mFrame = 0;
    int mId = 0;
    double mPosition[3] = {0.0, 0.0, 0.0};
    double mQuaternion[4] = {0.0, 0.0, 0.0, 1.0};
    // Whole seconds plus the microseconds field.
    double mSeconds = 0.0;
};

// A BRD file of six-degree-of-freedom sensor samples: no header, no comments, one sample a line,
// "frame id P x y z Q qx qy qz qw seconds microseconds", fields separated by white space (tabs
// when written), in any order of sensors and frames. Based on KTextFile with the format name
// "BRD", separators space, tab, CR and LF, no comment characters, case-sensitive (the letters P
// and Q must be capitals), reporting off.
class KBrdFile : public KTextFile
{
public:
    // Time stamps beyond this many seconds (about three years) are taken for damage: the kit's
    // times could not hold them with the file's microseconds.
    static constexpr double kMaxSeconds = 1.0e8;

    KBrdFile();

    // Loads the next line (the first when pRewind) and parses one sample from it. False at the
    // end of the file (IsAtEnd) or for a line that is not a sample: a field missing or no number,
    // a letter other than P or Q, a value beyond single precision, a quaternion or time that is
    // not finite, or a time beyond kMaxSeconds; then the last error names the line and why.
    bool ReadSample(KBrdSample& oSample, bool pRewind);
    // Writes one line; the time is split into its whole seconds, truncated toward zero so that
    // the two fields add up to it, and the microseconds after them. False when a write failed.
    bool WriteSample(int pFrame, int pId, const double pPosition[3], const double pQuaternion[4],
                     double pSeconds);

private:
    bool ParseSample(KBrdSample& oSample);
    // The line's fields in their plain form (KMotionLineScanner); false for any other line.
    bool ScanPlainSample(KBrdSample& oSample, double& oMicroseconds) const;
    // The same through the text file's readers, which take every form; false with the last
    // error naming the field that is wrong.
    bool ReadFields(KBrdSample& oSample, double& oMicroseconds);
    bool ReadLetter(char pLetter);
};

#endif
