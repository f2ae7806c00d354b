#include "InstallText.h"

#include <cstring>

#include "PathRoot.h"
#include "SetupText.h"

std::string InstallLogBytes(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

// Byte-wise search is safe here: no trail byte of code page 949 is '\', ':'
// or '.', so a double-byte character never looks like a separator.
std::string FileDirectory(const std::string& path) {
    const size_t i = path.find_last_of("\\:");
    if (i == std::string::npos) return std::string();
    size_t len = i + 1;
    if (path[i] == '\\' && i > 0 && path[i - 1] != '\\' && path[i - 1] != ':') len = i;
    return path.substr(0, len);
}

bool IsRarName(const std::string& name) {
    const size_t i = name.find_last_of(".\\:");
    return i != std::string::npos && name[i] == '.' && UpperAscii(name.substr(i)) == ".RAR";
}

std::string AllUsersFolder(const std::string& folder, const std::string& logonUser) {
    if (logonUser.empty()) return folder;
    const std::string segment = "\\" + logonUser + "\\";
    const size_t at = folder.find(segment);
    if (at == std::string::npos) return folder;
    return folder.substr(0, at) + "\\All Users\\" + folder.substr(at + segment.size());
}

bool IsUninstallerTarget(const std::string& target) {
    return target.find("VlUnInst.EXE") != std::string::npos;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string QuotedCommandLine(const std::string& program, const std::string& argument) {
    return Quoted(program) + " " + Quoted(argument);
}

TDirCheck CheckInstallDir(const std::string& dir, const std::function<bool(char)>& driveExists) {
    if (TrimControl(dir).empty()) return dcEmpty;
    if (dir.size() > kInstallDirMax) return dcTooLong;
    const char letter = UpperAscii(dir.substr(0, 1))[0];
    const PathRoot root = ParsePathRoot(dir, false);
    const bool drive = root.kind == PathRootKind::Drive && letter >= 'A' && letter <= 'Z';
    // Or \\server\share, two names that are not empty.
    if (!drive && !(root.kind == PathRootKind::Share && root.complete)) return dcNotAbsolute;
    static const char kForbidden[] = "<>:\"/|?*";
    for (size_t i = drive ? 2 : 0; i < dir.size(); i += CharLength(dir, i)) {
        const unsigned char c = static_cast<unsigned char>(dir[i]);
        if (c < 32 || (c < 128 && std::strchr(kForbidden, c))) return dcBadCharacter;
    }
    if (drive && !driveExists(letter)) return dcNoSuchDrive;
    return dcValid;
}
