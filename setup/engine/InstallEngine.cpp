#include "InstallEngine.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "InstallJournal.h"
#include "InstallText.h"
#include "PendingDeletes.h"
#include "NameRule.h"
#include "ProductKeys.h"
#include "SetupScript.h"
#include "SetupText.h"
#include "Sha256.h"
#include "Shortcut.h"

std::string UninstallEntryKey(const std::string& productTitle) {
    return std::string(kUninstallRoot) + "\\" + productTitle;
}

bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The journal's file system, remembering the system's reason for the last
// operation that failed.
class TWinJournalFs : public TJournalFs {
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

private:
    // After a failed look: only these mean that nothing is there.
    bool Absent() {
        Error = GetLastError();
        return Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND;
    }
    bool Did(BOOL ok) {
        if (!ok) Error = GetLastError();
        return ok != FALSE;
    }
};

namespace {

// Hides the view on every way out of the run, the exceptional one included.
struct ShownRun {
    TInstallView& view;
    explicit ShownRun(TInstallView& v) : view(v) { view.RunShown(); }
    ~ShownRun() { view.RunHidden(); }
};

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

// The archive component's codes: the library's, and its own refusal of an
// entry that would be written outside the target or is a link. A code added
// later is taken as a refusal too: whatever it is, the entry failed.
TInstallFault FaultOfArchiveError(int32_t code) {
    switch (code) {
        case ERAR_NO_MEMORY: return ifOutOfMemory;
        case ERAR_BAD_DATA:
        case ERAR_BAD_ARCHIVE:
        case ERAR_UNKNOWN_FORMAT:
        case ERAR_UNKNOWN: return ifArchiveDamaged;  // the library's warning: an archive that ends early
        case ERAR_EOPEN:
        case ERAR_EREAD: return ifSourceUnreadable;
        case ERAR_ECREATE:
        case ERAR_ECLOSE: return ifCannotWrite;
        case ERAR_EWRITE: return ifDiskFull;
        case ERAR_MISSING_PASSWORD:
        case ERAR_BAD_PASSWORD: return ifArchiveEncrypted;
        case kRarRefusedEntry: return ifEntryRefused;
        default: return ifEntryRefused;
    }
}

std::string EntryName(const RARHeaderData& h) {
    return std::string(h.FileName, strnlen(h.FileName, sizeof h.FileName));
}

// A registry value as it was before the run: gone, or its type and bytes.
struct SavedValue {
    std::string name;
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

SavedValue SaveValue(HKEY key, const char* name) {
    SavedValue v;
    v.name = name;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) return v;
    v.data.resize(size);
    DWORD got = size;
    v.present = RegQueryValueExA(key, name, nullptr, &v.type, v.data.data(), &got) == ERROR_SUCCESS;
    v.data.resize(got < size ? got : size);
    return v;
}

bool SetString(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

// The values of the entry, in the order they are written; a rollback gives
// each back as it was.
const char* const kUninstallValues[] = {
    "DisplayName",     "UninstallString", "QuietUninstallString", "DisplayVersion", "Publisher",
    "InstallLocation", "DisplayIcon",     "EstimatedSize",        "NoModify",       "NoRepair",
    kInstallLogDigest,
};

}  // namespace

TInstallEngine::TInstallEngine(TInstallView& v) : view(v) {
    RAR1.OnExtracting = [this](TRAR*, RARHeaderData& eFile) { RAR1Extracting(eFile); };
    RAR1.OnProcessData = [this](TRAR*, unsigned char*, int, int position) {
        return RAR1ProcessData(static_cast<uint32_t>(position));
    };
    // Watching only: each failure of an item fails the run, so the run must
    // know which entry failed and why.
    RAR1.OnError = [this](TRAR*, int32_t code) {
        if (!rarError) rarError = code;
    };
    RAR1.OnExtract = [this](TRAR*, RARHeaderData& eFile, bool ok) {
        if (ok && !(eFile.Flags & RHDF_DIRECTORY))
            Step("file", "extracted " + RAR1.TargetDir + "\\" + EntryName(eFile));
        if (!ok && failedEntry.empty()) failedEntry = EntryName(eFile);
    };
    // Answers as the component does without a handler (a volume that is not
    // there cannot be supplied), remembering which one was missing.
    RAR1.OnVolumeChange = [this](TRAR*, char* arcName, int32_t mode) {
        if (mode == RAR_VOL_NOTIFY) return 1;
        if (missingVolume.empty()) missingVolume.assign(arcName, strnlen(arcName, MAX_PATH));
        return 0;
    };
}

TInstallEngine::~TInstallEngine() = default;

void TInstallEngine::RAR1Extracting(RARHeaderData& eFile) {
    const std::string path = RAR1.TargetDir + "\\" + EntryName(eFile);
    InstallLog.push_back(kLogFilePrefix + path);
    installedBytes += eFile.UnpSize;
    view.EntryStarted(path, eFile.UnpSize);
    if (view.CancelRequested()) RAR1.Stop = true;
}

// A cancel stops the entry being written at once, however large: the run
// is undone anyway.
int TInstallEngine::RAR1ProcessData(uint32_t position) {
    view.EntryProgress(position);
    if (!view.CancelRequested()) return 1;
    RAR1.Stop = true;
    return 0;
}

bool TInstallEngine::Fail(TInstallFault fault, const std::string& subject) {
    if (outcome.Status == rsCompleted) {
        outcome.Status = rsFailed;
        outcome.Fault = fault;
        outcome.Item = item;
        outcome.Subject = subject;
    }
    return false;
}

// A failed system call: a read error names the file read, any other the
// file written.
bool TInstallEngine::FailWith(unsigned long winError, const std::string& written, const std::string& read) {
    TInstallFault fault = FaultOfSystemError(winError);
    if (fault == ifSourceUnreadable && read.empty()) fault = ifCannotWrite;
    return Fail(fault, fault == ifSourceUnreadable ? read : written);
}

bool TInstallEngine::Cancelled() {
    if (outcome.Status == rsCompleted) outcome.Status = rsCancelled;
    return false;
}

TInstallOutcome TInstallEngine::Run() {
    InstallCompleted = false;
    InstallLog.clear();
    outcome = TInstallOutcome();
    TWinJournalFs winFs;
    TInstallJournal runJournal(winFs);
    fs = &winFs;
    journal = &runJournal;
    bool done = false;
    LoadPendingDeletes();
    {
        ShownRun shown(view);
        try {
            done = RunSteps();
        } catch (const std::bad_alloc&) {
            Fail(ifOutOfMemory, std::string());
        } catch (...) {
            Fail(ifUnexpected, std::string());
        }
        if (!done) {
            if (outcome.Status == rsCompleted) Fail(ifUnexpected, std::string());
            runJournal.Rollback(&outcome.NotRestored);
        }
    }
    journal = nullptr;
    fs = nullptr;
    if (!done) return outcome;
    runJournal.Commit();
    SetCurrentDirectoryA(SetupScript.InstallDir.c_str());
    InstallCompleted = true;
    return outcome;
}

bool TInstallEngine::WaitForSource(const std::string& path) {
    while (!FileExists(path)) {
        if (Unattended) return Fail(ifSourceMissing, path);
        if (!view.NextDiskette()) return Cancelled();
    }
    return true;
}

bool TInstallEngine::MakeFolders(const std::string& folder) {
    if (!WithdrawPendingDelete(folder)) return false;
    std::string failed;
    return journal->MakeFolders(folder, &failed) || FailWith(fs->Error, failed);
}

// Copies a single file over whatever is there, keeping the old one aside.
bool TInstallEngine::CopyKept(const std::string& from, const std::string& to) {
    if (!WithdrawPendingDelete(to)) return false;
    if (!journal->KeepFile(to, FileDirectory(to))) return FailWith(fs->Error, to);
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) return FailWith(GetLastError(), to, from);
    WIN32_FILE_ATTRIBUTE_DATA copied;
    if (GetFileAttributesExA(to.c_str(), GetFileExInfoStandard, &copied))
        installedBytes += copied.nFileSizeLow | (static_cast<uint64_t>(copied.nFileSizeHigh) << 32);
    return true;
}

