// setup's command line: the switches of an unattended install, the exit
// codes a script tests, and the usage text. Portable: no window code.
#pragma once

#include <string>
#include <vector>

#include "CommandLine.h"

struct TSetupSwitches {
    Quiet Mode = Quiet::None;
    bool HasDir = false;  // /DIR="path": replaces INSTALLDIR
    std::string Dir;
    bool Restart = false;    // /RESTART: a silent install may restart Windows
    bool NoRestart = false;  // /NORESTART: nothing ever restarts Windows
    bool HasRunLog = false;  // /LOG="file"
    std::string RunLog;
    bool Usage = false;  // /?
    bool Dump = false;   // /DUMP[=file]: the vendor's check of SETUP.INI
    std::string DumpFile;
    // The first parameter not understood (an unknown switch, a word that is
    // no switch, an empty or repeated /DIR= or /LOG=); empty when all were.
    std::string Bad;
};

// Reads the parameters after the program's own name, in any order and any
// letter case. Each switch is a whole parameter.
TSetupSwitches ParseSetupSwitches(const std::vector<std::string>& params);

// A directory given on the command line as the wizard's pages keep one: no
// separator at the end, except after a drive ("C:\").
std::string InstallDirFromSwitch(const std::string& dir);

enum TSetupExit {
    kExitInstalled = 0,
    kExitBadCommandLine = 1,      // unknown switch, /?, a /DIR= the install cannot use
    kExitCancelled = 2,           // the user cancelled (the wizard, the install form)
    kExitFailed = 3,              // nothing installed: the reason is in the run log (or was shown)
    kExitRunLogFailed = 5,        // the run log could not be created (nothing changed) or not finished
    kExitAlreadyRunning = 1618,   // another setup of the product runs: ended at once, nothing changed
    kExitRestartRequired = 3010,  // installed; Windows must restart before the product works fully
};

// The one list of setup's exit codes, in the order the usage box and the
// README show them: the run log's word ("result: 0 installed") and the usage
// box's line (code page 949).
struct TSetupExitCode {
    int Code;
    const char* Result;
    const char* Usage;
};
extern const TSetupExitCode kSetupExitCodes[];
extern const int kSetupExitCodeCount;

// The run log's word for an exit code; "" for none of setup's.
const char* SetupExitText(int code);

// The usage box's text (code page 949), its exit codes from the list.
std::string SetupUsage();

// The named mutex that tells a second setup of the same product (by its
// NAME, in any letter case) that one runs already.
std::string SetupMutexName(const std::string& productName);
