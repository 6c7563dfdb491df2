#include "io/KRyvDeformerIO.h"

#include "io/KRyvGeometryIO.h"
#include "object/KPlug.h"
#include "ryvfile/KRyvFile.h"
#include "scene/objects/KRyvDeformer.h"

using KRyvGeometryIO::ReadMatrix;
using KRyvGeometryIO::ReadNamedArray;
using KRyvGeometryIO::WriteMatrix;
using KRyvGeometryIO::WriteNamedArray;

void KRyvDeformerIO::WriteData(KRyvFile& ioFile, const KRyvDeformer& pDeformer)
{
    ioFile.FieldWriteB("MultiLayer", pDeformer.GetMultiLayer());
    ioFile.FieldWriteD("Accuracy", pDeformer.GetAccuracy());
    if (pDeformer.GetDeformerType() != KRyvDeformer::eCluster) {
        return;
    }
    ioFile.FieldWriteI("LinkMode", pDeformer.GetLinkMode());
    ioFile.FieldWriteBegin("UserData");
    ioFile.FieldWriteC(pDeformer.GetUserDataID());
    ioFile.FieldWriteC(pDeformer.GetUserData());
    ioFile.FieldWriteEnd();
    WriteNamedArray(ioFile, "Indexes", pDeformer.GetControlPointIndexArray());
    WriteNamedArray(ioFile, "Weights", pDeformer.GetControlPointWeightArray());
    WriteMatrix(ioFile, "Transform", pDeformer.GetTransformMatrix());
    WriteMatrix(ioFile, "TransformLink", pDeformer.GetTransformLinkMatrix());
    WriteMatrix(ioFile, "TransformAssociateModel", pDeformer.GetTransformAssociateModelMatrix());
    if (pDeformer.GetTransformParentSet()) {
        WriteMatrix(ioFile, "TransformParent", pDeformer.GetTransformParentMatrix());
    }
}

bool KRyvDeformerIO::ReadData(KRyvFile& ioFile, KRyvDeformer& ioDeformer)
{
    ioDeformer.SetMultiLayer(ioFile.FieldReadB("MultiLayer", false));
    ioDeformer.SetAccuracy(ioFile.FieldReadD("Accuracy", ioDeformer.GetAccuracy()));
    if (ioDeformer.GetDeformerType() != KRyvDeformer::eCluster) {
        return !ioFile.FieldReadFailed();
    }
    ioDeformer.SetLinkMode(ioFile.FieldReadI("LinkMode", 0));
    if (ioFile.FieldReadBegin("UserData")) {
        const KString lID = ioFile.FieldReadC();
        const KString lValue = ioFile.FieldReadC();
        ioDeformer.SetUserData(lID.Buffer(), lValue.Buffer());
        ioFile.FieldReadEnd();
    }
    KMatrix lMatrix;
    const bool lArrays =
        ReadNamedArray(ioFile, "Indexes", ioDeformer.GetControlPointIndexArray()) &&
        ReadNamedArray(ioFile, "Weights", ioDeformer.GetControlPointWeightArray()) &&
        ioDeformer.GetControlPointIndexArray().size() ==
            ioDeformer.GetControlPointWeightArray().size();
    const bool lMatrices = ReadMatrix(ioFile, "Transform", lMatrix);
    ioDeformer.SetTransformMatrix(lMatrix);
    const bool lLink = ReadMatrix(ioFile, "TransformLink", lMatrix);
    ioDeformer.SetTransformLinkMatrix(lMatrix);
    const bool lAssociate = ReadMatrix(ioFile, "TransformAssociateModel", lMatrix);
    ioDeformer.SetTransformAssociateModelMatrix(lMatrix);
    const bool lParent = ReadMatrix(ioFile, "TransformParent", lMatrix);
    ioDeformer.SetTransformParentSet(lParent);
    if (lParent) {
        ioDeformer.SetTransformParentMatrix(lMatrix);
    }
    return lArrays && lMatrices && lLink && lAssociate && !ioFile.FieldReadFailed();
}

std::vector<int>
KRyvDeformerIO::ConnectedPlaces(const KPlug& pPlug, bool pSources,
                                const std::unordered_map<const KPlug*, int>& pPlaces)
{
    std::vector<int> lPlaces;
    const int lCount = pSources ? pPlug.GetSrcCount() : pPlug.GetDstCount();
    for (int i = 0; i < lCount; ++i) {
        const auto lFound = pPlaces.find(pSources ? pPlug.GetSrc(i) : pPlug.GetDst(i));
        if (lFound != pPlaces.end()) {
            lPlaces.push_back(lFound->second);
        }
    }
    return lPlaces;
}
