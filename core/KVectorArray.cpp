#include "core/KVectorArray.h"

int KVector4Array::Add(double pX, double pY, double pZ, double pW)
{
    return KArrayOf<KVector4>::Add(KVector4(pX, pY, pZ, pW));
}

int KVector4Array::Find(double pX, double pY, double pZ, double /*pW*/) const
{
    const KVector4 lWanted(pX, pY, pZ);
    const KVector4* lItems = GetArray();
    for (int i = 0; i < GetCount(); ++i) {
        if (lItems[i] == lWanted) {
            return i;
        }
    }
    return -1;
}

KVector4 KVector4Array::GetLast() const
{
    return GetAt(GetCount() - 1);
}
