#include "tests/support/KSceneComparer.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "character/KRyvCharacter.h"
#include "character/KRyvCharacterPose.h"
#include "character/KRyvControlSet.h"
#include "object/KObject.h"
#include "object/KProperty.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvActor.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGeometry.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMarkerSet.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPatch.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

namespace {

template <typename A, typename B>
std::string Differ(const std::string& pWhere, const A& pExpected, const B& pActual)
{
    std::ostringstream lText;
    lText.precision(17);
    lText << pWhere << ": " << pExpected << " vs " << pActual;
    return lText.str();
}

std::string Name(const KString& pName)
{
    return pName.Buffer();
}

// The four doubles of a vector or colour value; the scalar in [0] otherwise.
bool Doubles(const KPropertyValue& pValue, double oValues[4])
{
    KVector4 lVector;
    if (pValue.ConvertTo(lVector)) {
        for (int i = 0; i < 4; ++i) {
            oValues[i] = lVector[i];
        }
        return true;
    }
    oValues[1] = oValues[2] = oValues[3] = 0.0;
    return pValue.ConvertTo(oValues[0]);
}

KObject* AttributeSet(KRyvNodeAttribute& ioAttribute)
{
    std::vector<KProperty*> lProperties;
    ioAttribute.FillPropertyList(lProperties);
    return lProperties.empty() ? nullptr : lProperties.front()->GetParentObject();
}

template <typename T>
std::string CompareArrays(const KSceneComparer& pComparer, const std::string& pWhere,
                          const std::vector<T>& pExpected, const std::vector<T>& pActual)
{
    if (pExpected.size() != pActual.size()) {
        return Differ(pWhere + " count", pExpected.size(), pActual.size());
    }
    for (std::size_t i = 0; i < pExpected.size(); ++i) {
        if (!pComparer.Near(static_cast<double>(pExpected[i]), static_cast<double>(pActual[i]))) {
            return Differ(pWhere + "[" + std::to_string(i) + "]", pExpected[i], pActual[i]);
        }
    }
    return {};
}

std::vector<double> Flat(const std::vector<KVector4>& pValues)
{
    std::vector<double> lFlat;
    for (const KVector4& lValue : pValues) {
        lFlat.insert(lFlat.end(), {lValue[0], lValue[1], lValue[2], lValue[3]});
    }
    return lFlat;
}

std::vector<double> Flat(const std::vector<KVector2>& pValues)
{
    std::vector<double> lFlat;
    for (const KVector2& lValue : pValues) {
        lFlat.insert(lFlat.end(), {lValue[0], lValue[1]});
    }
    return lFlat;
}

std::vector<double> Flat(const std::vector<KColor>& pValues)
{
    std::vector<double> lFlat;
    for (const KColor& lValue : pValues) {
        lFlat.insert(lFlat.end(), {lValue.mRed, lValue.mGreen, lValue.mBlue, lValue.mAlpha});
    }
    return lFlat;
}

template <typename T> std::vector<std::string> Names(const std::vector<T*>& pObjects)
{
    std::vector<std::string> lNames;
    for (const T* lObject : pObjects) {
        lNames.push_back(lObject ? lObject->GetName().Buffer() : "");
    }
    return lNames;
}

std::string CompareElement(const KSceneComparer& pComparer, int pType,
                           const KLayerElement& pExpected, const KLayerElement& pActual,
                           const std::string& pWhere)
{
    if (pExpected.GetMappingMode() != pActual.GetMappingMode() ||
        pExpected.GetReferenceMode() != pActual.GetReferenceMode()) {
        return Differ(pWhere + " modes",
                      pExpected.GetMappingMode() * 10 + pExpected.GetReferenceMode(),
                      pActual.GetMappingMode() * 10 + pActual.GetReferenceMode());
    }
    std::string lDiff = CompareArrays(pComparer, pWhere + " index", pExpected.GetIndexArray(),
                                      pActual.GetIndexArray());
    if (!lDiff.empty()) {
        return lDiff;
    }
    switch (pType) {
    case KLayerElement::eNormal:
        return CompareArrays(
            pComparer, pWhere,
            Flat(static_cast<const KLayerElementNormal&>(pExpected).GetDirectArray()),
            Flat(static_cast<const KLayerElementNormal&>(pActual).GetDirectArray()));
    case KLayerElement::eUV:
        return CompareArrays(pComparer, pWhere,
                             Flat(static_cast<const KLayerElementUV&>(pExpected).GetDirectArray()),
                             Flat(static_cast<const KLayerElementUV&>(pActual).GetDirectArray()));
    case KLayerElement::eVertexColor:
        return CompareArrays(
            pComparer, pWhere,
            Flat(static_cast<const KLayerElementVertexColor&>(pExpected).GetDirectArray()),
            Flat(static_cast<const KLayerElementVertexColor&>(pActual).GetDirectArray()));
    case KLayerElement::ePolygonGroup:
        return CompareArrays(
            pComparer, pWhere,
            static_cast<const KLayerElementPolygonGroup&>(pExpected).GetDirectArray(),
            static_cast<const KLayerElementPolygonGroup&>(pActual).GetDirectArray());
    case KLayerElement::eMaterial: {
        const auto lExpected =
            Names(static_cast<const KLayerElementMaterial&>(pExpected).GetDirectArray());
        const auto lActual =
            Names(static_cast<const KLayerElementMaterial&>(pActual).GetDirectArray());
        return lExpected == lActual ? std::string() : pWhere + ": material list differs";
    }
    default: {
        const auto& lExpected = static_cast<const KLayerElementTexture&>(pExpected);
        const auto& lActual = static_cast<const KLayerElementTexture&>(pActual);
        if (Names(lExpected.GetDirectArray()) != Names(lActual.GetDirectArray())) {
            return pWhere + ": texture list differs";
        }
        if (lExpected.GetBlendMode() != lActual.GetBlendMode() ||
            !pComparer.Near(lExpected.GetAlpha(), lActual.GetAlpha())) {
            return Differ(pWhere + " blend mode/alpha", lExpected.GetAlpha(), lActual.GetAlpha());
        }
        return {};
    }
    }
}

std::string CompareLink(const KSceneComparer& pComparer, KRyvLink& pExpected, KRyvLink& pActual,
                        const std::string& pWhere)
{
    const std::string lNodeE = pExpected.GetLink() ? Name(pExpected.GetLink()->GetName()) : "";
    const std::string lNodeA = pActual.GetLink() ? Name(pActual.GetLink()->GetName()) : "";
    if (lNodeE != lNodeA || pExpected.GetLinkMode() != pActual.GetLinkMode()) {
        return Differ(pWhere + " node/mode", lNodeE, lNodeA);
    }
    std::string lDiff =
        CompareArrays(pComparer, pWhere + " indices", pExpected.GetControlPointIndexArray(),
                      pActual.GetControlPointIndexArray());
    if (lDiff.empty()) {
        lDiff =
            CompareArrays(pComparer, pWhere + " weights", pExpected.GetControlPointWeightArray(),
                          pActual.GetControlPointWeightArray());
    }
    KMatrix lE;
    KMatrix lA;
    pExpected.GetTransformLinkMatrix(lE);
    pActual.GetTransformLinkMatrix(lA);
    for (int r = 0; lDiff.empty() && r < 4; ++r) {
        for (int c = 0; lDiff.empty() && c < 4; ++c) {
            lDiff = pComparer.Near(lE[r][c], lA[r][c])
                        ? ""
                        : Differ(pWhere + " link matrix", lE[r][c], lA[r][c]);
        }
    }
    return lDiff;
}

} // namespace

