// The command line and what the run log makes of outside text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "CommandLine.h"
#include "RunLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string value;
    for (const auto& p : SplitCommandLine(text)) {
        IsSwitch(p, "/VERYSILENT");
        IsValueSwitch(p, "/LOG=", &value);
        RunLogLine("step", p);
    }
    return 0;
}
