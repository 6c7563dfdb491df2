#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsBase.h"
#include "scene/KRyvObjectFactory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A file that exists, so that the scripted reader is reached; its content does not matter.
const char* AnyFile()
{
    static const TempFolder sFolder;
    static const std::string sPath = sFolder.Write("any.dat", "x");
    return sPath.c_str();
}

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

// Counts a reader's or writer's life and answers an open as the script says.
template <class T> class Scripted : public T
{
public:
    template <class... TBase>
    explicit Scripted(Script& ioScript, TBase... pBase) : T(nullptr, pBase...), mScript(ioScript)
    {
        ++mScript.mAlive;
    }
    ~Scripted() override { --mScript.mAlive; }
    bool FileClose() override { return true; }
    bool IsFileOpen() override { return true; }

protected:
    bool ScriptedOpen()
    {
        ++mScript.mOpenCalls;
        if (!mScript.mOpenSucceeds && mScript.mOpenError >= 0) {
            if (mScript.mOpenErrorText) {
                T::GetError().SetLastError(mScript.mOpenError, mScript.mOpenErrorText);
            } else {
                T::GetError().SetLastErrorID(mScript.mOpenError);
            }
        }
        return mScript.mOpenSucceeds;
    }
    // Runs a read or a write: its options are kept, a warning added, the scripted answer given.
    bool Run(KStreamOptions* pOptions, const char* pWarning, int pCalls)
    {
        mScript.mLastOptions = pOptions;
        T::GetMessage() += pWarning;
        if (mScript.mReadError >= 0) {
            T::GetError().SetLastErrorID(mScript.mReadError);
        }
        return pCalls >= 0 && mScript.mReadSucceeds;
    }

    Script& mScript;
};

class ScriptedReader : public Scripted<KReader>
{
public:
    explicit ScriptedReader(Script& ioScript) : Scripted(ioScript, false) {}
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
        return Run(pOptions, "read warning\n", ++mScript.mReadCalls);
    }

private:
    bool OpenSource(std::unique_ptr<KByteSource>) override
    {
        GetMessage() += "open warning\n";
        return ScriptedOpen();
    }
};

class ScriptedWriter : public Scripted<KWriter>
{
public:
    explicit ScriptedWriter(Script& ioScript) : Scripted(ioScript) {}
    bool FileCreate(const char*) override { return ScriptedOpen(); }
    std::unique_ptr<KStreamOptions> GetWriteOptions() override
    {
        return std::make_unique<KStreamOptionsBase>();
    }
    bool Write(KRyvScene*, KStreamOptions* pOptions) override
    {
        return Run(pOptions, "write warning\n", ++mScript.mWriteCalls);
    }
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
    for (int lCode = -1; lCode <= KFileFormatRegistry::kImportFormatCount; ++lCode) {
        if (KFileFormatRegistry::Kit().FindImportFormat(lCode)) {
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
    for (int lCode = -1; lCode <= KFileFormatRegistry::kExportFormatCount; ++lCode) {
        if (KFileFormatRegistry::Kit().FindExportFormat(lCode)) {
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
    lExporter.SetFileFormat(KFileFormatRegistry::kExportBvh);
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
    for (int lFlag : {0, KExporter::kWriteFlagCount - 1}) {
        EXPECT_TRUE(lExporter.SetWriteFlag(lFlag, false));
        EXPECT_FALSE(lExporter.GetWriteFlag(lFlag));
    }
    EXPECT_FALSE(lExporter.SetWriteFlag(KExporter::kWriteFlagCount, true));
    EXPECT_FALSE(lExporter.SetWriteFlag(-1, true));
    EXPECT_FALSE(lExporter.GetWriteFlag(KExporter::kWriteFlagCount));
    EXPECT_FALSE(lExporter.GetWriteFlag(-1));
    // A new file starts from the defaults.
    lExporter.Initialize("scene.obj");
    EXPECT_TRUE(lExporter.GetWriteFlag(KExporter::kWriteFlagCount - 1));
}

TEST(KImporterTest, FailedOpenTakesOverTheReadersErrorAndDropsIt)
{
    Script lScript;
    lScript.mOpenSucceeds = false;
    lScript.mOpenError = KReader::kFileNotOpened;
    lScript.mOpenErrorText = "Cannot open file \"x.bvh\" for reading.";
    ScriptedImporter lImporter(lScript);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportBvh);
    EXPECT_FALSE(lImporter.Initialize(AnyFile()));
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kFileNotOpened);
    EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(),
                 "Cannot open file \"x.bvh\" for reading.");
    EXPECT_STREQ(lImporter.GetMessage().Buffer(), "open warning\n");
    EXPECT_EQ(lScript.mAlive, 0);

    // A reader that fails without saying why.
    lScript.mOpenError = -1;
    EXPECT_FALSE(lImporter.Initialize(AnyFile()));
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kUnidentifiedError);
    EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(), "Unidentified error");
    EXPECT_EQ(lScript.mAlive, 0);
}

