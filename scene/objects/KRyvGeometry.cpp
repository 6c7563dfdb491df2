#include "scene/objects/KRyvGeometry.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "object/KDataType.h"
#include "object/KProperty.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KRyvLink.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

const char* const kGeometryErrorTable[KRyvGeometry::kErrorCount] = {
    "Parameter out of range.", "Parameter is NULL.",     "Material not found.",
    "Material already added.", "Texture not found.",     "Texture already added.",
    "Shape already added.",    "Shape name is invalid.", "Shape name is already used.",
    "No shape curve found.",
};

const float kShapePalette[KRyvGeometry::kShapePaletteSize][3] = {
    {1.0f, 0.0f, 0.0f},   {0.0f, 1.0f, 0.0f},   {0.0f, 0.0f, 1.0f},    {1.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 1.0f},   {1.0f, 0.0f, 1.0f},   {0.47f, 0.0f, 0.0f},   {0.3f, 0.61f, 0.0f},
    {0.51f, 0.75f, 1.0f}, {1.0f, 0.49f, 0.0f},  {0.57f, 0.0f, 1.0f},   {1.0f, 0.78f, 1.0f},
    {0.0f, 0.35f, 0.0f},  {1.0f, 0.98f, 0.61f}, {0.65f, 0.49f, 0.31f}, {0.8f, 0.8f, 0.8f},
    {0.78f, 1.0f, 0.61f}, {1.0f, 0.86f, 0.73f}, {0.37f, 0.0f, 0.37f},  {0.65f, 0.65f, 0.0f},
};

bool IsBlank(const char* pText)
{
    for (; *pText != '\0'; ++pText) {
        if (!std::isspace(static_cast<unsigned char>(*pText))) {
            return false;
        }
    }
    return true;
}

KFCurveNode* RootOf(KRyvTakeNode* pTake)
{
    return pTake ? pTake->GetKFCurveNode() : nullptr;
}

KFCurveNode* ChildNamed(KFCurveNode* pRoot, const char* pName)
{
    const int lIndex = pRoot ? pRoot->Find(pName) : -1;
    return lIndex >= 0 ? pRoot->Get(lIndex) : nullptr;
}

// Curve nodes cannot be renamed: the child at pIndex is replaced by a copy
// under the new name, appended last.
void ReplaceByCopyNamed(KFCurveNode* pRoot, int pIndex, const char* pName, bool pMoveCurves)
{
    KFCurveNode* lOld = pRoot->Get(pIndex);
    KFCurveNode* lNew = KFCurveNode::Create(pName);
    if (!lOld || !lNew) {
        KFCurveNode::Destroy(lNew);
        return;
    }
    lNew->CopyFrom(*lOld, pMoveCurves);
    pRoot->Delete(pIndex);
    if (pRoot->Add(lNew) < 0) {
        KFCurveNode::Destroy(lNew);
    }
}

} // namespace

KRyvGeometry::KRyvGeometry(KRyvObjectFactory* pFactory)
    : KRyvLayerContainer(pFactory), mError(kGeometryErrorTable, kErrorCount)
{
}

KRyvGeometry::~KRyvGeometry()
{
    // Detach through the node while this class is whole, so that the shape
    // channels leave the takes and the material and texture uses are given back.
    if (KRyvNode* lNode = GetNode()) {
        if (lNode->GetNodeAttribute() == this) {
            lNode->SetNodeAttribute(nullptr);
        }
    }
    DeleteLinks();
    DeleteShapes(mShapes);
}

KRyvGeometry& KRyvGeometry::operator=(const KRyvGeometry& pOther)
{
    if (this == &pOther) {
        return *this;
    }
    KRyvLayerContainer::operator=(pOther);
    CopyLinks(pOther);
    CopyShapes(pOther);
    mPivot = pOther.mPivot;
    return *this;
}

void KRyvGeometry::SetNode(KRyvNode* pNode)
{
    KRyvLayerContainer::SetNode(pNode);
    KRyvSceneEntity* lEntity = NodeSceneEntity();
    for (std::size_t lIndex = 0; lIndex < mShapes.size(); ++lIndex) {
        mShapes[lIndex]->SetConnectionOwner(lEntity);
        CreateShapeProperty(mShapeNames[lIndex].Buffer());
    }
    SetConnectionOwner(lEntity);
}

