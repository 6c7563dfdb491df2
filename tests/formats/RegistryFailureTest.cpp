// Failures of every registered reader and writer, forced by failing one allocation at a time:
// the Nth allocation of the whole read or write fails, for N = 1, 2, ... until the work succeeds.
// A failed write must leave the target that was there byte for byte, and no other file; a failed
// read must leave the scene and the factory as they were.

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KFileFormatRegistry.h"
#include "io/KReader.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriter.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "tests/formats/FailingAllocation.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

namespace {

// Allocation counts past which a read or write of the small scene below is taken to never end.
constexpr long kMaxAllocations = 200000;
const char* const kPassword = "sesame";
const char* const kPrevious = "the file that was there\n";

// A skeleton with a take and, at its end, a mesh with a material: something for every format.
void BuildScene(KRyvObjectFactory& ioFactory, KRyvScene& ioScene)
{
    KRyvNode* lReference = ioFactory.CreateNode("Reference");
    ioScene.GetRootNode()->AddChild(lReference);
    KRyvNode* lParent = lReference;
    for (const char* lName : {"Hips", "Chest"}) {
        KRyvNode* lJoint = ioFactory.CreateNode(lName);
        KRyvSkeleton* lSkeleton = ioFactory.CreateSkeleton();
        lSkeleton->SetSkeletonType(KRyvSkeleton::eLimbNode);
        lJoint->SetNodeAttribute(lSkeleton);
        lJoint->SetLclTranslation(KVector4(0.0, 2.0, 0.0));
        lJoint->SetMarked(true);
        lParent->AddChild(lJoint);
        lJoint->AddTakeNode("walk");
        lJoint->SetCurrentTakeNode("walk");
        KFCurve* lCurve = lJoint->GetCurrentTakeNode()->GetTransformRY();
        lCurve->KeyAdd(KTime(), 0.0f);
        lCurve->KeyAdd(KTime(KTime::kTicksPerSecond), 45.0f);
        lParent = lJoint;
    }
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    lMesh->InitControlPoints(4);
    for (int i = 0; i < 4; ++i) {
        lMesh->GetControlPoints()[i] = KVector4(i & 1 ? 1.0 : 0.0, i & 2 ? 1.0 : 0.0, 0.5, 1.0);
    }
    lMesh->InitMaterialIndices(KRyvMesh::eMappingAllSame);
    lMesh->AddMaterial(ioFactory.CreateMaterial("paint"));
    for (const auto& lFace : {std::vector<int>{0, 1, 3}, std::vector<int>{0, 3, 2}}) {
        lMesh->BeginPolygon(0);
        for (int lCorner : lFace) {
            lMesh->AddPolygon(lCorner);
        }
    }
    KRyvNode* lBody = ioFactory.CreateNode("Body");
    lBody->SetNodeAttribute(lMesh);
    lParent->AddChild(lBody);
}

void PrepareOptions(KStreamOptions* ioOptions)
{
    if (auto* lMotion = dynamic_cast<KStreamOptionsMotion*>(ioOptions)) {
        lMotion->SetFrameCount(3);
        lMotion->SetTimeMode(0, 30.0);
    }
    if (auto* lNative = dynamic_cast<KStreamOptionsRyv*>(ioOptions)) {
        lNative->SetPassword(kPassword);
    }
}

// Lends the skeleton an earlier ASF read or write left in pSkeleton (if any) to ioOptions.
void LendSkeleton(const KStreamOptions* pSkeleton, KStreamOptions* ioOptions)
{
    const auto* lFrom = dynamic_cast<const KStreamOptionsMotion*>(pSkeleton);
    auto* lTo = dynamic_cast<KStreamOptionsMotion*>(ioOptions);
    if (lFrom && lTo) {
        lTo->SetAttachedObject(lFrom->GetAttachedObject());
    }
}

// Writes the scene into pPath; oOptions keeps the option set the write used.
bool WriteWith(const KFileFormatDescriptor& pFormat, KRyvObjectFactory& ioFactory,
               KRyvScene& ioScene, const std::string& pPath, const KStreamOptions* pSkeleton,
               std::unique_ptr<KStreamOptions>& oOptions)
{
    std::unique_ptr<KWriter> lWriter = pFormat.mCreateWriter(&ioFactory);
    if (!lWriter) {
        return false;
    }
    oOptions = lWriter->GetWriteOptions();
    PrepareOptions(oOptions.get());
    LendSkeleton(pSkeleton, oOptions.get());
    const bool lWritten = lWriter->FileCreate(pPath.c_str()) &&
                          lWriter->Write(&ioScene, oOptions.get()) && lWriter->FileClose();
    lWriter->FileClose();
    return lWritten;
}

bool Write(const KFileFormatDescriptor& pFormat, KRyvObjectFactory& ioFactory, KRyvScene& ioScene,
           const std::string& pPath, const KStreamOptions* pSkeleton = nullptr)
{
    std::unique_ptr<KStreamOptions> lOptions;
    return WriteWith(pFormat, ioFactory, ioScene, pPath, pSkeleton, lOptions);
}

bool ReadWith(const KFileFormatDescriptor& pFormat, KRyvObjectFactory& ioFactory,
              KRyvScene& ioScene, const std::string& pPath, const KStreamOptions* pSkeleton,
              std::unique_ptr<KStreamOptions>& oOptions)
{
    std::unique_ptr<KReader> lReader = pFormat.mCreateReader(&ioFactory);
    if (!lReader || !lReader->FileOpen(pPath.c_str())) {
        return false;
    }
    oOptions = lReader->GetReadOptions();
    PrepareOptions(oOptions.get());
    LendSkeleton(pSkeleton, oOptions.get());
    return (oOptions || KFileFormatRegistry::IsNativeImportFormat(pFormat.mImportFormat)) &&
           lReader->Read(&ioScene, oOptions.get());
}

bool Read(const KFileFormatDescriptor& pFormat, KRyvObjectFactory& ioFactory, KRyvScene& ioScene,
          const std::string& pPath, const KStreamOptions* pSkeleton = nullptr)
{
    std::unique_ptr<KStreamOptions> lOptions;
    return ReadWith(pFormat, ioFactory, ioScene, pPath, pSkeleton, lOptions);
}

// The AMC format holds motion only: as the converter does, its skeleton is written (and read)
// through the ASF format first, beside the motion file, and the ASF option set that holds it is
// lent to the AMC writer (reader). Null for every other format.
std::string SkeletonPath(const std::string& pPath)
{
    return pPath.substr(0, pPath.rfind('.')) + ".asf";
}

const KFileFormatDescriptor* SkeletonFormatFor(const KFileFormatDescriptor& pFormat)
{
    if (pFormat.mExportFormat != KFileFormatRegistry::kExportAmc) {
        return nullptr;
    }
    return KFileFormatRegistry::Kit().FindExportFormat(KFileFormatRegistry::kExportAsf);
}

std::unique_ptr<KStreamOptions> WriteSkeleton(const KFileFormatDescriptor& pFormat,
                                              KRyvObjectFactory& ioFactory, KRyvScene& ioScene,
                                              const std::string& pPath)
{
    std::unique_ptr<KStreamOptions> lOptions;
    if (const KFileFormatDescriptor* lAsf = SkeletonFormatFor(pFormat)) {
        EXPECT_TRUE(WriteWith(*lAsf, ioFactory, ioScene, SkeletonPath(pPath), nullptr, lOptions));
    }
    return lOptions;
}

std::unique_ptr<KStreamOptions> ReadSkeleton(const KFileFormatDescriptor& pFormat,
                                             KRyvObjectFactory& ioFactory, KRyvScene& ioScene,
                                             const std::string& pPath)
{
    std::unique_ptr<KStreamOptions> lOptions;
    if (const KFileFormatDescriptor* lAsf = SkeletonFormatFor(pFormat)) {
        EXPECT_TRUE(ReadWith(*lAsf, ioFactory, ioScene, SkeletonPath(pPath), nullptr, lOptions));
    }
    return lOptions;
}

std::string Describe(const KFileFormatDescriptor& pFormat)
{
    return std::string(pFormat.mName) + " (" + std::to_string(pFormat.mImportFormat) + ", " +
           std::to_string(pFormat.mExportFormat) + ")";
}

std::vector<std::string> FolderEntries(const std::string& pFolder)
{
    std::vector<std::string> lNames;
    for (const auto& lEntry : std::filesystem::directory_iterator(pFolder)) {
        lNames.push_back(lEntry.path().filename().string());
    }
    std::sort(lNames.begin(), lNames.end());
    return lNames;
}

// What a failed read must not change.
struct SceneState
{
    std::vector<int> mCounts;
    std::vector<std::string> mTakes;

