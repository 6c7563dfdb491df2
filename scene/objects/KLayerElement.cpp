#include "scene/objects/KLayerElement.h"

#include <cstring>

namespace {

const char* const kMappingTexts[] = {
    "NoMappingInformation", "ByVertice", "ByPolygonVertex", "ByPolygon", "AllSame",
};
const char* const kReferenceTexts[] = {"Direct", "Index", "IndexToDirect"};

template <std::size_t N> const char* TextOf(const char* const (&pTable)[N], int pMode)
{
    return pMode >= 0 && static_cast<std::size_t>(pMode) < N ? pTable[pMode] : pTable[0];
}

template <std::size_t N> int ModeOf(const char* const (&pTable)[N], const char* pText)
{
    if (!pText) {
        return 0;
    }
    for (std::size_t lMode = 0; lMode < N; ++lMode) {
        if (std::strcmp(pTable[lMode], pText) == 0) {
            return static_cast<int>(lMode);
        }
    }
    return 0;
}

} // namespace

const char* KLayerElement::GetMappingModeText(int pMode)
{
    return TextOf(kMappingTexts, pMode);
}

const char* KLayerElement::GetReferenceModeText(int pMode)
{
    return TextOf(kReferenceTexts, pMode);
}

int KLayerElement::GetMappingModeFromText(const char* pText)
{
    return ModeOf(kMappingTexts, pText);
}

int KLayerElement::GetReferenceModeFromText(const char* pText)
{
    return ModeOf(kReferenceTexts, pText);
}

int KLayerElementUV::Add(double pU, double pV)
{
    GetDirectArray().emplace_back(pU, pV);
    return static_cast<int>(GetDirectArray().size()) - 1;
}

int KLayerElementVertexColor::Add(const KColor& pColor)
{
    GetDirectArray().push_back(pColor);
    return static_cast<int>(GetDirectArray().size()) - 1;
}
