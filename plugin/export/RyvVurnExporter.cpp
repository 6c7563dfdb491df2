#include "plugin/export/RyvVurnExporter.h"

#include "core/KLog.h"
#include "io/KExporter.h"
#include "platform/vurn/MGlobal.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "plugin/shell/RyvVurnSceneServices.h"
#include "scene/KRyvScene.h"

#include <cmath>
#include <string>

namespace {
constexpr double kSmallestJointScale = 1e-7;
constexpr double kJointScaleFactor = 100.0;
constexpr int kNativeBinaryFormat = 0;
constexpr const char* kExportFailed = "File Export Failed.";
} // namespace

RyvVurnExporter::RyvVurnExporter() : mFactory(0)
{
    mScene = mFactory.CreateScene();
    mRootNode = mScene ? mScene->GetRootNode() : nullptr;
}

RyvVurnExporter::~RyvVurnExporter() = default;

void RyvVurnExporter::QueryJointDisplayScale()
{
    double lScale = 1.0;
    if (!MGlobal::executeCommand("jointDisplayScale -q -a", lScale)) {
        lScale = 1.0;
    } else if (lScale < kSmallestJointScale) {
        lScale = kSmallestJointScale;
    }
    mJointDisplayScale = kJointScaleFactor * lScale;
}

MStatus RyvVurnExporter::Export(const char* pFileName)
{
    const std::string lFileName = pFileName ? pFileName : "";
    if (GetOptionStore().GetBool(kExportSelectionOnly)) {
        mSelection = std::make_unique<MSelectionList>();
        MGlobal::getActiveSelectionList(*mSelection);
    }
    mLog = std::make_unique<KLog>(kLogFileName, ("File Export : " + lFileName).c_str(), true, true);
    QueryJointDisplayScale();
    InstallImageReaders(mFactory);
    ExportCharacters(mScene);
    MStatus lStatus = WriteFile(lFileName.c_str());
    if (!lStatus) {
        mLog->AddLine(kExportFailed);
    }
    mSelection.reset();
    mLog.reset();
    return lStatus;
}

MStatus RyvVurnExporter::WriteFile(const char* pFileName)
{
    if (!mScene) {
        return MStatus(MStatus::kFailure, "no scene");
    }
    mScene->SetCurrentTake(kTakeName);
    KExporter* lExporter = mFactory.CreateExporter();
    if (!lExporter) {
        return MStatus(MStatus::kFailure, "no exporter");
    }
    lExporter->Initialize(pFileName);
    lExporter->SetWriteFlag(KExporter::kWriteFlagEmbedMedia,
                            GetOptionStore().GetBool(kExportEmbedTextures));
    lExporter->SetFileFormat(kNativeBinaryFormat);
    if (!lExporter->Export(mScene, nullptr)) {
        return MStatus(MStatus::kFailure, lExporter->GetError().GetLastErrorString().Buffer());
    }
    return MStatus();
}
