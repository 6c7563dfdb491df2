#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNCURVECONVERSION_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNCURVECONVERSION_H

#include <cstdint>

class KFCurve;
class KLog;
class KRyvNode;
class MFnAnimCurve;

// Host animation curves into kit curves.

// The most keys a resampling sets on one curve; a longer span is cut there.
constexpr std::int64_t kMaxResamples = 1000000;
// The default weight of a key side, and the one of the last key.
constexpr double kLastKeyWeight = 0.33;

// Replaces ioCurve's keys by pHost's, values and slopes times pFactor (1.0, 100.0, radians to
// degrees or a negative factor). Keys go one by one with their tangents (and weights on a
// weighted curve); a curve with a slow or fast in-tangent, or any curve when pResample is set,
// is resampled instead at the export sampling rate (30 when the option's is not a number above
// 0), on multiples of the period from the one at or before the first key. A curve without keys
// leaves ioCurve as it is, and so does a resampling whose keys lie within one period. With
// kExportApplyCstKeyRed on, constant runs of keys are reduced (first and last kept). A
// resampling stops at kMaxResamples samples, which pLog (when not null) is told.
//
// Each key keeps the host's slopes on both sides (MFnAnimCurve::getTangent) as user tangents,
// broken where they differ, so that the curve evaluates as the host's does whatever the tangent
// type (host type 0, global, included); a step is a constant key and a segment between a linear
// out- and in-tangent a linear one. On a weighted curve a key whose out-tangent is not fixed
// gets the default right weight 1/3.
void ConvertAnimCurve(const MFnAnimCurve& pHost, KFCurve& ioCurve, bool pResample, double pFactor,
                      KLog* pLog);
// Makes the take pName pNode's current take, adding it (from the default take) when needed.
void MakeTakeCurrent(KRyvNode* pNode, const char* pName);

#endif
