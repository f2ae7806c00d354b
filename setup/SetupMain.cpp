#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>

#include "CommandLine.h"
#include "SetupRun.h"
#include "SetupScript.h"
#include "SetupSwitches.h"
#include "Wizard.h"

namespace {

const char kRunLogOpenTail[] = " 파일에 실행 기록을 쓸 수 없습니다.  확인 후 다시 실행 하십시오.";

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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Empty drives are probed (the diskette prompt, the chooser's drive box):
    // the system must answer "not there" instead of asking the user itself.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::vector<std::string> params = SplitCommandLine(GetCommandLineA());
    if (!params.empty()) params.erase(params.begin());
    const TSetupSwitches switches = ParseSetupSwitches(params);
    if (switches.Dump) return Dump(switches.DumpFile);

    // Created before anything changes: a run that was asked to leave a log
    // and cannot does nothing.
    TSetupRunLog log;
    if (switches.HasRunLog && !log.Open(switches.RunLog)) {
        if (switches.Mode != smVerySilent)
            WizardMessageBox(nullptr, (switches.RunLog + kRunLogOpenTail).c_str(), kApplicationTitle,
                             MB_OK | MB_ICONSTOP);
        return kExitRunLogFailed;
    }
    log.Step("command line", GetCommandLineA());

    // Shortcuts go through the shell-link object: COM once, for the whole run.
    const HRESULT com = CoInitialize(nullptr);
    InitCommonControls();
    const int code = log.Finish(RunSetup(instance, switches, log));
    if (SUCCEEDED(com)) CoUninitialize();
    return code;
}
