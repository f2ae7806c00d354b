// Registry helpers that setup and the uninstaller share. Windows only.
#pragma once

#include <windows.h>

#include <string>

#include "ProductKeys.h"

HKEY RootKey(RegRoot root);

// Deletes a key with its whole subtree; a missing key is no error. The NT
// family's RegDeleteKey refuses keys that still have subkeys, and the
// system's own tree deletion is newer than the systems the kit runs on.
void DeleteKeyTree(HKEY parent, const std::string& path);
