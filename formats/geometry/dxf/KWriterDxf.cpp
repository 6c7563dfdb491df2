#include "formats/geometry/dxf/KWriterDxf.h"

#include "formats/geometry/KMeshDeformation.h"
#include "formats/geometry/KSceneGeometry.h"
#include "formats/geometry/dxf/KDxfColor.h"
#include "formats/geometry/dxf/KDxfGroupWriter.h"
#include "formats/geometry/dxf/KDxfLayerNames.h"
#include "formats/geometry/dxf/KStreamOptionsDxf.h"
#include "io/KNodeWalk.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KPolygonSplitter.h"
#include "scene/objects/KRyvGeometryConverter.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPatch.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The colour of a hidden layer without material: white, so that the sign can say "hidden".
constexpr int kHiddenPlainColor = 7;
constexpr int kMaxCornersPerRecord = 4;
// Further records of a split polygon repeat its colour after a single blank.
constexpr std::size_t kRepeatedColorBlanks = 1;

// One mesh node to write: the mesh is the node's own or a converted copy (owned by the
// factory until the write ends).
struct KDxfMeshNode
{
    KRyvNode* mNode = nullptr;
    KRyvMesh* mMesh = nullptr;
    bool mConverted = false;
    int mColor = 0; // the layer's (LayerColor); 0 without materials
    std::string mLayer;
    std::string mKey; // of mLayer, as readers compare and sort layer names
};

} // namespace

// One Write.
class KWriterDxf::Session
{
public:
    Session(KWriterDxf& ioWriter, bool pTriangulate, bool pDeform)
        : mFactory(ioWriter.GetOwner()), mTriangulate(pTriangulate), mDeform(pDeform),
          mOut(ioWriter.mStream)
    {
    }

    ~Session()
    {
        for (KDxfMeshNode& lEntry : mMeshes) {
            if (lEntry.mConverted) {
                mFactory->DestroyNodeAttribute(lEntry.mMesh);
            }
        }
    }

    bool Run(KRyvScene& pScene)
    {
        KRyvNode* lRoot = pScene.GetRootNode();
        std::vector<KRyvNode*> lNodes;
        CollectNodesDepthFirst(lRoot, false, lNodes);
        for (KRyvNode* lNode : lNodes) {
            CollectMesh(lNode);
        }
        // In the order a reader gives the layers back, so that a file read and written again
        // is the same.
        std::sort(mMeshes.begin(), mMeshes.end(),
                  [](const KDxfMeshNode& pA, const KDxfMeshNode& pB) { return pA.mKey < pB.mKey; });
        WriteHeader();
        WriteTables(lRoot && lRoot->GetChildCount() > 0);
        Group(0, "SECTION");
        Group(2, "BLOCKS");
        Group(0, "ENDSEC");
        Group(0, "SECTION");
        Group(2, "ENTITIES");
        for (std::size_t i = 0; i < mMeshes.size() && mNotFinite.empty(); ++i) {
            WritePolyfaceMesh(mMeshes[i]);
        }
        Group(0, "ENDSEC");
        Group(0, "EOF");
        return mNotFinite.empty() && mOut.Finish();
    }

    // The layer of the first point found not finite (the write is then refused); empty when
    // every point was.
    const std::string& NotFiniteLayer() const { return mNotFinite; }

private:
    void CollectMesh(KRyvNode* pNode)
    {
        KDxfMeshNode lEntry;
        lEntry.mNode = pNode;
        KRyvGeometryConverter lConverter(mFactory);
        KRyvMesh* lOwn = static_cast<KRyvMesh*>(pNode->GetMesh());
        if (pNode->GetNurb()) {
            lEntry.mMesh = lConverter.ConvertNurbToMesh(static_cast<KRyvNurb*>(pNode->GetNurb()));
        } else if (pNode->GetPatch()) {
            lEntry.mMesh =
                lConverter.ConvertPatchToMesh(static_cast<KRyvPatch*>(pNode->GetPatch()));
        } else if (lOwn && mTriangulate) {
            lEntry.mMesh = lConverter.TriangulateMesh(lOwn);
        }
        lEntry.mConverted = lEntry.mMesh != nullptr;
        if (!lEntry.mMesh) {
            lEntry.mMesh = lOwn;
        }
        if (!lEntry.mMesh) {
            return;
        }
        lEntry.mColor = LayerColor(*lEntry.mMesh);
        lEntry.mLayer = mLayerNames.Add(pNode->GetNameWithoutPrefix().Buffer());
        lEntry.mKey = KDxfLayerNames::Key(lEntry.mLayer);
        mMeshes.push_back(std::move(lEntry));
    }

