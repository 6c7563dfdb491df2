#include "formats/motion/asf-amc/KReaderAsf.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KAsfFile.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <new>

KReaderAsf::KReaderAsf(KRyvObjectFactory* pOwner) : KMotionTextReader(pOwner) {}

KReaderAsf::~KReaderAsf() = default;

std::unique_ptr<KReader> KReaderAsf::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderAsf(pOwner));
}

std::unique_ptr<KTextFile> KReaderAsf::NewFile() const
{
    // The file's warnings (values it cannot take, units it falls back from) reach the user.
    return std::make_unique<KAsfFile>(true);
}

KAsfFile& KReaderAsf::File() const
{
    return *static_cast<KAsfFile*>(GetFile());
}

void KReaderAsf::SetReadDefaults(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(kOptionReference, 1);
    ioOptions.SetOption(kOptionKeepBonesWithoutDof, 0);
    ioOptions.SetOption(kOptionLimits, 0);
}

bool KReaderAsf::ReadHeaderOptions(KStreamOptionsMotion& ioOptions)
{
    SetReadDefaults(ioOptions);
    return true;
}

bool KReaderAsf::ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    ioOptions.ReportProgress("Reading ASF node hierarchy", 0.0f);
    auto lSkeleton = std::make_unique<KRyvAsfScene>();
    if (!File().Read(lSkeleton.get(), ioOptions.GetOption(kOptionKeepBonesWithoutDof) != 1)) {
        return Fail(File().GetLastError().c_str());
    }
    const KString lFileName(File().GetFileName().c_str());
    KReadRollback lRollback(GetOwner());
    KRyvNode* lRoot = lSkeleton->CreateNodes(lRollback, *GetOwner(), nullptr,
                                             ioOptions.GetOption(kOptionLimits) == 1);
    if (!lRoot) {
        return Fail(lFileName + ": cannot create the skeleton nodes");
    }
    KString lDuplicates = KString("Duplicate names found in ") + lFileName + ":";
    if (!ReportDuplicateNames(lRoot, lDuplicates)) {
        ioOptions.ShowMessage("Error", lDuplicates.Buffer(), "OK");
        return Fail(lDuplicates);
    }
    KRyvNode* lTop = lRoot;
    if (ioOptions.GetOption(kOptionReference) == 1) {
        lTop = lRollback.AddNode(GetOwner()->CreateNode(lSkeleton->GetReferenceName().c_str()));
        if (!lTop || !lTop->AddChild(lRoot)) {
            return Fail(lFileName + ": cannot create the reference node");
        }
    }
    if (!ioScene.GetRootNode()->AddChild(lTop)) {
        return Fail(lFileName + ": the skeleton cannot join the scene");
    }
    ioOptions.SetAttachedObject(
        std::unique_ptr<KStreamOptionsMotion::Attachment>(lSkeleton.release()));
    lRollback.Commit();
    return true;
}
