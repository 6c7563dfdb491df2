#ifndef RYVKIT_SCENE_KRYVSCENEGATHERER_H
#define RYVKIT_SCENE_KRYVSCENEGATHERER_H

#include "scene/KRyvNodeVisitor.h"

#include <string>
#include <unordered_map>
#include <vector>

class KRyvGobo;
class KRyvLayerContainer;
class KRyvMaterial;
class KRyvObject;
class KRyvSceneEntity;
class KRyvTexture;
class KRyvVideo;

// Collects the nodes of a subtree and the materials, textures, videos and gobos they use, and
// tells which of them clash by name (current names, byte for byte) with what a reference content
// holds or with what was gathered before. A node is accepted when it, or a material, texture or
// gobo met at it, clashes (a video clash only lists the video).
//
// Switches (SetSwitch): 0 node names (on), 1 material, 2 texture, 3 video names (off), 4 gobo
// names (on). A kind whose switch is off is gathered once per use and never clashes; with the
// switch on it is gathered once per object and checked. An object never clashes with itself
// (for materials, textures and videos as for gobos), and once a kind clashed in a geometry's
// pass its later objects there are checked against the reference content only. The node check
// does not compare the reference root itself. Nothing is owned.
class KRyvSceneGatherer : public KRyvNodeVisitor
{
public:
    enum ESwitch : int {
        eNodeNames = 0,
        eMaterialNames = 1,
        eTextureNames = 2,
        eVideoNames = 3,
        eGoboNames = 4,
        eSwitchCount = 5
    };

    // pReference may be null (only the gathered objects are compared then).
    explicit KRyvSceneGatherer(KRyvSceneEntity* pReference);

    // An index outside 0..4 is ignored (and reads as off).
    void SetSwitch(int pIndex, bool pValue);
    bool GetSwitch(int pIndex) const;

    void Clear() override;
    // Reads the reference's names once per walk, then walks as the base does.
    void Visit(KRyvNode* pNode) override;
    bool Accept(KRyvNode* pNode) override;

    const std::vector<KRyvNode*>& GetNodes() const { return mNodes.mGathered; }
    const std::vector<KRyvNode*>& GetClashingNodes() const { return mNodes.mClashing; }
    const std::vector<KRyvMaterial*>& GetMaterials() const { return mMaterials.mGathered; }
    const std::vector<KRyvMaterial*>& GetClashingMaterials() const { return mMaterials.mClashing; }
    const std::vector<KRyvTexture*>& GetTextures() const { return mTextures.mGathered; }
    const std::vector<KRyvTexture*>& GetClashingTextures() const { return mTextures.mClashing; }
    const std::vector<KRyvVideo*>& GetVideos() const { return mVideos.mGathered; }
    const std::vector<KRyvVideo*>& GetClashingVideos() const { return mVideos.mClashing; }
    const std::vector<KRyvGobo*>& GetGobos() const { return mGobos.mGathered; }
    const std::vector<KRyvGobo*>& GetClashingGobos() const { return mGobos.mClashing; }

private:
    // Object pointers by name; the same name may belong to several objects.
    using NameIndex = std::unordered_multimap<std::string, const void*>;

    template <class T> struct Kind
    {
        std::vector<T*> mGathered;
        std::vector<T*> mClashing;
        // Names of the gathered objects, for the checks.
        NameIndex mNames;
    };

    // True when pName is held by an object other than pObject.
    static bool HasOther(const NameIndex& pIndex, const std::string& pName, const void* pObject);
    // Gathers one object of a kind; true when it clashes. pCompareGathered is false once the
    // kind clashed earlier in the same geometry's pass.
    template <class T>
    bool Gather(Kind<T>& ioKind, T* pObject, bool pSwitch, const NameIndex& pReference,
                bool pCompareGathered);
    bool GatherGeometry(KRyvLayerContainer* pGeometry);
    void IndexReference();

    KRyvSceneEntity* mReference;
    bool mSwitches[eSwitchCount] = {true, false, false, false, true};
    Kind<KRyvNode> mNodes;
    Kind<KRyvMaterial> mMaterials;
    Kind<KRyvTexture> mTextures;
    Kind<KRyvVideo> mVideos;
    Kind<KRyvGobo> mGobos;
    // The reference content's names: nodes below its root, and its shared objects.
    NameIndex mReferenceNodes;
    NameIndex mReferenceMaterials;
    NameIndex mReferenceTextures;
    NameIndex mReferenceVideos;
    NameIndex mReferenceGobos;
};

#endif
