#ifndef RYVKIT_FORMATS_MOTION_KMOTIONMARKERSAMPLER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONMARKERSAMPLER_H

#include "core/KMatrix.h"
#include "core/KString.h"
#include "core/KTime.h"
#include "core/KVector4.h"

#include <cstddef>
#include <string>
#include <vector>

class KRyvNode;
class KRyvScene;
class KStreamOptionsMotion;
class KWriter;

// The part of a scene a motion writer samples: the reference node it works from and the marker
// nodes below it, with their positions in the reference node's space (its own transform
// ignored) at the rest pose or at a time. Positions are in scene units; the nodes are not
// owned and must outlive the sampler.
class KMotionMarkerSampler
{
public:
    // The option that makes positions relative to the scene's root node.
    static constexpr int kOptionGlobalRoot = 13;

    // Option 13 at 1: the scene's root node. Otherwise the writer's FindReferenceNode, or the
    // root when that finds none. Null only for a scene without root.
    static KRyvNode* SelectReferenceNode(KWriter& pWriter, KRyvScene& pScene,
                                         const KStreamOptionsMotion& pOptions);

    // The markers: every node of the reference node's subtree, itself included, depth first
    // (a node before its children, children in order), that is marked for export and carries no
    // optical reference attribute. A null reference gives none.
    explicit KMotionMarkerSampler(KRyvNode* pReference);

    KRyvNode* GetReference() const { return mReference; }
    int GetMarkerCount() const { return static_cast<int>(mMarkers.size()); }
    // Null outside 0..count-1.
    KRyvNode* GetMarker(int pIndex) const;
    // The marker's name after its last ':' (the whole name without one); empty out of range.
    KString GetMarkerName(int pIndex) const;
    // Why the first marker whose name a file cannot hold cannot be written: its name is empty
    // after its last ':' ("Knee:"), or longer than pMaxLength characters. The text names the
    // node (quoted to a short prefix) and the format (pFormatName); empty when every name fits.
    std::string FindNameRefusal(const char* pFormatName, std::size_t pMaxLength) const;

    // Evaluates every marker's position from the default (rest) values of the subtree.
    void EvaluateRestPose();
    // The same from the current takes at pTime (nodes whose current take is the default take
    // use their rest values).
    void EvaluateAt(KTime pTime);
    // The position of the last evaluation (w 1; the origin before any); a zero vector out of
    // range.
    KVector4 GetPosition(int pIndex) const;
    // The marker's global matrix of the last evaluation, in the reference node's space (its 3x4
    // part); the identity out of range or before any.
    const KMatrix& GetGlobalMatrix(int pIndex) const;
    // The value at pTime of the occlusion curve of the marker's current take; 0 (seen) when it
    // has none or out of range. The formats compare it with their own threshold.
    double GetOcclusion(int pIndex, KTime pTime) const;

private:
    // Every node of the subtree, its local matrix worked out afresh (KRyvNode::EvaluateLocalMatrix)
    // and multiplied down from the reference node, whose global matrix is the identity; the
    // markers' global matrices are kept here. The nodes keep no evaluation cache.
    void UpdatePositions(bool pRest, KTime pTime);

    KRyvNode* mReference;
    std::vector<KRyvNode*> mMarkers;
    std::vector<KMatrix> mGlobals;
};

#endif
