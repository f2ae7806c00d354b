// Shortcut (.LNK) files through the shell-link object. Windows only; the
// calling thread must have initialised COM.
#pragma once

#include <string>

// Operating-system family: 1 Win32s, 2 the 95/98 family, 3 the NT family,
// 4 anything else.
int PlatformFamily();

// Writes a shortcut named linkName (".LNK" included, may start with one
// subfolder) inside the folder that the current user's "Shell Folders" table
// names under folderKey, and returns its full path, whether or not it could
// be written: the install log records the path either way. On the NT family
// the folder moves to the all-users profile unless the target is the
// uninstaller. target and arguments are already expanded; empty arguments
// leave the shortcut's argument field alone.
std::string CreateShortcut(const std::string& folderKey, const std::string& linkName,
                           const std::string& target, const std::string& arguments);

// The two halves of CreateShortcut, for a caller that must know the path
// before anything is written and whether the shortcut was saved.
std::string ShortcutPath(const std::string& folderKey, const std::string& linkName,
                         const std::string& target);
// Makes the folder of fullPath (one level, its parent must exist) and saves
// the shortcut there. False when it was not saved.
bool WriteShortcut(const std::string& fullPath, const std::string& target, const std::string& arguments);

// The fixed description every shortcut carries.
extern const char kShortcutDescription[];