bool KSceneComparer::Near(double pExpected, double pActual) const
{
    if (pExpected == pActual || (std::isnan(pExpected) && std::isnan(pActual))) {
        return true;
    }
    const double lScale = std::max({1.0, std::fabs(pExpected), std::fabs(pActual)});
    return std::fabs(pExpected - pActual) <= mOptions.mTolerance * lScale;
}

std::string KSceneComparer::CompareProperties(KObject* pExpected, KObject* pActual)
{
    if (!pExpected || !pActual) {
        return pExpected == pActual ? std::string() : "property set present on one side only";
    }
    if (pExpected->GetPropertyCount() != pActual->GetPropertyCount()) {
        return Differ("property count", pExpected->GetPropertyCount(), pActual->GetPropertyCount());
    }
    for (int i = 0; i < pExpected->GetPropertyCount(); ++i) {
        KProperty* lE = pExpected->GetProperty(i);
        KProperty* lA = pActual->FindProperty(lE->GetName());
        const std::string lWhere = std::string("property ") + lE->GetName();
        if (!lA) {
            return lWhere + ": missing";
        }
        KPropertyValue lValueE;
        KPropertyValue lValueA;
        const bool lHasE = lE->GetPropertyValue(lValueE);
        if (lHasE != lA->GetPropertyValue(lValueA)) {
            return lWhere + ": value on one side only";
        }
        KString lTextE;
        KString lTextA;
        double lE4[4] = {};
        double lA4[4] = {};
        if (lValueE.ConvertTo(lTextE) && lValueA.ConvertTo(lTextA)) {
            if (lTextE.Compare(lTextA) != 0) {
                return Differ(lWhere, lTextE.Buffer(), lTextA.Buffer());
            }
        } else if (KTime lTimeE, lTimeA; lValueE.ConvertTo(lTimeE) && lValueA.ConvertTo(lTimeA)) {
            if (lTimeE.Get() != lTimeA.Get()) {
                return Differ(lWhere, lTimeE.Get(), lTimeA.Get());
            }
        } else if (lHasE && Doubles(lValueE, lE4) && Doubles(lValueA, lA4)) {
            for (int c = 0; c < 4; ++c) {
                if (!Near(lE4[c], lA4[c])) {
                    return Differ(lWhere + "[" + std::to_string(c) + "]", lE4[c], lA4[c]);
                }
            }
        }
    }
    return {};
}

