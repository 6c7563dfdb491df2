#ifndef RYVKIT_ANIMATION_KFCURVEFILTERMATRIXCONVERTER_H
#define RYVKIT_ANIMATION_KFCURVEFILTERMATRIXCONVERTER_H

#include "animation/KFCurveFilter.h"
#include "core/KMatrix.h"
#include "core/KVector4.h"

// Re-expresses the transform curves of a channel tree from one set of transform matrices (the
// source set) to another (the destination set), so that every sampled local transform stays the
// same while the matrices around the curves change: the tool that moves a node's animation from
// one pivot set to another, or applies a scale to it.
//
// The local transform. Matrices are KMatrix values taken as affine transforms (3x4 part), points
// are row vectors and a product A B applies A first. With T the translation (a translation
// matrix), R the rotation (Euler angles in the side's rotation order, see KEulerUnroll) and S the
// scaling (a diagonal matrix) of the "T", "R" and "S" curves at a time, and M0 to M12 one side's
// matrices (EMatrix), that side gives
//
//   L = M1 M12^-1 M2^-1 S M2 M12 M8 M11^-1 F10 M4 M6^-1 R M6 M3 F9 M11 M0 M5^-1 T M5 M7
//
// where F9 and F10 are the source set's matrices 9 and 10 on both sides: they are the pre-rotation
// and inverse post-rotation that the node keeps through the conversion, the frame in which the
// pivots act. For a node with rotation pivot Rp, scaling pivot Sp, rotation offset Ro, scaling
// offset So, pre-rotation Pre and post-rotation Post (all others identity) this is
//
//   L = Sp^-1 S Sp So Rp^-1 Post^-1 R Pre Rp Ro T
//
// To move a node from pivot set A to pivot set B, put into the source set what differs, for B's
// pre- and post-rotation Pb and Qb: 3 = Pa Pb^-1, 4 = Qb Qa^-1, 8 = translation by Soa - Sob,
// 11 = translation by Rpa - Rpb, 12 = translation by Spa - Spb, 9 = Pb, 10 = Qb^-1, add Roa - Rob
// to the translation curves, and keep the destination set identity; the converted curves then
// give under B exactly the transforms they gave under A. To apply a transform X after a node's
// own (a master scale), set source matrix 7 to X.
//
// The conversion. At every sample time t = start, start + period, ... over the union of the nine
// curves' key spans (cut to the filter span; the end time itself closes the samples with "last
// key at end time"), L is built from the source set and the source curves, then solved for the
// destination curves: the destination scaling is the signed length of the axes (exact for
// rotations and translations in the matrices where the formula has them; other contents convert
// approximately), the rotation is the nearest representation to the previous sample (to the
// source angles at the first), the translation what is left. The samples replace the "R" and
// "S" keys, and with "convert translation" the "T" keys, inside the span (cubic keys with auto
// tangents); the curves' default values are converted the same way. Then, when switched on, the
// unroll filter (with the other Euler solution allowed) and after it the resample filter run on
// the rotation, and the constant key reducer, keeping first and last keys, on the replaced curves.
//
// Bad input: matrices that are singular or not finite and indices outside 0 to 12 are refused when
// set; a period of 0 or below, or one giving more than kMaxSampleCount samples, refuses Apply.
class KFCurveFilterMatrixConverter : public KFCurveFilter
{
public:
    // The meaning of each numbered matrix in the formula above.
    enum EMatrix {
        eRotationOffset = 0,            // translation after the rotation pivot, before T
        eContentTransform = 1,          // applied first, to the node's own content
        eScalingOrientation = 2,        // the axes along which S scales (a rotation)
        ePreRotation = 3,               // turn applied after R, before the frame F9
        eInversePostRotation = 4,       // turn applied before R, after the frame F10
        eTranslationOrientation = 5,    // the axes in which the T values are read
        eRotationOrientation = 6,       // the axes about which R turns (a rotation)
        eParentTransform = 7,           // applied after the whole local transform
        eScalingOffset = 8,             // translation after the scaling pivot
        ePreRotationFrame = 9,          // F9: source set only, shared by both sides
        eInversePostRotationFrame = 10, // F10: source set only, shared by both sides
        eRotationPivot = 11,            // translation: the point R turns about
        eScalingPivot = 12,             // translation: the point S scales about
        eMatrixCount = 13
    };

