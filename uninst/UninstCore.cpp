#include "UninstCore.h"

#include <algorithm>
#include <unordered_set>

#include "InstallLogFormat.h"
#include "PathRoot.h"

namespace uninst {

namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }

std::string StripTrailingSeps(std::string p) {
    while (p.size() > 1 && IsSep(p.back())) p.pop_back();
    return p;
}

// A drive ("C:", "C:\"), a share ("\\server\share") or nothing: folders
// above which no pruning may reach.
bool IsRoot(const std::string& raw) {
    std::string p = StripTrailingSeps(raw);
    if (p.empty() || (p.size() == 1 && IsSep(p[0]))) return true;
    const PathRoot root = ParsePathRoot(p, true);
    return root.kind != PathRootKind::None && root.length == p.size();
}

bool IsAbsolute(const std::string& p) {
    const PathRootKind kind = ParsePathRoot(p, true).kind;
    return kind == PathRootKind::Drive || kind == PathRootKind::Share;
}

// A path as compared: upper-cased, one kind of separator, none at the end.
std::string FolderKey(const std::string& path) {
    std::string k = UpperAscii(StripTrailingSeps(path));
    std::replace(k.begin(), k.end(), '/', '\\');
    return k;
}

// The bytes from offset `at` on; nothing when the line is shorter.
std::string Tail(const std::string& s, size_t at) { return s.size() > at ? s.substr(at) : std::string(); }

}  // namespace

Switches ParseSwitches(const std::vector<std::string>& params) {
    Switches s;
    for (const auto& p : params) {
        std::string value;
        if (IsSwitch(p, "/SILENT")) {
            if (s.quiet == Quiet::None) s.quiet = Quiet::Silent;
        } else if (IsSwitch(p, "/VERYSILENT")) {
            s.quiet = Quiet::VerySilent;
        } else if (IsSwitch(p, "/?")) {
            s.usage = true;
        } else if (IsValueSwitch(p, "/LOG=", &value)) {
            if ((s.hasRunLog || value.empty()) && s.bad.empty()) s.bad = p;
            s.hasRunLog = true;
            s.runLog = value;
        } else if (s.pieces.empty() && !p.empty() && p[0] == '/') {
            if (s.bad.empty()) s.bad = p;
        } else {
            s.pieces.push_back(p);
        }
    }
    return s;
}