void KRyvGeometry::UnsetNode()
{
    ReleaseConnections();
    for (KRyvLayerContainer* lShape : mShapes) {
        lShape->ReleaseConnections();
    }
    KRyvLayerContainer::UnsetNode();
}

void KRyvGeometry::OnTakeNodeAdded(KRyvTakeNode* pTake)
{
    KRyvLayerContainer::OnTakeNodeAdded(pTake);
    for (int lIndex = 0; lIndex < GetShapeCount(); ++lIndex) {
        AddShapeChannel(pTake, lIndex);
    }
}

void KRyvGeometry::OnTakeNodeRemoved(KRyvTakeNode* pTake)
{
    for (int lIndex = 0; lIndex < GetShapeCount(); ++lIndex) {
        RemoveShapeChannel(pTake, lIndex);
    }
    KRyvLayerContainer::OnTakeNodeRemoved(pTake);
}

int KRyvGeometry::AddTexture(KRyvTexture* pTexture, int pLayer)
{
    const int lResult = KRyvLayerContainer::AddTexture(pTexture, pLayer);
    if (lResult == -1) {
        mError.SetLastErrorID(kTextureAlreadyAdded);
    }
    return lResult;
}

KRyvTexture* KRyvGeometry::GetTexture(int pIndex, int pLayer)
{
    KRyvTexture* lResult = KRyvLayerContainer::GetTexture(pIndex, pLayer);
    if (!lResult) {
        mError.SetLastErrorID(kParameterOutOfRange);
    }
    return lResult;
}

int KRyvGeometry::GetTextureIndex(const char* pName, int pLayer)
{
    const int lResult = KRyvLayerContainer::GetTextureIndex(pName, pLayer);
    if (lResult == -1) {
        mError.SetLastErrorID(kTextureNotFound);
    }
    return lResult;
}

int KRyvGeometry::AddMaterial(KRyvMaterial* pMaterial, int pLayer)
{
    const int lResult = KRyvLayerContainer::AddMaterial(pMaterial, pLayer);
    if (lResult == -1) {
        mError.SetLastErrorID(kMaterialAlreadyAdded);
    }
    return lResult;
}

KRyvMaterial* KRyvGeometry::GetMaterial(int pIndex, int pLayer)
{
    KRyvMaterial* lResult = KRyvLayerContainer::GetMaterial(pIndex, pLayer);
    if (!lResult) {
        mError.SetLastErrorID(kParameterOutOfRange);
    }
    return lResult;
}

int KRyvGeometry::GetMaterialIndex(const char* pName, int pLayer)
{
    const int lResult = KRyvLayerContainer::GetMaterialIndex(pName, pLayer);
    if (lResult == -1) {
        mError.SetLastErrorID(kMaterialNotFound);
    }
    return lResult;
}

int KRyvGeometry::AddLink(KRyvLink* pLink)
{
    mLinks.push_back(pLink);
    return static_cast<int>(mLinks.size()) - 1;
}

KRyvLink* KRyvGeometry::GetLink(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetLinkCount()) {
        mError.SetLastErrorID(kParameterOutOfRange);
        return nullptr;
    }
    return mLinks[static_cast<std::size_t>(pIndex)];
}

void KRyvGeometry::RemoveAllLinks()
{
    mLinks.clear();
}

void KRyvGeometry::CopyLinks(const KRyvGeometry& pOther)
{
    if (this == &pOther) {
        return;
    }
    DeleteLinks();
    for (const KRyvLink* lLink : pOther.mLinks) {
        KRyvLink* lCopy = GetFactory() ? GetFactory()->CreateLink() : new KRyvLink;
        if (lLink && lCopy) {
            *lCopy = *lLink;
            mLinks.push_back(lCopy);
        }
    }
}

