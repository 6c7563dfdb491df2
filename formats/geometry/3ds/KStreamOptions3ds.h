#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_KSTREAMOPTIONS3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_KSTREAMOPTIONS3DS_H

#include "io/KStreamOptionsBase.h"

// The option set of the 3DS reader and writer (value 1 means on). Both read options 1 and 7 to
// 14; only the reader reads 15 and 16, only the writer 17. Options 2 to 6 stay at value 0 with
// an empty name. The set keeps a take name (the reader stores "default take" in it).
class KStreamOptions3ds : public KStreamOptionsBase
{
    K_DECLARE_CLASS(KStreamOptions3ds)

    // Option indices.
    static constexpr int kCreateReferenceNode = 1;
    static constexpr int kMaterials = 7;
    static constexpr int kTextureMapping = 8;
    static constexpr int kAnim = 9;
    static constexpr int kGeometries = 10;
    static constexpr int kLights = 11;
    static constexpr int kCamera = 12;
    static constexpr int kAmbientLight = 13;
    static constexpr int kRescale = 14;
    static constexpr int kReduceKeys = 15;
    static constexpr int kSmoothGroup = 16;
    static constexpr int kUVPerPolygon = 17;

    KStreamOptions3ds();
    ~KStreamOptions3ds() override = default;

    // The callbacks back to their defaults, then every listed option: "Create Reference Node" 0,
    // "Reduce Keys" 0, the ten others 1; flag byte 1, word 2 set to 1, word 1 set to 2 (1 for
    // "UV per polygon", 0 for "Reduce Keys") and word 3 to 0 (7 for "Texture Mapping").
    void Reset() override;
    bool KeepsTakeName() const override { return true; }
    // Whether the option at pIndex is on (value 1).
    bool IsOn(int pIndex) const { return GetOptionValue(pIndex) == 1; }
};

#endif
