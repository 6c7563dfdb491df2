// ryvconvert: converts a scene or motion file into another format through the kit's importer
// and exporter, choosing each format by its file extension, or prints a summary of what a file
// holds. The formats come from the kit's file-format registry only.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KByteSource.h"
#include "core/KColor.h"
#include "core/KFileUtils.h"
#include "core/KOutputFile.h"
#include "core/KOutputGroup.h"
#include "formats/motion/KReaderOptical.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KSideFile.h"
#include "io/KStreamOptions.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvLayerContainer.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvTexture.h"

namespace {

const char* const kUsage = "usage: ryvconvert [RYV OPTIONS] [--skeleton ASF] [--] INPUT [OUTPUT] | "
                           "--formats | --help | --version\n";

// The choices for native files; a password never comes from the command line, where the process
// list would show it.
struct NativeChoices
{
    bool mAscii = false;
    bool mDialect5 = false;
    bool mEncrypt = false;
    bool mEmbedMedia = false;
    std::string mPassword;
    bool mPasswordGiven = false;
    // The option the password came with, for messages.
    const char* mPasswordOption = "";
    // A summary only looks at the file: embedded media are not written out for it.
    bool mRestoreMedia = true;
    // The ASF skeleton of an AMC input; empty: the ASF file of the same name beside it.
    std::string mSkeleton;
};

// Passwords longer than this are refused rather than cut: a cut password would not open the
// file with the same password given another way.
constexpr std::size_t kMaxPasswordSize = 4096;

// Reads the whole first line of the file as the password (its line end dropped). False, with the
// cause in oCause, when the file does not open (a folder, a FIFO: "is a directory"), holds a zero
// byte in that line or a line longer than kMaxPasswordSize bytes.
bool ReadPasswordFile(const char* pPath, std::string& oPassword, std::string& oCause)
{
    KByteSource lSource;
    if (!lSource.OpenFile(pPath, false)) {
        oCause = lSource.GetReason();
        return false;
    }
    oPassword.clear();
    for (int lChar; (lChar = std::fgetc(lSource.GetStream())) != EOF && lChar != '\n';) {
        if (lChar == '\0') {
            oCause = "its first line holds a zero byte";
            return false;
        }
        if (oPassword.size() == kMaxPasswordSize) {
            oCause = "the password is longer than " + std::to_string(kMaxPasswordSize) + " bytes";
            return false;
        }
        oPassword += static_cast<char>(lChar);
    }
    if (!oPassword.empty() && oPassword.back() == '\r') {
        oPassword.pop_back();
    }
    return true;
}

// Consumes the options among the arguments; the rest stay in oFiles. Every argument after "--"
// is a file. False on wrong usage.
bool ParseArguments(int pCount, char** pArguments, NativeChoices& oChoices,
                    std::vector<const char*>& oFiles)
{
    bool lOptionsEnded = false;
    for (int i = 1; i < pCount; ++i) {
        const std::string lArgument = pArguments[i];
        const bool lHasValue = i + 1 < pCount;
        if (lOptionsEnded) {
            oFiles.push_back(pArguments[i]);
        } else if (lArgument == "--") {
            // What follows is a file, whatever it begins with ("-d.obj").
            lOptionsEnded = true;
        } else if (lArgument == "--ascii") {
            oChoices.mAscii = true;
        } else if (lArgument == "--5x") {
            oChoices.mDialect5 = true;
        } else if (lArgument == "--encrypt") {
            oChoices.mEncrypt = true;
        } else if (lArgument == "--embed-media") {
            oChoices.mEmbedMedia = true;
        } else if (lArgument == "--password-file" && lHasValue) {
            std::string lCause;
            if (!ReadPasswordFile(pArguments[++i], oChoices.mPassword, lCause)) {
                std::fprintf(stderr, "ryvconvert: password file %s: %s\n", pArguments[i],
                             lCause.c_str());
                return false;
            }
            oChoices.mPasswordGiven = true;
            oChoices.mPasswordOption = "--password-file";
        } else if (lArgument == "--skeleton" && lHasValue) {
            oChoices.mSkeleton = pArguments[++i];
        } else if (lArgument == "--password-env" && lHasValue) {
            const char* lValue = std::getenv(pArguments[++i]);
            if (!lValue) {
                std::fprintf(stderr, "ryvconvert: the variable %s is not set\n", pArguments[i]);
                return false;
            }
            oChoices.mPassword = lValue;
            oChoices.mPasswordGiven = true;
            oChoices.mPasswordOption = "--password-env";
        } else if (lArgument.empty() || lArgument[0] == '-') {
            return false;
        } else {
            oFiles.push_back(pArguments[i]);
        }
    }
    return !oFiles.empty() && oFiles.size() <= 2;
}

// False when the native choices contradict each other: an encrypted file is binary 6.0 and
// needs a password.
bool NativeChoicesAgree(const NativeChoices& pChoices)
{
    const bool lFormOk = !(pChoices.mEncrypt && (pChoices.mAscii || pChoices.mDialect5));
    return lFormOk && (!pChoices.mEncrypt || pChoices.mPasswordGiven);
}

// Null when every native choice given has a native file to apply to; otherwise the first
// option that has none: the form options need a native output, a password a native input or
// output.
const char* FindIdleNativeOption(const NativeChoices& pChoices, bool pNativeInput,
                                 bool pNativeOutput)
{
    const std::pair<bool, const char*> kFormOptions[] = {{pChoices.mAscii, "--ascii"},
                                                         {pChoices.mDialect5, "--5x"},
                                                         {pChoices.mEncrypt, "--encrypt"},
                                                         {pChoices.mEmbedMedia, "--embed-media"}};
    for (const auto& [lGiven, lName] : kFormOptions) {
        if (lGiven && !pNativeOutput) {
            return lName;
        }
    }
    return pChoices.mPasswordGiven && !pNativeInput && !pNativeOutput ? pChoices.mPasswordOption
                                                                      : nullptr;
}

// "ryvconvert: --ascii is for a native (.ryv) output; walk.bvh is not one".
void ReportIdleOption(const char* pOption, bool pPassword, const std::vector<const char*>& pFiles)
{
    const bool lConvert = pFiles.size() == 2;
    std::string lFault;
    if (pPassword) {
        lFault = lConvert ? std::string("neither ") + pFiles[0] + " nor " + pFiles[1] + " is one"
                          : std::string(pFiles[0]) + " is not one";
    } else {
        lFault = lConvert ? std::string(pFiles[1]) + " is not one" : "nothing is written";
    }
    std::fprintf(stderr, "ryvconvert: %s is for a native (.ryv) %s; %s\n", pOption,
                 pPassword ? "file" : "output", lFault.c_str());
}

// The exporter code of a native output for the choices.
int NativeExportCode(const NativeChoices& pChoices)
{
    if (pChoices.mEncrypt) {
        return KFileFormatRegistry::kExportRyvEncrypted;
    }
    if (pChoices.mDialect5) {
        return pChoices.mAscii ? KFileFormatRegistry::kExportRyv5Ascii
                               : KFileFormatRegistry::kExportRyv5Binary;
    }
    return pChoices.mAscii ? KFileFormatRegistry::kExportRyvAscii
                           : KFileFormatRegistry::kExportRyvBinary;
}

void ApplyNativeChoices(const NativeChoices& pChoices, KStreamOptions* ioOptions)
{
    auto* lOptions = dynamic_cast<KStreamOptionsRyv*>(ioOptions);
    if (lOptions) {
        lOptions->SetPassword(pChoices.mPassword.c_str());
        lOptions->SetOptionValue(KStreamOptionsRyv::kEmbedMedia, pChoices.mEmbedMedia ? 1 : 0);
        lOptions->SetRestoreMedia(pChoices.mRestoreMedia);
    }
}

void PrintHelp()
{
    std::printf("%s", kUsage);
    std::printf(
        "\n"
        "ryvconvert INPUT OUTPUT  reads INPUT with the reader its extension names and\n"
        "                         writes OUTPUT with the writer its extension names\n"
        "ryvconvert INPUT         reads INPUT and prints a summary of the scene\n"
        "\n"
        "  --formats  list the formats and whether they are read and written\n"
        "\n"
        "Native (.ryv) files are written as binary 6.0 unless told otherwise:\n"
        "  --ascii              write the ASCII form\n"
        "  --5x                 write the older 5.x dialect (binary, or ASCII with --ascii)\n"
        "  --encrypt            write an encrypted binary 6.0 file (needs a password)\n"
        "  --embed-media        store the texture and video files in the file\n"
        "  --password-file F    the password is the whole first line of the file F\n"
        "                       (at most 4096 bytes, no zero byte)\n"
        "  --password-env NAME  the password is the value of the environment variable\n"
        "The password also opens an encrypted input; it is never taken from the command\n"
        "line itself. Given without a .ryv file to apply to, these options are wrong usage.\n"
        "  --help     print this text\n"
        "  --version  print the kit's version\n"
        "  --         end the options: every argument after it is a file, even one\n"
        "             that begins with '-'\n"
        "\n"
        "An AMC motion is read against its ASF skeleton: the .asf file of the same name\n"
        "beside the .amc file, unless told otherwise:\n"
        "  --skeleton F         read the skeleton from the ASF file F\n"
        "Writing an AMC file writes its skeleton beside it as well (walk.amc gives\n"
        "walk.asf); both replace the files there together, or neither does. A link at\n"
        "walk.asf is replaced itself, never written through. Side files (the skeleton,\n"
        "an OBJ file's material library and textures) go in the folder of the output\n"
        "as named, even when it is a link; an output that is a device or a pipe has no\n"
        "place for them, and a write that needs them there is refused.\n"
        "\n"
        "Marker names that an optical file (C3D, TRC, AOA, MCD) repeats are made unique\n"
        "with a warning.\n"
        "\n"
        "Warnings go to standard error. Exit status: 0 on success, 1 when reading or\n"
        "writing fails, 2 on wrong usage.\n");
}

void PrintFormats()
{
    std::printf("%-6s %-14s %-5s %s\n", "ext", "format", "read", "write");
    for (const KFileFormatDescriptor& lFormat : KFileFormatRegistry::Kit().GetFormats()) {
        if (lFormat.mExtension) {
            std::printf("%-6s %-14s %-5s %s\n", lFormat.mExtension, lFormat.mName,
                        lFormat.mImportFormat >= 0 ? "yes" : "no",
                        lFormat.mExportFormat >= 0 ? "yes" : "no");
        }
    }
}

// The message of a reader or writer, but for the reason of its failure (pReason), which the
// refusal line that follows names instead.
void PrintWarnings(const KString& pMessage, const KString& pReason)
{
    std::string lText = pMessage.Buffer();
    const std::string lReason = std::string(pReason.Buffer()) + "\n";
    const std::size_t lAt = pReason.IsEmpty() ? std::string::npos : lText.find(lReason);
    if (lAt != std::string::npos) {
        lText.erase(lAt, lReason.size());
    }
    if (!lText.empty()) {
        std::fprintf(stderr, "%s", lText.c_str());
        if (lText.back() != '\n') {
            std::fprintf(stderr, "\n");
        }
    }
}

// "ryvconvert: cannot <verb> <path>: <cause>", the file named once: readers and writers begin
// their reasons with the file's name ("walk.bvh:212: why"), which the path given replaces. The
// cause is the reason when there is one, else the error's own text.
void PrintRefusal(const char* pVerb, const char* pPath, const KString& pReason,
                  const KError& pError)
{
    const std::string lCause = (pReason.IsEmpty() ? pError.GetLastErrorString() : pReason).Buffer();
    std::string lNamed = std::string(pPath) + ": " + lCause;
    for (const std::string& lName :
         {std::string(pPath), std::string(GetFileName(pPath).Buffer())}) {
        if (!lName.empty() && lCause.size() > lName.size() &&
            lCause.compare(0, lName.size(), lName) == 0 && lCause[lName.size()] == ':') {
            lNamed = pPath + lCause.substr(lName.size());
            break;
        }
    }
    std::fprintf(stderr, "ryvconvert: cannot %s %s\n", pVerb, lNamed.c_str());
}

// Progress on a terminal only, so that redirected output stays clean.
void ShowProgress(KStreamOptions& ioOptions)
{
    if (!isatty(fileno(stderr))) {
        return;
    }
    ioOptions.SetProgressCallback([](const char* pText, float pPercent) {
        std::fprintf(stderr, "\r%s: %3.0f%%", pText ? pText : "", static_cast<double>(pPercent));
        if (pPercent >= 100.0f) {
            std::fprintf(stderr, "\n");
        }
    });
}

// The reason a path cannot be read, in lower case ("is a directory", "permission denied"); empty
// when it opens. Only a regular file is opened (a socket would answer "no such device or
// address"), and without blocking, so that a path swapped for a pipe cannot stall the check.
std::string FindUnreadableCause(const char* pPath)
{
    struct stat lStat;
    int lError = 0;
    if (stat(pPath, &lStat) != 0) {
        lError = errno;
    } else if (S_ISDIR(lStat.st_mode)) {
        lError = EISDIR;
    } else if (!S_ISREG(lStat.st_mode)) {
        return "is not a regular file";
    } else {
        const int lFile = open(pPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        lError = lFile < 0 ? errno : 0;
        if (lFile >= 0) {
            close(lFile);
        }
    }
    if (lError == 0) {
        return std::string();
    }
    std::string lCause = std::strerror(lError);
    lCause[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lCause[0])));
    return lCause;
}

