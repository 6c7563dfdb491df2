#include "ryvfile/KRyvFieldValue.h"

int KRyvFieldValue::GetElementSize(int pKind)
{
    switch (pKind) {
    case kBool:
        return 1;
    case kInt32:
    case kFloat:
    case kInt32Array:
    case kFloatArray:
        return 4;
    case kInt64:
    case kDouble:
    case kInt64Array:
    case kDoubleArray:
        return 8;
    default:
        return 0;
    }
}
