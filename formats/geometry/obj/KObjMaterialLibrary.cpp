#include "formats/geometry/obj/KObjMaterialLibrary.h"

#include "core/KColor.h"
#include "core/KFileUtils.h"
#include "formats/geometry/obj/KObjTextReader.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"

#include <algorithm>
#include <filesystem>
#include <optional>

KObjMaterialLibrary::~KObjMaterialLibrary()
{
    Close();
}

void KObjMaterialLibrary::Close()
{
    mLibraries.clear();
}

namespace {

// Every library stays open and its materials in memory for the whole read, so a file naming
// thousands of libraries would cost that many streams; real files name a few.
constexpr std::size_t kMaxLibraries = 64;

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
        const auto lOpen =
            std::find_if(mLibraries.begin(), mLibraries.end(),
                         [&lPath](const Library& pLibrary) { return pLibrary.mPath == lPath; });
        if (lOpen != mLibraries.end()) {
            return true;
        }
        if (mLibraries.size() >= kMaxLibraries) {
            return false;
        }
        // The entry is made before the stream is opened, so running out of memory cannot
        // leave a stream nobody closes.
        Library& lLibrary = mLibraries.emplace_back();
        lLibrary.mSource = std::make_unique<KByteSource>();
        // Only a regular file opens: a device without end, a FIFO or a folder is refused.
        if (lLibrary.mSource->OpenFile(lPath.c_str(), false)) {
            lLibrary.mFolder = GetFileDirectory(lPath.c_str()).Buffer();
            lLibrary.mPath = lPath;
            return true;
        }
        mLibraries.pop_back();
    }
    return false;
}

namespace {

// The texture path as stored: beside the library when anything stands there, else as written.
// Whatever stands there (a FIFO, a device, a link) is named so that copying it can say why it is
// refused; nothing here opens it.
std::string ResolveTexturePath(std::string_view pText, const std::string& pFolder)
{
    const std::string lText(pText);
    if (!pFolder.empty()) {
        const KString lBeside = MakeAbsolutePath(pFolder.c_str(), lText.c_str());
        std::error_code lError;
        if (std::filesystem::symlink_status(lBeside.Buffer(), lError).type() !=
            std::filesystem::file_type::not_found) {
            return lBeside.Buffer();
        }
    }
    return lText;
}

// The two ways a library states how opaque a material is: "d" is the opacity, "Tr" its
// complement, the transparency. Where both are given, "d" holds whatever their order.
struct KObjOpacity
{
    std::optional<double> mDissolve;
    std::optional<double> mTransparency;

    void ApplyTo(KRyvMaterial& ioMaterial) const
    {
        if (mDissolve) {
            ioMaterial.SetOpacity(*mDissolve);
        } else if (mTransparency) {
            ioMaterial.SetOpacity(1.0 - *mTransparency);
        }
    }
};

void ApplyStatement(std::string_view pKeyword, std::string_view pArguments, std::string_view pName,
                    const std::string& pFolder, KRyvObjectFactory* pFactory,
                    KRyvMaterial* ioMaterial, KRyvTexture*& ioTexture, KObjOpacity& ioOpacity)
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
    } else if (pKeyword == "d" || pKeyword == "Tr") {
        if (KObjTextReader::ParseDoubles(pArguments, lValues, 1) == 1) {
            (pKeyword == "d" ? ioOpacity.mDissolve : ioOpacity.mTransparency) = lValues[0];
        }
    } else if (pKeyword == "map_Kd" && !pArguments.empty()) {
        if (!ioTexture) {
            ioTexture = pFactory->CreateTexture(std::string(pName).c_str());
        }
        if (ioTexture) {
            ioTexture->SetFileName(ResolveTexturePath(pArguments, pFolder).c_str());
            // As written, relative to the library: a writer that copies textures tells from it
            // whether the file lies in the library's folder.
            ioTexture->SetRelativeFileName(std::string(pArguments).c_str());
        }
    }
}

} // namespace

// The first "newmtl" of a name is the one used, so the statements of a later one of the same
// name, and those before any "newmtl", are not kept.
void KObjMaterialLibrary::Index(Library& ioLibrary)
{
    ioLibrary.mIndexed = true;
    KObjTextReader lText(ioLibrary.mSource->GetStream());
    lText.Rewind();
    Definition* lCurrent = nullptr;
    while (lText.Next()) {
        const std::string_view lKeyword = lText.GetKeyword();
        if (lKeyword == "newmtl") {
            lCurrent = nullptr;
            std::string_view lArguments = lText.GetArguments();
            std::string_view lWord;
            if (KObjTextReader::NextWord(lArguments, lWord)) {
                const auto lAdded = ioLibrary.mDefinitions.emplace(
                    std::string(lWord), Definition{ioLibrary.mStatements.size(), 0});
                if (lAdded.second) {
                    lCurrent = &lAdded.first->second;
                }
            }
        } else if (lCurrent) {
            const std::string_view lArguments = lText.GetArguments();
            ioLibrary.mStatements.push_back(
                {ioLibrary.mText.size(), lKeyword.size(), lArguments.size()});
            ioLibrary.mText.append(lKeyword).append(lArguments);
            ++lCurrent->mCount;
        }
    }
}

bool KObjMaterialLibrary::ReadMaterial(std::string_view pName, KRyvObjectFactory* pFactory,
                                       KRyvMaterial* ioMaterial, KRyvTexture*& oTexture)
{
    oTexture = nullptr;
    const std::string lName(pName);
    for (Library& lLibrary : mLibraries) {
        if (!lLibrary.mIndexed) {
            Index(lLibrary);
        }
        const auto lFound = lLibrary.mDefinitions.find(lName);
        if (lFound == lLibrary.mDefinitions.end()) {
            continue;
        }
        if (ioMaterial) {
            const Definition& lDefinition = lFound->second;
            KObjOpacity lOpacity;
            for (std::size_t i = 0; i < lDefinition.mCount; ++i) {
                const Statement& lStatement = lLibrary.mStatements[lDefinition.mFirst + i];
                const std::string_view lText =
                    std::string_view(lLibrary.mText).substr(lStatement.mOffset);
                ApplyStatement(lText.substr(0, lStatement.mKeywordSize),
                               lText.substr(lStatement.mKeywordSize, lStatement.mArgumentsSize),
                               pName, lLibrary.mFolder, pFactory, ioMaterial, oTexture, lOpacity);
            }
            lOpacity.ApplyTo(*ioMaterial);
        }
        return true;
    }
    return false;
}
