// Holds a file open as a running program holds its own files or Explorer a
// loaded shell extension: without delete sharing, so that nobody can delete
// or rename it meanwhile; with "exclusive", nobody can read it either.
// Prints "held" once the file is open, then waits until the file RELEASE
// exists (at most two minutes) and closes it.
// Usage: holdopen FILE RELEASE [exclusive]
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && lstrcmpA(argv[3], "exclusive") == 0)) return 2;
    DWORD share = argc == 4 ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE f =
        CreateFileA(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    DWORD put = 0;
    if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "held\n", 5, &put, nullptr) || put != 5) return 1;
    for (int i = 0; i < 1200 && GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    CloseHandle(f);
    return 0;
}