namespace {

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

std::string WininitFile() {
    char dir[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir) return std::string();
    return std::string(dir, n) + (dir[n - 1] == '\\' ? "" : "\\") + "wininit.ini";
}

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

std::string ShortForm(const std::string& path) {
    char buf[MAX_PATH * 2];
    const DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

}  // namespace

void TInstallEngine::LoadPendingDeletes() {
    pendingDeletes.clear();
    std::string list;
    if (!ReadPendingList(&list) || list.empty()) return;
    for (const std::string& p : Is9xFamily() ? WininitDeletions(list) : PendingDeletions(list))
        pendingDeletes.insert(Is9xFamily() ? UpperAscii(p) : PendingPathKey(p));
}

// A deletion at restart asked for earlier (an uninstall that met files in
// use) would take what this run writes at `path`: it is withdrawn, and put
// back by a rollback.
bool TInstallEngine::WithdrawPendingDelete(const std::string& path) {
    if (pendingDeletes.empty()) return true;
    std::set<std::string> keys = {UpperAscii(path)};
    if (Is9xFamily()) {
        const std::string shortPath = ShortForm(path);
        if (!shortPath.empty()) keys.insert(UpperAscii(shortPath));
    }
    bool pending = false;
    for (const std::string& k : keys) pending = pending || pendingDeletes.count(k);
    if (!pending) return true;
    std::string list;
    std::vector<std::string> withdrawn;
    const bool nine = Is9xFamily();
    const std::string where = nine ? WininitFile() : std::string("HKEY_LOCAL_MACHINE\\") + kSessionManager +
                                                         "\\" + kPendingValue;
    if (!ReadPendingList(&list)) return Fail(ifRegistryFailed, where);
    const std::string kept = nine ? WininitWithout(list, keys, &withdrawn) : PendingListWithout(list, keys, &withdrawn);
    for (const std::string& k : keys) pendingDeletes.erase(k);
    if (withdrawn.empty()) return true;
    if (!WritePendingList(kept)) return Fail(ifRegistryFailed, where);
    journal->AddUndo(where, [withdrawn, nine] {
        std::string now;
        return ReadPendingList(&now) &&
               WritePendingList(nine ? WininitWith(now, withdrawn) : PendingListWith(now, withdrawn));
    });
    Step("restart", "withdrew the deletion at restart of " + path);
    return true;
}

// The elevated uninstaller later acts on what the install folder holds, and
// its shortcut and entry start VlUnInst.exe from there: a folder outside the
// administrators' own ones is made so that users cannot change it.
bool TInstallEngine::SecureInstallFolder() {
    const std::string& dir = SetupScript.InstallDir;
    if (dir.empty() || fs->Kind(dir) != TJournalFs::fkNone) return true;  // keeps its own permissions
    for (const std::string& f : AdminOnlyFolders())
        if (IsBelow(dir, f)) return true;
    // The 95/98 family has no access lists.
    typedef BOOL(WINAPI * ConvertFn)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    const ConvertFn convert = reinterpret_cast<ConvertFn>(reinterpret_cast<void*>(GetProcAddress(
        GetModuleHandleA("advapi32.dll"), "ConvertStringSecurityDescriptorToSecurityDescriptorA")));
    if (!convert) return true;
    std::string top = dir;
    for (std::string up = FileDirectory(top); !up.empty() && up != top && up.back() != '\\' &&
                                              fs->Kind(up) == TJournalFs::fkNone;
         up = FileDirectory(top))
        top = up;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!convert(kInstallFolderAcl, 1 /* SDDL_REVISION_1 */, &sd, nullptr)) return FailWith(GetLastError(), top);
    journal->NoteFolder(dir);
    SECURITY_ATTRIBUTES sa = {sizeof sa, sd, FALSE};
    const BOOL made = CreateDirectoryA(top.c_str(), &sa);
    const DWORD error = GetLastError();
    LocalFree(sd);
    if (!made) return FailWith(error, top);
    Step("folder", "made " + top + " for administrators only (" + kInstallFolderAcl +
                       "): Administrators and SYSTEM full control, Users read and execute");
    return MakeFolders(dir);
}

