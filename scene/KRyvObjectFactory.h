#ifndef RYVKIT_SCENE_KRYVOBJECTFACTORY_H
#define RYVKIT_SCENE_KRYVOBJECTFACTORY_H

#include "core/KError.h"
#include "object/KPropertyDefinitionCache.h"
#include "scene/KRenamingStrategy.h"
#include "scene/KRyvFactoryList.h"

#include <memory>
#include <new>
#include <vector>

class KExporter;
class KImageConverter;
class KImporter;
class KProperty;
class KRyvCamera;
class KRyvDeformer;
class KRyvGenericNode;
class KRyvGeometryConverter;
class KRyvGobo;
class KRyvLayerContainer;
class KRyvLight;
class KRyvLink;
class KRyvMarker;
class KRyvMaterial;
class KRyvMesh;
class KRyvNode;
class KRyvNodeAttribute;
class KRyvNull;
class KRyvNurb;
class KRyvObject;
class KRyvObjectFactory;
class KRyvOpticalReference;
class KRyvPatch;
class KRyvPose;
class KRyvScene;
class KRyvSkeleton;
class KRyvTexture;
class KRyvThumbnail;
class KRyvUserProperty;
class KRyvVideo;
struct KDocumentInfo;

// How factories make and end importers and exporters. The import/export layer sits above the
// scene and installs these when the program starts; where it is not linked, a factory makes
// none (CreateImporter and CreateExporter answer null).
struct KRyvStreamMakers
{
    KImporter* (*mNewImporter)(KRyvObjectFactory* pOwner) = nullptr;
    KExporter* (*mNewExporter)(KRyvObjectFactory* pOwner) = nullptr;
    void (*mDeleteImporter)(KImporter* pImporter) = nullptr;
    void (*mDeleteExporter)(KExporter* pExporter) = nullptr;
};

// The one place where scene objects are made, listed and unmade. Each kind has a list, a New
// hook (virtual: a host-side factory subclass replaces how an object is allocated), a Create
// that calls the hook, names the object and lists it (Listed / ListedNamed), a Destroy that
// unlists and deletes it (DestroyObject / DestroyPlain), a line in DestroyAll and, for named
// kinds, a Find (FindByName). Every listed object belongs to the factory: callers hand objects back
// to the matching Destroy (or leave them to DestroyAll), never delete them.
//
// Destroying an object also hands back the user properties it lists that this factory made
// (a node's records of its property block), after the object itself, so that neither the list
// nor the properties outlive what they describe.
//
// The first factory alive acquires the kit's lifetime; the last one destroyed releases it.
//
// The only error is kObjectNotFound ("Object not found"), set by a Destroy that does not find
// its object (which is then left untouched) and by a Find without a match (but
// FindUserProperty, which leaves the error as it was).
class KRyvObjectFactory
{
public:
    static constexpr int kObjectNotFound = 0;

    KRyvObjectFactory();
    KRyvObjectFactory(const KRyvObjectFactory&) = delete;
    KRyvObjectFactory& operator=(const KRyvObjectFactory&) = delete;
    // DestroyAll, then the strategies; the last factory releases the kit.
    virtual ~KRyvObjectFactory();

