#ifndef RYVKIT_IO_KRYVDEFORMERIO_H
#define RYVKIT_IO_KRYVDEFORMERIO_H

#include <unordered_map>
#include <vector>

class KPlug;
class KRyvDeformer;
class KRyvFile;

// The data of a skin or cluster deformer in RYV records (its kind and name are the values of
// the "Deformer" record, its connections are places the caller resolves): multi-layer flag,
// accuracy, and for clusters the binding of a skin link (mode, user data, indices, weights,
// four matrices). Reading checks that there are as many weights as indices.
namespace KRyvDeformerIO {

void WriteData(KRyvFile& ioFile, const KRyvDeformer& pDeformer);
// False for damaged records (the deformer may be partly filled).
bool ReadData(KRyvFile& ioFile, KRyvDeformer& ioDeformer);

// The places (in pPlaces) of the plugs connected to pPlug as its sources (pSources) or its
// destinations, in connection order; plugs without a place are left out.
std::vector<int> ConnectedPlaces(const KPlug& pPlug, bool pSources,
                                 const std::unordered_map<const KPlug*, int>& pPlaces);

} // namespace KRyvDeformerIO

#endif
