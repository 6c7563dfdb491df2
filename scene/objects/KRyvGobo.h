#ifndef RYVKIT_SCENE_OBJECTS_KRYVGOBO_H
#define RYVKIT_SCENE_OBJECTS_KRYVGOBO_H

#include "core/KString.h"
#include "scene/KRyvObject.h"

// A gobo (object type 4, name prefix "Video::"): an image a light projects, known by its path,
// with three draw-component flags (false at construction). It has no property set. Lights refer
// to it and scene contents list it; made and destroyed by the object factory.
class KRyvGobo : public KRyvObject
{
public:
    static constexpr int kDrawComponentCount = 3;

    KRyvGobo(KRyvObjectFactory* pOwner, const char* pName);
    ~KRyvGobo() override;

    int GetObjectType() const override { return kTypeGobo; }

    // A null text gives the empty path. Always true.
    bool SetPath(const char* pPath);
    const char* GetPath() const { return mPath.Buffer(); }

    // Flags 0 to 2; any other number: false and nothing changes.
    bool SetDrawComponent(int pComponent, bool pDraw);
    // False for a number outside 0 to 2.
    bool GetDrawComponent(int pComponent) const;

private:
    KString mPath;
    bool mDrawComponents[kDrawComponentCount] = {false, false, false};
};

#endif
