#include "scene/objects/KLayer.h"

namespace {

template <typename T> std::unique_ptr<T> CopyOf(const std::unique_ptr<T>& pElement)
{
    return pElement ? std::make_unique<T>(*pElement) : nullptr;
}

} // namespace

KLayer::KLayer() = default;

KLayer::KLayer(const KLayer& pOther)
{
    *this = pOther;
}

KLayer& KLayer::operator=(const KLayer& pOther)
{
    if (this == &pOther) {
        return *this;
    }
    Clear();
    mNormals = CopyOf(pOther.mNormals);
    mMaterials = CopyOf(pOther.mMaterials);
    mTextures = CopyOf(pOther.mTextures);
    mPolygonGroups = CopyOf(pOther.mPolygonGroups);
    mUVs = CopyOf(pOther.mUVs);
    mVertexColors = CopyOf(pOther.mVertexColors);
    return *this;
}

KLayer::~KLayer() = default;

KLayerElement* KLayer::GetElement(int pType)
{
    return const_cast<KLayerElement*>(static_cast<const KLayer*>(this)->GetElement(pType));
}

const KLayerElement* KLayer::GetElement(int pType) const
{
    switch (pType) {
    case KLayerElement::eNormal:
        return mNormals.get();
    case KLayerElement::eMaterial:
        return mMaterials.get();
    case KLayerElement::eTexture:
        return mTextures.get();
    case KLayerElement::ePolygonGroup:
        return mPolygonGroups.get();
    case KLayerElement::eUV:
        return mUVs.get();
    case KLayerElement::eVertexColor:
        return mVertexColors.get();
    default:
        return nullptr;
    }
}

void KLayer::SetNormals(std::unique_ptr<KLayerElementNormal> pElement)
{
    mNormals = std::move(pElement);
}

void KLayer::SetMaterials(std::unique_ptr<KLayerElementMaterial> pElement)
{
    mMaterials = std::move(pElement);
}

KLayerElementTexture* KLayer::SetTextures(std::unique_ptr<KLayerElementTexture> pElement)
{
    mTextures = std::move(pElement);
    return mTextures.get();
}

void KLayer::SetPolygonGroups(std::unique_ptr<KLayerElementPolygonGroup> pElement)
{
    mPolygonGroups = std::move(pElement);
}

void KLayer::SetUVs(std::unique_ptr<KLayerElementUV> pElement)
{
    mUVs = std::move(pElement);
}

void KLayer::SetVertexColors(std::unique_ptr<KLayerElementVertexColor> pElement)
{
    mVertexColors = std::move(pElement);
}

void KLayer::Clear()
{
    mNormals.reset();
    mMaterials.reset();
    mTextures.reset();
    mPolygonGroups.reset();
    mUVs.reset();
    mVertexColors.reset();
}
