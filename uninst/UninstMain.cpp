// VlUnInst: removes the installed product as INSTALL.LOG and the fixed key
// list say, then itself. No main window; message boxes only.
#include <windows.h>

#include <functional>
#include <optional>

#include "KeptFolders.h"
#include "RegTree.h"
#include "RunLogFile.h"
#include "UninstCore.h"
#include "UninstallRun.h"

namespace {

using uninst::BoxKind;

bool Is9xFamily() { return (GetVersion() & 0x80000000u) != 0; }

bool ReadWhole(const std::string& path, std::string* out) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    out->clear();
    char buf[16384];
    DWORD got = 0;
    bool ok = true;
    for (;;) {
        if (!::ReadFile(f, buf, sizeof buf, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        out->append(buf, got);
    }
    CloseHandle(f);
    return ok;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
    HANDLE f =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    bool ok = ::WriteFile(f, bytes.data(), (DWORD)bytes.size(), &put, nullptr) && put == bytes.size();
    ok = CloseHandle(f) && ok;
    return ok;
}

// What a failed call's error says about the path: nothing there to delete.
bool NothingThere(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

std::string InFolder(const std::string& dir, const char* name) {
    return dir.empty() ? std::string() : dir + (dir.back() == '\\' ? "" : "\\") + name;
}

// Starts `program` (a full path) hidden, without waiting, in the system
// folder, so that the install folder is neither searched nor held open.
bool StartHidden(const std::string& program, const std::string& arguments) {
    if (program.empty()) return false;
    std::string line = "\"" + program + "\" " + arguments;
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    std::string cwd = SystemFolder(GetSystemDirectoryA);
    if (!CreateProcessA(program.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

std::string ShortPath(const std::string& p) {
    char buf[MAX_PATH * 4];
    DWORD n = GetShortPathNameA(p.c_str(), buf, sizeof buf);
    return (n == 0 || n >= sizeof buf) ? std::string() : std::string(buf, n);
}

// Rewrites the startup-rename file of the Windows folder with `edit` applied
// to its text (nothing when there is none); on failure names the file.
bool EditWininit(const std::function<std::string(const std::optional<std::string>&)>& edit,
                 std::string* failedFile) {
    std::string path = uninst::WininitPath(SystemFolder(GetWindowsDirectoryA));
    std::optional<std::string> existing;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        std::string text;
        if (!ReadWhole(path, &text)) {
            *failedFile = path;
            return false;
        }
        existing = text;
    }
    if (!WriteWhole(path, edit(existing))) {
        *failedFile = path;
        return false;
    }
    return true;
}

class WinFiles : public uninst::Files {
public:
    bool IsFile(const std::string& path) override {
        DWORD a = GetFileAttributesA(path.c_str());
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool ReadAll(const std::string& path, std::string* bytes) override { return ReadWhole(path, bytes); }
    uninst::FileRemoval RemoveFile(const std::string& path) override {
        using uninst::FileRemoval;
        DWORD a = GetFileAttributesA(path.c_str());
        if (a == INVALID_FILE_ATTRIBUTES)
            return NothingThere(GetLastError()) ? FileRemoval::Missing : FileRemoval::Refused;
        if (a & FILE_ATTRIBUTE_DIRECTORY) return FileRemoval::Folder;
        // The attributes of a link may be set on its target; the link goes without.
        if ((a & FILE_ATTRIBUTE_READONLY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
            DWORD rest = a & ~FILE_ATTRIBUTE_READONLY;
            if (!SetFileAttributesA(path.c_str(), rest ? rest : FILE_ATTRIBUTE_NORMAL))
                return FileRemoval::Refused;
        }
        if (::DeleteFileA(path.c_str())) return FileRemoval::Removed;
        return NothingThere(GetLastError()) ? FileRemoval::Missing : FileRemoval::Refused;
    }

    bool RemoveAtRestart(const std::string& path) override {
        if (!Is9xFamily()) return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
        DWORD a = GetFileAttributesA(path.c_str());
        if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return false;
        // The rename file is processed before long names exist.
        std::string shortPath = ShortPath(path);
        std::string failed;
        return !shortPath.empty() && EditWininit(
                                         [&](const std::optional<std::string>& text) {
                                             return uninst::WininitWithDeletion(text, shortPath);
                                         },
                                         &failed);
    }

    // RemoveDirectory takes a junction or a folder's symbolic link away
    // itself, whatever its target holds.
    bool RemoveDir(const std::string& path) override { return RemoveDirectoryA(path.c_str()) != 0; }

    bool IsLink(const std::string& path) override {
        DWORD a = GetFileAttributesA(path.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
    }

    bool ListDir(const std::string& path, std::vector<std::string>* names) override {
        names->clear();
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return false;
        do {
            std::string n = fd.cFileName;
            if (n != "." && n != "..") names->push_back(n);
        } while (FindNextFileA(h, &fd));
        bool complete = GetLastError() == ERROR_NO_MORE_FILES;
        FindClose(h);
        return complete;
    }

    std::string FullPath(const std::string& path) override {
        char buf[MAX_PATH * 4];
        DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
        return (n == 0 || n >= sizeof buf) ? path : std::string(buf, n);
    }
};

class WinMachine : public uninst::Machine {
public:
    std::vector<std::string> KeptFolders() override { return ::KeptFolders(); }
    std::vector<std::string> ShortcutFolders() override { return ::ShortcutFolders(); }

    uninst::KeyRemoval DeleteKeyTree(RegRoot root, const std::string& key) override {
        if (!KeyThere(RootKey(root), key)) return uninst::KeyRemoval::Missing;
        ::DeleteKeyTree(RootKey(root), key);
        return KeyThere(RootKey(root), key) ? uninst::KeyRemoval::Stays : uninst::KeyRemoval::Removed;
    }

    std::vector<uninst::UninstallEntry> UninstallEntries() override {
        std::vector<uninst::UninstallEntry> out;
        HKEY h;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_ENUMERATE_SUB_KEYS, &h) != ERROR_SUCCESS)
            return out;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof name;
            LONG rc = RegEnumKeyExA(h, i, name, &len, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) break;
            HKEY e;
            if (RegOpenKeyExA(h, name, 0, KEY_QUERY_VALUE, &e) != ERROR_SUCCESS) continue;
            std::string command;
            if (ReadString(e, "UninstallString", &command))
                out.push_back({std::string(name, len), command, ReadDigest(e)});
            RegCloseKey(e);
        }
        RegCloseKey(h);
        return out;
    }

private:
    // A string value of at most 2,047 bytes.
    static bool ReadString(HKEY key, const char* name, std::string* out) {
        char value[2048];
        DWORD type = 0, size = sizeof value - 1;
        if (RegQueryValueExA(key, name, nullptr, &type, (BYTE*)value, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ) || size >= sizeof value)
            return false;
        value[size] = '\0';
        *out = value;
        return true;
    }

    // Absent only when the entry has no such value; one that cannot be read
    // as a string is present and matches no log.
    static std::optional<std::string> ReadDigest(HKEY key) {
        DWORD type = 0, size = 0;
        LONG rc = RegQueryValueExA(key, "InstallLogDigest", nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
        std::string digest;
        if (rc != ERROR_SUCCESS || type != REG_SZ || !ReadString(key, "InstallLogDigest", &digest))
            return std::string("unreadable");
        return digest;
    }

    // A key that cannot be opened for a reason other than its absence is
    // taken to be there.
    static bool KeyThere(HKEY root, const std::string& key) {
        HKEY h;
        LONG rc = RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &h);
        if (rc == ERROR_SUCCESS) RegCloseKey(h);
        return rc != ERROR_FILE_NOT_FOUND;
    }
};

class WinProgram : public uninst::Program {
public:
    std::string OwnPath() override {
        char buf[MAX_PATH * 4];
        DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
        return std::string(buf, n < sizeof buf ? n : 0);
    }

    bool ScheduleSelfRemoval(std::string* failedFile) override {
        std::string own = OwnPath();
        if (!Is9xFamily()) {
            // Needs the right to write the machine's settings; without it the
            // interpreter's deletion below still does the work. A setup run
            // before the restart withdraws the request for what it writes.
            MoveFileExA(own.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return true;
        }
        // The rename file is processed before long names exist.
        std::string shortOwn = ShortPath(own);
        if (shortOwn.empty()) shortOwn = own;
        return EditWininit(
            [&](const std::optional<std::string>& text) { return uninst::WininitWithEntry(text, shortOwn); },
            failedFile);
    }

    void RemoveSelfNow(bool withFolder) override {
        std::string own = OwnPath();
        // The interpreter by its full path, never COMSPEC or a bare name:
        // either could be made to name a program of whoever set it, and it
        // would run with this program's rights.
        if (Is9xFamily()) {
            // Tried at once and mostly in vain: the startup-rename entry made
            // before does the work.
            std::string shortOwn = ShortPath(own);
            StartHidden(InFolder(SystemFolder(GetWindowsDirectoryA), "COMMAND.COM"),
                        "/c del " + (shortOwn.empty() ? own : shortOwn));
            return;
        }
        std::string dir = uninst::ParentDir(own);
        if (withFolder) MoveFileExA(dir.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        // The file cannot go while this process runs: the interpreter retries
        // for a while, pausing a second between tries. It runs in the system
        // folder, where it looks for "ping" first; a quoted full path inside
        // the parentheses is more than every interpreter parses.
        std::string cmd = "(for /l %i in (1,1,30) do @if exist \"" + own +
                          "\" (ping -n 2 127.0.0.1 >nul & del /f /q \"" + own + "\" >nul 2>&1))";
        if (withFolder) cmd += " & rmdir \"" + dir + "\" >nul 2>&1";
        StartHidden(InFolder(SystemFolder(GetSystemDirectoryA), "cmd.exe"), "/c " + cmd);
    }
};

class WinUser : public uninst::User {
public:
    bool Message(BoxKind kind, const std::string& caption, const std::string& text) override {
        UINT flags = kind == BoxKind::Error     ? MB_OK | MB_ICONERROR
                     : kind == BoxKind::Confirm ? MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2
                     : kind == BoxKind::Warning ? MB_OK | MB_ICONEXCLAMATION
                                                : MB_OK | MB_ICONINFORMATION;
        int answer = MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
        return answer != IDNO;
    }
};

// Libraries loaded at run time come from the system folder only, not from
// the program's folder or the current one, which a user may write. Systems
// before that call exist search as they always did.
void LoadLibrariesFromSystemOnly() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    FARPROC found = GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (!found) return;
    auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(found));
    set(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    LoadLibrariesFromSystemOnly();
    std::vector<std::string> args = SplitCommandLine(GetCommandLineA());
    std::vector<std::string> params(args.size() > 1 ? args.begin() + 1 : args.end(), args.end());
    WinFiles files;
    WinMachine machine;
    WinProgram program;
    WinUser user;
    RunLogFile runLog;
    return uninst::ExitCode(uninst::RunUninstall(params, {files, machine, program, user, runLog}));
}
