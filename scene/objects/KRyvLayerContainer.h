#ifndef RYVKIT_SCENE_OBJECTS_KRYVLAYERCONTAINER_H
#define RYVKIT_SCENE_OBJECTS_KRYVLAYERCONTAINER_H

#include "core/KVector4.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/objects/KLayer.h"

#include <memory>
#include <vector>

class KRyvMaterial;
class KRyvSceneEntity;
class KRyvTexture;

// A point set with its layers (attribute type 0): control points (x, y, z position, w the
// NURBS weight or 1) and owned KLayers of per-point or per-polygon data. A plain container is a
// geometry's shape or a free point set; KRyvGeometry (mesh, NURBS, patch) derives from it.
//
// The container counts the materials and textures of its layers as used in its connection owner
// (a scene entity, not owned). Destruction does not give those uses back: release them first
// (ReleaseConnections, or the geometry's UnsetNode).
//
// Layer indices given to AddTexture / AddMaterial create the missing layers up to the index,
// but only up to kMaxLayerIndex: a larger (or negative) index answers -1, so a layer number
// read from a file cannot make the container allocate without bound.
class KRyvLayerContainer : public KRyvNodeAttribute
{
public:
    static constexpr int kMaxLayerIndex = 255;

    explicit KRyvLayerContainer(KRyvObjectFactory* pFactory);
    ~KRyvLayerContainer() override;

    int GetAttributeType() const override { return eLayerContainer; }

    // Replaces the layers by deep copies of the other's and copies its control points. The
    // connection owner is not copied; self-assignment changes nothing.
    KRyvLayerContainer& operator=(const KRyvLayerContainer& pOther);
    // All own layers destroyed, then deep copies of the other's appended.
    void CopyLayers(const KRyvLayerContainer& pOther);

    // Control points ---------------------------------------------------------------------------
    // Empties the control points, then sizes them to pCount zero points (none for pCount < 1).
    void InitControlPoints(int pCount);
    int GetControlPointCount() const { return static_cast<int>(mControlPoints.size()); }
    // GetControlPointCount points; null when there are none.
    KVector4* GetControlPoints()
    {
        return mControlPoints.empty() ? nullptr : mControlPoints.data();
    }
    const KVector4* GetControlPoints() const
    {
        return mControlPoints.empty() ? nullptr : mControlPoints.data();
    }
    // The array itself, for code that grows or reorders the points (mesh conversions).
    std::vector<KVector4>& GetControlPointArray() { return mControlPoints; }
    const std::vector<KVector4>& GetControlPointArray() const { return mControlPoints; }
    // Only when layer 0 has a normal element: grows the control points and that element's direct
    // array to pIndex + 1 where shorter, then stores both. False (nothing changed) otherwise or
    // for a negative index.
    bool SetControlPointAndNormal(int pIndex, const KVector4& pPoint, const KVector4& pNormal);

    // Layers ----------------------------------------------------------------------------------
    // Appends an empty layer; returns its index.
    int CreateLayer();
    // Null outside 0..count-1.
    KLayer* GetLayer(int pIndex);
    const KLayer* GetLayer(int pIndex) const;
    int GetLayerCount() const { return static_cast<int>(mLayers.size()); }
    // The number of layers holding an element of the type (1..6); 0 for any other type.
    int GetLayerCount(int pType) const;
    // Index of the pN-th (from 0) layer holding an element of the type; -1 when there is none.
    int GetLayerIndexOfType(int pN, int pType) const;
    KLayer* GetLayerOfType(int pN, int pType);
    // Destroys the layers, last first.
    void RemoveAllLayers();

    // Layer 0's direct normals, null without layer 0 or without a normal element there.
    KVector4* GetNormalsDirect();
    int GetNormalsDirectCount() const;
    // Makes sure layer 0 and its normal element exist. A count below 1 or equal to the control
    // point count gives mapping ByControlPoint and one zero normal per control point; any other
    // count gives mapping ByPolygonVertex and pCount zero normals. Reference mode Direct.
    void InitNormals(int pCount);

    // Materials and textures (references, not owned) -------------------------------------------
    // The texture's position in layer pLayer's texture element (created on demand, reference
    // mode IndexToDirect), appending it with a use in the connection owner when new. -1 for a
    // null texture or a layer index outside 0..kMaxLayerIndex.
    virtual int AddTexture(KRyvTexture* pTexture, int pLayer = 0);
    // Reference mode Index: the pIndex-th texture connected to the attached node; otherwise the
    // direct entry. Null when any of these is missing.
    virtual KRyvTexture* GetTexture(int pIndex, int pLayer = 0);
    // Position of the direct entry whose full name equals pName in "Texture::" form (a bare
    // name gets the prefix); -1 when absent or for a null name.
    virtual int GetTextureIndex(const char* pName, int pLayer = 0);
    // As AddTexture (a new material element keeps reference mode Direct), except that a
    // material already in the layer gives -1 and adds no use.
    virtual int AddMaterial(KRyvMaterial* pMaterial, int pLayer = 0);
    virtual KRyvMaterial* GetMaterial(int pIndex, int pLayer = 0);
    // As GetTextureIndex with the prefix "Material::".
    virtual int GetMaterialIndex(const char* pName, int pLayer = 0);
    // Direct / IndexToDirect: the direct entries; Index: the distinct indices, at most as many
    // as the attached node has connected; 0 when the layer or element is missing.
    int GetTextureCount(int pLayer = 0) const;
    int GetMaterialCount(int pLayer = 0) const;

    // Connections -----------------------------------------------------------------------------
    // Releases the uses held in the old owner, then (unless null) counts every material and
    // texture of the layers (reference modes Direct and IndexToDirect) as used in the new one.
    void SetConnectionOwner(KRyvSceneEntity* pOwner);
    KRyvSceneEntity* GetConnectionOwner() const { return mConnectionOwner; }
    // Gives back every use held in the owner and forgets it; nothing without an owner.
    void ReleaseConnections();

protected:
    // Copying goes through operator= only; the node binding is never copied.
    KRyvLayerContainer(const KRyvLayerContainer&) = delete;

private:
    KLayer* GetOrCreateLayer(int pLayer);
    int CountConnectedToNode(bool pTextures) const;

    KRyvSceneEntity* mConnectionOwner = nullptr;
    std::vector<KVector4> mControlPoints;
    std::vector<std::unique_ptr<KLayer>> mLayers;
};

#endif
