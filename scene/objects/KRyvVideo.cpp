#include "scene/objects/KRyvVideo.h"

#include "scene/KRyvNode.h"
#include "scene/KRyvPropertySetUtils.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvTexture.h"

#include <cstring>

namespace {

const char* const kVideoErrors[] = {"Error"};

template <std::size_t N> const char* ListItem(const char* const (&pList)[N], int pIndex)
{
    return pIndex >= 0 && pIndex < static_cast<int>(N) ? pList[pIndex] : nullptr;
}

bool SameText(const char* pA, const char* pB)
{
    return pA && pB && std::strcmp(pA, pB) == 0;
}

} // namespace

K_IMPLEMENT_CLASS(KRyvVideoProperties, KObject)

const char* KRyvVideoProperties::InterlaceModeName(int pIndex)
{
    static const char* const kNames[] = {"None",
                                         "Fields",
                                         "Half Frame Even",
                                         "Half Frame Odd",
                                         "Full Frame Even",
                                         "Full Frame Odd",
                                         "Full Frame Even/Odd",
                                         "Full Frame Odd/Even"};
    return ListItem(kNames, pIndex);
}

const char* KRyvVideoProperties::AccessModeName(int pIndex)
{
    static const char* const kNames[] = {"Disk", "Memory", "Disk Async"};
    return ListItem(kNames, pIndex);
}

KRyvVideoProperties::KRyvVideoProperties(KRyvVideo* pVideo)
    : KRyvOwnedPropertySet(pVideo), mPlaySpeed(1.0), mOriginalFilename(""), mRelativeFileName("")
{
    using K = KRyvVideoProperties;
    RegisterDouble(mFrameRate, "FrameRate", &K::SetFrameRate, &K::GetFrameRate);
    RegisterInt(mLastFrame, "LastFrame", &K::SetLastFrame, &K::GetLastFrame);
    RegisterInt(mWidth, "Width", &K::SetWidth, &K::GetWidth);
    RegisterInt(mHeight, "Height", &K::SetHeight, &K::GetHeight);
    RegisterProperty(&mPathProperty);
    mPathProperty.SetPropertyType(kPropertyTypeString);
    // The property's value is the path text itself, so that GetPath can tell
    // "never set" apart.
    mPathProperty.Attach(
        "Path", this, [this]() { return KString(mHasPath ? mPath.c_str() : ""); },
        [this](const KString& pValue) { SetPath(pValue); });
    RegisterInt(mStartFrame, "StartFrame", &K::SetStartFrame, &K::GetStartFrame);
    RegisterInt(mStopFrame, "StopFrame", &K::SetStopFrame, &K::GetStopFrame);
    RegisterDouble(mPlaySpeed, "PlaySpeed", &K::SetPlaySpeed, &K::GetPlaySpeed);
    RegisterProperty(&mOffset);
    mOffset.SetPropertyType(kPropertyTypeTime);
    mOffset.AttachMembers("Offset", this, &K::GetOffset, &K::SetOffset);
    // Each enumeration property presents its own list of names.
    RegisterEnum(mInterlaceMode, "InterlaceMode", &K::SetInterlaceMode, &K::GetInterlaceMode,
                 &K::InterlaceModeName);
    RegisterBool(mFreeRunning, "FreeRunning", &K::SetFreeRunning, &K::GetFreeRunning);
    RegisterBool(mLoop, "Loop", &K::SetLoop, &K::GetLoop);
    RegisterEnum(mAccessMode, "AccessMode", &K::SetAccessMode, &K::GetAccessMode,
                 &K::AccessModeName);
}

KRyvVideoProperties::~KRyvVideoProperties()
{
    // The members die after this body: take them out of the object first.
    KObject::Destruct();
}

void KRyvVideoProperties::RegisterInt(KPropertyInt& ioProperty, const char* pName,
                                      void (KRyvVideoProperties::*pSetter)(int),
                                      int (KRyvVideoProperties::*pGetter)() const)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeInt);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
}

void KRyvVideoProperties::RegisterDouble(KPropertyDouble& ioProperty, const char* pName,
                                         void (KRyvVideoProperties::*pSetter)(double),
                                         double (KRyvVideoProperties::*pGetter)() const)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeDouble);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
}

void KRyvVideoProperties::RegisterBool(KPropertyBool& ioProperty, const char* pName,
                                       void (KRyvVideoProperties::*pSetter)(bool),
                                       bool (KRyvVideoProperties::*pGetter)() const)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeBool);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
}