std::string KSceneComparer::CompareCurves(const KFCurve& pExpected, const KFCurve& pActual)
{
    if (!Near(pExpected.GetDefaultValue(), pActual.GetDefaultValue())) {
        return Differ("default value", pExpected.GetDefaultValue(), pActual.GetDefaultValue());
    }
    const int lFields[][2] = {
        {pExpected.GetKeyCount(), pActual.GetKeyCount()},
        {pExpected.GetPreExtrapolation(), pActual.GetPreExtrapolation()},
        {pExpected.GetPostExtrapolation(), pActual.GetPostExtrapolation()},
        {pExpected.GetPreExtrapolationCount(), pActual.GetPreExtrapolationCount()},
        {pExpected.GetPostExtrapolationCount(), pActual.GetPostExtrapolationCount()},
        {pExpected.GetFlags(), pActual.GetFlags()}};
    for (const auto& lField : lFields) {
        if (lField[0] != lField[1]) {
            return Differ("curve fields", lField[0], lField[1]);
        }
    }
    for (int i = 0; i < pExpected.GetKeyCount(); ++i) {
        const KFCurveKey& lE = *pExpected.GetKey(i);
        const KFCurveKey& lA = *pActual.GetKey(i);
        const std::string lWhere = "key " + std::to_string(i);
        if (lE.GetTime().Get() != lA.GetTime().Get() || lE.GetFlags() != lA.GetFlags()) {
            return Differ(lWhere + " time/flags", lE.GetTime().Get(), lA.GetTime().Get());
        }
        const double lValues[][2] = {
            {lE.GetValue(), lA.GetValue()},           {lE.GetDataFloat(0), lA.GetDataFloat(0)},
            {lE.GetDataFloat(1), lA.GetDataFloat(1)}, {lE.GetDataFloat(2), lA.GetDataFloat(2)},
            {lE.GetWeight(0), lA.GetWeight(0)},       {lE.GetWeight(1), lA.GetWeight(1)},
            {lE.GetVelocity(0), lA.GetVelocity(0)},   {lE.GetVelocity(1), lA.GetVelocity(1)}};
        for (const auto& lValue : lValues) {
            if (!Near(lValue[0], lValue[1])) {
                return Differ(lWhere, lValue[0], lValue[1]);
            }
        }
    }
    return {};
}

std::string KSceneComparer::CompareChannels(const KFCurveNode& pExpected,
                                            const KFCurveNode& pActual, const std::string& pPath)
{
    const std::string lPath = pPath + "/" + pExpected.GetName();
    if (std::string(pExpected.GetName()) != pActual.GetName() ||
        pExpected.GetCount() != pActual.GetCount() ||
        !pExpected.GetCurve() != !pActual.GetCurve()) {
        return lPath + ": channel differs";
    }
    if (pExpected.GetCurve()) {
        const std::string lDiff = CompareCurves(*pExpected.GetCurve(), *pActual.GetCurve());
        if (!lDiff.empty()) {
            return lPath + ": " + lDiff;
        }
    }
    for (int i = 0; i < pExpected.GetCount(); ++i) {
        const std::string lDiff = CompareChannels(*pExpected.Get(i), *pActual.Get(i), lPath);
        if (!lDiff.empty()) {
            return lDiff;
        }
    }
    return {};
}

std::string KSceneComparer::CompareTakes(KRyvTakeNodeContainer& pExpected,
                                         KRyvTakeNodeContainer& pActual)
{
    if (!mOptions.mCompareTakes) {
        return {};
    }
    if (pExpected.GetTakeNodeCount() != pActual.GetTakeNodeCount() ||
        pExpected.GetCurrentTakeNodeIndex() != pActual.GetCurrentTakeNodeIndex()) {
        return Differ("take count/current", pExpected.GetTakeNodeCount(),
                      pActual.GetTakeNodeCount());
    }
    for (int i = 0; i < pExpected.GetTakeNodeCount(); ++i) {
        KRyvTakeNode* lE = pExpected.GetTakeNode(i);
        KRyvTakeNode* lA = pActual.GetTakeNode(i);
        if (lE->GetName().Compare(lA->GetName()) != 0) {
            return Differ("take name", Name(lE->GetName()), Name(lA->GetName()));
        }
        const std::string lDiff =
            CompareChannels(*lE->GetKFCurveNode(), *lA->GetKFCurveNode(), Name(lE->GetName()));
        if (!lDiff.empty()) {
            return "take " + lDiff;
        }
    }
    return {};
}

