#include "io/KRyvGeometryIO.h"

#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvFile.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvGeometry.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPatch.h"
#include "scene/objects/KRyvTexture.h"

#include <climits>
#include <cstring>

using KRyvGeometryIO::ReadMatrix;
using KRyvGeometryIO::ReadNamedArray;
using KRyvGeometryIO::ReadNamedView;
using KRyvGeometryIO::WriteMatrix;
using KRyvGeometryIO::WriteNamedArray;

namespace {

constexpr std::size_t kFour = 4;
constexpr std::size_t kTwo = 2;
constexpr int kMatrixCells = 16;

// A count the object model keeps as an int, never negative for a whole object.
std::size_t Count(int pCount)
{
    return pCount > 0 ? static_cast<std::size_t>(pCount) : 0;
}

const char* const kElementNames[] = {nullptr,
                                     "LayerElementNormal",
                                     "LayerElementMaterial",
                                     "LayerElementTexture",
                                     "LayerElementPolygonGroup",
                                     "LayerElementUV",
                                     "LayerElementColor"};
constexpr int kFirstElement = KLayerElement::eNormal;
constexpr int kLastElement = KLayerElement::eVertexColor;

// Doubles of vectors, colours and plain values ----------------------------------------------

// Vectors, UVs and colours go out as their doubles one after the other, read where they lie.
void WriteFlat(KRyvFile& ioFile, const char* pName, const std::vector<KVector4>& pVectors)
{
    KRyvGeometryIO::WriteNamedArrayOf<double>(
        ioFile, pName, pVectors.size() * kFour,
        [&pVectors](std::size_t i) { return pVectors[i / kFour].GetData()[i % kFour]; });
}

void WriteFlat(KRyvFile& ioFile, const char* pName, const std::vector<KVector2>& pVectors)
{
    KRyvGeometryIO::WriteNamedArrayOf<double>(
        ioFile, pName, pVectors.size() * kTwo,
        [&pVectors](std::size_t i) { return pVectors[i / kTwo].GetData()[i % kTwo]; });
}

void WriteFlat(KRyvFile& ioFile, const char* pName, const std::vector<KColor>& pColors)
{
    static constexpr double KColor::*kChannels[] = {&KColor::mRed, &KColor::mGreen, &KColor::mBlue,
                                                    &KColor::mAlpha};
    KRyvGeometryIO::WriteNamedArrayOf<double>(
        ioFile, pName, pColors.size() * kFour,
        [&pColors](std::size_t i) { return pColors[i / kFour].*kChannels[i % kFour]; });
}

// The vectors of a flat array of groups of kGroup doubles (pMake(piece, i) makes the one whose
// first double is the piece's i-th), built in place in storage reserved exactly: the array is
// copied once, from the file (a piece at a time when it was left there) into the scene.
// The array of T of the record pName, handed to pPiece as KRyvFile::FieldReadArrayPieces does;
// false as ReadNamedArray, or when a piece is refused.
template <typename T, typename Piece>
bool ReadPieces(KRyvFile& ioFile, const char* pName, std::size_t pGroup, Piece pPiece)
{
    if (!ioFile.FieldReadBegin(pName)) {
        return false;
    }
    const bool lRead = ioFile.FieldReadArrayPieces<T>(pGroup, pPiece);
    ioFile.FieldReadEnd();
    return lRead;
}

template <std::size_t kGroup, typename V, typename Make>
bool ReadFlat(KRyvFile& ioFile, const char* pName, std::vector<V>& oVectors, Make pMake)
{
    return ReadPieces<double>(
        ioFile, pName, kGroup,
        [&](const KRyvArrayView<double>& pPiece, std::size_t pFirst, std::size_t pCount) {
            if (pCount % kGroup != 0) {
                return false;
            }
            if (pFirst == 0) {
                oVectors.clear();
                oVectors.reserve(pCount / kGroup);
            }
            for (std::size_t i = 0; i < pPiece.mCount; i += kGroup) {
                oVectors.push_back(pMake(pPiece, i));
            }
            return true;
        });
}

bool ReadFlat(KRyvFile& ioFile, const char* pName, std::vector<KVector4>& oVectors)
{
    return ReadFlat<kFour>(ioFile, pName, oVectors,
                           [](const KRyvArrayView<double>& p, std::size_t i) {
                               return KVector4(p[i], p[i + 1], p[i + 2], p[i + 3]);
                           });
}

bool ReadFlat(KRyvFile& ioFile, const char* pName, std::vector<KVector2>& oVectors)
{
    return ReadFlat<kTwo>(
        ioFile, pName, oVectors,
        [](const KRyvArrayView<double>& p, std::size_t i) { return KVector2(p[i], p[i + 1]); });
}

bool ReadFlat(KRyvFile& ioFile, const char* pName, std::vector<KColor>& oColors)
{
    return ReadFlat<kFour>(ioFile, pName, oColors,
                           [](const KRyvArrayView<double>& p, std::size_t i) {
                               return KColor(p[i], p[i + 1], p[i + 2], p[i + 3]);
                           });
}

// Layer elements ----------------------------------------------------------------------------

template <typename T> void WriteDirectValues(KRyvFile& ioFile, const KLayerElement& pElement)
{
    WriteFlat(ioFile, "Direct",
              static_cast<const KLayerElementTemplate<T>&>(pElement).GetDirectArray());
}

template <typename T> void WriteObjectNames(KRyvFile& ioFile, const std::vector<T*>& pObjects)
{
    ioFile.FieldWriteBegin("Direct");
    for (const T* lObject : pObjects) {
        ioFile.FieldWriteC(lObject ? lObject->GetName() : KString(""));
    }
    ioFile.FieldWriteEnd();
}

void WriteDirect(KRyvFile& ioFile, int pType, const KLayerElement& pElement)
{
    switch (pType) {
    case KLayerElement::eNormal:
        WriteDirectValues<KVector4>(ioFile, pElement);
        break;
    case KLayerElement::eUV:
        WriteDirectValues<KVector2>(ioFile, pElement);
        break;
    case KLayerElement::eVertexColor:
        WriteDirectValues<KColor>(ioFile, pElement);
        break;
    case KLayerElement::ePolygonGroup:
        WriteNamedArray(ioFile, "Direct",
                        static_cast<const KLayerElementPolygonGroup&>(pElement).GetDirectArray());
        break;
    case KLayerElement::eMaterial:
        WriteObjectNames(ioFile,
                         static_cast<const KLayerElementMaterial&>(pElement).GetDirectArray());
        break;
    default: {
        const auto& lTextures = static_cast<const KLayerElementTexture&>(pElement);
        WriteObjectNames(ioFile, lTextures.GetDirectArray());
        ioFile.FieldWriteI("BlendMode", lTextures.GetBlendMode());
        ioFile.FieldWriteD("TextureAlpha", lTextures.GetAlpha());
        break;
    }
    }
}

// Entries of an element's direct array, by its kind.
std::size_t DirectCount(int pType, const KLayerElement& pElement)
{
    switch (pType) {
    case KLayerElement::eNormal:
        return static_cast<const KLayerElementNormal&>(pElement).GetDirectArray().size();
    case KLayerElement::eMaterial:
        return static_cast<const KLayerElementMaterial&>(pElement).GetDirectArray().size();
    case KLayerElement::eTexture:
        return static_cast<const KLayerElementTexture&>(pElement).GetDirectArray().size();
    case KLayerElement::ePolygonGroup:
        return static_cast<const KLayerElementPolygonGroup&>(pElement).GetDirectArray().size();
    case KLayerElement::eUV:
        return static_cast<const KLayerElementUV&>(pElement).GetDirectArray().size();
    default:
        return static_cast<const KLayerElementVertexColor&>(pElement).GetDirectArray().size();
    }
}

// An entry of a direct array of pCount entries, or -1 for none.
bool IndexInRange(int pIndex, std::size_t pCount)
{
    return pIndex >= -1 && static_cast<long long>(pIndex) < static_cast<long long>(pCount);
}

// An index-to-direct element names entries of its own direct array, or -1 for none (the value
// the scene itself gives an entry that has no object). Any other index is corruption: refused
// here, so that nothing that later walks the scene has to distrust it. Index mode names the
// node's connected objects, unknown at this point, and direct mode has no use for the indices.
bool IndicesInRange(int pType, const KLayerElement& pElement)
{
    if (pElement.GetReferenceMode() != KLayerElement::eIndexToDirect) {
        return true;
    }
    const std::size_t lCount = DirectCount(pType, pElement);
    for (const int lIndex : pElement.GetIndexArray()) {
        if (!IndexInRange(lIndex, lCount)) {
            return false;
        }
    }
    return true;
}

// The indices as the reader takes them: whatever built the scene, an index that names no entry
// of its direct array names none (-1), the one meaning such an index can have.
void WriteIndices(KRyvFile& ioFile, int pType, const KLayerElement& pElement)
{
    const std::vector<int>& lIndices = pElement.GetIndexArray();
    if (IndicesInRange(pType, pElement)) {
        WriteNamedArray(ioFile, "Index", lIndices);
        return;
    }
    const std::size_t lCount = DirectCount(pType, pElement);
    KRyvGeometryIO::WriteNamedArrayOf<int>(ioFile, "Index", lIndices.size(), [&](std::size_t i) {
        return IndexInRange(lIndices[i], lCount) ? lIndices[i] : -1;
    });
}

void WriteElement(KRyvFile& ioFile, int pType, const KLayerElement& pElement)
{
    ioFile.FieldWriteBegin(kElementNames[pType]);
    ioFile.FieldWriteC("MappingInformationType",
                       KLayerElement::GetMappingModeText(pElement.GetMappingMode()));
    ioFile.FieldWriteC("ReferenceInformationType",
                       KLayerElement::GetReferenceModeText(pElement.GetReferenceMode()));
    WriteDirect(ioFile, pType, pElement);
    WriteIndices(ioFile, pType, pElement);
    ioFile.FieldWriteEnd();
}

template <typename T> bool ReadValues(KRyvFile& ioFile, KLayerElementTemplate<T>& ioElement)
{
    return ReadFlat(ioFile, "Direct", ioElement.GetDirectArray());
}

// Objects listed by name: an unknown name is a warning and leaves an empty entry.
template <typename T>
bool ReadObjects(KRyvFile& ioFile, std::vector<T*>* pKnown, std::vector<T*>& oObjects,
                 KString* ioMessage)
{
    if (!ioFile.FieldReadBegin("Direct")) {
        return false;
    }
    while (ioFile.FieldReadValuesLeft() > 0 && !ioFile.FieldReadFailed()) {
        const KString lName = ioFile.FieldReadC();
        T* lFound = nullptr;
        for (std::size_t i = 0; pKnown && i < pKnown->size() && !lFound; ++i) {
            lFound = (*pKnown)[i]->GetName().Compare(lName) == 0 ? (*pKnown)[i] : nullptr;
        }
        // Without the list (the kind was not read) a missing object is no surprise.
        if (!lFound && !lName.IsEmpty() && pKnown && ioMessage) {
            *ioMessage += "Layer element refers to a missing object: " + lName + "\n";
        }
        oObjects.push_back(lFound);
    }
    ioFile.FieldReadEnd();
    return !ioFile.FieldReadFailed();
}

std::unique_ptr<KLayerElement> ReadDirect(KRyvFile& ioFile, int pType,
                                          const KRyvGeometryContext& pContext)
{
    switch (pType) {
    case KLayerElement::eNormal: {
        auto lElement = std::make_unique<KLayerElementNormal>();
        return ReadValues(ioFile, *lElement) ? std::move(lElement) : nullptr;
    }
    case KLayerElement::eUV: {
        auto lElement = std::make_unique<KLayerElementUV>();
        return ReadValues(ioFile, *lElement) ? std::move(lElement) : nullptr;
    }
    case KLayerElement::eVertexColor: {
        auto lElement = std::make_unique<KLayerElementVertexColor>();
        return ReadValues(ioFile, *lElement) ? std::move(lElement) : nullptr;
    }
    case KLayerElement::ePolygonGroup: {
        auto lElement = std::make_unique<KLayerElementPolygonGroup>();
        return ReadNamedArray(ioFile, "Direct", lElement->GetDirectArray()) ? std::move(lElement)
                                                                            : nullptr;
    }
    case KLayerElement::eMaterial: {
        auto lElement = std::make_unique<KLayerElementMaterial>();
        return ReadObjects(ioFile, pContext.mMaterials, lElement->GetDirectArray(),
                           pContext.mMessage)
                   ? std::move(lElement)
                   : nullptr;
    }
    default: {
        auto lElement = std::make_unique<KLayerElementTexture>();
        if (!ReadObjects(ioFile, pContext.mTextures, lElement->GetDirectArray(),
                         pContext.mMessage)) {
            return nullptr;
        }
        lElement->SetBlendMode(ioFile.FieldReadI("BlendMode", 0));
        lElement->SetAlpha(ioFile.FieldReadD("TextureAlpha", 1.0));
        return lElement;
    }
    }
}

void SetElement(KLayer& ioLayer, int pType, std::unique_ptr<KLayerElement> pElement)
{
    switch (pType) {
    case KLayerElement::eNormal:
        ioLayer.SetNormals(std::unique_ptr<KLayerElementNormal>(
            static_cast<KLayerElementNormal*>(pElement.release())));
        break;
    case KLayerElement::eMaterial:
        ioLayer.SetMaterials(std::unique_ptr<KLayerElementMaterial>(
            static_cast<KLayerElementMaterial*>(pElement.release())));
        break;
    case KLayerElement::eTexture:
        ioLayer.SetTextures(std::unique_ptr<KLayerElementTexture>(
            static_cast<KLayerElementTexture*>(pElement.release())));
        break;
    case KLayerElement::ePolygonGroup:
        ioLayer.SetPolygonGroups(std::unique_ptr<KLayerElementPolygonGroup>(
            static_cast<KLayerElementPolygonGroup*>(pElement.release())));
        break;
    case KLayerElement::eUV:
        ioLayer.SetUVs(
            std::unique_ptr<KLayerElementUV>(static_cast<KLayerElementUV*>(pElement.release())));
        break;
    default:
        ioLayer.SetVertexColors(std::unique_ptr<KLayerElementVertexColor>(
            static_cast<KLayerElementVertexColor*>(pElement.release())));
        break;
    }
}

bool ReadElement(KRyvFile& ioFile, int pType, KLayer& ioLayer, const KRyvGeometryContext& pContext)
{
    const KString lMapping = ioFile.FieldReadC("MappingInformationType", "");
    const KString lReference = ioFile.FieldReadC("ReferenceInformationType", "");
    std::unique_ptr<KLayerElement> lElement = ReadDirect(ioFile, pType, pContext);
    if (!lElement) {
        return false;
    }
    // The layer owns the element from here: an element has no virtual destructor, and the
    // layer destroys it as its own kind when the failed read is undone.
    KLayerElement& lRead = *lElement;
    SetElement(ioLayer, pType, std::move(lElement));
    if (!ReadNamedArray(ioFile, "Index", lRead.GetIndexArray())) {
        return false;
    }
    lRead.SetMappingMode(KLayerElement::GetMappingModeFromText(lMapping.Buffer()));
    lRead.SetReferenceMode(KLayerElement::GetReferenceModeFromText(lReference.Buffer()));
    if (!IndicesInRange(pType, lRead)) {
        if (pContext.mCause) {
            *pContext.mCause = KString("index out of its direct array in ") + kElementNames[pType];
        }
        return false;
    }
    return true;
}

bool ReadLayer(KRyvFile& ioFile, KLayer& ioLayer, const KRyvGeometryContext& pContext)
{
    for (int lType = kFirstElement; lType <= kLastElement; ++lType) {
        if (!ioFile.FieldReadBegin(kElementNames[lType])) {
            continue;
        }
        const bool lRead = ReadElement(ioFile, lType, ioLayer, pContext);
        ioFile.FieldReadEnd();
        if (!lRead) {
            return false;
        }
    }
    return true;
}

// Links -------------------------------------------------------------------------------------

void WriteLink(KRyvFile& ioFile, KRyvLink& ioLink)
{
    KMatrix lMatrix;
    ioFile.FieldWriteBegin("Link");
    ioFile.FieldWriteC(ioLink.GetLink() ? ioLink.GetLink()->GetName() : ioLink.GetLinkName());
    ioFile.FieldWriteC(ioLink.GetAssociateModelName());
    ioFile.FieldWriteI(ioLink.GetLinkMode());
    ioFile.FieldWriteC(ioLink.GetUserDataID());
    ioFile.FieldWriteC(ioLink.GetUserData());
    WriteNamedArray(ioFile, "Indexes", ioLink.GetControlPointIndexArray());
    WriteNamedArray(ioFile, "Weights", ioLink.GetControlPointWeightArray());
    WriteMatrix(ioFile, "Transform", ioLink.GetTransformMatrix(lMatrix));
    WriteMatrix(ioFile, "TransformLink", ioLink.GetTransformLinkMatrix(lMatrix));
    WriteMatrix(ioFile, "TransformAssociateModel",
                ioLink.GetTransformAssociateModelMatrix(lMatrix));
    if (ioLink.GetTransformParentSet()) {
        WriteMatrix(ioFile, "TransformParent", ioLink.GetTransformParentMatrix(lMatrix));
    }
    ioFile.FieldWriteEnd();
}

// oCause (when given) says why an index was refused.
bool ReadLink(KRyvFile& ioFile, KRyvLink& ioLink, KRyvLinkFixup& oFixup, int pPointCount,
              KString* oCause)
{
    oFixup.mLink = &ioLink;
    oFixup.mLinkName = ioFile.FieldReadC();
    oFixup.mAssociateName = ioFile.FieldReadC();
    ioLink.SetLinkMode(ioFile.FieldReadI());
    const KString lId = ioFile.FieldReadC();
    const KString lData = ioFile.FieldReadC();
    ioLink.SetUserData(lId.Buffer(), lData.Buffer());
    KRyvArrayView<std::int32_t> lIndices;
    KRyvArrayView<double> lWeights;
    KMatrix lMatrix;
    if (!ReadNamedView(ioFile, "Indexes", lIndices) ||
        !ReadNamedView(ioFile, "Weights", lWeights) || lIndices.mCount != lWeights.mCount) {
        return false;
    }
    for (std::size_t i = 0; i < lIndices.mCount; ++i) {
        // The link itself would drop a negative index, and with it the point's weight.
        if (lIndices[i] < 0 || lIndices[i] >= pPointCount) {
            if (oCause) {
                *oCause = "link index out of the control points";
            }
            return false;
        }
        ioLink.AddControlPointIndex(lIndices[i], lWeights[i]);
    }
    if (!ReadMatrix(ioFile, "Transform", lMatrix)) {
        return false;
    }
    ioLink.SetTransformMatrix(lMatrix);
    if (!ReadMatrix(ioFile, "TransformLink", lMatrix)) {
        return false;
    }
    ioLink.SetTransformLinkMatrix(lMatrix);
    if (!ReadMatrix(ioFile, "TransformAssociateModel", lMatrix)) {
        return false;
    }
    ioLink.SetTransformAssociateModelMatrix(lMatrix);
    if (ReadMatrix(ioFile, "TransformParent", lMatrix)) {
        ioLink.SetTransformParentMatrix(lMatrix);
    }
    return !ioFile.FieldReadFailed();
}

// True when a surface of pUCount x pVCount points is what the points read hold.
bool MatchesPointCount(int pUCount, int pVCount, std::size_t pPoints)
{
    return pUCount >= 0 && pVCount >= 0 &&
           static_cast<unsigned long long>(pUCount) * static_cast<unsigned long long>(pVCount) ==
               pPoints;
}

bool ReadLinks(KRyvFile& ioFile, KRyvGeometry& ioGeometry, const KRyvGeometryContext& pContext)
{
    while (ioFile.FieldReadBegin("Link")) {
        KRyvLink* lLink = pContext.mFactory->CreateLink();
        KRyvLinkFixup lFixup;
        if (!lLink ||
            !ReadLink(ioFile, *lLink, lFixup, ioGeometry.GetControlPointCount(), pContext.mCause)) {
            pContext.mFactory->DestroyLink(lLink);
            return false;
        }
        ioGeometry.AddLink(lLink);
        if (pContext.mLinkFixups) {
            pContext.mLinkFixups->push_back(lFixup);
        }
        ioFile.FieldReadEnd();
    }
    return true;
}

bool ReadShapes(KRyvFile& ioFile, KRyvGeometry& ioGeometry, const KRyvGeometryContext& pContext)
{
    while (ioFile.FieldReadBegin("Shape")) {
        const KString lName = ioFile.FieldReadC();
        KRyvLayerContainer* lShape = pContext.mFactory->CreateLayerContainer();
        if (!lShape || !KRyvGeometryIO::ReadLayerContainer(ioFile, *lShape, pContext) ||
            ioGeometry.AddShape(lShape, lName.Buffer()) < 0) {
            pContext.mFactory->DestroyLayerContainer(lShape);
            return false;
        }
        ioFile.FieldReadEnd();
    }
    return true;
}

} // namespace