    enum EError {
        eNoKeyChanged,
        eMissingCurve,
        eBadPeriod,
        eBadMatrixIndex,
        eSingularMatrix,
        eBadRotationOrder,
        eTooManyKeys,
        eSharedMatrix,
        eNeedsNode,
        eCurveBusy,
        eErrorCount
    };

    // Identity matrices on both sides, period 0 (to be set before Apply), every option on, both
    // rotation orders XYZ.
    KFCurveFilterMatrixConverter();

    // Sets matrix pIndex (0 to 12) of a side from the 3x4 part of pMatrix. Refused (false): an
    // index out of range, a singular or non-finite matrix, and destination matrices 9 and 10.
    bool SetSourceMatrix(int pIndex, const KMatrix& pMatrix);
    bool SetDestMatrix(int pIndex, const KMatrix& pMatrix);
    // The matrix (the identity for an index out of range).
    const KMatrix& GetSourceMatrix(int pIndex) const;
    const KMatrix& GetDestMatrix(int pIndex) const;
    // Whether the matrix was the identity within 1e-6 when set (true out of range).
    bool IsSourceMatrixIdentity(int pIndex) const;
    bool IsDestMatrixIdentity(int pIndex) const;

    // A period of 0 or below is refused (false, unchanged).
    bool SetResamplingPeriod(KTime pPeriod);
    KTime GetResamplingPeriod() const { return mPeriod; }
    void SetGenerateLastKeyAtEndTime(bool pOn) { mLastKeyAtEndTime = pOn; }
    bool GetGenerateLastKeyAtEndTime() const { return mLastKeyAtEndTime; }
    void SetApplyUnrollFilter(bool pOn) { mApplyUnroll = pOn; }
    bool GetApplyUnrollFilter() const { return mApplyUnroll; }
    // Resampling of the converted rotation at the period, after the unroll filter.
    void SetApplyResampleFilter(bool pOn) { mApplyResample = pOn; }
    bool GetApplyResampleFilter() const { return mApplyResample; }
    void SetApplyConstantKeyReducer(bool pOn) { mApplyConstantKeyReducer = pOn; }
    bool GetApplyConstantKeyReducer() const { return mApplyConstantKeyReducer; }
    // Whether the converted translation replaces the "T" curves ("R" and "S" always are).
    void SetConvertTranslation(bool pOn) { mConvertTranslation = pOn; }
    bool GetConvertTranslation() const { return mConvertTranslation; }

    // The rotation orders of the source and destination "R" curves (KEulerUnroll numbering: twice
    // a node's rotation order; 12 spheric converts as XYZ). Invalid orders refused.
    bool SetSourceRotationOrder(int pOrder);
    int GetSourceRotationOrder() const { return mSourceOrder; }
    bool SetTargetRotationOrder(int pOrder);
    int GetTargetRotationOrder() const { return mTargetOrder; }

    // The local transform L one side gives to translation pT, Euler angles pR (degrees, in that
    // side's order) and scaling pS.
    void ComputeLocalMatrix(KMatrix& pDst, bool pDestination, const KVector4& pT,
                            const KVector4& pR, const KVector4& pS) const;

    using KFCurveFilter::Apply;
    // Converts the transform group of pNode: the node holding the "T", "R" and "S" channels found
    // first below pNode (FindChild), or with pRecursive every node of the tree that holds such
    // channels itself. Answers false with "MatrixConverter, No key were changed by filter." when
    // both sets (and orders) are equal within 1e-6, which changes nothing; with
    // "MatrixConverter, Missing curve." when no group is found or a group lacks one of its nine
    // curves (that group stays as it was, the others are converted).
    bool Apply(KFCurveNode& pNode, bool pRecursive) override;
    // Refused: the converter needs the channel tree (eNeedsNode).
    bool Apply(KFCurve** pCurves, int pCount) override;

private:
    bool SetMatrix(KMatrix* pSet, bool* pIdentity, int pIndex, const KMatrix& pMatrix);
    bool SetsAreEqual() const;
    int ConvertGroup(KFCurveNode& pOwner);

    KMatrix mSource[eMatrixCount];
    KMatrix mDest[eMatrixCount];
    bool mSourceIdentity[eMatrixCount];
    bool mDestIdentity[eMatrixCount];
    KTime mPeriod;
    bool mLastKeyAtEndTime = true;
    bool mApplyUnroll = true;
    bool mApplyResample = true;
    bool mApplyConstantKeyReducer = true;
    bool mConvertTranslation = true;
    int mSourceOrder = 0;
    int mTargetOrder = 0;
};

#endif