std::string KSceneComparer::CompareLayerContainers(const KRyvLayerContainer& pExpected,
                                                   const KRyvLayerContainer& pActual)
{
    std::string lDiff =
        CompareArrays(*this, "control points", Flat(pExpected.GetControlPointArray()),
                      Flat(pActual.GetControlPointArray()));
    if (!lDiff.empty() || pExpected.GetLayerCount() != pActual.GetLayerCount()) {
        return lDiff.empty()
                   ? Differ("layer count", pExpected.GetLayerCount(), pActual.GetLayerCount())
                   : lDiff;
    }
    for (int i = 0; i < pExpected.GetLayerCount(); ++i) {
        for (int lType = KLayerElement::eNormal; lType <= KLayerElement::eVertexColor; ++lType) {
            const KLayerElement* lE = pExpected.GetLayer(i)->GetElement(lType);
            const KLayerElement* lA = pActual.GetLayer(i)->GetElement(lType);
            const std::string lWhere =
                "layer " + std::to_string(i) + " element " + std::to_string(lType);
            if (!lE != !lA) {
                return lWhere + ": present on one side only";
            }
            lDiff = lE ? CompareElement(*this, lType, *lE, *lA, lWhere) : "";
            if (!lDiff.empty()) {
                return lDiff;
            }
        }
    }
    return {};
}

std::string KSceneComparer::CompareGeometryKinds(KRyvNode& pExpected, KRyvNode& pActual)
{
    auto* lE = dynamic_cast<KRyvGeometry*>(pExpected.GetNodeAttribute());
    auto* lA = dynamic_cast<KRyvGeometry*>(pActual.GetNodeAttribute());
    if (!lE) {
        auto* lContainerE = dynamic_cast<KRyvLayerContainer*>(pExpected.GetNodeAttribute());
        auto* lContainerA = dynamic_cast<KRyvLayerContainer*>(pActual.GetNodeAttribute());
        return lContainerE ? CompareLayerContainers(*lContainerE, *lContainerA) : std::string();
    }
    std::string lDiff = CompareLayerContainers(*lE, *lA);
    if (lDiff.empty() &&
        (lE->GetShapeCount() != lA->GetShapeCount() || lE->GetLinkCount() != lA->GetLinkCount())) {
        lDiff = Differ("shape/link count", lE->GetShapeCount() * 1000 + lE->GetLinkCount(),
                       lA->GetShapeCount() * 1000 + lA->GetLinkCount());
    }
    for (int i = 0; lDiff.empty() && i < lE->GetShapeCount(); ++i) {
        lDiff = std::string(lE->GetShapeName(i)) == lA->GetShapeName(i)
                    ? CompareLayerContainers(*lE->GetShape(i), *lA->GetShape(i))
                    : Differ("shape name", lE->GetShapeName(i), lA->GetShapeName(i));
    }
    for (int i = 0; mOptions.mCompareLinks && lDiff.empty() && i < lE->GetLinkCount(); ++i) {
        lDiff = CompareLink(*this, *lE->GetLink(i), *lA->GetLink(i), "link " + std::to_string(i));
    }
    if (auto* lMeshE = dynamic_cast<KRyvMesh*>(lE); lDiff.empty() && lMeshE) {
        const auto* lMeshA = static_cast<KRyvMesh*>(lA);
        std::vector<int> lPolygonsE;
        std::vector<int> lPolygonsA;
        for (int p = 0; p < lMeshE->GetPolygonCount(); ++p) {
            lPolygonsE.push_back(lMeshE->GetPolygonSize(p));
        }
        for (int p = 0; p < lMeshA->GetPolygonCount(); ++p) {
            lPolygonsA.push_back(lMeshA->GetPolygonSize(p));
        }
        lDiff = CompareArrays(*this, "polygon sizes", lPolygonsE, lPolygonsA);
        const int* lVE = lMeshE->GetPolygonVertices();
        const int* lVA = lMeshA->GetPolygonVertices();
        if (lDiff.empty()) {
            lDiff = CompareArrays(
                *this, "polygon vertices",
                std::vector<int>(lVE, lVE + (lVE ? lMeshE->GetPolygonVertexCount() : 0)),
                std::vector<int>(lVA, lVA + (lVA ? lMeshA->GetPolygonVertexCount() : 0)));
        }
    }
    if (auto* lNurbE = dynamic_cast<KRyvNurb*>(lE); lDiff.empty() && lNurbE) {
        auto* lNurbA = static_cast<KRyvNurb*>(lA);
        const int lShapeE[] = {lNurbE->GetUOrder(), lNurbE->GetVOrder(), lNurbE->GetUCount(),
                               lNurbE->GetVCount(), lNurbE->GetUType(),  lNurbE->GetVType(),
                               lNurbE->GetUStep(),  lNurbE->GetVStep()};
        const int lShapeA[] = {lNurbA->GetUOrder(), lNurbA->GetVOrder(), lNurbA->GetUCount(),
                               lNurbA->GetVCount(), lNurbA->GetUType(),  lNurbA->GetVType(),
                               lNurbA->GetUStep(),  lNurbA->GetVStep()};
        lDiff = CompareArrays(*this, "nurbs surface",
                              std::vector<int>(std::begin(lShapeE), std::end(lShapeE)),
                              std::vector<int>(std::begin(lShapeA), std::end(lShapeA)));
        const double* lKE = lNurbE->GetUKnotVector();
        const double* lKA = lNurbA->GetUKnotVector();
        if (lDiff.empty() && lKE && lKA) {
            lDiff = CompareArrays(*this, "u knots",
                                  std::vector<double>(lKE, lKE + lNurbE->GetUKnotCount()),
                                  std::vector<double>(lKA, lKA + lNurbA->GetUKnotCount()));
        }
    }
    if (auto* lPatchE = dynamic_cast<KRyvPatch*>(lE); lDiff.empty() && lPatchE) {
        auto* lPatchA = static_cast<KRyvPatch*>(lA);
        if (lPatchE->GetUCount() != lPatchA->GetUCount() ||
            lPatchE->GetVType() != lPatchA->GetVType() ||
            lPatchE->GetUClosed() != lPatchA->GetUClosed() ||
            lPatchE->GetVCappedTop() != lPatchA->GetVCappedTop()) {
            lDiff = "patch surface differs";
        }
    }
    return lDiff;
}

