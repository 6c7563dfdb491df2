#include "formats/motion/asf-amc/KWriterAsf.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KAsfFile.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <cctype>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

bool StartsWithNoCase(const std::string& pText, const char* pPrefix)
{
    const std::size_t lLength = std::strlen(pPrefix);
    if (pText.size() < lLength) {
        return false;
    }
    for (std::size_t i = 0; i < lLength; ++i) {
        if (std::tolower(static_cast<unsigned char>(pText[i])) != pPrefix[i]) {
            return false;
        }
    }
    return true;
}

// Names the readers split, take for a keyword, a comment or a frame line, or cut.
bool IsWritableName(const std::string& pName)
{
    if (pName.empty() || pName.size() > KWriterAsf::kMaxNameLength ||
        pName.find_first_of(" \t\r\n,()") != std::string::npos || pName[0] == '#' ||
        pName[0] == ':' || StartsWithNoCase(pName, "begin") || StartsWithNoCase(pName, "end")) {
        return false;
    }
    return KMotionNumber::ScanDecimal(pName.data(), pName.data() + pName.size()) == 0;
}

std::vector<KRyvNode*> NodesBelow(KRyvNode* pRoot)
{
    std::vector<KRyvNode*> lNodes;
    std::vector<KRyvNode*> lStack{pRoot};
    while (!lStack.empty()) {
        KRyvNode* lNode = lStack.back();
        lStack.pop_back();
        if (lNode != pRoot) {
            lNodes.push_back(lNode);
        }
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lStack.push_back(lNode->GetChild(i));
        }
    }
    return lNodes;
}

} // namespace

KWriterAsf::KWriterAsf(KRyvObjectFactory* pOwner) : KMotionTextWriter(pOwner) {}

KWriterAsf::~KWriterAsf() = default;

std::unique_ptr<KWriter> KWriterAsf::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterAsf(pOwner));
}

std::unique_ptr<KTextFile> KWriterAsf::NewFile() const
{
    return std::make_unique<KAsfFile>(false);
}

bool KWriterAsf::WritesFrames() const
{
    return false;
}

KAsfFile& KWriterAsf::File() const
{
    return *static_cast<KAsfFile*>(GetFile());
}

std::unique_ptr<KStreamOptions> KWriterAsf::MakeWriteOptions()
{
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    if (!lOptions) {
        return nullptr;
    }
    lOptions->SetOption(kOptionTranslationDofs, 0);
    lOptions->SetOption(kOptionReference, 0);
    lOptions->SetOption(kOptionWritten, 1);
    lOptions->SetOption(kOptionWriteRate, 1);
    lOptions->SetOption(kOptionWriteRange, 0);
    return std::unique_ptr<KStreamOptions>(lOptions.release());
}

std::unique_ptr<KStreamOptions> KWriterAsf::GetWriteOptions()
{
    return MakeWriteOptions();
}

const char* KWriterAsf::FindMissingContent(KRyvScene* pScene)
{
    return pScene && FindReferenceNode(pScene->GetRootNode()) ? nullptr
                                                              : "no skeleton under a single root";
}

bool KWriterAsf::CheckAsfNames(KRyvNode* pRoot, KString& ioMessage)
{
    bool lWritable = true;
    for (KRyvNode* lNode : NodesBelow(pRoot)) {
        const KString lName = lNode->GetNameWithoutPrefix();
        if (!IsWritableName(lName.Buffer())) {
            ioMessage += "\n    ";
            ioMessage += lName;
            lWritable = false;
        }
    }
    return lWritable;
}

bool KWriterAsf::CheckNames(KRyvNode* pRoot, const KStreamOptionsMotion& pOptions)
{
    if (!CheckSpaces(pRoot, pOptions, "ASF")) {
        return false;
    }
    for (KRyvNode* lNode : NodesBelow(pRoot)) {
        if (lNode->GetNameWithoutPrefix() == "root") {
            const char* const kText = "Model name \"root\" is only allowed for the ASF root node.";
            pOptions.ShowMessage("Error", kText, "Ok");
            GetError().SetLastError(kUnidentifiedError, kText);
            return false;
        }
    }
    KString lNames("Names that ASF files cannot hold:");
    if (!CheckAsfNames(pRoot, lNames)) {
        pOptions.ShowMessage("Error", lNames.Buffer(), "OK");
        GetError().SetLastError(kUnidentifiedError, lNames.Buffer());
        return false;
    }
    return true;
}

bool KWriterAsf::CheckScene(KRyvScene* pScene)
{
    return CheckRootJoint(pScene, "Scene must have a single root node.");
}

bool KWriterAsf::WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions)
{
    mSkeleton.reset();
    KRyvNode* lRoot = FindReferenceNode(pScene.GetRootNode());
    if (!CheckNames(lRoot, pOptions)) {
        return false;
    }
    KVector4 lScale(1.0, 1.0, 1.0);
    if (pOptions.GetOption(kOptionReference) == 1 && lRoot->GetParent()) {
        MatrixGetScale(lScale, lRoot->GetParent()->GetDefaultGlobalMatrix());
    }
    auto lSkeleton = std::make_unique<KRyvAsfScene>();
    if (!lSkeleton->BuildFromScene(lRoot, lScale, pOptions.GetOption(kOptionTranslationDofs) == 1,
                                   KMotionTakeSpan::FramesToWrite(pScene, pOptions))) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    if (!File().Write(*lSkeleton)) {
        GetError().SetLastErrorID(kOutOfDiskSpace);
        return false;
    }
    mSkeleton = std::move(lSkeleton);
    return true;
}

void KWriterAsf::Written(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetAttachedObject(
        std::unique_ptr<KStreamOptionsMotion::Attachment>(mSkeleton.release()));
}
