#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFCOLOR_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFCOLOR_H

#include "core/KColor.h"

// The drawing colour index of DXF files: numbers 1 to 255 for fixed colours, ramps of hues with
// five brightnesses and six greys. The reader turns a number into a diffuse colour, the writer
// a diffuse colour into the nearest number.
namespace KDxfColor {

constexpr int kFirstColor = 1;
constexpr int kLastColor = 255;
// The special numbers of entity colours: the colour of the block, and of the layer.
constexpr int kByBlock = 0;
constexpr int kByLayer = 256;

// The colour of a number; white for 0, negative numbers and numbers above 255.
KColor ToRgb(int pIndex);
// The number of a colour (components in [0, 1]; alpha is ignored).
int FromRgb(const KColor& pColor);

} // namespace KDxfColor

#endif
