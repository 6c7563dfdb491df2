#ifndef RYVKIT_TESTS_SCENE_SCENETESTSUPPORT_H
#define RYVKIT_TESTS_SCENE_SCENETESTSUPPORT_H

#include "core/KTime.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"

#include <memory>

// Scene objects made without a factory for the tests, named pName: without a factory the
// constructors leave the object name to the caller.
template <class T> std::unique_ptr<T> MakeNamedObject(const char* pName)
{
    auto lObject = std::make_unique<T>(nullptr, pName);
    lObject->SetName(pName);
    return lObject;
}

inline std::unique_ptr<KRyvTexture> MakeTexture(const char* pName)
{
    return MakeNamedObject<KRyvTexture>(pName);
}

inline std::unique_ptr<KRyvMaterial> MakeMaterial(const char* pName)
{
    return MakeNamedObject<KRyvMaterial>(pName);
}

inline std::unique_ptr<KRyvVideo> MakeVideo(const char* pName)
{
    return MakeNamedObject<KRyvVideo>(pName);
}

// A time of pSeconds seconds.
inline KTime Seconds(double pSeconds)
{
    KTime lTime;
    lTime.SetSecondDouble(pSeconds);
    return lTime;
}

#endif