std::string KSceneComparer::CompareAttributes(KRyvNode& pExpected, KRyvNode& pActual)
{
    KRyvNodeAttribute* lE = pExpected.GetNodeAttribute();
    KRyvNodeAttribute* lA = pActual.GetNodeAttribute();
    if (!lE || !lA) {
        return !lE == !lA ? std::string() : "attribute on one side only";
    }
    if (lE->GetAttributeType() != lA->GetAttributeType()) {
        return Differ("attribute type", lE->GetAttributeType(), lA->GetAttributeType());
    }
    std::string lDiff =
        mOptions.mCompareProperties ? CompareProperties(AttributeSet(*lE), AttributeSet(*lA)) : "";
    return lDiff.empty() ? CompareGeometryKinds(pExpected, pActual) : "attribute " + lDiff;
}

std::string KSceneComparer::CompareLimits(const KRyvNodeLimits& pExpected,
                                          const KRyvNodeLimits& pActual)
{
    for (int lKind = KRyvNodeLimits::eTranslation; lKind <= KRyvNodeLimits::eScaling; ++lKind) {
        const KRyvLimit& lE = *pExpected.GetLimit(lKind);
        const KRyvLimit& lA = *pActual.GetLimit(lKind);
        bool lFlagsE[3];
        bool lFlagsA[3];
        lE.GetMaxActive(lFlagsE[0], lFlagsE[1], lFlagsE[2]);
        lA.GetMaxActive(lFlagsA[0], lFlagsA[1], lFlagsA[2]);
        if (!std::equal(std::begin(lFlagsE), std::end(lFlagsE), std::begin(lFlagsA)) ||
            pExpected.GetAuto(lKind) != pActual.GetAuto(lKind)) {
            return "limit " + std::to_string(lKind) + ": flags differ";
        }
        for (int c = 0; c < 3; ++c) {
            if (!Near(lE.GetMax()[c], lA.GetMax()[c]) || !Near(lE.GetMin()[c], lA.GetMin()[c])) {
                return Differ("limit " + std::to_string(lKind), lE.GetMax()[c], lA.GetMax()[c]);
            }
        }
    }
    return Near(pExpected.GetAxisLength(), pActual.GetAxisLength()) &&
                   pExpected.GetTranslationActive() == pActual.GetTranslationActive()
               ? std::string()
               : "limits differ";
}

