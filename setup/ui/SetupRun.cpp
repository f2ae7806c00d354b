#include "SetupRun.h"

#include "CommandLine.h"
#include "DirDlg.h"
#include "Forms.h"
#include "Install.h"
#include "InstallForm.h"
#include "KitText.h"
#include "RunLog.h"
#include "SetupMessages.h"
#include "SetupScript.h"
#include "ShellExt.h"
#include "Wizard.h"

namespace {

// The install run of /VERYSILENT: no window, no one to cancel.
class TQuietView : public TInstallView {
public:
    void RunShown() override {}
    void RunHidden() override {}
    void EntryStarted(const std::string&, uint32_t) override {}
    void EntryProgress(uint32_t) override {}
    bool NextDiskette() override { return false; }
    bool CancelRequested() override { return false; }
    void EarlierRunUndone() override {}
};

RunStepFn StepsTo(TSetupRunLog& log) {
    return [&log](const char* step, const std::string& text) { log.Step(step, text); };
}

// The one way every mode installs: an engine for this run over the view the
// mode shows, its steps heard by the run log.
TInstallOutcome Install(TInstallView& view, bool unattended, TSetupRunLog& log) {
    return InstallHere(view, unattended, StepsTo(log));
}

// How a run that did not complete goes into the log, and its exit code.
int RunNotCompleted(const TInstallOutcome& end, TSetupRunLog& log) {
    if (end.Status == rsCancelled)
        log.Step("cancelled", "by the user");
    else
        log.Step("error", RunEndLogText(end));
    log.Step("rollback", end.NotRestored.empty() ? "everything the run did is undone"
                                                 : "not put back as it was: " + end.NotRestored);
    return end.Status == rsCancelled ? kExitCancelled : kExitFailed;
}

int RunWizard(const TSetupSwitches& sw, TSetupRunLog& log) {
    // The forms in their order: the wizard (which loads SETUP.INI), the
    // directory chooser, the install form.
    TfmWizad wizard;
    fmWizad = &wizard;
    wizard.RunInstall = [&log] { return Install(*fmInstall, false, log); };
    wizard.OnStep = StepsTo(log);
    wizard.NeverRestart = sw.NoRestart;
    if (sw.HasDir) wizard.SetInstallDir(InstallDirFromSwitch(sw.Dir));
    TfmDir chooser(wizard.Handle());
    fmDir = &chooser;
    CreateInstallForm();
    wizard.Show();
    RunMessageLoop();
    DestroyInstallForm();
    fmDir = nullptr;
    fmWizad = nullptr;
    if (!wizard.InstallRan) {
        log.Step("cancelled", "the wizard closed before the install");
        return kExitCancelled;
    }
    if (wizard.Outcome.Status != rsCompleted) return RunNotCompleted(wizard.Outcome, log);
    return wizard.Restarted ? kExitInstalled : kExitRestartRequired;
}

}  // namespace

int TSetupRunLog::Finish(int code) {
    const bool whole = log.Finish(code, SetupExitText(code));
    return !whole && (code == kExitInstalled || code == kExitRestartRequired) ? kExitRunLogFailed : code;
}

int RunUnattended(const TSetupSwitches& sw, TSetupRunLog& log) {
    const std::string script = SetupScript.SourceDir + "SETUP.INI";
    log.Step("script", script);
    // Without its script the wizard would still show its pages; a run that
    // no one watches must not install nothing and call it done.
    if (!FileExists(script)) {
        log.Step("error", "SETUP.INI not found: " + script);
        return kExitFailed;
    }
    if (sw.HasDir) SetupScript.InstallDir = InstallDirFromSwitch(sw.Dir);
    const TDirCheck check = CheckInstallDirHere(SetupScript.InstallDir);
    if (check != dcValid) {
        log.Step("error", "the install directory cannot be used: " + SetupScript.InstallDir);
        if (sw.Mode != Quiet::VerySilent)
            WizardMessageBox(nullptr, InstallDirText(check, SetupScript.InstallDir).c_str(), "설치 경로",
                             MB_OK | MB_ICONEXCLAMATION);
        return kExitBadCommandLine;
    }
    log.Step("directory", SetupScript.InstallDir);

    TQuietView quiet;
    if (sw.Mode == Quiet::Silent) CreateInstallForm();
    const TInstallOutcome end =
        Install(sw.Mode == Quiet::Silent ? *fmInstall : static_cast<TInstallView&>(quiet), true, log);
    DestroyInstallForm();
    if (end.Status != rsCompleted) return RunNotCompleted(end, log);

    // As when the wizard closes on its last page.
    if (!RegisterShellExtension(StepsTo(log)))
        log.Step("warning", "the shell extension was not registered completely");
    if (sw.Restart && !sw.NoRestart) {
        log.Step("restart", "asked");
        if (WizardRestart()) return kExitInstalled;
        log.Step("warning", "Windows refused to restart");
    } else {
        log.Step("restart", sw.NoRestart ? "not done (/NORESTART)" : "not done (no /RESTART)");
    }
    return kExitRestartRequired;
}