bool TInstallEngine::RunSteps() {
    const TSetupScript& s = SetupScript;
    item = 0;
    if (!SecureInstallFolder()) return false;
    if (FileExists(s.SourceDir + "UNRAR.DLL")) {
        const std::string dll = ExpandPathMacros("<WINSYSDIR>\\UNRAR.DLL");
        if (!CopyKept(s.SourceDir + "UNRAR.DLL", dll)) return false;
        Step("file", "copied " + dll);
    }

    for (int k = 0; k < s.FileItemCount; ++k) {
        const TFileItem& fileItem = s.FileItems[k];
        // A number left out below the highest is no item: waiting for its
        // empty source would ask for diskettes forever.
        if (fileItem.Source.empty()) continue;
        item = k + 1;
        const std::string source = s.SourceDir + fileItem.Source;
        if (view.CancelRequested()) return Cancelled();
        if (!WaitForSource(source)) return false;
        Step("item", std::to_string(item) + " " + source + " -> " + ExpandPathMacros(fileItem.DestDir));
        if ((fileItem.Option.empty() || fileItem.Option == "FAILIFEXISTS") && IsRarName(fileItem.Source)) {
            if (!ExtractItem(source, ExpandPathMacros(fileItem.DestDir), fileItem.Option == "FAILIFEXISTS"))
                return false;
            if (view.CancelRequested()) return Cancelled();
        }
        InstallLog.push_back(kLogDirPrefix + RAR1.TargetDir);
        if (fileItem.Option == "COPY" && FileExists(source)) {
            // Unlike an archive, a copy makes no folders of its own.
            const std::string dest = ExpandPathMacros(fileItem.DestDir);
            const std::string target = dest + "\\" + fileItem.Source;
            if (target.size() > kNarrowPathMax) return Fail(ifPathTooLong, target);
            if ((!dest.empty() && !MakeFolders(dest)) || !CopyKept(source, target)) return false;
            Step("file", "copied " + target);
        }
    }
    item = 0;
    if (view.CancelRequested()) return Cancelled();
    if (s.IconItemCount > 0 && !InstallShortcuts()) return false;
    return WriteLog();
}

