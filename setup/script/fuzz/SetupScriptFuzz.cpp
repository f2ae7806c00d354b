// Feeds arbitrary bytes to the script loader as the values of every key and
// to the macro replacement, the two places where script text is taken apart.
#include <cstddef>
#include <cstdint>
#include <string>

#include "SetupScript.h"
#include "SetupText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    // Split the input into values at NUL bytes; key i gets value i (cycled).
    std::string parts[8];
    size_t n = 0, start = 0;
    for (size_t i = 0; i <= in.size() && n < 8; ++i)
        if (i == in.size() || in[i] == '\0') {
            parts[n++] = in.substr(start, i - start).substr(0, ProfileBufferSize - 1);
            start = i + 1;
        }
    size_t next = 0;
    TSetupScript s;
    FillSetupScript(s, [&](const char*, const char*, const char* def) {
        if (n == 0) return std::string(def);
        return parts[next++ % n];
    });
    MacroValues v{parts[0], parts[1 % 8], parts[2 % 8], parts[3 % 8]};
    for (uint16_t i = 0; i < s.FileItemCount; ++i) ExpandMacrosWith(s.FileItems[i].DestDir, v);
    ReplaceMacro(in, parts[1], parts[2]);
    return 0;
}
