#include "io/KExporter.h"
#include "io/KFileFormatTable.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsBase.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// What the scripted reader and writer were asked to do, and whether they are still alive.
struct Script
{
    bool mOpenSucceeds = true;
    int mOpenError = -1;
    const char* mOpenErrorText = nullptr;
    bool mReadSucceeds = true;
    int mReadError = -1;
    // Set: GetReadOptions cannot read the header and fails with this code.
    int mOptionsError = -1;
    int mOpenCalls = 0;
    int mReadCalls = 0;
    int mWriteCalls = 0;
    int mAlive = 0;
    KStreamOptions* mLastOptions = nullptr;
};

class ScriptedReader : public KReader
{
public:
    explicit ScriptedReader(Script& ioScript) : KReader(nullptr), mScript(ioScript)
    {
        ++mScript.mAlive;
    }
    ~ScriptedReader() override { --mScript.mAlive; }
    bool FileOpen(const char*) override
    {
        ++mScript.mOpenCalls;
        GetMessage() += "open warning\n";
        if (!mScript.mOpenSucceeds && mScript.mOpenError >= 0) {
            if (mScript.mOpenErrorText) {
                GetError().SetLastError(mScript.mOpenError, mScript.mOpenErrorText);
            } else {
                GetError().SetLastErrorID(mScript.mOpenError);
            }
        }
        return mScript.mOpenSucceeds;
    }
    bool FileClose() override { return true; }
    bool IsFileOpen() override { return true; }
    std::unique_ptr<KStreamOptions> GetReadOptions() override
    {
        if (mScript.mOptionsError >= 0) {
            GetError().SetLastError(mScript.mOptionsError, "walk.bvh:3: bad header");
            return nullptr;
        }
        return std::make_unique<KStreamOptionsBase>();
    }
    bool Read(KRyvScene*, KStreamOptions* pOptions) override
    {
        ++mScript.mReadCalls;
        mScript.mLastOptions = pOptions;
        GetMessage() += "read warning\n";
        if (mScript.mReadError >= 0) {
            GetError().SetLastErrorID(mScript.mReadError);
        }
        return mScript.mReadSucceeds;
    }

private:
    Script& mScript;
};

class ScriptedWriter : public KWriter
{
public:
    explicit ScriptedWriter(Script& ioScript) : KWriter(nullptr), mScript(ioScript)
    {
        ++mScript.mAlive;
    }
    ~ScriptedWriter() override { --mScript.mAlive; }
    bool FileCreate(const char*) override
    {
        ++mScript.mOpenCalls;
        if (!mScript.mOpenSucceeds && mScript.mOpenError >= 0) {
            if (mScript.mOpenErrorText) {
                GetError().SetLastError(mScript.mOpenError, mScript.mOpenErrorText);
            } else {
                GetError().SetLastErrorID(mScript.mOpenError);
            }
        }
        return mScript.mOpenSucceeds;
    }
    bool FileClose() override { return true; }
    bool IsFileOpen() override { return true; }
    std::unique_ptr<KStreamOptions> GetWriteOptions() override
    {
        return std::make_unique<KStreamOptionsBase>();
    }
    bool Write(KRyvScene*, KStreamOptions* pOptions) override
    {
        ++mScript.mWriteCalls;
        mScript.mLastOptions = pOptions;
        GetMessage() += "write warning\n";
        if (mScript.mReadError >= 0) {
            GetError().SetLastErrorID(mScript.mReadError);
        }
        return mScript.mReadSucceeds;
    }

private:
    Script& mScript;
};

// Front ends whose every code has the scripted reader or writer.
class ScriptedImporter : public KImporter
{
public:
    explicit ScriptedImporter(Script& ioScript) : KImporter(nullptr), mScript(ioScript) {}

protected:
    std::unique_ptr<KReader> CreateReader(int) override
    {
        return std::make_unique<ScriptedReader>(mScript);
    }

private:
    Script& mScript;
};

class ScriptedExporter : public KExporter
{
public:
    explicit ScriptedExporter(Script& ioScript) : KExporter(nullptr), mScript(ioScript) {}

protected:
    std::unique_ptr<KWriter> CreateWriter(int) override
    {
        return std::make_unique<ScriptedWriter>(mScript);
    }

private:
    Script& mScript;
};

TEST(KImporterTest, EveryCodeWithoutReaderAnswersTheClearError)
{
    KImporter lImporter(nullptr);
    for (int lCode = -1; lCode <= KFileFormatTable::kImportFormatCount; ++lCode) {
        if (KFileFormatTable::GetReaderCreator(lCode) != nullptr) {
            continue;
        }
        lImporter.SetFileFormat(lCode);
        EXPECT_FALSE(lImporter.Initialize("walk.bvh")) << lCode;
        EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kNoReader);
        EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(),
                     "no reader for this file format");
        // Nothing opened, so nothing to read.
        EXPECT_EQ(lImporter.GetReadOptions(), nullptr);
        EXPECT_FALSE(lImporter.Import(nullptr, nullptr));
        EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kFileNotOpened);
        EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(), "File not opened");
    }
}