void KRyvGeometryIO::WriteLayerContainer(KRyvFile& ioFile, const KRyvLayerContainer& pContainer)
{
    WriteFlat(ioFile, "Vertices", pContainer.GetControlPointArray());
    for (int i = 0; i < pContainer.GetLayerCount(); ++i) {
        const KLayer* lLayer = pContainer.GetLayer(i);
        ioFile.FieldWriteBegin("Layer");
        for (int lType = kFirstElement; lLayer && lType <= kLastElement; ++lType) {
            if (const KLayerElement* lElement = lLayer->GetElement(lType)) {
                WriteElement(ioFile, lType, *lElement);
            }
        }
        ioFile.FieldWriteEnd();
    }
}

bool KRyvGeometryIO::ReadLayerContainer(KRyvFile& ioFile, KRyvLayerContainer& ioContainer,
                                        const KRyvGeometryContext& pContext)
{
    if (!ReadFlat(ioFile, "Vertices", ioContainer.GetControlPointArray())) {
        return false;
    }
    ioContainer.RemoveAllLayers();
    while (ioFile.FieldReadBegin("Layer")) {
        KLayer* lLayer = ioContainer.GetLayer(ioContainer.CreateLayer());
        if (!lLayer || !ReadLayer(ioFile, *lLayer, pContext)) {
            return false;
        }
        ioFile.FieldReadEnd();
    }
    return true;
}

