#ifndef RYVKIT_SCENE_KNAMEPAIR_H
#define RYVKIT_SCENE_KNAMEPAIR_H

#include "core/KString.h"

// The two names of a scene object: the initial name (what it was created with) and the current
// name (normally the type prefix and the plain name). Renaming strategies rewrite the current
// name and may keep what they changed in the initial one. A null text gives the null string.
class KNamePair
{
public:
    KNamePair() = default;
    explicit KNamePair(const char* pName) : mInitialName(pName), mCurrentName(pName) {}

    // Both names.
    void SetName(const char* pName);
    void SetName(const KString& pName);
    void SetCurrentName(const char* pName) { mCurrentName = pName; }
    void SetCurrentName(const KString& pName) { mCurrentName = pName; }

    const KString& GetInitialName() const { return mInitialName; }
    const KString& GetCurrentName() const { return mCurrentName; }

    // Exchanges the two names.
    void Swap();

private:
    KString mInitialName;
    KString mCurrentName;
};

#endif
