#ifndef RYVKIT_TESTS_SUPPORT_NOTFINITEPOINTS_H
#define RYVKIT_TESTS_SUPPORT_NOTFINITEPOINTS_H

#include <cmath>
#include <limits>
#include <vector>

// The points every writer refuses, as KWriter::FailNotFinitePoint words it: a coordinate mX
// set on one point of a node scaled along X by mScale, which is not finite once placed in the
// world.
struct NotFinitePoint
{
    const char* mWhat;
    double mX;
    double mScale;
};

inline std::vector<NotFinitePoint> NotFinitePoints()
{
    return {{"not a number", std::nan(""), 1.0},
            {"infinite", -std::numeric_limits<double>::infinity(), 1.0},
            {"infinite once scaled", 1e300, 1e10}};
}

#endif
