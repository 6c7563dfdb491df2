#include "formats/geometry/dxf/KReaderDxf.h"

#include "core/KByteSource.h"
#include "core/KFileUtils.h"
#include "formats/geometry/dxf/KDxfColor.h"
#include "formats/geometry/dxf/KDxfDrawing.h"
#include "formats/geometry/dxf/KStreamOptionsDxf.h"
#include "io/KReadRollback.h"
#include "scene/KRenamingStrategy.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kShadingWireFrame = 1;

} // namespace

// Makes the planned nodes, meshes and materials in the scene, each recorded in the read's
// rollback, which undoes them unless the read commits.
class KReaderDxf::Builder
{
public:
    Builder(KRyvObjectFactory* pFactory, KReadRollback& ioRollback)
        : mFactory(pFactory), mRollback(ioRollback)
    {
    }

    bool Build(std::vector<std::unique_ptr<KDxfNodePlan>>& ioNodes, KRyvNode* pParent)
    {
        for (std::unique_ptr<KDxfNodePlan>& lPlan : ioNodes) {
            if (!BuildNode(*lPlan, pParent)) {
                return false;
            }
        }
        return true;
    }

    // The parent of everything read.
    KRyvNode* AddReferenceNode(const std::string& pName, KRyvNode* pRoot)
    {
        KRyvNode* lNode = mRollback.AddNode(mFactory->CreateNode(pName.c_str()));
        return lNode && pRoot->AddChild(lNode) ? lNode : nullptr;
    }

private:
    bool BuildNode(KDxfNodePlan& ioPlan, KRyvNode* pParent)
    {
        KNamePair lName(ioPlan.mName.c_str());
        mNames.Rename(lName);
        KRyvNode* lNode = mRollback.AddNode(mFactory->CreateNode(lName.GetCurrentName().Buffer()));
        if (!lNode || !pParent->AddChild(lNode)) {
            return false;
        }
        if (!ioPlan.mMesh.IsEmpty()) {
            KRyvMesh* lMesh = BuildMesh(ioPlan.mMesh);
            if (!lMesh) {
                return false;
            }
            // Copied into the mesh: its memory serves the meshes still to come.
            ioPlan.mMesh = KDxfMeshData();
            lNode->SetNodeAttribute(lMesh);
        }
        lNode->SetVisibility(ioPlan.mVisible);
        if (ioPlan.mWireframe) {
            lNode->SetShadingMode(kShadingWireFrame);
        }
        Place(ioPlan, *lNode);
        for (std::unique_ptr<KDxfNodePlan>& lChild : ioPlan.mChildren) {
            if (!BuildNode(*lChild, lNode)) {
                return false;
            }
        }
        return true;
    }

    static void Place(const KDxfNodePlan& pPlan, KRyvNode& ioNode)
    {
        if (!pPlan.mPlaced) {
            return;
        }
        const KVector4& lS = pPlan.mScaling;
        if (lS[0] != 1.0 || lS[1] != 1.0 || lS[2] != 1.0) {
            ioNode.SetLclScaling(lS);
        }
        if (pPlan.mRotation[1] != 0.0) {
            ioNode.SetLclRotation(pPlan.mRotation);
        }
        const KVector4& lT = pPlan.mTranslation;
        if (lT[0] != 0.0 || lT[1] != 0.0 || lT[2] != 0.0) {
            ioNode.SetLclTranslation(lT);
        }
    }

    KRyvMesh* BuildMesh(KDxfMeshData& ioData)
    {
        KRyvMesh* lMesh = static_cast<KRyvMesh*>(mRollback.AddAttribute(mFactory->CreateMesh()));
        if (!lMesh) {
            return nullptr;
        }
        lMesh->GetControlPointArray() = ioData.TakePoints();
        if (ioData.HasColors()) {
            lMesh->InitMaterialIndices(KRyvMesh::eMappingByPolygon);
        }
        int lMaterialOf[KDxfColor::kLastColor + 1];
        std::fill(std::begin(lMaterialOf), std::end(lMaterialOf), -1);
        const std::vector<int>& lIndices = ioData.GetIndices();
        lMesh->ReservePolygons(static_cast<int>(ioData.GetPolygons().size()),
                               static_cast<int>(lIndices.size()));
        for (const KDxfMeshData::Polygon& lPolygon : ioData.GetPolygons()) {
            int lMaterial = -1;
            if (ioData.HasColors()) {
                lMaterial = MaterialIndex(*lMesh, lPolygon.mColor, lMaterialOf);
            }
            lMesh->BeginPolygon(lMaterial);
            for (int i = 0; i < lPolygon.mCount; ++i) {
                lMesh->AddPolygon(lIndices[static_cast<std::size_t>(lPolygon.mFirst + i)]);
            }
        }
        return lMesh;
    }