TEST(KExporterTest, EveryCodeWithoutWriterAnswersTheClearError)
{
    KExporter lExporter(nullptr);
    lExporter.Initialize("out.bvh");
    KStreamOptionsBase lOptions;
    for (int lCode = -1; lCode <= KFileFormatTable::kExportFormatCount; ++lCode) {
        if (KFileFormatTable::GetWriterCreator(lCode) != nullptr) {
            continue;
        }
        lExporter.SetFileFormat(lCode);
        EXPECT_FALSE(lExporter.Export(nullptr, &lOptions)) << lCode;
        EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kNoWriter);
        EXPECT_STREQ(lExporter.GetError().GetLastErrorString().Buffer(),
                     "no writer for this file format");
        EXPECT_EQ(lExporter.GetWriteOptions(), nullptr);
        EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kNoWriter);
    }
}

TEST(KExporterTest, EmptyFileNameIsRefusedFirst)
{
    Script lScript;
    ScriptedExporter lExporter(lScript);
    KStreamOptionsBase lOptions;
    lExporter.SetFileFormat(KFileFormatTable::kExportBvh);
    lExporter.Initialize("");
    EXPECT_FALSE(lExporter.Export(nullptr, &lOptions));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kEmptyFileName);
    EXPECT_STREQ(lExporter.GetError().GetLastErrorString().Buffer(), "File name is empty");
    lExporter.Initialize(nullptr);
    EXPECT_FALSE(lExporter.Export(nullptr, &lOptions));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kEmptyFileName);
    EXPECT_EQ(lScript.mOpenCalls, 0);

    // Also before the missing writer is noticed.
    KExporter lPlain(nullptr);
    EXPECT_FALSE(lPlain.Export(nullptr, &lOptions));
    EXPECT_EQ(lPlain.GetError().GetLastErrorID(), KExporter::kEmptyFileName);
}

TEST(KExporterTest, WriteFlags)
{
    KExporter lExporter(nullptr);
    for (int i = 0; i < KExporter::kWriteFlagCount; ++i) {
        EXPECT_EQ(lExporter.GetWriteFlag(i), i != KExporter::kWriteFlagEmbedMedia) << i;
    }
    EXPECT_TRUE(lExporter.SetWriteFlag(3, true));
    EXPECT_TRUE(lExporter.SetWriteFlag(0, false));
    EXPECT_TRUE(lExporter.SetWriteFlag(10, false));
    EXPECT_FALSE(lExporter.SetWriteFlag(11, false));
    EXPECT_FALSE(lExporter.SetWriteFlag(-1, false));
    EXPECT_TRUE(lExporter.GetWriteFlag(3));
    EXPECT_FALSE(lExporter.GetWriteFlag(0));
    EXPECT_FALSE(lExporter.GetWriteFlag(10));
    EXPECT_FALSE(lExporter.GetWriteFlag(11));
    EXPECT_FALSE(lExporter.GetWriteFlag(-1));

    lExporter.SetFileFormat(KFileFormatTable::kExportObj);
    lExporter.Initialize("scene.obj");
    EXPECT_STREQ(lExporter.GetFileName().Buffer(), "scene.obj");
    EXPECT_EQ(lExporter.GetFileFormat(), KFileFormatTable::kExportObj);
    for (int i = 0; i < KExporter::kWriteFlagCount; ++i) {
        EXPECT_EQ(lExporter.GetWriteFlag(i), i != KExporter::kWriteFlagEmbedMedia) << i;
    }
}

TEST(KImporterTest, FailedOpenTakesOverTheReadersErrorAndDropsIt)
{
    Script lScript;
    lScript.mOpenSucceeds = false;
    lScript.mOpenError = KReader::kFileNotOpened;
    lScript.mOpenErrorText = "Cannot open file \"x.bvh\" for reading.";
    ScriptedImporter lImporter(lScript);
    lImporter.SetFileFormat(KFileFormatTable::kImportBvh);
    EXPECT_FALSE(lImporter.Initialize("x.bvh"));
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kFileNotOpened);
    EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(),
                 "Cannot open file \"x.bvh\" for reading.");
    EXPECT_STREQ(lImporter.GetMessage().Buffer(), "open warning\n");
    EXPECT_EQ(lScript.mAlive, 0);

    // A reader that fails without saying why.
    lScript.mOpenError = -1;
    EXPECT_FALSE(lImporter.Initialize("x.bvh"));
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kUnidentifiedError);
    EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(), "Unidentified error");
    EXPECT_EQ(lScript.mAlive, 0);
}

