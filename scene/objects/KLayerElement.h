#ifndef RYVKIT_SCENE_OBJECTS_KLAYERELEMENT_H
#define RYVKIT_SCENE_OBJECTS_KLAYERELEMENT_H

#include "core/KColor.h"
#include "core/KVector2.h"
#include "core/KVector4.h"

#include <vector>

class KRyvMaterial;
class KRyvTexture;

// The common part of the six layer elements: how the values map onto the geometry (mapping
// mode) and how they are addressed (reference mode), with the index array. Plain values, copied
// deeply; the material and texture elements hold references they do not own.
class KLayerElement
{
public:
    // Element types, the slot of an element in its KLayer.
    enum EType : int {
        eNormal = 1,
        eMaterial = 2,
        eTexture = 3,
        ePolygonGroup = 4,
        eUV = 5,
        eVertexColor = 6,
    };
    enum EMappingMode : int {
        eNone = 0,
        eByControlPoint = 1,
        eByPolygonVertex = 2,
        eByPolygon = 3,
        eAllSame = 4,
    };
    enum EReferenceMode : int {
        eDirect = 0,
        eIndex = 1,
        eIndexToDirect = 2,
    };

    int GetMappingMode() const { return mMappingMode; }
    void SetMappingMode(int pMode) { mMappingMode = pMode; }
    int GetReferenceMode() const { return mReferenceMode; }
    void SetReferenceMode(int pMode) { mReferenceMode = pMode; }

    std::vector<int>& GetIndexArray() { return mIndexArray; }
    const std::vector<int>& GetIndexArray() const { return mIndexArray; }

    // The file texts of the modes ("NoMappingInformation", "ByVertice", "ByPolygonVertex",
    // "ByPolygon", "AllSame"; "Direct", "Index", "IndexToDirect"); a mode outside the table
    // gives the text of mode 0.
    static const char* GetMappingModeText(int pMode);
    static const char* GetReferenceModeText(int pMode);
    // The mode of a file text, compared byte for byte; a null or unknown text gives 0.
    static int GetMappingModeFromText(const char* pText);
    static int GetReferenceModeFromText(const char* pText);

protected:
    KLayerElement() = default;

private:
    int mMappingMode = eNone;
    int mReferenceMode = eDirect;
    std::vector<int> mIndexArray;
};

// A layer element whose direct array holds values of type T.
template <typename T> class KLayerElementTemplate : public KLayerElement
{
public:
    std::vector<T>& GetDirectArray() { return mDirectArray; }
    const std::vector<T>& GetDirectArray() const { return mDirectArray; }

private:
    std::vector<T> mDirectArray;
};

// Normals (x, y, z, w).
class KLayerElementNormal : public KLayerElementTemplate<KVector4>
{
};

// Materials; the pointers are references, not owned.
class KLayerElementMaterial : public KLayerElementTemplate<KRyvMaterial*>
{
};

// Textures (references, not owned), with a blend mode and an alpha; reference mode
// IndexToDirect from construction.
class KLayerElementTexture : public KLayerElementTemplate<KRyvTexture*>
{
public:
    KLayerElementTexture() { SetReferenceMode(eIndexToDirect); }

    int GetBlendMode() const { return mBlendMode; }
    void SetBlendMode(int pMode) { mBlendMode = pMode; }
    double GetAlpha() const { return mAlpha; }
    void SetAlpha(double pAlpha) { mAlpha = pAlpha; }

private:
    int mBlendMode = 0;
    double mAlpha = 1.0;
};

// Polygon group numbers.
class KLayerElementPolygonGroup : public KLayerElementTemplate<int>
{
};

// Texture coordinates (u, v).
class KLayerElementUV : public KLayerElementTemplate<KVector2>
{
public:
    // Appends (u, v) to the direct array; returns its index.
    int Add(double pU, double pV);
};

// Vertex colours (red, green, blue, alpha).
class KLayerElementVertexColor : public KLayerElementTemplate<KColor>
{
public:
    // Appends a colour to the direct array; returns its index.
    int Add(const KColor& pColor);
};

#endif
