// Every reader of outside text in the uninstaller: the command line, the log
// (and the folders it leads to), an uninstall entry and the startup-rename file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "UninstCore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> params = SplitCommandLine(text);
    uninst::RebuildLogPath(params, [](const std::string& p) { return p.size() % 7 == 3; });
    uninst::LogContents log = uninst::ParseLog(text);
    std::string logDir = log.dirs.empty() ? "C:\\P" : log.dirs.front();
    // The log's own folders stand in for the system's: any text may be either.
    for (const auto& d : uninst::PruneCandidates(log, logDir, log.entries)) uninst::IsKeptFolder(d, log.dirs);
    uninst::UninstallStringNamesLog(text, logDir);
    uninst::WininitWithEntry(text, "C:\\V\\VLUNINST.EXE");
    uninst::WininitWithDeletion(text, "C:\\V\\SHELL.DLL");
    return 0;
}
