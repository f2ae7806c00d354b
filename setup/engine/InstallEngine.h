// The install run, apart from any window and any system call: it works
// through SetupScript, keeps the install log, changes the machine only
// through its TInstallHost and talks to whoever shows it through
// TInstallView. The progress form implements the view; tests implement both
// without a person or a machine.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "InstallHost.h"
#include "JournalFile.h"
#include "InstallOutcome.h"
#include "RunLog.h"

class TInstallJournal;
struct TIconItem;

class TInstallView {
public:
    virtual ~TInstallView() = default;
    // The run begins: show the progress window, bar at 0 and no file line.
    virtual void RunShown() = 0;
    // The run ends, however it ends (after a rollback, when there is one).
    virtual void RunHidden() = 0;
    // An archive entry is about to be written to path; size is its unpacked
    // size and the bar's new range.
    virtual void EntryStarted(const std::string& path, uint32_t size) = 0;
    // Bytes of the current entry unpacked so far.
    virtual void EntryProgress(uint32_t position) = 0;
    // The next item's source file is missing. True: the user says it is there
    // now (asked again if not); false: the user gives up the install.
    virtual bool NextDiskette() = 0;
    // True once the user asked to cancel; the run stops at the next entry.
    virtual bool CancelRequested() = 0;
    // A run of this product into this folder was stopped before its end
    // (the process killed, the machine off) and is now undone; this run
    // goes on. Only for a run someone watches.
    virtual void EarlierRunUndone() = 0;
};

class TInstallEngine : private TArchiveEvents {
public:
    // Both outlive the engine.
    TInstallEngine(TInstallView& view, const TInstallHost& host);
    ~TInstallEngine();
    TInstallEngine(const TInstallEngine&) = delete;
    TInstallEngine& operator=(const TInstallEngine&) = delete;

    // One run over SetupScript. Completed: every step was done and verified,
    // INSTALL.LOG is written in InstallDir and the files the run replaced are
    // gone from their backup folders. Cancelled or failed: everything the run
    // did is undone (see TInstallOutcome::NotRestored) and no log is written.
    // A C++ exception inside the run is a failure (ifUnexpected) like any other.
    TInstallOutcome Run();

    std::vector<std::string> InstallLog;  // one entry per log line, in order
    bool InstallCompleted = false;
    // No one is there to answer: a missing item fails the run (ifSourceMissing)
    // instead of asking the view for the next diskette, and the view is not
    // told of an earlier run undone.
    bool Unattended = false;
    // Hears each step as it is done, for the run log: "item", "file",
    // "shortcut", "registry", "log". Steps of a run that is then undone are
    // heard too.
    RunStepFn OnStep;

private:
    bool RunSteps();
    bool WaitForSource(const std::string& path);
    bool CheckPathsFirst();
    // False, the run failed with the path named, when path is too long for
    // the narrow calls.
    bool PathFits(const std::string& path);
    // Where a shortcut of the script goes, and the uninstaller's.
    std::string IconPath(const TIconItem& icon);
    std::string UninstallerIconPath();
    void ForgetArchiveReport();
    bool ListItem(const std::string& source, const std::string& dest, std::vector<TArchiveEntry>* entries);
    bool ExtractItem(const std::string& source, const std::string& dest, bool failIfExists);
    bool ArchiveFailed(const std::string& source, const std::string& dest);
    bool CopyKept(const std::string& from, const std::string& to);
    bool SourceThere(const std::string& path, bool* there);
    bool MakeFolders(const std::string& folder);
    bool SaveShortcut(const std::string& path, const std::string& target, const std::string& arguments);
    bool WriteUninstallEntry(const std::string& digest);
    bool RegisterUninstaller(const std::string& program);
    bool WriteLog();
    bool SecureInstallFolder();
    bool LoadPendingDeletes();
    bool WithdrawPendingDelete(const std::string& path);
    bool InstallShortcuts();
    bool RecoverEarlierRun(TInstallJournal& journal);
    std::function<bool()> UndoOf(const TJournalRecord& record);
    bool Fail(TInstallFault fault, const std::string& subject);
    // After a failed file call: the host's reason, naming the file read when
    // it could not be read, else the one written.
    bool FailWith(const std::string& written, const std::string& read = "");
    bool Cancelled();
    // The journal's file could not be written.
    bool JournalFailed();
    void Step(const char* step, const std::string& text) {
        if (OnStep) OnStep(step, text);
    }
    // The archive's events during one item.
    bool Extracting(const std::string& name, uint32_t size) override;
    bool Progress(uint32_t position) override;
    void Extracted(const std::string& name, bool folder, bool ok) override;
    void Error(int32_t code) override;
    void VolumeMissing(const std::string& volume) override;

    TInstallView& view;
    TInstallHost host;
    TInstallOutcome outcome;
    int item = 0;                 // the script item being installed, 1-based; 0 outside the items
    uint64_t installedBytes = 0;  // what the run extracted and copied, for the uninstall entry
    TInstallJournal* journal = nullptr;
    // What the archive component reported during one item, and the folder
    // its entries went to (that of the last archive extracted).
    std::string targetDir;
    int32_t rarError = 0;
    std::string failedEntry, missingVolume;
    // The uninstall entry's command lines and icon, written with the log's
    // digest once the log is complete; empty when the run makes no entry.
    std::string entryCommand, entryQuietCommand, entryIcon;
    // The archives listed before the run changed anything, by source path;
    // forgotten when another diskette is asked for.
    std::map<std::string, std::vector<TArchiveEntry>> listed;
    // Deletions pending at restart when the run began (upper-cased paths).
    std::set<std::string> pendingDeletes;
};

// The uninstall entry's key under HKEY_LOCAL_MACHINE for a product title.
std::string UninstallEntryKey(const std::string& productTitle);
