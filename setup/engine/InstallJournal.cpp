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

TInstallJournal::TInstallJournal(TJournalFs& f) : fs(f) {}

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
        if (knownFolders.insert(UpperAscii(folder)).second) folders.push_back(folder);
}

void TInstallJournal::NoteFolder(const std::string& folder) { NoteMissingFolders(folder); }

bool TInstallJournal::MakeFolders(const std::string& folder, std::string* failed) {
    NoteMissingFolders(folder);
    std::vector<std::string> chain;
    for (std::string f = folder; !f.empty() && fs.Kind(f) == TJournalFs::fkNone; f = ParentFolder(f))
        chain.push_back(f);
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
        if (!fs.MakeFolder(folder)) return nullptr;
        backupFolders.push_back({home, folder, 0});
        return &backupFolders.back();
    }
    return nullptr;
}

bool TInstallJournal::KeepFile(const std::string& path, const std::string& home) {
    if (Known(path)) return true;
    switch (fs.Kind(path)) {
        case TJournalFs::fkFolder: return true;  // nothing to keep; the write itself will fail
        case TJournalFs::fkNone:
            created.push_back(path);
            NoteMissingFolders(ParentFolder(path));
            return true;
        case TJournalFs::fkFile: break;
        case TJournalFs::fkUnreadable: return false;
    }
    const std::string where = home.empty() ? ParentFolder(path) : home;
    TBackupFolder* b = where.empty() ? nullptr : BackupFolderIn(where);
    if (b) {
        const std::string backup = b->folder + "\\" + std::to_string(b->files + 1);
        if (fs.Rename(path, backup)) {
            ++b->files;
            kept.push_back({path, backup});
            return true;
        }
    }
    known.erase(UpperAscii(path));
    return false;
}

void TInstallJournal::AddUndo(const std::string& what, std::function<bool()> undo) {
    undos.emplace_back(what, std::move(undo));
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
        if (!fs.Delete(k->path) || !fs.Rename(k->backup, k->path)) failed(k->path);
    // A backup folder that still holds a file is left for the user.
    for (const TBackupFolder& b : backupFolders) fs.RemoveFolder(b.folder);
    // A child's path is longer than its parent's: longest first is deepest first.
    std::vector<std::string> byDepth = folders;
    std::stable_sort(byDepth.begin(), byDepth.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& f : byDepth) fs.RemoveFolder(f);
    Clear();
    return whole;
}

void TInstallJournal::Commit() {
    for (const TKept& k : kept) fs.Delete(k.backup);
    for (const TBackupFolder& b : backupFolders) fs.RemoveFolder(b.folder);
    Clear();
}