void KRyvGeometryIO::WriteGeometry(KRyvFile& ioFile, KRyvGeometry& ioGeometry,
                                   const KRyvAttributeParts& pParts)
{
    WriteLayerContainer(ioFile, ioGeometry);
    for (int i = 0; pParts.mShapes && i < ioGeometry.GetShapeCount(); ++i) {
        ioFile.FieldWriteBegin("Shape");
        ioFile.FieldWriteC(ioGeometry.GetShapeName(i));
        WriteLayerContainer(ioFile, *ioGeometry.GetShape(i));
        ioFile.FieldWriteEnd();
    }
    for (int i = 0; pParts.mLinks && i < ioGeometry.GetLinkCount(); ++i) {
        WriteLink(ioFile, *ioGeometry.GetLink(i));
    }
    KMatrix lPivot;
    WriteMatrix(ioFile, "Pivot", ioGeometry.GetPivot(lPivot));
}

bool KRyvGeometryIO::ReadGeometry(KRyvFile& ioFile, KRyvGeometry& ioGeometry,
                                  const KRyvGeometryContext& pContext)
{
    KMatrix lPivot;
    if (!ReadLayerContainer(ioFile, ioGeometry, pContext) ||
        (pContext.mShapes && !ReadShapes(ioFile, ioGeometry, pContext)) ||
        (pContext.mLinks && !ReadLinks(ioFile, ioGeometry, pContext)) ||
        !ReadMatrix(ioFile, "Pivot", lPivot)) {
        return false;
    }
    ioGeometry.SetPivot(lPivot);
    return true;
}

