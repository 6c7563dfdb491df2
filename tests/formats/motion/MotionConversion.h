#ifndef RYVKIT_TESTS_FORMATS_MOTION_MOTIONCONVERSION_H
#define RYVKIT_TESTS_FORMATS_MOTION_MOTIONCONVERSION_H

#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "tests/formats/motion/asf-amc/AsfAmcTestSupport.h"

#include <memory>
#include <string>

// A scene read from a motion file with its reader's own options (an AMC against the ASF beside
// it), written by the writers with their own options (no frames given: the writer takes the
// take's span and rate), an AMC together with its ASF.
struct MotionConversion
{
    AsfAmcScene mRead;
    // The options the file was read with; null for an AMC, whose are the pair's (AmcOptions).
    std::unique_ptr<KStreamOptions> mOptions;
    std::string mReason;

    static bool IsAmc(const std::string& pPath)
    {
        return pPath.size() > 4 && pPath.compare(pPath.size() - 4, 4, ".amc") == 0;
    }
    static std::string AsfOf(const std::string& pAmc)
    {
        return pAmc.substr(0, pAmc.size() - 4) + ".asf";
    }

    bool Read(const std::string& pFrom)
    {
        if (IsAmc(pFrom)) {
            const bool lRead = mRead.ReadAsf(AsfOf(pFrom)) && mRead.ReadAmc(pFrom);
            mReason = mRead.mError;
            return lRead;
        }
        KImporter lImporter(&mRead.mFactory);
        lImporter.SetFileFormat(
            KFileFormatRegistry::Kit().GetImportFormatFromFileName(pFrom.c_str()));
        const bool lRead = lImporter.Initialize(pFrom.c_str()) &&
                           (mOptions = lImporter.GetReadOptions()) &&
                           lImporter.Import(mRead.mScene, mOptions.get());
        mReason = lImporter.GetReason().Buffer();
        return lRead;
    }

    // The scene as pTo, an AMC with the ASF beside it.
    bool Write(const std::string& pTo)
    {
        if (IsAmc(pTo)) {
            return WritePair(AsfOf(pTo), pTo);
        }
        KExporter lExporter(&mRead.mFactory);
        lExporter.SetFileFormat(
            KFileFormatRegistry::Kit().GetExportFormatFromFileName(pTo.c_str()));
        lExporter.Initialize(pTo.c_str());
        std::unique_ptr<KStreamOptions> lWrite = lExporter.GetWriteOptions();
        const bool lWritten = lExporter.Export(mRead.mScene, lWrite.get());
        mReason = lExporter.GetReason().Buffer();
        return lWritten;
    }

    bool WritePair(const std::string& pAsf, const std::string& pAmc)
    {
        KWriterAsf lAsf(&mRead.mFactory);
        std::unique_ptr<KStreamOptions> lOptions = lAsf.GetWriteOptions();
        KWriterAmc lAmc(&mRead.mFactory);
        const bool lAsfWritten =
            lAsf.FileCreate(pAsf.c_str()) && lAsf.Write(mRead.mScene, lOptions.get());
        const bool lWritten = lAsfWritten && lAmc.FileCreate(pAmc.c_str()) &&
                              lAmc.Write(mRead.mScene, lOptions.get());
        mReason = (lAsfWritten ? lAmc.GetError() : lAsf.GetError()).GetLastErrorString().Buffer();
        return lWritten;
    }

    bool Convert(const std::string& pFrom, const std::string& pTo)
    {
        return Read(pFrom) && Write(pTo);
    }

    bool ConvertToPair(const std::string& pFrom, const std::string& pAsf, const std::string& pAmc)
    {
        return Read(pFrom) && WritePair(pAsf, pAmc);
    }
};

#endif
