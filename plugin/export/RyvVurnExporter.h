#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTER_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTER_H

#include "platform/vurn/MSelectionList.h"
#include "plugin/import/KRootNameFilter.h"
#include "plugin/shell/RyvVurnObjectFactory.h"

#include <memory>

class KLog;
class KRyvScene;

// The exporter of one export: its object factory (host id 0) and the kit scene it builds.
// Export runs the driver's frame only: selection, log, joint display scale, image readers,
// characters, the current take "Take 001" and the write; the passes that turn host objects into
// kit nodes are not part of it yet, so the written scene holds the characters and no nodes.
class RyvVurnExporter : public KRootNameFilter
{
public:
    static constexpr const char* kLogFileName = "ryvvurnlog.txt";
    static constexpr const char* kTakeName = "Take 001";

    RyvVurnExporter();
    ~RyvVurnExporter() override;

    // Exports into pFileName; success when the file was written.
    MStatus Export(const char* pFileName);
    MStatus WriteFile(const char* pFileName);

    RyvVurnObjectFactory& GetFactory() { return mFactory; }
    KRyvScene* GetScene() const { return mScene; }
    // 100 times the host's joint display scale, as the last Export found it.
    double GetJointDisplayScale() const { return mJointDisplayScale; }

private:
    void QueryJointDisplayScale();

    RyvVurnObjectFactory mFactory;
    KRyvScene* mScene = nullptr;
    KRyvNode* mRootNode = nullptr;
    std::unique_ptr<MSelectionList> mSelection;
    std::unique_ptr<KLog> mLog;
    double mJointDisplayScale = 0.0;
};

#endif
