#ifndef RYVKIT_TESTS_PLUGIN_EXPORT_EXPORTTESTSUPPORT_H
#define RYVKIT_TESTS_PLUGIN_EXPORT_EXPORTTESTSUPPORT_H

#include "core/KLog.h"
#include "platform/vurn/MDagPath.h"
#include "platform/vurn/VurnFixtures.h"
#include "platform/vurn/VurnScene.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/plugin/export/ExportReadBack.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

// A fresh host scene, the export options at their defaults with dialogs off, and the export
// log in a folder of the test's own.
class ExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VurnScene::Reset();
        GetOptionStore().ResetToDefaults();
        GetOptionStore().SetBool(kExportShowUI, false);
        KLog::SetModuleFolder(mFolder.Path().c_str());
    }
    void TearDown() override
    {
        GetOptionStore().ResetToDefaults();
        KLog::SetModuleFolder("");
    }

    static VurnScene& Scene() { return VurnScene::Get(); }

    static MDagPath PathOf(int pNode)
    {
        MDagPath lPath;
        MDagPath::getAPathTo(MObject::node(pNode), lPath);
        return lPath;
    }

    // The lines the export logs wrote, header lines included.
    std::vector<std::string> LogLines() const
    {
        std::istringstream lIn(TempFolder::Read(mFolder.PathOf(RyvVurnExporter::kLogFileName)));
        std::vector<std::string> lLines;
        for (std::string lLine; std::getline(lIn, lLine);) {
            lLines.push_back(lLine);
        }
        return lLines;
    }

    bool Logged(const std::string& pLine) const
    {
        for (const std::string& lLine : LogLines()) {
            if (lLine == pLine) {
                return true;
            }
        }
        return false;
    }

    // The node named "Model::" + pName below pRoot (depth first); null when none.
    static KRyvNode* Find(KRyvNode* pRoot, const char* pName)
    {
        const std::string lName = std::string("Model::") + pName;
        if (pRoot && lName == pRoot->GetName().Buffer()) {
            return pRoot;
        }
        for (int lIndex = 0; pRoot && lIndex < pRoot->GetChildCount(); ++lIndex) {
            if (KRyvNode* lFound = Find(pRoot->GetChild(lIndex), pName)) {
                return lFound;
            }
        }
        return nullptr;
    }

    // Exports the host scene into pName (in the test's folder) and reads the file into a scene
    // of ioFactory; null when either fails.
    KRyvScene* ExportAndReadBack(KRyvObjectFactory& ioFactory, const char* pName) const
    {
        return ::ExportAndReadBack(ioFactory, mFolder.PathOf(pName));
    }

    TempFolder mFolder;
};

#endif
