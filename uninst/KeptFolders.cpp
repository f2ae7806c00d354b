#include "KeptFolders.h"

#include <windows.h>

#include "RegTree.h"

namespace {

enum class Source {
    WindowsDir,  // GetWindowsDirectory
    SystemDir,   // GetSystemDirectory
    TempDir,     // GetTempPath
    Value,       // one registry value
    AllValues,   // every string value of a registry key
    Environment  // an environment variable
};

struct KeptSource {
    Source source;
    RegRoot root;
    const char* key;   // registry key, or nothing
    const char* name;  // value or variable name, or nothing
};

const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The one list of folders never removed. A drive root needs no entry: the
// core refuses roots itself.
const KeptSource kKeptSources[] = {
    // The Windows folder. On the 95/98 family the user's Desktop and Start
    // Menu lie inside it, and setup's <WINDIR> puts items there.
    {Source::WindowsDir, RegRoot::LocalMachine, nullptr, nullptr},
    // The system folder, where setup copies UNRAR.DLL (<WINSYSDIR>).
    {Source::SystemDir, RegRoot::LocalMachine, nullptr, nullptr},
    // Program Files itself, which holds every vendor's product folder.
    {Source::Value, RegRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir"},
    // The 64-bit Program Files, for this 32-bit program on 64-bit Windows,
    // where the value above names "Program Files (x86)".
    {Source::Value, RegRoot::LocalMachine, kCurrentVersion, "ProgramW6432Dir"},
    // The 32-bit Program Files as 64-bit Windows names it to every program.
    {Source::Value, RegRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir (x86)"},
    // Common Files, shared by many vendors' products, and its 64-bit and
    // 32-bit twins on 64-bit Windows.
    {Source::Value, RegRoot::LocalMachine, kCurrentVersion, "CommonFilesDir"},
    {Source::Value, RegRoot::LocalMachine, kCurrentVersion, "CommonW6432Dir"},
    {Source::Value, RegRoot::LocalMachine, kCurrentVersion, "CommonFilesDir (x86)"},
    // The user's shell folders: Desktop, Programs, Start Menu, Startup,
    // Personal, AppData, Favorites, Fonts, SendTo and the rest.
    {Source::AllValues, RegRoot::CurrentUser, kShellFolders, nullptr},
    // The shell folders of all users: Common Desktop, Common Programs,
    // Common Startup, Common AppData and the rest.
    {Source::AllValues, RegRoot::LocalMachine, kShellFolders, nullptr},
    // The user's shell folders where the shell keeps them now ("Shell
    // Folders" is a copy that can be out of date); values may hold %VARIABLES%.
    {Source::AllValues, RegRoot::CurrentUser, kUserShellFolders, nullptr},
    // All users' shell folders, likewise.
    {Source::AllValues, RegRoot::LocalMachine, kUserShellFolders, nullptr},
    // The user's profile folder (NT family; on the 95/98 family its shell
    // folders above cover it).
    {Source::Environment, RegRoot::LocalMachine, nullptr, "USERPROFILE"},
    // The profile that holds all users' shell folders (NT family).
    {Source::Environment, RegRoot::LocalMachine, nullptr, "ALLUSERSPROFILE"},
    // The folders the system keeps for all programs' settings and for the
    // user's synchronised files (newer NT systems).
    {Source::Environment, RegRoot::LocalMachine, nullptr, "ProgramData"},
    {Source::Environment, RegRoot::LocalMachine, nullptr, "OneDrive"},
    // The temporary folder, which other programs use while it is empty.
    {Source::TempDir, RegRoot::LocalMachine, nullptr, nullptr},
};

std::string Expanded(const char* text) {
    char buf[MAX_PATH * 4];
    DWORD n = ExpandEnvironmentStringsA(text, buf, sizeof buf);
    return (n == 0 || n > sizeof buf) ? std::string() : std::string(buf);
}

std::string AsString(DWORD type, const char* data, DWORD size) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::string();
    std::string s(data, size);
    s.resize(s.find('\0') == std::string::npos ? s.size() : s.find('\0'));
    return type == REG_EXPAND_SZ ? Expanded(s.c_str()) : s;
}

// The value `k.name` of `k.key`, or every value of it when there is no name.
void AddValues(const KeptSource& k, std::vector<std::string>* out) {
    HKEY h;
    if (RegOpenKeyExA(RootKey(k.root), k.key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return;
    char name[256];
    char data[MAX_PATH * 4];
    DWORD size = sizeof data, type = 0;
    if (k.name) {
        if (RegQueryValueExA(h, k.name, nullptr, &type, (BYTE*)data, &size) == ERROR_SUCCESS)
            out->push_back(AsString(type, data, size));
    } else {
        for (DWORD i = 0;; ++i) {
            DWORD nameLen = sizeof name;
            size = sizeof data;
            LONG rc = RegEnumValueA(h, i, name, &nameLen, nullptr, &type, (BYTE*)data, &size);
            // A value too long for a path names no folder; the walk goes on past it.
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) break;
            out->push_back(AsString(type, data, size));
        }
    }
    RegCloseKey(h);
}


UINT WINAPI TempPath(LPSTR buf, UINT size) { return GetTempPathA(size, buf); }

// Each folder as found and, where it differs, by its short name.
std::vector<std::string> WithShortNames(const std::vector<std::string>& found) {
    std::vector<std::string> out;
    for (const auto& f : found) {
        if (f.empty()) continue;
        out.push_back(f);
        char shortName[MAX_PATH * 4];
        DWORD n = GetShortPathNameA(f.c_str(), shortName, sizeof shortName);
        if (n > 0 && n < sizeof shortName && f != shortName) out.emplace_back(shortName, n);
    }
    return out;
}

}  // namespace

std::string SystemFolder(UINT(WINAPI* call)(LPSTR, UINT)) {
    char buf[MAX_PATH * 4];
    UINT n = call(buf, sizeof buf);
    return (n == 0 || n >= sizeof buf) ? std::string() : std::string(buf, n);
}

std::vector<std::string> KeptFolders() {
    std::vector<std::string> found;
    for (const KeptSource& k : kKeptSources) {
        switch (k.source) {
            case Source::WindowsDir: found.push_back(SystemFolder(GetWindowsDirectoryA)); break;
            case Source::SystemDir: found.push_back(SystemFolder(GetSystemDirectoryA)); break;
            case Source::TempDir: found.push_back(SystemFolder(TempPath)); break;
            case Source::Value:
            case Source::AllValues: AddValues(k, &found); break;
            case Source::Environment: {
                char buf[MAX_PATH * 4];
                DWORD n = GetEnvironmentVariableA(k.name, buf, sizeof buf);
                if (n > 0 && n < sizeof buf) found.emplace_back(buf, n);
                break;
            }
        }
    }
    return WithShortNames(found);
}

std::vector<std::string> ShortcutFolders() {
    static const char* const kUsers[] = {"Desktop", "Start Menu", "Programs", "Startup"};
    static const char* const kAllUsers[] = {"Common Desktop", "Common Start Menu", "Common Programs",
                                            "Common Startup"};
    std::vector<std::string> found;
    for (const char* key : {kShellFolders, kUserShellFolders}) {
        for (const char* name : kUsers) AddValues({Source::Value, RegRoot::CurrentUser, key, name}, &found);
        for (const char* name : kAllUsers) AddValues({Source::Value, RegRoot::LocalMachine, key, name}, &found);
    }
    return WithShortNames(found);
}
