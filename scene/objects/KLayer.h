#ifndef RYVKIT_SCENE_OBJECTS_KLAYER_H
#define RYVKIT_SCENE_OBJECTS_KLAYER_H

#include "scene/objects/KLayerElement.h"

#include <memory>

// One layer of a layer container: up to six elements, one per element type (KLayerElement::EType),
// all absent at construction. The layer owns its elements; a setter destroys the element it
// replaces, so a pointer obtained from a getter is valid only until the slot is set again.
class KLayer
{
public:
    KLayer();
    // Deep copy of every element the other layer has.
    KLayer(const KLayer& pOther);
    // Clears, then deep-copies every element the other layer has (self-assignment keeps all).
    KLayer& operator=(const KLayer& pOther);
    ~KLayer();

    // The element of a type 1..6; null for an absent element or any other type.
    KLayerElement* GetElement(int pType);
    const KLayerElement* GetElement(int pType) const;
    // True when the layer holds an element of the type.
    bool HasElement(int pType) const { return GetElement(pType) != nullptr; }

    KLayerElementNormal* GetNormals() const { return mNormals.get(); }
    void SetNormals(std::unique_ptr<KLayerElementNormal> pElement);
    KLayerElementMaterial* GetMaterials() const { return mMaterials.get(); }
    void SetMaterials(std::unique_ptr<KLayerElementMaterial> pElement);
    KLayerElementTexture* GetTextures() const { return mTextures.get(); }
    // Returns the stored element (null when pElement is null).
    KLayerElementTexture* SetTextures(std::unique_ptr<KLayerElementTexture> pElement);
    KLayerElementPolygonGroup* GetPolygonGroups() const { return mPolygonGroups.get(); }
    void SetPolygonGroups(std::unique_ptr<KLayerElementPolygonGroup> pElement);
    KLayerElementUV* GetUVs() const { return mUVs.get(); }
    void SetUVs(std::unique_ptr<KLayerElementUV> pElement);
    KLayerElementVertexColor* GetVertexColors() const { return mVertexColors.get(); }
    void SetVertexColors(std::unique_ptr<KLayerElementVertexColor> pElement);

    // Destroys the six elements.
    void Clear();

private:
    std::unique_ptr<KLayerElementNormal> mNormals;
    std::unique_ptr<KLayerElementMaterial> mMaterials;
    std::unique_ptr<KLayerElementTexture> mTextures;
    std::unique_ptr<KLayerElementPolygonGroup> mPolygonGroups;
    std::unique_ptr<KLayerElementUV> mUVs;
    std::unique_ptr<KLayerElementVertexColor> mVertexColors;
};

#endif
