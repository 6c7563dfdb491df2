#ifndef RYVKIT_PLATFORM_VURN_MFNCAMERA_H
#define RYVKIT_PLATFORM_VURN_MFNCAMERA_H

#include "platform/vurn/MFnDagNode.h"
#include "platform/vurn/MVector.h"

// The function set of cameras (the 275 sub-kind included). Lengths in centimetres, focal length
// in millimetres, apertures in inches.
class MFnCamera : public MFnDagNode
{
public:
    enum FilmFit : int {
        kFillFilmFit = 0,
        kHorizontalFilmFit = 1,
        kVerticalFilmFit = 2,
        kOverscanFilmFit = 3,
    };

    MFnCamera() = default;
    explicit MFnCamera(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnCamera(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kCamera; }

    double nearClippingPlane() const { return Number("nearClipPlane"); }
    double farClippingPlane() const { return Number("farClipPlane"); }
    double focalLength() const { return Number("focalLength"); }
    double lensSqueezeRatio() const { return Number("lensSqueezeRatio"); }
    FilmFit filmFit() const { return static_cast<FilmFit>(static_cast<int>(Number("filmFit"))); }
    double horizontalFilmAperture() const { return Number("horizontalFilmAperture"); }
    double verticalFilmAperture() const { return Number("verticalFilmAperture"); }
    bool isOrtho() const { return Number("orthographic") != 0.0; }
    double focusDistance() const { return Number("focusDistance"); }
    // The camera's up axis (+Y of its transform); world space through the camera's path.
    MVector upDirection(MSpace::Space pSpace = MSpace::kObject, MStatus* oStatus = nullptr) const;
};

#endif
