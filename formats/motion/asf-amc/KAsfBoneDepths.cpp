#include "formats/motion/asf-amc/KAsfBoneDepths.h"

#include <algorithm>
#include <utility>

int KAsfBoneDepths::IndexOf(const KAsfBone* pBone)
{
    const auto [lAt, lAdded] = mIndex.emplace(pBone, static_cast<int>(mEntries.size()));
    if (lAdded) {
        const int lIndex = lAt->second;
        mEntries.push_back({lIndex, 0, 1, lIndex, 0});
    }
    return lAt->second;
}

int KAsfBoneDepths::Find(int pIndex, int& oDepth)
{
    int lRepresentative = pIndex;
    oDepth = 0;
    while (mEntries[lRepresentative].mLink != lRepresentative) {
        oDepth += mEntries[lRepresentative].mOffset;
        lRepresentative = mEntries[lRepresentative].mLink;
        ++mSteps;
    }
    // Every bone on the way now links to the representative directly.
    int lDepth = oDepth;
    for (int lBone = pIndex;
         mEntries[lBone].mLink != lRepresentative && lBone != lRepresentative;) {
        Entry& lEntry = mEntries[lBone];
        const int lNext = lEntry.mLink;
        const int lOffset = lEntry.mOffset;
        lEntry.mLink = lRepresentative;
        lEntry.mOffset = lDepth;
        lDepth -= lOffset;
        lBone = lNext;
    }
    return lRepresentative;
}

KAsfBoneDepths::EResult KAsfBoneDepths::Hang(const KAsfBone* pChild, const KAsfBone* pParent)
{
    const int lChild = IndexOf(pChild);
    const int lParent = IndexOf(pParent);
    int lChildDepth = 0;
    int lParentDepth = 0;
    int lChildGroup = Find(lChild, lChildDepth);
    int lParentGroup = Find(lParent, lParentDepth);
    // The child is the top of its group: the parent lies in it only when it lies below the child.
    if (lChildGroup == lParentGroup) {
        return eLoop;
    }
    int lTopDepth = 0;
    Find(mEntries[lParentGroup].mTop, lTopDepth);
    // Depths below the top: the top lies at depth 1, right below the root.
    const int lBelowTop = lParentDepth - lTopDepth + 1;
    const int lHeight =
        std::max(mEntries[lParentGroup].mHeight, lBelowTop + mEntries[lChildGroup].mHeight);
    if (1 + lHeight > mMaxDepth) {
        return eTooDeep;
    }
    // The child's group moves so that the child lies one below the parent.
    int lShift = lParentDepth + 1 - lChildDepth;
    const int lTop = mEntries[lParentGroup].mTop;
    if (mEntries[lChildGroup].mSize > mEntries[lParentGroup].mSize) {
        std::swap(lChildGroup, lParentGroup);
        lShift = -lShift;
    }
    mEntries[lChildGroup].mLink = lParentGroup;
    mEntries[lChildGroup].mOffset = lShift;
    Entry& lJoined = mEntries[lParentGroup];
    lJoined.mSize += mEntries[lChildGroup].mSize;
    lJoined.mTop = lTop;
    lJoined.mHeight = lHeight;
    return eHung;
}
