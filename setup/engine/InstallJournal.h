// What an install run changed on disk, kept while it runs so that a cancelled
// or failed run can be undone: files it created, files it replaced (moved
// aside into a backup folder of the run before the new one is written),
// folders it created, and other undo steps such as the uninstall entry's.
// Portable: the file system comes through TJournalFs, which the engine
// implements over Windows and the tests over memory.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

// The file operations the journal needs. Paths are full Windows paths
// ("C:\a\b" or "\\server\share\a"), '\' separated.
class TJournalFs {
public:
    // fkUnreadable: the system could not tell (a name too long for it, no
    // right to look), which is never taken for "nothing there".
    enum TKind { fkNone, fkFile, fkFolder, fkUnreadable };
    virtual ~TJournalFs() = default;
    virtual TKind Kind(const std::string& path) = 0;
    // Makes one folder whose parent exists.
    virtual bool MakeFolder(const std::string& path) = 0;
    // Moves a file to a path where nothing is, keeping its bytes, times and
    // attributes (a rename on one drive).
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    // Deletes a file, read-only or not. True when no file is left there,
    // including when there was none; false when that cannot be told.
    virtual bool Delete(const std::string& path) = 0;
    // Removes a folder only when it is empty.
    virtual bool RemoveFolder(const std::string& path) = 0;
};

// The name of the backup folder a run makes, inside a folder whose files it
// replaces; a number is added when the name is taken.
extern const char kBackupFolderName[];

class TInstallJournal {
public:
    explicit TInstallJournal(TJournalFs& fs);
    TInstallJournal(const TInstallJournal&) = delete;
    TInstallJournal& operator=(const TInstallJournal&) = delete;

    // Call before the run writes a file at path. A file already there is
    // moved into the run's backup folder inside home (made on first use;
    // home must be a folder above path on the same drive); when there is
    // none, path and its missing folders are remembered as the run's own. A
    // path the journal already knows, in any letter case, is left as it is.
    // False when an existing file could not be moved aside, or whether one
    // exists could not be told: nothing may then be written there.
    bool KeepFile(const std::string& path, const std::string& home);

    // Call before anything may create folder (an archive writing into it):
    // folder and each missing folder above it are remembered as the run's own.
    void NoteFolder(const std::string& folder);

    // Makes folder and the missing folders above it, remembering them. False
    // when one could not be made; failed then names it.
    bool MakeFolders(const std::string& folder, std::string* failed);

    // An undo step that is not a file, run first at a rollback, latest first;
    // it returns false when it could not undo. what names it in a report.
    void AddUndo(const std::string& what, std::function<bool()> undo);

    // Undoes the run: the undo steps, then deletes every file the run created,
    // puts every kept file back (bytes, times and attributes, as it was
    // moved), and removes the backup folders and the folders the run created
    // that are empty, deepest first. True when all is as before; otherwise
    // notRestored names the first file or step that could not be undone, and
    // a file that could not be put back stays in its backup folder.
    bool Rollback(std::string* notRestored);

    // The run completed: the kept files and their backup folders are deleted.
    // What cannot be deleted stays; the install is complete all the same.
    void Commit();

private:
    struct TKept {
        std::string path, backup;
    };
    struct TBackupFolder {
        std::string home, folder;
        unsigned files;
    };
    bool Known(const std::string& path);
    void Clear();
    TBackupFolder* BackupFolderIn(const std::string& home);
    void NoteMissingFolders(std::string folder);

    TJournalFs& fs;
    std::set<std::string> known;  // every file path seen, upper-cased
    std::vector<std::string> created;
    std::vector<TKept> kept;
    std::vector<TBackupFolder> backupFolders;
    std::vector<std::string> folders;  // folders the run made or will have made
    std::set<std::string> knownFolders;
    std::vector<std::pair<std::string, std::function<bool()>>> undos;
};

// The folder above path ("C:\a\b" gives "C:\a", "C:\a" gives "C:\"); a root
// ("C:\", "\\server\share") or a bare name gives "".
std::string ParentFolder(const std::string& path);
