// The text the install run produces: INSTALL.LOG lines and bytes, the
// uninstall command line, and the path rules of shortcuts. Portable, so the
// formats that the uninstaller relies on are tested without Windows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "InstallLogFormat.h"

// The file's bytes: every line, the last included, ends with CR LF; no
// header, no byte-order mark. Lines are code page bytes and are not altered.
std::string InstallLogBytes(const std::vector<std::string>& lines);

// Directory part of a path without its trailing '\', except that a drive root
// keeps it ("C:\x" gives "C:\", "C:\a\x" gives "C:\a", "x" gives "").
std::string FileDirectory(const std::string& path);

// True when the name's extension (from its last dot) is ".RAR" in any case.
bool IsRarName(const std::string& name);

// Moves a shortcut folder from the installing user's profile to the profile
// shared by all users: the first "\<user>\" becomes "\All Users\". An empty
// user name, or one that the folder does not contain, leaves it unchanged.
std::string AllUsersFolder(const std::string& folder, const std::string& logonUser);

// True for targets that the all-users move leaves with the installing user:
// the uninstaller, spelled exactly as the engine spells it.
bool IsUninstallerTarget(const std::string& target);

// A command line of one program and one argument, each in double quotes, so
// blanks in either survive the split into parameters.
std::string QuotedCommandLine(const std::string& program, const std::string& argument);
// One path in double quotes (shortcut arguments).
std::string Quoted(const std::string& path);

// What is wrong with an install directory the user gave, if anything.
enum TDirCheck {
    dcValid,
    dcEmpty,         // nothing, or blanks only
    dcNotAbsolute,   // neither a drive letter with '\' nor a UNC path (\\server\share)
    dcBadCharacter,  // a character Windows forbids in names: < > : " / | ? * or a control code
    dcNoSuchDrive,   // the drive letter names no drive (asked through driveExists)
    dcTooLong,       // longer than kInstallDirMax
};

// The longest path the narrow calls of setup and the uninstaller take
// (MAX_PATH less its NUL), and so the longest install directory: its
// uninstaller and INSTALL.LOG must fit below it.
const size_t kNarrowPathMax = 259;
const size_t kInstallDirMax = kNarrowPathMax - sizeof "\\VlUnInst.exe" + 1;

// Checks an install directory before the install may use it. driveExists is
// asked for the upper-case letter of a drive path, never for a UNC path.
// Code page 949 characters pass whole.
TDirCheck CheckInstallDir(const std::string& dir, const std::function<bool(char letter)>& driveExists);