    // Creators: null (nothing listed) when the hook gives null.
    // A scene with its content and root node "RootNode".
    KRyvScene* CreateScene();
    // "Model::" + the part of pName after its first "::" ("Name" when empty), then the node
    // strategy.
    KRyvNode* CreateNode(const char* pName);
    // The definitions shared by the properties of the objects this factory makes.
    KPropertyDefinitionCache& GetPropertyDefinitionCache() { return mPropertyDefinitions; }
    // Node attributes, unnamed.
    KRyvNull* CreateNull();
    KRyvMarker* CreateMarker();
    KRyvCamera* CreateCamera();
    KRyvLight* CreateLight();
    KRyvSkeleton* CreateSkeleton();
    KRyvMesh* CreateMesh();
    KRyvPatch* CreatePatch();
    KRyvNurb* CreateNurb();
    KRyvOpticalReference* CreateOpticalReference();
    KRyvLink* CreateLink();
    // "Material::", "Texture::", "Video::" + the name as for nodes, then the kind's strategy.
    KRyvMaterial* CreateMaterial(const char* pName);
    KRyvTexture* CreateTexture(const char* pName);
    KRyvVideo* CreateVideo(const char* pName);
    // Made directly: NewLayerContainer is not called.
    KRyvLayerContainer* CreateLayerContainer();
    // The name is kept as given (no prefix).
    KRyvGobo* CreateGobo(const char* pName);
    // "Pose::" + the name; pKind 1 makes a bind pose.
    KRyvPose* CreatePose(const char* pName, int pKind);
    // The name is kept as given; null for a null name.
    KRyvGenericNode* CreateGenericNode(const char* pName);
    // "SubDeformer::" + the name when pType is "Cluster" in any letter case, else "Deformer::"
    // + the name; the type text goes to the deformer unchanged. Null for a null name or type.
    KRyvDeformer* CreateDeformer(const char* pName, const char* pType);
    KRyvThumbnail* CreateThumbnail();
    // Bound to pProperty; null for a null property.
    KRyvUserProperty* CreateUserProperty(KProperty* pProperty);
    // An unbound record; null for a null name or label.
    KRyvUserProperty* CreateUserProperty(const char* pName, const char* pTypeName,
                                         const char* pLabel);
    // Six empty texts and the word 0.
    KDocumentInfo* CreateDocumentInfo();
    KRyvGeometryConverter* CreateGeometryConverter();
    // Taken back by DestroyAll only.
    KImageConverter* CreateImageConverter();
    // Null when no import/export layer installed its makers.
    KExporter* CreateExporter();
    KImporter* CreateImporter();
    // Installs how every factory makes importers and exporters (see KRyvStreamMakers).
    static void SetStreamMakers(const KRyvStreamMakers& pMakers);

    // Destroyers: false with kObjectNotFound, the object untouched, when it is not in the
    // kind's list (wrong kind, second call, null).
    // With pRecursive the scene's root node (taken before the scene goes) is then destroyed
    // with DestroyNode(root, true) and its answer returned; a scene without root counts as
    // success. Without it the content's nodes stay with the factory.
    virtual bool DestroyScene(KRyvScene* pScene, bool pRecursive);
    // With pRecursive the node's subtree goes first (each child's subtree before the next
    // child, the node's attribute with DestroyNodeAttribute), then the node. A child that is not
    // listed is left alone (it only loses its parent) and the answer is false; the node and the
    // rest are destroyed in every case. The walk keeps its own stack, so deep trees are safe.
    virtual bool DestroyNode(KRyvNode* pNode, bool pRecursive);
    virtual bool DestroyNodeAttribute(KRyvNodeAttribute* pAttribute);
    virtual bool DestroyLink(KRyvLink* pLink);
    virtual bool DestroyMaterial(KRyvMaterial* pMaterial);
    virtual bool DestroyLayerContainer(KRyvLayerContainer* pLayerContainer);
    virtual bool DestroyTexture(KRyvTexture* pTexture);
    virtual bool DestroyVideo(KRyvVideo* pVideo);
    virtual bool DestroyGobo(KRyvGobo* pGobo);
    virtual bool DestroyPose(KRyvPose* pPose);
    virtual bool DestroyUserProperty(KRyvUserProperty* pUserProperty);
    virtual bool DestroyGenericNode(KRyvGenericNode* pNode);
    virtual bool DestroyDeformer(KRyvDeformer* pDeformer);
    virtual bool DestroyThumbnail(KRyvThumbnail* pThumbnail);
    virtual bool DestroyDocumentInfo(KDocumentInfo* pDocumentInfo);
    bool DestroyGeometryConverter(KRyvGeometryConverter* pConverter);
    bool DestroyExporter(KExporter* pExporter);
    bool DestroyImporter(KImporter* pImporter);

