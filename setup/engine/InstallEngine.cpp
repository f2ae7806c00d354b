#include "InstallEngine.h"

#include <cstdlib>
#include <new>

#include "InstallJournal.h"
#include "InstallText.h"
#include "NameRule.h"
#include "PendingDeletes.h"
#include "ProductKeys.h"
#include "RARArc.h"
#include "SetupScript.h"
#include "SetupText.h"
#include "Sha256.h"

std::string UninstallEntryKey(const std::string& productTitle) {
    return std::string(kUninstallRoot) + "\\" + productTitle;
}

namespace {

// Hides the view on every way out of the run, the exceptional one included.
struct ShownRun {
    TInstallView& view;
    explicit ShownRun(TInstallView& v) : view(v) { view.RunShown(); }
    ~ShownRun() { view.RunHidden(); }
};

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

TRegistryValue StringValue(const std::string& text) {
    TRegistryValue v;
    v.Present = true;
    v.Type = 1;  // REG_SZ
    v.Data = text;
    v.Data.push_back('\0');
    return v;
}

TRegistryValue DwordValue(uint32_t n) {
    TRegistryValue v;
    v.Present = true;
    v.Type = 4;  // REG_DWORD, little-endian
    for (int i = 0; i < 4; ++i) v.Data.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    return v;
}

// The values of the entry, in the order they are written; a rollback gives
// each back as it was.
const char* const kUninstallValues[] = {
    "DisplayName",     "UninstallString", "QuietUninstallString", "DisplayVersion", "Publisher",
    "InstallLocation", "DisplayIcon",     "EstimatedSize",        "NoModify",       "NoRepair",
    kInstallLogDigest,
};

// Where an archive's entry goes; an empty destination is the current folder.
std::string EntryTarget(const std::string& dest, const std::string& name) {
    return dest.empty() ? name : dest + "\\" + name;
}

}  // namespace

TInstallEngine::TInstallEngine(TInstallView& v, const TInstallHost& h) : view(v), host(h) {}

TInstallEngine::~TInstallEngine() = default;

bool TInstallEngine::Extracting(const std::string& name, uint32_t size) {
    const std::string path = targetDir + "\\" + name;
    InstallLog.push_back(kLogFilePrefix + path);
    installedBytes += size;
    view.EntryStarted(path, size);
    return !view.CancelRequested();
}

// A cancel stops the entry being written at once, however large: the run
// is undone anyway.
bool TInstallEngine::Progress(uint32_t position) {
    view.EntryProgress(position);
    return !view.CancelRequested();
}

void TInstallEngine::Extracted(const std::string& name, bool folder, bool ok) {
    if (ok && !folder) Step("file", "extracted " + targetDir + "\\" + name);
    if (!ok && failedEntry.empty()) failedEntry = name;
}

// Watching only: each failure of an item fails the run, so the run must
// know which entry failed and why.
void TInstallEngine::Error(int32_t code) {
    if (!rarError) rarError = code;
}

