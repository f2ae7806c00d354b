// Installs the product whose SETUP.INI lies in the folder given (with its
// trailing backslash), as setup does after the wizard's last page, so the
// scenario test can uninstall a real install. Exit code 0: completed.
#include <windows.h>
#include <objbase.h>

#include "Install.h"
#include "SetupScript.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    CoInitialize(nullptr);
    LoadSetupScriptFrom(argv[1]);
    CreateInstallForm();
    const bool completed = RunInstall().Status == rsCompleted;
    DestroyInstallForm();
    CoUninitialize();
    return completed ? 0 : 1;
}