    // Finders by current name, byte for byte. FindNode builds the wanted name as CreateNode
    // does and answers the pIndex-th match (from 0) in creation order.
    virtual KRyvNode* FindNode(const char* pName, int pIndex = 0);
    virtual KRyvMaterial* FindMaterial(const char* pName, int pIndex = 0);
    virtual KRyvTexture* FindTexture(const char* pName, int pIndex = 0);
    virtual KRyvVideo* FindVideo(const char* pName, int pIndex = 0);
    // Looks for "Video::" + the name (the prefix of the gobo type), which a gobo created with a
    // plain name does not carry.
    virtual KRyvGobo* FindGobo(const char* pName, int pIndex = 0);
    // The first pose / generic node whose current name equals pName as given (no prefix added).
    virtual KRyvPose* FindPose(const char* pName);
    virtual KRyvGenericNode* FindGenericNode(const char* pName);
    // The first user property whose name equals pName; null leaves the error untouched.
    virtual KRyvUserProperty* FindUserProperty(const char* pName);

    // Destroys every listed object (scenes and nodes without recursion), kind by kind: scenes,
    // node attributes,
    // nodes, deformers (before the links they point at), links, materials, layer containers,
    // textures, videos, gobos, poses, user properties, generic nodes, thumbnails, documents,
    // geometry converters, image converters, exporters, importers; then clears the strategies that
    // are set.
    virtual void DestroyAll();

    // Lists in creation order; Get answers null out of range.
    int GetSceneCount() const { return mScenes.GetCount(); }
    KRyvScene* GetScene(int pIndex) const { return mScenes.Get(pIndex); }
    int GetNodeCount() const { return mNodes.GetCount(); }
    KRyvNode* GetNode(int pIndex) const { return mNodes.Get(pIndex); }
    int GetNodeAttributeCount() const { return mNodeAttributes.GetCount(); }
    KRyvNodeAttribute* GetNodeAttribute(int pIndex) const { return mNodeAttributes.Get(pIndex); }
    int GetMaterialCount() const { return mMaterials.GetCount(); }
    KRyvMaterial* GetMaterial(int pIndex) const { return mMaterials.Get(pIndex); }
    int GetTextureCount() const { return mTextures.GetCount(); }
    KRyvTexture* GetTexture(int pIndex) const { return mTextures.Get(pIndex); }
    int GetLinkCount() const { return mLinks.GetCount(); }
    int GetLayerContainerCount() const { return mLayerContainers.GetCount(); }
    int GetVideoCount() const { return mVideos.GetCount(); }
    int GetGoboCount() const { return mGobos.GetCount(); }
    int GetPoseCount() const { return mPoses.GetCount(); }
    // How many poses this factory has destroyed so far.
    std::uint64_t GetPoseRemovalCount() const { return mPoses.GetRemovalCount(); }
    // Counts the records of every node too (made here if still pending).
    int GetUserPropertyCount() const;
    int GetThumbnailCount() const { return mThumbnails.GetCount(); }
    int GetDocumentInfoCount() const { return mDocumentInfos.GetCount(); }
    int GetGenericNodeCount() const { return mGenericNodes.GetCount(); }
    int GetDeformerCount() const { return mDeformers.GetCount(); }
    int GetGeometryConverterCount() const { return mGeometryConverters.GetCount(); }
    int GetImageConverterCount() const { return mImageConverters.GetCount(); }
    int GetExporterCount() const { return mExporters.GetCount(); }
    int GetImporterCount() const { return mImporters.GetCount(); }

    // Renaming strategies of new nodes, materials, textures and videos: owned, null for none.
    void SetNodeRenamingStrategy(std::unique_ptr<KRenamingStrategy> pStrategy);
    void SetMaterialRenamingStrategy(std::unique_ptr<KRenamingStrategy> pStrategy);
    void SetTextureRenamingStrategy(std::unique_ptr<KRenamingStrategy> pStrategy);
    void SetVideoRenamingStrategy(std::unique_ptr<KRenamingStrategy> pStrategy);
    KRenamingStrategy* GetNodeRenamingStrategy() const { return mNodeStrategy.get(); }
    KRenamingStrategy* GetMaterialRenamingStrategy() const { return mMaterialStrategy.get(); }
    KRenamingStrategy* GetTextureRenamingStrategy() const { return mTextureStrategy.get(); }
    KRenamingStrategy* GetVideoRenamingStrategy() const { return mVideoStrategy.get(); }

