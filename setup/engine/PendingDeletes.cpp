#include "PendingDeletes.h"

#include "KitText.h"

namespace {

std::vector<std::string> Strings(const std::string& list) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\0', start);
        if (end == std::string::npos) end = list.size();
        out.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    // The list ends in an empty string: the pairs' own empty targets are
    // inside it, the closing one is not a string of the list.
    if (!out.empty() && out.back().empty() && out.size() % 2 == 1) out.pop_back();
    return out;
}

std::string Joined(const std::vector<std::string>& strings) {
    std::string list;
    for (const std::string& s : strings) list += s + '\0';
    return list + '\0';
}

bool IsRenameSection(const std::string& line) {
    const size_t open = line.find_first_not_of(" \t");
    return open != std::string::npos && line[open] == '[' && UpperAscii(line).find("[RENAME]") == open;
}

// The path of a "NUL=path" line, or "".
std::string NulTarget(const std::string& line) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return std::string();
    std::string key = line.substr(0, eq);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
    if (UpperAscii(key) != "NUL") return std::string();
    std::string path = line.substr(eq + 1);
    path.erase(0, path.find_first_not_of(" \t") == std::string::npos ? path.size() : path.find_first_not_of(" \t"));
    while (!path.empty() && (path.back() == '\r' || path.back() == ' ')) path.pop_back();
    return path;
}

}  // namespace

std::string PendingPathKey(const std::string& source) {
    std::string p = source;
    if (p.compare(0, 4, "\\??\\") == 0) p = p.substr(4);
    if (p.compare(0, 4, "UNC\\") == 0) p = "\\" + p.substr(3);
    return UpperAscii(p);
}

std::string PendingListWithout(const std::string& list, const std::set<std::string>& upper,
                               std::vector<std::string>* withdrawn) {
    const std::vector<std::string> strings = Strings(list);
    std::vector<std::string> kept;
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        if (strings[i + 1].empty() && upper.count(PendingPathKey(strings[i]))) {
            withdrawn->push_back(strings[i]);
            continue;
        }
        kept.push_back(strings[i]);
        kept.push_back(strings[i + 1]);
    }
    // A last source without its target is kept as it came.
    if (strings.size() % 2 == 1) kept.push_back(strings.back());
    return Joined(kept);
}

std::vector<std::string> PendingDeletions(const std::string& list) {
    const std::vector<std::string> strings = Strings(list);
    std::vector<std::string> out;
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
        if (!strings[i].empty() && strings[i + 1].empty()) out.push_back(strings[i]);
    return out;
}

std::string PendingListWith(const std::string& list, const std::vector<std::string>& sources) {
    std::vector<std::string> strings = Strings(list);
    for (const std::string& s : sources) {
        strings.push_back(s);
        strings.push_back(std::string());
    }
    return Joined(strings);
}

namespace {

// Walks the lines: those for which `drop` (given a [rename] section's NUL
// target) is true are left out of the result.
template <class Drop>
std::string WininitFiltered(const std::string& text, Drop drop) {
    std::string out;
    bool inRename = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, end - start);
        start = end;
        const size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] == '[') inRename = IsRenameSection(line);
        std::string body = line;
        while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
        const std::string target = inRename ? NulTarget(body) : std::string();
        if (!target.empty() && drop(target)) continue;
        out += line;
    }
    return out;
}

}  // namespace

std::string WininitWithout(const std::string& text, const std::set<std::string>& upper,
                           std::vector<std::string>* withdrawn) {
    return WininitFiltered(text, [&](const std::string& target) {
        if (!upper.count(UpperAscii(target))) return false;
        withdrawn->push_back(target);
        return true;
    });
}

std::vector<std::string> WininitDeletions(const std::string& text) {
    std::vector<std::string> out;
    WininitFiltered(text, [&](const std::string& target) {
        out.push_back(target);
        return false;
    });
    return out;
}

std::string WininitWith(const std::string& text, const std::vector<std::string>& paths) {
    if (paths.empty()) return text;
    std::string lines;
    for (const std::string& p : paths) lines += "NUL=" + p + "\r\n";
    // Into the existing section, right below its heading; else a new one.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        if (IsRenameSection(text.substr(start, end - start))) {
            const std::string heading = text.substr(0, end);
            return heading + (heading.back() == '\n' ? "" : "\r\n") + lines + text.substr(end);
        }
        start = end;
    }
    const bool open = !text.empty() && text.back() != '\n';
    return text + (open ? "\r\n" : "") + "[rename]\r\n" + lines;
}