void KRyvGeometryIO::WriteMesh(KRyvFile& ioFile, const KRyvMesh& pMesh)
{
    const auto lPolygons = static_cast<std::size_t>(pMesh.GetPolygonCount());
    WriteNamedArrayOf<std::int32_t>(ioFile, "PolygonSize", lPolygons, [&pMesh](std::size_t i) {
        return pMesh.GetPolygonSize(static_cast<int>(i));
    });
    WriteNamedArrayOf<std::int32_t>(ioFile, "PolygonGroup", lPolygons, [&pMesh](std::size_t i) {
        return pMesh.GetPolygonGroup(static_cast<int>(i));
    });
    const int* lVertices = pMesh.GetPolygonVertices();
    WriteNamedArray(ioFile, "PolygonVertexIndex", lVertices,
                    lVertices ? static_cast<std::size_t>(pMesh.GetPolygonVertexCount()) : 0);
}

bool KRyvGeometryIO::ReadMesh(KRyvFile& ioFile, KRyvMesh& ioMesh,
                              const KRyvGeometryContext& pContext)
{
    // The tables are made in place from the file, a piece at a time, and handed to the mesh once
    // its points are read: it checks every size and index then.
    std::vector<KRyvMeshPolygon> lPolygons;
    std::vector<int> lVertices;
    const auto lSizes = [&lPolygons](const KRyvArrayView<std::int32_t>& pPiece, std::size_t pFirst,
                                     std::size_t pCount) {
        if (pFirst == 0) {
            lPolygons.clear();
            lPolygons.reserve(pCount);
        }
        for (std::size_t i = 0; i < pPiece.mCount; ++i) {
            lPolygons.push_back(KRyvMeshPolygon{0, pPiece[i], 0});
        }
        return true;
    };
    const auto lGroups = [&lPolygons](const KRyvArrayView<std::int32_t>& pPiece, std::size_t pFirst,
                                      std::size_t pCount) {
        if (pCount != lPolygons.size()) {
            return false;
        }
        for (std::size_t i = 0; i < pPiece.mCount; ++i) {
            lPolygons[pFirst + i].mGroup = pPiece[i];
        }
        return true;
    };
    const auto lIndices = [&lVertices](const KRyvArrayView<std::int32_t>& pPiece,
                                       std::size_t pFirst, std::size_t pCount) {
        if (pFirst == 0) {
            lVertices.clear();
            lVertices.reserve(pCount);
        }
        KRyvByteOrder::AppendArrayLE(pPiece.mElements, pPiece.mCount, lVertices);
        return true;
    };
    return ReadPieces<std::int32_t>(ioFile, "PolygonSize", 1, lSizes) &&
           ReadPieces<std::int32_t>(ioFile, "PolygonGroup", 1, lGroups) &&
           ReadPieces<std::int32_t>(ioFile, "PolygonVertexIndex", 1, lIndices) &&
           ReadGeometry(ioFile, ioMesh, pContext) && ioMesh.SwapPolygons(lPolygons, lVertices);
}

