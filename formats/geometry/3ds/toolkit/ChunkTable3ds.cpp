#include "formats/geometry/3ds/toolkit/ChunkTable3ds.h"

#include <algorithm>
#include <iterator>

namespace {

// Layouts are short item strings: a letter, then a repeat count or a string bound.
// B bytes, W 16-bit, L 32-bit, F floats, S bounded string, X fixed field of bound + 1 bytes,
// P counted points, U counted texture coordinates, H counted 16-bit numbers, A counted faces,
// M smoothing masks filling the chunk, R string bounded by the chunk, K undecoded block,
// T keyframe track. An empty layout has no data. Sorted by tag, for the binary search.
constexpr ChunkInfo3ds kTable[] = {
    {Tag3ds::kVersion, "Version", "L1", ChunkShape3ds::kLeaf, 31},
    {Tag3ds::kColorF, "ColorF", "F3", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kColor24, "Color24", "B3", ChunkShape3ds::kLeaf, 28},
    {Tag3ds::kLinColor24, "LinColor24", "B3", ChunkShape3ds::kLeaf, 27},
    {Tag3ds::kLinColorF, "LinColorF", "F3", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kIntPercentage, "IntPercentage", "W1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kFloatPercentage, "FloatPercentage", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMasterScale, "MasterScale", "F1", ChunkShape3ds::kLeaf, 23},
    {Tag3ds::kBitmapBackground, "BitmapBackground", "S12", ChunkShape3ds::kLeaf, 14},
    {Tag3ds::kUseBitmapBackground, "UseBitmapBackground", "K", ChunkShape3ds::kLeaf, 12},
    {Tag3ds::kSolidBackground, "SolidBackground", "", ChunkShape3ds::kContainer, 15},
    {Tag3ds::kUseSolidBackground, "UseSolidBackground", "K", ChunkShape3ds::kLeaf, 12},
    {Tag3ds::kGradientBackground, "GradientBackground", "F1", ChunkShape3ds::kDataAndChildren, 13},
    {Tag3ds::kUseGradientBackground, "UseGradientBackground", "K", ChunkShape3ds::kLeaf, 12},
    {Tag3ds::kShadowBias, "ShadowBias", "F1", ChunkShape3ds::kLeaf, 21},
    {Tag3ds::kLoShadowBias, "LoShadowBias", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kShadowMapSize, "ShadowMapSize", "W1", ChunkShape3ds::kLeaf, 20},
    {Tag3ds::kShadowSamples, "ShadowSamples", "W1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kShadowRange, "ShadowRange", "L1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kShadowFilter, "ShadowFilter", "F1", ChunkShape3ds::kLeaf, 19},
    {Tag3ds::kRayBias, "RayBias", "F1", ChunkShape3ds::kLeaf, 18},
    {Tag3ds::kConstructionPlane, "ConstructionPlane", "F3", ChunkShape3ds::kLeaf, 17},
    {Tag3ds::kAmbientLight, "AmbientLight", "", ChunkShape3ds::kContainer, 16},
    {Tag3ds::kFog, "Fog", "F4", ChunkShape3ds::kLeaf, 11},
    {Tag3ds::kDistanceCue, "DistanceCue", "F4", ChunkShape3ds::kLeaf, 9},
    {Tag3ds::kLayerFog, "LayerFog", "F3L1", ChunkShape3ds::kLeaf, 10},
    {Tag3ds::kViewportLayout, "ViewportLayout", "K", ChunkShape3ds::kLeaf, 34},
    {Tag3ds::kViewportLayoutOld, "ViewportLayoutOld", "K", ChunkShape3ds::kLeaf, 33},
    {Tag3ds::kDefaultView, "DefaultView", "", ChunkShape3ds::kContainer, 8},
    {Tag3ds::kViewTop, "ViewTop", "F4", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kViewBottom, "ViewBottom", "F4", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kViewLeft, "ViewLeft", "F4", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kViewRight, "ViewRight", "F4", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kViewFront, "ViewFront", "F4", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kViewBack, "ViewBack", "F4", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kViewUser, "ViewUser", "F7", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kViewCamera, "ViewCamera", "S10", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMdata, "Mdata", "", ChunkShape3ds::kContainer, 30},
    {Tag3ds::kMeshVersion, "MeshVersion", "L1", ChunkShape3ds::kLeaf, 26},
    {Tag3ds::kMlibMagic, "MlibMagic", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kNamedObject, "NamedObject", "S10", ChunkShape3ds::kDataAndChildren, 7},
    {Tag3ds::kObjHidden, "ObjHidden", "K", ChunkShape3ds::kLeaf, 1},
    {Tag3ds::kObjVisLofter, "ObjVisLofter", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kObjDoesntCast, "ObjDoesntCast", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kObjMatte, "ObjMatte", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kObjFast, "ObjFast", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kObjProcedural, "ObjProcedural", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kObjFrozen, "ObjFrozen", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kObjDontRcvShadow, "ObjDontRcvShadow", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kNTriObject, "NTriObject", "", ChunkShape3ds::kContainer, 2},
    {Tag3ds::kPointArray, "PointArray", "P", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kPointFlagArray, "PointFlagArray", "H", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kFaceArray, "FaceArray", "A", ChunkShape3ds::kDataAndChildren, 0},
    {Tag3ds::kMeshMatGroup, "MeshMatGroup", "S16H", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kTexVerts, "TexVerts", "U", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSmoothGroup, "SmoothGroup", "M", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMeshMatrix, "MeshMatrix", "F12", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMeshColor, "MeshColor", "B1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMeshTextureInfo, "MeshTextureInfo", "W1F21", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kProcName, "ProcName", "S12", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kProcData, "ProcData", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMeshBoxMap, "MeshBoxMap", "S16S16S16S16S16S16", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kLight, "Light", "F3", ChunkShape3ds::kDataAndChildren, 2},
    {Tag3ds::kSpotlight, "Spotlight", "F5", ChunkShape3ds::kDataAndChildren, 0},
    {Tag3ds::kLightOff, "LightOff", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kLightAttenuate, "LightAttenuate", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSpotRayShadows, "SpotRayShadows", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSpotShadowed, "SpotShadowed", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kLocalShadow, "LocalShadow", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kLocalShadow2, "LocalShadow2", "F2W1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSpotSeeCone, "SpotSeeCone", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSpotRectangular, "SpotRectangular", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSpotOvershoot, "SpotOvershoot", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSpotProjector, "SpotProjector", "S12", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kLightExclude, "LightExclude", "S10", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSpotRoll, "SpotRoll", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSpotAspect, "SpotAspect", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kSpotRayBias, "SpotRayBias", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kLightInnerRange, "LightInnerRange", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kLightOuterRange, "LightOuterRange", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kLightMultiplier, "LightMultiplier", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kCamera, "Camera", "F8", ChunkShape3ds::kDataAndChildren, 2},
    {Tag3ds::kCameraSeeCone, "CameraSeeCone", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kCameraRanges, "CameraRanges", "F2", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kM3dMagic, "M3dMagic", "", ChunkShape3ds::kContainer, 32},
    {Tag3ds::kViewportLayoutHeader, "ViewportLayoutHeader", "W7", ChunkShape3ds::kLeaf, 22},
    {Tag3ds::kViewportData, "ViewportData", "W7F6X10", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kViewportData3, "ViewportData3", "W7F6X10", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kViewportSize, "ViewportSize", "W4", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kXdata, "Xdata", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kXdataEntry, "XdataEntry", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kXdataAppName, "XdataAppName", "R", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kXdataString, "XdataString", "R", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kXdataGroup, "XdataGroup", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kParentName, "ParentName", "R", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatName, "MatName", "S16", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatAmbient, "MatAmbient", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatDiffuse, "MatDiffuse", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatSpecular, "MatSpecular", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatShininess, "MatShininess", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatShinStrength, "MatShinStrength", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatShinStrength2, "MatShinStrength2", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatTransparency, "MatTransparency", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatTransFalloff, "MatTransFalloff", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatRefBlur, "MatRefBlur", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatSelfIllumFlag, "MatSelfIllumFlag", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatTwoSided, "MatTwoSided", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatDecal, "MatDecal", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatSelfIllum, "MatSelfIllum", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatWire, "MatWire", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatWireSize, "MatWireSize", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatFaceMap, "MatFaceMap", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatFalloffIn, "MatFalloffIn", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatPhongSoft, "MatPhongSoft", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatWireAbsolute, "MatWireAbsolute", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatShading, "MatShading", "W1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatTexture1, "MatTexture1", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatSpecularMap, "MatSpecularMap", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatOpacityMap, "MatOpacityMap", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatReflectionMap, "MatReflectionMap", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatBumpMap, "MatBumpMap", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatUseXpFall, "MatUseXpFall", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatUseRefBlur, "MatUseRefBlur", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatBumpPercent, "MatBumpPercent", "W1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapName, "MatMapName", "R", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatAutoReflection, "MatAutoReflection", "B2W1L2", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatTexture1Extra, "MatTexture1Extra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatTexture2Extra, "MatTexture2Extra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatOpacityExtra, "MatOpacityExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatBumpExtra, "MatBumpExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatSpecularExtra, "MatSpecularExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatShininessExtra, "MatShininessExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatSelfIllumExtra, "MatSelfIllumExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatTexture1MaskExtra, "MatTexture1MaskExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatTexture2MaskExtra, "MatTexture2MaskExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatOpacityMaskExtra, "MatOpacityMaskExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatBumpMaskExtra, "MatBumpMaskExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatSpecularMaskExtra, "MatSpecularMaskExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatShininessMaskExtra, "MatShininessMaskExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatSelfIllumMaskExtra, "MatSelfIllumMaskExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatReflectionMaskExtra, "MatReflectionMaskExtra", "K", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatTexture2, "MatTexture2", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatShininessMap, "MatShininessMap", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatSelfIllumMap, "MatSelfIllumMap", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatTexture1Mask, "MatTexture1Mask", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatTexture2Mask, "MatTexture2Mask", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatOpacityMask, "MatOpacityMask", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatBumpMask, "MatBumpMask", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatShininessMask, "MatShininessMask", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatSpecularMask, "MatSpecularMask", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatSelfIllumMask, "MatSelfIllumMask", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatReflectionMask, "MatReflectionMask", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kMatMapParams, "MatMapParams", "W1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapBlur, "MatMapBlur", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapScaleU, "MatMapScaleU", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapScaleV, "MatMapScaleV", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapOffsetU, "MatMapOffsetU", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapOffsetV, "MatMapOffsetV", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapRotation, "MatMapRotation", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapTint1, "MatMapTint1", "B3", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapTint2, "MatMapTint2", "B3", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapTintR, "MatMapTintR", "B3", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapTintG, "MatMapTintG", "B3", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatMapTintB, "MatMapTintB", "B3", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMatEntry, "MatEntry", "", ChunkShape3ds::kContainer, 25},
    {Tag3ds::kKfData, "KfData", "", ChunkShape3ds::kContainer, 29},
    {Tag3ds::kAmbientNode, "AmbientNode", "", ChunkShape3ds::kContainer, 3},
    {Tag3ds::kObjectNode, "ObjectNode", "", ChunkShape3ds::kContainer, 4},
    {Tag3ds::kCameraNode, "CameraNode", "", ChunkShape3ds::kContainer, 4},
    {Tag3ds::kTargetNode, "TargetNode", "", ChunkShape3ds::kContainer, 4},
    {Tag3ds::kOmniNode, "OmniNode", "", ChunkShape3ds::kContainer, 0},
    {Tag3ds::kSpotTargetNode, "SpotTargetNode", "", ChunkShape3ds::kContainer, 4},
    {Tag3ds::kSpotNode, "SpotNode", "", ChunkShape3ds::kContainer, 4},
    {Tag3ds::kKfSegment, "KfSegment", "L2", ChunkShape3ds::kLeaf, 6},
    {Tag3ds::kKfCurrentFrame, "KfCurrentFrame", "L1", ChunkShape3ds::kLeaf, 5},
    {Tag3ds::kKfHdr, "KfHdr", "W1S512L1", ChunkShape3ds::kLeaf, 24},
    {Tag3ds::kNodeHdr, "NodeHdr", "S10W3", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kInstanceName, "InstanceName", "S10", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kPivot, "Pivot", "F3", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kBoundBox, "BoundBox", "F6", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMorphSmooth, "MorphSmooth", "F1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kPositionTrack, "PositionTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kRotationTrack, "RotationTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kScaleTrack, "ScaleTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kFovTrack, "FovTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kRollTrack, "RollTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kColorTrack, "ColorTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kMorphTrack, "MorphTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kHotspotTrack, "HotspotTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kFalloffTrack, "FalloffTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kHideTrack, "HideTrack", "T", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kNodeId, "NodeId", "W1", ChunkShape3ds::kLeaf, 0},
    {Tag3ds::kCmagic, "Cmagic", "", ChunkShape3ds::kContainer, 0},
};

} // namespace

const ChunkInfo3ds* ChunkTableBegin3ds()
{
    return std::begin(kTable);
}

const ChunkInfo3ds* ChunkTableEnd3ds()
{
    return std::end(kTable);
}

const ChunkInfo3ds* FindChunkInfo3ds(uint32_t pTag)
{
    const ChunkInfo3ds* lFound = std::lower_bound(
        std::begin(kTable), std::end(kTable), pTag,
        [](const ChunkInfo3ds& pInfo, uint32_t pKey) { return pInfo.mTag < pKey; });
    return lFound != std::end(kTable) && lFound->mTag == pTag ? lFound : nullptr;
}

ChunkShape3ds ChunkShapeOf3ds(uint32_t pTag)
{
    const ChunkInfo3ds* lInfo = FindChunkInfo3ds(pTag);
    return lInfo ? lInfo->mShape : ChunkShape3ds::kLeaf;
}

int ChunkWeightOf3ds(uint32_t pTag)
{
    const ChunkInfo3ds* lInfo = FindChunkInfo3ds(pTag);
    return lInfo ? lInfo->mWeight : 0;
}

const char* ChunkLayoutOf3ds(uint32_t pTag)
{
    const ChunkInfo3ds* lInfo = FindChunkInfo3ds(pTag);
    return lInfo ? lInfo->mLayout : kUnknownLayout3ds;
}

const char* ChunkNameOf3ds(uint32_t pTag)
{
    const ChunkInfo3ds* lInfo = FindChunkInfo3ds(pTag);
    return lInfo ? lInfo->mName : "";
}
