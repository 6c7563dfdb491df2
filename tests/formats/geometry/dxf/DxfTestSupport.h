#ifndef RYVKIT_TESTS_FORMATS_GEOMETRY_DXF_DXFTESTSUPPORT_H
#define RYVKIT_TESTS_FORMATS_GEOMETRY_DXF_DXFTESTSUPPORT_H

#include "formats/geometry/dxf/KReaderDxf.h"
#include "formats/geometry/dxf/KStreamOptionsDxf.h"
#include "formats/geometry/dxf/KWriterDxf.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMesh.h"

#include "tests/support/TempFolder.h"

#include <cstdio>
#include <memory>
#include <string>

// A factory, a scene and one DXF read into it.
struct DxfRead
{
    std::unique_ptr<KRyvObjectFactory> mFactory = std::make_unique<KRyvObjectFactory>();
    std::unique_ptr<KRyvScene> mScene = std::make_unique<KRyvScene>(mFactory.get());
    bool mRead = false;
    std::string mError;
    std::string mMessage;

    // pChoice: option 6 (0 layer, 1 block, 2 entity); no reference node unless asked. With
    // pText the bytes come from memory under the name pPath.
    DxfRead(const std::string& pPath, int pChoice, bool pReference = false, bool pWeld = true,
            const std::string* pText = nullptr)
    {
        KReaderDxf lReader(mFactory.get());
        KStreamOptionsDxf lOptions;
        lOptions.SetOptionValue(KStreamOptionsDxf::kDerivationChoice, pChoice);
        lOptions.SetOptionValue(KStreamOptionsDxf::kCreateReferenceNode, pReference ? 1 : 0);
        lOptions.SetOptionValue(KStreamOptionsDxf::kWeldVertices, pWeld ? 1 : 0);
        const bool lOpen = pText ? lReader.MemoryOpen(pText->data(), pText->size(), pPath.c_str())
                                 : lReader.FileOpen(pPath.c_str());
        mRead = lOpen && lReader.Read(mScene.get(), &lOptions);
        mError = lReader.GetError().GetLastErrorString().Buffer();
        mMessage = lReader.GetMessage().Buffer();
    }
    KRyvNode* Root() const { return mScene->GetRootNode(); }
    KRyvNode* Child(int pIndex) const { return Root()->GetChild(pIndex); }
    KRyvMesh* MeshOf(int pIndex) const
    {
        KRyvNode* lNode = Child(pIndex);
        return lNode ? static_cast<KRyvMesh*>(lNode->GetMesh()) : nullptr;
    }
};

// Group pairs as a DXF file holds them: code line, value line.
inline std::string Groups(std::initializer_list<std::pair<int, std::string>> pPairs)
{
    std::string lText;
    for (const auto& lPair : pPairs) {
        lText += std::to_string(lPair.first) + "\n" + lPair.second + "\n";
    }
    return lText;
}

inline std::string Section(const std::string& pName, const std::string& pBody)
{
    return Groups({{0, "SECTION"}, {2, pName}}) + pBody + Groups({{0, "ENDSEC"}});
}

inline std::string Face(const std::string& pLayer, const double (&pCorners)[4][3], int pColor = 0)
{
    std::string lText = Groups({{0, "3DFACE"}, {8, pLayer}});
    for (int c = 0; c < 4; ++c) {
        for (int a = 0; a < 3; ++a) {
            char lValue[32];
            std::snprintf(lValue, sizeof(lValue), "%g", pCorners[c][a]);
            lText += Groups({{10 * (a + 1) + c, lValue}});
        }
    }
    return pColor ? lText + Groups({{62, std::to_string(pColor)}}) : lText;
}

#endif
