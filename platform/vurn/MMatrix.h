#ifndef RYVKIT_PLATFORM_VURN_MMATRIX_H
#define RYVKIT_PLATFORM_VURN_MMATRIX_H

// A 4x4 matrix of doubles, row by row. Points are row vectors (p' = p * M), rows 0-2 are the
// axes and row 3 the translation, so in A * B the transform A applies first.
class MMatrix
{
public:
    // The identity.
    MMatrix();
    // From 16 values row by row.
    explicit MMatrix(const double pValues[16]);

    // Element access; indices outside 0..3 are clamped into range.
    double operator()(int pRow, int pColumn) const;
    double& operator()(int pRow, int pColumn);
    MMatrix operator*(const MMatrix& pOther) const;
    bool operator==(const MMatrix& pOther) const;
    MMatrix transpose() const;
    // The inverse by Gauss-Jordan elimination; the identity for a singular matrix.
    MMatrix inverse() const;
    bool isEquivalent(const MMatrix& pOther, double pTolerance = 1e-10) const;
    static MMatrix translation(double pX, double pY, double pZ);
    static MMatrix scaling(double pX, double pY, double pZ);

    double matrix[4][4];
};

#endif