void TInstallEngine::VolumeMissing(const std::string& volume) {
    if (missingVolume.empty()) missingVolume = volume;
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

bool TInstallEngine::FailWith(const std::string& written, const std::string& read) {
    TInstallFault fault = host.files.Fault;
    if (fault == ifSourceUnreadable && read.empty()) fault = ifCannotWrite;
    return Fail(fault, fault == ifSourceUnreadable ? read : written);
}

bool TInstallEngine::JournalFailed() {
    return FailWith(host.files.JournalPath(JournalName(SetupScript.ProductTitle, SetupScript.InstallDir)));
}

bool TInstallEngine::Cancelled() {
    if (outcome.Status == rsCompleted) outcome.Status = rsCancelled;
    return false;
}

TInstallOutcome TInstallEngine::Run() {
    InstallCompleted = false;
    InstallLog.clear();
    outcome = TInstallOutcome();
    item = 0;
    installedBytes = 0;
    targetDir.clear();
    entryCommand.clear();
    entryQuietCommand.clear();
    entryIcon.clear();
    listed.clear();
    TInstallJournal runJournal(host.files, [this](const TJournalRecord& r) { return UndoOf(r); });
    journal = &runJournal;
    bool done = false, begun = false;
    {
        ShownRun shown(view);
        try {
            begun = RecoverEarlierRun(runJournal);
            done = begun && LoadPendingDeletes() && RunSteps() &&
                   (runJournal.Finish() || JournalFailed());
        } catch (const std::bad_alloc&) {
            Fail(ifOutOfMemory, std::string());
        } catch (...) {
            Fail(ifUnexpected, std::string());
        }
        if (!done) {
            if (outcome.Status == rsCompleted) Fail(ifUnexpected, std::string());
            // Before Begin nothing of this run's was changed, and what the
            // journal holds is the earlier run's.
            if (begun) runJournal.Rollback(&outcome.NotRestored);
        }
    }
    journal = nullptr;
    if (!done) return outcome;
    runJournal.Commit();
    InstallCompleted = true;
    return outcome;
}

// A run of the same product into the same folder that was stopped before
// its end left its journal: it is undone first, or this run does nothing.
// Then the paths are checked and this run's journal begins.
bool TInstallEngine::RecoverEarlierRun(TInstallJournal& runJournal) {
    const TSetupScript& s = SetupScript;
    std::string left;
    switch (runJournal.Recover(s.ProductTitle, s.InstallDir, &left)) {
        case TInstallJournal::loNone: break;
        case TInstallJournal::loUndone:
            outcome.EarlierRunUndone = true;
            Step("recovery", "undid the earlier run into " + s.InstallDir + " that was stopped before its end");
            if (!Unattended) view.EarlierRunUndone();
            break;
        case TInstallJournal::loNotUndone:
        case TInstallJournal::loUnreadable: return Fail(ifEarlierRunLeft, left);
    }
    return CheckPathsFirst() && (runJournal.Begin(s.ProductTitle, s.InstallDir) || JournalFailed());
}

namespace {

bool ReadValue(const std::string& type, const std::string& data, TRegistryValue* v) {
    *v = TRegistryValue();
    if (type == "-") return true;
    char* end = nullptr;
    const unsigned long t = std::strtoul(type.c_str(), &end, 10);
    if (type.empty() || *end || t > 0xFFFFFFFFul) return false;
    v->Present = true;
    v->Type = static_cast<uint32_t>(t);
    v->Data = data;
    return true;
}

}  // namespace

// The undo steps that are not files, the same for this run's rollback and
// for a killed run's: each is written to the journal before its change.
std::function<bool()> TInstallEngine::UndoOf(const TJournalRecord& r) {
    TInstallRegistry& registry = host.registry;
    TInstallRestart& restart = host.restart;
    const std::vector<std::string>& f = r.Fields;
    if (r.Kind == "key") {
        const std::string key = f[0];
        return [&registry, key] { return registry.DeleteKey(key); };
    }
    if (r.Kind == "value") {
        TRegistryValue was;
        if (!ReadValue(f[2], f[3], &was)) return {};
        const std::string key = f[0], name = f[1];
        return [&registry, key, name, was] { return registry.Write(key, name, was) && registry.Flush(key); };
    }
    if (r.Kind == "restart") {
        const std::string before = f[0], after = f[1];
        // The withdrawn deletions, each ended by a zero.
        std::vector<std::string> withdrawn;
        for (size_t at = 0, z; (z = f[2].find('\0', at)) != std::string::npos; at = z + 1)
            withdrawn.push_back(f[2].substr(at, z - at));
        // Unchanged since: the list goes back byte for byte, its order
        // included; already back (a recovery that was itself stopped): as is.
        return [&restart, before, after, withdrawn] {
            std::string now;
            if (!restart.Read(&now)) return false;
            if (now == before) return true;
            if (now == after) return restart.Write(before);
            const bool nine = restart.NineFamily();
            return restart.Write(nine ? WininitWith(now, withdrawn) : PendingListWith(now, withdrawn));
        };
    }
    return {};
}

bool TInstallEngine::WaitForSource(const std::string& path) {
    while (host.files.Kind(path) != TJournalFs::fkFile) {
        if (Unattended) return Fail(ifSourceMissing, path);
        // Another diskette: what was listed may no longer be what is there.
        listed.clear();
        if (!view.NextDiskette()) return Cancelled();
    }
    return true;
}

// Whether an optional file of the distribution is there. What cannot be
// looked at is no reason to install less: the run fails.
bool TInstallEngine::SourceThere(const std::string& path, bool* there) {
    const TJournalFs::TKind kind = host.files.Kind(path);
    *there = kind == TJournalFs::fkFile;
    return kind != TJournalFs::fkUnreadable || Fail(ifSourceUnreadable, path);
}

bool TInstallEngine::MakeFolders(const std::string& folder) {
    if (!WithdrawPendingDelete(folder)) return false;
    std::string failed;
    return journal->MakeFolders(folder, &failed) || FailWith(failed);
}

// Copies a single file over whatever is there, keeping the old one aside.
bool TInstallEngine::CopyKept(const std::string& from, const std::string& to) {
    if (!WithdrawPendingDelete(to)) return false;
    std::string failed;
    if (!journal->KeepFile(to, FileDirectory(to), &failed)) return FailWith(failed);
    uint64_t size = 0;
    if (!host.files.Copy(from, to, &size)) return FailWith(to, from);
    installedBytes += size;
    return true;
}

bool TInstallEngine::LoadPendingDeletes() {
    pendingDeletes.clear();
    std::string list;
    // Unread, a deletion there could take what the run writes.
    if (!host.restart.Read(&list)) return Fail(ifRegistryFailed, host.restart.Where());
    if (list.empty()) return true;
    const bool nine = host.restart.NineFamily();
    for (const std::string& p : nine ? WininitDeletions(list) : PendingDeletions(list))
        pendingDeletes.insert(nine ? UpperAscii(p) : PendingPathKey(p));
    return true;
}

// A deletion at restart asked for earlier (an uninstall that met files in
// use) would take what this run writes at `path`: it is withdrawn, and put
// back by a rollback.
bool TInstallEngine::WithdrawPendingDelete(const std::string& path) {
    if (pendingDeletes.empty()) return true;
    TInstallRestart& restart = host.restart;
    const bool nine = restart.NineFamily();
    std::set<std::string> keys = {UpperAscii(path)};
    if (nine) {
        const std::string shortPath = restart.ShortForm(path);
        if (!shortPath.empty()) keys.insert(UpperAscii(shortPath));
    }
    bool pending = false;
    for (const std::string& k : keys) pending = pending || pendingDeletes.count(k);
    if (!pending) return true;
    std::string list;
    std::vector<std::string> withdrawn;
    const std::string where = restart.Where();
    if (!restart.Read(&list)) return Fail(ifRegistryFailed, where);
    const std::string kept = nine ? WininitWithout(list, keys, &withdrawn) : PendingListWithout(list, keys, &withdrawn);
    for (const std::string& k : keys) pendingDeletes.erase(k);
    if (withdrawn.empty()) return true;
    std::string joined;
    for (const std::string& w : withdrawn) joined += w + '\0';
    if (!journal->AddUndo(where, TJournalRecord{"restart", {list, kept, joined}})) return JournalFailed();
    if (!restart.Write(kept)) return Fail(ifRegistryFailed, where);
    Step("restart", "withdrew the deletion at restart of " + path);
    return true;
}

// The elevated uninstaller later acts on what the install folder holds, and
// its shortcut and entry start VlUnInst.exe from there: a folder outside the
// administrators' own ones is made so that users cannot change it.
bool TInstallEngine::SecureInstallFolder() {
    TInstallFiles& files = host.files;
    const std::string& dir = SetupScript.InstallDir;
    if (dir.empty() || files.Kind(dir) != TJournalFs::fkNone) return true;  // keeps its own permissions
    if (files.AdminOnly(dir)) return true;
    std::string top = dir;
    for (std::string up = FileDirectory(top);
         !up.empty() && up != top && up.back() != '\\' && files.Kind(up) == TJournalFs::fkNone;
         up = FileDirectory(top))
        top = up;
    journal->NoteFolder(dir);
    if (!journal->Flush()) return JournalFailed();
    std::string acl;
    if (!files.MakeAdminFolder(top, &acl)) return FailWith(top);
    Step("folder", "made " + top + " for administrators only (" + acl +
                       "): Administrators and SYSTEM full control, Users read and execute");
    return MakeFolders(dir);
}

bool TInstallEngine::RunSteps() {
    const TSetupScript& s = SetupScript;
    TInstallShell& shell = host.shell;
    item = 0;
    if (!SecureInstallFolder()) return false;
    bool there = false;
    if (!SourceThere(s.SourceDir + "UNRAR.DLL", &there)) return false;
    if (there) {
        const std::string dll = shell.Expand("<WINSYSDIR>\\UNRAR.DLL");
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
        Step("item", std::to_string(item) + " " + source + " -> " + shell.Expand(fileItem.DestDir));
        if ((fileItem.Option.empty() || fileItem.Option == "FAILIFEXISTS") && IsRarName(fileItem.Source)) {
            if (!ExtractItem(source, shell.Expand(fileItem.DestDir), fileItem.Option == "FAILIFEXISTS"))
                return false;
            if (view.CancelRequested()) return Cancelled();
        }
        // The folder of the last archive extracted, as the uninstaller's log
        // has always had it.
        InstallLog.push_back(kLogDirPrefix + targetDir);
        if (fileItem.Option == "COPY" && (!SourceThere(source, &there) || there)) {
            if (!there) return false;
            // Unlike an archive, a copy makes no folders of its own.
            const std::string dest = shell.Expand(fileItem.DestDir);
            const std::string target = dest + "\\" + fileItem.Source;
            if (!PathFits(target)) return false;
            if ((!dest.empty() && !MakeFolders(dest)) || !CopyKept(source, target)) return false;
            Step("file", "copied " + target);
        }
    }
    item = 0;
    if (view.CancelRequested()) return Cancelled();
    if (s.IconItemCount > 0 && !InstallShortcuts()) return false;
    return WriteLog();
}

bool TInstallEngine::PathFits(const std::string& path) {
    return path.size() <= kNarrowPathMax || Fail(ifPathTooLong, path);
}

void TInstallEngine::ForgetArchiveReport() {
    rarError = 0;
    failedEntry.clear();
    missingVolume.clear();
}

bool TInstallEngine::ListItem(const std::string& source, const std::string& dest,
                              std::vector<TArchiveEntry>* entries) {
    ForgetArchiveReport();
    entries->clear();
    const bool listed = host.archives.List(source, entries, *this);
    if (!listed || rarError) return ArchiveFailed(source, dest);
    // Its file could not be named in the log nor told from the look-alike the
    // user may keep there: the install fails before anything is touched.
    for (const TArchiveEntry& e : *entries)
        if (!e.Exact) {
            rarError = kRarRefusedEntry;
            failedEntry = e.Name;
            return ArchiveFailed(source, dest);
        }
    // A path the narrow calls cannot take could be neither kept nor logged.
    for (const TArchiveEntry& e : *entries)
        if (!PathFits(EntryTarget(dest, e.Name))) return false;
    return true;
}

// Every path the run will write that can be known now, before anything
// changes: a path too long for the narrow calls that INSTALL.LOG and the
// uninstaller depend on would otherwise fail the run half-way. Items on a
// diskette not yet inserted are checked when it is.
bool TInstallEngine::CheckPathsFirst() {
    const TSetupScript& s = SetupScript;
    TInstallShell& shell = host.shell;
    for (const std::string& p : {s.InstallDir + "\\INSTALL.LOG", s.InstallDir + "\\VlUnInst.exe"})
        if (!PathFits(p)) return false;
    std::vector<TArchiveEntry> entries;
    for (int k = 0; k < s.FileItemCount; ++k) {
        const TFileItem& fileItem = s.FileItems[k];
        const std::string source = s.SourceDir + fileItem.Source;
        if (fileItem.Source.empty() || host.files.Kind(source) != TJournalFs::fkFile) continue;
        item = k + 1;
        const std::string dest = shell.Expand(fileItem.DestDir);
        if ((fileItem.Option.empty() || fileItem.Option == "FAILIFEXISTS") && IsRarName(fileItem.Source)) {
            if (!ListItem(source, dest, &entries)) return false;
            listed[source] = entries;
        }
        if (fileItem.Option == "COPY" && !PathFits(dest + "\\" + fileItem.Source)) return false;
    }
    item = 0;
    for (int i = 0; i < s.IconItemCount; ++i)
        if (!PathFits(IconPath(s.IconItems[i]))) return false;
    return s.Uninstall.empty() || PathFits(UninstallerIconPath());
}

std::string TInstallEngine::IconPath(const TIconItem& icon) {
    const bool inGroup = UpperAscii(icon.FolderKey) == "PROGRAMS";
    const std::string linkName = (inGroup ? SetupScript.ProductTitle + "\\" : std::string()) + icon.LinkName + ".LNK";
    return host.shell.ShortcutPath(icon.FolderKey, linkName, host.shell.Expand(icon.Target));
}

std::string TInstallEngine::UninstallerIconPath() {
    const TSetupScript& s = SetupScript;
    return host.shell.ShortcutPath("Programs", s.ProductTitle + "\\" + s.Uninstall + ".LNK",
                                   host.shell.Expand("<INSTALLDIR>\\VlUnInst.EXE"));
}

// Lists the archive first: every file it will write over is moved aside and
// every folder it may make is noted before a byte is written.
bool TInstallEngine::ExtractItem(const std::string& source, const std::string& dest, bool failIfExists) {
    std::vector<TArchiveEntry> entries;
    // Listed and checked at the start, on the diskette still in the drive.
    const auto known = listed.find(source);
    if (known != listed.end()) {
        entries = known->second;
        ForgetArchiveReport();
    } else if (!ListItem(source, dest, &entries)) {
        return false;
    }
    // Where the component writes: an empty target is the current folder.
    const std::string home = dest.empty() ? "." : dest;
    journal->NoteFolder(home);
    std::vector<std::string> keep;
    for (const TArchiveEntry& e : entries) {
        // The component refuses these; nothing may be kept or touched for them.
        if (!IsConfinedName(e.Name.c_str(), e.Name.size())) continue;
        const std::string path = EntryTarget(dest, e.Name);
        if (!WithdrawPendingDelete(path)) return false;
        if (e.Folder)
            journal->NoteFolder(path);
        else if (!(failIfExists && host.files.Kind(path) == TJournalFs::fkFile))
            keep.push_back(path);
    }
    std::string failed;
    if (!journal->KeepFiles(keep, home, &failed)) return FailWith(failed);
    targetDir = dest;
    const bool extracted = host.archives.Extract(source, dest, failIfExists, *this);
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
    if (!PathFits(path)) return false;
    if (!WithdrawPendingDelete(folder) || !WithdrawPendingDelete(path)) return false;
    journal->NoteFolder(folder);  // the program group, made with the shortcut
    std::string failed;
    if (!journal->KeepFile(path, folder, &failed)) return FailWith(failed);
    if (!host.shell.WriteShortcut(path, target, arguments)) return Fail(ifShortcutFailed, path);
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
    TInstallRegistry& registry = host.registry;
    const std::string key = UninstallEntryKey(SetupScript.ProductTitle);
    const std::string subject = "HKEY_LOCAL_MACHINE\\" + key;
    bool there = false, created = false;
    if (!registry.KeyExists(key, &there)) return Fail(ifRegistryFailed, subject);
    if (!there) {
        if (!journal->AddUndo(subject, TJournalRecord{"key", {key}})) return JournalFailed();
    } else {
        for (const char* name : kUninstallValues) {
            TRegistryValue v;
            if (!registry.Read(key, name, &v)) return Fail(ifRegistryFailed, subject);
            const TJournalRecord was{"value", {key, name, v.Present ? std::to_string(v.Type) : "-", v.Data}};
            if (!journal->AddUndo(subject, was)) return JournalFailed();
        }
    }
    if (!registry.OpenKey(key, &created)) return Fail(ifRegistryFailed, subject);
    const TSetupScript& s = SetupScript;
    const uint64_t kib = (installedBytes + 1023) / 1024;
    const uint32_t size = kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kib);
    std::vector<std::string> values;  // for the run log, once all are in
    auto text = [&](const char* name, const std::string& value) {
        values.push_back(subject + "\\" + name + " = " + value);
        return registry.Write(key, name, StringValue(value));
    };
    auto number = [&](const char* name, uint32_t value) {
        values.push_back(subject + "\\" + name + " = " + std::to_string(value));
        return registry.Write(key, name, DwordValue(value));
    };
    const bool written = text("DisplayName", s.ProductTitle) && text("UninstallString", entryCommand) &&
                         text("QuietUninstallString", entryQuietCommand) &&
                         (s.Version.empty() || text("DisplayVersion", s.Version)) &&
                         (s.Company.empty() || text("Publisher", s.Company)) &&
                         text("InstallLocation", s.InstallDir) && text("DisplayIcon", entryIcon) &&
                         number("EstimatedSize", size) && number("NoModify", 1) && number("NoRepair", 1) &&
                         text(kInstallLogDigest, digest) && registry.Flush(key);
    if (!written) return Fail(ifRegistryFailed, subject);
    for (const std::string& v : values) Step("registry", v);
    return true;
}

