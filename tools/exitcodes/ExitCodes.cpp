// exitcodes: the meaning of an exit code of setup or the uninstaller, from
// the programs' own lists, for scripts such as the demo.
//   exitcodes setup|uninst CODE
// Prints the run log's words for it; exit code 1 when the program has no
// such code. Wine hands Linux only an exit code's low byte: a code that
// only matches that way is named with its full value.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SetupSwitches.h"
#include "UninstallRun.h"

int main(int argc, char** argv) {
    if (argc != 3 || (strcmp(argv[1], "setup") && strcmp(argv[1], "uninst"))) {
        fprintf(stderr, "usage: exitcodes setup|uninst CODE\n");
        return 2;
    }
    const bool setup = !strcmp(argv[1], "setup");
    const int code = atoi(argv[2]);
    const int count = setup ? kSetupExitCodeCount : uninst::kExitCodeCount;
    for (int exact = 1; exact >= 0; --exact)
        for (int i = 0; i < count; ++i) {
            const int full = setup ? kSetupExitCodes[i].Code : uninst::kExitCodes[i].code;
            const char* words = setup ? kSetupExitCodes[i].Result : uninst::kExitCodes[i].result;
            if (exact ? full != code : (full & 0xFF) != code) continue;
            if (exact)
                printf("%s\n", words);
            else
                printf("%s (%d; Wine passes only its low byte)\n", words, full);
            return 0;
        }
    return 1;
}
