// setup's command line, as the system hands it over, through the switches.
#include <cstddef>
#include <cstdint>
#include <string>

#include "CommandLine.h"
#include "SetupSwitches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TSetupSwitches s =
        ParseSetupSwitches(SplitCommandLine(std::string(reinterpret_cast<const char*>(data), size)));
    if (s.HasDir) InstallDirFromSwitch(s.Dir);
    return 0;
}
