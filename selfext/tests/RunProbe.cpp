// runprobe: stands in for the program a self-extracting file starts. It
// appends its command line and current folder to runprobe.txt in that
// folder, waits when asked, and exits with the code it is given.
//   runprobe [exit=N] [sleep=SECONDS] [anything...]
// A GUI program without windows, as an installer run with /VERYSILENT is.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int code = 0, seconds = 0;
    for (int i = 1; i < __argc; ++i) {
        if (!strncmp(__argv[i], "exit=", 5)) code = atoi(__argv[i] + 5);
        if (!strncmp(__argv[i], "sleep=", 6)) seconds = atoi(__argv[i] + 6);
    }
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    FILE* f = fopen("runprobe.txt", "ab");
    if (!f) return 99;
    fprintf(f, "args=%s\r\ncwd=%s\r\n", GetCommandLineA(), folder);
    if (fclose(f)) return 99;
    Sleep((DWORD)seconds * 1000);
    return code;
}
