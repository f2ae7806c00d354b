#include "InstallJournal.h"

#include <algorithm>

#include "KitText.h"
#include "PathRoot.h"

const char kBackupFolderName[] = "~setup-backup";

// Byte-wise search for '\' is safe: it is never a trail byte of code page 949.
std::string ParentFolder(const std::string& path) {
    const size_t root = ParsePathRoot(path, false).length;
    std::string p = path;
    while (p.size() > root && p.back() == '\\') p.pop_back();
    if (p.size() <= root) return std::string();
    size_t cut = p.find_last_of('\\');
    if (cut == std::string::npos || cut < root) return p.substr(0, root);
    while (cut > root && p[cut - 1] == '\\') --cut;
    return p.substr(0, std::max(cut, root));
}

TInstallJournal::TInstallJournal(TJournalFs& f, TUndoMaker u) : fs(f), undoOf(std::move(u)) {}

void TInstallJournal::Note(const char* kind, const std::vector<std::string>& fields) {
    if (!file.empty()) unsaved += JournalLine(records++, TJournalRecord{kind, fields});
}

bool TInstallJournal::Flush() {
    if (file.empty() || unsaved.empty()) return true;
    if (!fs.AppendJournal(file, unsaved)) return false;
    unsaved.clear();
    return true;
}

bool TInstallJournal::RemoveFile() {
    unsaved.clear();
    if (!file.empty() && !fs.RemoveJournal(file)) return false;
    file.clear();
    return true;
}

bool TInstallJournal::Begin(const std::string& title, const std::string& dir) {
    file = JournalName(title, dir);
    records = 0;
    Note("journal", {"1", title, dir});
    if (Flush()) return true;
    file.clear();
    return false;
}

TInstallJournal::TLeftOver TInstallJournal::Recover(const std::string& title, const std::string& dir,
                                                    std::string* notRestored) {
    const std::string name = JournalName(title, dir);
    std::string bytes;
    if (!fs.ReadJournal(name, &bytes)) {
        *notRestored = fs.JournalPath(name);
        return loUnreadable;
    }
    if (bytes.empty()) return loNone;
    const std::vector<TJournalRecord> left = ReadJournal(bytes);
    file = name;
    TLeftOver end = loUndone;
    // Torn before its first record was whole, nothing was changed; a header
    // of another run under the same name is taken as damage as well.
    if (left.empty() || UpperAscii(left[0].Fields[1]) != UpperAscii(title) ||
        UpperAscii(left[0].Fields[2]) != UpperAscii(dir)) {
        end = loNone;
    } else if (!Resume(left)) {
        Clear();
        file.clear();
        *notRestored = fs.JournalPath(name);
        return loUnreadable;
    } else if (left.back().Kind == "done") {
        Commit();
    } else if (!Rollback(notRestored)) {
        file.clear();  // kept for the next run to try again
        return loNotUndone;
    }
    // A journal left in place would be read again as this one's.
    if (!RemoveFile()) {
        file.clear();
        *notRestored = fs.JournalPath(name);
        return loNotUndone;
    }
    return end;
}

// The lists as the killed run had them, rebuilt from its records. A move
// written ahead may not have been made: the backup tells.
bool TInstallJournal::Resume(const std::vector<TJournalRecord>& left) {
    for (const TJournalRecord& r : left) {
        const std::vector<std::string>& f = r.Fields;
        if (r.Kind == "created") {
            known.insert(UpperAscii(f[0]));
            created.push_back(f[0]);
        } else if (r.Kind == "kept") {
            known.insert(UpperAscii(f[0]));
            const TJournalFs::TKind backup = fs.Kind(f[1]);
            if (backup == TJournalFs::fkUnreadable) return false;
            kept.push_back({f[0], f[1], backup == TJournalFs::fkFile});
        } else if (r.Kind == "backups") {
            backupFolders.push_back({ParentFolder(f[0]), f[0], 0});
        } else if (r.Kind == "folder") {
            if (knownFolders.insert(UpperAscii(f[0])).second) folders.push_back(f[0]);
        } else if (r.Kind != "journal" && r.Kind != "done") {
            std::function<bool()> undo = undoOf ? undoOf(r) : std::function<bool()>();
            if (!undo) return false;
            undos.emplace_back(f[0], std::move(undo));
        }
    }
    return true;
}

void TInstallJournal::Clear() {
    known.clear();
    created.clear();
    kept.clear();
    backupFolders.clear();
    folders.clear();
    knownFolders.clear();
    undos.clear();
}

bool TInstallJournal::Known(const std::string& path) { return !known.insert(UpperAscii(path)).second; }

void TInstallJournal::NoteMissingFolders(std::string folder) {
    // Above the first folder that exists, all exist.
    for (; !folder.empty() && fs.Kind(folder) == TJournalFs::fkNone; folder = ParentFolder(folder))
        if (knownFolders.insert(UpperAscii(folder)).second) {
            folders.push_back(folder);
            Note("folder", {folder});
        }
}

void TInstallJournal::NoteFolder(const std::string& folder) { NoteMissingFolders(folder); }

