// What an install run changed on disk, kept while it runs so that a cancelled,
// failed or killed run can be undone: files it created, files it replaced
// (moved aside into a backup folder of the run before the new one is
// written), folders it created, and other undo steps such as the uninstall
// entry's. Each is written to the journal's file (JournalFile.h) before the
// change it describes is made; the next run of the same product into the
// same folder finds what a killed run left there and undoes it first.
// Portable: the file system comes through TJournalFs, which the engine
// implements over Windows and the tests over memory.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "JournalFile.h"

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

    // The journal's own file, named by JournalName, in a folder that only
    // administrators can change. Read gives "" when there is none and is
    // false when it cannot be told; Append makes the file when it is not
    // there and returns once the bytes are on the disk; Remove is true when
    // the file is gone, also when there was none.
    virtual bool ReadJournal(const std::string& name, std::string* bytes) = 0;
    virtual bool AppendJournal(const std::string& name, const std::string& bytes) = 0;
    virtual bool RemoveJournal(const std::string& name) = 0;
    // Where the journal named name is, for a message.
    virtual std::string JournalPath(const std::string& name) = 0;
};

// The name of the backup folder a run makes, inside a folder whose files it
// replaces; a number is added when the name is taken.
extern const char kBackupFolderName[];

class TInstallJournal {
public:
    // Turns a record of an undo step (a registry key or value, the restart
    // list) into the step; an empty function for a record it does not know.
    using TUndoMaker = std::function<std::function<bool()>(const TJournalRecord&)>;

    explicit TInstallJournal(TJournalFs& fs, TUndoMaker undoOf = TUndoMaker());
    TInstallJournal(const TInstallJournal&) = delete;
    TInstallJournal& operator=(const TInstallJournal&) = delete;

    // What a killed run of title into dir left behind, found and finished:
    // undone, or, when it had completed, its backups deleted. Then its
    // journal goes. Run before Begin.
    enum TLeftOver {
        loNone,        // no such run
        loUndone,      // it is undone (or its completed install cleaned up)
        loNotUndone,   // notRestored names what could not be put back; the journal stays
        loUnreadable,  // its journal cannot be read; notRestored names it
    };
    TLeftOver Recover(const std::string& title, const std::string& dir, std::string* notRestored);

    // From here on every change is written to the journal's file of title
    // and dir before it is made. False when that file cannot be written:
    // nothing may then be changed.
    bool Begin(const std::string& title, const std::string& dir);
    // Writes the records not yet on the disk; call before the caller itself
    // changes what NoteFolder or KeepFile told of. False when it cannot.
    bool Flush();

    // Call before the run writes a file at path. A file already there is
    // moved into the run's backup folder inside home (made on first use;
    // home must be a folder above path on the same drive); when there is
    // none, path and its missing folders are remembered as the run's own. A
    // path the journal already knows, in any letter case, is left as it is.
    // False when an existing file could not be moved aside, or whether one
    // exists could not be told: nothing may then be written there.
    // Written to the journal before it returns; failed names the path that
    // could not be kept, or the journal's when it could not be written.
    bool KeepFile(const std::string& path, const std::string& home, std::string* failed = nullptr);
    // The same for many paths with one write to the journal.
    bool KeepFiles(const std::vector<std::string>& paths, const std::string& home, std::string* failed);

    // Call before anything may create folder (an archive writing into it):
    // folder and each missing folder above it are remembered as the run's own.
    void NoteFolder(const std::string& folder);

    // Makes folder and the missing folders above it, remembering them. False
    // when one could not be made; failed then names it.
    bool MakeFolders(const std::string& folder, std::string* failed);

    // An undo step that is not a file, made from its record by the undo
    // maker, run first at a rollback, latest first; the step returns false
    // when it could not undo, and what names it in a report. The record is
    // on the disk before this returns true; false when it cannot be written.
    bool AddUndo(const std::string& what, const TJournalRecord& record);

    // Undoes the run: the undo steps, then deletes every file the run created,
    // puts every kept file back (bytes, times and attributes, as it was
    // moved), and removes the backup folders and the folders the run created
    // that are empty, deepest first. When all is as before the journal's
    // file goes and this is true; otherwise notRestored names the first file
    // or step that could not be undone, a file that could not be put back
    // stays in its backup folder and the journal stays for the next run.
    bool Rollback(std::string* notRestored);

    // The run completed: that is written to the journal first. False when
    // it cannot be: the run must then be rolled back, or a later run would
    // undo a finished install.
    bool Finish();
    // After Finish: the kept files and their backup folders are deleted and
    // the journal's file goes. What cannot be deleted stays; the install is
    // complete all the same.
    void Commit();

private:
    struct TKept {
        std::string path, backup;
        bool moved;  // false: the move was written ahead but not made
    };
    struct TBackupFolder {
        std::string home, folder;
        unsigned files;
    };
    bool Known(const std::string& path);
    void Clear();
    void Note(const char* kind, const std::vector<std::string>& fields);
    bool Resume(const std::vector<TJournalRecord>& records);
    bool RemoveFile();
    TBackupFolder* BackupFolderIn(const std::string& home);
    void NoteMissingFolders(std::string folder);

    TJournalFs& fs;
    TUndoMaker undoOf;
    std::string file;     // the journal's name once Begin has written it
    std::string unsaved;  // its records not yet on the disk
    uint32_t records = 0;
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
