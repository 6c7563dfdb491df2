#include "formats/motion/KMotionImportFilters.h"

#include "animation/KFCurveFilterConstantKeyReducer.h"
#include "animation/KFCurveFilterGimbleKiller.h"
#include "animation/KFCurveFilterUnroll.h"
#include "animation/KImportSettings.h"

namespace {

constexpr int kAxisCount = 3;

} // namespace

void KMotionImportFilters::Apply(KFCurve** ioTranslation, KFCurve** ioRotation,
                                 bool pReduceRotation)
{
    const KImportSettings& lSettings = KImportSettings::Get();
    KFCurveFilterConstantKeyReducer lReducer;
    if (lSettings.IsConstantKeyReducerEnabled() && ioTranslation) {
        lReducer.Apply(ioTranslation, kAxisCount);
    }
    if (!ioRotation) {
        return;
    }
    if (lSettings.GetRotationFilterMode() == KImportSettings::kRotationFilterUnroll) {
        KFCurveFilterUnroll().Apply(ioRotation, kAxisCount);
    } else if (lSettings.GetRotationFilterMode() == KImportSettings::kRotationFilterGimbalKiller) {
        KFCurveFilterGimbleKiller().Apply(ioRotation, kAxisCount);
    }
    if (pReduceRotation && lSettings.IsConstantKeyReducerEnabled()) {
        lReducer.Apply(ioRotation, kAxisCount);
    }
}

void KMotionImportFilters::ReduceConstantKeys(KFCurve** ioCurves, int pCount)
{
    if (KImportSettings::Get().IsConstantKeyReducerEnabled() && ioCurves && pCount > 0) {
        KFCurveFilterConstantKeyReducer().Apply(ioCurves, pCount);
    }
}
