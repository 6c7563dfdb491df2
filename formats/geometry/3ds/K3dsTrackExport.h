#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSTRACKEXPORT_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSTRACKEXPORT_H

#include "formats/geometry/3ds/K3dsWriteSession.h"

#include <memory>
#include <string>

class KRyvNode;

// The keyframer tracks a 3DS write makes: every channel sampled at every frame at 30 per
// second from frame 0 to the last frame the node's own animation reaches (one key, frame 0,
// with the keyframer switch off), one key per frame with key flags 7 and TCB values 0. A
// channel without keys holds its static value. Positions are written as (x, -z, y), scalings
// as (x, z, y) (all three near 0 become 1), colours unchanged; a rotation key holds the turn
// from the previous frame's orientation, as an angle in radians and an axis.
class K3dsTrackExport
{
public:
    explicit K3dsTrackExport(const K3dsWriteSession& pSession) : mSession(pSession) {}

    // The number of keys of a node's tracks; above kWarnKeys a warning names the node.
    uint32_t KeyCount(KRyvNode& ioNode) const;
    // Why the node's tracks are not sampled (empty when they are): one key a frame from frame
    // 0 to its last key may not pass kFreeFrames plus kFramesPerKey for each key its curves
    // hold, so that one key far out in time cannot make millions of keys.
    std::string SpanRefusal(KRyvNode& ioNode) const;
    // The translation, rotation or scaling channels of a node (pGroup 0, 1, 2).
    void TransformChannels(KRyvNode& ioNode, int pGroup, K3dsChannel* oChannels) const;

    static void SamplePositionTrack(Track3ds<Point3ds>& ioTrack, const K3dsChannel* pXYZ,
                                    uint32_t pCount);
    static void SampleRotationTrack(Track3ds<Rotation3ds>& ioTrack, const K3dsChannel* pXYZ,
                                    uint32_t pCount);
    static void SampleScaleTrack(Track3ds<Point3ds>& ioTrack, const K3dsChannel* pXYZ,
                                 uint32_t pCount);
    static void SampleColorTrack(Track3ds<Color3ds>& ioTrack, const K3dsChannel* pRGB,
                                 uint32_t pCount);
    static void SampleValueTrack(Track3ds<float>& ioTrack, const K3dsChannel& pChannel,
                                 uint32_t pCount);

    // The parent name of a node's keyframer record (at most 20 bytes): empty without parent;
    // a mesh, NURBS, patch, light or camera parent by its name; any other "$$$DUMMY." and its
    // name. With pReferenceRule (mesh and dummy records), a parent named "Ryv_Roo..." gives
    // "$$$DUMMY.RootNod" with the reference-node option on, else no parent.
    std::string ParentName(KRyvNode& ioNode, bool pReferenceRule) const;
    // The record of a mesh or dummy node: name, parent, position, rotation and scale tracks.
    std::unique_ptr<ObjectMotion3ds> BuildObjectMotion(KRyvNode& ioNode) const;

    // Beyond this many keys a track is still written, with a warning.
    static constexpr uint32_t kWarnKeys = 1000000;
    // Twenty minutes at 30 frames per second are sampled whatever the keys.
    static constexpr uint64_t kFreeFrames = 36000;
    static constexpr uint64_t kFramesPerKey = 100;

private:
    const K3dsWriteSession& mSession;
};

// Key headers of frames 0 to n - 1 with key flags 7 (tension, continuity and bias, all 0).
void FillKeyHeaders3ds(std::vector<KeyHeader3ds>& ioKeys);
// Whether the node's attribute is a mesh, NURBS, patch, light or camera (written by name).
bool IsWrittenByName3ds(const KRyvNode* pNode);

#endif
