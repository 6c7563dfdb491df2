// Every input the fuzz targets start from (fuzz/corpus/<target>/) reads with the reader and the
// options its target uses, so that fuzzing starts from files that reach past the first checks;
// an input kept to be refused (named refused-...: a crash fuzzing found, or a fault shown on
// purpose) is refused with a reason.

#include "formats/geometry/3ds/KReader3ds.h"
#include "formats/geometry/dxf/KReaderDxf.h"
#include "formats/geometry/obj/KReaderObj.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/aoa/KReaderAoa.h"
#include "formats/motion/asf-amc/KReaderAmc.h"
#include "formats/motion/asf-amc/KReaderAsf.h"
#include "formats/motion/brd/KReaderBrd.h"
#include "formats/motion/bvh/KReaderBvh.h"
#include "formats/motion/c3d/KReaderC3d.h"
#include "formats/motion/htr/KReaderHtr.h"
#include "formats/motion/mov/KReaderMov.h"
#include "formats/motion/trc/KReaderTrc.h"
#include "formats/motion/vpm/KReaderVpm.h"
#include "fuzz/AmcSkeleton.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Create = std::unique_ptr<KReader> (*)(KRyvObjectFactory*);

// The reader of each target's folder, and the name its target gives the input. The chunk
// toolkit's target takes 3DS files, which the 3DS reader reads whole.
const std::map<std::string, std::pair<Create, const char*>> kTargets = {
    {"amc", {&KReaderAmc::Create, "fuzz.amc"}}, {"aoa", {&KReaderAoa::CreateAoa, "fuzz.aoa"}},
    {"asf", {&KReaderAsf::Create, "fuzz.asf"}}, {"brd", {&KReaderBrd::Create, "fuzz.brd"}},
    {"bvh", {&KReaderBvh::Create, "fuzz.bvh"}}, {"c3d", {&KReaderC3d::Create, "fuzz.c3d"}},
    {"dxf", {&KReaderDxf::Create, "fuzz.dxf"}}, {"format3ds", {&KReader3ds::Create, "fuzz.3ds"}},
    {"htr", {&KReaderHtr::Create, "fuzz.htr"}}, {"mcd", {&KReaderAoa::CreateMcd, "fuzz.mcd"}},
    {"mov", {&KReaderMov::Create, "fuzz.mov"}}, {"obj", {&KReaderObj::Create, "fuzz.obj"}},
    {"ryv", {&KReaderRyv::Create, "fuzz.ryv"}}, {"toolkit3ds", {&KReader3ds::Create, "fuzz.3ds"}},
    {"trc", {&KReaderTrc::Create, "fuzz.trc"}}, {"vpm", {&KReaderVpm::Create, "fuzz.vpm"}},
};

constexpr const char* kRefusedPrefix = "refused-";
// The password of the native target.
constexpr const char* kPassword = "fuzz";

std::string Bytes(const fs::path& pPath)
{
    std::ifstream lFile(pPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lFile), std::istreambuf_iterator<char>());
}

// The AMC target's skeleton, read into pScene; null when it does not read.
KStreamOptions* ReadSkeleton(KRyvObjectFactory& ioFactory, KRyvScene& ioScene,
                             std::unique_ptr<KStreamOptions>& oOptions)
{
    std::unique_ptr<KReader> lAsf = KReaderAsf::Create(&ioFactory);
    if (!lAsf->MemoryOpen(kAmcSkeleton, std::strlen(kAmcSkeleton), "fuzz.asf")) {
        return nullptr;
    }
    oOptions = lAsf->GetReadOptions();
    return oOptions && lAsf->Read(&ioScene, oOptions.get()) ? oOptions.get() : nullptr;
}

// Reads the input as its target does; false with the reader's reason when it is refused.
bool ReadsAsItsTarget(const std::string& pTarget, const std::string& pBytes, std::string& oWhy)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    std::unique_ptr<KStreamOptions> lSkeleton;
    KStreamOptions* lSkeletonOptions =
        pTarget == "amc" ? ReadSkeleton(lFactory, lScene, lSkeleton) : nullptr;
    const auto& [lCreate, lName] = kTargets.at(pTarget);
    std::unique_ptr<KReader> lReader = lCreate(&lFactory);
    if (!lReader->MemoryOpen(pBytes.data(), pBytes.size(), lName)) {
        oWhy = lReader->GetError().GetLastErrorString().Buffer();
        return false;
    }
    std::unique_ptr<KStreamOptions> lOptions = lReader->GetReadOptions();
    if (auto* lRyv = dynamic_cast<KStreamOptionsRyv*>(lOptions.get())) {
        lRyv->SetPassword(kPassword);
        lRyv->SetRestoreMedia(false);
    }
    if (lSkeletonOptions) {
        static_cast<KStreamOptionsMotion*>(lOptions.get())
            ->SetAttachedObject(
                static_cast<KStreamOptionsMotion*>(lSkeletonOptions)->GetAttachedObject());
    }
    const bool lRead = lReader->Read(&lScene, lOptions.get());
    oWhy = lReader->GetError().GetLastErrorString().Buffer();
    return lRead;
}

} // namespace

TEST(FuzzSeeds, EveryInputReadsAndEveryKeptFaultIsRefused)
{
    int lInputs = 0;
    for (const fs::directory_entry& lFolder : fs::directory_iterator(RYV_FUZZ_CORPUS_DIR)) {
        const std::string lTarget = lFolder.path().filename().string();
        ASSERT_EQ(kTargets.count(lTarget), 1u) << "no reader for the target " << lTarget;
        for (const fs::directory_entry& lInput : fs::directory_iterator(lFolder.path())) {
            const std::string lName = lInput.path().filename().string();
            const bool lRefused = lName.rfind(kRefusedPrefix, 0) == 0;
            std::string lWhy;
            const bool lRead = ReadsAsItsTarget(lTarget, Bytes(lInput.path()), lWhy);
            EXPECT_EQ(lRead, !lRefused) << lTarget << "/" << lName << ": " << lWhy;
            if (lRefused) {
                EXPECT_FALSE(lWhy.empty()) << lTarget << "/" << lName;
            }
            ++lInputs;
        }
    }
    EXPECT_GT(lInputs, 0);
}