// Lists the archive first: every file it will write over is moved aside and
// every folder it may make is noted before a byte is written.
bool TInstallEngine::ExtractItem(const std::string& source, const std::string& dest, bool failIfExists) {
    rarError = 0;
    failedEntry.clear();
    missingVolume.clear();
    std::vector<std::pair<std::string, bool>> entries;  // name, folder
    std::string unspellable;
    RAR1.ArchiveName = source;
    RAR1.OnListFile = [&entries, &unspellable](TRAR* rar, RARHeaderData& h) {
        if (!rar->NameExact && unspellable.empty()) unspellable = EntryName(h);
        entries.emplace_back(EntryName(h), (h.Flags & RHDF_DIRECTORY) != 0);
    };
    const bool listed = RAR1.List();
    RAR1.OnListFile = nullptr;
    if (!listed || rarError) return ArchiveFailed(source, dest);
    // Its file could not be named in the log nor told from the look-alike the
    // user may keep there: the install fails before anything is touched.
    if (!unspellable.empty()) {
        rarError = kRarRefusedEntry;
        failedEntry = unspellable;
        return ArchiveFailed(source, dest);
    }

    // A path the narrow calls cannot take could be neither kept nor logged:
    // the run fails before anything of this item changes.
    auto target = [&dest](const std::string& name) { return dest.empty() ? name : dest + "\\" + name; };
    for (const auto& e : entries)
        if (target(e.first).size() > kNarrowPathMax) return Fail(ifPathTooLong, target(e.first));

    // Where the component writes: an empty target is the current folder.
    const std::string home = dest.empty() ? "." : dest;
    journal->NoteFolder(home);
    for (const auto& e : entries) {
        // The component refuses these; nothing may be kept or touched for them.
        if (!IsConfinedName(e.first.c_str(), e.first.size())) continue;
        const std::string path = target(e.first);
        if (!WithdrawPendingDelete(path)) return false;
        if (e.second) {
            journal->NoteFolder(path);
        } else if (!(failIfExists && FileExists(path)) && !journal->KeepFile(path, home)) {
            return FailWith(fs->Error, path);
        }
    }
    const bool extracted = RAR1.ExtractArchive(source, dest, failIfExists);
    if (view.CancelRequested()) return true;  // the caller ends the run as cancelled
    return (extracted && !rarError) || ArchiveFailed(source, dest);
}