    SceneState(KRyvObjectFactory& pFactory, KRyvScene& pScene)
    {
        mCounts = {pFactory.GetNodeCount(),     pFactory.GetNodeAttributeCount(),
                   pFactory.GetMaterialCount(), pFactory.GetTextureCount(),
                   pFactory.GetPoseCount(),     pFactory.GetVideoCount(),
                   pScene.GetNodeCount(),       pScene.GetRootNode()->GetChildCount()};
        std::vector<KString> lTakes;
        pScene.FillTakeNameList(lTakes);
        for (const KString& lTake : lTakes) {
            mTakes.push_back(lTake.Buffer());
        }
        mTakes.push_back(pScene.GetCurrentTakeName() ? pScene.GetCurrentTakeName() : "");
    }
    bool operator==(const SceneState& pOther) const
    {
        return mCounts == pOther.mCounts && mTakes == pOther.mTakes;
    }
    // The counts then the takes, for a failure's message.
    std::string Text() const
    {
        std::string lText;
        for (int lCount : mCounts) {
            lText += std::to_string(lCount) + " ";
        }
        for (const std::string& lTake : mTakes) {
            lText += "[" + lTake + "]";
        }
        return lText;
    }
};

// Every allocation is failed in turn when the work makes at most kEveryAllocation of them; else
// kSamples of them, spread evenly (the native format makes thousands in a read of the scene).
constexpr long kEveryAllocation = 2500;
constexpr long kSamples = 150;

long StrideFor(long pAllocations)
{
    return pAllocations <= kEveryAllocation ? 1 : pAllocations / kSamples + 1;
}

std::vector<int> WriterEntries()
{
    std::vector<int> lEntries;
    const std::vector<KFileFormatDescriptor>& lFormats = KFileFormatRegistry::Kit().GetFormats();
    for (std::size_t i = 0; i < lFormats.size(); ++i) {
        if (lFormats[i].mCreateWriter) {
            lEntries.push_back(static_cast<int>(i));
        }
    }
    return lEntries;
}

std::vector<int> ReaderEntries()
{
    std::vector<int> lEntries;
    const std::vector<KFileFormatDescriptor>& lFormats = KFileFormatRegistry::Kit().GetFormats();
    for (std::size_t i = 0; i < lFormats.size(); ++i) {
        if (lFormats[i].mCreateReader && lFormats[i].mCreateWriter) {
            lEntries.push_back(static_cast<int>(i));
        }
    }
    return lEntries;
}

// Allocations that pWork makes when none fails.
template <class Work> long CountAllocations(Work pWork)
{
    constexpr long kUnlimited = 1L << 40;
    long lLeft = 0;
    {
        FailingAllocation lCounter(kUnlimited);
        pWork();
        lLeft = FailingAllocation::Left();
    }
    return kUnlimited - lLeft;
}

// The parameter is the index of a format entry in the registry.
class RegistryEntry : public testing::TestWithParam<int>
{
protected:
    const KFileFormatDescriptor& Format() const
    {
        return KFileFormatRegistry::Kit().GetFormats()[static_cast<std::size_t>(GetParam())];
    }
};

class WriterFailures : public RegistryEntry
{
};

class ReaderFailures : public RegistryEntry
{
};

TEST_P(WriterFailures, LeaveTheTargetAsItWas)
{
    const KFileFormatDescriptor& lFormat = Format();
    SCOPED_TRACE(Describe(lFormat));
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    BuildScene(lFactory, *lScene);
    TempFolder lFolder;
    const std::string lTarget = lFolder.PathOf("target.out");
    const std::unique_ptr<KStreamOptions> lSkeleton =
        WriteSkeleton(lFormat, lFactory, *lScene, lTarget);
    const long lStride = StrideFor(
        CountAllocations([&] { Write(lFormat, lFactory, *lScene, lTarget, lSkeleton.get()); }));
    lFolder.Write("target.out", kPrevious);
    std::vector<std::string> lBefore = FolderEntries(lFolder.Path());
    for (long lNth = 1; lNth < kMaxAllocations; lNth += lStride) {
        bool lWritten = false;
        bool lFired = false;
        {
            FailingAllocation lFailure(lNth);
            try {
                lWritten = Write(lFormat, lFactory, *lScene, lTarget, lSkeleton.get());
            } catch (const std::bad_alloc&) {
                lWritten = false;
            }
            lFired = FailingAllocation::Fired(lNth);
        }
        if (!lFired) {
            EXPECT_TRUE(lWritten) << "the write fails without an allocation failing";
            EXPECT_NE(TempFolder::Read(lTarget), kPrevious);
            return;
        }
        const bool lKept = lWritten || (TempFolder::Read(lTarget) == kPrevious &&
                                        FolderEntries(lFolder.Path()) == lBefore);
        ASSERT_TRUE(lKept) << "allocation " << lNth;
        if (lWritten) {
            // Written all the same (an allocation the scene objects can do without): the
            // target is put back, the companion files as written become the ones to keep.
            lFolder.Write("target.out", kPrevious);
            lBefore = FolderEntries(lFolder.Path());
        }
    }
    ADD_FAILURE() << "the write never ends";
}

TEST_P(ReaderFailures, LeaveTheSceneAsItWas)
{
    const KFileFormatDescriptor& lFormat = Format();
    SCOPED_TRACE(Describe(lFormat));
    TempFolder lFolder;
    const std::string lInput = lFolder.PathOf("input.file");
    long lStride = 1;
    {
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = lFactory.CreateScene();
        BuildScene(lFactory, *lScene);
        const std::unique_ptr<KStreamOptions> lWritten =
            WriteSkeleton(lFormat, lFactory, *lScene, lInput);
        ASSERT_TRUE(Write(lFormat, lFactory, *lScene, lInput, lWritten.get()));
        const std::unique_ptr<KStreamOptions> lSkeleton =
            ReadSkeleton(lFormat, lFactory, *lScene, lInput);
        lStride = StrideFor(
            CountAllocations([&] { Read(lFormat, lFactory, *lScene, lInput, lSkeleton.get()); }));
    }
    for (long lNth = 1; lNth < kMaxAllocations; lNth += lStride) {
        // The scene read into already holds nodes, a mesh and a take of its own.
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = lFactory.CreateScene();
        BuildScene(lFactory, *lScene);
        const std::unique_ptr<KStreamOptions> lSkeleton =
            ReadSkeleton(lFormat, lFactory, *lScene, lInput);
        const SceneState lBefore(lFactory, *lScene);
        bool lRead = false;
        bool lFired = false;
        {
            FailingAllocation lFailure(lNth);
            try {
                lRead = Read(lFormat, lFactory, *lScene, lInput, lSkeleton.get());
            } catch (const std::bad_alloc&) {
                lRead = false;
            }
            lFired = FailingAllocation::Fired(lNth);
        }
        if (!lFired) {
            EXPECT_TRUE(lRead) << "the read fails without an allocation failing";
            return;
        }
        // Some allocations are optional to the scene objects, so a read can still succeed.
        const SceneState lAfter(lFactory, *lScene);
        const bool lKept = lRead || lAfter == lBefore;
        ASSERT_TRUE(lKept) << "allocation " << lNth << ": " << lBefore.Text() << "became "
                           << lAfter.Text();
    }
    ADD_FAILURE() << "the read never ends";
}

// The registry is filled before main; the entries are walked when the tests are listed.
INSTANTIATE_TEST_SUITE_P(Registry, WriterFailures, testing::ValuesIn(WriterEntries()));
INSTANTIATE_TEST_SUITE_P(Registry, ReaderFailures, testing::ValuesIn(ReaderEntries()));

TEST(RegistryFailuresCoverage, EveryFormatOfTheToolIsWalked)
{
    EXPECT_GE(WriterEntries().size(), 4u);
    EXPECT_GE(ReaderEntries().size(), 3u);
}

} // namespace