// Optical marker files that repeat a label (virtual marker sets list one twice) are read with
// the repeats renamed and a warning rather than refused. Only the optical readers read the
// option; the library's default leaves it off.
void AskUniqueMarkerNames(KStreamOptions* ioOptions)
{
    if (auto* lMotion = dynamic_cast<KStreamOptionsMotion*>(ioOptions)) {
        lMotion->SetOption(KReaderOptical::kOptionUniqueNames, 1);
    }
}

// An AMC step works on the skeleton its ASF step left in that step's option set.
void LendSkeleton(const KStreamOptions* pFrom, KStreamOptions* ioTo)
{
    const auto* lFrom = dynamic_cast<const KStreamOptionsMotion*>(pFrom);
    auto* lTo = dynamic_cast<KStreamOptionsMotion*>(ioTo);
    if (lFrom && lTo) {
        lTo->SetAttachedObject(lFrom->GetAttachedObject());
    }
}

// What a reader asks while it sets up its options (a TRC's time code: load it?) is answered with
// the first button, the one that takes the data the file comes with; each question and its
// answer are printed.
void AnswerReadQuestions(KImporter& ioImporter, KStreamOptions& ioOptions)
{
    ioOptions.SetQuestionCallback([](const char* pTitle, const char* pText, const char* pButton1,
                                     const char* pButton2, const char*) {
        // A single button only acknowledges a notice.
        std::fprintf(stderr, "ryvconvert: %s: %s%s%s\n", pTitle, pText, pButton2 ? " " : "",
                     pButton2 ? pButton1 : "");
        return 1;
    });
    ioImporter.AskReadQuestions(ioOptions);
}

