#ifndef RYVKIT_PLUGIN_IMPORT_CONVERTPIVOTSTONULLS_H
#define RYVKIT_PLUGIN_IMPORT_CONVERTPIVOTSTONULLS_H

#include "plugin/import/KPivotCurves.h"

class KLog;
class KRyvNode;
class KRyvObjectFactory;

// The suffixes of the two nodes made around a node with pivots; the export finds them by name.
constexpr const char* kPivotPreSuffix = "__Pre_";
constexpr const char* kPivotPostSuffix = "__Post_";

// Rewrites the pivots of every node below pRoot (pRoot itself is left as it is) whose pivot set
// pPivotSet is in use into plain nodes, for readers that know translation, rotation (Euler XYZ)
// and scaling only. A node N with the full pivot model
//   L = [-Sp] S [Sp] [So] [-Rp] Rpost^-1 R Rpre [Rp] [Ro] T      (row vectors)
// becomes the chain  parent -> "<N>__Pre_" -> N -> "<N>__Post_" -> N's children, with
//   <N>__Pre_:  rotation Rpre, translation Rp + Ro + T (N's translation curves, shifted)
//   N:          rotation R (N's rotation curves; resampled into XYZ for another order)
//   <N>__Post_: scaling S (N's scaling curves), rotation Rpost^-1,
//               translation (Sp + So - Rp - Sp*S) Rpost^-1 (resampled when S is animated)
// so that the frame N's children and N's node attribute (moved to <N>__Post_) live in keeps
// its global matrix at every key and every frame. Resampled curves get a key at every key
// and at every frame (multiples of 1 / pRate seconds) over the keys' span. Pre- and
// post-rotations count whenever the set is in use, whatever the node's "RotationActive" flag. N's
// pivot set is reset and taken out of use; <N>__Pre_ takes N's inherit type; the new nodes come
// from pFactory as null-attributed nodes, named "<N>__Pre_" and "<N>__Post_" or, when a node of
// pFactory has that name already, with the lowest free number appended. False, with nothing
// changed, for a null root or factory, a pivot set other than 0 or 1, or a rate that is not a
// finite number above 0. A resampling stops at a million frames; pLog, when not null, gets a line
// naming each node whose curves were cut there. A node of pAnimated (when not null) has animated
// pivots in every take but the default one: there its pre node's and post node's translations
// follow them, resampled as above.
bool ConvertPivotsToNulls(KRyvNode* pRoot, int pPivotSet, KRyvObjectFactory* pFactory,
                          double pRate = 30.0, KLog* pLog = nullptr,
                          const KPivotCurvesTable* pAnimated = nullptr);

#endif
