// The self-extractor: a copy of this program with an archive appended. It
// opens its own file, shows the "Self Extract" dialog and unpacks what the
// user selects. There is no C runtime start-up: the entry point below is the
// whole of it, which keeps the program small and its imports few.

#include <windows.h>

#include "Crc32.h"
#include "PeImage.h"
#include "SelfExtState.h"
#include "WindowUtil.h"

static const char kMakerAddress[] = "http://www.varnel.example/";

static void Box(const char* text, const char* caption) { MessageBoxA(0, text, caption, MB_OK); }

static void RunDialog() {
    if (!RegisterDialogClasses()) {
        Box("Couldn't start the dialog.", "Error");
        return;
    }
    MainDialog = CreateDialogParamA(Instance, "SEMainDialogClass", 0, 0, 0);
    if (!MainDialog) {
        Box("Couldn't start the dialog.", "Error");
        return;
    }
    ShowWindow(MainDialog, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageA(&msg, 0, 0, 0) > 0) {
        if (IsDialogMessageA(MainDialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Entered straight from the loader, whose stack alignment the compiler must
// not assume.
extern "C" __attribute__((force_align_arg_pointer)) void SelfExtEntry() {
    RestrictDllSearch();
    Instance = GetModuleHandleA(0);
    HANDLE heap = GetProcessHeap();
    BrowsePath = (char*)HeapAlloc(heap, HEAP_ZERO_MEMORY, kBrowsePathSize);
    Settings.archiveStart = kStubSize;

    char self[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(0, self, MAX_PATH);
    self[length <= MAX_PATH ? length : MAX_PATH] = 0;
    ArchiveHandle =
        CreateFileA(self, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (ArchiveHandle == INVALID_HANDLE_VALUE) {
        Box(self, "Couldn't open...");
        ExitProcess(0);
    }
    BuildCrcTable();
    DWORD high = 0;
    DWORD size = GetFileSize(ArchiveHandle, &high);
    // A signed file ends in its certificate table, which the image's own
    // header locates; the loader has mapped that header at Instance.
    ArchiveLimit = high ? 0xFFFFFFFFu : ArchiveEnd((const uint8_t*)Instance, 1024, kStubSize, size);
    if (high == 0 && ArchiveLimit == kStubSize)
        Box("Couldn't find archive.", kMakerAddress);
    else
        RunDialog();
    if (!CloseHandle(ArchiveHandle)) Box("Error closing archive", "Error");
    HeapFree(heap, 0, BrowsePath);
    ExitProcess(0);
}