bool TInstallEngine::ArchiveFailed(const std::string& source, const std::string& dest) {
    if (!missingVolume.empty()) return Fail(ifVolumeMissing, missingVolume);
    const TInstallFault fault = FaultOfArchiveError(rarError);
    // A damaged or unreadable archive is named itself; a file that could
    // not be written, or an entry refused, by where it was to go.
    const bool archiveItself = fault == ifArchiveDamaged || fault == ifArchiveEncrypted ||
                               fault == ifSourceUnreadable || failedEntry.empty();
    return Fail(fault, archiveItself ? source : dest + "\\" + failedEntry);
}

bool TInstallEngine::SaveShortcut(const std::string& path, const std::string& target,
                                  const std::string& arguments) {
    const std::string folder = FileDirectory(path);
    if (path.size() > kNarrowPathMax) return Fail(ifPathTooLong, path);
    if (!WithdrawPendingDelete(folder) || !WithdrawPendingDelete(path)) return false;
    journal->NoteFolder(folder);  // the program group, made with the shortcut
    if (!journal->KeepFile(path, folder)) return FailWith(fs->Error, path);
    if (!WriteShortcut(path, target, arguments)) return Fail(ifShortcutFailed, path);
    Step("shortcut", path + " -> " + target + (arguments.empty() ? "" : " " + arguments));
    return true;
}

// Each value here is removed again by the uninstaller from its own list; the
// log carries only what the uninstaller cannot know. A rollback gives the
// entry back as it was: gone, or with its earlier values.
// Besides the two values the uninstaller needs, the entry carries what the
// tools of administrators read: version, publisher, place, icon, size (KiB
// the run wrote), a quiet command line, and no modify or repair.
// Written only after INSTALL.LOG is complete, with its digest: a run killed
// in between leaves no entry that points at a missing or unchecked log.
bool TInstallEngine::WriteUninstallEntry(const std::string& digest) {
    const std::string key = UninstallEntryKey(SetupScript.ProductTitle);
    const std::string subject = "HKEY_LOCAL_MACHINE\\" + key;
    HKEY h;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &h, &disposition) != ERROR_SUCCESS)
        return Fail(ifRegistryFailed, subject);
    if (disposition == REG_CREATED_NEW_KEY) {
        journal->AddUndo(subject, [key] {
            const LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
            return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
        });
    } else {
        std::vector<SavedValue> saved;
        for (const char* name : kUninstallValues) saved.push_back(SaveValue(h, name));
        journal->AddUndo(subject, [key, saved] {
            HKEY k;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS)
                return false;
            bool ok = true;
            for (const SavedValue& v : saved) {
                const LONG rc = v.present ? RegSetValueExA(k, v.name.c_str(), 0, v.type, v.data.data(),
                                                           static_cast<DWORD>(v.data.size()))
                                          : RegDeleteValueA(k, v.name.c_str());
                ok = ok && (rc == ERROR_SUCCESS || (!v.present && rc == ERROR_FILE_NOT_FOUND));
            }
            RegFlushKey(k);
            RegCloseKey(k);
            return ok;
        });
    }
    const TSetupScript& s = SetupScript;
    const uint64_t kib = (installedBytes + 1023) / 1024;
    const DWORD size = kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kib);
    std::vector<std::string> values;  // for the run log, once all are in
    auto text = [&](const char* name, const std::string& value) {
        values.push_back(subject + "\\" + name + " = " + value);
        return SetString(h, name, value);
    };
    auto number = [&](const char* name, DWORD value) {
        values.push_back(subject + "\\" + name + " = " + std::to_string(value));
        return SetDword(h, name, value);
    };
    const bool written = text("DisplayName", s.ProductTitle) && text("UninstallString", entryCommand) &&
                         text("QuietUninstallString", entryQuietCommand) &&
                         (s.Version.empty() || text("DisplayVersion", s.Version)) &&
                         (s.Company.empty() || text("Publisher", s.Company)) &&
                         text("InstallLocation", s.InstallDir) && text("DisplayIcon", entryIcon) &&
                         number("EstimatedSize", size) && number("NoModify", 1) && number("NoRepair", 1) &&
                         text(kInstallLogDigest, digest) && RegFlushKey(h) == ERROR_SUCCESS;
    RegCloseKey(h);
    if (!written) return Fail(ifRegistryFailed, subject);
    for (const std::string& v : values) Step("registry", v);
    return true;
}

