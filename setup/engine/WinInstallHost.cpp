#include "WinInstallHost.h"

#include <windows.h>

#include "InstallText.h"
#include "KitText.h"
#include "RarArchives.h"
#include "SetupScript.h"
#include "Shortcut.h"

namespace {

bool IsReadError(DWORD e) {
    return e == ERROR_CRC || e == ERROR_READ_FAULT || e == ERROR_NOT_READY || e == ERROR_SECTOR_NOT_FOUND ||
           e == ERROR_GEN_FAILURE || e == ERROR_FILE_NOT_FOUND;
}

TInstallFault FaultOfSystemError(DWORD e) {
    switch (e) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ifDiskFull;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return ifOutOfMemory;
        default: return IsReadError(e) ? ifSourceUnreadable : ifCannotWrite;
    }
}

// Folders whose contents only administrators may change; an install folder
// below one of them inherits that.
std::vector<std::string> AdminOnlyFolders() {
    std::vector<std::string> folders;
    char path[MAX_PATH];
    UINT n = GetWindowsDirectoryA(path, sizeof path);
    if (n > 0 && n < sizeof path) folders.emplace_back(path, n);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        for (const char* name : {"ProgramFilesDir", "ProgramFilesDir (x86)", "ProgramW6432Dir"}) {
            DWORD type = 0, size = sizeof path - 1;
            if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) ==
                    ERROR_SUCCESS &&
                type == REG_SZ && size > 0) {
                path[size] = 0;
                folders.emplace_back(path);
            }
        }
        RegCloseKey(key);
    }
    return folders;
}

// The path as the system resolves it ("..", ".", short names), upper-cased.
std::string Canonical(const std::string& path) {
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string p = n > 0 && n < sizeof full ? std::string(full, n) : path;
    char longer[MAX_PATH * 2];
    const DWORD m = GetLongPathNameA(p.c_str(), longer, sizeof longer);
    if (m > 0 && m < sizeof longer) p.assign(longer, m);
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    return UpperAscii(p);
}

bool IsBelow(const std::string& path, const std::string& folder) {
    const std::string p = Canonical(path), f = Canonical(folder);
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0 && (f.back() == '\\' || p[f.size()] == '\\');
}

// Administrators and SYSTEM full control, Users read and execute, inherited
// by all below; nothing inherited from the folder above (a drive root lets
// every user create and change files).
const char kInstallFolderAcl[] = "D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

bool Is9xFamily() { return (GetVersion() & 0x80000000u) != 0; }

// name in the Windows folder; "" when that folder cannot be told.
std::string InWindowsFolder(const char* name) {
    char dir[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir) return std::string();
    return std::string(dir, n) + (dir[n - 1] == '\\' ? "" : "\\") + name;
}

std::string WininitFile() { return InWindowsFolder("wininit.ini"); }

