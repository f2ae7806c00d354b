#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>

#include "DirDlg.h"
#include "Forms.h"
#include "Install.h"
#include "SetupScript.h"
#include "Wizard.h"

// "setup /dump[=FILE]" writes the settings loaded from SETUP.INI to FILE (or
// to standard output) and ends, so a vendor can check a script.
static bool DumpRequested(const char* cmd, std::string& file) {
    const char* p = strstr(cmd, "/dump");
    if (!p) p = strstr(cmd, "/DUMP");
    if (!p) return false;
    p += 5;
    if (*p == '=') {
        ++p;
        const char* e = p;
        char quote = 0;
        if (*p == '"') quote = *p++, e = p;
        while (*e && (quote ? *e != quote : *e != ' ')) ++e;
        file.assign(p, e);
    }
    return true;
}

static int Dump(const std::string& dumpFile) {
    LoadSetupScript();
    const std::string text = DescribeSetupScript(SetupScript);
    FILE* f = dumpFile.empty() ? stdout : fopen(dumpFile.c_str(), "wb");
    if (!f) return 2;
    fwrite(text.data(), 1, text.size(), f);
    if (f != stdout) fclose(f);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmd, int) {
    // Empty drives are probed (the diskette prompt, the chooser's drive box):
    // the system must answer "not there" instead of asking the user itself.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::string dumpFile;
    if (DumpRequested(cmd, dumpFile)) return Dump(dumpFile);

    // Shortcuts go through the shell-link object: COM once, for the whole run.
    const HRESULT com = CoInitialize(nullptr);
    InitCommonControls();
    int rc;
    {
        // The forms in their order: the wizard (which loads SETUP.INI), the
        // directory chooser, the install form.
        TfmWizad wizard;
        fmWizad = &wizard;
        wizard.RunInstall = [] { return RunInstall(); };
        TfmDir chooser(wizard.Handle());
        fmDir = &chooser;
        CreateInstallForm(instance);
        wizard.Show();
        rc = RunMessageLoop();
        DestroyInstallForm();
        fmDir = nullptr;
        fmWizad = nullptr;
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return rc;
}