int KRyvGeometry::AddShape(KRyvLayerContainer* pShape, const char* pName)
{
    if (!pShape) {
        mError.SetLastErrorID(kParameterIsNull);
        return -1;
    }
    if (std::find(mShapes.begin(), mShapes.end(), pShape) != mShapes.end()) {
        mError.SetLastErrorID(kShapeAlreadyAdded);
        return -1;
    }
    if (!pName || IsBlank(pName)) {
        mError.SetLastErrorID(kShapeNameInvalid);
        return -1;
    }
    for (const KString& lName : mShapeNames) {
        if (std::strcmp(lName.Buffer(), pName) == 0) {
            mError.SetLastErrorID(kShapeNameAlreadyUsed);
            return -1;
        }
    }
    const int lIndex = GetShapeCount();
    mShapes.push_back(pShape);
    mShapeNames.emplace_back(pName);
    if (KRyvNode* lNode = GetNode()) {
        CreateShapeProperty(pName);
        for (int lTake = 0; lTake < lNode->GetTakeNodeCount(); ++lTake) {
            AddShapeChannel(lNode->GetTakeNode(lTake), lIndex);
        }
    }
    pShape->SetConnectionOwner(GetConnectionOwner());
    return lIndex;
}

KRyvLayerContainer* KRyvGeometry::GetShape(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetShapeCount()) {
        mError.SetLastErrorID(kParameterOutOfRange);
        return nullptr;
    }
    return mShapes[static_cast<std::size_t>(pIndex)];
}

const char* KRyvGeometry::GetShapeName(int pIndex)
{
    const KString* lName = ShapeNameAt(pIndex);
    return lName ? lName->Buffer() : nullptr;
}

const KString* KRyvGeometry::ShapeNameAt(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetShapeCount()) {
        mError.SetLastErrorID(kParameterOutOfRange);
        return nullptr;
    }
    return &mShapeNames[static_cast<std::size_t>(pIndex)];
}

KFCurveNode* KRyvGeometry::FindShapeCurveNode(KRyvTakeNode* pTake, int pIndex)
{
    const KString* lName = ShapeNameAt(pIndex);
    if (!lName) {
        return nullptr;
    }
    if (!pTake) {
        mError.SetLastErrorID(kParameterIsNull);
        return nullptr;
    }
    return ChildNamed(RootOf(pTake), lName->Buffer());
}

KFCurve* KRyvGeometry::GetShapeChannel(KRyvTakeNode* pTake, int pIndex)
{
    KFCurveNode* lNode = FindShapeCurveNode(pTake, pIndex);
    KFCurve* lCurve = lNode ? lNode->GetCurve() : nullptr;
    if (!lCurve) {
        mError.SetLastErrorID(kNoShapeCurveFound);
    }
    return lCurve;
}

double KRyvGeometry::GetShapeValue(int pIndex)
{
    KRyvNode* lNode = GetNode();
    if (!lNode) {
        return 0.0;
    }
    const KFCurve* lCurve = GetShapeChannel(lNode->GetDefaultTakeNode(), pIndex);
    return lCurve ? lCurve->GetDefaultValue() : 0.0;
}

bool KRyvGeometry::AddShapeChannel(KRyvTakeNode* pTake, int pIndex)
{
    const KString* lName = ShapeNameAt(pIndex);
    KFCurveNode* lRoot = RootOf(pTake);
    if (!lName || lName->IsEmpty() || !lRoot) {
        return false;
    }
    KFCurveNode* lChild = lRoot->FindOrCreateChild(lName->Buffer(), true);
    KFCurve* lCurve = lChild ? lChild->GetCurve() : nullptr;
    if (!lCurve) {
        return false;
    }
    float lColor[3];
    GetShapePaletteColor(pIndex, lColor);
    lCurve->SetColor(lColor);
    return true;
}

bool KRyvGeometry::RemoveShapeChannel(KRyvTakeNode* pTake, int pIndex)
{
    const KString* lName = ShapeNameAt(pIndex);
    KFCurveNode* lRoot = RootOf(pTake);
    const int lChild = lName && lRoot ? lRoot->Find(lName->Buffer()) : -1;
    return lChild >= 0 && lRoot->Delete(lChild);
}

void KRyvGeometry::CreateShapeProperty(const char* pName)
{
    KRyvNode* lNode = GetNode();
    KRyvNodeProperties* lBlock = lNode ? lNode->GetNodeProperties() : nullptr;
    if (!lBlock || !pName || lBlock->FindProperty(pName)) {
        return;
    }
    KDataType* lDataType = FindDataType("Shape");
    KProperty* lProperty = lBlock->CreateProperty(
        pName, KProperty::GetPropertyTypeFromDataType(lDataType), lDataType, true);
    if (lProperty) {
        lProperty->SetFlag(KProperty::kAnimated, true);
        lProperty->SetValueAsDouble(0.0);
    }
}

