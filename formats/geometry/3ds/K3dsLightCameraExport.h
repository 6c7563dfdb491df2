#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSLIGHTCAMERAEXPORT_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSLIGHTCAMERAEXPORT_H

#include "formats/geometry/3ds/K3dsTrackExport.h"

#include <memory>
#include <vector>

class KRyvCamera;
class KRyvLight;
class KRyvNode;
class KRyvTakeNode;

// The lights and cameras of a 3DS write: the static records of the mesh section and their
// keyframer records. A spot or camera target is the node's look-at target when it has one
// (below that node's parent), else a point ahead of the node, 10 units along its local -Y
// (spots) or +X (cameras), below the node's parent. The
// static records hold the values of frame 0 (position, target, field of view, roll, hotspot). A
// spot's falloff and roll come from the node's user properties that keep them
// (K3dsAxes::kSpotFalloff, kSpotRoll); without them the falloff follows the cone angle (the static
// one never below the hotspot) and the roll is one key of 0. The file's field of view is the
// horizontal angle, keyed or not: a camera of both angles gives its horizontal one, a horizontal
// camera its own, and any other has its angle converted from the vertical one, on the values read,
// never in the scene's curves; the roll of a camera without target follows its up vector.
class K3dsLightCameraExport
{
public:
    explicit K3dsLightCameraExport(K3dsWriteSession& ioSession)
        : mSession(ioSession), mTracks(ioSession)
    {
    }

    // pTranslation: the node's translation at time 0 (kit axes).
    std::unique_ptr<LightObject3ds> BuildOmniLight(KRyvLight& pLight, const KVector4& pTranslation,
                                                   const std::string& pName) const;
    std::unique_ptr<LightObject3ds> BuildSpotLight(KRyvNode& ioNode, KRyvLight& pLight,
                                                   const KVector4& pTranslation,
                                                   const std::string& pName) const;
    // Also puts the background: a solid colour, the camera's background colour (the last
    // camera written sets it).
    std::unique_ptr<CameraObject3ds> BuildCamera(KRyvNode& ioNode, KRyvCamera& pCamera,
                                                 const KVector4& pTranslation,
                                                 const std::string& pName) const;
    std::unique_ptr<OmniLightMotion3ds> BuildOmniLightMotion(KRyvNode& ioNode) const;
    std::unique_ptr<SpotlightMotion3ds> BuildSpotLightMotion(KRyvNode& ioNode) const;
    std::unique_ptr<CameraMotion3ds> BuildCameraMotion(KRyvNode& ioNode) const;

    // The field of view a camera writes for a value of its curve or property (degrees):
    // converted from the vertical angle, by film width, height and squeeze, unless the
    // aperture mode is 0 or 1. A film height of 0 leaves the value as it is.
    static double ConvertFieldOfView(const KRyvCamera& pCamera, double pDegrees);

private:
    // The target positions of frames 0 to n - 1 (kit axes), and the frame count of a target
    // node's own animation (n without one).
    std::vector<KVector4> TargetPositions(KRyvNode& ioNode, const KVector4& pAhead,
                                          uint32_t pCount) const;
    std::string TargetParentName(KRyvNode& ioNode) const;
    // The node's current take when the keyframer is on, else null.
    KRyvTakeNode* KeyedTake(KRyvNode& ioNode) const;
    // A spot's cone angle (its hotspot).
    K3dsChannel ConeChannel(KRyvNode& ioNode) const;
    // The channel of the node's user property pName (its take curve and its value);
    // pOtherwise when the node has no such property.
    K3dsChannel UserValueChannel(KRyvNode& ioNode, const char* pName,
                                 const K3dsChannel& pOtherwise) const;
    void ColorChannels(KRyvNode& ioNode, K3dsChannel* oChannels) const;
    K3dsChannel FieldOfViewChannel(KRyvNode& ioNode, KRyvCamera& pCamera, bool& oConvert) const;

    K3dsWriteSession& mSession;
    K3dsTrackExport mTracks;
};

#endif
