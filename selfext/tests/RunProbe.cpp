// runprobe: stands in for the program a self-extracting file starts. It
// appends its command line and current folder to runprobe.txt in that
// folder (or to the file log= names), waits when asked (a time, or until a
// file exists, at most a minute), and exits with the code it is given.
//   runprobe [exit=N] [sleep=SECONDS] [log=FILE] [wait=FILE] [anything...]
// A GUI program without windows, as an installer run with /VERYSILENT is.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int code = 0, seconds = 0;
    const char* log = "runprobe.txt";
    const char* until = 0;
    for (int i = 1; i < __argc; ++i) {
        if (!strncmp(__argv[i], "exit=", 5)) code = atoi(__argv[i] + 5);
        if (!strncmp(__argv[i], "sleep=", 6)) seconds = atoi(__argv[i] + 6);
        if (!strncmp(__argv[i], "log=", 4)) log = __argv[i] + 4;
        if (!strncmp(__argv[i], "wait=", 5)) until = __argv[i] + 5;
    }
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    FILE* f = fopen(log, "ab");
    if (!f) return 99;
    fprintf(f, "args=%s\r\ncwd=%s\r\n", GetCommandLineA(), folder);
    if (fclose(f)) return 99;
    Sleep((DWORD)seconds * 1000);
    for (int i = 0; until && i < 600 && GetFileAttributesA(until) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    return code;
}
