// The install run on this machine: its host over the Windows API. Windows only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "InstallEngine.h"
#include "RunLog.h"

// One run of SetupScript over the view on this machine. A completed run
// leaves the current folder at InstallDir, as the finished wizard expects.
TInstallOutcome InstallHere(TInstallView& view, bool unattended, const RunStepFn& onStep);

class TWinInstallHost {
public:
    TWinInstallHost();
    ~TWinInstallHost();
    TWinInstallHost(const TWinInstallHost&) = delete;
    TWinInstallHost& operator=(const TWinInstallHost&) = delete;
    TInstallHost Host();

private:
    struct TParts;
    std::unique_ptr<TParts> parts;
};

// Writes bytes as the whole file at path through a temporary file in the
// same directory, so a failed write never replaces a good file. On failure
// the system's error code is left for GetLastError.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// The lines as INSTALL.LOG bytes, written so.
bool WriteInstallLogFile(const std::string& path, const std::vector<std::string>& lines);

// Whether path names a file (a folder does not count).
bool FileExists(const std::string& path);
