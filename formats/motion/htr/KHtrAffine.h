#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTRAFFINE_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTRAFFINE_H

class KMatrix;

// A rotation (or scaled rotation) and a translation in the kit's row-vector form, held as the
// three axis rows and the translation row of a KMatrix without its fourth column: one frame of a
// KHtrAffineBlock, and the fixed matrices (base and default rotations) the HTR frame passes
// multiply each block by. It holds exactly the bits of the 4x4 form it comes from.
struct KHtrAffine
{
    double mAxes[3][3];
    double mTranslation[3];

    static KHtrAffine Identity();
    // The axes and translation rows of pMatrix.
    static KHtrAffine FromMatrix(const KMatrix& pMatrix);
    // Writes the axes and translation rows into ioMatrix; its fourth column stays as it was.
    void ToMatrix(KMatrix& ioMatrix) const;
};

#endif
