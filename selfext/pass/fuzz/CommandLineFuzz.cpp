// Arbitrary bytes as the self-extractor's command line: every value stays
// within its buffer and the arguments point into the line.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "SilentRun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line((const char*)data, strnlen((const char*)data, size));
    SilentOptions o;
    const CommandLineStatus status = ParseCommandLine(line.c_str(), &o);
    if (strnlen(o.folder, sizeof o.folder) >= sizeof o.folder) abort();
    if (o.password.length != (int)strnlen(o.password.text, sizeof o.password.text) ||
        o.password.length >= (int)sizeof o.password.text)
        abort();
    const bool inLine = o.arguments >= line.c_str() && o.arguments <= line.c_str() + line.size();
    if (status == CommandSilent && !inLine && *o.arguments) abort();
    return 0;
}