void KRyvGeometryIO::WriteNurb(KRyvFile& ioFile, KRyvNurb& ioNurb)
{
    ioFile.FieldWriteBegin("NurbsSurface");
    ioFile.FieldWriteI(ioNurb.GetUOrder());
    ioFile.FieldWriteI(ioNurb.GetVOrder());
    ioFile.FieldWriteI(ioNurb.GetUStep());
    ioFile.FieldWriteI(ioNurb.GetVStep());
    ioFile.FieldWriteI(ioNurb.GetUCount());
    ioFile.FieldWriteC(KRyvNurb::GetTypeText(ioNurb.GetUType()));
    ioFile.FieldWriteI(ioNurb.GetVCount());
    ioFile.FieldWriteC(KRyvNurb::GetTypeText(ioNurb.GetVType()));
    ioFile.FieldWriteI(ioNurb.GetSurfaceDisplayMode());
    ioFile.FieldWriteEnd();
    const double* lU = ioNurb.GetUKnotVector();
    const double* lV = ioNurb.GetVKnotVector();
    const int* lUM = ioNurb.GetUMultiplicity();
    const int* lVM = ioNurb.GetVMultiplicity();
    WriteNamedArray(ioFile, "KnotVectorU", lU, lU ? Count(ioNurb.GetUKnotCount()) : 0);
    WriteNamedArray(ioFile, "KnotVectorV", lV, lV ? Count(ioNurb.GetVKnotCount()) : 0);
    WriteNamedArray(ioFile, "MultiplicityU", lUM, lUM ? Count(ioNurb.GetUCount()) : 0);
    WriteNamedArray(ioFile, "MultiplicityV", lVM, lVM ? Count(ioNurb.GetVCount()) : 0);
}

