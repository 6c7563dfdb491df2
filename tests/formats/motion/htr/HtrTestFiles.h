#ifndef RYVKIT_TESTS_MOTION_HTRTESTFILES_H
#define RYVKIT_TESTS_MOTION_HTRTESTFILES_H

#include <string>

// A two-segment file written by hand from the format's description: Root at (10, 20, 30) mm,
// Arm 100 mm above it with a 50 mm bone. Frame 2 moves Root by 10 mm along X and turns it 90
// degrees about Z, and turns Arm 90 degrees about X.
inline const char* const kHtrArm = "# two segments\n"
                                   "[Header]\n"
                                   "FileType htr\n"
                                   "DataType HTRS\n"
                                   "FileVersion 1\n"
                                   "NumSegments 2\n"
                                   "NumFrames 2\n"
                                   "DataFrameRate 30\n"
                                   "EulerRotationOrder XYZ\n"
                                   "CalibrationUnits mm\n"
                                   "RotationUnits Degrees\n"
                                   "GlobalAxisofGravity Y\n"
                                   "BoneLengthAxis Y\n"
                                   "ScaleFactor 1.0\n"
                                   "[SegmentNames&Hierarchy]\n"
                                   "Root\tGLOBAL\n"
                                   "Arm\tRoot\n"
                                   "[BasePosition]\n"
                                   "Root\t10\t20\t30\t0\t0\t0\t100\n"
                                   "Arm\t0\t100\t0\t0\t0\t0\t50\n"
                                   "[Root]\n"
                                   "1\t0\t0\t0\t0\t0\t0\t1.0\n"
                                   "2\t10\t0\t0\t0\t0\t90\t1.0\n"
                                   "[Arm]\n"
                                   "1\t0\t0\t0\t0\t0\t0\t1.0\n"
                                   "2\t0\t0\t0\t90\t0\t0\t1.0\n"
                                   "[EndOfFile]\n";

// pText with the first occurrence of pFrom replaced by pTo.
inline std::string Replaced(std::string pText, const std::string& pFrom, const std::string& pTo)
{
    const std::size_t lAt = pText.find(pFrom);
    if (lAt != std::string::npos) {
        pText.replace(lAt, pFrom.size(), pTo);
    }
    return pText;
}

#endif
