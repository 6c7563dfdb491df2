#ifndef RYVKIT_SCENE_KRYVOBJECT_H
#define RYVKIT_SCENE_KRYVOBJECT_H

#include "core/KString.h"
#include "object/KPropertyStringList.h"
#include "scene/KNamePair.h"

#include <functional>
#include <vector>

class KObject;
class KProperty;
class KRyvObjectFactory;
class KRyvUserProperty;

// The object-name rule: the part of pName after its first "::" (the whole name when it holds
// none), "Name" when that part is empty, with pPrefix in front. "Model::" with "Arm" or
// "Model::Arm" gives "Model::Arm", with "" gives "Model::Name", with "X::Y::Z" gives
// "Model::Y::Z". A null prefix or name counts as empty.
void BuildObjectName(KString& oName, const char* pPrefix, const char* pName);

// Base of every named scene object (nodes, materials, textures, poses, ...): its name pair, the
// list of its user properties and the object factory that made it. The object type
// (GetObjectType) chooses the prefix of the current name. The user-property list holds each user
// property at most once and owns none of them (the factory does); the factory is not owned.
//
// Deformers and generic nodes have type 10 and so no prefix: SetName on a deformer named
// "SubDeformer::Cluster" by the factory leaves "Cluster", and GetNameWithoutPrefix gives the
// whole prefixed name. Gobos are created with their plain name although their prefix is
// "Video::".
class KRyvObject
{
public:
    static constexpr int kTypeNode = 1;
    static constexpr int kTypeTexture = 2;
    static constexpr int kTypeMaterial = 3;
    static constexpr int kTypeGobo = 4;
    static constexpr int kTypeVideo = 5;
    static constexpr int kTypeActor = 6;
    static constexpr int kTypeMarkerSet = 7;
    static constexpr int kTypeCharacter = 8;
    static constexpr int kTypeCharacterPose = 9;
    static constexpr int kTypeDeformer = 10;
    static constexpr int kTypePose = 11;
    static constexpr int kTypeControlSetPlug = 12;

    // Both names are pName unchanged (no prefix is added); the factory calls SetName afterwards
    // to give the current name its prefix.
    KRyvObject(KRyvObjectFactory* pOwner, const char* pName);
    KRyvObject(const KRyvObject&) = delete;
    KRyvObject& operator=(const KRyvObject&) = delete;
    virtual ~KRyvObject();

    // Called by the factory before it deletes the object: derived classes take their property
    // set apart here while the object is still whole. Empty in the base.
    virtual void Destruct() {}
    // 1 to 12, see the constants above.
    virtual int GetObjectType() const = 0;
    // The object's property set; null in the base.
    virtual KObject* GetProperties() const { return nullptr; }
    // Appends the properties the object exposes (a node: its block's, then its attribute's);
    // appends nothing in the base.
    virtual void GetUserProperties(std::vector<KProperty*>& ioProperties) const;
    // The empty text in the base.
    virtual KString GetTypeName() const;
    // An empty list in the base.
    virtual KPropertyStringList GetTypeFlags() const;
    // Called after a user property joined the list / for a user property taken away; empty here.
    virtual void OnUserPropertyAdded(KRyvUserProperty* pUserProperty);
    virtual void OnUserPropertyRemoved(KRyvUserProperty* pUserProperty);

    // Current name = the type's prefix joined with pName by BuildObjectName; the initial name
    // is not touched.
    void SetName(const char* pName);
    // The current name, with its prefix.
    const KString& GetName() const { return mNamePair.GetCurrentName(); }
    // Both names set to pName, no prefix added.
    void SetInitialName(const char* pName) { mNamePair.SetName(pName); }
    const KString& GetInitialName() const { return mNamePair.GetInitialName(); }
    // The pair itself, for renaming strategies.
    KNamePair& GetNamePair() { return mNamePair; }
    const KNamePair& GetNamePair() const { return mNamePair; }

    KString GetNamePrefix() const { return GetNamePrefixOfType(GetObjectType()); }
    // "Model::", "Texture::", ... for 1 to 12; the empty text for 10 and any other value.
    static KString GetNamePrefixOfType(int pType);
    // The part of pText after its last ':' (not "::"); the whole text when it has none.
    static KString StripThroughLastColon(const char* pText);
    // The current name without this type's prefix; failing that, the part after the first
    // "::"; failing that, the whole name.
    KString GetNameWithoutPrefix() const;

    int GetUserPropertyCount() const
    {
        PrepareUserProperties();
        return static_cast<int>(mUserProperties.size());
    }
    // Null for an index outside 0..count-1.
    KRyvUserProperty* GetUserProperty(int pIndex) const;
    // Hands pVisit each user property GetUserProperty lists, in order. One the object would make
    // on first use is handed as a record made for the call, bound to what its property reads,
    // so that a walk over a wide scene (a writer's) makes nothing that lasts.
    virtual void
    VisitUserProperties(const std::function<void(const KRyvUserProperty&)>& pVisit) const;
    // The first user property bound to pProperty; null for null or when none is.
    KRyvUserProperty* FindUserProperty(const KProperty* pProperty) const;
    // The first user property whose name equals pName byte for byte; null for null or none.
    KRyvUserProperty* FindUserProperty(const char* pName) const;
    // Appends the user property and calls OnUserPropertyAdded; null or a pointer already listed
    // does nothing.
    void AddUserProperty(KRyvUserProperty* pUserProperty);

    // The factory that made the object (not owned; null for objects made without one).
    KRyvObjectFactory* GetObjectFactory() const { return mOwner; }

protected:
    // Called before the user-property list is read or extended: an object that makes some of its
    // user properties on first use makes them here. Nothing in the base.
    virtual void PrepareUserProperties() const {}
    // The user properties listed so far, without PrepareUserProperties.
    const std::vector<KRyvUserProperty*>& GetListedUserProperties() const
    {
        return mUserProperties;
    }
    // Appends without PrepareUserProperties or OnUserPropertyAdded (a user property already
    // listed is ignored): for user properties made on first use, which join the list as they
    // would have at the object's creation.
    void AppendUserProperty(KRyvUserProperty* pUserProperty);

private:
    // Hands back the user properties the object lists without making the pending ones.
    friend class KRyvObjectFactory;

    KNamePair mNamePair;
    std::vector<KRyvUserProperty*> mUserProperties;
    KRyvObjectFactory* mOwner;
};

#endif
