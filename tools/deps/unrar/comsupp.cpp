// The library's Windows half uses _bstr_t, whose conversion helper lives in a
// compiler-support library that mingw-w64 does not have.
#include <windows.h>
#include <comutil.h>

namespace _com_util {
BSTR WINAPI ConvertStringToBSTR(const char* s) {
    if (!s) return NULL;
    int n = MultiByteToWideChar(CP_ACP, 0, s, -1, NULL, 0);
    BSTR b = SysAllocStringLen(NULL, n > 0 ? n - 1 : 0);
    if (b && n > 0) MultiByteToWideChar(CP_ACP, 0, s, -1, b, n);
    return b;
}
}  // namespace _com_util
