#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTRAFFINE_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTRAFFINE_H

class KMatrix;

// A rotation (or scaled rotation) and a translation in the kit's row-vector form, held as the
// three axis rows and the translation row of a KMatrix without its fourth column: the working
// form of the HTR frame pass, which multiplies one per segment and frame. The products and the
// inverse do the sums of MatrixMultiplyAffine and MatrixInverseAffine term for term in the same
// order, so they give the same bits without the copies and the fourth column of the 4x4 form.
struct KHtrAffine
{
    double mAxes[3][3];
    double mTranslation[3];

    static KHtrAffine Identity();
    // The axes and translation rows of pMatrix.
    static KHtrAffine FromMatrix(const KMatrix& pMatrix);
    // Writes the axes and translation rows into ioMatrix; its fourth column stays as it was.
    void ToMatrix(KMatrix& ioMatrix) const;

    // oDst = pFirst then pThen (pFirst applies first, as MatrixMultiplyAffine(oDst, pThen,
    // pFirst) gives). oDst may not be either operand.
    static void Multiply(KHtrAffine& oDst, const KHtrAffine& pFirst, const KHtrAffine& pThen);
    // The inverse of pSrc, whose axes must be orthogonal, as MatrixInverseAffine gives it (an
    // axis of length 0 gives a zero column). oDst may not be pSrc.
    static void Inverse(KHtrAffine& oDst, const KHtrAffine& pSrc);
};

#endif
