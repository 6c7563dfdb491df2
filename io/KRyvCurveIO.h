#ifndef RYVKIT_IO_KRYVCURVEIO_H
#define RYVKIT_IO_KRYVCURVEIO_H

#include "core/KString.h"

class KFCurve;
class KFCurveNode;
class KFCurveNode;
class KRyvFile;
class KRyvTakeNodeContainer;

// Curves, channel trees and the take nodes of a scene object in RYV records. The 6.0 layout
// packs a curve's keys into parallel arrays; the 5.x layout writes one "K" record per key.
// Readers take both.
namespace KRyvCurveIO {

// A "Curve" record: default value, colour, flags, extrapolations and every key field.
void WriteCurve(KRyvFile& ioFile, const KFCurve& pCurve, bool pPackedKeys);
// Fills ioCurve (keys replaced) from the "Curve" record entered last. False when the key
// arrays disagree in length, a key count passes KFCurve::kMaxKeyCount, a value is missing or a
// number of a key is not finite (NaN or an infinity: oCause, when given, then names the key).
bool ReadCurve(KRyvFile& ioFile, KFCurve& ioCurve, KString* oCause = nullptr);

// One "Take" record per take node of the container, holding its channel tree; with a take name
// only that take and the default take. A channel leaves out its curve when the curve has no key
// and holds what the reader's channel of that place holds already: for the default take, the
// channel of pFreshDefault (the default take of a freshly made object of the same kind, not
// owned; null: every curve of the default take is written); for any other take, the channel of
// the default take, which a reader copies into every take it adds.
void WriteTakeNodes(KRyvFile& ioFile, KRyvTakeNodeContainer& ioContainer, bool pPackedKeys,
                    const KString& pOnlyTake, const KFCurveNode* pFreshDefault = nullptr);
// Makes the container's take nodes and channels those of the records (channels the container
// made itself are filled, others added); with a take name only that take and the default take
// are read. False for damaged curve records; oCause (when given) then names the take, the
// channel and the key of a key that is not finite.
bool ReadTakeNodes(KRyvFile& ioFile, KRyvTakeNodeContainer& ioContainer, const KString& pOnlyTake,
                   KString* oCause = nullptr);

} // namespace KRyvCurveIO

#endif
