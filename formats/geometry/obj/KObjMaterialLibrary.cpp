#include "formats/geometry/obj/KObjMaterialLibrary.h"

#include "core/KColor.h"
#include "core/KFileUtils.h"
#include "formats/geometry/obj/KObjTextReader.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"

#include <algorithm>
#include <filesystem>

KObjMaterialLibrary::~KObjMaterialLibrary()
{
    Close();
}

void KObjMaterialLibrary::Close()
{
    for (Library& lLibrary : mLibraries) {
        std::fclose(lLibrary.mStream);
    }
    mLibraries.clear();
}

namespace {

// Every library is searched again for each material used, so a file naming the same library
// thousands of times would cost that many streams and searches; real files name a few.
constexpr std::size_t kMaxLibraries = 64;

// A name from the file may point at a device without end (/dev/zero), a pipe that blocks on
// opening or a folder; only regular files are read.
bool IsRegularFile(const std::string& pPath)
{
    std::error_code lError;
    return std::filesystem::is_regular_file(pPath, lError);
}

} // namespace

bool KObjMaterialLibrary::Open(std::string_view pName, const std::string& pObjFolder)
{
    const std::string lName(pName);
    std::string lSlashed = lName;
    std::replace(lSlashed.begin(), lSlashed.end(), '\\', '/');
    const std::string lCandidates[] = {
        pObjFolder.empty() ? lName : MakeAbsolutePath(pObjFolder.c_str(), lName.c_str()).Buffer(),
        lName,
        pObjFolder.empty() ? lSlashed
                           : MakeAbsolutePath(pObjFolder.c_str(), lSlashed.c_str()).Buffer(),
    };
    for (const std::string& lPath : lCandidates) {
        if (!IsRegularFile(lPath)) {
            continue;
        }
        const auto lOpen =
            std::find_if(mLibraries.begin(), mLibraries.end(),
                         [&lPath](const Library& pLibrary) { return pLibrary.mPath == lPath; });
        if (lOpen != mLibraries.end()) {
            return true;
        }
        if (mLibraries.size() >= kMaxLibraries) {
            return false;
        }
        if (std::FILE* lStream = std::fopen(lPath.c_str(), "rb")) {
            mLibraries.push_back({lStream, GetFileDirectory(lPath.c_str()).Buffer(), lPath});
            return true;
        }
    }
    return false;
}

namespace {

// The texture path as stored: beside the library when the file is there, else as written.
std::string ResolveTexturePath(std::string_view pText, const std::string& pFolder)
{
    const std::string lText(pText);
    if (!pFolder.empty()) {
        const KString lBeside = MakeAbsolutePath(pFolder.c_str(), lText.c_str());
        if (IsRegularFile(lBeside.Buffer())) {
            return lBeside.Buffer();
        }
    }
    return lText;
}

void ApplyStatement(std::string_view pKeyword, std::string_view pArguments, std::string_view pName,
                    const std::string& pFolder, KRyvObjectFactory* pFactory,
                    KRyvMaterial* ioMaterial, KRyvTexture*& ioTexture)
{
    double lValues[3];
    if (pKeyword == "Ka" || pKeyword == "Kd" || pKeyword == "Ks") {
        if (!KObjTextReader::ParseExactDoubles(pArguments, lValues, 3)) {
            return;
        }
        const KColor lColor(lValues[0], lValues[1], lValues[2], 1.0);
        if (pKeyword == "Ka") {
            ioMaterial->SetAmbientColor(lColor);
        } else if (pKeyword == "Kd") {
            ioMaterial->SetDiffuseColor(lColor);
        } else {
            ioMaterial->SetSpecularColor(lColor);
        }
    } else if (pKeyword == "Ns") {
        if (KObjTextReader::ParseDoubles(pArguments, lValues, 1) == 1) {
            ioMaterial->SetShininess(lValues[0] * 0.01);
        }
    } else if (pKeyword == "Tr" || pKeyword == "d") {
        if (KObjTextReader::ParseDoubles(pArguments, lValues, 1) == 1) {
            ioMaterial->SetOpacity(lValues[0]);
        }
    } else if (pKeyword == "map_Kd" && !pArguments.empty()) {
        if (!ioTexture) {
            ioTexture = pFactory->CreateTexture(std::string(pName).c_str());
        }
        if (ioTexture) {
            ioTexture->SetFileName(ResolveTexturePath(pArguments, pFolder).c_str());
        }
    }
}

} // namespace

bool KObjMaterialLibrary::ReadMaterial(std::string_view pName, KRyvObjectFactory* pFactory,
                                       KRyvMaterial* ioMaterial, KRyvTexture*& oTexture)
{
    oTexture = nullptr;
    for (const Library& lLibrary : mLibraries) {
        KObjTextReader lText(lLibrary.mStream);
        lText.Rewind();
        bool lFound = false;
        while (lText.Next()) {
            const std::string_view lKeyword = lText.GetKeyword();
            if (lKeyword == "newmtl") {
                if (lFound) {
                    return true;
                }
                std::string_view lArguments = lText.GetArguments();
                std::string_view lWord;
                lFound = KObjTextReader::NextWord(lArguments, lWord) && lWord == pName;
            } else if (lFound && ioMaterial) {
                ApplyStatement(lKeyword, lText.GetArguments(), pName, lLibrary.mFolder, pFactory,
                               ioMaterial, oTexture);
            }
        }
        if (lFound) {
            return true;
        }
    }
    return false;
}
