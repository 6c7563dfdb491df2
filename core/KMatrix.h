#ifndef RYVKIT_CORE_KMATRIX_H
#define RYVKIT_CORE_KMATRIX_H

#include "core/KVector4.h"

// A 4x4 matrix of doubles stored row by row. Rows 0 to 2 are the X, Y and Z axes, row 3 the
// translation; points are row vectors multiplied from the left (p' = p * M), so in a product
// A * B the transform A applies first. Angles are in degrees. A plain value, copied byte-wise.
class KMatrix
{
public:
    static constexpr double kTolerance = 1e-6;

    // The identity.
    KMatrix();
    // Rotation from Euler angles X, Y, Z in degrees (x, y, z of pEuler, as EulerToMatrixXYZ),
    // no translation.
    explicit KMatrix(const KVector4& pEuler);
    KMatrix(const KMatrix& pOther) = default;
    KMatrix& operator=(const KMatrix& pOther) = default;

    // True when each of the 16 elements differs by at most kTolerance.
    bool operator==(const KMatrix& pOther) const;
    bool operator!=(const KMatrix& pOther) const { return !(*this == pOther); }

    // Sets the axes from Euler angles X, Y, Z in degrees, each axis row multiplied by its scale
    // component, and the translation row from pT; the fourth column is not touched.
    void SetTRS(const KVector4& pT, const KVector4& pR, const KVector4& pS);

    // Row pRow (four doubles), or null when pRow is outside 0..3.
    double* operator[](int pRow) { return pRow >= 0 && pRow < 4 ? mData[pRow] : nullptr; }
    const double* operator[](int pRow) const
    {
        return pRow >= 0 && pRow < 4 ? mData[pRow] : nullptr;
    }
    // The element at (pRow, pColumn); 0 when either index is outside 0..3.
    double Get(int pRow, int pColumn) const;
    // Sets one element; false (and nothing changed) when either index is outside 0..3.
    bool Set(int pRow, int pColumn, double pValue);
    // The 16 elements row by row.
    double* GetData() { return &mData[0][0]; }
    const double* GetData() const { return &mData[0][0]; }

private:
    double mData[4][4];
};

#endif
