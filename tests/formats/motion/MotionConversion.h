#ifndef RYVKIT_TESTS_FORMATS_MOTION_MOTIONCONVERSION_H
#define RYVKIT_TESTS_FORMATS_MOTION_MOTIONCONVERSION_H

#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "tests/formats/motion/asf-amc/AsfAmcTestSupport.h"

#include <memory>
#include <string>

// A scene read from a motion file (an AMC against the ASF beside it), written by the writers
// with their own options.
struct MotionConversion
{
    AsfAmcScene mRead;
    std::string mReason;

    bool Read(const std::string& pFrom)
    {
        if (pFrom.size() > 4 && pFrom.compare(pFrom.size() - 4, 4, ".amc") == 0) {
            const std::string lAsf = pFrom.substr(0, pFrom.size() - 4) + ".asf";
            mReason = "cannot read the pair";
            return mRead.ReadAsf(lAsf) && mRead.ReadAmc(pFrom);
        }
        KImporter lImporter(&mRead.mFactory);
        lImporter.SetFileFormat(
            KFileFormatRegistry::Kit().GetImportFormatFromFileName(pFrom.c_str()));
        std::unique_ptr<KStreamOptions> lOptions;
        const bool lRead = lImporter.Initialize(pFrom.c_str()) &&
                           (lOptions = lImporter.GetReadOptions()) &&
                           lImporter.Import(mRead.mScene, lOptions.get());
        mReason = lImporter.GetReason().Buffer();
        return lRead;
    }

    bool Convert(const std::string& pFrom, const std::string& pTo)
    {
        if (!Read(pFrom)) {
            return false;
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

    bool ConvertToPair(const std::string& pFrom, const std::string& pAsf, const std::string& pAmc)
    {
        if (!Read(pFrom)) {
            return false;
        }
        KWriterAsf lAsf(&mRead.mFactory);
        std::unique_ptr<KStreamOptions> lOptions = lAsf.GetWriteOptions();
        KWriterAmc lAmc(&mRead.mFactory);
        return lAsf.FileCreate(pAsf.c_str()) && lAsf.Write(mRead.mScene, lOptions.get()) &&
               lAmc.FileCreate(pAmc.c_str()) && lAmc.Write(mRead.mScene, lOptions.get());
    }
};

#endif