TEST(KImporterTest, UnreadableHeaderGivesTheReadersError)
{
    Script lScript;
    lScript.mOptionsError = KReader::kFileCorrupted;
    ScriptedImporter lImporter(lScript);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportBvh);
    ASSERT_TRUE(lImporter.Initialize(AnyFile()));
    EXPECT_EQ(lImporter.GetReadOptions(), nullptr);
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KReader::kFileCorrupted);
    EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(), "walk.bvh:3: bad header");
    EXPECT_STREQ(lImporter.GetMessage().Buffer(), "open warning\n");
}

TEST(KImporterTest, ReadNeedsOptionsForTheOtherFormats)
{
    Script lScript;
    ScriptedImporter lImporter(lScript);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportObj);
    ASSERT_TRUE(lImporter.Initialize(AnyFile()));
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
    for (int lCode = KFileFormatRegistry::kImportRyvBinary;
         lCode <= KFileFormatRegistry::kImportRyvEncrypted; ++lCode) {
        lImporter.SetFileFormat(lCode);
        ASSERT_TRUE(lImporter.Initialize(AnyFile()));
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
    lImporter.SetFileFormat(KFileFormatRegistry::kImport3ds);
    ASSERT_TRUE(lImporter.Initialize(AnyFile()));

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
    lExporter.SetFileFormat(KFileFormatRegistry::kExportDxf);
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
    lExporter.SetFileFormat(KFileFormatRegistry::kExportRyv5Ascii);
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
    lExporter.SetFileFormat(KFileFormatRegistry::kExportC3d);
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

std::unique_ptr<KReader> NoReader(KRyvObjectFactory*)
{
    return nullptr;
}

std::unique_ptr<KWriter> NoWriter(KRyvObjectFactory*)
{
    return nullptr;
}

KFileFormatDescriptor Format(const char* pExtension, int pImport, int pExport)
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = pExtension ? pExtension : "by code";
    lFormat.mExtension = pExtension;
    lFormat.mImportFormat = pImport;
    lFormat.mExportFormat = pExport;
    lFormat.mCreateReader = pImport >= 0 ? &NoReader : nullptr;
    lFormat.mCreateWriter = pExport >= 0 ? &NoWriter : nullptr;
    return lFormat;
}

TEST(KFileFormatRegistryTest, CodesFromFileExtensions)
{
    KFileFormatRegistry lRegistry;
    ASSERT_TRUE(lRegistry.Register(Format("bvh", 3, 5)));
    ASSERT_TRUE(lRegistry.Register(Format("3ds", 15, 17)));
    ASSERT_TRUE(lRegistry.Register(Format("c3d", 8, -1)));
    ASSERT_TRUE(lRegistry.Register(Format("ryv", 0, 0)));
    ASSERT_TRUE(lRegistry.Register(Format(nullptr, 1, 1)));
    struct Row
    {
        const char* mName;
        int mImport;
        int mExport;
    };
    const Row lRows[] = {
        {"walk.bvh", 3, 5},       {"WALK.BVH", 3, 5},
        {"dir/a.3DS", 15, 17},    {"c:\\dir\\a.c3D", 8, -1},
        {"scene.ryv", 0, 0},      {"noext", -1, -1},
        {"dir.bvh/file", -1, -1}, {"dir.bvh\\file", -1, -1},
        {"a.", -1, -1},           {"a.bvhx", -1, -1},
        {"a.bv", -1, -1},         {"", -1, -1},
        {".bvh", 3, 5},           {"x.y.Bvh", 3, 5},
        {"a.obj", -1, -1},
    };
    for (const Row& lRow : lRows) {
        EXPECT_EQ(lRegistry.GetImportFormatFromFileName(lRow.mName), lRow.mImport) << lRow.mName;
        EXPECT_EQ(lRegistry.GetExportFormatFromFileName(lRow.mName), lRow.mExport) << lRow.mName;
    }
    EXPECT_EQ(lRegistry.GetImportFormatFromFileName(nullptr), -1);
    EXPECT_EQ(lRegistry.FindImportFormat(1)->mExportFormat, 1);
    EXPECT_EQ(lRegistry.FindExportFormat(-1), nullptr);
    EXPECT_EQ(lRegistry.FindImportFormat(-1), nullptr);
}