TEST(KImporterTest, UnreadableHeaderGivesTheReadersError)
{
    Script lScript;
    lScript.mOptionsError = KReader::kFileCorrupted;
    ScriptedImporter lImporter(lScript);
    lImporter.SetFileFormat(KFileFormatTable::kImportBvh);
    ASSERT_TRUE(lImporter.Initialize("walk.bvh"));
    EXPECT_EQ(lImporter.GetReadOptions(), nullptr);
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KReader::kFileCorrupted);
    EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(), "walk.bvh:3: bad header");
    EXPECT_STREQ(lImporter.GetMessage().Buffer(), "open warning\n");
}

TEST(KImporterTest, ReadNeedsOptionsForTheOtherFormats)
{
    Script lScript;
    ScriptedImporter lImporter(lScript);
    lImporter.SetFileFormat(KFileFormatTable::kImportObj);
    ASSERT_TRUE(lImporter.Initialize("box.obj"));
    EXPECT_EQ(lScript.mAlive, 1);
    EXPECT_FALSE(lImporter.Import(nullptr, nullptr));
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kStreamOptionsNotSet);
    EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(), "Stream options not set");
    EXPECT_EQ(lScript.mReadCalls, 0);

    std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
    ASSERT_NE(lOptions, nullptr);
    EXPECT_TRUE(lImporter.Import(nullptr, lOptions.get()));
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), -1);
    EXPECT_EQ(lScript.mLastOptions, lOptions.get());
    EXPECT_STREQ(lImporter.GetMessage().Buffer(), "open warning\nread warning\n");

    // The native codes may read with their own defaults.
    for (int lCode = KFileFormatTable::kImportRyvFirst; lCode <= KFileFormatTable::kImportRyvLast;
         ++lCode) {
        lImporter.SetFileFormat(lCode);
        ASSERT_TRUE(lImporter.Initialize("scene.ryv"));
        EXPECT_TRUE(lImporter.Import(nullptr, nullptr));
        EXPECT_EQ(lScript.mLastOptions, nullptr);
    }
    // One reader at a time, alive until the reset.
    EXPECT_EQ(lScript.mAlive, 1);
    lImporter.Reset();
    EXPECT_EQ(lScript.mAlive, 0);
}

TEST(KImporterTest, FailedReadGivesPasswordOrUnidentifiedError)
{
    Script lScript;
    ScriptedImporter lImporter(lScript);
    KStreamOptionsBase lOptions;
    lImporter.SetFileFormat(KFileFormatTable::kImport3ds);
    ASSERT_TRUE(lImporter.Initialize("a.3ds"));

    lScript.mReadSucceeds = false;
    lScript.mReadError = KReader::kWrongPassword;
    EXPECT_FALSE(lImporter.Import(nullptr, &lOptions));
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kWrongPassword);
    EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(),
                 "File is password protected and the provided password is wrong.");

    for (int lReaderError : {-1, 0, 1, 2, 3, 4, 6, 7}) {
        lScript.mReadError = lReaderError;
        EXPECT_FALSE(lImporter.Import(nullptr, &lOptions));
        EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kUnidentifiedError);
        EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(), "Unidentified error");
    }
}

TEST(KExporterTest, WriterIsDrivenAndDestroyedInEveryCase)
{
    Script lScript;
    ScriptedExporter lExporter(lScript);
    KStreamOptionsBase lOptions;
    lExporter.SetFileFormat(KFileFormatTable::kExportDxf);
    lExporter.Initialize("out.dxf");

    // No options for a non-native format: refused before any file is created.
    EXPECT_FALSE(lExporter.Export(nullptr, nullptr));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kStreamOptionsNotSet);
    EXPECT_STREQ(lExporter.GetError().GetLastErrorString().Buffer(), "Stream options not set");
    EXPECT_EQ(lScript.mOpenCalls, 0);
    EXPECT_EQ(lScript.mAlive, 0);

    EXPECT_TRUE(lExporter.Export(nullptr, &lOptions));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), -1);
    EXPECT_EQ(lScript.mLastOptions, &lOptions);
    EXPECT_STREQ(lExporter.GetMessage().Buffer(), "write warning\n");
    EXPECT_EQ(lScript.mAlive, 0);

    lScript.mReadSucceeds = false;
    lScript.mReadError = KWriter::kStreamOptionsNotSet;
    EXPECT_FALSE(lExporter.Export(nullptr, &lOptions));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kUnidentifiedError);
    // The writer's reason stays readable after its warnings.
    EXPECT_STREQ(lExporter.GetMessage().Buffer(), "write warning\nStream options not set\n");
    EXPECT_EQ(lScript.mAlive, 0);

    // The native codes without a set get one built from the write flags.
    lScript.mReadSucceeds = true;
    lScript.mReadError = -1;
    lExporter.SetFileFormat(KFileFormatTable::kExportRyv5Ascii);
    EXPECT_TRUE(lExporter.Export(nullptr, nullptr));
    EXPECT_NE(lScript.mLastOptions, nullptr);

    std::unique_ptr<KStreamOptions> lDefaults = lExporter.GetWriteOptions();
    ASSERT_NE(lDefaults, nullptr);
    EXPECT_TRUE(lDefaults->IsA(KStreamOptionsBase::ClassId()));
    EXPECT_EQ(lScript.mAlive, 0);
}

