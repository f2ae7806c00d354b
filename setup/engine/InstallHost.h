// Everything an install run does to the machine, in parts by concern. The
// run (InstallEngine) is portable and holds no system call; WinInstallHost is
// the machine itself, the engine's tests keep one in memory. Paths are full
// Windows paths, '\' separated. A call never throws; what it returns tells
// whether it was done, and a failed call changed nothing the run relies on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "InstallJournal.h"
#include "InstallOutcome.h"

// Files and folders. The journal's five calls (Kind, MakeFolder, Rename,
// Delete, RemoveFolder) come first; after any call that failed, Fault says
// why: ifDiskFull, ifOutOfMemory, ifSourceUnreadable (a file read) or
// ifCannotWrite (anything else).
class TInstallFiles : public TJournalFs {
public:
    TInstallFault Fault = ifCannotWrite;
    // Copies the file from over whatever file is at to; size gets the bytes copied.
    virtual bool Copy(const std::string& from, const std::string& to, uint64_t* size) = 0;
    // Makes bytes the whole file at path: a failed write leaves the old file
    // (or none) there, never a part of the new one.
    virtual bool WriteWhole(const std::string& path, const std::string& bytes) = 0;
    // True when users cannot change what a new folder at path would hold
    // without an access list of its own: it lies below a folder only
    // administrators may change, or the system has no access lists.
    virtual bool AdminOnly(const std::string& path) = 0;
    // Makes one folder (its parent exists) that administrators and SYSTEM
    // control and users may only read and run from, protected from what it
    // would inherit. acl gets the access list in its text form.
    virtual bool MakeAdminFolder(const std::string& path, std::string* acl) = 0;
};

// The archive component. An archive is a RAR file (or the first of its volumes).
struct TArchiveEntry {
    std::string Name;  // as stored, relative to where it is extracted
    bool Folder = false;
    bool Exact = true;  // false: the name has a character the code page cannot spell
};

// What an extraction reports while it runs, in the order of the entries.
class TArchiveEvents {
public:
    virtual ~TArchiveEvents() = default;
    // The entry name of size bytes is about to be written; false stops the run.
    virtual bool Extracting(const std::string& name, uint32_t size) = 0;
    // Bytes of that entry so far; false stops at once.
    virtual bool Progress(uint32_t position) = 0;
    // An entry is done (ok) or failed.
    virtual void Extracted(const std::string& name, bool folder, bool ok) = 0;
    // A failure, as the UnRAR library codes it (kRarRefusedEntry included).
    virtual void Error(int32_t code) = 0;
    // The next volume, named, is not there.
    virtual void VolumeMissing(const std::string& volume) = 0;
};

class TInstallArchives {
public:
    virtual ~TInstallArchives() = default;
    // Every entry, read to the archive's end; false (after events.Error) when
    // it cannot be.
    virtual bool List(const std::string& archive, std::vector<TArchiveEntry>* entries,
                      TArchiveEvents& events) = 0;
    // Writes every entry below dest ("" is the current folder); with
    // failIfExists an entry whose file exists is skipped. True when nothing
    // failed and no event stopped the run.
    virtual bool Extract(const std::string& archive, const std::string& dest, bool failIfExists,
                         TArchiveEvents& events) = 0;
};

// Values under HKEY_LOCAL_MACHINE: the uninstall entry's.
struct TRegistryValue {
    bool Present = false;
    uint32_t Type = 0;  // REG_SZ 1, REG_DWORD 4, ...
    std::string Data;   // the value's bytes (a string's closing zero included)
};

class TInstallRegistry {
public:
    virtual ~TInstallRegistry() = default;
    // Whether key is there; false when that cannot be told.
    virtual bool KeyExists(const std::string& key, bool* there) = 0;
    // Opens key, making it when it is not there; created tells which.
    virtual bool OpenKey(const std::string& key, bool* created) = 0;
    // The value as it is (Present false when it is not there); false when it
    // cannot be told.
    virtual bool Read(const std::string& key, const std::string& name, TRegistryValue* value) = 0;
    // Sets the value, or deletes it when !value.Present (true when gone).
    virtual bool Write(const std::string& key, const std::string& name, const TRegistryValue& value) = 0;
    // The key's values are on disk.
    virtual bool Flush(const std::string& key) = 0;
    // Deletes a key without subkeys; true when it is gone, also when it was.
    virtual bool DeleteKey(const std::string& key) = 0;
};

// The deletions the system makes at its next start (see PendingDeletes.h).
class TInstallRestart {
public:
    virtual ~TInstallRestart() = default;
    // The 95/98 family keeps the list as wininit.ini's text; the NT family
    // as a registry value.
    virtual bool NineFamily() = 0;
    // Where the list is, for a message.
    virtual std::string Where() = 0;
    // The whole list ("" when there is none); false when it is there but unreadable.
    virtual bool Read(std::string* list) = 0;
    // Replaces the list; a list of nothing but zeros removes it.
    virtual bool Write(const std::string& list) = 0;
    // The path's short (8.3) form, "" when it has none.
    virtual std::string ShortForm(const std::string& path) = 0;
};

// The shell: shortcuts and the path macros.
class TInstallShell {
public:
    virtual ~TInstallShell() = default;
    // SETUP.INI's <WINDIR>, <WINSYSDIR>, <BDEDIR> and <INSTALLDIR> expanded.
    virtual std::string Expand(const std::string& text) = 0;
    // Where a shortcut named linkName goes in the shell folder folderKey (see
    // Shortcut.h); nothing is written.
    virtual std::string ShortcutPath(const std::string& folderKey, const std::string& linkName,
                                     const std::string& target) = 0;
    // Saves the shortcut at path, whose folder is there or one level short.
    virtual bool WriteShortcut(const std::string& path, const std::string& target,
                               const std::string& arguments) = 0;
};

// The host of one run: each part is owned by whoever made the host and
// outlives the run.
struct TInstallHost {
    TInstallFiles& files;
    TInstallArchives& archives;
    TInstallRegistry& registry;
    TInstallRestart& restart;
    TInstallShell& shell;
};
