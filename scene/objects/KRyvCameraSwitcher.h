#ifndef RYVKIT_SCENE_OBJECTS_KRYVCAMERASWITCHER_H
#define RYVKIT_SCENE_OBJECTS_KRYVCAMERASWITCHER_H

#include "scene/KRyvNodeAttribute.h"

#include <string>
#include <vector>

class KFCurve;

// The attribute of the scene's camera switcher (attribute type 8): which camera is active over
// time. Its node carries in every take the channel "Camera Index" (default 1), whose value picks
// from the camera names, in the order they were added.
class KRyvCameraSwitcher : public KRyvNodeAttribute
{
public:
    explicit KRyvCameraSwitcher(KRyvObjectFactory* pFactory);
    // Detaches from its node first, taking the channel out of the node's takes.
    ~KRyvCameraSwitcher() override;

    int GetAttributeType() const override { return eCameraSwitcher; }

    // Appends a copy; the new index, or -1 for null.
    int AddCameraName(const char* pName);
    // Null outside [0, count).
    const char* GetCameraName(int pIndex) const;
    int GetCameraNameCount() const { return static_cast<int>(mCameraNames.size()); }

    // The default value of the node's "Camera Index" curve in its take 0, truncated toward zero;
    // 1 (the channel's default) when the switcher has no node, the node no such curve, or the
    // value is no number within the range of int.
    int GetDefaultCameraIndex() const;
    // Stores the value (single precision) as that default; false when there is no such curve.
    bool SetDefaultCameraIndex(int pIndex);

    // Gives the take its "Camera Index" channel (found or created) with default 1.
    void OnTakeNodeAdded(KRyvTakeNode* pTake) override;
    // Deletes the take's "Camera Index" channel.
    void OnTakeNodeRemoved(KRyvTakeNode* pTake) override;

private:
    KFCurve* GetDefaultCameraIndexCurve() const;

    std::vector<std::string> mCameraNames;
};

#endif
