#ifndef RYVKIT_PLATFORM_VURN_MARRAYS_H
#define RYVKIT_PLATFORM_VURN_MARRAYS_H

#include "platform/vurn/MArray.h"
#include "platform/vurn/MString.h"
#include "platform/vurn/MVector.h"

// The host's plain array types. Object, plug and path arrays live with their element types.
using MIntArray = MArray<int>;
using MDoubleArray = MArray<double>;
using MFloatArray = MArray<float>;
using MStringArray = MArray<MString>;
using MPointArray = MArray<MPoint>;
using MVectorArray = MArray<MVector>;
using MFloatVectorArray = MArray<MVector>;
// RGBA colours; a component of -1 marks a colour that was never set.
using MColorArray = MArray<MColor>;

#endif