TEST(KExporterTest, FailedCreateKeepsTheWritersCodeAndText)
{
    Script lScript;
    lScript.mOpenSucceeds = false;
    ScriptedExporter lExporter(lScript);
    KStreamOptionsBase lOptions;
    lExporter.SetFileFormat(KFileFormatTable::kExportC3d);
    lExporter.Initialize("/no/such/dir/out.c3d");

    lScript.mOpenError = KWriter::kFileNotOpened;
    lScript.mOpenErrorText = "Cannot open file \"/no/such/dir/out.c3d\" for writing.";
    EXPECT_FALSE(lExporter.Export(nullptr, &lOptions));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kFileNotOpened);
    EXPECT_STREQ(lExporter.GetError().GetLastErrorString().Buffer(),
                 "Cannot open file \"/no/such/dir/out.c3d\" for writing.");
    EXPECT_EQ(lScript.mWriteCalls, 0);

    lScript.mOpenError = KWriter::kOutOfDiskSpace;
    lScript.mOpenErrorText = nullptr;
    EXPECT_FALSE(lExporter.Export(nullptr, &lOptions));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kOutOfDiskSpace);
    EXPECT_STREQ(lExporter.GetError().GetLastErrorString().Buffer(), "Out of disk space");

    lScript.mOpenError = -1;
    EXPECT_FALSE(lExporter.Export(nullptr, &lOptions));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kUnidentifiedError);
    EXPECT_EQ(lScript.mAlive, 0);
}

TEST(KFileFormatTableTest, CodesFromFileExtensions)
{
    struct Row
    {
        const char* mName;
        int mImport;
        int mExport;
    };
    const Row lRows[] = {
        {"walk.bvh", 3, 5},        {"a.htr", 4, 6},     {"a.trc", 5, 7},
        {"a.asf", 6, 8},           {"a.amc", 7, 9},     {"a.c3d", 8, 10},
        {"a.aoa", 9, 11},          {"a.mcd", 10, 12},   {"a.vpm", 11, 13},
        {"a.mov", 12, 14},         {"a.brd", 13, 15},   {"a.dxf", 14, 16},
        {"a.3ds", 15, 17},         {"a.obj", 16, 18},   {"scene.ryv", 0, 0},
        {"WALK.BVH", 3, 5},        {"x.y.Obj", 16, 18}, {"dir/a.3DS", 15, 17},
        {"c:\\dir\\a.c3D", 8, 10}, {"noext", -1, -1},   {"dir.bvh/file", -1, -1},
        {"dir.bvh\\file", -1, -1}, {"a.", -1, -1},      {"a.bvhx", -1, -1},
        {"a.bv", -1, -1},          {"", -1, -1},        {".bvh", 3, 5},
    };
    for (const Row& lRow : lRows) {
        EXPECT_EQ(KFileFormatTable::GetImportFormatFromFileName(lRow.mName), lRow.mImport)
            << lRow.mName;
        EXPECT_EQ(KFileFormatTable::GetExportFormatFromFileName(lRow.mName), lRow.mExport)
            << lRow.mName;
    }
    EXPECT_EQ(KFileFormatTable::GetImportFormatFromFileName(nullptr), -1);
    EXPECT_EQ(KFileFormatTable::GetExportFormatFromFileName(nullptr), -1);
}

TEST(KFileFormatTableTest, NativeCodes)
{
    for (int lCode = -1; lCode <= KFileFormatTable::kImportFormatCount; ++lCode) {
        EXPECT_EQ(KFileFormatTable::IsNativeImportFormat(lCode), lCode >= 0 && lCode <= 2) << lCode;
    }
    for (int lCode = -1; lCode <= KFileFormatTable::kExportFormatCount; ++lCode) {
        EXPECT_EQ(KFileFormatTable::IsNativeExportFormat(lCode), lCode >= 0 && lCode <= 4) << lCode;
    }
}

} // namespace