void KRyvGeometry::RemoveAllShapes()
{
    if (KRyvNode* lNode = GetNode()) {
        for (int lTake = 0; lTake < lNode->GetTakeNodeCount(); ++lTake) {
            KRyvTakeNode* lTakeNode = lNode->GetTakeNode(lTake);
            for (int lIndex = 0; lIndex < GetShapeCount(); ++lIndex) {
                RemoveShapeChannel(lTakeNode, lIndex);
            }
        }
    }
    for (KRyvLayerContainer* lShape : mShapes) {
        lShape->ReleaseConnections();
    }
    mShapes.clear();
    mShapeNames.clear();
}

void KRyvGeometry::CopyShapes(const KRyvGeometry& pOther)
{
    if (this == &pOther) {
        return;
    }
    // Release first (channels, material and texture uses), then destroy: the
    // other order would touch destroyed shapes and leave the uses counted.
    std::vector<KRyvLayerContainer*> lOld = mShapes;
    RemoveAllShapes();
    DeleteShapes(lOld);
    for (std::size_t lIndex = 0; lIndex < pOther.mShapes.size(); ++lIndex) {
        KRyvLayerContainer* lShape =
            GetFactory() ? GetFactory()->CreateLayerContainer() : new KRyvLayerContainer(nullptr);
        if (!lShape) {
            continue;
        }
        *lShape = *pOther.mShapes[lIndex];
        if (AddShape(lShape, pOther.mShapeNames[lIndex].Buffer()) < 0) {
            std::vector<KRyvLayerContainer*> lRefused{lShape};
            DeleteShapes(lRefused);
        }
    }
}

// With a factory, links and shapes are that factory's objects and go back to it; one it does not
// list is left alone rather than deleted twice.
void KRyvGeometry::DeleteLinks()
{
    for (KRyvLink* lLink : mLinks) {
        if (GetFactory()) {
            GetFactory()->DestroyLink(lLink);
        } else {
            delete lLink;
        }
    }
    mLinks.clear();
}

void KRyvGeometry::DeleteShapes(std::vector<KRyvLayerContainer*>& ioShapes)
{
    for (KRyvLayerContainer* lShape : ioShapes) {
        if (GetFactory()) {
            GetFactory()->DestroyLayerContainer(lShape);
        } else {
            delete lShape;
        }
    }
    ioShapes.clear();
}

KRyvSceneEntity* KRyvGeometry::NodeSceneEntity() const
{
    return GetNode() ? GetNode()->GetScene() : nullptr;
}

void KRyvGeometry::MergeFileShapeChannels(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = RootOf(pTake);
    if (!GetNode() || !lRoot || GetAttributeType() == eMesh) {
        return;
    }
    for (int lIndex = 0; lIndex < GetShapeCount(); ++lIndex) {
        const char* lName = mShapeNames[static_cast<std::size_t>(lIndex)].Buffer();
        int lFile = lRoot->Find(GetShapeChannelName(lName).Buffer());
        if (lFile < 0) {
            lFile = lRoot->Find(GetNumberedShapeChannelName(lIndex).Buffer());
        }
        if (lFile < 0) {
            continue;
        }
        const int lTarget = lRoot->Find(lName);
        if (lTarget == lFile) {
            continue;
        }
        if (lTarget < 0) {
            // No channel under the shape's name: the file channel becomes it, so its
            // animation is not orphaned.
            ReplaceByCopyNamed(lRoot, lFile, lName, true);
            continue;
        }
        lRoot->Get(lTarget)->CopyFrom(*lRoot->Get(lFile), true);
        lRoot->Delete(lFile);
    }
}

