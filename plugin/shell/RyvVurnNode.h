#ifndef RYVKIT_PLUGIN_SHELL_RYVVURNNODE_H
#define RYVKIT_PLUGIN_SHELL_RYVVURNNODE_H

#include "platform/vurn/MDagPath.h"
#include "scene/KRyvNode.h"

#include <memory>

// The kit node the plug-in makes for host objects: it remembers the host DAG path it stands
// for, the index of the host shape it was made from, whether the mesh conversion found the
// geometry mismatched, and the global translation, rotation (Euler XYZ, degrees) and scaling
// cached by the export. The cache starts as the identity transform.
class RyvVurnNode : public KRyvNode
{
public:
    RyvVurnNode(KRyvObjectFactory* pOwner, const char* pName);

    // Null when the node stands for no host object.
    const MDagPath* GetDagPath() const { return mDagPath.get(); }
    // Copies pPath; null clears it.
    void SetDagPath(const MDagPath* pPath);
    // The text between the "Model::" prefix and the next ':' of the node's name; empty, with
    // oHasNamespace false, when there is none.
    KString GetNamespace(bool& oHasNamespace) const;
    void SetShapeIndex(int pIndex) { mShapeIndex = pIndex; }
    int GetShapeIndex() const { return mShapeIndex; }
    void SetMismatch(bool pMismatch) { mMismatch = pMismatch ? 1 : 0; }
    bool GetMismatch() const { return mMismatch != 0; }

    void SetCachedTranslation(const double pValue[3]) { Copy(mCachedTranslation, pValue); }
    void SetCachedRotation(const double pValue[3]) { Copy(mCachedRotation, pValue); }
    void SetCachedScaling(const double pValue[3]) { Copy(mCachedScaling, pValue); }
    void GetCachedTranslation(double oValue[3]) const { Copy(oValue, mCachedTranslation); }
    void GetCachedRotation(double oValue[3]) const { Copy(oValue, mCachedRotation); }
    void GetCachedScaling(double oValue[3]) const { Copy(oValue, mCachedScaling); }

private:
    static void Copy(double oTo[3], const double pFrom[3])
    {
        oTo[0] = pFrom[0];
        oTo[1] = pFrom[1];
        oTo[2] = pFrom[2];
    }

    std::unique_ptr<MDagPath> mDagPath;
    int mShapeIndex = -1;
    unsigned char mMismatch = 0;
    double mCachedTranslation[3] = {0.0, 0.0, 0.0};
    double mCachedRotation[3] = {0.0, 0.0, 0.0};
    double mCachedScaling[3] = {1.0, 1.0, 1.0};
};

#endif
