#ifndef RYVKIT_FORMATS_MOTION_KMOTIONIMPORTFILTERS_H
#define RYVKIT_FORMATS_MOTION_KMOTIONIMPORTFILTERS_H

class KFCurve;

// The clean-up every motion reader runs on a joint's curves once its keys are in, as the
// process-wide import settings (KImportSettings) ask: the constant key reducer on the
// translation, then the unroll or gimbal-killer filter on the rotation, then the reducer on the
// rotation (unless pReduceRotation is false, as for the ASF/AMC bones, whose rotation takes the
// rotation filter only). The rotation is filtered before it is reduced, so the reducer sees the
// unrolled angles. Either array may be null (a joint without translation or rotation channels); a
// non-null array holds the X, Y and Z curves, none of them null.
class KMotionImportFilters
{
public:
    static void Apply(KFCurve** ioTranslation, KFCurve** ioRotation, bool pReduceRotation = true);
    // The constant key reducer alone, when the import settings enable it, on pCount curves (none
    // of them null): for the channels that are neither translation nor rotation (scaling,
    // occlusion).
    static void ReduceConstantKeys(KFCurve** ioCurves, int pCount);
};

#endif