    // The colour of the mesh's last material; with materials by polygon, the colour that the
    // polygons use first last instead: a reader adds a material per colour as the polygons
    // first use it, and so ends on that one. 0 without materials.
    static int LayerColor(KRyvMesh& pMesh)
    {
        const int lMaterials = pMesh.GetMaterialCount();
        if (lMaterials == 0) {
            return 0;
        }
        if (pMesh.GetMaterialMappingMode() != KRyvMesh::eMappingByPolygon) {
            return ColorOf(pMesh.GetMaterial(lMaterials - 1));
        }
        const MaterialColors lColors = ColorsOf(pMesh);
        bool lUsed[KDxfColor::kLastColor + 1] = {};
        int lLast = ColorOf(pMesh.GetMaterial(lMaterials - 1));
        for (int p = 0; p < pMesh.GetPolygonCount(); ++p) {
            const int lColor = MaterialColor(pMesh, lColors, static_cast<std::size_t>(p));
            if (lColor >= KDxfColor::kFirstColor && lColor <= KDxfColor::kLastColor &&
                !lUsed[lColor]) {
                lUsed[lColor] = true;
                lLast = lColor;
            }
        }
        return lLast;
    }

    static int ColorOf(KRyvMaterial* pMaterial)
    {
        return pMaterial ? KDxfColor::FromRgb(pMaterial->GetDiffuseColor()) : 0;
    }

    // The colour of each of the mesh's materials, looked up once: a material finds its colour
    // through its properties by name, too slow to do for every point or polygon.
    struct MaterialColors
    {
        std::vector<int> mColors;
        const std::vector<int>* mIndexes = nullptr; // by point or polygon; null without
    };

    static MaterialColors ColorsOf(KRyvMesh& pMesh)
    {
        MaterialColors lColors;
        for (int i = 0; i < pMesh.GetMaterialCount(); ++i) {
            lColors.mColors.push_back(ColorOf(pMesh.GetMaterial(i)));
        }
        const KLayer* lLayer = pMesh.GetLayer(0);
        const KLayerElementMaterial* lElement = lLayer ? lLayer->GetMaterials() : nullptr;
        if (lElement) {
            lColors.mIndexes = &lElement->GetIndexArray();
        }
        return lColors;
    }

    void WriteHeader()
    {
        Group(999, "Zembrol Dxf writer for RYV");
        Group(0, "SECTION");
        Group(2, "HEADER");
        Group(9, "$ACADVER");
        Group(1, "AC1008");
        Variable("$UCSORG", "0.0", "0.0", "0.0");
        Variable("$UCSXDIR", "1.0", "0.0", "0.0");
        Group(9, "$TILEMODE");
        Group(70, "   1");
        Variable("$UCSYDIR", "0.0", "1.0", "0.0");
        Group(0, "ENDSEC");
    }

    // pName null: the point alone, as entities carry one.
    void Variable(const char* pName, const char* pX, const char* pY, const char* pZ)
    {
        if (pName) {
            Group(9, pName);
        }
        Group(10, pX);
        Group(20, pY);
        Group(30, pZ);
    }