bool KRyvGeometryIO::ReadNurb(KRyvFile& ioFile, KRyvNurb& ioNurb)
{
    if (!ioFile.FieldReadBegin("NurbsSurface")) {
        return false;
    }
    const int lUOrder = ioFile.FieldReadI();
    const int lVOrder = ioFile.FieldReadI();
    const int lUStep = ioFile.FieldReadI();
    const int lVStep = ioFile.FieldReadI();
    const int lUCount = ioFile.FieldReadI();
    const int lUType = KRyvNurb::GetTypeFromText(ioFile.FieldReadC().Buffer());
    const int lVCount = ioFile.FieldReadI();
    const int lVType = KRyvNurb::GetTypeFromText(ioFile.FieldReadC().Buffer());
    const int lDisplay = ioFile.FieldReadI();
    ioFile.FieldReadEnd();
    // The control points were read with the layers; InitControlPoints would clear them. The
    // counts must match the points read before anything is sized by them.
    const std::vector<KVector4> lPoints = ioNurb.GetControlPointArray();
    if (ioFile.FieldReadFailed() || !MatchesPointCount(lUCount, lVCount, lPoints.size()) ||
        !ioNurb.SetOrder(lUOrder, lVOrder) || !ioNurb.SetStep(lUStep, lVStep) ||
        !ioNurb.InitControlPoints(lUCount, lUType, lVCount, lVType)) {
        return false;
    }
    ioNurb.GetControlPointArray() = lPoints;
    ioNurb.SetSurfaceDisplayMode(lDisplay);
    std::vector<double> lU, lV;
    std::vector<std::int32_t> lUM, lVM;
    if (!ReadNamedArray(ioFile, "KnotVectorU", lU) || !ReadNamedArray(ioFile, "KnotVectorV", lV) ||
        !ReadNamedArray(ioFile, "MultiplicityU", lUM) ||
        !ReadNamedArray(ioFile, "MultiplicityV", lVM) ||
        lU.size() != static_cast<std::size_t>(ioNurb.GetUKnotCount()) ||
        lV.size() != static_cast<std::size_t>(ioNurb.GetVKnotCount()) ||
        lUM.size() != static_cast<std::size_t>(lUCount) ||
        lVM.size() != static_cast<std::size_t>(lVCount)) {
        return false;
    }
    std::copy(lU.begin(), lU.end(), ioNurb.GetUKnotVector());
    std::copy(lV.begin(), lV.end(), ioNurb.GetVKnotVector());
    std::copy(lUM.begin(), lUM.end(), ioNurb.GetUMultiplicity());
    std::copy(lVM.begin(), lVM.end(), ioNurb.GetVMultiplicity());
    return true;
}

