#include <windows.h>

#include "SetupScript.h"
#include "SetupText.h"

static std::string ModulePath() {
    char buf[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return std::string(buf, n < sizeof buf ? n : 0);
}

void LoadSetupScript() { LoadSetupScriptFrom(DirectoryWithSeparator(ModulePath())); }

void LoadSetupScriptFrom(const std::string& sourceDir) {
    SetupScript = TSetupScript();  // items absent from this script must not survive a reload
    SetupScript.SourceDir = sourceDir;
    const std::string ini = SetupScript.SourceDir + "SETUP.INI";
    FillSetupScript(SetupScript, [&ini](const char* section, const char* key, const char* def) {
        char buf[ProfileBufferSize];
        DWORD n = GetPrivateProfileStringA(section, key, def, buf, sizeof buf, ini.c_str());
        return std::string(buf, n < sizeof buf ? n : sizeof buf - 1);
    });
}

std::string ExpandPathMacros(const std::string& path) {
    char win[MAX_PATH], sys[MAX_PATH];
    UINT w = GetWindowsDirectoryA(win, sizeof win);
    UINT s = GetSystemDirectoryA(sys, sizeof sys);
    MacroValues v;
    v.WinDir.assign(win, w < sizeof win ? w : 0);
    v.SysDir.assign(sys, s < sizeof sys ? s : 0);
    v.BdeDir = SetupScript.BdePath;
    v.InstallDir = SetupScript.InstallDir;
    return ExpandMacrosWith(path, v);
}