namespace {

// Two runs over one install folder would undo each other's files. The mutex
// is held until the process ends. One made by another user's setup cannot
// even be opened: that one runs too.
bool AnotherSetupRuns(const std::string& name) {
    static HANDLE mutex = nullptr;
    mutex = CreateMutexA(nullptr, FALSE, SetupMutexName(name).c_str());
    const DWORD error = GetLastError();
    return mutex ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

int RunAsSwitched(const TSetupSwitches& sw, TSetupRunLog& log) {
    const bool boxes = sw.Mode != Quiet::VerySilent;
    if (!sw.Bad.empty() || sw.Usage) {
        if (!sw.Bad.empty()) log.Step("error", "unknown switch " + sw.Bad);
        if (boxes)
            WizardMessageBox(
                nullptr, (sw.Bad.empty() ? SetupUsage() : sw.Bad + kBadSwitchTail + SetupUsage()).c_str(),
                kApplicationTitle, MB_OK | (sw.Bad.empty() ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
        return kExitBadCommandLine;
    }
    log.Step("mode", sw.Mode == Quiet::None ? "wizard" : sw.Mode == Quiet::Silent ? "silent" : "very silent");
    LoadSetupScript();  // the wizard loads it again
    if (AnotherSetupRuns(SetupScript.Name)) {
        log.Step("error", "another setup of " + SetupScript.Name + " is running");
        if (boxes)
            WizardMessageBox(nullptr, AlreadyRunningText(SetupScript.Name).c_str(), kApplicationTitle,
                             MB_OK | MB_ICONEXCLAMATION);
        return kExitAlreadyRunning;
    }
    if (sw.Mode == Quiet::None) return RunWizard(sw, log);
    return RunUnattended(sw, log);
}

}  // namespace

namespace {

// Whether /LOG= names the install log this run would write: opening the run
// log would replace an earlier install's log at once, which its uninstaller
// needs, and the install would then write over the run log.
bool NamesInstallLog(const TSetupSwitches& sw) {
    std::string dir;
    if (sw.HasDir) {
        dir = InstallDirFromSwitch(sw.Dir);
    } else {
        LoadSetupScript();  // the wizard loads it again
        dir = SetupScript.InstallDir;
    }
    auto full = [](const std::string& path) {
        char buf[MAX_PATH * 2];
        const DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
        return UpperAscii(n > 0 && n < sizeof buf ? std::string(buf, n) : path);
    };
    return !dir.empty() && full(sw.RunLog) == full(dir + "\\INSTALL.LOG");
}

}  // namespace

int RunSetup(const TSetupSwitches& sw) {
    // Created before anything changes: a run that was asked to leave a log
    // and cannot does nothing.
    TSetupRunLog log;
    if (sw.HasRunLog && (NamesInstallLog(sw) || !log.Open(sw.RunLog))) {
        if (sw.Mode != Quiet::VerySilent)
            WizardMessageBox(nullptr, (sw.RunLog + kRunLogOpenTail).c_str(), kApplicationTitle,
                             MB_OK | MB_ICONSTOP);
        return kExitRunLogFailed;
    }
    log.Step("command line", GetCommandLineA());
    return log.Finish(RunAsSwitched(sw, log));
}
