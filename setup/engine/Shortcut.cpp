#include "Shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "InstallText.h"

const char kShortcutDescription[] = "Varnel 압축관리프로그램";

static const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const char kExplorerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

int PlatformFamily() {
    OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof v;
    if (!GetVersionExA(&v)) return 4;
    switch (v.dwPlatformId) {
        case VER_PLATFORM_WIN32s: return 1;
        case VER_PLATFORM_WIN32_WINDOWS: return 2;
        case VER_PLATFORM_WIN32_NT: return 3;
        default: return 4;
    }
}

enum RegRead { rrOk, rrMissing, rrFailed };

// Reads a string value of an existing HKCU key without ever creating the key.
static RegRead ReadUserString(const char* key, const std::string& name, std::string& out) {
    out.clear();
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return rrMissing;
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExA(h, name.c_str(), nullptr, &type, nullptr, &size);
    RegRead result = rrFailed;
    if (r == ERROR_FILE_NOT_FOUND) {
        result = rrMissing;
    } else if (r == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::string buf(size + 1, '\0');
        DWORD got = size;
        if (RegQueryValueExA(h, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&buf[0]), &got) ==
            ERROR_SUCCESS) {
            buf.resize(got < buf.size() ? got : buf.size());
            out.assign(buf.c_str());  // the stored terminator, if any, ends the text
            result = rrOk;
        }
    }
    RegCloseKey(h);
    return result;
}

// A value that exists but is no string leaves the folder empty, so the link
// lands relative to the current directory rather than at the drive root.
static std::string ShortcutFolder(const std::string& folderKey) {
    std::string value;
    return ReadUserString(kShellFoldersKey, folderKey, value) == rrFailed ? std::string() : value + "\\";
}

static bool WriteShellLink(const std::string& fullPath, const std::string& target,
                           const std::string& arguments) {
    IUnknown* unknown = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IUnknown, reinterpret_cast<void**>(&unknown))))
        return false;
    bool saved = false;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    WCHAR wide[MAX_PATH];
    if (SUCCEEDED(unknown->QueryInterface(IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(unknown->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(link->SetPath(target.c_str())) &&
        (arguments.empty() || SUCCEEDED(link->SetArguments(arguments.c_str()))) &&
        SUCCEEDED(link->SetDescription(kShortcutDescription)) &&
        SUCCEEDED(link->SetWorkingDirectory(FileDirectory(target).c_str())) &&
        SUCCEEDED(link->SetShowCmd(SW_SHOWNORMAL)) &&
        MultiByteToWideChar(CP_ACP, 0, fullPath.c_str(), -1, wide, MAX_PATH) > 0) {
        saved = SUCCEEDED(file->Save(wide, TRUE));
    }
    if (file) file->Release();
    if (link) link->Release();
    unknown->Release();
    return saved;
}

std::string ShortcutPath(const std::string& folderKey, const std::string& linkName,
                         const std::string& target) {
    std::string folder = ShortcutFolder(folderKey);
    const int family = PlatformFamily();
    if (!IsUninstallerTarget(target) && (family == 3 || family == 4)) {
        std::string user;
        ReadUserString(kExplorerKey, "Logon User Name", user);
        folder = AllUsersFolder(folder, user);
    }
    return folder + linkName;
}

bool WriteShortcut(const std::string& fullPath, const std::string& target, const std::string& arguments) {
    CreateDirectoryA(FileDirectory(fullPath).c_str(), nullptr);  // there already, or the save fails
    return WriteShellLink(fullPath, target, arguments);
}

std::string CreateShortcut(const std::string& folderKey, const std::string& linkName,
                           const std::string& target, const std::string& arguments) {
    const std::string fullPath = ShortcutPath(folderKey, linkName, target);
    WriteShortcut(fullPath, target, arguments);
    return fullPath;
}
