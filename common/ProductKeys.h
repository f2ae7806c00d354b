// The registry keys of the product: which setup clears and writes when the
// wizard closes, and which the uninstaller removes. One table, so that every
// key written stands next to the entry that removes it again.
#pragma once

#include <cstddef>

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };

// What each program does with a key (bits).
enum : unsigned {
    kKeySetupClears = 1,    // setup deletes it, subtree and all, before writing
    kKeySetupWrites = 2,    // setup writes it (the handler and server keys)
    kKeyUninstRemoves = 4,  // the uninstaller deletes it, subtree and all
    kKeyServer = 8,         // the in-process server key: the DLL's path, not the class id
};

struct ProductKey {
    RegRoot root;
    const char* path;
    unsigned use;
};

// "HKCR\\", "HKCU\\" or "HKLM\\", as the run logs name a key's root.
const char* RegRootName(RegRoot root);

// In the order each program walks them.
extern const ProductKey kProductKeys[];
extern const size_t kProductKeyCount;

// The shell extension's class identifier, the value of every handler key.
extern const char kShellExtClassId[];
// Under HKEY_CURRENT_USER: the install path and the shell DLL's name.
extern const char kProductKey[];
// Under HKEY_LOCAL_MACHINE: the uninstall entries, one subkey a product.
extern const char kUninstallRoot[];
// The entry's value holding the SHA-256 (64 lower-case hex digits) of the
// INSTALL.LOG bytes the install wrote; the uninstaller trusts the log only
// when it matches.
extern const char kInstallLogDigest[];
