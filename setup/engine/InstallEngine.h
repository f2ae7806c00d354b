// The install run, apart from any window: it works through SetupScript, keeps
// the install log and talks to whoever shows it through TInstallView. The
// progress form implements the view; tests implement it without a person.
// Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RARArc.h"

class TInstallView {
public:
    virtual ~TInstallView() = default;
    // The run begins: show the progress window, bar at 0 and no file line.
    virtual void RunShown() = 0;
    // The run ends, however it ends.
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
};

class TInstallEngine {
public:
    explicit TInstallEngine(TInstallView& view);
    TInstallEngine(const TInstallEngine&) = delete;
    TInstallEngine& operator=(const TInstallEngine&) = delete;

    // One run over SetupScript. True when every step was done; false when the
    // user cancelled (at a diskette prompt or with the form's button). Other
    // failures are absorbed; a C++ exception leaves the run as it is.
    bool Run();

    // Program end: appends the log's own line and, only after a completed
    // run, writes the log to InstallDir\INSTALL.LOG. Returns whether a log
    // file was written.
    bool Finish();

    TRAR RAR1;
    std::vector<std::string> InstallLog;  // one entry per log line, in order
    bool InstallCompleted = false;

private:
    bool RunSteps();
    bool WaitForSource(const std::string& path);
    void InstallShortcuts();
    void RAR1Extracting(RARHeaderData& eFile);
    int RAR1ProcessData(uint32_t position);

    TInstallView& view;
};

// Writes the lines as INSTALL.LOG bytes to path through a temporary file in
// the same directory, so a failed write never replaces a good file.
bool WriteInstallLogFile(const std::string& path, const std::vector<std::string>& lines);

// The uninstall entry's key under HKEY_LOCAL_MACHINE for a product title.
std::string UninstallEntryKey(const std::string& productTitle);
