#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

#include "SetupScript.h"
#include "SetupText.h"

namespace {

std::string ExeDir() {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return DirectoryWithSeparator(std::string(buf, n));
}

// Writes SETUP.INI beside the test program, where LoadSetupScript looks.
struct ScriptFile {
    std::string path = ExeDir() + "SETUP.INI";
    explicit ScriptFile(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    ~ScriptFile() { DeleteFileA(path.c_str()); }
};

TEST(LoadSetupScript, ReadsTheRealProfileFile) {
    std::string longValue(3000, 'x');
    ScriptFile f(
        "[app]\r\nname=\xB9\xD9\xB3\xDA\r\nVersion= 2.0 \r\nInstallDir=C:\\Program Files\\V\r\n"
        "[Files]\r\nfile1=v.rar,<INSTALLDIR>,copy\r\nFILE2=" +
        longValue +
        "\r\n"
        "[ICONS]\r\nICON10=Desktop,V,<INSTALLDIR>\\v.exe,<installdir>\\a b\r\n");
    LoadSetupScript();
    EXPECT_EQ(SetupScript.SourceDir, ExeDir());
    EXPECT_EQ(SetupScript.ProductTitle, "\xB9\xD9\xB3\xDA 2.0");
    EXPECT_EQ(SetupScript.FileItemCount, 2);
    EXPECT_EQ(SetupScript.FileItems[0].Option, "COPY");
    EXPECT_EQ(SetupScript.FileItems[1].Source.size(), 2047u);
    EXPECT_EQ(SetupScript.IconItemCount, 10);
    EXPECT_EQ(ExpandPathMacros(SetupScript.IconItems[9].Arguments), "C:\\Program Files\\V\\a b");
}

TEST(LoadSetupScript, MissingFileGivesDefaults) {
    DeleteFileA((ExeDir() + "SETUP.INI").c_str());
    LoadSetupScript();
    EXPECT_EQ(SetupScript.ProductTitle, "");
    EXPECT_EQ(SetupScript.FileItemCount, 0);
    EXPECT_EQ(SetupScript.BdeCfg, "IDAPI32.CFG");
}

TEST(LoadSetupScript, SurvivesBinaryGarbageAndBrokenItems) {
    std::string garbage;
    uint32_t x = 12345;
    for (int i = 0; i < 20000; ++i) {
        x = x * 1103515245u + 12345u;
        garbage += static_cast<char>(x >> 24);
    }
    ScriptFile f(garbage +
                 "\r\n[FILES]\r\nFILE1=only-a-source\r\nFILE12=x.rar,y\r\n"
                 "[ICONS]\r\nICON1=Programs\r\n" +
                 garbage);
    LoadSetupScript();
    EXPECT_EQ(SetupScript.FileItemCount, 1);
    EXPECT_EQ(SetupScript.FileItems[0].Source, "only-a-source");
    EXPECT_EQ(SetupScript.FileItems[0].DestDir, "");
    EXPECT_EQ(SetupScript.IconItemCount, 1);
    EXPECT_EQ(SetupScript.IconItems[0].LinkName, "");
}

TEST(ExpandPathMacros, UsesTheSystemDirectoriesAndCurrentInstallDir) {
    char win[MAX_PATH], sys[MAX_PATH];
    GetWindowsDirectoryA(win, MAX_PATH);
    GetSystemDirectoryA(sys, MAX_PATH);
    SetupScript.InstallDir = "C:\\Old";
    EXPECT_EQ(ExpandPathMacros("<WINDIR>|<winsysdir>|<INSTALLDIR>"),
              std::string(win) + "|" + sys + "|C:\\Old");
    SetupScript.InstallDir = "D:\\New";
    EXPECT_EQ(ExpandPathMacros("<INSTALLDIR>\\x"), "D:\\New\\x");
}

}  // namespace
