#include "core/KDateTime.h"
#include "core/KFileUtils.h"
#include "core/KIniFile.h"
#include "core/KLog.h"
#include "core/KSettingsStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::string Text(const KString& pText)
{
    return pText.Buffer();
}

std::string ReadFile(const std::string& pPath)
{
    std::ifstream in(pPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& pPath, const std::string& pText)
{
    std::ofstream out(pPath, std::ios::binary);
    out << pText;
}

// A temporary folder that also serves as HOME while the test runs.
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ryvsettingsXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        mFolder = pattern;
        const char* home = std::getenv("HOME");
        mHadHome = home != nullptr;
        mOldHome = home ? home : "";
        setenv("HOME", mFolder.c_str(), 1);
    }

    void TearDown() override
    {
        if (mHadHome) {
            setenv("HOME", mOldHome.c_str(), 1);
        } else {
            unsetenv("HOME");
        }
        KLog::SetModuleFolder("");
        std::error_code ignored;
        std::filesystem::remove_all(mFolder, ignored);
    }

    std::string mFolder;
    std::string mOldHome;
    bool mHadHome = false;
};

std::string HostName()
{
    char name[256] = {};
    gethostname(name, sizeof(name) - 1);
    return name;
}

} // namespace

TEST_F(SettingsTest, IniFileRoundTrip)
{
    const std::string path = mFolder + "/sub/kit.ini";
    {
        KIniFile ini(path.c_str(), true);
        EXPECT_EQ(Text(ini.GetValue("NumericField", "Decimal", "2")), "2");
        EXPECT_TRUE(ini.SetValue("NumericField", "Decimal", "4"));
        EXPECT_TRUE(ini.SetValue("Paths", "Textures", "  C:\\tex = old  "));
        EXPECT_TRUE(ini.SetValue("Paths", "Empty", ""));
        EXPECT_TRUE(ini.SetValue("numericfield", "DECIMAL", "5"));
        EXPECT_FALSE(ini.SetValue("Paths", "a=b", "x") || ini.SetValue("Paths", "", "x"));
        EXPECT_FALSE(ini.SetValue("Paths", "Key", "two\nlines") ||
                     ini.SetValue("Pa\nths", "K", "x"));
        ASSERT_TRUE(ini.Save());
    }
    EXPECT_EQ(ReadFile(path), "[NumericField]\nDecimal = 5\n[Paths]\nTextures =   C:\\tex = old  \n"
                              "Empty = \n");
    // The backup beside it holds the same.
    EXPECT_EQ(ReadFile(mFolder + "/sub/backupfile.ini"), ReadFile(path));

    KIniFile back(path.c_str());
    EXPECT_EQ(Text(back.GetValue("Paths", "Textures", nullptr)), "  C:\\tex = old  ");
    EXPECT_EQ(Text(back.GetValue("paths", "textures", nullptr)), "  C:\\tex = old  ");
    EXPECT_TRUE(back.GetValue("Paths", "Empty", nullptr).IsEmpty());
    EXPECT_FALSE(back.GetValue("Paths", "Empty", nullptr).IsNull());
    EXPECT_TRUE(back.GetValue("Paths", "Missing", nullptr).IsNull());
    EXPECT_EQ(Text(back.GetValue("Missing", "Decimal", "d")), "d");
    EXPECT_EQ(back.GetDisplayPrecision(), 5);

    KIniFile notLoaded(path.c_str(), false);
    EXPECT_TRUE(notLoaded.GetValue("Paths", "Textures", nullptr).IsNull());
}

TEST_F(SettingsTest, IniFileReadsHandWrittenText)
{
    const std::string path = mFolder + "/hand.ini";
    WriteFile(path, "top=1\r\n; comment\r\n[ NumericField ]\r\nDecimal=x3\r\n  Spaced   =  v\r\n"
                    "[Other]\nDecimal = 7");
    KIniFile ini(path.c_str());
    EXPECT_EQ(Text(ini.GetValue("", "top", nullptr)), "1");
    EXPECT_EQ(Text(ini.GetValue("NumericField", "Spaced", nullptr)), " v");
    EXPECT_EQ(Text(ini.GetValue("Other", "Decimal", nullptr)), "7");
    // Not a whole number: the default precision.
    EXPECT_EQ(ini.GetDisplayPrecision(), 2);

    // Values outside any section stay in front of the first section line.
    ASSERT_TRUE(ini.SetValue("", "second", "2"));
    ASSERT_TRUE(ini.Save());
    KIniFile back(path.c_str());
    EXPECT_EQ(Text(back.GetValue("", "second", nullptr)), "2");
    EXPECT_TRUE(back.GetValue("Other", "second", nullptr).IsNull());

    KIniFile missing((mFolder + "/none.ini").c_str());
    EXPECT_EQ(missing.GetDisplayPrecision(), 2);
    EXPECT_FALSE(missing.Load());
}

