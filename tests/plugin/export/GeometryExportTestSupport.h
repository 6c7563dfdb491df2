#ifndef RYVKIT_TESTS_PLUGIN_EXPORT_GEOMETRYEXPORTTESTSUPPORT_H
#define RYVKIT_TESTS_PLUGIN_EXPORT_GEOMETRYEXPORTTESTSUPPORT_H

#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/MFnSet.h"
#include "tests/plugin/export/ExportTestSupport.h"

#include <algorithm>

// The geometry and appearance export run as the geometry and hierarchy passes, on host scenes
// built by the test, with helpers for shading networks and the host's command record.
class GeometryExportTest : public ExportTest
{
protected:
    void TearDown() override
    {
        mExporter.EndSteps();
        ExportTest::TearDown();
    }

    // The geometry and hierarchy passes of pExporter (the test's own by default); the caller
    // ends the steps of an exporter of its own.
    void Walk(RyvVurnExporter* pExporter = nullptr)
    {
        RyvVurnExporter& lExporter = pExporter ? *pExporter : mExporter;
        lExporter.BeginSteps("geometry");
        lExporter.ExportGeometry(RyvVurnExporter::kWalkDepthFirst, RyvVurnExporter::kWalkEveryType);
        lExporter.ExportHierarchy(RyvVurnExporter::kWalkDepthFirst,
                                  RyvVurnExporter::kWalkEveryType);
    }

    KRyvNode* Node(const char* pName) { return Find(mExporter.GetRootNode(), pName); }

    static VurnMeshData& MeshOf(int pTransform)
    {
        return *Scene().MutableNode(VurnFixtures::ShapeOf(pTransform))->mMesh;
    }

    // A phong pName with a shading group "<pName>SG" holding the faces pFaces of pTransform's
    // shape (the whole shape when empty). Answers the phong.
    static int Shade(const std::string& pName, int pTransform, const std::vector<int>& pFaces = {})
    {
        const int lPhong = Scene().CreateNode(MFn::kPhong, pName);
        const int lGroup = Scene().CreateNode(MFn::kSet, pName + "SG");
        Scene().MutableNode(lGroup)->mSet = std::make_shared<VurnSetData>();
        Scene().MutableNode(lGroup)->mSet->mRestriction = MFnSet::kRenderableOnly;
        Scene().Connect(lPhong, "outColor", lGroup, "surfaceShader");
        MObject lFaces;
        if (!pFaces.empty()) {
            MFnSingleIndexedComponent lComponent;
            lFaces = lComponent.create(MFn::kMeshPolygonComponent);
            for (int lFace : pFaces) {
                lComponent.addElement(lFace);
            }
        }
        MFnSet(MObject::node(lGroup)).addMember(PathOf(VurnFixtures::ShapeOf(pTransform)), lFaces);
        return lPhong;
    }

    // The number of recorded host commands that start with pPrefix.
    static int Commands(const std::string& pPrefix)
    {
        const std::vector<std::string>& lAll = Scene().GetCommands();
        return static_cast<int>(std::count_if(lAll.begin(), lAll.end(), [&](const std::string& p) {
            return p.compare(0, pPrefix.size(), pPrefix) == 0;
        }));
    }

    RyvVurnExporter mExporter;
};

#endif
