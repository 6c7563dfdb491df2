#ifndef RYVKIT_SCENE_OBJECTS_KRYVPOSE_H
#define RYVKIT_SCENE_OBJECTS_KRYVPOSE_H

#include "core/KError.h"
#include "core/KMatrix.h"
#include "core/KString.h"
#include "object/KObject.h"
#include "scene/KRyvOwnedPropertySet.h"
#include "scene/KRyvPropertySetOwner.h"

#include <functional>
#include <vector>

class KRyvPose;

// The property set of a pose: no properties of its own, only the user properties created on it.
// Owned by its pose, which it names as its owner object.
class KRyvPoseProperties : public KRyvOwnedPropertySet<KRyvPose>
{
    K_DECLARE_CLASS(KRyvPoseProperties)

    // pPose: the owner, not owned; may be null.
    explicit KRyvPoseProperties(KRyvPose* pPose);

    KRyvPose* GetPose() const { return GetOwner(); }
};

// A matrix per node name: a bind pose ('b', the matrices skinned geometry was bound with) or a
// rest pose ('r'). The pose owns its entries. Matrices are global unless the entry is flagged
// local; two matrices agree when each element differs by at most 1e-6.
//
// A node has one bind matrix across all bind poses: a bind pose refuses (-1) an entry that
// disagrees with any bind pose its source lists (see SetBindPoseSource). Out-of-range lookups
// answer the shared identity matrix, the shared empty name or false, never fail.
class KRyvPose : public KRyvPropertySetOwner<KRyvPoseProperties>
{
public:
    static constexpr char kBindPose = 'b';
    static constexpr char kRestPose = 'r';

    // Lists the other poses a bind pose must agree with (every bind pose of every scene of the
    // factory that made it). The scene side installs it; the pose asking may be listed too.
    using BindPoseSource = std::function<void(std::vector<const KRyvPose*>& ioPoses)>;

    // pOwner: the factory that made the pose (not owned). The name gets the prefix "Pose::".
    KRyvPose(KRyvObjectFactory* pOwner, const char* pName, bool pIsBindPose);
    ~KRyvPose() override;

    void Destruct() override;
    int GetObjectType() const override { return kTypePose; }
    // "BindPose" or "RestPose".
    KString GetTypeName() const override;
    // Drops the channels, then the property the set made for it.
    void OnUserPropertyRemoved(KRyvUserProperty* pUserProperty) override;

    // 'b' or 'r'.
    char GetPoseType() const { return mType; }
    bool IsBindPose() const { return mType == kBindPose; }

    void SetBindPoseSource(BindPoseSource pSource) { mBindPoseSource = std::move(pSource); }

    // The entry index of pNodeName: the existing one when the pose holds the node with an equal
    // matrix (its local flag is kept), else a new entry. -1 (nothing changed) for a null name,
    // a matrix that disagrees with this pose's entry or, for a bind pose, with another bind pose.
    int Add(const char* pNodeName, const KMatrix& pMatrix, bool pLocalMatrix = false);
    // Index of the first entry of exactly that name; -1 when none or for null.
    int Find(const char* pNodeName) const;
    // The compatibility index: -1 when the pose has no entry for the node, else the entry's
    // index. oCompatible is false only when that entry's matrix disagrees with pMatrix.
    int FindCompatible(const char* pNodeName, const KMatrix& pMatrix, bool& oCompatible) const;

    int GetCount() const { return static_cast<int>(mEntries.size()); }
    // The shared empty name outside [0, count).
    const KString& GetNodeName(int pIndex) const;
    // Renames the entry; nothing for an index out of range or a null or empty name.
    void SetNodeName(int pIndex, const char* pName);
    // The shared identity matrix outside [0, count).
    const KMatrix& GetMatrix(int pIndex) const;
    // False outside [0, count).
    bool IsLocalMatrix(int pIndex) const;
    // Nothing for an index out of range.
    void RemoveAt(int pIndex);

    // For every bind pose of pPoses with at least one entry that holds pNodeName, appends the
    // pose and the entry's index to the outputs. True when one was found.
    static bool FindInBindPoses(const std::vector<KRyvPose*>& pPoses, const char* pNodeName,
                                std::vector<KRyvPose*>& oPoses, std::vector<int>& oIndexes);

private:
    struct Entry
    {
        KString mNodeName;
        KMatrix mMatrix;
        bool mLocalMatrix = false;
    };

    bool IsCompatible(const char* pNodeName, const KMatrix& pMatrix) const;

    KError mError;
    char mType;
    std::vector<Entry> mEntries;
    BindPoseSource mBindPoseSource;
};

#endif
