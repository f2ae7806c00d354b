// SETUP.INI comes from the vendor: any bytes must parse without harm.
#include <cstddef>
#include <cstdint>
#include <string>

#include "IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    IniFile ini(text);
    ini.Get("FILES", "FILE1", "NONE");
    IsNonAsciiUtf8(text);
    return 0;
}
