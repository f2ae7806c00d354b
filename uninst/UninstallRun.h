// The uninstall run, apart from the platform: the program supplies a Host
// over the real files, registry and message boxes; tests supply one over
// memory.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ProductKeys.h"
#include "RunLog.h"

namespace uninst {

enum class BoxKind { Error, Confirm, Info, Warning };

// The outcome of a run, one per way it can end.
enum class RunStatus {
    Done,              // every listed file is gone, self-removal started
    BadParameters,     // no log path given
    LogNotFound,       // no candidate names a file
    Declined,          // the user said No; nothing changed
    LogUnreadable,     // the log was found but could not be read
    RenameFileFailed,  // the startup-rename file could not be read or written
    RestartNeeded,     // as Done, but files in use go at the next system start
    ItemsRemain,       // some listed file could neither be deleted nor scheduled
    RunLogFailed,      // the run log (/LOG=) could not be opened, so nothing changed,
                       // or not written to its end after a run that otherwise removed all
    LogAltered,        // the log is not the one setup recorded in its uninstall entry;
                       // nothing changed
};

// The program's exit code for each outcome: 0 Done, 1 BadParameters (a bad
// switch and "/?" too), 2 LogNotFound, 3 Declined, 4 LogUnreadable,
// 5 RenameFileFailed, 6 ItemsRemain, 7 RunLogFailed, 8 LogAltered, and for RestartNeeded 3010, the
// system's own "success, restart required" (ERROR_SUCCESS_REBOOT_REQUIRED) that deployment tools read.
// LogUnreadable and LogAltered change nothing: the log is read and checked before any key or file goes.
int ExitCode(RunStatus status);

// The one list of the exit codes, in the order the usage box and the README
// show them: each outcome's code, the run log's words ("result: 0 removed")
// and the usage box's line (code page 949).
struct ExitCodeRow {
    RunStatus status;
    int code;
    const char* result;
    const char* usage;
};
extern const ExitCodeRow kExitCodes[];
extern const int kExitCodeCount;
const ExitCodeRow& ExitCodeOf(RunStatus status);

// The usage box's text, its exit codes from the list.
std::string UsageText();

// What became of a file the log lists.
enum class FileRemoval {
    Removed,  // deleted now
    Missing,  // not there: gone already, or never made
    Folder,   // a folder (an archive's folder entry): left to the pruning
    Refused,  // there, but the system would not delete it (in use, denied)
};

// What became of a registry key of the fixed list or an uninstall entry.
enum class KeyRemoval {
    Removed,  // it was there and is gone
    Missing,  // it was not there
    Stays,    // it is still there (no right to delete it)
};

// An uninstall entry as the machine's list of installed programs holds it.
// Only administrators may write that list, while the log may lie in a folder
// any user can write: the digest is what makes the log trustworthy.
struct UninstallEntry {
    std::string name;     // the subkey's name
    std::string command;  // its "UninstallString"
    // Its "InstallLogDigest": the SHA-256 of the log's bytes as setup left
    // them, 64 lower-case hex digits. Absent in entries of earlier kits; a
    // value of another type or form is present and matches no log.
    std::optional<std::string> logDigest;
};

// The host is in parts by concern; a program or a test may make one object
// serve several. A part's calls report what happened and never show a box.

// The disk. Paths are full paths, as the log holds them.
class Files {
public:
    virtual ~Files() = default;
    // True for an existing file; a directory is not one.
    virtual bool IsFile(const std::string& path) = 0;
    // The whole file; false when any of it cannot be read.
    virtual bool ReadAll(const std::string& path, std::string* bytes) = 0;
    // `path` made absolute against the current folder; as given when it cannot be.
    virtual std::string FullPath(const std::string& path) = 0;
    // True when the path itself, not what it leads to, is a junction, a
    // symbolic link or another reparse point; false for anything else and for
    // nothing there. The run never lists, prunes or deletes anything below
    // such a path, and hands the path itself only to RemoveFile and
    // RemoveDir, which then act on the link alone.
    virtual bool IsLink(const std::string& path) = 0;
    // The names in a folder, without "." and ".."; false when it cannot be read.
    virtual bool ListDir(const std::string& path, std::vector<std::string>* names) = 0;
    // Deletes a listed file, clearing its read-only attribute first: archives
    // keep attributes, so a product may install read-only files.
    virtual FileRemoval RemoveFile(const std::string& path) = 0;
    // Removes the directory only when it is empty.
    virtual bool RemoveDir(const std::string& path) = 0;
    // Arranges for a file, or a folder once it is empty, to be deleted at the
    // next system start; false when that cannot be arranged (the 95/98
    // family's startup-rename file takes no folders).
    virtual bool RemoveAtRestart(const std::string& path) = 0;
};

// What the machine records, read at run time.
class Machine {
public:
    virtual ~Machine() = default;
    // The system's own folders: no folder that IsKeptFolder finds among them
    // is ever removed.
    virtual std::vector<std::string> KeptFolders() = 0;
    // The folders where setup puts shortcuts (the user's and all users' Start
    // Menu, Programs, Desktop, Startup). A log that no digest vouches for is
    // followed only inside these and its own folder.
    virtual std::vector<std::string> ShortcutFolders() = 0;
    // Deletes the key with all its subkeys; a missing key is no error.
    virtual KeyRemoval DeleteKeyTree(RegRoot root, const std::string& key) = 0;
    // Every subkey of kUninstallRoot that has an "UninstallString".
    virtual std::vector<UninstallEntry> UninstallEntries() = 0;
};

// The uninstaller's own file, which cannot go while it runs.
class Program {
public:
    virtual ~Program() = default;
    virtual std::string OwnPath() = 0;
    // Arranges for the own file to go at the next system start; on failure
    // names the file that could not be read or written.
    virtual bool ScheduleSelfRemoval(std::string* failedFile) = 0;
    // Starts the removal of the own file once the program has ended, and of
    // its folder too when `withFolder` (only ever an emptied product folder).
    // Called last.
    virtual void RemoveSelfNow(bool withFolder) = 0;
};

// The one who runs it.
class User {
public:
    virtual ~User() = default;
    // Shows a message box and waits; true when a confirmation is answered Yes.
    virtual bool Message(BoxKind kind, const std::string& caption, const std::string& text) = 0;
};

// Everything outside the run. The run log's sink is created before anything
// changes (replacing a file there); each line, in the system code page and
// without its end, is appended as UTF-8.
struct Host {
    Files& files;
    Machine& machine;
    Program& program;
    User& user;
    RunLogSink& runLog;
};

// Runs the whole uninstall for the parameters (program excluded), switches
// included (ParseSwitches). Without switches it asks and reports in boxes as
// it always has.
RunStatus RunUninstall(const std::vector<std::string>& params, const Host& host);

}  // namespace uninst