std::string KSceneComparer::CompareOneNode(KRyvNode& pExpected, KRyvNode& pActual)
{
    if (pExpected.GetName().Compare(pActual.GetName()) != 0) {
        return Differ("node name", Name(pExpected.GetName()), Name(pActual.GetName()));
    }
    if (pExpected.GetChildCount() != pActual.GetChildCount()) {
        return Differ("child count", pExpected.GetChildCount(), pActual.GetChildCount());
    }
    if (pExpected.GetUserPropertyCount() != pActual.GetUserPropertyCount()) {
        return Differ("user property count", pExpected.GetUserPropertyCount(),
                      pActual.GetUserPropertyCount());
    }
    if (pExpected.IsMarked() != pActual.IsMarked()) {
        return Differ("export mark", pExpected.IsMarked(), pActual.IsMarked());
    }
    KVector4 lE;
    KVector4 lA;
    pExpected.GetLclTranslation(lE);
    pActual.GetLclTranslation(lA);
    for (int i = 0; i < 3; ++i) {
        if (!Near(lE[i], lA[i])) {
            return Differ("translation", lE[i], lA[i]);
        }
    }
    std::string lDiff = mOptions.mCompareProperties
                            ? CompareProperties(pExpected.GetProperties(), pActual.GetProperties())
                            : "";
    if (lDiff.empty()) {
        lDiff = CompareLimits(pExpected.GetLimits(), pActual.GetLimits());
    }
    if (lDiff.empty()) {
        lDiff = CompareAttributes(pExpected, pActual);
    }
    if (lDiff.empty()) {
        lDiff = CompareConnections(pExpected, pActual);
    }
    return lDiff.empty() ? CompareTakes(pExpected, pActual) : lDiff;
}

// Properties driven by properties of other objects: the same sources by owner and name.
std::string KSceneComparer::CompareConnections(KRyvNode& pExpected, KRyvNode& pActual)
{
    const auto lSources = [](KRyvNode& pNode) {
        std::vector<std::string> lNames;
        KObject* lSet = pNode.GetProperties();
        for (int p = 0; lSet && p < lSet->GetPropertyCount(); ++p) {
            const KProperty* lProperty = lSet->GetProperty(p);
            for (int s = 0; s < lProperty->GetSrcCount(); ++s) {
                const auto* lSource = dynamic_cast<const KProperty*>(lProperty->GetSrc(s));
                if (lSource && lSource->GetParentObject() != lSet) {
                    lNames.push_back(std::string(lProperty->GetName()) + "<-" + lSource->GetName());
                }
            }
        }
        return lNames;
    };
    return lSources(pExpected) == lSources(pActual) ? std::string() : "property connections differ";
}

std::string KSceneComparer::CompareNodes(KRyvNode& pExpected, KRyvNode& pActual)
{
    std::vector<std::pair<KRyvNode*, KRyvNode*>> lStack{{&pExpected, &pActual}};
    while (!lStack.empty()) {
        const auto [lE, lA] = lStack.back();
        lStack.pop_back();
        const std::string lDiff = CompareOneNode(*lE, *lA);
        if (!lDiff.empty()) {
            return Name(lE->GetName()) + ": " + lDiff;
        }
        for (int i = lE->GetChildCount() - 1; i >= 0; --i) {
            lStack.emplace_back(lE->GetChild(i), lA->GetChild(i));
        }
    }
    return {};
}

std::string KSceneComparer::CompareObjectLists(KRyvScene& pExpected, KRyvScene& pActual)
{
    KRyvSceneEntity& lE = *pExpected.GetSceneEntity();
    KRyvSceneEntity& lA = *pActual.GetSceneEntity();
    const int lCounts[][2] = {{mOptions.mCompareMaterials ? lE.GetMaterialCount() : 0,
                               mOptions.mCompareMaterials ? lA.GetMaterialCount() : 0},
                              {mOptions.mCompareTextures ? lE.GetTextureCount() : 0,
                               mOptions.mCompareTextures ? lA.GetTextureCount() : 0},
                              {mOptions.mCompareTextures ? lE.GetVideoCount() : 0,
                               mOptions.mCompareTextures ? lA.GetVideoCount() : 0},
                              {mOptions.mComparePoses ? pExpected.GetPoseCount() : 0,
                               mOptions.mComparePoses ? pActual.GetPoseCount() : 0}};
    for (const auto& lCount : lCounts) {
        if (lCount[0] != lCount[1]) {
            return Differ("object count", lCount[0], lCount[1]);
        }
    }
    std::string lDiff;
    auto lCompareObject = [&](auto* pObjectE, auto* pObjectA) {
        if (!lDiff.empty()) {
            return;
        }
        if (pObjectE->GetName().Compare(pObjectA->GetName()) != 0) {
            lDiff = Differ("object name", Name(pObjectE->GetName()), Name(pObjectA->GetName()));
            return;
        }
        lDiff = mOptions.mCompareProperties
                    ? CompareProperties(pObjectE->GetProperties(), pObjectA->GetProperties())
                    : "";
        lDiff = lDiff.empty() ? CompareTakes(*pObjectE, *pObjectA) : lDiff;
        lDiff = lDiff.empty() ? lDiff : Name(pObjectE->GetName()) + ": " + lDiff;
    };
    for (int i = 0; mOptions.mCompareMaterials && i < lE.GetMaterialCount(); ++i) {
        lCompareObject(lE.GetMaterial(i), lA.GetMaterial(i));
    }
    for (int i = 0; mOptions.mCompareTextures && i < lE.GetTextureCount(); ++i) {
        lCompareObject(lE.GetTexture(i), lA.GetTexture(i));
        if (lDiff.empty() &&
            std::string(lE.GetTexture(i)->GetFileName()) != lA.GetTexture(i)->GetFileName()) {
            lDiff = Differ("texture file", lE.GetTexture(i)->GetFileName(),
                           lA.GetTexture(i)->GetFileName());
        }
        const KRyvVideo* lVideoE = lE.GetTexture(i)->GetVideo();
        const KRyvVideo* lVideoA = lA.GetTexture(i)->GetVideo();
        if (lDiff.empty() && (!lVideoE != !lVideoA ||
                              (lVideoE && lVideoE->GetName().Compare(lVideoA->GetName()) != 0))) {
            lDiff = Name(lE.GetTexture(i)->GetName()) + ": video clip differs";
        }
    }
    for (int i = 0; mOptions.mCompareTextures && i < lE.GetVideoCount(); ++i) {
        lCompareObject(lE.GetVideo(i), lA.GetVideo(i));
    }
    if (lE.GetGenericNodeCount() != lA.GetGenericNodeCount()) {
        return Differ("generic node count", lE.GetGenericNodeCount(), lA.GetGenericNodeCount());
    }
    for (int i = 0; i < lE.GetGenericNodeCount(); ++i) {
        lCompareObject(lE.GetGenericNode(i), lA.GetGenericNode(i));
    }
    for (int i = 0; mOptions.mComparePoses && i < pExpected.GetPoseCount(); ++i) {
        lCompareObject(pExpected.GetPose(i), pActual.GetPose(i));
        if (lDiff.empty() && pExpected.GetPose(i)->GetCount() != pActual.GetPose(i)->GetCount()) {
            lDiff = Differ("pose entries", pExpected.GetPose(i)->GetCount(),
                           pActual.GetPose(i)->GetCount());
        }
    }
    return lDiff;
}

