#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSAXES_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSAXES_H

#include "core/KTime.h"
#include "core/KVector4.h"
#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

#include <cmath>
#include <cstdint>

// The conventions shared by the 3DS reader and writer. Files are Z-up and the kit is Y-up: a
// file point (x, y, z) is the kit point (x, z, -y), and a kit point (x, y, z) is written as
// (x, -z, y). Scalings swap Y and Z without a sign. Frames count at 30 per second.
namespace K3dsAxes {

constexpr int kTimeMode = KTimeModeTable::kFrames30;

// The user properties of a spot's node that keep its falloff and roll (degrees), which the
// kit's light has no property for.
constexpr const char* kSpotFalloff = "Falloff";
constexpr const char* kSpotRoll = "Roll";

inline KVector4 ToKit(const Point3ds& pPoint)
{
    return KVector4(pPoint.x, pPoint.z, -static_cast<double>(pPoint.y));
}

inline Point3ds ToFile(const KVector4& pPoint)
{
    return {static_cast<float>(pPoint[0]), static_cast<float>(-pPoint[2]),
            static_cast<float>(pPoint[1])};
}

inline KVector4 ScalingToKit(const Point3ds& pScaling)
{
    return KVector4(pScaling.x, pScaling.z, pScaling.y);
}

inline Point3ds ScalingToFile(const KVector4& pScaling)
{
    return {static_cast<float>(pScaling[0]), static_cast<float>(pScaling[2]),
            static_cast<float>(pScaling[1])};
}

// The time of a frame; any 32-bit frame number fits the tick range.
inline KTime FrameTime(int64_t pFrame)
{
    return KTime(pFrame * KTime::GetTicksPerFrame(kTimeMode));
}

// A texture map's tiling flags: repeated, or a single decal.
constexpr int kTilingRepeat = 1;
constexpr int kTilingDecal = 2;

// A map scale that can be divided by: zero or not finite reads as 1.
inline double UsableMapScale(double pScale)
{
    return pScale != 0.0 && std::isfinite(pScale) ? pScale : 1.0;
}

} // namespace K3dsAxes

#endif
