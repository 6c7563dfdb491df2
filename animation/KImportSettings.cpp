#include "animation/KImportSettings.h"

KImportSettings& KImportSettings::Get()
{
    static KImportSettings sSettings;
    return sSettings;
}

bool KImportSettings::SetRotationFilterMode(int pMode)
{
    if (pMode < kRotationFilterNone || pMode > kRotationFilterUnroll) {
        return false;
    }
    mRotationFilterMode.store(pMode);
    return true;
}

void KImportSettings::Reset()
{
    mConstantKeyReducer.store(true);
    mRotationFilterMode.store(kRotationFilterUnroll);
}
