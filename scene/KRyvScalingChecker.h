#ifndef RYVKIT_SCENE_KRYVSCALINGCHECKER_H
#define RYVKIT_SCENE_KRYVSCALINGCHECKER_H

#include "core/KTime.h"
#include "scene/KRyvNodeVisitor.h"

#include <vector>

class KRyvTakeNode;

// Finds nodes whose scaling animation is unwanted: scaled at all (checked on joints only),
// negative, or non-uniform. Each accepted node's default take is checked, and its current take
// too when that is another take; the results go to six lists (kind x default or current take).
// A node is accepted when it was put on a list: scaled and non-uniform nodes are listed only
// when they have children, negative ones always.
//
// A take is checked on the default values of its "S" curves ("X", "Y", "Z"), then, when those
// pass, by sampling every 1/24 s from the earliest first key to the latest last key inclusive.
// At most kMaxSamples samples are taken: a longer span is sampled with a wider, even step, so
// crafted key times (up to the infinities) end quickly and never overflow.
class KRyvScalingChecker : public KRyvNodeVisitor
{
public:
    enum EResult : int { eNone = 0, eScaled = 1, eNegative = 2, eNonUniform = 3 };

    static constexpr int kMaxSamples = 1000000;

    KRyvScalingChecker();

    void Clear() override;
    bool Accept(KRyvNode* pNode) override;

    void SetCheckScaled(bool pOn) { mCheckScaled = pOn; }
    void SetCheckNegative(bool pOn) { mCheckNegative = pOn; }
    void SetCheckNonUniform(bool pOn) { mCheckNonUniform = pOn; }
    bool GetCheckScaled() const { return mCheckScaled; }
    bool GetCheckNegative() const { return mCheckNegative; }
    bool GetCheckNonUniform() const { return mCheckNonUniform; }
    // Default 2.220446049250313e-16.
    void SetTolerance(double pTolerance) { mTolerance = pTolerance; }
    double GetTolerance() const { return mTolerance; }
    // 1/24 s: 1924423250 ticks.
    KTime GetPeriod() const { return mPeriod; }

    // The lists of the default take (pCurrentTake false) or of the current take.
    const std::vector<KRyvNode*>& GetScaledNodes(bool pCurrentTake) const;
    const std::vector<KRyvNode*>& GetNegativeNodes(bool pCurrentTake) const;
    const std::vector<KRyvNode*>& GetNonUniformNodes(bool pCurrentTake) const;
    // The non-uniform nodes of the current take.
    const std::vector<KRyvNode*>& GetNonUniformNodes() const { return GetNonUniformNodes(true); }

    // The result (EResult) of one set of one to three scale values, X first, with the current
    // switches and tolerance.
    int CheckValues(const double* pValues, int pCount) const;
    // The result of one take's scaling curves (default values, then sampling).
    int CheckTake(KRyvTakeNode* pTake) const;

private:
    struct Lists
    {
        std::vector<KRyvNode*> mScaled;
        std::vector<KRyvNode*> mNegative;
        std::vector<KRyvNode*> mNonUniform;
    };

    // Checks the take and lists the node; true when it was listed.
    bool CheckAndList(KRyvNode* pNode, KRyvTakeNode* pTake, Lists& ioLists) const;

    KTime mPeriod;
    bool mCheckScaled = true;
    bool mCheckNegative = true;
    bool mCheckNonUniform = true;
    double mTolerance = 2.220446049250313e-16;
    Lists mDefaultTake;
    Lists mCurrentTake;
};

#endif
