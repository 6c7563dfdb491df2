#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_SCENESETTINGS3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_SCENESETTINGS3DS_H

#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

#include <cstdint>
#include <memory>
#include <string>

struct ChunkDatabase3ds;
struct Toolkit3dsContext;

// The settings kept as direct children of the mesh section. A 24-bit ambient colour reads as
// byte / 256.
struct MeshSettings3ds
{
    float mMasterScale = 1.0f; // 0x0100
    uint32_t mUnused = 0;
    float mShadowBias = 1.0f;                           // 0x1400
    float mRayBias = 1.0f;                              // 0x1460
    uint16_t mShadowMapSize = 512;                      // 0x1420
    float mShadowFilter = 3.0f;                         // 0x1450
    Color3ds mAmbient{0.392157f, 0.392157f, 0.392157f}; // 0x2100
    Point3ds mConstruction;                             // 0x1500
};

// The background: a bitmap, a solid colour or a gradient; mInUse 0 none, 1 solid, 2 gradient,
// 3 bitmap.
struct BackgroundSettings3ds
{
    static constexpr int kNone = 0;
    static constexpr int kSolid = 1;
    static constexpr int kGradient = 2;
    static constexpr int kBitmap = 3;
    std::string mBitmap; // at most 12 characters
    Color3ds mSolid;
    float mGradientPosition = 0.5f;
    Color3ds mGradient[3];
    int32_t mInUse = kNone;
};

void InitMeshSettings3ds(std::unique_ptr<MeshSettings3ds>& ioSettings);
void ReleaseMeshSettings3ds(std::unique_ptr<MeshSettings3ds>& ioSettings);
// When the database has a mesh section: the defaults, then each value found there.
void GetMeshSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                        std::unique_ptr<MeshSettings3ds>& ioSettings);
void PutMeshSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                        const MeshSettings3ds* pSettings);
void InitBackgroundSettings3ds(std::unique_ptr<BackgroundSettings3ds>& ioBackground);
void ReleaseBackgroundSettings3ds(std::unique_ptr<BackgroundSettings3ds>& ioBackground);
void GetBackgroundSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                              std::unique_ptr<BackgroundSettings3ds>& ioBackground);
// Writes the three backgrounds and the marker of the one in use (none for kNone).
void PutBackgroundSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                              const BackgroundSettings3ds* pBackground);

#endif