    void WriteTables(bool pAnyNode)
    {
        Group(0, "SECTION");
        Group(2, "TABLES");
        if (pAnyNode) {
            Group(0, "TABLE");
            Group(2, "LTYPE");
            Integer(70, 1);
            Group(0, "LTYPE");
            Group(2, "CONTINUOUS");
            Group(70, "   64");
            Group(3, "Solid line");
            Group(72, "   65");
            Group(73, "   0");
            Group(40, "0.0");
            Group(0, "ENDTAB");
            Group(0, "TABLE");
            Group(2, "LAYER");
            Integer(70, static_cast<int>(mMeshes.size()));
            for (const KDxfMeshNode& lEntry : mMeshes) {
                WriteLayer(lEntry);
            }
            Group(0, "ENDTAB");
        }
        Group(0, "ENDSEC");
    }

    void WriteLayer(const KDxfMeshNode& pEntry)
    {
        int lColor = pEntry.mColor;
        if (!pEntry.mNode->GetVisibility()) {
            lColor = -(lColor == 0 ? kHiddenPlainColor : lColor);
        }
        Group(0, "LAYER");
        Group(2, pEntry.mLayer);
        Group(70, "   0");
        Integer(62, lColor);
        Group(6, "CONTINUOUS");
    }

    void WritePolyfaceMesh(const KDxfMeshNode& pEntry)
    {
        KRyvMesh& lMesh = *pEntry.mMesh;
        const std::string& lLayer = pEntry.mLayer;
        const MaterialColors lColors = ColorsOf(lMesh);
        std::vector<int> lIndexes;
        std::vector<int> lStarts;
        FaceRecords(lMesh, lIndexes, lStarts);
        Group(0, "POLYLINE");
        Group(8, lLayer);
        if (lMesh.GetMaterialCount() > 0) {
            Integer(62, pEntry.mColor);
        }
        Group(66, "   1");
        Variable(nullptr, "0.0", "0.0", "0.0");
        Group(70, "   64");
        Integer(71, lMesh.GetControlPointCount());
        Integer(72, static_cast<int>(mRecordCount));
        WriteVertices(pEntry, lLayer, lColors);
        WriteFaces(pEntry, lLayer, lColors, lIndexes, lStarts);
        Group(0, "SEQEND");
    }

    void WriteVertices(const KDxfMeshNode& pEntry, const std::string& pLayer,
                       const MaterialColors& pColors)
    {
        KRyvMesh& lMesh = *pEntry.mMesh;
        const KAffineMatrix lGlobal = KMeshDeformation::GlobalTransform(pEntry.mNode);
        // The points are copied only to be posed.
        std::vector<KVector4> lPosed;
        const bool lPose = mDeform && (lMesh.GetShapeCount() > 0 || lMesh.GetLinkCount() > 0);
        if (lPose) {
            lPosed = lMesh.GetControlPointArray();
            KRyvGeometry* lGeometry = static_cast<KRyvGeometry*>(pEntry.mNode->GetGeometry());
            std::vector<double> lWeights;
            for (int s = 0; lGeometry && s < lGeometry->GetShapeCount(); ++s) {
                lWeights.push_back(lGeometry->GetShapeValue(s));
            }
            std::vector<int> lPointOf(lPosed.size());
            for (std::size_t i = 0; i < lPointOf.size(); ++i) {
                lPointOf[i] = static_cast<int>(i);
            }
            KMeshDeformation::Apply(lMesh, lWeights, lPosed, lPointOf, lGlobal);
        }
        const std::vector<KVector4>& lPoints = lPose ? lPosed : lMesh.GetControlPointArray();
        const bool lByPoint = lMesh.GetMaterialCount() > 0 &&
                              lMesh.GetMaterialMappingMode() == KRyvMesh::eMappingByControlPoint;
        // The groups every vertex repeats, formatted once.
        const std::string lHead =
            KDxfGroupWriter::GroupText(0, "VERTEX") + KDxfGroupWriter::GroupText(8, pLayer);
        const std::string lFlags = KDxfGroupWriter::GroupText(70, "   192");
        for (std::size_t i = 0; i < lPoints.size(); ++i) {
            const KVector4 lWorld = lGlobal.MultT(lPoints[i]);
            // No number a DXF reader takes stands for these: the point would be lost.
            if (!IsFinitePoint(lWorld)) {
                mNotFinite = pLayer;
                return;
            }
            mOut.Text(lHead);
            if (lByPoint) {
                Integer(62, MaterialColor(lMesh, pColors, i));
            }
            mOut.Coordinate(10, lWorld[0]);
            mOut.Coordinate(20, -lWorld[2]);
            mOut.Coordinate(30, lWorld[1]);
            mOut.Text(lFlags);
        }
    }

