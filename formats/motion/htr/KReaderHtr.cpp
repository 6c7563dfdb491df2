#include "formats/motion/htr/KReaderHtr.h"

#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/htr/KHtrFile.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <new>
#include <string>

KReaderHtr::KReaderHtr(KRyvObjectFactory* pOwner) : KMotionTextReader(pOwner) {}

KReaderHtr::~KReaderHtr() = default;

std::unique_ptr<KReader> KReaderHtr::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderHtr(pOwner));
}

std::unique_ptr<KTextFile> KReaderHtr::NewFile() const
{
    return std::make_unique<KHtrFile>(false);
}

KHtrFile* KReaderHtr::GetFile() const
{
    return static_cast<KHtrFile*>(KMotionTextReader::GetFile());
}

bool KReaderHtr::ReadHeaderOptions(KStreamOptionsMotion& ioOptions)
{
    return File().ReadHeaderOptions(&ioOptions);
}

void KReaderHtr::ClearParsed()
{
    if (GetFile()) {
        File().ReleaseSegments();
    }
}

bool KReaderHtr::ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    const bool lRead = ReadSkeleton(ioScene, ioOptions);
    // The segments' nodes are the scene's now, or taken back with the rollback.
    ClearParsed();
    return lRead;
}

bool KReaderHtr::ReadSkeleton(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    ioOptions.ReportProgress("Reading HTR nodes", 0.0f);
    if (!File().ReadStructure()) {
        return Fail(File().GetLastError().c_str());
    }
    const KString lTakeName = GetTakeName();
    KReadRollback lRollback(GetOwner());
    KRyvNode* lReference = lRollback.AddNode(GetOwner()->CreateNode("HTR:reference"));
    if (!lReference || !File().BuildNodes(lRollback, GetOwner(), lReference, lTakeName.Buffer())) {
        return Fail(lReference ? File().GetLastError().c_str() : "cannot create the skeleton");
    }
    KString lDuplicates = KString("Duplicate names found in ") + File().GetFileName().c_str() + ":";
    if (!ReportDuplicateNames(lReference, lDuplicates)) {
        ioOptions.ShowMessage("Error", lDuplicates.Buffer(), "OK");
        return Fail(lDuplicates);
    }
    if (!File().ReadAnimation(lRollback, &ioOptions, lReference)) {
        return Fail(File().GetLastError().c_str());
    }
    const bool lKeepReference = ioOptions.GetOption(KHtrFile::kOptionReferenceNode) == 1;
    KRyvNode* lTop = Place(ioScene, lReference, lKeepReference);
    if (!lTop) {
        return Fail(KString(File().GetFileName().c_str()) + ": the skeleton cannot join the scene");
    }
    const KTakeInfo lInfo =
        KMotionTakeSpan::Describe(lTakeName.Buffer(), ioOptions, ioOptions.GetFrameCount());
    // The take information last: the rollback cannot take it back.
    if (!File().CreateRestPose(lRollback, GetOwner(), &ioScene,
                               lTop->GetNameWithoutPrefix().Buffer()) ||
        !ioScene.SetTakeInfo(lInfo)) {
        return Fail(KString(File().GetFileName().c_str()) + ": the take cannot be recorded");
    }
    lRollback.CommitWithCurrentTake(ioScene, lTakeName.Buffer());
    return true;
}

KRyvNode* KReaderHtr::Place(KRyvScene& ioScene, KRyvNode* pReference, bool pKeepReference)
{
    KRyvNode* lRoot = ioScene.GetRootNode();
    if (pKeepReference) {
        return lRoot->AddChild(pReference) ? pReference : nullptr;
    }
    while (pReference->GetChildCount() > 0) {
        if (!lRoot->AddChild(pReference->GetChild(0))) {
            return nullptr;
        }
    }
    // Its child has moved, so it goes alone; undoing a node the factory no longer lists is
    // harmless (the factory refuses it).
    return GetOwner()->DestroyNode(pReference, false) ? lRoot : nullptr;
}
