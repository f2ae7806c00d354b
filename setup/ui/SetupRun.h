// setup's two ways through an install, chosen by the command line: the
// wizard, or an unattended run that shows at most the install form and asks
// nothing. Both end in an exit code (SetupSwitches.h) and, with /LOG=, a run
// log. Windows only.
#pragma once

#include <windows.h>

#include <string>

#include "RunLogFile.h"
#include "SetupSwitches.h"

// The run log of /LOG=: "step: text" lines, "result: CODE TEXT" last. A log
// that fails once is written no further; the run's code then becomes
// kExitRunLogFailed where it would have claimed an install.
class TSetupRunLog {
public:
    bool Open(const std::string& path) { return log.Open(path); }
    void Step(const char* step, const std::string& text) { log.Step(step, text); }
    int Finish(int code);

private:
    RunLogFile file;
    RunLog log{file};
};

// The whole program after the command line was read (not /DUMP): the run
// log, boxes for a bad command line, then the wizard or the unattended run;
// the exit code. COM and the common controls are ready.
int RunSetup(const TSetupSwitches& switches);

// The unattended run of /SILENT or /VERYSILENT over the SetupScript loaded:
// the install, then the shell extension's registration and the restart the
// switches ask for.
int RunUnattended(const TSetupSwitches& switches, TSetupRunLog& log);
