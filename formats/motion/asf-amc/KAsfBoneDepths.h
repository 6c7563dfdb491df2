#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KASFBONEDEPTHS_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KASFBONEDEPTHS_H

#include <cstddef>
#include <unordered_map>
#include <vector>

class KAsfBone;

// The depths of an ASF skeleton's bones while its hierarchy section moves them, so that the line
// that would close a loop or make the tree too deep is refused as it is read, in near constant
// time a line, whatever the tree's shape.
//
// Every bone starts right below the root, and a hierarchy line moves only such bones, each once:
// the bones thus form groups, one for each bone still right below the root (the group's top) with
// everything hung under it so far. A disjoint-set forest (union by size, path compression) keeps
// each bone's depth relative to its group's representative, and for each group its top and its
// height (the depth of its deepest bone below the top).
class KAsfBoneDepths
{
public:
    enum EResult : int { eHung, eLoop, eTooDeep };

    // pMaxDepth: the deepest a bone may lie, the root at depth 0.
    explicit KAsfBoneDepths(int pMaxDepth) : mMaxDepth(pMaxDepth) {}

    // Records that pChild, a bone right below the root, hangs under pParent from now on. eLoop
    // when pParent is pChild or lies below it; eTooDeep when a bone would then lie deeper than
    // the limit. Nothing is recorded unless eHung is answered.
    EResult Hang(const KAsfBone* pChild, const KAsfBone* pParent);
    // The links between bones followed by every Hang so far: near the number of calls, however
    // the hierarchy's lines are ordered.
    std::size_t GetSteps() const { return mSteps; }

private:
    struct Entry
    {
        // The next bone towards the group's representative; itself for the representative.
        int mLink;
        // The bone's depth less its link's.
        int mOffset;
        // Of a representative: the group's size, top and height.
        int mSize;
        int mTop;
        int mHeight;
    };

    int IndexOf(const KAsfBone* pBone);
    // The representative of bone pIndex's group; oDepth: the bone's depth less the
    // representative's.
    int Find(int pIndex, int& oDepth);

    int mMaxDepth;
    std::unordered_map<const KAsfBone*, int> mIndex;
    std::vector<Entry> mEntries;
    std::size_t mSteps = 0;
};

#endif