std::string KSceneComparer::CompareCharacters(KRyvScene& pExpected, KRyvScene& pActual)
{
    if (pExpected.GetCharacterCount() != pActual.GetCharacterCount() ||
        pExpected.GetMarkerSetCount() != pActual.GetMarkerSetCount() ||
        pExpected.GetActorCount() != pActual.GetActorCount()) {
        return Differ("character/marker set/actor count", pExpected.GetCharacterCount(),
                      pActual.GetCharacterCount());
    }
    for (int i = 0; i < pExpected.GetCharacterCount(); ++i) {
        KRyvCharacter& lE = *pExpected.GetCharacter(i);
        KRyvCharacter& lA = *pActual.GetCharacter(i);
        std::string lDiff = lE.GetName().Compare(lA.GetName()) == 0 ? "" : "character name differs";
        for (int lId = 0; lDiff.empty() && lId < KRyvCharacter::kLinkCount; ++lId) {
            KRyvCharacterLink lLinkE;
            KRyvCharacterLink lLinkA;
            lE.GetCharacterLink(lId, &lLinkE);
            lA.GetCharacterLink(lId, &lLinkA);
            const std::string lNodeE = lLinkE.mNode ? Name(lLinkE.mNode->GetName()) : "";
            const std::string lNodeA = lLinkA.mNode ? Name(lLinkA.mNode->GetName()) : "";
            if (lNodeE != lNodeA || !Near(lLinkE.mOffsetR[1], lLinkA.mOffsetR[1])) {
                lDiff = Differ("character link " + std::to_string(lId), lNodeE, lNodeA);
            }
        }
        for (int lIndex = 0; lDiff.empty() && lIndex < KRyvControlSet::kEffectorCount; ++lIndex) {
            KRyvControlSetEffector lEffE;
            KRyvControlSetEffector lEffA;
            lE.GetControlSet().GetEffector(lIndex, &lEffE);
            lA.GetControlSet().GetEffector(lIndex, &lEffA);
            if (!(lEffE.mFlags == lEffA.mFlags) || !lEffE.mNode != !lEffA.mNode) {
                lDiff = "effector " + std::to_string(lIndex) + " differs";
            }
        }
        if (lDiff.empty() &&
            (lE.GetControlSet().GetType() != lA.GetControlSet().GetType() ||
             lE.GetControlSet().GetLockPick() != lA.GetControlSet().GetLockPick())) {
            lDiff = "control set differs";
        }
        const KRyvObject* lInputE = lE.GetInputObject();
        const KRyvObject* lInputA = lA.GetInputObject();
        if (lDiff.empty() && (lE.GetInputType() != lA.GetInputType() ||
                              (lInputE ? Name(lInputE->GetName()) : "") !=
                                  (lInputA ? Name(lInputA->GetName()) : ""))) {
            lDiff = "character input differs";
        }
        lDiff = lDiff.empty() && mOptions.mCompareProperties
                    ? CompareProperties(lE.GetProperties(), lA.GetProperties())
                    : lDiff;
        if (!lDiff.empty()) {
            return Name(lE.GetName()) + ": " + lDiff;
        }
    }
    const std::string lPoses = CompareCharacterPoses(pExpected, pActual);
    if (!lPoses.empty()) {
        return lPoses;
    }
    for (int i = 0; i < pExpected.GetMarkerSetCount(); ++i) {
        if (pExpected.GetMarkerSet(i)->GetMarkerCount() !=
            pActual.GetMarkerSet(i)->GetMarkerCount()) {
            return "marker set " + Name(pExpected.GetMarkerSet(i)->GetName()) +
                   ": marker count differs";
        }
    }
    for (int i = 0; i < pExpected.GetActorCount(); ++i) {
        for (int lNode = 0; lNode < KRyvActor::kBodyNodeCount; ++lNode) {
            if (!Near(pExpected.GetActor(i)->GetNodeScale(lNode)[0],
                      pActual.GetActor(i)->GetNodeScale(lNode)[0])) {
                return "actor " + Name(pExpected.GetActor(i)->GetName()) + ": scale differs";
            }
        }
    }
    return {};
}