    // Each polygon's face records, one-based indexes in the order written (reversed), in
    // oIndexes from oStarts[p] to oStarts[p + 1]; polygons of 5 or more corners become n - 2
    // triangles. mRecordCount receives their number.
    void FaceRecords(KRyvMesh& pMesh, std::vector<int>& oIndexes, std::vector<int>& oStarts)
    {
        oStarts.assign(1, 0);
        oStarts.reserve(static_cast<std::size_t>(pMesh.GetPolygonCount()) + 1);
        // Exact unless polygons are split.
        oIndexes.reserve(static_cast<std::size_t>(pMesh.GetPolygonVertexCount()));
        mRecordCount = 0;
        for (int p = 0; p < pMesh.GetPolygonCount(); ++p) {
            const int lSize = pMesh.GetPolygonSize(p);
            if (lSize > kMaxCornersPerRecord) {
                SplitRecords(pMesh, p, lSize, oIndexes);
            } else if (lSize > 0) {
                // One record, its corners last to first.
                for (int k = lSize; k-- > 0;) {
                    oIndexes.push_back(pMesh.GetPolygonVertex(p, k) + 1);
                }
                ++mRecordCount;
            }
            oStarts.push_back(static_cast<int>(oIndexes.size()));
        }
    }

    // The triangles that cover a polygon of 5 or more corners, each last to first.
    void SplitRecords(KRyvMesh& pMesh, int pPolygon, int pSize, std::vector<int>& ioIndexes)
    {
        constexpr std::size_t kTriangle = 3;
        mVertices.clear();
        for (int k = 0; k < pSize; ++k) {
            mVertices.push_back(pMesh.GetPolygonVertex(pPolygon, k));
        }
        mCorners.clear();
        mSplitter.Split(pMesh.GetControlPointArray(), mVertices.data(), pSize, mCorners);
        for (std::size_t c = 0; c + kTriangle <= mCorners.size(); c += kTriangle) {
            for (std::size_t k = kTriangle; k-- > 0;) {
                ioIndexes.push_back(mVertices[static_cast<std::size_t>(mCorners[c + k])] + 1);
            }
            ++mRecordCount;
        }
    }

    void WriteFaces(const KDxfMeshNode& pEntry, const std::string& pLayer,
                    const MaterialColors& pColors, const std::vector<int>& pIndexes,
                    const std::vector<int>& pStarts)
    {
        KRyvMesh& lMesh = *pEntry.mMesh;
        const bool lByPolygon = lMesh.GetMaterialCount() > 0 &&
                                lMesh.GetMaterialMappingMode() == KRyvMesh::eMappingByPolygon;
        // The groups every face record repeats, formatted once.
        const std::string lHead =
            KDxfGroupWriter::GroupText(0, "VERTEX") + KDxfGroupWriter::GroupText(8, pLayer);
        const std::string lFlags =
            KDxfGroupWriter::GroupText(10, "0.0") + KDxfGroupWriter::GroupText(20, "0.0") +
            KDxfGroupWriter::GroupText(30, "0.0") + KDxfGroupWriter::GroupText(70, "   128");
        for (std::size_t p = 0; p + 1 < pStarts.size(); ++p) {
            const std::size_t lFirst = static_cast<std::size_t>(pStarts[p]);
            const std::size_t lCount = static_cast<std::size_t>(pStarts[p + 1]) - lFirst;
            const int lColor = lByPolygon ? MaterialColor(lMesh, pColors, p) : pEntry.mColor;
            const bool lSplit = lMesh.GetPolygonSize(static_cast<int>(p)) > kMaxCornersPerRecord;
            const std::size_t lPerRecord = lSplit ? 3 : lCount;
            for (std::size_t c = 0; c < lCount; c += lPerRecord) {
                mOut.Text(lHead);
                if (c == 0 && (lByPolygon || lColor > 0)) {
                    Integer(62, lColor);
                } else if (c > 0 && lColor > 0) {
                    mOut.Integer(62, lColor, kRepeatedColorBlanks);
                }
                mOut.Text(lFlags);
                for (std::size_t k = 0; k < lPerRecord; ++k) {
                    Integer(71 + static_cast<int>(k), pIndexes[lFirst + c + k]);
                }
            }
        }
    }

