#ifndef RYVKIT_TESTS_PLUGIN_EXPORT_DEFORMEREXPORTTESTSUPPORT_H
#define RYVKIT_TESTS_PLUGIN_EXPORT_DEFORMEREXPORTTESTSUPPORT_H

#include "core/KMatrix.h"
#include "plugin/export/RyvVurnDeformerSteps.h"
#include "scene/objects/KRyvGeometry.h"
#include "scene/objects/KRyvLink.h"
#include "tests/plugin/export/GeometryExportTestSupport.h"

#include <algorithm>
#include <string>
#include <vector>

// The deformer exports run after the geometry and hierarchy passes of the test's exporter,
// with helpers to read the links they leave.
class DeformerExportTest : public GeometryExportTest
{
protected:
    KRyvGeometry* GeometryOf(const char* pName) { return FindGeometry(Node(pName)); }
    // The passes that run before the deformer exports: geometry, hierarchy and animation (which
    // sets the nodes' transforms), on pExporter (the test's own by default).
    void WalkAndAnimate(RyvVurnExporter* pExporter = nullptr)
    {
        RyvVurnExporter& lExporter = pExporter ? *pExporter : mExporter;
        Walk(&lExporter);
        lExporter.ExportAnimation(lExporter.GetRootNode());
    }
    // The indices and weights of pLink as (index, weight) pairs, in order.
    static std::vector<std::pair<int, double>> Weights(KRyvLink* pLink)
    {
        std::vector<std::pair<int, double>> lPairs;
        for (int lIndex = 0; lIndex < pLink->GetControlPointIndicesCount(); ++lIndex) {
            lPairs.emplace_back(pLink->GetControlPointIndices()[lIndex],
                                pLink->GetControlPointWeights()[lIndex]);
        }
        return lPairs;
    }
    static void ExpectTranslation(const KMatrix& pMatrix, double pX, double pY, double pZ)
    {
        EXPECT_NEAR(pMatrix.Get(3, 0), pX, 1e-9);
        EXPECT_NEAR(pMatrix.Get(3, 1), pY, 1e-9);
        EXPECT_NEAR(pMatrix.Get(3, 2), pZ, 1e-9);
    }
    static void ExpectMatrixNear(const KMatrix& pActual, const KMatrix& pExpected,
                                 double pTolerance)
    {
        for (int lElement = 0; lElement < 16; ++lElement) {
            EXPECT_NEAR(pActual.Get(lElement / 4, lElement % 4),
                        pExpected.Get(lElement / 4, lElement % 4), pTolerance)
                << "element " << lElement;
        }
    }
};

#endif
