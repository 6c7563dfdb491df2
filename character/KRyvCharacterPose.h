#ifndef RYVKIT_CHARACTER_KRYVCHARACTERPOSE_H
#define RYVKIT_CHARACTER_KRYVCHARACTERPOSE_H

#include "scene/KRyvObject.h"

class KRyvScene;

// One stored pose of a character, kept apart from the main scene (object type 9, "Pose::"): a
// private scene made through the factory, emptied, holding one character "PoseCharacter"
// (character 0 of that scene). The pose owns the scene and hands it back to the factory's
// DestroyScene (recursively) when it goes; a scene the factory has destroyed already is not
// touched again. Made and destroyed by KRyvScene (AddCharacterPose, RemoveCharacterPose,
// Clear).
class KRyvCharacterPose : public KRyvObject
{
public:
    // pOwner: the factory (not owned; null gives a pose without scene). The name gets the
    // prefix "Pose::".
    KRyvCharacterPose(KRyvObjectFactory* pOwner, const char* pName);
    ~KRyvCharacterPose() override;

    int GetObjectType() const override { return kTypeCharacterPose; }

    // The private scene; null when the factory could not make one.
    KRyvScene* GetScene() const { return mScene; }

private:
    KRyvScene* mScene = nullptr;
};

#endif