TEST_F(SettingsTest, PerComputerNames)
{
    const std::string expected = mFolder + "/.ryvkit/" + HostName() + ".ryvkit.ini";
    EXPECT_EQ(Text(KIniFile::GetSettingsFolder()), mFolder + "/.ryvkit");
    EXPECT_EQ(Text(KIniFile::GetFilePath(KIniFile::kKitSettingsName)), expected);
    EXPECT_EQ(Text(KIniFile::GetFilePath("plain/name.ini")), "plain/name.ini");
    {
        KIniFile ini(KIniFile::kKitSettingsName);
        EXPECT_EQ(Text(ini.GetPath()), expected);
        ini.SetValue("NumericField", "Decimal", "3");
        ASSERT_TRUE(ini.Save());
    }
    EXPECT_TRUE(FileExists(expected.c_str()));
    EXPECT_TRUE(FileExists((mFolder + "/.ryvkit/backupfile.ini").c_str()));
    EXPECT_EQ(KIniFile(KIniFile::kKitSettingsName).GetDisplayPrecision(), 3);

    unsetenv("HOME");
    EXPECT_EQ(Text(KIniFile::GetSettingsFolder()), ".");
    EXPECT_EQ(Text(KIniFile::GetFilePath("@x.ini")), "./" + HostName() + ".x.ini");
}

TEST_F(SettingsTest, SettingsStorePersists)
{
    const char* const key = "SOFTWARE\\Wenla\\RYV_Plugins_6.0.1";
    {
        KSettingsStore store;
        EXPECT_EQ(Text(store.GetPath()), mFolder + "/.ryvkit/settings.ini");
        EXPECT_TRUE(store.GetString(key, "UserParams", nullptr).IsNull());
        EXPECT_TRUE(store.SetString(key, "UserParams", "a=1;b=2 "));
        EXPECT_FALSE(store.SetString(key, "UserParams", "line\nbreak"));
        EXPECT_FALSE(store.SetString("", "UserParams", "x") || store.SetString(key, nullptr, "x"));
    }
    KSettingsStore reopened;
    EXPECT_EQ(Text(reopened.GetString(key, "UserParams", nullptr)), "a=1;b=2 ");
    EXPECT_EQ(Text(reopened.GetString(key, "Other", "dflt")), "dflt");
}

TEST_F(SettingsTest, LogWritesOnDestruction)
{
    KLog::SetModuleFolder(mFolder.c_str());
    EXPECT_EQ(Text(KLog::GetModuleFolder()), mFolder);
    {
        KLog log("ryvvurnlog.txt", "File Export : a.ryv", false, true);
        EXPECT_EQ(Text(log.GetFilePath()), mFolder + "/ryvvurnlog.txt");
        log.AddLine("first");
        log.AddLine(nullptr);
        log.AddLine("third");
        EXPECT_EQ(log.GetLineCount(), 3);
        EXPECT_EQ(Text(log.GetLine(0)) + Text(log.GetLine(1)) + Text(log.GetLine(2)), "firstthird");
        EXPECT_TRUE(log.GetLine(3).IsNull() && log.GetLine(-1).IsNull());
    }
    const std::string path = mFolder + "/ryvvurnlog.txt";
    std::string text = ReadFile(path);
    ASSERT_EQ(text.rfind("Date: ", 0), 0U);
    // "Date: YYYY-MM-DD hh:mm:ss.mmm <header>"
    EXPECT_EQ(text.substr(29), " File Export : a.ryv\nfirst\n\nthird\n");

    {
        KLog appended("ryvvurnlog.txt", "again", true, true);
        appended.AddLine("more");
    }
    text = ReadFile(path);
    EXPECT_NE(text.find("first\n\nthird\nDate: "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 12), " again\nmore\n");

    {
        KLog disabled("ryvvurnlog.txt", "off", false, false);
        disabled.AddLine("never");
    }
    EXPECT_EQ(ReadFile(path), text);

    {
        KLog anew("ryvvurnlog.txt", "anew", false, true);
    }
    EXPECT_EQ(ReadFile(path).find("first"), std::string::npos);

    // A folder that does not exist: nothing is written and nothing fails.
    KLog::SetModuleFolder((mFolder + "/missing").c_str());
    {
        KLog lost("log.txt", "h", true, true);
        lost.AddLine("x");
    }
    EXPECT_FALSE(FileExists((mFolder + "/missing/log.txt").c_str()));
}

TEST(KDateTimeTest, NowIsAPlausibleLocalStamp)
{
    const KDateTime now = KDateTime::Now();
    EXPECT_GE(now.GetYear(), 2024);
    EXPECT_TRUE(now.GetMonth() >= 1 && now.GetMonth() <= 12 && now.GetDay() >= 1);
    EXPECT_TRUE(now.GetDay() <= 31 && now.GetHour() <= 23 && now.GetMillisecond() <= 999);
    const std::string text = now.GetText().Buffer();
    EXPECT_EQ(text.substr(0, 4), std::to_string(now.GetYear()));
    EXPECT_EQ(std::stoi(text.substr(5, 2)), now.GetMonth());
    EXPECT_EQ(std::stoi(text.substr(8, 2)), now.GetDay());
    EXPECT_EQ(Text(KDateTime().GetText()), "0000-00-00 00:00:00.000");
}
