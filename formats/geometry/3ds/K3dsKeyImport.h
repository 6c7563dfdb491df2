#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSKEYIMPORT_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSKEYIMPORT_H

#include "formats/geometry/3ds/toolkit/Keyframer3ds.h"

#include <functional>

class KFCurve;
class KRyvCamera;
class KRyvLight;
class KRyvNode;
class KRyvTakeNode;

// Turns keyframer tracks into curves of a node's current take. A track is animated when it
// has two keys or more and animation is on: its keys become TCB keys (tension, continuity and
// bias from the key, ease ignored) at frame / 30 s, skipping every key whose frame is not past
// the last one taken. Otherwise the transform tracks set the curves' default values and the
// node's local value from the first key (or the default), and the other tracks write one key
// at time 0. A keyed transform track also sets the node's local value to the track's value
// at frame 0, where the take starts. Values go into kit axes; positions are multiplied by the
// scale. With key reduction on, each track's curves then go through the key reducer (precision 1);
// rotation curves are first unrolled so that no key jumps by a whole turn.
class K3dsKeyImport
{
public:
    K3dsKeyImport(bool pAnimate, bool pReduceKeys, double pScale)
        : mAnimate(pAnimate), mReduceKeys(pReduceKeys), mScale(pScale)
    {
    }

    // pDefault: the value without keys (file axes, not yet scaled).
    void Position(KRyvNode& ioNode, const Track3ds<Point3ds>& pTrack,
                  const Point3ds& pDefault = Point3ds()) const;
    // Keys hold each frame's turn from the one before; they accumulate. A key about a zero
    // axis turns nothing.
    void Rotation(KRyvNode& ioNode, const Track3ds<Rotation3ds>& pTrack) const;
    void Scale(KRyvNode& ioNode, const Track3ds<Point3ds>& pTrack) const;
    // Colours clamped to [0, 1]; pDefault (the light's own colour) without keys.
    void Color(KRyvNode& ioNode, KRyvLight* ioLight, const Track3ds<Color3ds>& pTrack,
               const Color3ds& pDefault) const;
    // Field of view in degrees and roll; pDefault (the camera's own value) without keys.
    void FieldOfView(KRyvNode& ioNode, KRyvCamera* ioCamera, const Track3ds<float>& pTrack,
                     float pDefault) const;
    void Roll(KRyvNode& ioNode, KRyvCamera* ioCamera, const Track3ds<float>& pTrack,
              float pDefault) const;
    // A spot's hotspot (degrees) as the light's cone angle; pDefault (the spot's own hotspot)
    // without keys.
    void ConeAngle(KRyvNode& ioNode, KRyvLight* ioLight, const Track3ds<float>& pTrack,
                   float pDefault) const;
    // A value the node's attribute has no property for (a spot's falloff or roll, degrees),
    // kept in the node's animatable "Real" user property pName, made when the node has none of
    // that name; its channel in the take holds the track, as for the attribute's own values,
    // and the property the value at frame 0, keyed or not.
    void UserValue(KRyvNode& ioNode, const char* pName, const Track3ds<float>& pTrack,
                   float pDefault) const;

private:
    bool IsAnimated(std::size_t pKeyCount) const { return mAnimate && pKeyCount >= 2; }
    void Reduce(KFCurve** ioCurves, int pCount) const;
    void ScalarTrack(KFCurve* ioCurve, const Track3ds<float>& pTrack, float pDefault) const;
    // A scalar track of an attribute: its curve ioCurve (null for none), and the attribute's
    // own value (pSetStatic) from the first key, or pDefault, when the track is not animated.
    void AttributeTrack(KFCurve* ioCurve, const std::function<void(double)>& pSetStatic,
                        const Track3ds<float>& pTrack, float pDefault) const;

    bool mAnimate;
    bool mReduceKeys;
    double mScale;
};

#endif