void KRyvVideoProperties::RegisterEnum(KPropertyEnum& ioProperty, const char* pName,
                                       void (KRyvVideoProperties::*pSetter)(int),
                                       int (KRyvVideoProperties::*pGetter)() const,
                                       KEnumListFunction pList)
{
    RegisterProperty(&ioProperty);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
    ioProperty.SetPropertyType(kPropertyTypeEnum);
    ioProperty.GetDefinition().SetEnumList(pList);
}

bool KRyvVideoProperties::ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                                        const KConnectEventArgs* pArgs)
{
    KRyvVideo* lVideo = GetVideo();
    if (pEvent == KConnectEvent::kDestinationConnected && pPlug == this && lVideo) {
        // Only a texture draws from a clip; any other partner is left alone.
        if (KRyvTexture* lTexture = dynamic_cast<KRyvTexture*>(KRyvGetPlugOwner(pOther))) {
            lTexture->SetFileName(GetPath());
            lTexture->SetRelativeFileName(mRelativeFileName.Buffer());
            lTexture->SetMediaName(lVideo->GetName().Buffer());
            KObject* lTextureSet = lTexture->GetProperties();
            for (int i = 0; lTextureSet && i < lTextureSet->GetDstCount(); ++i) {
                KRyvNode* lNode = dynamic_cast<KRyvNode*>(KRyvGetPlugOwner(lTextureSet->GetDst(i)));
                if (!lNode) {
                    continue;
                }
                KRyvSceneEntity* lScene = lNode->GetScene();
                if (lScene && !lScene->FindVideo(lVideo->GetName().Buffer())) {
                    lScene->AddVideo(lVideo);
                }
                break;
            }
        }
    }
    return KObject::ConnectNotify(pEvent, pPlug, pOther, pArgs);
}

void KRyvVideoProperties::SetFrameRate(double pValue)
{
    mFrameRate.SetCachedValue(pValue);
}

double KRyvVideoProperties::GetFrameRate() const
{
    return mFrameRate.GetCachedValue();
}

void KRyvVideoProperties::SetLastFrame(int pValue)
{
    mLastFrame.SetCachedValue(pValue);
}

int KRyvVideoProperties::GetLastFrame() const
{
    return mLastFrame.GetCachedValue();
}

void KRyvVideoProperties::SetWidth(int pValue)
{
    mWidth.SetCachedValue(pValue);
}

int KRyvVideoProperties::GetWidth() const
{
    return mWidth.GetCachedValue();
}

void KRyvVideoProperties::SetHeight(int pValue)
{
    mHeight.SetCachedValue(pValue);
}

int KRyvVideoProperties::GetHeight() const
{
    return mHeight.GetCachedValue();
}

void KRyvVideoProperties::SetPath(const KString& pValue)
{
    mPath = pValue.Buffer();
    mHasPath = true;
    mPathProperty.SetCachedValue(pValue);
}

const char* KRyvVideoProperties::GetPath() const
{
    return mHasPath ? mPath.c_str() : nullptr;
}

void KRyvVideoProperties::SetStartFrame(int pValue)
{
    mStartFrame.SetCachedValue(pValue);
}

int KRyvVideoProperties::GetStartFrame() const
{
    return mStartFrame.GetCachedValue();
}

void KRyvVideoProperties::SetStopFrame(int pValue)
{
    mStopFrame.SetCachedValue(pValue);
}

int KRyvVideoProperties::GetStopFrame() const
{
    return mStopFrame.GetCachedValue();
}

void KRyvVideoProperties::SetPlaySpeed(double pValue)
{
    mPlaySpeed.SetCachedValue(pValue);
}

double KRyvVideoProperties::GetPlaySpeed() const
{
    return mPlaySpeed.GetCachedValue();
}

void KRyvVideoProperties::SetOffset(KTime pValue)
{
    mOffset.SetCachedValue(pValue);
}

KTime KRyvVideoProperties::GetOffset() const
{
    return mOffset.GetCachedValue();
}

void KRyvVideoProperties::SetInterlaceMode(int pValue)
{
    mInterlaceMode.SetCachedValue(pValue);
}

int KRyvVideoProperties::GetInterlaceMode() const
{
    return mInterlaceMode.GetCachedValue();
}

void KRyvVideoProperties::SetFreeRunning(bool pValue)
{
    mFreeRunning.SetCachedValue(pValue);
}

