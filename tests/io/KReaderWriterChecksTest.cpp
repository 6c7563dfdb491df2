#include "io/KOutOfMemory.h"
#include "io/KReader.h"
#include "io/KStreamOptions.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriter.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>

namespace {

// A reader and a writer that only expose the argument checks of their bases.
class CheckingReader : public KReader
{
public:
    explicit CheckingReader(KRyvObjectFactory* pOwner) : KReader(pOwner, false) {}
    bool OpenSource(std::unique_ptr<KByteSource>) override { return false; }
    bool FileClose() override { return false; }
    bool IsFileOpen() override { return false; }
    std::unique_ptr<KStreamOptions> GetReadOptions() override { return nullptr; }
    bool Read(KRyvScene*, KStreamOptions*) override { return false; }
    using KReader::CheckReadArguments;
};

class CheckingWriter : public KWriter
{
public:
    explicit CheckingWriter(KRyvObjectFactory* pOwner) : KWriter(pOwner) {}
    bool FileCreate(const char*) override { return false; }
    bool FileClose() override { return false; }
    bool IsFileOpen() override { return false; }
    std::unique_ptr<KStreamOptions> GetWriteOptions() override { return nullptr; }
    bool Write(KRyvScene*, KStreamOptions*) override { return false; }
    using KWriter::CheckWriteArguments;
};

struct CheckArguments : testing::Test
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    KStreamOptionsRyv mOptions;
    KStreamOptions mOtherOptions;
    const int mClass = KStreamOptionsRyv::ClassId();
};

TEST_F(CheckArguments, ReadRefusesTheFileFirstThenTheOptionsThenTheSceneAndOwner)
{
    CheckingReader lReader(&mFactory);
    EXPECT_FALSE(lReader.CheckReadArguments(false, nullptr, nullptr, mClass));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
    EXPECT_FALSE(lReader.CheckReadArguments(true, nullptr, nullptr, mClass));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_FALSE(lReader.CheckReadArguments(true, nullptr, &mOtherOptions, mClass));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_FALSE(lReader.CheckReadArguments(true, nullptr, &mOptions, mClass));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kUnidentifiedError);
    EXPECT_TRUE(lReader.CheckReadArguments(true, mScene, &mOptions, mClass));

    const auto lRefuse = [](KStreamOptions&) { return false; };
    const auto lAccept = [](KStreamOptions&) { return true; };
    EXPECT_FALSE(lReader.CheckReadArguments(true, mScene, &mOptions, mClass, lRefuse));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_TRUE(lReader.CheckReadArguments(true, mScene, &mOptions, mClass, lAccept));

    CheckingReader lOrphan(nullptr);
    EXPECT_FALSE(lOrphan.CheckReadArguments(true, mScene, &mOptions, mClass));
    EXPECT_EQ(lOrphan.GetError().GetLastErrorID(), KReader::kUnidentifiedError);
}

TEST_F(CheckArguments, WriteRefusesInTheSameOrderAndAsksForAnOwnerOnlyWhenTold)
{
    CheckingWriter lWriter(&mFactory);
    EXPECT_FALSE(lWriter.CheckWriteArguments(false, nullptr, nullptr, mClass, true));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    EXPECT_FALSE(lWriter.CheckWriteArguments(true, nullptr, &mOtherOptions, mClass, true));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    EXPECT_FALSE(lWriter.CheckWriteArguments(true, nullptr, &mOptions, mClass, true));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
    EXPECT_TRUE(lWriter.CheckWriteArguments(true, mScene, &mOptions, mClass, true));
    EXPECT_FALSE(lWriter.CheckWriteArguments(true, mScene, &mOptions, mClass, true,
                                             [](KStreamOptions&) { return false; }));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);

    CheckingWriter lOrphan(nullptr);
    EXPECT_FALSE(lOrphan.CheckWriteArguments(true, mScene, &mOptions, mClass, true));
    EXPECT_EQ(lOrphan.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
    EXPECT_TRUE(lOrphan.CheckWriteArguments(true, mScene, &mOptions, mClass, false));
}

TEST(CatchOutOfMemory, AnswersTheWorkOrTheOutOfMemoryHandler)
{
    int lHandled = 0;
    const auto lHandler = [&lHandled] {
        ++lHandled;
        return false;
    };
    EXPECT_TRUE(CatchOutOfMemory([] { return true; }, lHandler));
    EXPECT_EQ(lHandled, 0);
    EXPECT_FALSE(CatchOutOfMemory([]() -> bool { throw std::bad_alloc(); }, lHandler));
    EXPECT_EQ(lHandled, 1);
}

} // namespace