void KRyvGeometryIO::WritePatch(KRyvFile& ioFile, const KRyvPatch& pPatch)
{
    ioFile.FieldWriteBegin("PatchSurface");
    ioFile.FieldWriteI(pPatch.GetUCount());
    ioFile.FieldWriteI(pPatch.GetUType());
    ioFile.FieldWriteI(pPatch.GetVCount());
    ioFile.FieldWriteI(pPatch.GetVType());
    ioFile.FieldWriteI(pPatch.GetUStep());
    ioFile.FieldWriteI(pPatch.GetVStep());
    ioFile.FieldWriteB(pPatch.GetUClosed());
    ioFile.FieldWriteB(pPatch.GetVClosed());
    ioFile.FieldWriteB(pPatch.GetUCappedBottom());
    ioFile.FieldWriteB(pPatch.GetUCappedTop());
    ioFile.FieldWriteB(pPatch.GetVCappedBottom());
    ioFile.FieldWriteB(pPatch.GetVCappedTop());
    ioFile.FieldWriteI(pPatch.GetSurfaceMode());
    ioFile.FieldWriteEnd();
}

bool KRyvGeometryIO::ReadPatch(KRyvFile& ioFile, KRyvPatch& ioPatch)
{
    if (!ioFile.FieldReadBegin("PatchSurface")) {
        return false;
    }
    const int lUCount = ioFile.FieldReadI();
    const int lUType = ioFile.FieldReadI();
    const int lVCount = ioFile.FieldReadI();
    const int lVType = ioFile.FieldReadI();
    const int lUStep = ioFile.FieldReadI();
    const int lVStep = ioFile.FieldReadI();
    const bool lUClosed = ioFile.FieldReadB();
    const bool lVClosed = ioFile.FieldReadB();
    const bool lUBottom = ioFile.FieldReadB();
    const bool lUTop = ioFile.FieldReadB();
    const bool lVBottom = ioFile.FieldReadB();
    const bool lVTop = ioFile.FieldReadB();
    const int lMode = ioFile.FieldReadI();
    ioFile.FieldReadEnd();
    const std::vector<KVector4> lPoints = ioPatch.GetControlPointArray();
    if (ioFile.FieldReadFailed() || !MatchesPointCount(lUCount, lVCount, lPoints.size()) ||
        !ioPatch.InitControlPoints(lUCount, lUType, lVCount, lVType) ||
        !ioPatch.SetStep(lUStep, lVStep)) {
        return false;
    }
    ioPatch.GetControlPointArray() = lPoints;
    ioPatch.SetClosed(lUClosed, lVClosed);
    ioPatch.SetUCapped(lUBottom, lUTop);
    ioPatch.SetVCapped(lVBottom, lVTop);
    ioPatch.SetSurfaceMode(lMode);
    return true;
}

void KRyvGeometryIO::WriteMatrix(KRyvFile& ioFile, const char* pName, const KMatrix& pMatrix)
{
    WriteNamedArrayOf<double>(ioFile, pName, kMatrixCells, [&pMatrix](std::size_t i) {
        return pMatrix[static_cast<int>(i / 4)][static_cast<int>(i % 4)];
    });
}

bool KRyvGeometryIO::ReadMatrix(KRyvFile& ioFile, const char* pName, KMatrix& oMatrix)
{
    std::vector<double> lCells;
    if (!ReadNamedArray(ioFile, pName, lCells) || lCells.size() != kMatrixCells) {
        return false;
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            oMatrix[r][c] = lCells[static_cast<std::size_t>(r * 4 + c)];
        }
    }
    return true;
}