void KRyvGeometry::PrepareShapeChannelsForWrite(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = RootOf(pTake);
    if (!GetNode() || !lRoot) {
        return;
    }
    const bool lMesh = GetAttributeType() == eMesh;
    for (int lIndex = 0; lIndex < GetShapeCount(); ++lIndex) {
        const std::size_t lAt = static_cast<std::size_t>(lIndex);
        const KString lOld = mShapeNames[lAt];
        const KString lFileShape = lMesh ? lOld : GetNumberedShapeName(lIndex);
        const KString lFileChannel =
            lMesh ? GetShapeChannelName(lOld.Buffer()) : GetNumberedShapeChannelName(lIndex);
        for (std::vector<KString>* lList :
             {&mSavedOldNames, &mSavedFileShapeNames, &mSavedFileChannelNames}) {
            if (lList->size() <= lAt) {
                lList->resize(lAt + 1);
            }
        }
        mSavedOldNames[lAt] = lOld;
        mSavedFileShapeNames[lAt] = lFileShape;
        mSavedFileChannelNames[lAt] = lFileChannel;
        mShapeNames[lAt] = lFileShape;
        const int lChild = lRoot->Find(lOld.Buffer());
        if (lChild >= 0) {
            ReplaceByCopyNamed(lRoot, lChild, lFileChannel.Buffer(), false);
        }
    }
}

void KRyvGeometry::RestoreShapeChannels(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = RootOf(pTake);
    if (!GetNode() || !lRoot) {
        return;
    }
    const std::size_t lCount =
        std::min({mShapes.size(), mSavedOldNames.size(), mSavedFileShapeNames.size(),
                  mSavedFileChannelNames.size()});
    for (std::size_t lAt = 0; lAt < lCount; ++lAt) {
        mShapeNames[lAt] = mSavedOldNames[lAt];
        const int lChild = lRoot->Find(mSavedFileChannelNames[lAt].Buffer());
        if (lChild >= 0) {
            ReplaceByCopyNamed(lRoot, lChild, mSavedOldNames[lAt].Buffer(), false);
        }
    }
}

void KRyvGeometry::ClearSavedShapeNames()
{
    mSavedOldNames.clear();
    mSavedFileShapeNames.clear();
    mSavedFileChannelNames.clear();
}

KString KRyvGeometry::GetShapeChannelName(const char* pName)
{
    return KString(pName ? pName : "") + " (Shape)";
}

KString KRyvGeometry::GetNumberedShapeChannelName(int pIndex)
{
    return GetNumberedShapeName(pIndex) + " (Shape)";
}

KString KRyvGeometry::GetNumberedShapeName(int pIndex)
{
    char lText[32];
    std::snprintf(lText, sizeof(lText), "Shape %02d", pIndex + 1);
    return KString(lText);
}

void KRyvGeometry::GetShapePaletteColor(int pIndex, float oRgb[3])
{
    const int lEntry = pIndex < 0 ? 0 : pIndex % kShapePaletteSize;
    std::copy(kShapePalette[lEntry], kShapePalette[lEntry] + 3, oRgb);
}

KMatrix& KRyvGeometry::GetPivot(KMatrix& oPivot) const
{
    oPivot = mPivot;
    return oPivot;
}

void KRyvGeometry::SetPivot(const KMatrix& pPivot)
{
    mPivot = pPivot;
}

void KRyvGeometry::CopyPivot(const KRyvGeometry& pOther)
{
    mPivot = pOther.mPivot;
}

void KRyvGeometry::ApplyPivot()
{
    const KMatrix& lM = mPivot;
    for (KVector4& lPoint : GetControlPointArray()) {
        const double lX = lPoint[0];
        const double lY = lPoint[1];
        const double lZ = lPoint[2];
        lPoint[0] = lX * lM.Get(0, 0) + lY * lM.Get(1, 0) + lZ * lM.Get(2, 0) + lM.Get(3, 0);
        lPoint[1] = lX * lM.Get(0, 1) + lY * lM.Get(1, 1) + lZ * lM.Get(2, 1) + lM.Get(3, 1);
        lPoint[2] = lX * lM.Get(0, 2) + lY * lM.Get(1, 2) + lZ * lM.Get(2, 2) + lM.Get(3, 2);
    }
    KLayer* lLayer = GetLayer(0);
    KLayerElementNormal* lNormals = lLayer ? lLayer->GetNormals() : nullptr;
    if (!lNormals) {
        return;
    }
    KVector4 lAngles;
    MatrixToEulerUnscaled(lAngles, mPivot);
    KMatrix lRotation;
    EulerToMatrixXYZ(lRotation, lAngles[0], lAngles[1], lAngles[2]);
    for (KVector4& lNormal : lNormals->GetDirectArray()) {
        const KVector4 lSource = lNormal;
        VectorMultiplyMatrix3x3(lNormal, lRotation, lSource);
    }
}
