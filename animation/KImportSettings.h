#ifndef RYVKIT_ANIMATION_KIMPORTSETTINGS_H
#define RYVKIT_ANIMATION_KIMPORTSETTINGS_H

#include <atomic>

// The process-wide settings the motion and geometry readers consult when they build curves:
// whether the constant key reducer runs on imported translation curves (initially true) and which
// filter cleans imported Euler rotation curves (initially kRotationFilterUnroll). Safe to read
// and write from several threads.
class KImportSettings
{
public:
    static constexpr int kRotationFilterNone = 0;
    static constexpr int kRotationFilterGimbalKiller = 1;
    static constexpr int kRotationFilterUnroll = 2;

    static KImportSettings& Get();

    bool IsConstantKeyReducerEnabled() const { return mConstantKeyReducer.load(); }
    void SetConstantKeyReducerEnabled(bool pEnable) { mConstantKeyReducer.store(pEnable); }
    int GetRotationFilterMode() const { return mRotationFilterMode.load(); }
    // A mode outside 0..2 is refused (false, mode unchanged).
    bool SetRotationFilterMode(int pMode);
    // Back to the initial settings.
    void Reset();

private:
    KImportSettings() = default;

    std::atomic<bool> mConstantKeyReducer{true};
    std::atomic<int> mRotationFilterMode{kRotationFilterUnroll};
};

#endif
