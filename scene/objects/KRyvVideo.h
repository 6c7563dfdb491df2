#ifndef RYVKIT_SCENE_OBJECTS_KRYVVIDEO_H
#define RYVKIT_SCENE_OBJECTS_KRYVVIDEO_H

#include "core/KError.h"
#include "core/KString.h"
#include "core/KTime.h"
#include "object/KObject.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvOwnedPropertySet.h"
#include "scene/KRyvPropertySetOwner.h"

#include <string>

class KRyvVideo;

// The property set of a video clip. Member properties in registration order: "FrameRate",
// "LastFrame", "Width", "Height", "Path", "StartFrame", "StopFrame", "PlaySpeed" (1.0),
// "Offset" (KTime), "InterlaceMode" (enum, InterlaceModeName), "FreeRunning", "Loop",
// "AccessMode" (enum, AccessModeName). Besides them it keeps the mip-map flag, the
// original-format flag (true), the original file name and the relative file name. Owned by its
// KRyvVideo, which removes it with Destroy.
//
// A texture's property set connected as a source of this set receives the clip's names.
class KRyvVideoProperties : public KRyvOwnedPropertySet<KRyvVideo>
{
    K_DECLARE_CLASS(KRyvVideoProperties)

    // pVideo: the owner, not owned (null for a free-standing set).
    explicit KRyvVideoProperties(KRyvVideo* pVideo);
    ~KRyvVideoProperties() override;

    // "None", "Fields", "Half Frame Even", "Half Frame Odd", "Full Frame Even", "Full Frame Odd",
    // "Full Frame Even/Odd", "Full Frame Odd/Even"; null outside 0..7.
    static const char* InterlaceModeName(int pIndex);
    // "Disk", "Memory", "Disk Async"; null outside 0..2.
    static const char* AccessModeName(int pIndex);

    KRyvVideo* GetVideo() const { return GetOwner(); }
    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override;

    // Cached-value accessors of the member properties (no notification).
    void SetFrameRate(double pValue);
    double GetFrameRate() const;
    void SetLastFrame(int pValue);
    int GetLastFrame() const;
    void SetWidth(int pValue);
    int GetWidth() const;
    void SetHeight(int pValue);
    int GetHeight() const;
    // The path: null before the first set.
    void SetPath(const KString& pValue);
    const char* GetPath() const;
    void SetStartFrame(int pValue);
    int GetStartFrame() const;
    void SetStopFrame(int pValue);
    int GetStopFrame() const;
    void SetPlaySpeed(double pValue);
    double GetPlaySpeed() const;
    void SetOffset(KTime pValue);
    KTime GetOffset() const;
    void SetInterlaceMode(int pValue);
    int GetInterlaceMode() const;
    void SetFreeRunning(bool pValue);
    bool GetFreeRunning() const;
    void SetLoop(bool pValue);
    bool GetLoop() const;
    void SetAccessMode(int pValue);
    int GetAccessMode() const;

    void SetUseMipMap(bool pValue) { mUseMipMap = pValue; }
    bool GetUseMipMap() const { return mUseMipMap; }
    void SetOriginalFormat(bool pValue) { mOriginalFormat = pValue; }
    bool GetOriginalFormat() const { return mOriginalFormat; }
    // A null text gives the empty text.
    void SetOriginalFilename(const char* pName);
    const KString& GetOriginalFilename() const { return mOriginalFilename; }
    void SetRelativeFileName(const char* pName);
    const KString& GetRelativeFileName() const { return mRelativeFileName; }

    KPropertyString& GetPathProperty() { return mPathProperty; }

private:
    void RegisterInt(KPropertyInt& ioProperty, const char* pName,
                     void (KRyvVideoProperties::*pSetter)(int),
                     int (KRyvVideoProperties::*pGetter)() const);
    void RegisterDouble(KPropertyDouble& ioProperty, const char* pName,
                        void (KRyvVideoProperties::*pSetter)(double),
                        double (KRyvVideoProperties::*pGetter)() const);
    void RegisterBool(KPropertyBool& ioProperty, const char* pName,
                      void (KRyvVideoProperties::*pSetter)(bool),
                      bool (KRyvVideoProperties::*pGetter)() const);
    void RegisterEnum(KPropertyEnum& ioProperty, const char* pName,
                      void (KRyvVideoProperties::*pSetter)(int),
                      int (KRyvVideoProperties::*pGetter)() const, KEnumListFunction pList);

    KPropertyDouble mFrameRate;
    KPropertyInt mLastFrame;
    KPropertyInt mWidth;
    KPropertyInt mHeight;
    KPropertyString mPathProperty;
    KPropertyInt mStartFrame;
    KPropertyInt mStopFrame;
    KPropertyDouble mPlaySpeed;
    KPropertyTime mOffset;
    KPropertyEnum mInterlaceMode;
    KPropertyBool mFreeRunning;
    KPropertyBool mLoop;
    KPropertyEnum mAccessMode;
    std::string mPath;
    bool mHasPath = false;
    bool mUseMipMap = false;
    bool mOriginalFormat = true;
    KString mOriginalFilename;
    KString mRelativeFileName;
};

// A video clip (object type 5, "Video::", type name and type flag "Clip"): a movie or image
// sequence that textures draw from. Textures connect their property set as a source of the
// clip's; clip and textures keep file and relative names in step (each side passes a name on
// only when it differs from its own, which ends the exchange). A take-node container without
// channels of its own. Every clip reports on one shared KError (code 0 "Error"). Made and
// destroyed by the object factory.
class KRyvVideo : public KRyvPropertySetOwner<KRyvVideoProperties>
{
public:
    enum EInterlaceMode : int {
        eNone = 0,
        eFields = 1,
        eHalfEven = 2,
        eHalfOdd = 3,
        eFullEven = 4,
        eFullOdd = 5,
        eFullEvenOdd = 6,
        eFullOddEven = 7,
    };
    enum EAccessMode : int { eDisk = 0, eMemory = 1, eDiskAsync = 2 };

    KRyvVideo(KRyvObjectFactory* pOwner, const char* pName);
    ~KRyvVideo() override;

    static KError& GetSharedError();

    void Destruct() override;
    int GetObjectType() const override { return kTypeVideo; }
    KRyvVideoProperties* GetVideoProperties() const { return mProperties; }
    // "Clip" / {"Clip"}.
    KString GetTypeName() const override;
    KPropertyStringList GetTypeFlags() const override;

    // False for null or empty; true without further work when the path is that text already;
    // otherwise sets "Path" and passes the name to every connected texture.
    bool SetFileName(const char* pName);
    // Null before the first SetFileName.
    const char* GetFileName() const;
    bool SetRelativeFileName(const char* pName);
    const char* GetRelativeFileName() const;

    void SetUseMipMap(bool pUse);
    bool GetUseMipMap() const;
    void SetOriginalFormat(bool pOriginal);
    bool GetOriginalFormat() const;
    void SetOriginalFileName(const char* pName);
    const char* GetOriginalFileName() const;
};

#endif
