// The sample product's program: proves that the installed shortcut starts it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "Varnel 2.0 샘플 프로그램입니다.", "Varnel", MB_OK | MB_ICONINFORMATION);
    return 0;
}
