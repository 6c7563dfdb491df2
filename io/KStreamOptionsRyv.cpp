#include "io/KStreamOptionsRyv.h"

K_IMPLEMENT_CLASS(KStreamOptionsRyv, KStreamOptionsBase)

namespace {

struct KRyvOptionDefault
{
    int mIndex;
    const char* mName;
    int mValue;
};

const KRyvOptionDefault kDefaults[] = {
    {KStreamOptionsRyv::kModel, "Model", 1},
    {KStreamOptionsRyv::kMaterial, "Material", 1},
    {KStreamOptionsRyv::kTexture, "Texture", 1},
    {KStreamOptionsRyv::kLink, "Link", 1},
    {KStreamOptionsRyv::kShape, "Shape", 1},
    {KStreamOptionsRyv::kGobo, "Gobo", 1},
    {KStreamOptionsRyv::kAnimation, "Animation", 1},
    {KStreamOptionsRyv::kCharacter, "Character", 1},
    {KStreamOptionsRyv::kGlobalSettings, "Global Settings", 1},
    {KStreamOptionsRyv::kPose, "Pose", 1},
    {KStreamOptionsRyv::kEmbedMedia, "Embed Media", 0},
};

} // namespace

KStreamOptionsRyv::KStreamOptionsRyv()
{
    Reset();
}

void KStreamOptionsRyv::Reset()
{
    ResetCallbacks();
    for (const KRyvOptionDefault& lOption : kDefaults) {
        SetOptionName(lOption.mIndex, lOption.mName);
        SetOptionValue(lOption.mIndex, lOption.mValue);
        SetOptionFlag(lOption.mIndex, 1);
    }
    SetTakeName(nullptr);
    mPassword = "";
    mMediaFolder = "";
    mRestoreMedia = true;
    mThumbnail = KRyvThumbnail();
    mCancel = nullptr;
    mExtension = KRyvHeaderExtension();
    mHasExtension = false;
}

void KStreamOptionsRyv::SetFromWriteFlags(const bool pFlags[kWriteFlagCount])
{
    for (int lFlag = 0; lFlag < kWriteFlagCount; ++lFlag) {
        const int lOption = lFlag == kWriteFlagEmbedMedia  ? kEmbedMedia
                            : lFlag < kWriteFlagEmbedMedia ? lFlag + 1
                                                           : lFlag;
        SetOptionValue(lOption, pFlags[lFlag] ? 1 : 0);
    }
}

void KStreamOptionsRyv::SetHeaderExtension(const KRyvHeaderExtension& pExtension)
{
    mExtension = pExtension;
    mHasExtension = true;
}
