#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KASFBONE_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KASFBONE_H

#include "core/KMatrix.h"
#include "core/KVector4.h"

#include <cstdint>
#include <string>
#include <vector>

class KRyvNode;

// One AMC frame of a bone, already in the node's terms: the local translation (centimetres) and
// the local rotation as Euler X, Y, Z in degrees, at a time in ticks.
struct KAsfKey
{
    std::int64_t mTicks;
    double mTranslation[3];
    double mRotation[3];
};

// One bone of an ASF skeleton. The KRyvAsfScene owns every bone; parent and children are links
// between bones of the same scene. Matrices use the kit's row vectors (p' = p * M); the axis
// matrix A takes the bone's own axes to the skeleton's (rest) axes, the inverse is its transpose.
class KAsfBone
{
public:
    // DOF codes, in the order of the file's words.
    enum EDof : int { eTx = 0, eTy = 1, eTz = 2, eRz = 3, eRy = 4, eRx = 5, eLength = 6 };
    // A DOF list holds at most this many codes; eLength takes a slot (and an AMC value) but
    // drives nothing.
    static constexpr int kMaxDof = 6;

    bool HasTranslationDof() const;
    bool HasRotationDof() const;
    int CountRotationDofs() const;
    // Appends a code; false when the list is full.
    bool AddDof(int pCode);
    // Sets the axis angles (degrees, X, Y, Z) and their rotation order index, and builds A and its
    // inverse. False, nothing changed, for an index that is not one of the six even ones.
    bool SetAxis(const double pAngles[3], int pOrderIndex);

    std::string mName;
    int mDofCount = 0;
    int mDofs[kMaxDof] = {0, 0, 0, 0, 0, 0};
    int mAxisOrder = 0;
    double mAxisAngles[3] = {0.0, 0.0, 0.0};
    // Root: the ASF position; other bones: length times direction (the bone vector), set once
    // the skeleton is complete. Centimetres.
    KVector4 mPosition;
    KVector4 mDirection;
    // Centimetres once the skeleton is complete; the file's value while reading.
    double mLength = 0.0;
    // The file's line of the length (of the position for the root), for messages; 0 for none.
    int mLengthLine = 0;
    KAsfBone* mParent = nullptr;
    std::vector<KAsfBone*> mChildren;
    KMatrix mAxis;
    KMatrix mInverseAxis;
    KMatrix mParentAxis;
    KMatrix mParentInverseAxis;
    // Where the bone starts in the skeleton's axes, from its parent's start: the parent's bone
    // vector (zero under the root).
    KVector4 mOffset;
    KVector4 mLocalTranslation;
    KVector4 mLocalRotation;
    // A times the parent's inverse axis matrix, the rest rotation within the parent node, kept
    // while AMC frames are read (KRyvAsfScene::BeginFrameKeys).
    KMatrix mLocalAxis;
    // Set with mLocalAxis when that is the identity and the rotation DOFs list X, Y, Z in that
    // order (each at most once): the DOF angles are then the node's Euler X, Y, Z angles as they
    // stand, and no matrix needs to be made.
    bool mDirectEuler = false;
    // Export: the node the bone was built from or attached to; null when none.
    KRyvNode* mNode = nullptr;
    // Import: the AMC frames read, sorted by time once the read is finished.
    std::vector<KAsfKey> mKeys;
};

#endif
