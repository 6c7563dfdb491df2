#ifndef RYVKIT_IO_KSTREAMOPTIONSRYV_H
#define RYVKIT_IO_KSTREAMOPTIONSRYV_H

#include "core/KString.h"
#include "io/KStreamOptionsBase.h"
#include "ryvfile/KRyvFile.h"
#include "scene/objects/KRyvThumbnail.h"

#include <functional>

// The option set of the RYV reader and writers: which kinds of records to write or read
// (options 1 to 10, on by default), whether to embed media (option 12, off by default), the
// take to write or read (empty: all), the password of an encrypted file, whether and where
// embedded media are restored (empty folder: beside the file) and a cancel request the reader and
// writers poll between objects; and the preview image (thumbnail) a writer stores and a read
// hands back. After a read it also holds the file's header extension, whose time stamp a writer
// given the same set writes again, so that a file read and written back keeps its stamp (the
// creator is always this kit, the document information always the scene's).
class KStreamOptionsRyv : public KStreamOptionsBase
{
    K_DECLARE_CLASS(KStreamOptionsRyv)

    // Option indices.
    static constexpr int kModel = 1;
    static constexpr int kMaterial = 2;
    static constexpr int kTexture = 3;
    static constexpr int kLink = 4;
    static constexpr int kShape = 5;
    static constexpr int kGobo = 6;
    static constexpr int kAnimation = 7;
    static constexpr int kCharacter = 8;
    static constexpr int kGlobalSettings = 9;
    static constexpr int kPose = 10;
    static constexpr int kEmbedMedia = 12;
    // The exporter's write flag that becomes kEmbedMedia; the others map in order onto 1 to 10.
    static constexpr int kWriteFlagEmbedMedia = 3;
    static constexpr int kWriteFlagCount = 11;

    using CancelCallback = std::function<bool()>;

    KStreamOptionsRyv();
    ~KStreamOptionsRyv() override = default;

    // The callbacks, options, take name, password, media folder and header extension back to
    // their defaults.
    void Reset() override;
    bool KeepsTakeName() const override { return true; }

    // Options 1 to 10 and 12 from the exporter's eleven write flags: flag 3 is option 12, flags
    // 0 to 2 are options 1 to 3 and flags 4 to 10 options 4 to 10.
    void SetFromWriteFlags(const bool pFlags[kWriteFlagCount]);
    bool IsOn(int pOption) const { return GetOptionValue(pOption) != 0; }

    // A null text is the empty password: no encryption, and only unprotected files read.
    void SetPassword(const char* pPassword) { mPassword = pPassword ? pPassword : ""; }
    const KString& GetPassword() const { return mPassword; }
    void SetMediaFolder(const char* pFolder) { mMediaFolder = pFolder ? pFolder : ""; }
    const KString& GetMediaFolder() const { return mMediaFolder; }
    // Whether a read writes embedded media out (on by default). Off, a read writes nothing, and
    // textures and videos keep the file names the file stored.
    void SetRestoreMedia(bool pRestore) { mRestoreMedia = pRestore; }
    bool GetRestoreMedia() const { return mRestoreMedia; }

    // An empty function restores the default, which never cancels.
    void SetCancelCallback(CancelCallback pCallback) { mCancel = std::move(pCallback); }
    bool IsCancelled() const { return mCancel && mCancel(); }

    // The preview image a writer stores in the file, and a read hands back (none: size 0).
    void SetThumbnail(const KRyvThumbnail& pThumbnail) { mThumbnail = pThumbnail; }
    const KRyvThumbnail& GetThumbnail() const { return mThumbnail; }

    // The extension of the file read; a writer takes only its time stamp.
    void SetHeaderExtension(const KRyvHeaderExtension& pExtension);
    bool HasHeaderExtension() const { return mHasExtension; }
    const KRyvHeaderExtension& GetHeaderExtension() const { return mExtension; }

private:
    KString mPassword;
    KString mMediaFolder;
    CancelCallback mCancel;
    bool mRestoreMedia = true;
    KRyvThumbnail mThumbnail;
    KRyvHeaderExtension mExtension;
    bool mHasExtension = false;
};

#endif
