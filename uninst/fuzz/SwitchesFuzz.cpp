// The uninstaller's command line: switches, then the log path's pieces.
#include <cstddef>
#include <cstdint>
#include <string>

#include "UninstCore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    uninst::Switches s = uninst::ParseSwitches(SplitCommandLine(text));
    uninst::RebuildLogPath(s.pieces, [](const std::string& p) { return p.size() % 5 == 1; });
    return 0;
}
