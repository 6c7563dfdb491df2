#ifndef RYVKIT_IO_KRYVNODELIMITSIO_H
#define RYVKIT_IO_KRYVNODELIMITSIO_H

class KRyvFile;
class KRyvNodeLimits;

// A node's translation, rotation and scaling limits in a "Limits" record: per kind whether the
// limits are in use (automatic is its opposite, enabled follows from the bounds), which bounds
// are active and the bounds, then the
// rotation axis and axis length. Defaults and the rotation type are not stored: they live in
// the node's properties (pre-rotation, rotation order) or are the bounds themselves.
namespace KRyvNodeLimitsIO {

void WriteLimits(KRyvFile& ioFile, const KRyvNodeLimits& pLimits);
// Nothing when the record is missing; a damaged record leaves the limits partly set and marks
// the file as failed.
void ReadLimits(KRyvFile& ioFile, KRyvNodeLimits& ioLimits);

} // namespace KRyvNodeLimitsIO

#endif