// Reads pPath into the scene (pSkeleton: the option set of the ASF read an AMC read needs);
// oOptions keeps the option set the read used (null when none) and oCompanions the further files
// the reader took data from.
bool ReadScene(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const char* pPath,
               const NativeChoices& pChoices, const KStreamOptions* pSkeleton,
               std::unique_ptr<KStreamOptions>& oOptions, std::vector<std::string>& oCompanions)
{
    const std::string lCause = FindUnreadableCause(pPath);
    if (!lCause.empty()) {
        std::fprintf(stderr, "ryvconvert: cannot read %s: %s\n", pPath, lCause.c_str());
        return false;
    }
    KImporter lImporter(&ioFactory);
    const int lFormat = KFileFormatRegistry::Kit().GetImportFormatFromFileName(pPath);
    if (lFormat < 0) {
        std::fprintf(stderr, "ryvconvert: %s: no reader for this file extension\n", pPath);
        return false;
    }
    lImporter.SetFileFormat(lFormat);
    bool lRead = lImporter.Initialize(pPath);
    std::unique_ptr<KStreamOptions>& lOptions = oOptions;
    if (lRead) {
        lOptions = lImporter.GetReadOptions();
        if (lOptions) {
            ShowProgress(*lOptions);
            AnswerReadQuestions(lImporter, *lOptions);
            ApplyNativeChoices(pChoices, lOptions.get());
            AskUniqueMarkerNames(lOptions.get());
            LendSkeleton(pSkeleton, lOptions.get());
        }
        // No option set and an error: the reader could not take the file's header.
        lRead = (lOptions || lImporter.GetError().GetLastErrorID() < 0) &&
                lImporter.Import(&ioScene, lOptions.get());
    }
    PrintWarnings(lImporter.GetMessage(), lRead ? KString() : lImporter.GetReason());
    if (!lRead) {
        PrintRefusal("read", pPath, lImporter.GetReason(), lImporter.GetError());
    }
    oCompanions = lImporter.GetCompanionFiles();
    return lRead;
}

