#ifndef RYVKIT_IO_KRYVWRITESESSION_H
#define RYVKIT_IO_KRYVWRITESESSION_H

#include "core/KString.h"
#include "io/KRyvPropertyDefaults.h"

#include <memory>
#include <unordered_map>
#include <vector>

class KObject;
class KRyvFile;
class KRyvGobo;
class KRyvMaterial;
class KRyvNode;
class KRyvObjectFactory;
class KRyvScene;
class KRyvSceneEntity;
class KRyvTakeNodeContainer;
class KRyvTexture;
class KRyvVideo;
class KStreamOptionsRyv;
class KVector4;

// One write of a scene into the records of a RYV file, for KWriterRyv: the objects in file
// order with the progress over them, each model's place (children and connections name their
// models by it) and the objects the scene's geometry uses without listing them. The file,
// scene and options are not owned and must outlive the session.
class KRyvWriteSession
{
public:
    KRyvWriteSession(KRyvFile& ioFile, KRyvScene& ioScene, const KStreamOptionsRyv& pOptions,
                     bool pPackedKeys);

    // Destroys the fresh nodes DestroyFreshNodes left; a failed allocation there only leaves
    // them to the factory, as nothing may escape a destructor.
    ~KRyvWriteSession();
    // Destroys the fresh nodes the session made to learn defaults. Destroying a node may
    // allocate, so the owner calls this outside any unwinding: each node is let go before it is
    // destroyed, so a failed allocation never has it destroyed twice.
    void DestroyFreshNodes();
    KRyvWriteSession(const KRyvWriteSession&) = delete;
    KRyvWriteSession& operator=(const KRyvWriteSession&) = delete;

    // Writes the body's records into the file (warnings into ioMessage); false when the
    // options cancel.
    bool Run(KString& ioMessage);

    // A session writing a character pose's own scene inside the record of the pose: its
    // progress is not reported (the outer session's is), its cancel still stops it.
    void SetNested() { mNested = true; }
    // A session that reports no progress (a first pass that only takes sizes).
    void SetQuiet() { mQuiet = true; }

private:
    // False when the caller cancels.
    bool Step(const char* pText);
    void Report(const char* pText, float pPercent);
    void WriteDefinitions(KRyvSceneEntity& ioEntity);

    // A fresh node with a fresh attribute of that kind (-1: none), made once per kind and per
    // session, and its property values: what a reader's node holds before its records are read.
    struct NodeDefaults
    {
        KRyvNode* mFresh;
        KRyvPropertyDefaults mNode;
        KRyvPropertyDefaults mAttribute;
    };
    // The parts every take-node container shares: user properties, takes, property block (which
    // leave out what the fresh node of pDefaults, when given, holds already).
    void WriteContainer(KRyvTakeNodeContainer& ioObject, KObject* pSet,
                        const NodeDefaults* pDefaults = nullptr);
    bool WriteObjects(KRyvSceneEntity& ioEntity, KString& ioMessage);
    bool WriteGenericNodes(KRyvSceneEntity& ioEntity);

    // Marker sets and actors first: characters may name them.
    bool WriteCharacters();

    // Each pose's own scene (its nodes and its character) as a whole body inside its record.
    bool WriteCharacterPoses();

    // The scene's lists, then what its geometry refers to without listing it, each object once.
    void Gather(KRyvSceneEntity& ioEntity);
    template <typename T> static void AddOnce(std::vector<T*>& ioList, T* pObject);
    bool WriteMaterials(KRyvSceneEntity&);
    bool WriteTextures(KRyvSceneEntity&, KString& ioMessage);
    bool WriteVideos(KRyvSceneEntity&, KString& ioMessage);
    void WriteMedia(const char* pFileName, const char* pRelativeName, KString& ioMessage);

    // Depth first, parents before children, so that a reader always finds a parent made.
    bool WriteModels();
    void WriteModel(KRyvNode& ioNode);
    // pFresh: a reader makes the node afresh (not the root or the camera switcher, which a
    // scene has already), so its property blocks may leave out what a fresh node holds.
    void WriteNodeBody(KRyvNode& ioNode, bool pFresh);
    const NodeDefaults& DefaultsFor(int pAttributeKind);
    static void WriteVector(KRyvFile& ioFile, const char* pName, const KVector4& pVector);
    bool WritePoses();

    // A property of one model driven by a property of another: "C" records of the place and the
    // property name of the destination, then of the source (names may repeat; places do not).
    void WritePropertyConnections();

    // Skins, then clusters, each with the places of what it is connected to: the models a skin
    // deforms, a cluster's skin, its link model and its associate model.
    bool WriteDeformers(KRyvSceneEntity& ioEntity);
    void WriteTakeInfos();

    KRyvFile& mFile;
    KRyvScene& mScene;
    const KStreamOptionsRyv& mOptions;
    bool mPackedKeys;
    KRyvObjectFactory& mFactory;
    std::vector<KRyvMaterial*> mMaterials;
    std::vector<KRyvTexture*> mTextures;
    std::vector<KRyvVideo*> mVideos;
    std::vector<KRyvGobo*> mGobos;
    bool mNested = false;
    bool mQuiet = false;
    KString* mMessage = nullptr;
    // The place of each model written, for the parent index of its children.
    std::unordered_map<const KRyvNode*, int> mModelIndex;
    std::unordered_map<int, std::unique_ptr<NodeDefaults>> mNodeDefaults;
    int mTotal = 1;
    int mDone = 0;
};

#endif
