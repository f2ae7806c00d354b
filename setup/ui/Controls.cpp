#include "Controls.h"

#include <commctrl.h>

#include "WindowUtil.h"

bool InitControls(DWORD classes) {
    typedef BOOL(WINAPI * InitFn)(const INITCOMMONCONTROLSEX*);
    static InitFn init;
    if (!init) {
        HMODULE comctl = LoadSystemLibrary("comctl32.dll");  // kept for the process
        if (comctl)
            init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, classes};
    return init && init(&icc);
}