// A motion file is written over the span that was read. A scene read from another kind of file
// brings its span in its current take, which a motion writer given no frames takes itself (or
// refuses the scene with the reason it finds none).
void CopyMotionSpan(const KStreamOptions* pReadOptions, KStreamOptions* ioWriteOptions)
{
    const auto* lRead = dynamic_cast<const KStreamOptionsMotion*>(pReadOptions);
    auto* lWrite = dynamic_cast<KStreamOptionsMotion*>(ioWriteOptions);
    if (!lWrite || !lRead) {
        return;
    }
    lWrite->SetStart(lRead->GetStart());
    lWrite->SetFrameCount(lRead->GetFrameCount());
    lWrite->SetTimeMode(lRead->GetTimeMode(), lRead->GetFrameRate());
}

// The export format of an output path; -1, with a message, when no writer has its extension.
int FindExportFormat(const char* pPath)
{
    const int lFormat = KFileFormatRegistry::Kit().GetExportFormatFromFileName(pPath);
    if (lFormat < 0) {
        std::fprintf(stderr, "ryvconvert: %s: no writer for this file extension\n", pPath);
    }
    return lFormat;
}

// False, with a message, when a file the export would write is one the input was read from:
// the input itself under any name or link, or a companion file such as a material library.
bool KeepsInputFiles(KExporter& ioExporter, const char* pInput,
                     const std::vector<std::string>& pCompanions)
{
    std::vector<std::string> lInputs{pInput};
    lInputs.insert(lInputs.end(), pCompanions.begin(), pCompanions.end());
    for (const std::string& lOutput : ioExporter.GetOutputFiles()) {
        for (const std::string& lInput : lInputs) {
            if (!IsSameFile(lOutput.c_str(), lInput.c_str())) {
                continue;
            }
            if (lInput == pInput) {
                std::fprintf(stderr, "ryvconvert: %s is the input file; nothing was written\n",
                             lOutput.c_str());
            } else {
                std::fprintf(stderr,
                             "ryvconvert: writing %s would overwrite %s, which %s reads; nothing "
                             "was written\n",
                             ioExporter.GetFileName().Buffer(), lInput.c_str(), pInput);
            }
            return false;
        }
    }
    return true;
}

