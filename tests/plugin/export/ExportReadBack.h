#ifndef RYVKIT_TESTS_PLUGIN_EXPORT_EXPORTREADBACK_H
#define RYVKIT_TESTS_PLUGIN_EXPORT_EXPORTREADBACK_H

#include "animation/KFCurve.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "plugin/export/RyvVurnExporter.h"
#include "scene/KRyvScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

// Reads pFile into a scene of ioFactory, as a user of the file would; null when the read fails.
inline KRyvScene* ReadBack(KRyvObjectFactory& ioFactory, const std::string& pFile)
{
    KImporter lImporter(&ioFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
    KRyvScene* lScene = ioFactory.CreateScene();
    KStreamOptionsRyv lOptions;
    const bool lRead = lImporter.Initialize(pFile.c_str()) && lImporter.Import(lScene, &lOptions);
    return lRead ? lScene : nullptr;
}

// Exports the host scene into pFile and reads the file back; null when either fails.
inline KRyvScene* ExportAndReadBack(KRyvObjectFactory& ioFactory, const std::string& pFile)
{
    RyvVurnExporter lExporter;
    return lExporter.Export(pFile.c_str()) ? ReadBack(ioFactory, pFile) : nullptr;
}

// A kit curve against the host's own evaluation of the curve on pPlug of pNode, times pFactor,
// in the middle of each of the first 60 frames at 30 per second (so that a step is never sampled
// on its key). The tolerance grows with the factor: the file holds single-precision values.
inline void ExpectSameCurve(const KFCurve* pKit, int pNode, const char* pPlug, double pFactor)
{
    ASSERT_NE(pKit, nullptr);
    MStatus lStatus;
    const MFnAnimCurve lHost(MFnDependencyNode(MObject::node(pNode)).findPlug(pPlug), &lStatus);
    ASSERT_TRUE(lStatus);
    const double lTolerance = 1e-4 * std::max(1.0, std::fabs(pFactor));
    for (int lSample = 0; lSample < 60; ++lSample) {
        KTime lTime;
        lTime.SetSecondDouble((lSample + 0.5) / 30.0);
        EXPECT_NEAR(pKit->Evaluate(lTime), lHost.evaluate(MTime(lTime.GetSecondDouble())) * pFactor,
                    lTolerance)
            << pPlug << " at frame " << lSample;
    }
}

#endif