// The uninstaller's shortcut and the entry in the installed-programs list.
bool TInstallEngine::RegisterUninstaller(const std::string& program) {
    const TSetupScript& s = SetupScript;
    // Quoted, so an install directory with blanks reaches the uninstaller
    // as one parameter.
    const std::string log = host.shell.Expand("<INSTALLDIR>\\INSTALL.LOG");
    const std::string target = host.shell.Expand("<INSTALLDIR>\\VlUnInst.EXE");
    const std::string path = UninstallerIconPath();
    if (!SaveShortcut(path, target, Quoted(log))) return false;
    InstallLog.push_back(kLogIconPrefix + path);
    // The product's own program when a shortcut names one, else the uninstaller.
    const std::string icon = s.IconItemCount > 0 && !s.IconItems[0].Target.empty()
                                 ? host.shell.Expand(s.IconItems[0].Target)
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
        const std::string path = IconPath(icon);
        if (!SaveShortcut(path, host.shell.Expand(icon.Target), host.shell.Expand(icon.Arguments))) return false;
        if (UpperAscii(icon.FolderKey) == "PROGRAMS") groupDir = FileDirectory(path);
        InstallLog.push_back(kLogIconPrefix + path);
    }
    const std::string uninstaller = s.SourceDir + "VlUnInst.exe";
    bool there = false;
    if (!SourceThere(uninstaller, &there)) return false;
    if (there) {
        const std::string program = host.shell.Expand("<INSTALLDIR>\\VlUnInst.exe");
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
    std::string failed;
    if (!journal->KeepFile(path, dir, &failed)) return FailWith(failed);
    InstallLog.push_back(kLogFilePrefix + path);
    const std::string bytes = InstallLogBytes(InstallLog);
    if (!host.files.WriteWhole(path, bytes)) return FailWith(path);
    Step("log", path);
    if (entryCommand.empty()) return true;
    // The uninstaller runs elevated and acts on what the log lists, while the
    // log may lie where users can write: it checks the log against this
    // digest, kept in the entry, which only administrators can change.
    Sha256 sha;
    sha.Update(bytes.data(), bytes.size());
    return WriteUninstallEntry(sha.HexDigest());
}