LogPathResult RebuildLogPath(const std::vector<std::string>& params,
                             const std::function<bool(const std::string&)>& isFile) {
    LogPathResult r;
    std::string joined;
    for (const auto& p : params) joined += p;
    r.firstCandidate = joined;

    std::vector<std::string> candidates{joined};
    for (size_t b = 0; b < params.size(); ++b) {
        std::string c;
        for (size_t k = 0; k < params.size(); ++k) {
            c += params[k];
            if (k == b) c += ' ';
        }
        candidates.push_back(c);
    }
    // A path with several blanks arrives in several pieces.
    std::string spaced;
    for (size_t k = 0; k < params.size(); ++k) spaced += (k ? " " : "") + params[k];
    candidates.push_back(spaced);

    for (const auto& c : candidates) {
        if (!c.empty() && isFile(c)) {
            r.found = true;
            r.path = c;
            return r;
        }
    }
    return r;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0, i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

LogContents ParseLog(const std::string& text) {
    LogContents log;
    std::vector<std::string> lines = SplitLines(text);
    // The path stands at a fixed place behind the prefix, whatever comes before
    // the prefix; paths are taken whole, however long. Setup writes only full
    // paths: anything else would be taken from whatever folder the uninstaller
    // was started in, so it is passed over.
    for (const auto& line : lines) {
        if (line.find(kLogFilePrefix) != std::string::npos ||
            line.find(kLogIconPrefix) != std::string::npos) {
            std::string p = TrimControl(Tail(line, kLogEntryPathAt));
            if (IsAbsolute(p)) log.entries.push_back(p);
        }
    }
    for (const auto& line : lines) {
        if (line.find(kLogDirPrefix) != std::string::npos) {
            std::string p = TrimControl(Tail(line, kLogDirPathAt));
            if (IsAbsolute(p)) log.dirs.push_back(p);
        }
    }
    return log;
}

std::string ParentDir(const std::string& path) {
    std::string p = StripTrailingSeps(path);
    size_t k = p.size();
    while (k > 0 && !IsSep(p[k - 1])) --k;
    if (k == 0) return std::string();
    std::string parent = p.substr(0, k);
    // "C:\" keeps its separator; deeper folders lose it.
    return (parent.size() == 3 && parent[1] == ':') ? parent : StripTrailingSeps(parent);
}

bool SamePath(const std::string& a, const std::string& b) {
    return UpperAscii(StripTrailingSeps(a)) == UpperAscii(StripTrailingSeps(b));
}

bool InsideFolder(const std::string& path, const std::string& folder) {
    if (!IsAbsolute(path) || !IsAbsolute(folder)) return false;
    std::string p = FolderKey(path), f = FolderKey(folder);
    for (size_t start = 0; start <= p.size();) {
        size_t end = p.find('\\', start);
        if (end == std::string::npos) end = p.size();
        std::string part = p.substr(start, end - start);
        if (part == "." || part == "..") return false;
        start = end + 1;
    }
    if (p.size() < f.size() || p.compare(0, f.size(), f) != 0) return false;
    return p.size() == f.size() || p[f.size()] == '\\' || f.back() == '\\';
}

namespace {

// FolderKey with "." and ".." resolved and each name's trailing dots and
// blanks dropped, as Windows opens the path: "C:\Program Files\..\Windows."
// is the Windows folder. A ".." never climbs above the drive or share.
std::string CanonicalKey(const std::string& path) {
    const std::string k = FolderKey(path);
    const bool unc = k.compare(0, 2, "\\\\") == 0;
    std::vector<std::string> parts;
    size_t rootParts = unc ? 4 : 1;  // "", "", server, share; or the drive
    for (size_t start = 0; start <= k.size();) {
        size_t end = k.find('\\', start);
        if (end == std::string::npos) end = k.size();
        std::string part = k.substr(start, end - start);
        start = end + 1;
        if (parts.size() < rootParts) {
            parts.push_back(part);
            continue;
        }
        while (!part.empty() && (part.back() == '.' || part.back() == ' ') && part != "." && part != "..")
            part.pop_back();
        if (part == "..") {
            if (parts.size() > rootParts) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
    return out;
}

}  // namespace

bool IsKeptFolder(const std::string& dir, const std::vector<std::string>& kept) {
    if (IsRoot(dir)) return true;
    std::string d = CanonicalKey(dir);
    if (IsRoot(d)) return true;
    // Each drive's Recycle Bin, under the names of the NT family since Vista,
    // of the older NT family and of the 95/98 family.
    const std::string top = d.substr(d.rfind('\\') + 1);
    if (IsRoot(ParentDir(d)) && (top == "$RECYCLE.BIN" || top == "RECYCLER" || top == "RECYCLED")) return true;
    for (const auto& k : kept) {
        if (!IsAbsolute(k)) continue;
        std::string u = CanonicalKey(k);
        if (u.size() < d.size() || u.compare(0, d.size(), d) != 0) continue;
        // The folder itself, or one above it: whole names only ("C:\PROG" is not above "C:\PROGRAMS").
        if (u.size() == d.size() || u[d.size()] == '\\') return true;
    }
    return false;
}

std::vector<std::string> PruneCandidates(const LogContents& log, const std::string& logDir,
                                         const std::vector<std::string>& kept) {
    std::unordered_set<std::string> roots;
    for (const auto& d : log.dirs)
        if (IsAbsolute(d) && !IsRoot(d)) roots.insert(UpperAscii(StripTrailingSeps(d)));
    if (IsAbsolute(logDir) && !IsRoot(logDir)) roots.insert(UpperAscii(StripTrailingSeps(logDir)));

    // Logs of large archives list thousands of files in a few folders.
    std::vector<std::string> found;
    std::unordered_set<std::string> seen;
    auto add = [&](const std::string& raw) {
        std::string p = StripTrailingSeps(raw);
        if (p.empty() || !seen.insert(UpperAscii(p)).second || IsKeptFolder(p, kept)) return;
        found.push_back(p);
    };
    // The folders above a path, up to the outermost listed one among them.
    auto addWithParents = [&](const std::string& start) {
        add(start);
        if (!IsAbsolute(start)) return;
        std::vector<std::string> chain;
        size_t keep = 0;
        for (std::string p = ParentDir(start); !p.empty() && !IsRoot(p); p = ParentDir(p)) {
            chain.push_back(p);
            if (roots.count(UpperAscii(p))) keep = chain.size();
        }
        for (size_t i = 0; i < keep; ++i) add(chain[i]);
    };
    for (const auto& d : log.dirs) addWithParents(d);
    for (const auto& e : log.entries) addWithParents(e);

    std::vector<std::pair<long, size_t>> order;  // (-depth, log order)
    for (size_t i = 0; i < found.size(); ++i)
        order.emplace_back(-(long)std::count_if(found[i].begin(), found[i].end(), IsSep), i);
    std::sort(order.begin(), order.end());
    std::vector<std::string> deepestFirst;
    for (const auto& o : order) deepestFirst.push_back(std::move(found[o.second]));
    return deepestFirst;
}

bool UninstallStringNamesLog(const std::string& command, const std::string& logPath) {
    if (logPath.empty()) return false;
    std::string plain;
    for (char c : command)
        if (c != '"') plain += c;
    plain = UpperAscii(TrimControl(plain));
    std::string want = UpperAscii(logPath);
    return plain.size() > want.size() && plain.compare(plain.size() - want.size(), want.size(), want) == 0 &&
           plain[plain.size() - want.size() - 1] == ' ';
}

std::string WininitPath(const std::string& windowsDir) {
    // A drive root already ends in its separator.
    return windowsDir.size() > 3 ? windowsDir + "\\wininit.ini" : windowsDir + "wininit.ini";
}

namespace {

// Adds "nul=" + `path` to the [Rename] section of the startup-rename file's
// text: as its first entry, or as its last (before the next section).
std::string WininitAdd(const std::optional<std::string>& existing, const std::string& path, bool first) {
    std::vector<std::string> lines;
    if (existing) lines = SplitLines(*existing);
    std::string entry = "nul=" + path;
    auto header = std::find_if(lines.begin(), lines.end(),
                               [](const std::string& l) { return UpperAscii(l) == "[RENAME]"; });
    if (header != lines.end()) {
        auto at = header + 1;
        if (!first) {
            while (at != lines.end() && !(!at->empty() && (*at)[0] == '[')) ++at;
            // Blank lines before the next section stay between the sections.
            while (at != header + 1 && TrimControl(*(at - 1)).empty()) --at;
        }
        lines.insert(at, entry);
    } else {
        lines.push_back("[Rename]");
        lines.push_back(entry);
    }
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

}  // namespace

std::string WininitWithEntry(const std::optional<std::string>& existing, const std::string& ownPath) {
    return WininitAdd(existing, ownPath, true);
}

std::string WininitWithDeletion(const std::optional<std::string>& existing, const std::string& path) {
    return WininitAdd(existing, path, false);
}

}  // namespace uninst
