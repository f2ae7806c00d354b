#include <gtest/gtest.h>

#include <map>

#include "SetupScript.h"
#include "SetupText.h"

namespace {

// A profile file in memory: keys are matched without regard to case, as the
// platform's reader does.
struct FakeProfile {
    std::map<std::string, std::string> values;  // "SECTION/KEY" upper-cased
    void Set(const std::string& section, const std::string& key, const std::string& v) {
        values[UpperAscii(section + "/" + key)] = v;
    }
    ProfileReader Reader() const {
        return [this](const char* s, const char* k, const char* def) {
            auto it = values.find(UpperAscii(std::string(s) + "/" + k));
            return it == values.end() ? std::string(def) : it->second;
        };
    }
};

TEST(SetupText, TrimAndFieldsFollowTheCommas) {
    EXPECT_EQ(TrimControl("\t a b \r\n\x01"), "a b");
    EXPECT_EQ(TrimControl(" \t "), "");
    EXPECT_EQ(ScriptField(" a.rar , <INSTALLDIR>\\x ,copy", 1), "a.rar");
    EXPECT_EQ(ScriptField(" a.rar , <INSTALLDIR>\\x ,copy", 2), "<INSTALLDIR>\\x");
    EXPECT_EQ(ScriptField(" a.rar , <INSTALLDIR>\\x ,copy", 3), "copy");
    EXPECT_EQ(ScriptField("a.rar", 2), "");
    EXPECT_EQ(ScriptField("a,,c", 2), "");
    EXPECT_EQ(ScriptField("a,b", 0), "");
    EXPECT_EQ(ScriptField("", 1), "");
    // Code page 949 lead bytes are above 127 and never taken for blanks.
    EXPECT_EQ(ScriptField("\xB0\xA1 ,x", 1), "\xB0\xA1");
}

TEST(SetupText, ReplaceMacroIgnoresCaseAndKeepsTheRest) {
    EXPECT_EQ(ReplaceMacro("<installdir>\\Bin\\<InstallDir>", "<INSTALLDIR>", "C:\\P"), "C:\\P\\Bin\\C:\\P");
    EXPECT_EQ(ReplaceMacro("none here", "<WINDIR>", "x"), "none here");
    // "\x8C\x63" is one Korean syllable, not a byte and a "c".
    EXPECT_EQ(ReplaceMacro("\x8C\x63:\\c:", "C:", "D:"), "\x8C\x63:\\D:");
}

TEST(SetupText, ReplacementHoldingItsOwnTokenEnds) {
    EXPECT_EQ(ReplaceMacro("<INSTALLDIR>\\a", "<INSTALLDIR>", "C:\\<installdir>"), "C:\\<installdir>\\a");
    EXPECT_EQ(ReplaceMacro("<X><X>", "<x>", "<X><X>"), "<X><X><X><X>");
}

TEST(SetupScript, MissingScriptGivesDefaults) {
    FakeProfile p;
    TSetupScript s;
    FillSetupScript(s, p.Reader());
    EXPECT_EQ(s.ProductTitle, "");
    EXPECT_EQ(s.FileItemCount, 0);
    EXPECT_EQ(s.IconItemCount, 0);
    EXPECT_EQ(s.BdePath, "C:\\Program Files\\Borland\\Common Files\\BDE");
    EXPECT_EQ(s.BdeCfg, "IDAPI32.CFG");
    EXPECT_EQ(s.BdeDate, "96-05-01");
    EXPECT_EQ(s.LangParadox, "korea");
    EXPECT_EQ(s.LangDbase, "DB949KO0");
    EXPECT_EQ(s.BdeOverwrite, "FALSE");
}

TEST(SetupScript, ItemsCountToTheHighestNumberPresent) {
    FakeProfile p;
    p.Set("app", "name", " Varnel ");
    p.Set("APP", "VERSION", "");
    p.Set("FILES", "FILE1", "a.rar, <INSTALLDIR> , failifexists");
    p.Set("FILES", "FILE3", "b.rar,<INSTALLDIR>\\sub");
    p.Set("FILES", "FILE4", "NONE");
    p.Set("FILES", "FILE5", "none");
    p.Set("FILES", "FILE11", "ignored.rar,x");
    p.Set("ICONS", "ICON2", "Programs, Varnel ,<INSTALLDIR>\\V.exe");
    TSetupScript s;
    FillSetupScript(s, p.Reader());
    EXPECT_EQ(s.ProductTitle, "Varnel");
    EXPECT_EQ(s.FileItemCount, 5);
    EXPECT_EQ(s.FileItems[0].Option, "FAILIFEXISTS");
    EXPECT_EQ(s.FileItems[0].DestDir, "<INSTALLDIR>");
    EXPECT_EQ(s.FileItems[1].Source, "");
    EXPECT_EQ(s.FileItems[2].Option, "");
    EXPECT_EQ(s.FileItems[3].Source, "");
    EXPECT_EQ(s.FileItems[4].Source, "none");
    EXPECT_EQ(s.IconItemCount, 2);
    EXPECT_EQ(s.IconItems[1].FolderKey, "Programs");
    EXPECT_EQ(s.IconItems[1].LinkName, "Varnel");
    EXPECT_EQ(s.IconItems[1].Arguments, "");
}

TEST(SetupScript, MacrosExpandInOrder) {
    MacroValues v{"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "<INSTALLDIR>\\BDE", "D:\\Varnel"};
    EXPECT_EQ(ExpandMacrosWith("<bdedir>\\x", v), "D:\\Varnel\\BDE\\x");
    EXPECT_EQ(ExpandMacrosWith("<WinSysDir>\\UNRAR.DLL", v), "C:\\WINDOWS\\SYSTEM\\UNRAR.DLL");
    // A macro inside a later value stays as it is.
    v.InstallDir = "<WINDIR>\\P";
    EXPECT_EQ(ExpandMacrosWith("<INSTALLDIR>", v), "<WINDIR>\\P");
}

}  // namespace