    // The colour of the material that the index array gives element pIndex; 0 when none.
    static int MaterialColor(KRyvMesh& pMesh, const MaterialColors& pColors, std::size_t pIndex)
    {
        if (!pColors.mIndexes || pIndex >= pColors.mIndexes->size()) {
            return 0;
        }
        const int lMaterial = (*pColors.mIndexes)[pIndex];
        if (lMaterial >= 0 && static_cast<std::size_t>(lMaterial) < pColors.mColors.size()) {
            return pColors.mColors[static_cast<std::size_t>(lMaterial)];
        }
        return ColorOf(pMesh.GetMaterial(lMaterial));
    }

    void Group(int pCode, std::string_view pValue) { mOut.Group(pCode, pValue); }
    void Integer(int pCode, int pValue) { mOut.Integer(pCode, pValue); }

    KRyvObjectFactory* mFactory;
    bool mTriangulate;
    bool mDeform;
    KDxfGroupWriter mOut;
    std::vector<KDxfMeshNode> mMeshes;
    KDxfLayerNames mLayerNames;
    KPolygonSplitter mSplitter;
    // A split polygon's points and the splitter's corners, kept for the next one.
    std::vector<int> mVertices;
    std::vector<int> mCorners;
    std::size_t mRecordCount = 0;
    std::string mNotFinite;
};

KWriterDxf::KWriterDxf(KRyvObjectFactory* pOwner) : KWriter(pOwner) {}

KWriterDxf::~KWriterDxf()
{
    FileClose();
}

std::unique_ptr<KWriter> KWriterDxf::Create(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterDxf>(pOwner);
}

bool KWriterDxf::FileCreate(const char* pFileName)
{
    FileClose();
    errno = 0;
    if (!pFileName || !mOutput.Create(pFileName)) {
        return FailCreate(kFileNotOpened, pFileName);
    }
    mStream = mOutput.GetStream();
    return true;
}

bool KWriterDxf::FileClose()
{
    mOutput.Discard();
    mStream = nullptr;
    return true;
}

const char* KWriterDxf::FindMissingContent(KRyvScene* pScene)
{
    return FindMissingGeometry(pScene);
}

std::unique_ptr<KStreamOptions> KWriterDxf::GetWriteOptions()
{
    return std::make_unique<KStreamOptionsDxf>();
}

bool KWriterDxf::Write(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!pOptions || !pOptions->IsA(KStreamOptionsDxf::ClassId())) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    if (!mStream || !pScene) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    const auto& lOptions = static_cast<const KStreamOptionsDxf&>(*pOptions);
    try {
        Session lSession(*this,
                         lOptions.GetOptionValue(KStreamOptionsDxf::kForceTriangulation) == 1,
                         lOptions.GetOptionValue(KStreamOptionsDxf::kEvaluateDeformations) == 1);
        lOptions.ReportProgress("Writing DXF file", 0.0f);
        KMeshDeformation::ComputeGlobalTransforms(pScene->GetRootNode());
        const bool lWritten = lSession.Run(*pScene) && mOutput.Commit();
        if (!lSession.NotFiniteLayer().empty()) {
            // Layers are named after their nodes.
            FailNotFinitePoint(lSession.NotFiniteLayer().c_str());
        } else if (!lWritten) {
            GetError().SetLastErrorID(kOutOfDiskSpace);
        }
        FileClose();
        lOptions.ReportProgress("Writing DXF file", 100.0f);
        return lWritten;
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
}
