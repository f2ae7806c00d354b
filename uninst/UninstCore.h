// The uninstaller's pure parts: the switches, the log-path rebuild,
// the reading of INSTALL.LOG, the choice of directories to prune and the
// startup-rename file's text. Everything here works on byte strings in the
// system code page and touches neither files nor the registry, so it runs
// natively under the sanitizers as well as on Windows.
//
// Paths are split at '\' (and '/') byte by byte. That is safe for code page
// 949, whose trail bytes never take the value of either separator.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "KitText.h"

namespace uninst {

// The parameters (program excluded) sorted into switches and the pieces of
// the log path. A switch is a whole parameter: "/SILENT", "/VERYSILENT",
// "/LOG=file" (the run log; quotes around the file are removed by the
// splitting) or "/?", in any letter case and at any place. Other parameters
// are pieces of the log path, to be rebuilt as ever; a path split at a blank
// may leave a piece that starts with '/', so only before the first piece is
// an unknown "/..." parameter a bad switch.
struct Switches {
    Quiet quiet = Quiet::None;  // /VERYSILENT wins over /SILENT
    bool usage = false;         // "/?" was given
    std::string bad;            // the first bad switch: unknown, or a second or empty "/LOG="
    bool hasRunLog = false;
    std::string runLog;
    std::vector<std::string> pieces;
};
Switches ParseSwitches(const std::vector<std::string>& params);

// The log path rebuilt from the parameters (program excluded). Candidates, in
// order: all parameters run together; the same with one blank after parameter
// b, for b = 0 .. n-1; all parameters joined by single blanks. The first at
// which `isFile` holds wins.
struct LogPathResult {
    bool found = false;
    std::string path;            // the winning candidate when found
    std::string firstCandidate;  // what the not-found message names
};
LogPathResult RebuildLogPath(const std::vector<std::string>& params,
                             const std::function<bool(const std::string&)>& isFile);

// Splits text into lines: a line ends at CR, LF or CR LF; a last line without
// an end is kept, and a final line end does not make an empty line.
std::vector<std::string> SplitLines(const std::string& text);

// What the log asks to remove, in log order. A line counts as a file or
// shortcut when it contains a file or shortcut prefix anywhere, and as a
// directory when it contains the folder prefix (InstallLogFormat.h); the
// path is then read from the fixed place just behind the prefix and trimmed. Paths that are not full paths
// (empty ones included) are dropped.
struct LogContents {
    std::vector<std::string> entries;  // files and shortcuts, first pass
    std::vector<std::string> dirs;     // directories, second pass
};
LogContents ParseLog(const std::string& text);

// Whether `dir` must stay whatever the log says: a drive or share root, one
// of the `kept` folders (the system's own, which the program reads at run
// time), or a folder above one of them. On the 95/98 family the Desktop and
// Start Menu lie inside the Windows folder, so a product with an item there
// could otherwise empty and remove them. Letter case (ASCII) and trailing
// separators do not count; empty or relative entries of `kept` are ignored.
bool IsKeptFolder(const std::string& dir, const std::vector<std::string>& kept);

// Directories that may be left empty once the entries are gone, deepest
// first, each once: the listed directories, the entries themselves (an
// archive's folder entries are logged as files), and every folder above an
// entry or listed directory that lies within a listed directory or the log's
// own folder. Only empty ones will go; kept folders (IsKeptFolder) never
// appear.
std::vector<std::string> PruneCandidates(const LogContents& log, const std::string& logDir,
                                         const std::vector<std::string>& kept);

// Path helpers for the above; `path` without a trailing separator.
std::string ParentDir(const std::string& path);
bool SamePath(const std::string& a, const std::string& b);
// Whether `path` is `folder` or lies below it, by whole names in any ASCII
// letter case. A path with a "." or ".." part is inside nothing: such a part
// could lead anywhere, and setup writes none.
bool InsideFolder(const std::string& path, const std::string& folder);

// Whether an uninstall entry's command line ("UninstallString") starts this
// uninstaller on `logPath`: quoted or not, it ends in a blank and that path.
bool UninstallStringNamesLog(const std::string& command, const std::string& logPath);

// The startup-rename file: its path in the Windows directory, and its new
// text with "nul=" + `ownPath` as the first entry of its [Rename] section.
// `existing` is the old text, or nothing when the file does not exist.
std::string WininitPath(const std::string& windowsDir);
std::string WininitWithEntry(const std::optional<std::string>& existing, const std::string& ownPath);
// The same file's new text with "nul=" + `path` as the last entry of its
// [Rename] section, so that entries made one after another are carried out
// in that order (a file before the folder that holds it).
std::string WininitWithDeletion(const std::optional<std::string>& existing, const std::string& path);

}  // namespace uninst
