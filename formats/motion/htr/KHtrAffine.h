#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTRAFFINE_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTRAFFINE_H

class KMatrix;

// The elements of a matrix's axes that its Euler X, Y, Z angles are read from (rows 0 and 1, and
// row 2's Z); MatrixToEulerXYZ reads no others.
struct KHtrEulerAxes
{
    double mRow0[3];
    double mRow1[3];
    double mZ2;

    // The angles (degrees) as MatrixToEulerXYZ gives them.
    void ToEulerXYZ(double oAngles[3]) const;
};

// A rotation (or scaled rotation) and a translation in the kit's row-vector form, held as the
// three axis rows and the translation row of a KMatrix without its fourth column: the working
// form of the HTR frame pass, which turns, multiplies and reads back one per segment and frame.
// Every operation does the sums of the core matrix function it names term for term in the same
// order, so it gives the same bits without the copies, the checked element access and the
// fourth column of the 4x4 form.
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
