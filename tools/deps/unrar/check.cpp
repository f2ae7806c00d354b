// Linked against the import library only: every function the kit calls must
// resolve for a caller compiled against our copy of the header.
#include <windows.h>
#include <unrar/dll.hpp>

int main() {
    RAROpenArchiveData d = {};
    HANDLE h = RAROpenArchive(&d);
    if (h) RARCloseArchive(h);
    RARHeaderData hd = {};
    RARReadHeader(0, &hd);
    RARHeaderDataEx hx = {};
    RARReadHeaderEx(0, &hx);
    RARProcessFile(0, RAR_SKIP, 0, 0);
    RARSetChangeVolProc(0, 0);
    RARSetProcessDataProc(0, 0);
    RARSetPassword(0, 0);
    return RARGetDllVersion() == RAR_DLL_VERSION ? 0 : 1;
}
