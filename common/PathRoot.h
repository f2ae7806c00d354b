#pragma once
// The root of a Windows path: the drive ("C:\", or "C:" of a path relative
// to that drive's current folder) or the share ("\\server\share") that no
// ".." climbs above and no trailing separator is taken from. Portable; the
// one rule setup, its journal and the uninstaller share. Byte-wise is safe:
// '\' and '/' are never trail bytes of code page 949.

#include <cstddef>
#include <string>

enum class PathRootKind {
    None,           // relative ("a\b"), or rooted on the current drive ("\a")
    Drive,          // "C:\..."
    DriveRelative,  // "C:..."
    Share,          // "\\server\share..."
};

struct PathRoot {
    PathRootKind kind = PathRootKind::None;
    size_t length = 0;  // bytes of the root: 3, 2, up to the separator after the share
                        // (the whole path when there is none), or 0
    // A share with a server and a share name, neither empty.
    bool complete = false;
};

// `slashes`: '/' separates too, as in paths the uninstaller reads.
PathRoot ParsePathRoot(const std::string& path, bool slashes);
