#include "ProductKeys.h"

// Each spelled once; the table and the names below are built from them.
#define SHELL_EXT_CLSID "{6D1A2F40-7C3B-4E59-A1D8-3F0B5C9E7A21}"
#define PRODUCT_KEY "SOFTWARE\\Tessaro\\Varnel"
#define UNINSTALL_ROOT "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"

const char kShellExtClassId[] = SHELL_EXT_CLSID;
const char kProductKey[] = PRODUCT_KEY;
const char kUninstallRoot[] = UNINSTALL_ROOT;
const char kInstallLogDigest[] = "InstallLogDigest";

// Filtered by use, the order gives setup's clearing and writing order and
// the uninstaller's removal order.
const ProductKey kProductKeys[] = {
    // The context-menu handler for every file type.
    {RegRoot::ClassesRoot, "*\\shellex\\ContextMenuHandlers\\Varnel",
     kKeySetupClears | kKeySetupWrites | kKeyUninstRemoves},
    // The product's own file class, left by earlier versions: cleared, never
    // written again.
    {RegRoot::ClassesRoot, "Varnel", kKeySetupClears | kKeyUninstRemoves},
    // The archive file types the product claims when it runs; setup writes none.
    {RegRoot::ClassesRoot, "Varnel.Ace", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Arc", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Arj", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Kz", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Kzx", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Cab", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Enc", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Gz", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Ha", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Jar", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Lha", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Lzh", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Pak", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Rar", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Tar", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Tzz", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Uue", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Xxe", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Z", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Zip", kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Varnel.Zoo", kKeyUninstRemoves},
    // The install path and the shell DLL's name (setup writes its values
    // itself, without clearing the key: a recorded DLL name is read first).
    {RegRoot::CurrentUser, PRODUCT_KEY, kKeyUninstRemoves},
    // The shell extension's in-process server and its class.
    {RegRoot::ClassesRoot, "CLSID\\" SHELL_EXT_CLSID "\\InProcServer32",
     kKeySetupClears | kKeySetupWrites | kKeyServer},
    {RegRoot::ClassesRoot, "CLSID\\" SHELL_EXT_CLSID, kKeySetupClears | kKeyUninstRemoves},
    // The context-menu and drag-and-drop handlers of folders and drives.
    {RegRoot::ClassesRoot, "Directory\\shellex\\ContextMenuHandlers\\Varnel",
     kKeySetupClears | kKeySetupWrites | kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Directory\\shellex\\DragDropHandlers\\Varnel",
     kKeySetupClears | kKeySetupWrites | kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Drive\\shellex\\DragDropHandlers\\Varnel",
     kKeySetupClears | kKeySetupWrites | kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Folder\\shellex\\ContextMenuHandlers\\Varnel",
     kKeySetupClears | kKeySetupWrites | kKeyUninstRemoves},
    {RegRoot::ClassesRoot, "Folder\\shellex\\DragDropHandlers\\Varnel",
     kKeySetupClears | kKeySetupWrites | kKeyUninstRemoves},
    // The uninstall entry, when the product's title is its bare name; setup
    // names it after the full title, which the uninstaller finds by its
    // command line instead.
    {RegRoot::LocalMachine, UNINSTALL_ROOT "\\Varnel", kKeyUninstRemoves},
};
const size_t kProductKeyCount = sizeof kProductKeys / sizeof kProductKeys[0];

const char* RegRootName(RegRoot root) {
    switch (root) {
        case RegRoot::ClassesRoot: return "HKCR\\";
        case RegRoot::CurrentUser: return "HKCU\\";
        case RegRoot::LocalMachine: return "HKLM\\";
    }
    return "";
}