TEST(KFileFormatRegistryTest, RefusesClashesAndIncompleteDescriptors)
{
    KFileFormatRegistry lRegistry;
    ASSERT_TRUE(lRegistry.Register(Format("bvh", 3, 5)));
    KFileFormatDescriptor lNoWriter = Format("htr", 4, 6);
    lNoWriter.mCreateWriter = nullptr;
    KFileFormatDescriptor lReaderWithoutCode = Format("htr", -1, 6);
    lReaderWithoutCode.mCreateReader = &NoReader;
    KFileFormatDescriptor lNoName = Format("htr", 4, 6);
    lNoName.mName = nullptr;
    const KFileFormatDescriptor lRefused[] = {
        Format("BVH", 4, 6),
        Format("htr", 3, 6),
        Format("htr", 4, 5),
        Format("htr", -1, -1),
        Format("htr", 17, 6),
        Format("htr", 4, 19),
        lNoWriter,
        lReaderWithoutCode,
        lNoName,
    };
    for (const KFileFormatDescriptor& lFormat : lRefused) {
        EXPECT_FALSE(lRegistry.Register(lFormat))
            << lFormat.mImportFormat << " " << lFormat.mExportFormat;
    }
    EXPECT_EQ(lRegistry.GetFormats().size(), 1u);
    EXPECT_TRUE(lRegistry.Register(Format("htr", 4, 6)));
}

TEST(KFileFormatRegistryTest, ListsWrittenFormatsByExporterCodeThenReadOnlyOnes)
{
    KFileFormatRegistry lRegistry;
    for (const KFileFormatDescriptor& lFormat :
         {Format("c3d", 8, -1), Format("obj", 16, 18), Format("bvh", 3, 5), Format(nullptr, -1, 3),
          Format("asf", 6, -1)}) {
        ASSERT_TRUE(lRegistry.Register(lFormat));
    }
    std::vector<int> lOrder;
    for (const KFileFormatDescriptor& lFormat : lRegistry.GetFormats()) {
        lOrder.push_back(lFormat.mExportFormat * 100 + lFormat.mImportFormat);
    }
    EXPECT_EQ(lOrder,
              (std::vector<int>{3 * 100 - 1, 5 * 100 + 3, 18 * 100 + 16, -100 + 6, -100 + 8}));
}

TEST(KFileFormatRegistryTest, NativeCodes)
{
    for (int lCode = -1; lCode <= KFileFormatRegistry::kImportFormatCount; ++lCode) {
        EXPECT_EQ(KFileFormatRegistry::IsNativeImportFormat(lCode), lCode >= 0 && lCode <= 2)
            << lCode;
    }
    for (int lCode = -1; lCode <= KFileFormatRegistry::kExportFormatCount; ++lCode) {
        EXPECT_EQ(KFileFormatRegistry::IsNativeExportFormat(lCode), lCode >= 0 && lCode <= 4)
            << lCode;
    }
}

TEST(KImporterTest, FactoriesMakeAndEndImportersAndExportersOfThisLayer)
{
    KRyvObjectFactory lFactory;
    KImporter* lImporter = lFactory.CreateImporter();
    ASSERT_NE(lImporter, nullptr);
    EXPECT_EQ(lImporter->GetOwner(), &lFactory);
    ASSERT_NE(lFactory.CreateExporter(), nullptr);
    EXPECT_TRUE(lFactory.DestroyImporter(lImporter));
    EXPECT_FALSE(lFactory.DestroyImporter(lImporter));
    lFactory.CreateImporter();
    lFactory.DestroyAll();
    EXPECT_EQ(lFactory.GetImporterCount() + lFactory.GetExporterCount(), 0);
}

} // namespace