bool TInstallJournal::MakeFolders(const std::string& folder, std::string* failed) {
    NoteMissingFolders(folder);
    std::vector<std::string> chain;
    for (std::string f = folder; !f.empty() && fs.Kind(f) == TJournalFs::fkNone; f = ParentFolder(f))
        chain.push_back(f);
    if (!chain.empty() && !Flush()) {
        *failed = fs.JournalPath(file);
        return false;
    }
    for (auto f = chain.rbegin(); f != chain.rend(); ++f) {
        if (!fs.MakeFolder(*f)) {
            *failed = *f;
            return false;
        }
    }
    if (fs.Kind(folder) == TJournalFs::fkFolder) return true;
    *failed = folder;  // a file of that name, or a root that is not there
    return false;
}

TInstallJournal::TBackupFolder* TInstallJournal::BackupFolderIn(const std::string& home) {
    for (TBackupFolder& b : backupFolders)
        if (UpperAscii(b.home) == UpperAscii(home)) return &b;
    const std::string base = home.back() == '\\' ? home + kBackupFolderName : home + "\\" + kBackupFolderName;
    for (int n = 1; n <= 100; ++n) {
        const std::string folder = n == 1 ? base : base + "-" + std::to_string(n);
        if (fs.Kind(folder) != TJournalFs::fkNone) continue;
        Note("backups", {folder});
        if (!Flush() || !fs.MakeFolder(folder)) return nullptr;
        backupFolders.push_back({home, folder, 0});
        return &backupFolders.back();
    }
    return nullptr;
}

bool TInstallJournal::KeepFile(const std::string& path, const std::string& home, std::string* failed) {
    std::string which;
    const bool kept = KeepFiles({path}, home, &which);
    if (failed) *failed = which;
    return kept;
}

// All moves are written ahead at once, then made: one write to the journal
// for an archive's worth of files.
bool TInstallJournal::KeepFiles(const std::vector<std::string>& paths, const std::string& home,
                                std::string* failed) {
    std::vector<size_t> moves;  // into kept
    for (const std::string& path : paths) {
        if (Known(path)) continue;
        TJournalFs::TKind kind = fs.Kind(path);
        if (kind == TJournalFs::fkFolder) continue;  // nothing to keep; the write itself will fail
        if (kind == TJournalFs::fkNone) {
            created.push_back(path);
            Note("created", {path});
            NoteMissingFolders(ParentFolder(path));
            continue;
        }
        const std::string where = home.empty() ? ParentFolder(path) : home;
        TBackupFolder* b = kind == TJournalFs::fkFile && !where.empty() ? BackupFolderIn(where) : nullptr;
        if (!b) {
            known.erase(UpperAscii(path));
            *failed = path;
            return false;
        }
        const std::string backup = b->folder + "\\" + std::to_string(++b->files);
        Note("kept", {path, backup});
        kept.push_back({path, backup, false});
        moves.push_back(kept.size() - 1);
    }
    if (!Flush()) {
        *failed = fs.JournalPath(file);
        return false;
    }
    for (size_t k : moves) {
        TKept& keep = kept[k];
        if (!fs.Rename(keep.path, keep.backup)) {
            // Already in the journal: a rollback finds it was not moved.
            known.erase(UpperAscii(keep.path));
            *failed = keep.path;
            return false;
        }
        keep.moved = true;
    }
    return true;
}

bool TInstallJournal::AddUndo(const std::string& what, const TJournalRecord& record) {
    std::function<bool()> undo = undoOf(record);
    Note(record.Kind.c_str(), record.Fields);
    if (!Flush()) return false;
    undos.emplace_back(what, std::move(undo));
    return true;
}

bool TInstallJournal::Rollback(std::string* notRestored) {
    bool whole = true;
    auto failed = [&](const std::string& what) {
        if (whole && notRestored) *notRestored = what;
        whole = false;
    };
    for (auto u = undos.rbegin(); u != undos.rend(); ++u)
        if (!u->second()) failed(u->first);
    // Created files go before kept ones come back: a name the archive holds
    // twice, in two letter cases, is one file on disk.
    for (auto c = created.rbegin(); c != created.rend(); ++c)
        if (!fs.Delete(*c)) failed(*c);
    for (auto k = kept.rbegin(); k != kept.rend(); ++k)
        if (k->moved && (!fs.Delete(k->path) || !fs.Rename(k->backup, k->path))) failed(k->path);
    // A backup folder that still holds a file is left for the user.
    for (const TBackupFolder& b : backupFolders) fs.RemoveFolder(b.folder);
    // A child's path is longer than its parent's: longest first is deepest first.
    std::vector<std::string> byDepth = folders;
    std::stable_sort(byDepth.begin(), byDepth.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& f : byDepth) fs.RemoveFolder(f);
    Clear();
    if (!whole) return false;
    // Left, it would have the next run undo this one again.
    if (!RemoveFile()) {
        if (notRestored) *notRestored = fs.JournalPath(file);
        file.clear();
        return false;
    }
    return true;
}

bool TInstallJournal::Finish() {
    Note("done", {});
    return Flush();
}

void TInstallJournal::Commit() {
    for (const TKept& k : kept)
        if (k.moved) fs.Delete(k.backup);
    for (const TBackupFolder& b : backupFolders) fs.RemoveFolder(b.folder);
    Clear();
    RemoveFile();
}