// Writes the scene read from pInput into pOutput with the format pFormat, unless that would
// overwrite a file of the input or the format can hold nothing of the scene. The file is put in
// place with the others of ioGroup.
bool WriteOne(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const char* pInput,
              const char* pOutput, int pFormat, const std::vector<std::string>& pCompanions,
              const KStreamOptions* pReadOptions, const NativeChoices& pChoices,
              const KStreamOptions* pSkeleton, KOutputGroup& ioGroup,
              std::unique_ptr<KStreamOptions>& oOptions)
{
    KExporter lExporter(&ioFactory);
    lExporter.SetFileFormat(pFormat);
    lExporter.Initialize(pOutput);
    lExporter.SetOutputGroup(&ioGroup);
    if (!KeepsInputFiles(lExporter, pInput, pCompanions)) {
        return false;
    }
    if (const char* lMissing = lExporter.FindMissingContent(&ioScene)) {
        std::fprintf(
            stderr, "ryvconvert: cannot write %s: %s has nothing the %s format holds (%s)\n",
            pOutput, pInput, KFileFormatRegistry::Kit().FindExportFormat(pFormat)->mName, lMissing);
        return false;
    }
    std::unique_ptr<KStreamOptions>& lOptions = oOptions;
    lOptions = lExporter.GetWriteOptions();
    if (lOptions) {
        CopyMotionSpan(pReadOptions, lOptions.get());
        ShowProgress(*lOptions);
        ApplyNativeChoices(pChoices, lOptions.get());
        LendSkeleton(pSkeleton, lOptions.get());
    }
    const bool lWritten = lExporter.Export(&ioScene, lOptions.get());
    PrintWarnings(lExporter.GetMessage(), lWritten ? KString() : lExporter.GetReason());
    if (!lWritten) {
        PrintRefusal("write", pOutput, lExporter.GetReason(), lExporter.GetError());
    }
    return lWritten;
}

