// The lines of INSTALL.LOG that setup writes and the uninstaller reads. A
// line is a prefix followed at once by a full path; the uninstaller takes the
// path from the fixed place behind the prefix, so a prefix must open its
// line with nothing before it.
#pragma once

#include <cstddef>

constexpr char kLogFilePrefix[] = "FILE:";  // a file or an archive's folder entry
constexpr char kLogIconPrefix[] = "ICON:";  // a shortcut
constexpr char kLogDirPrefix[] = "DIR:";    // a folder the install filled

// Where the path starts in a file or shortcut line, and in a folder line
// (0-based byte offsets).
constexpr size_t kLogEntryPathAt = sizeof kLogFilePrefix - 1;
constexpr size_t kLogDirPathAt = sizeof kLogDirPrefix - 1;
static_assert(sizeof kLogIconPrefix == sizeof kLogFilePrefix,
              "file and shortcut lines share one path offset");
