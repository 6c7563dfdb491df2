#include "core/KIniFile.h"

#include "core/KFileUtils.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

bool SameNoCase(const std::string& pA, const std::string& pB)
{
    if (pA.size() != pB.size()) {
        return false;
    }
    for (std::size_t i = 0; i < pA.size(); ++i) {
        const unsigned char a = static_cast<unsigned char>(pA[i]);
        const unsigned char b = static_cast<unsigned char>(pB[i]);
        const unsigned char upperA = a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a;
        const unsigned char upperB = b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b;
        if (upperA != upperB) {
            return false;
        }
    }
    return true;
}

std::string TrimBlanks(const std::string& pText)
{
    const std::size_t first = pText.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return pText.substr(first, pText.find_last_not_of(" \t") - first + 1);
}

bool HasLineEnd(const std::string& pText)
{
    return pText.find_first_of("\r\n") != std::string::npos;
}

std::string ComputerName()
{
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0 || !name[0]) {
        return "localhost";
    }
    return name;
}

} // namespace

KIniFile::KIniFile(const char* pName, bool pLoad) : mPath(GetFilePath(pName))
{
    if (pLoad) {
        Load();
    }
}

KString KIniFile::GetSettingsFolder()
{
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        return KString(".");
    }
    return MakeAbsolutePath(home, ".ryvkit");
}

KString KIniFile::GetFilePath(const char* pName)
{
    if (!pName || pName[0] != '@') {
        return KString(pName ? pName : "");
    }
    const std::string fileName = ComputerName() + "." + (pName + 1);
    return MakeAbsolutePath(GetSettingsFolder().Buffer(), fileName.c_str());
}

bool KIniFile::Load()
{
    mSections.clear();
    std::FILE* file = mPath.IsEmpty() ? nullptr : std::fopen(mPath.Buffer(), "rb");
    if (!file) {
        return false;
    }
    // Values before the first section line belong to the nameless section.
    std::string current;
    std::string line;
    while (ReadTextLine(line, file)) {
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        const std::string trimmed = TrimBlanks(line);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            current = TrimBlanks(trimmed.substr(1, trimmed.size() - 2));
            if (!FindSection(current)) {
                mSections.push_back(Section{current, {}});
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = TrimBlanks(line.substr(0, equals));
        // One blank after '=' belongs to the format; the rest of the value is kept as written.
        std::size_t valueStart = equals + 1;
        if (valueStart < line.size() && line[valueStart] == ' ') {
            ++valueStart;
        }
        if (!key.empty()) {
            SetValue(current.c_str(), key.c_str(), line.c_str() + valueStart);
        }
    }
    std::fclose(file);
    return true;
}

bool KIniFile::Save() const
{
    if (mPath.IsEmpty()) {
        return false;
    }
    CreateFileFolders(mPath.Buffer());
    const KString folder = GetFileDirectory(mPath.Buffer());
    const KString backup = MakeAbsolutePath(folder.Buffer(), "backupfile.ini");
    return WriteTo(backup.Buffer()) && WriteTo(mPath.Buffer());
}

bool KIniFile::WriteTo(const char* pPath) const
{
    std::FILE* file = std::fopen(pPath, "wb");
    if (!file) {
        return false;
    }
    bool ok = true;
    for (const Section& section : mSections) {
        if (!section.mName.empty()) {
            ok = ok && std::fprintf(file, "[%s]\n", section.mName.c_str()) >= 0;
        }
        for (const Entry& entry : section.mEntries) {
            ok = ok &&
                 std::fprintf(file, "%s = %s\n", entry.mKey.c_str(), entry.mValue.c_str()) >= 0;
        }
    }
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

KString KIniFile::GetValue(const char* pSection, const char* pKey, const char* pDefault) const
{
    const Section* section = FindSection(pSection ? TrimBlanks(pSection) : std::string());
    if (section && pKey) {
        for (const Entry& entry : section->mEntries) {
            if (SameNoCase(entry.mKey, pKey)) {
                return KString(entry.mValue.c_str(), static_cast<int>(entry.mValue.size()));
            }
        }
    }
    return KString(pDefault);
}

bool KIniFile::SetValue(const char* pSection, const char* pKey, const char* pValue)
{
    const std::string sectionName = pSection ? TrimBlanks(pSection) : std::string();
    const std::string key = pKey ? TrimBlanks(pKey) : std::string();
    const std::string value = pValue ? pValue : "";
    if (key.empty() || key.find('=') != std::string::npos || HasLineEnd(key) ||
        HasLineEnd(sectionName) || HasLineEnd(value)) {
        return false;
    }
    Section* section = FindSection(sectionName);
    if (!section) {
        // Nameless values are written before the first section line, or they would read back
        // as part of that section.
        const auto where = sectionName.empty() ? mSections.begin() : mSections.end();
        section = &*mSections.insert(where, Section{sectionName, {}});
    }
    for (Entry& entry : section->mEntries) {
        if (SameNoCase(entry.mKey, key)) {
            entry.mValue = value;
            return true;
        }
    }
    section->mEntries.push_back(Entry{key, value});
    return true;
}

int KIniFile::GetDisplayPrecision() const
{
    constexpr int kDefaultPrecision = 2;
    const KString text = GetValue("NumericField", "Decimal", "2");
    const char* begin = text.Buffer();
    const char* end = begin + text.GetLen();
    int precision = 0;
    const std::from_chars_result result = std::from_chars(begin, end, precision);
    if (result.ec != std::errc() || result.ptr != end || precision < 0 || precision > 15) {
        return kDefaultPrecision;
    }
    return precision;
}

KIniFile::Section* KIniFile::FindSection(const std::string& pName)
{
    for (Section& section : mSections) {
        if (SameNoCase(section.mName, pName)) {
            return &section;
        }
    }
    return nullptr;
}

const KIniFile::Section* KIniFile::FindSection(const std::string& pName) const
{
    for (const Section& section : mSections) {
        if (SameNoCase(section.mName, pName)) {
            return &section;
        }
    }
    return nullptr;
}
