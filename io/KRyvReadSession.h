#ifndef RYVKIT_IO_KRYVREADSESSION_H
#define RYVKIT_IO_KRYVREADSESSION_H

#include "core/KString.h"
#include "io/KRyvGeometryIO.h"
#include "scene/objects/KRyvThumbnail.h"

#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class KObject;
class KPlug;
class KProperty;
class KReadRollback;
class KRyvCharacter;
class KRyvDeformer;
class KRyvFile;
class KRyvGeometry;
class KRyvGobo;
class KTakeInfo;
class KRyvMarkerSet;
class KRyvMaterial;
class KRyvMediaFolder;
class KRyvNode;
class KRyvObject;
class KRyvObjectFactory;
class KRyvScene;
class KRyvTakeNodeContainer;
class KRyvTexture;
class KRyvVideo;
class KStreamOptionsRyv;

// One read of a decoded RYV body into one scene, for KReaderRyv: the records in file order,
// the names and places met so far, and what is resolved at the end (links, targets, inputs,
// connections, the current take). Every factory object it makes outside the scene's tree goes
// into the rollback it is given; the scene is the caller's to clear on failure. The file, scene,
// options, media folder, rollback and message are not owned and must outlive the session.
class KRyvReadSession
{
public:
    // pMedia: where embedded media go, null when they are not restored; pFileFolder: the folder
    // of the file read, which relative media names are taken from.
    // ioRollback records every factory object the session makes outside the scene's tree.
    KRyvReadSession(KRyvFile& ioFile, KRyvScene& ioScene, const KStreamOptionsRyv& pOptions,
                    KRyvMediaFolder* pMedia, const KString& pFileFolder, KReadRollback& ioRollback,
                    KString& ioMessage);
    KRyvReadSession(const KRyvReadSession&) = delete;
    KRyvReadSession& operator=(const KRyvReadSession&) = delete;

    // False, with mCancelled when the caller cancelled, for records that do not make a scene.
    bool Run();

    // A session reading a character pose's own scene inside the record of the pose: its
    // progress is not reported (the outer session's is), its cancel still stops it.
    void SetNested() { mNested = true; }
    // The file's preview image; size 0 when it has none.
    const KRyvThumbnail& GetThumbnail() const { return mThumbnail; }

    bool WasCancelled() const { return mCancelled; }
    // Why Run found the records corrupted, when a check named it; empty otherwise.
    const KString& GetCause() const { return mCause; }

private:
    void ReadDefinitions();
    bool Step(const char* pText);
    void Report(const char* pText, float pPercent);

    // The option that says whether records of the kind are read; 0 for kinds always read.
    static int OptionOfKind(const std::string& pKind);

    // Records of a kind the options leave out are stepped over; the root node's record is
    // always read, as the scene always has its root.
    bool Skips(const std::string& pKind) const;
    bool ReadObjects();
    bool ReadObject(const std::string& pKind);
    bool ReadContainer(KRyvTakeNodeContainer& ioObject, KObject* pSet);
    bool ReadGobo();
    bool ReadMaterial();
    bool ReadTexture();
    bool ReadVideo();

    // The file a texture or video is opened from: its restored copy, else the name relative to
    // this file taken from this file's folder, never the absolute name the file stored beside it
    // (which could name any file of the machine for a later copy to pick up).
    template <class T> void PlaceMedia(T& ioMedia);

    // The first model without a parent is the scene's root node; every other one names a
    // parent read before it: by its place among the models (names may repeat), or in files
    // written without the place, by its name.
    bool ReadModel();
    bool ReadNodeBody(KRyvNode& ioNode, bool pSwitcher);
    bool ReadSwitcherAttribute();

    // The deformer joins the scene's content at once, so that a failed read clears it with the
    // rest; connections to places that are not there are warnings.
    bool ReadDeformer();

    // The first value of the named place array into oPlace, whatever it is; false (oPlace
    // untouched) when the array is absent or empty.
    bool FirstPlace(const char* pName, int& oPlace);
    KObject* ModelSet(int pPlace) const;
    // The geometry of the model at a place; null when there is none.
    const KRyvGeometry* GeometryAt(int pPlace) const;

    // pDestination takes pSource; a plug takes at most kMaxSourcesPerPlug sources from a file,
    // as each connection looks through the sources there are (a hostile file could make that
    // cost the square of its size).
    bool Connect(KPlug* pDestination, KPlug* pSource);

    // The pose's own scene is read by a session of its own, from an empty scene. Each pose
    // makes a whole scene: past kMaxCharacterPoses they are skipped, with one warning.
    bool ReadCharacterPose();
    bool ReadPose();
    bool ReadMarkerSet();
    bool ReadActor();
    bool ReadCharacter();
    KRyvNode* FindNode(const KString& pName) const;

    // A character's input may be a character read after it.
    void ResolveInputs();

    // Links and targets name nodes that may come later in the file.
    void ResolveNames();

    // A connection naming a model or a property that is not there is a warning.
    void ReadPropertyConnections();
    KProperty* FindModelProperty(int pIndex, const KString& pName) const;
    void ReadTakeInfos();
    // The optional rate record of a take.
    void ReadTakeRate(KTakeInfo& ioInfo);

    struct Input
    {
        KRyvCharacter* mCharacter;
        int mKind;
        KString mName;
    };

    struct Targets
    {
        KRyvNode* mNode;
        KString mLookAt;
        KString mUp;
    };

    KRyvFile& mFile;
    KRyvScene& mScene;
    const KStreamOptionsRyv& mOptions;
    KRyvMediaFolder* mMedia;
    KString mFileFolder;
    KString& mMessage;
    KString mCause;
    KRyvObjectFactory& mFactory;
    KReadRollback& mRollback;
    KRyvGeometryContext mContext;
    std::unordered_map<std::string, KRyvNode*> mNodes;
    std::vector<KRyvNode*> mModels;
    std::vector<KRyvDeformer*> mSkins;
    // For each skin, the fewest control points among the geometries it deforms (INT_MAX when
    // it deforms none): the bound of its clusters' indices.
    std::vector<int> mSkinPoints;
    std::unordered_map<const KPlug*, int> mSourceCounts;
    std::vector<KRyvMaterial*> mMaterials;
    std::vector<KRyvTexture*> mTextures;
    std::vector<KRyvGobo*> mGobos;
    // The videos read under each name, in file order: a texture finds its own without a search.
    std::unordered_map<std::string, std::vector<KRyvVideo*>> mVideos;
    std::vector<std::pair<KRyvTexture*, KString>> mTextureVideos;
    // The first actor and the first character read under each name, by input kind: what a
    // character's input naming them takes.
    std::map<std::pair<int, std::string>, KRyvObject*> mInputSources;
    // The last marker set read under each name, which an actor naming it takes.
    std::unordered_map<std::string, KRyvMarkerSet*> mMarkerSets;
    std::vector<KRyvLinkFixup> mLinkFixups;
    std::vector<Targets> mTargets;
    std::vector<Input> mInputs;
    int mTotal = 0;
    int mDone = 0;
    bool mCancelled = false;
    bool mNested = false;
    bool mPosesCapped = false;
    int mUnknownKindsReported = 0;
    KRyvThumbnail mThumbnail;
};

#endif