std::string KSceneComparer::CompareCharacterPoses(KRyvScene& pExpected, KRyvScene& pActual)
{
    if (pExpected.GetCharacterPoseCount() != pActual.GetCharacterPoseCount()) {
        return Differ("character pose count", pExpected.GetCharacterPoseCount(),
                      pActual.GetCharacterPoseCount());
    }
    for (int i = 0; i < pExpected.GetCharacterPoseCount(); ++i) {
        KRyvCharacterPose& lE = *pExpected.GetCharacterPose(i);
        KRyvCharacterPose& lA = *pActual.GetCharacterPose(i);
        const std::string lDiff = lE.GetName().Compare(lA.GetName()) != 0 ? "name differs"
                                  : lE.GetScene() && lA.GetScene()
                                      ? Compare(*lE.GetScene(), *lA.GetScene())
                                  : !lE.GetScene() != !lA.GetScene() ? "scene differs"
                                                                     : "";
        if (!lDiff.empty()) {
            return "character pose " + Name(lE.GetName()) + ": " + lDiff;
        }
    }
    return {};
}

// Deformers by kind and order: names, binding data and how many objects each is connected to.
std::string KSceneComparer::CompareDeformers(KRyvScene& pExpected, KRyvScene& pActual)
{
    KRyvSceneEntity& lE = *pExpected.GetSceneEntity();
    KRyvSceneEntity& lA = *pActual.GetSceneEntity();
    for (const int lKind : {KRyvSceneEntity::eSkinDeformers, KRyvSceneEntity::eClusterDeformers}) {
        if (lE.GetDeformerCount(lKind) != lA.GetDeformerCount(lKind)) {
            return Differ("deformer count", lE.GetDeformerCount(lKind), lA.GetDeformerCount(lKind));
        }
        for (int i = 0; i < lE.GetDeformerCount(lKind); ++i) {
            const KRyvDeformer& lDE = *lE.GetDeformer(i, lKind);
            const KRyvDeformer& lDA = *lA.GetDeformer(i, lKind);
            const KObject* lSetE = lDE.GetProperties();
            const KObject* lSetA = lDA.GetProperties();
            if (lDE.GetName().Compare(lDA.GetName()) != 0 ||
                lDE.GetControlPointIndexArray() != lDA.GetControlPointIndexArray() ||
                lDE.GetControlPointWeightArray() != lDA.GetControlPointWeightArray() ||
                lDE.GetLinkMode() != lDA.GetLinkMode() ||
                !Near(lDE.GetAccuracy(), lDA.GetAccuracy()) ||
                lSetE->GetSrcCount() != lSetA->GetSrcCount() ||
                lSetE->GetDstCount() != lSetA->GetDstCount()) {
                return "deformer " + Name(lDE.GetName()) + " differs";
            }
        }
    }
    return {};
}

std::string KSceneComparer::Compare(KRyvScene& pExpected, KRyvScene& pActual)
{
    std::string lDiff = CompareNodes(*pExpected.GetRootNode(), *pActual.GetRootNode());
    if (lDiff.empty()) {
        lDiff = CompareObjectLists(pExpected, pActual);
    }
    if (lDiff.empty() && mOptions.mCompareCharacters) {
        lDiff = CompareCharacters(pExpected, pActual);
    }
    if (lDiff.empty() && mOptions.mCompareDeformers) {
        lDiff = CompareDeformers(pExpected, pActual);
    }
    if (lDiff.empty() &&
        std::string(pExpected.GetCurrentTakeName()) != pActual.GetCurrentTakeName()) {
        lDiff =
            Differ("current take", pExpected.GetCurrentTakeName(), pActual.GetCurrentTakeName());
    }
    return lDiff;
}