    KError& GetError() { return mError; }

    // Factories alive in this process.
    static int GetLiveFactoryCount();

protected:
    // Allocation hooks: each makes one object (new) and gives it to Create, which lists it. The
    // object is later deleted through its virtual destructor, so an override may return any
    // subclass made with new.
    virtual KRyvScene* NewScene();
    virtual KRyvNode* NewNode(const char* pName);
    virtual KRyvNull* NewNull();
    virtual KRyvMarker* NewMarker();
    virtual KRyvCamera* NewCamera();
    virtual KRyvLight* NewLight();
    virtual KRyvSkeleton* NewSkeleton();
    virtual KRyvMesh* NewMesh();
    virtual KRyvPatch* NewPatch();
    virtual KRyvNurb* NewNurb();
    virtual KRyvOpticalReference* NewOpticalReference();
    virtual KRyvLink* NewLink();
    virtual KRyvMaterial* NewMaterial(const char* pName);
    virtual KRyvLayerContainer* NewLayerContainer();
    virtual KRyvTexture* NewTexture(const char* pName);
    virtual KRyvVideo* NewVideo(const char* pName);
    virtual KRyvGobo* NewGobo(const char* pName);
    virtual KRyvPose* NewPose(const char* pName, int pKind);
    virtual KRyvUserProperty* NewUserProperty(KProperty* pProperty);
    virtual KRyvUserProperty* NewUserProperty(const char* pName, const char* pTypeName,
                                              const char* pLabel);
    virtual KRyvGenericNode* NewGenericNode(const char* pName);
    virtual KRyvDeformer* NewDeformer(const char* pName, const char* pType);
    virtual KRyvThumbnail* NewThumbnail();
    virtual KDocumentInfo* NewDocumentInfo();
    virtual KRyvGeometryConverter* NewGeometryConverter();
    virtual KImageConverter* NewImageConverter();
    virtual KExporter* NewExporter();
    virtual KImporter* NewImporter();

private:
    // A node lists the records of its block on first use, in the order nodes were made
    // (KRyvNode::PrepareUserProperties); these keep that order.
    friend class KRyvNode;
    // Takes the node's records as pending; throws std::bad_alloc (nothing changed) when the
    // list cannot grow.
    void DeferUserPropertyRecords(KRyvNode* pNode);
    // Drops a pending node (one going away) without making its records.
    void ForgetPendingUserPropertyRecords(KRyvNode* pNode);
    // Makes the records of every pending node, oldest first. A user property listed by any
    // other way comes after them, as it would had they been made with their nodes.
    void MakePendingUserPropertyRecords() const;
    // Makes and lists a record bound to pProperty; null for null.
    KRyvUserProperty* ListUserProperty(KProperty* pProperty);

