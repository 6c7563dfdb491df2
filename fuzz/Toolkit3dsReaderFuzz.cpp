// Fuzz entry point of the 3DS chunk toolkit's reader: the input is a byte source in memory,
// whose chunk tree is loaded into a database, and every record of every kind is got from it,
// which decodes the data of each chunk it reaches. Any answer is fine; a crash, a hang, a leak
// or a read out of bounds is not.

#include "core/KByteSource.h"
#include "formats/geometry/3ds/toolkit/Toolkit3ds.h"

#include <cstdint>
#include <memory>

namespace {

// Records past these indexes are not looked at: the file's first few are enough to reach
// every decoder.
constexpr uint32_t kRecordsPerKind = 8;

void GetEverything(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    for (uint32_t i = 0; i < kRecordsPerKind; ++i) {
        std::unique_ptr<MeshObject3ds> lMesh;
        GetMeshByIndex3ds(ioKit, pDatabase, i, lMesh);
        std::unique_ptr<Material3ds> lMaterial;
        GetMaterialByIndex3ds(ioKit, pDatabase, i, lMaterial);
        std::unique_ptr<LightObject3ds> lLight;
        GetOmniLightByIndex3ds(ioKit, pDatabase, i, lLight);
        GetSpotlightByIndex3ds(ioKit, pDatabase, i, lLight);
        std::unique_ptr<CameraObject3ds> lCamera;
        GetCameraByIndex3ds(ioKit, pDatabase, i, lCamera);
        std::unique_ptr<ObjectMotion3ds> lObject;
        GetObjectMotionByIndex3ds(ioKit, pDatabase, i, lObject);
        std::unique_ptr<CameraMotion3ds> lCameraMotion;
        GetCameraMotionByIndex3ds(ioKit, pDatabase, i, lCameraMotion);
        std::unique_ptr<SpotlightMotion3ds> lSpotMotion;
        GetSpotlightMotionByIndex3ds(ioKit, pDatabase, i, lSpotMotion);
        std::unique_ptr<OmniLightMotion3ds> lOmniMotion;
        GetOmniLightMotionByIndex3ds(ioKit, pDatabase, i, lOmniMotion);
    }
    std::unique_ptr<MeshSettings3ds> lSettings;
    GetMeshSettings3ds(ioKit, pDatabase, lSettings);
    std::unique_ptr<BackgroundSettings3ds> lBackground;
    GetBackgroundSettings3ds(ioKit, pDatabase, lBackground);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    auto lSource = std::make_unique<KByteSource>();
    if (!lSource->OpenMemory(pData, pSize, "fuzz.3ds", false)) {
        return 0;
    }
    Toolkit3dsContext lKit;
    FileRecord3ds* lFile = OpenSource3ds(lKit, std::move(lSource));
    std::unique_ptr<ChunkDatabase3ds> lDatabase;
    InitDatabase3ds(lKit, lDatabase);
    CreateDatabase3ds(lKit, lFile, lDatabase.get());
    GetEverything(lKit, lDatabase.get());
    return 0;
}
