// The settings record that SETUP.INI fills once at start-up. Loading is split
// in two: FillSetupScript holds the whole algorithm over an abstract profile
// reader (portable, tested natively), LoadSetupScript supplies the platform's
// private-profile reader (SetupScriptWin.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum { MaxScriptItems = 10, ProfileBufferSize = 2048 };

struct TFileItem {
    std::string Source;   // relative to SourceDir: a ".RAR" archive or a single file
    std::string DestDir;  // unexpanded; macros are expanded when used
    std::string Option;   // upper-cased: "", "FAILIFEXISTS", "COPY" or any other word
};

struct TIconItem {
    std::string FolderKey;  // value name under ...\Explorer\Shell Folders
    std::string LinkName;   // without ".LNK"
    std::string Target;     // macros allowed
    std::string Arguments;  // macros allowed, may be empty
};

struct TSetupScript {
    std::string SourceDir;  // setup's own directory, with its trailing '\'
    std::string Name, Version, Company;
    std::string InstallDir;  // value of <INSTALLDIR>; the only field that changes later
    std::string Folder, Title, Readme, Run;
    std::string Uninstall;  // uninstall shortcut name; empty: no uninstall entry
    std::string ProductTitle;
    std::string ShellDll;
    std::string BdeFile, BdePath, BdeCfg, BdeDate, LangParadox, LangDbase, BdeOverwrite;
    std::string CrwFile, CrwPath;
    TFileItem FileItems[MaxScriptItems];  // item n is FileItems[n - 1]
    uint16_t FileItemCount = 0;           // highest item number present, not how many
    TIconItem IconItems[MaxScriptItems];
    uint16_t IconItemCount = 0;
};

// Reads one value: (section, key, default) -> value, as the private-profile
// reader does, already cut to ProfileBufferSize - 1 bytes.
using ProfileReader = std::function<std::string(const char* section, const char* key, const char* def)>;

// Fills every field but SourceDir from the reader, in the loader's key order.
void FillSetupScript(TSetupScript& script, const ProfileReader& read);

// The four directories the path macros stand for.
struct MacroValues {
    std::string WinDir, SysDir, BdeDir, InstallDir;
};

// Expands <WINDIR>, <WINSYSDIR>, <BDEDIR>, <INSTALLDIR>, in that order, so a
// macro inside an earlier value is expanded by a later step.
std::string ExpandMacrosWith(const std::string& path, const MacroValues& values);

// Human-readable listing of the loaded settings (setup's /dump switch).
std::string DescribeSetupScript(const TSetupScript& script);

// The process-wide record; LoadSetupScript and ExpandPathMacros are Windows-only.
extern TSetupScript SetupScript;
void LoadSetupScript();
// The same from another directory (with its trailing '\'), as if setup ran there.
void LoadSetupScriptFrom(const std::string& sourceDir);
std::string ExpandPathMacros(const std::string& path);