    // The makers every factory uses; empty until the import/export layer installs them.
    static KRyvStreamMakers& StreamMakers();
    // Lists a hook's result (null passes through).
    template <class T> static T* Listed(KRyvFactoryList<T>& ioList, T* pObject)
    {
        ioList.Add(pObject);
        return pObject;
    }
    // Names a new scene object with its type's prefix and the strategy, then lists it. Naming
    // allocates: when that throws std::bad_alloc, the object, listed nowhere yet, is deleted
    // before the exception goes on.
    template <class T>
    T* ListedNamed(KRyvFactoryList<T>& ioList, T* pObject, const char* pName,
                   KRenamingStrategy* pStrategy)
    {
        if (pObject) {
            try {
                pObject->SetName(pName);
                Rename(pStrategy, pObject);
            } catch (const std::bad_alloc&) {
                DeleteObject(pObject, true);
                throw;
            }
        }
        return Listed(ioList, pObject);
    }
    // Unlists and deletes a scene object (DeleteObject); false when it is not listed.
    template <class T> bool DestroyObject(KRyvFactoryList<T>& ioList, T* pObject, bool pDestruct)
    {
        if (!Unlist(ioList, pObject)) {
            return false;
        }
        DeleteObject(pObject, pDestruct);
        return true;
    }
    // Unlists and deletes any other object; false when it is not listed.
    template <class T> bool DestroyPlain(KRyvFactoryList<T>& ioList, T* pObject)
    {
        if (!Unlist(ioList, pObject)) {
            return false;
        }
        delete pObject;
        return true;
    }
    // Unlists; false with kObjectNotFound when the object is not there.
    template <class T> bool Unlist(KRyvFactoryList<T>& ioList, const T* pObject)
    {
        if (ioList.Remove(pObject)) {
            return true;
        }
        mError.SetLastErrorID(kObjectNotFound);
        return false;
    }
    // Empties a list, destroying each object the way its Destroy does.
    template <class T, class D> static void DestroyList(KRyvFactoryList<T>& ioList, D pDelete)
    {
        while (T* lObject = ioList.TakeFirst()) {
            pDelete(lObject);
        }
    }
    // The same, newest object first.
    template <class T, class D>
    static void DestroyListNewestFirst(KRyvFactoryList<T>& ioList, D pDelete)
    {
        while (T* lObject = ioList.TakeLast()) {
            pDelete(lObject);
        }
    }
    // The pIndex-th object of the list whose current name equals pWanted; null and
    // kObjectNotFound when there are fewer.
    template <class T>
    T* FindByName(const KRyvFactoryList<T>& pList, const KString& pWanted, int pIndex);
    // Applies the strategy (when set) to the object's name pair.
    static void Rename(KRenamingStrategy* pStrategy, KRyvObject* pObject);
    // Deletes a scene object (after Destruct when pDestruct), then hands back the user
    // properties of this factory that it listed and were bound to its properties.
    void DeleteObject(KRyvObject* pObject, bool pDestruct);
    void DeleteNodeTree(KRyvNode* pRoot, bool& ioAllFound);

    KRyvFactoryList<KRyvScene> mScenes;
    KRyvFactoryList<KRyvNode> mNodes;
    KRyvFactoryList<KRyvNodeAttribute> mNodeAttributes;
    KRyvFactoryList<KRyvLink> mLinks;
    KRyvFactoryList<KRyvMaterial> mMaterials;
    KRyvFactoryList<KRyvLayerContainer> mLayerContainers;
    KRyvFactoryList<KRyvTexture> mTextures;
    KRyvFactoryList<KRyvVideo> mVideos;
    KRyvFactoryList<KRyvGobo> mGobos;
    KRyvFactoryList<KRyvPose> mPoses;
    KRyvFactoryList<KRyvUserProperty> mUserProperties;
    // Nodes whose block records are still to be made, oldest first.
    KRyvFactoryList<KRyvNode> mPendingRecordNodes;
    KRyvFactoryList<KRyvThumbnail> mThumbnails;
    KRyvFactoryList<KDocumentInfo> mDocumentInfos;
    KRyvFactoryList<KRyvGenericNode> mGenericNodes;
    KRyvFactoryList<KRyvDeformer> mDeformers;
    KRyvFactoryList<KRyvGeometryConverter> mGeometryConverters;
    KRyvFactoryList<KImageConverter> mImageConverters;
    KRyvFactoryList<KExporter> mExporters;
    KRyvFactoryList<KImporter> mImporters;

    std::unique_ptr<KRenamingStrategy> mNodeStrategy;
    std::unique_ptr<KRenamingStrategy> mMaterialStrategy;
    std::unique_ptr<KRenamingStrategy> mTextureStrategy;
    std::unique_ptr<KRenamingStrategy> mVideoStrategy;
    KPropertyDefinitionCache mPropertyDefinitions;
    KError mError;
};

#endif