// Writes the scene; an AMC output gets its ASF skeleton beside it, written first. Both are put
// in place together once both are whole: a failed or interrupted write leaves both old files.
bool WriteScene(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const char* pInput,
                const char* pOutput, int pFormat, const std::vector<std::string>& pCompanions,
                const KStreamOptions* pReadOptions, const NativeChoices& pChoices)
{
    KOutputGroup lGroup(pOutput);
    std::unique_ptr<KStreamOptions> lSkeleton;
    if (pFormat == KFileFormatRegistry::kExportAmc) {
        // Beside the output as named, a link of that name included; never beside a device or a
        // pipe, which leaves the skeleton no place.
        const std::string lAsf = KSideFile::GetPath(pOutput, ".amc", ".asf");
        if (!KSideFile::HasPlaceBeside(pOutput)) {
            std::fprintf(stderr,
                         "ryvconvert: cannot write %s: its skeleton %s has no place beside a "
                         "device or pipe\n",
                         pOutput, lAsf.c_str());
            return false;
        }
        if (!WriteOne(ioFactory, ioScene, pInput, lAsf.c_str(), KFileFormatRegistry::kExportAsf,
                      pCompanions, pReadOptions, pChoices, nullptr, lGroup, lSkeleton)) {
            return false;
        }
    }
    std::unique_ptr<KStreamOptions> lOptions;
    if (!WriteOne(ioFactory, ioScene, pInput, pOutput, pFormat, pCompanions, pReadOptions, pChoices,
                  lSkeleton.get(), lGroup, lOptions)) {
        return false;
    }
    if (!lGroup.Commit()) {
        // The file refused, which may be a side file of the output.
        const std::string& lRefused = lGroup.GetFailedTarget();
        std::fprintf(stderr, "ryvconvert: cannot write %s: %s\n",
                     lRefused.empty() ? pOutput : lRefused.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

// Reads pPath; an AMC input is read after its ASF skeleton, which becomes one of the files
// the outputs must not overwrite.
bool ReadInput(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const char* pPath,
               const NativeChoices& pChoices, std::unique_ptr<KStreamOptions>& oSkeleton,
               std::unique_ptr<KStreamOptions>& oOptions, std::vector<std::string>& oCompanions)
{
    std::vector<std::string> lSkeletonFiles;
    if (KFileFormatRegistry::Kit().GetImportFormatFromFileName(pPath) ==
        KFileFormatRegistry::kImportAmc) {
        const std::string lAsf = pChoices.mSkeleton.empty()
                                     ? KSideFile::GetPath(pPath, ".amc", ".asf")
                                     : pChoices.mSkeleton;
        if (!ReadScene(ioFactory, ioScene, lAsf.c_str(), pChoices, nullptr, oSkeleton,
                       lSkeletonFiles)) {
            return false;
        }
        lSkeletonFiles.push_back(lAsf);
    }
    const bool lRead =
        ReadScene(ioFactory, ioScene, pPath, pChoices, oSkeleton.get(), oOptions, oCompanions);
    oCompanions.insert(oCompanions.end(), lSkeletonFiles.begin(), lSkeletonFiles.end());
    return lRead;
}

// Leaf curves holding keys below a channel node.
int CountAnimatedCurves(const KFCurveNode* pNode)
{
    int lCount = 0;
    std::vector<const KFCurveNode*> lStack = {pNode};
    while (!lStack.empty()) {
        const KFCurveNode* lNode = lStack.back();
        lStack.pop_back();
        if (!lNode) {
            continue;
        }
        if (lNode->GetCount() == 0) {
            lCount += lNode->KeyGetCount() > 0 ? 1 : 0;
        }
        for (int i = 0; i < lNode->GetCount(); ++i) {
            lStack.push_back(lNode->Get(i));
        }
    }
    return lCount;
}

void PrintNode(KRyvNode* pNode, int pDepth)
{
    KRyvNodeAttribute* lAttribute = pNode->GetNodeAttribute();
    const KString lKind = lAttribute ? lAttribute->GetTypeName() : KString("no attribute");
    std::printf("%*s%s (%s)", pDepth * 2 + 2, "", pNode->GetName().Buffer(), lKind.Buffer());
    if (KRyvMesh* lMesh = static_cast<KRyvMesh*>(pNode->GetMesh())) {
        std::printf(": %d points, %d polygons, %d layers", lMesh->GetControlPointCount(),
                    lMesh->GetPolygonCount(), lMesh->GetLayerCount());
    } else if (KRyvLayerContainer* lGeometry =
                   static_cast<KRyvLayerContainer*>(pNode->GetGeometry())) {
        std::printf(": %d control points", lGeometry->GetControlPointCount());
    }
    std::printf("\n");
}

void PrintSummary(KRyvObjectFactory& ioFactory, KRyvScene& ioScene,
                  const std::vector<std::string>& pCompanions)
{
    for (const std::string& lCompanion : pCompanions) {
        std::printf("also read: %s\n", lCompanion.c_str());
    }
    std::printf("nodes:\n");
    std::vector<std::pair<KRyvNode*, int>> lStack;
    if (ioScene.GetRootNode()) {
        lStack.emplace_back(ioScene.GetRootNode(), 0);
    }
    while (!lStack.empty()) {
        const auto [lNode, lDepth] = lStack.back();
        lStack.pop_back();
        PrintNode(lNode, lDepth);
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lStack.emplace_back(lNode->GetChild(i), lDepth + 1);
        }
    }
    std::printf("materials: %d\n", ioFactory.GetMaterialCount());
    for (int i = 0; i < ioFactory.GetMaterialCount(); ++i) {
        const KRyvMaterial* lMaterial = ioFactory.GetMaterial(i);
        const KColor lDiffuse = lMaterial->GetDiffuseColor();
        std::printf("  %s: diffuse %.3f %.3f %.3f, opacity %.3f\n", lMaterial->GetName().Buffer(),
                    lDiffuse.mRed, lDiffuse.mGreen, lDiffuse.mBlue, lMaterial->GetOpacity());
    }
    std::printf("textures: %d\n", ioFactory.GetTextureCount());
    for (int i = 0; i < ioFactory.GetTextureCount(); ++i) {
        const KRyvTexture* lTexture = ioFactory.GetTexture(i);
        std::printf("  %s: %s\n", lTexture->GetName().Buffer(), lTexture->GetFileName());
    }
    std::vector<KString> lTakes;
    ioScene.FillTakeNameList(lTakes);
    std::printf("takes: %d\n", static_cast<int>(lTakes.size()));
    for (const KString& lTake : lTakes) {
        KTime lStart;
        KTime lStop;
        bool lAnimated = false;
        int lCurves = 0;
        for (int n = 0; n < ioScene.GetNodeCount(); ++n) {
            KRyvNode* lNode = ioScene.GetNode(n);
            for (int t = 0; lNode && t < lNode->GetTakeNodeCount(); ++t) {
                if (lTake != lNode->GetTakeNodeName(t)) {
                    continue;
                }
                // Channels a take has not made yet hold no keys: looking at the made ones
                // keeps a wide scene from making every channel of every node just to count.
                const KFCurveNode* lChannels = lNode->GetTakeNode(t)->GetMadeKFCurveNode();
                lCurves += CountAnimatedCurves(lChannels);
                // The interval only widens what it is given.
                KTime lNodeStart = KTime::kInfinity;
                KTime lNodeStop = KTime::kMinusInfinity;
                if (lChannels && lChannels->GetAnimationInterval(lNodeStart, lNodeStop)) {
                    if (!lAnimated || lNodeStart < lStart) {
                        lStart = lNodeStart;
                    }
                    if (!lAnimated || lStop < lNodeStop) {
                        lStop = lNodeStop;
                    }
                    lAnimated = true;
                }
            }
        }
        if (lAnimated) {
            std::printf("  %s: %.3f s to %.3f s, %d animated curves\n", lTake.Buffer(),
                        lStart.GetSecondDouble(), lStop.GetSecondDouble(), lCurves);
        } else {
            std::printf("  %s: no animation\n", lTake.Buffer());
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        PrintHelp();
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("ryvconvert %s\n", RYV_VERSION);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--formats") == 0) {
        PrintFormats();
        return 0;
    }
    NativeChoices lChoices;
    std::vector<const char*> lFiles;
    if (!ParseArguments(argc, argv, lChoices, lFiles)) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    const bool lConvert = lFiles.size() == 2;
    lChoices.mRestoreMedia = lConvert;
    // The output's format is known before the input is read, so a wrong extension costs nothing.
    int lFormat = lConvert ? FindExportFormat(lFiles[1]) : -1;
    if (lConvert && lFormat < 0) {
        return 1;
    }
    const bool lNativeOutput = KFileFormatRegistry::IsNativeExportFormat(lFormat);
    const bool lNativeInput = KFileFormatRegistry::IsNativeImportFormat(
        KFileFormatRegistry::Kit().GetImportFormatFromFileName(lFiles[0]));
    // An option that would do nothing is refused rather than dropped without a word.
    if (const char* lIdle = FindIdleNativeOption(lChoices, lNativeInput, lNativeOutput)) {
        ReportIdleOption(lIdle, lIdle == lChoices.mPasswordOption, lFiles);
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (!NativeChoicesAgree(lChoices)) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (lNativeOutput) {
        lFormat = NativeExportCode(lChoices);
    }
    // An interrupted write leaves no half-written temporary file behind.
    KOutputFile::InstallInterruptCleanup();
    KRyvObjectFactory lFactory;
    int lResult = 0;
    {
        KRyvScene lScene(&lFactory);
        std::unique_ptr<KStreamOptions> lSkeleton;
        std::unique_ptr<KStreamOptions> lReadOptions;
        std::vector<std::string> lCompanions;
        if (!ReadInput(lFactory, lScene, lFiles[0], lChoices, lSkeleton, lReadOptions,
                       lCompanions)) {
            lResult = 1;
        } else if (lConvert) {
            lResult = WriteScene(lFactory, lScene, lFiles[0], lFiles[1], lFormat, lCompanions,
                                 lReadOptions.get(), lChoices)
                          ? 0
                          : 1;
        } else {
            PrintSummary(lFactory, lScene, lCompanions);
        }
    }
    return lResult;
}
