#include "character/KRyvCharacterPose.h"

#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

KRyvCharacterPose::KRyvCharacterPose(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvObject(pOwner, pName)
{
    SetName(pName);
    mScene = pOwner ? pOwner->CreateScene() : nullptr;
    if (mScene) {
        mScene->Clear();
        mScene->AddCharacter("PoseCharacter");
    }
}

KRyvCharacterPose::~KRyvCharacterPose()
{
    // DestroyScene finds nothing (and frees nothing) when the factory has already destroyed the
    // scene, as DestroyAll does with every scene it lists.
    if (mScene) {
        GetObjectFactory()->DestroyScene(mScene, true);
    }
}