// The whole startup list: the NT registry value (false only when it is
// there but cannot be read) or, on the 95/98 family, wininit.ini's text.
bool ReadPendingList(std::string* list) {
    list->clear();
    if (Is9xFamily()) {
        HANDLE f = CreateFileA(WininitFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        if (f == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
        char buf[4096];
        DWORD got = 0;
        bool ok = true;
        while ((ok = ReadFile(f, buf, sizeof buf, &got, nullptr) != 0) && got > 0) list->append(buf, got);
        CloseHandle(f);
        return ok;
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return true;
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(key, kPendingValue, nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS && size > 0) {
        list->resize(size);
        rc = RegQueryValueExA(key, kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(&(*list)[0]), &size);
        list->resize(rc == ERROR_SUCCESS ? size : 0);
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool WritePendingList(const std::string& list) {
    if (Is9xFamily()) {
        HANDLE f = CreateFileA(WininitFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        DWORD put = 0;
        bool ok = WriteFile(f, list.data(), static_cast<DWORD>(list.size()), &put, nullptr) && put == list.size();
        return CloseHandle(f) && ok;
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    // Nothing left but the closing zero: the value goes, as the system leaves it.
    const LONG rc = list.find_first_not_of('\0') == std::string::npos
                        ? RegDeleteValueA(key, kPendingValue)
                        : RegSetValueExA(key, kPendingValue, 0, REG_MULTI_SZ,
                                         reinterpret_cast<const BYTE*>(list.data()), static_cast<DWORD>(list.size()));
    const bool ok = (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) && RegFlushKey(key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

std::string ShortPathOf(const std::string& path) {
    char buf[MAX_PATH * 2];
    const DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

// Files and folders, remembering the system's reason for the last call
// that failed.
class TWinFiles : public TInstallFiles {
public:
    DWORD Error = 0;
    TKind Kind(const std::string& path) override {
        const DWORD a = GetFileAttributesA(path.c_str());
        if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_DIRECTORY) ? fkFolder : fkFile;
        return Absent() ? fkNone : fkUnreadable;
    }
    bool MakeFolder(const std::string& path) override { return Did(CreateDirectoryA(path.c_str(), nullptr)); }
    bool Rename(const std::string& from, const std::string& to) override {
        return Did(::MoveFileA(from.c_str(), to.c_str()));
    }
    bool Delete(const std::string& path) override {
        const DWORD a = GetFileAttributesA(path.c_str());
        if (a == INVALID_FILE_ATTRIBUTES) return Absent();
        // Archives keep attributes: the run may have made read-only files.
        if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
        return Did(::DeleteFileA(path.c_str()));
    }
    bool RemoveFolder(const std::string& path) override { return Did(RemoveDirectoryA(path.c_str())); }

    bool ReadJournal(const std::string& name, std::string* bytes) override {
        bytes->clear();
        if (JournalFolder().empty()) return Did(FALSE);
        HANDLE f = CreateFileA(JournalPath(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return Absent();
        DWORD high = 0;
        const DWORD size = GetFileSize(f, &high);
        // Far beyond any run's records: not a journal of ours.
        bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= kJournalMax;
        if (ok) {
            bytes->resize(size);
            DWORD got = 0;
            ok = Did(::ReadFile(f, bytes->empty() ? nullptr : &(*bytes)[0], size, &got, nullptr)) && got == size;
        }
        CloseHandle(f);
        if (!ok) bytes->clear();
        return ok;
    }
    bool AppendJournal(const std::string& name, const std::string& bytes) override {
        const std::string folder = JournalFolder();
        if (folder.empty()) return Did(FALSE);
        // Below the system's folder, which only administrators may change.
        if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES &&
            !Did(CreateDirectoryA(folder.c_str(), nullptr)))
            return false;
        HANDLE f = CreateFileA(JournalPath(name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (!Did(f != INVALID_HANDLE_VALUE)) return false;
        DWORD put = 0;
        bool ok = Did(SetFilePointer(f, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER) &&
                  Did(WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
        if (ok && put != bytes.size()) {
            SetLastError(ERROR_DISK_FULL);  // a short write
            ok = Did(FALSE);
        }
        // On the disk before the change it announces is made.
        ok = ok && Did(FlushFileBuffers(f));
        return Did(CloseHandle(f)) && ok;
    }
    bool RemoveJournal(const std::string& name) override {
        const std::string folder = JournalFolder();
        if (folder.empty()) return Did(FALSE);
        if (!::DeleteFileA(JournalPath(name).c_str()) && !Absent()) return false;
        // Nothing is left of the kit once no run is unfinished; a folder
        // that still holds another product's journal stays.
        RemoveDirectoryA(folder.c_str());
        return true;
    }
    std::string JournalPath(const std::string& name) override { return JournalFolder() + "\\" + name; }

    bool Copy(const std::string& from, const std::string& to, uint64_t* size) override {
        if (!Did(CopyFileA(from.c_str(), to.c_str(), FALSE))) return false;
        WIN32_FILE_ATTRIBUTE_DATA copied;
        *size = GetFileAttributesExA(to.c_str(), GetFileExInfoStandard, &copied)
                    ? copied.nFileSizeLow | (static_cast<uint64_t>(copied.nFileSizeHigh) << 32)
                    : 0;
        return true;
    }
    bool WriteWhole(const std::string& path, const std::string& bytes) override {
        return Did(WriteWholeFile(path, bytes));
    }
    bool AdminOnly(const std::string& path) override {
        for (const std::string& f : AdminOnlyFolders())
            if (IsBelow(path, f)) return true;
        return !ConvertSddl();  // the 95/98 family has no access lists
    }
    bool MakeAdminFolder(const std::string& path, std::string* acl) override {
        const ConvertFn convert = ConvertSddl();
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (!convert || !Did(convert(kInstallFolderAcl, 1 /* SDDL_REVISION_1 */, &sd, nullptr))) return false;
        SECURITY_ATTRIBUTES sa = {sizeof sa, sd, FALSE};
        const bool made = Did(CreateDirectoryA(path.c_str(), &sa));
        LocalFree(sd);
        *acl = kInstallFolderAcl;
        return made;
    }

private:
    static const DWORD kJournalMax = 256u << 20;
    static std::string JournalFolder() { return InWindowsFolder(kJournalFolderName); }
    typedef BOOL(WINAPI* ConvertFn)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    static ConvertFn ConvertSddl() {
        return reinterpret_cast<ConvertFn>(reinterpret_cast<void*>(GetProcAddress(
            GetModuleHandleA("advapi32.dll"), "ConvertStringSecurityDescriptorToSecurityDescriptorA")));
    }
    // After a failed look: only these mean that nothing is there.
    bool Absent() {
        Error = GetLastError();
        Fault = FaultOfSystemError(Error);
        return Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND;
    }
    bool Did(BOOL ok) {
        if (!ok) {
            Error = GetLastError();
            Fault = FaultOfSystemError(Error);
        }
        return ok != FALSE;
    }
};

// The uninstall entry's values.
class TWinRegistry : public TInstallRegistry {
public:
    bool KeyExists(const std::string& key, bool* there) override {
        HKEY h;
        const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &h);
        *there = rc == ERROR_SUCCESS;
        if (*there) RegCloseKey(h);
        return *there || rc == ERROR_FILE_NOT_FOUND;
    }
    bool OpenKey(const std::string& key, bool* created) override {
        HKEY h;
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &h, &disposition) != ERROR_SUCCESS)
            return false;
        RegCloseKey(h);
        *created = disposition == REG_CREATED_NEW_KEY;
        return true;
    }
    bool Read(const std::string& key, const std::string& name, TRegistryValue* value) override {
        *value = TRegistryValue();
        HKEY h;
        LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &h);
        if (rc == ERROR_FILE_NOT_FOUND) return true;
        if (rc != ERROR_SUCCESS) return false;
        DWORD type = 0, size = 0;
        rc = RegQueryValueExA(h, name.c_str(), nullptr, &type, nullptr, &size);
        if (rc == ERROR_SUCCESS) {
            value->Data.resize(size);
            DWORD got = size;
            rc = RegQueryValueExA(h, name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(value->Data.empty() ? nullptr : &value->Data[0]), &got);
            value->Data.resize(got < size ? got : size);
            value->Present = rc == ERROR_SUCCESS;
            value->Type = type;
        }
        RegCloseKey(h);
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    bool Write(const std::string& key, const std::string& name, const TRegistryValue& value) override {
        HKEY h;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return false;
        const LONG rc = value.Present ? RegSetValueExA(h, name.c_str(), 0, value.Type,
                                                       reinterpret_cast<const BYTE*>(value.Data.data()),
                                                       static_cast<DWORD>(value.Data.size()))
                                      : RegDeleteValueA(h, name.c_str());
        RegCloseKey(h);
        return rc == ERROR_SUCCESS || (!value.Present && rc == ERROR_FILE_NOT_FOUND);
    }
    bool Flush(const std::string& key) override {
        HKEY h;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return false;
        const bool ok = RegFlushKey(h) == ERROR_SUCCESS;
        RegCloseKey(h);
        return ok;
    }
    bool DeleteKey(const std::string& key) override {
        const LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
};

class TWinRestart : public TInstallRestart {
public:
    bool NineFamily() override { return Is9xFamily(); }
    std::string Where() override {
        return Is9xFamily() ? WininitFile()
                            : std::string("HKEY_LOCAL_MACHINE\\") + kSessionManager + "\\" + kPendingValue;
    }
    bool Read(std::string* list) override { return ReadPendingList(list); }
    bool Write(const std::string& list) override { return WritePendingList(list); }
    std::string ShortForm(const std::string& path) override { return ShortPathOf(path); }
};

class TWinShell : public TInstallShell {
public:
    std::string Expand(const std::string& text) override { return ExpandPathMacros(text); }
    std::string ShortcutPath(const std::string& folderKey, const std::string& linkName,
                             const std::string& target) override {
        return ::ShortcutPath(folderKey, linkName, target);
    }
    bool WriteShortcut(const std::string& path, const std::string& target, const std::string& arguments) override {
        return ::WriteShortcut(path, target, arguments);
    }
};

}  // namespace

struct TWinInstallHost::TParts {
    TWinFiles files;
    TRarArchives archives;
    TWinRegistry registry;
    TWinRestart restart;
    TWinShell shell;
};

TWinInstallHost::TWinInstallHost() : parts(new TParts) {}
TWinInstallHost::~TWinInstallHost() = default;

TInstallHost TWinInstallHost::Host() {
    return TInstallHost{parts->files, parts->archives, parts->registry, parts->restart, parts->shell};
}

TInstallOutcome InstallHere(TInstallView& view, bool unattended, const RunStepFn& onStep) {
    TWinInstallHost host;
    TInstallEngine engine(view, host.Host());
    engine.Unattended = unattended;
    engine.OnStep = onStep;
    const TInstallOutcome end = engine.Run();
    if (engine.InstallCompleted) SetCurrentDirectoryA(SetupScript.InstallDir.c_str());
    return end;
}

bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteInstallLogFile(const std::string& path, const std::vector<std::string>& lines) {
    return WriteWholeFile(path, InstallLogBytes(lines));
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    const std::string dir = FileDirectory(path).empty() ? "." : FileDirectory(path);
    // The system copies the folder into the name's buffer as it is, with
    // room for 14 more characters only.
    char temp[MAX_PATH];
    if (dir.size() > MAX_PATH - 14) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!GetTempFileNameA(dir.c_str(), "log", 0, temp)) return false;
    HANDLE f = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    if (ok) {
        DWORD written = 0;
        const BOOL wrote = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        if (wrote && written != bytes.size()) SetLastError(ERROR_DISK_FULL);  // a short write
        ok = wrote && written == bytes.size() && FlushFileBuffers(f);
        ok = CloseHandle(f) && ok;
    }
    if (ok) {
        ok = MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        // The 95/98 family has no replacing move; the complete new file is on
        // disk before the old one goes.
        if (!ok && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
            DeleteFileA(path.c_str());
            ok = MoveFileA(temp, path.c_str());
        }
    }
    if (!ok) {
        const DWORD e = GetLastError();
        DeleteFileA(temp);
        SetLastError(e);
    }
    return ok;
}
