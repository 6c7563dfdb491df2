#include "io/KReader.h"

#include "io/KNodeWalk.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kReaderErrors[KReader::kErrorCount] = {"File is corrupted",
                                                         "File version is not supported yet",
                                                         "File version is not supported anymore",
                                                         "File not opened",
                                                         "File not created",
                                                         "Wrong password",
                                                         "Stream options not set",
                                                         "Unidentified error"};

} // namespace

KReader::KReader(KRyvObjectFactory* pOwner) : mOwner(pOwner), mError(kReaderErrors, kErrorCount) {}

KReader::~KReader() = default;

void KReader::AddCompanionFile(const std::string& pPath)
{
    if (std::find(mCompanionFiles.begin(), mCompanionFiles.end(), pPath) == mCompanionFiles.end()) {
        mCompanionFiles.push_back(pPath);
    }
}

bool KReader::ReportDuplicateNames(KRyvNode* pNode, KString& ioMessage)
{
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(pNode, false, lNodes);

    std::map<std::string, int> lCounts;
    for (KRyvNode* lNode : lNodes) {
        const KString& lName = lNode->GetName();
        ++lCounts[std::string(lName.Buffer(), lName.GetLen())];
    }
    bool lUnique = true;
    for (KRyvNode* lNode : lNodes) {
        const KString& lName = lNode->GetName();
        auto lFound = lCounts.find(std::string(lName.Buffer(), lName.GetLen()));
        // A count set to 0 marks a name reported already.
        if (lFound->second > 1) {
            ioMessage += "\n    ";
            ioMessage += lNode->GetNameWithoutPrefix();
            lFound->second = 0;
            lUnique = false;
        }
    }
    return lUnique;
}