    // The mesh's material index of a colour; 0 for polygons without a colour.
    int MaterialIndex(KRyvMesh& ioMesh, int pColor, int* ioMaterialOf)
    {
        if (pColor < KDxfColor::kFirstColor || pColor > KDxfColor::kLastColor) {
            return 0;
        }
        int& lIndex = ioMaterialOf[pColor];
        if (lIndex < 0) {
            KRyvMaterial* lMaterial = MaterialOf(pColor);
            const int lAdded = lMaterial ? ioMesh.AddMaterial(lMaterial) : -1;
            lIndex = lAdded < 0 ? 0 : lAdded;
        }
        return lIndex;
    }

    KRyvMaterial* MaterialOf(int pColor)
    {
        KRyvMaterial*& lMaterial = mMaterials[static_cast<std::size_t>(pColor)];
        if (!lMaterial) {
            const std::string lName = "Material" + std::to_string(mMaterialCount++);
            lMaterial = mRollback.AddMaterial(mFactory->CreateMaterial(lName.c_str()));
            if (lMaterial) {
                lMaterial->SetDiffuseColor(KDxfColor::ToRgb(pColor));
            }
        }
        return lMaterial;
    }

    KRyvObjectFactory* mFactory;
    KReadRollback& mRollback;
    KNumberSuffixRenamingStrategy mNames;
    std::vector<KRyvMaterial*> mMaterials = std::vector<KRyvMaterial*>(KDxfColor::kLastColor + 1);
    int mMaterialCount = 0;
};

KReaderDxf::KReaderDxf(KRyvObjectFactory* pOwner) : KReader(pOwner, true) {}

KReaderDxf::~KReaderDxf()
{
    FileClose();
}

std::unique_ptr<KReader> KReaderDxf::Create(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KReaderDxf>(pOwner);
}

bool KReaderDxf::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mSource = std::move(pSource);
    return true;
}

bool KReaderDxf::FileClose()
{
    mSource.reset();
    return true;
}

std::unique_ptr<KStreamOptions> KReaderDxf::GetReadOptions()
{
    return std::make_unique<KStreamOptionsDxf>();
}

bool KReaderDxf::Fail(int pCode, const std::string& pWhy)
{
    const std::string lText =
        GetFileName(mSource->GetName().c_str()).Buffer() + std::string(":") + pWhy;
    GetError().SetLastError(pCode, lText.c_str());
    GetMessage() += (lText + "\n").c_str();
    return false;
}

bool KReaderDxf::Plan(int pMode, bool pWeld, KStreamOptionsDxf& ioOptions,
                      std::vector<std::unique_ptr<KDxfNodePlan>>& oNodes)
{
    // The text lives only here: the plans hold copies of what they need, so the memory of the
    // text is free again before the scene objects take theirs.
    std::rewind(mSource->GetStream());
    KDxfPairs lPairs;
    if (!lPairs.Read(mSource->GetStream())) {
        return Fail(kFileCorrupted, lPairs.GetReason());
    }
    ioOptions.ReportProgress("Reading DXF file", 50.0f);
    KDxfDrawing lDrawing(lPairs, pMode, pWeld);
    const bool lRead = lDrawing.Read(oNodes);
    const std::string lName = GetFileName(mSource->GetName().c_str()).Buffer();
    std::string lWarnings = lDrawing.GetWarnings();
    for (std::size_t lAt = 0; lAt < lWarnings.size();) {
        lWarnings.insert(lAt, lName + ":");
        lAt = lWarnings.find('\n', lAt) + 1;
    }
    GetMessage() += lWarnings.c_str();
    return lRead || Fail(kFileCorrupted, lDrawing.GetReason());
}

bool KReaderDxf::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!mSource) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    if (!pOptions || !pOptions->IsA(KStreamOptionsDxf::ClassId())) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    KRyvNode* lRoot = pScene ? pScene->GetRootNode() : nullptr;
    if (!lRoot) {
        return Fail(kFileCorrupted, " the scene has no root node");
    }
    auto& lOptions = static_cast<KStreamOptionsDxf&>(*pOptions);
    const int lMode = lOptions.GetDerivationMode();
    const bool lWeld = lOptions.GetOptionValue(KStreamOptionsDxf::kWeldVertices) == 1;
    const bool lReference = lOptions.GetOptionValue(KStreamOptionsDxf::kCreateReferenceNode) == 1;
    try {
        std::vector<std::unique_ptr<KDxfNodePlan>> lNodes;
        if (!Plan(lMode, lWeld, lOptions, lNodes)) {
            return false;
        }
        // Declared before the builder and undone by its destructor unless committed: also when
        // an allocation fails on the way.
        KReadRollback lRollback(GetOwner());
        Builder lBuilder(GetOwner(), lRollback);
        KRyvNode* lParent = lRoot;
        if (lReference) {
            const std::string lBase = GetFileName(mSource->GetName().c_str(), false).Buffer();
            lParent = lBuilder.AddReferenceNode(lBase + "_root", lRoot);
        }
        if (!lParent || !lBuilder.Build(lNodes, lParent)) {
            return Fail(kUnidentifiedError, " the scene objects could not be made");
        }
        lRollback.Commit();
        lOptions.ReportProgress("Reading DXF file", 100.0f);
        return true;
    } catch (const std::bad_alloc&) {
        return Fail(kUnidentifiedError, " out of memory");
    }
}