// The uninstaller's shortcut and the entry in the installed-programs list.
bool TInstallEngine::RegisterUninstaller(const std::string& program) {
    const TSetupScript& s = SetupScript;
    // Quoted, so an install directory with blanks reaches the uninstaller
    // as one parameter.
    const std::string log = ExpandPathMacros("<INSTALLDIR>\\INSTALL.LOG");
    const std::string target = ExpandPathMacros("<INSTALLDIR>\\VlUnInst.EXE");
    const std::string path = ShortcutPath("Programs", s.ProductTitle + "\\" + s.Uninstall + ".LNK", target);
    if (!SaveShortcut(path, target, Quoted(log))) return false;
    InstallLog.push_back(kLogIconPrefix + path);
    // The product's own program when a shortcut names one, else the uninstaller.
    const std::string icon = s.IconItemCount > 0 && !s.IconItems[0].Target.empty()
                                 ? ExpandPathMacros(s.IconItems[0].Target)
                                 : program;
    entryCommand = QuotedCommandLine(program, log);
    entryQuietCommand = Quoted(program) + " /VERYSILENT " + Quoted(log);
    entryIcon = icon;
    return true;
}

bool TInstallEngine::InstallShortcuts() {
    const TSetupScript& s = SetupScript;
    std::string groupDir;
    for (int i = 0; i < s.IconItemCount; ++i) {
        const TIconItem& icon = s.IconItems[i];
        const bool inGroup = UpperAscii(icon.FolderKey) == "PROGRAMS";
        const std::string linkName =
            (inGroup ? s.ProductTitle + "\\" : std::string()) + icon.LinkName + ".LNK";
        const std::string target = ExpandPathMacros(icon.Target);
        const std::string path = ShortcutPath(icon.FolderKey, linkName, target);
        if (!SaveShortcut(path, target, ExpandPathMacros(icon.Arguments))) return false;
        if (inGroup) groupDir = FileDirectory(path);
        InstallLog.push_back(kLogIconPrefix + path);
    }
    const std::string uninstaller = s.SourceDir + "VlUnInst.exe";
    if (FileExists(uninstaller)) {
        const std::string program = ExpandPathMacros("<INSTALLDIR>\\VlUnInst.exe");
        if (!MakeFolders(s.InstallDir) || !CopyKept(uninstaller, program)) return false;
        if (!s.Uninstall.empty() && !RegisterUninstaller(program)) return false;
    }
    if (!groupDir.empty()) InstallLog.push_back(kLogDirPrefix + groupDir);
    return true;
}

// The log is what the uninstall entry and shortcut point at: it is written
// before the run counts as completed, never later.
bool TInstallEngine::WriteLog() {
    const std::string& dir = SetupScript.InstallDir;
    const std::string path = dir + "\\INSTALL.LOG";
    if (!MakeFolders(dir) || !WithdrawPendingDelete(path)) return false;
    if (!journal->KeepFile(path, dir)) return FailWith(fs->Error, path);
    InstallLog.push_back(kLogFilePrefix + path);
    if (!WriteInstallLogFile(path, InstallLog)) return FailWith(GetLastError(), path);
    Step("log", path);
    if (entryCommand.empty()) return true;
    // The uninstaller runs elevated and acts on what the log lists, while the
    // log may lie where users can write: it checks the log against this
    // digest, kept in the entry, which only administrators can change.
    const std::string bytes = InstallLogBytes(InstallLog);
    Sha256 sha;
    sha.Update(bytes.data(), bytes.size());
    return WriteUninstallEntry(sha.HexDigest());
}

bool WriteInstallLogFile(const std::string& path, const std::vector<std::string>& lines) {
    const std::string dir = FileDirectory(path).empty() ? "." : FileDirectory(path);
    // The system copies the folder into the name's buffer as it is, with
    // room for 14 more characters only.
    char temp[MAX_PATH];
    if (dir.size() > MAX_PATH - 14) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!GetTempFileNameA(dir.c_str(), "log", 0, temp)) return false;
    const std::string bytes = InstallLogBytes(lines);
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
