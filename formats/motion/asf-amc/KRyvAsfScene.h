#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KRYVASFSCENE_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KRYVASFSCENE_H

#include "core/KTime.h"
#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KAsfBone.h"
#include "object/KObject.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class KReadRollback;
class KRyvNode;
class KRyvObjectFactory;

// An ASF skeleton in memory: the bones under one root bone named "root", the skeleton's name and
// units. The ASF file fills it on import and writes it on export; the AMC file reads its frames
// into the bones and writes frames from the nodes the bones are attached to. Between the ASF and
// the AMC step it travels in the motion option set, which owns it.
//
// Lengths are kept in centimetres (the file's length unit counts file units per inch), angles
// in degrees. The scene owns every bone; walks over the tree are iterative, so a deep chain
// costs no stack, and bones are found by name through a table, never by a search of the tree.
class KRyvAsfScene : public KObject, public KStreamOptionsMotion::Attachment
{
    K_DECLARE_CLASS(KRyvAsfScene)

    static constexpr double kInchToCentimetre = 2.54;
    static constexpr double kDegreesPerRadian = 57.29577951308232;
    // The deepest bone chain a skeleton may hold.
    static constexpr int kMaxDepth = 1000;

    KRyvAsfScene();
    ~KRyvAsfScene() override;

    const std::string& GetSkeletonName() const { return mSkeletonName; }
    void SetSkeletonName(const std::string& pName) { mSkeletonName = pName; }
    // The name of the node the readers hang the skeleton under: the skeleton name, or "ASF"
    // when it is empty, then ":reference".
    std::string GetReferenceName() const;

    // Bones. CreateBone makes a bone the scene owns, not yet in the tree; AddBone takes one
    // over. The first bone of a name is the one FindBone answers.
    KAsfBone* CreateBone(const std::string& pName);
    KAsfBone* AddBone(std::unique_ptr<KAsfBone> pBone);
    KAsfBone* FindBone(const std::string& pName) const;
    KAsfBone* GetRoot() const { return mRoot; }
    void SetRoot(KAsfBone* pBone) { mRoot = pBone; }
    // Appends pChild to pParent's children and makes pParent its parent. A bone that hung right
    // below the root keeps its entry among the root's children until DropMovedRootChildren, so
    // that hanging n bones costs n steps, not n times the root's children.
    void AddChildBone(KAsfBone* pParent, KAsfBone* pChild);
    // Removes from the root's children every bone whose parent is another bone now, keeping the
    // others in their order.
    void DropMovedRootChildren();
    // The bones below and with the root, a bone before its children, children in order.
    std::vector<KAsfBone*> GetBonesDepthFirst() const;
    int GetBoneCount() const { return static_cast<int>(mBones.size()); }
    // The depth of the deepest bone (the root is 0).
    int GetDepth() const;
    // True for the name of a bone CollapseBonesWithoutDof removed.
    bool IsCollapsed(const std::string& pName) const { return mCollapsed.count(pName) > 0; }

    // Import, once the ASF file is read: lengths and the root position to centimetres, bone
    // vectors, offsets and the local transforms of the nodes.
    void ComputeLocalTransforms();
    // Removes every bone without DOFs but the root; its children move up to its parent, their
    // offsets and local transforms following, so the rest pose stays where it was.
    void CollapseBonesWithoutDof();
    // Skeleton nodes (limb nodes, marked for export) for the bones, with "<bone>_End" leaves;
    // every node is handed to the rollback. With a take name, the bones' keys go into that take.
    // Answers the root's node; null when the factory refuses a node.
    KRyvNode* CreateNodes(KReadRollback& ioRollback, KRyvObjectFactory& ioFactory,
                          const char* pTakeName, bool pLimits);
    // The same below pParent, reusing a skeleton node of a bone's name already under the node
    // of its parent bone (its take is added and filled).
    KRyvNode* UpdateNodes(KReadRollback& ioRollback, KRyvObjectFactory& ioFactory,
                          KRyvNode* pParent, const char* pTakeName, bool pLimits);

    // Drops every bone's keys and readies the bones for AddFrameKeys.
    void BeginFrameKeys();
    // One AMC bone line: the values in the order of the bone's DOFs (pCount of them, missing ones
    // 0), translations times pTranslationFactor, angles times pAngleFactor. False when a result
    // does not fit a key.
    bool AddFrameKeys(KAsfBone& ioBone, const double* pValues, int pCount, KTime pTime,
                      double pTranslationFactor, double pAngleFactor);
    // Sorts every bone's keys by time; of keys at one time the last read stays.
    void FinishKeys();
    void ClearKeys();

    // Export: the bones of the skeleton below pRoot (which becomes the root bone), in a length
    // unit of 1, each node's translation scaled by pScale first. With pTranslationDofs every
    // bone but the root gets tx, ty, tz besides rx, ry, rz; without it, a bone whose node's
    // translation moves at pFrames (the frames the AMC writer writes) gets them. False for a
    // null root or a skeleton deeper than kMaxDepth.
    bool BuildFromScene(KRyvNode* pRoot, const KVector4& pScale, bool pTranslationDofs,
                        const KMotionTakeSpan::Frames& pFrames);
    // Binds the bones to the nodes of their names below pRoot (the root bone to pRoot); a bone
    // without a node writes rest values. False for a null root or a scene without root bone.
    bool AttachToScene(KRyvNode* pRoot);
    // The values of a bone's DOFs at a time, in the order of its list (codes above the
    // rotations give 0), taken from its node. pReference, for the root only: the global matrix
    // its translation and rotation go through. pScale: the scale other bones' translations take.
    void GetFrameValues(const KAsfBone& pBone, KTime pTime, const KMatrix* pReference,
                        const KVector4& pScale, double pValues[KAsfBone::kMaxDof]) const;

    double mMassUnit = 1.0;
    double mLengthUnit = 1.0;
    double mAngleFactor = 1.0;

private:
    void Clear();
    KRyvNode* CreateBoneNodes(KReadRollback& ioRollback, KRyvObjectFactory& ioFactory,
                              KAsfBone& pBone, KRyvNode* pParent, const char* pTakeName,
                              bool pLimits);
    KRyvNode* CreateBoneNode(KReadRollback& ioRollback, KRyvObjectFactory& ioFactory,
                             KAsfBone& pBone, const char* pTakeName, bool pLimits);
    bool ApplyTake(KReadRollback& ioRollback, KRyvNode& ioNode, KAsfBone& ioBone,
                   const char* pTakeName);
    static void SetLimits(KRyvNode& ioNode, const KAsfBone& pBone);
    void BuildBones(KRyvNode* pRoot, const KVector4& pScale, bool pTranslationDofs,
                    const KMotionTakeSpan::Frames& pFrames);
    void ComputeExportMatrices();
    void RemoveStillLeaves();
    void Compact();

    std::string mSkeletonName;
    KAsfBone* mRoot = nullptr;
    std::vector<std::unique_ptr<KAsfBone>> mBones;
    std::unordered_map<std::string, KAsfBone*> mByName;
    std::unordered_set<std::string> mCollapsed;
};

#endif