bool KRyvVideoProperties::GetFreeRunning() const
{
    return mFreeRunning.GetCachedValue();
}

void KRyvVideoProperties::SetLoop(bool pValue)
{
    mLoop.SetCachedValue(pValue);
}

bool KRyvVideoProperties::GetLoop() const
{
    return mLoop.GetCachedValue();
}

void KRyvVideoProperties::SetAccessMode(int pValue)
{
    mAccessMode.SetCachedValue(pValue);
}

int KRyvVideoProperties::GetAccessMode() const
{
    return mAccessMode.GetCachedValue();
}

void KRyvVideoProperties::SetOriginalFilename(const char* pName)
{
    mOriginalFilename = KString(pName ? pName : "");
}

void KRyvVideoProperties::SetRelativeFileName(const char* pName)
{
    mRelativeFileName = KString(pName ? pName : "");
}

KError& KRyvVideo::GetSharedError()
{
    static KError sError(kVideoErrors, 1);
    return sError;
}

KRyvVideo::KRyvVideo(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvPropertySetOwner(pOwner, pName, &GetSharedError())
{
    mProperties = new KRyvVideoProperties(this);
    AddDefaultTakeNode();
    mProperties->SetUseMipMap(false);
    mProperties->SetOriginalFormat(true);
    mProperties->SetOriginalFilename("");
}

KRyvVideo::~KRyvVideo()
{
    Destruct();
}

void KRyvVideo::Destruct()
{
    DestroyPropertySet();
}

KString KRyvVideo::GetTypeName() const
{
    return KString("Clip");
}

KPropertyStringList KRyvVideo::GetTypeFlags() const
{
    KPropertyStringList lList;
    lList.Add("Clip");
    return lList;
}

namespace {

// The textures connected as destinations of the clip's set, gathered first:
// each one may pass the name back and so run through this clip again.
std::vector<KRyvTexture*> ConnectedTextures(KObject* pSet)
{
    std::vector<KRyvTexture*> lTextures;
    for (int i = 0; pSet && i < pSet->GetDstCount(); ++i) {
        if (KRyvTexture* lTexture = dynamic_cast<KRyvTexture*>(KRyvGetPlugOwner(pSet->GetDst(i)))) {
            lTextures.push_back(lTexture);
        }
    }
    return lTextures;
}

} // namespace

bool KRyvVideo::SetFileName(const char* pName)
{
    if (!pName || !*pName || !mProperties) {
        return false;
    }
    if (SameText(mProperties->GetPath(), pName)) {
        return true;
    }
    mProperties->GetPathProperty().SetValue(pName);
    for (KRyvTexture* lTexture : ConnectedTextures(mProperties)) {
        lTexture->SetFileName(pName);
    }
    return true;
}

const char* KRyvVideo::GetFileName() const
{
    return mProperties ? mProperties->GetPath() : nullptr;
}

bool KRyvVideo::SetRelativeFileName(const char* pName)
{
    if (!pName || !*pName || !mProperties) {
        return false;
    }
    if (SameText(mProperties->GetRelativeFileName().Buffer(), pName)) {
        return true;
    }
    mProperties->SetRelativeFileName(pName);
    for (KRyvTexture* lTexture : ConnectedTextures(mProperties)) {
        lTexture->SetRelativeFileName(pName);
    }
    return true;
}

const char* KRyvVideo::GetRelativeFileName() const
{
    return mProperties ? mProperties->GetRelativeFileName().Buffer() : nullptr;
}

void KRyvVideo::SetUseMipMap(bool pUse)
{
    if (mProperties) {
        mProperties->SetUseMipMap(pUse);
    }
}

bool KRyvVideo::GetUseMipMap() const
{
    return mProperties && mProperties->GetUseMipMap();
}

void KRyvVideo::SetOriginalFormat(bool pOriginal)
{
    if (mProperties) {
        mProperties->SetOriginalFormat(pOriginal);
    }
}

bool KRyvVideo::GetOriginalFormat() const
{
    return mProperties && mProperties->GetOriginalFormat();
}

void KRyvVideo::SetOriginalFileName(const char* pName)
{
    if (mProperties) {
        mProperties->SetOriginalFilename(pName);
    }
}

const char* KRyvVideo::GetOriginalFileName() const
{
    return mProperties ? mProperties->GetOriginalFilename().Buffer() : nullptr;
}
