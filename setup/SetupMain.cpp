#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>

#include "CommandLine.h"
#include "Controls.h"
#include "SetupRun.h"
#include "SetupScript.h"
#include "SetupSwitches.h"
#include "WindowUtil.h"

namespace {

// "setup /dump[=FILE]" writes the settings loaded from SETUP.INI to FILE (or
// to standard output) and ends, so a vendor can check a script.
int Dump(const std::string& dumpFile) {
    LoadSetupScript();
    const std::string text = DescribeSetupScript(SetupScript);
    FILE* f = dumpFile.empty() ? stdout : fopen(dumpFile.c_str(), "wb");
    if (!f) return kExitFailed;
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (f == stdout ? fflush(f) == 0 : fclose(f) == 0) && ok;
    return ok ? kExitInstalled : kExitFailed;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Setup runs elevated from a download folder that anyone may fill: any
    // library loaded from here on comes from the system folder only.
    RestrictDllSearch();
    // Empty drives are probed (the diskette prompt, the chooser's drive box):
    // the system must answer "not there" instead of asking the user itself.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::vector<std::string> params = SplitCommandLine(GetCommandLineA());
    if (!params.empty()) params.erase(params.begin());
    const TSetupSwitches switches = ParseSetupSwitches(params);
    if (switches.Dump) return Dump(switches.DumpFile);

    // Shortcuts go through the shell-link object: COM once, for the whole run.
    const HRESULT com = CoInitialize(nullptr);
    InitControls(ICC_WIN95_CLASSES);
    const int code = RunSetup(switches);
    if (SUCCEEDED(com)) CoUninitialize();
    return code;
}
