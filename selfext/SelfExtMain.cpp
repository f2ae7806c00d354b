// The self-extractor: a copy of this program with an archive appended. It
// opens its own file, shows the "Self Extract" dialog and unpacks what the
// user selects; with /S it unpacks everything with no window at all. Either
// way it then starts the program the packer recorded, if any. There is no
// C runtime start-up: the entry point below is the whole of it, which keeps
// the program small and its imports few.

#include <windows.h>

#include "Crc32.h"
#include "Launch.h"
#include "PassFiles.h"
#include "PeImage.h"
#include "SelfExtState.h"
#include "SilentRun.h"
#include "Staging.h"
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

// The record in the padding that ends at the archive start (RunRecord.h).
static RunRecordStatus LoadRunRecord() {
    uint8_t tail[kRunRecordMax];
    ByteSource* source = ArchiveSource();
    if (source->Seek(source, kStubSize - kRunRecordMax) < 0 ||
        source->Read(source, tail, sizeof tail) != sizeof tail)
        return RunRecordNone;
    return ReadRunRecord(tail, sizeof tail, &Run);
}

// Unpacks every entry and runs the recorded program, if any, waiting for
// it; returns the exit code. With a program, into a private folder made for
// this run beside /D= or the recorded folder (Staging.h), removed once the
// program has ended; without one, into /D=, the recorded folder or the
// current one, where the files stay. The folder may stay relative: nothing
// here changes the current folder before StartProgram makes it absolute.
static UINT RunSilent(const SilentOptions& options) {
    const bool starts = Run.command[0] != 0;
    const char* folder = options.folder[0] ? options.folder : Run.folder[0] || starts ? Run.folder : ".";
    DWORD length = ExpandEnvironmentStringsA(folder, Settings.extractPath, sizeof Settings.extractPath);
    if (!length || length > sizeof Settings.extractPath) return SilentExtractFailed;
    Staging staging;
    if (starts) {
        if (!MakeStaging(Settings.extractPath, &staging)) return SilentStagingFailed;
        CopyText(Settings.extractPath, sizeof Settings.extractPath, staging.path);
    }
    Settings.password = options.password;

    SilentHost host;
    MakeSilentHost(&host);
    SetFileHost(&host.base);
    UINT code = ExtractSilently(&host, ArchiveSource(), &Settings, &Workspace, ArchiveLimit);
    if (!starts) return code;
    if (code == SilentExtracted) {
        char file[kStartPathCapacity];
        HANDLE process = StartProgram(Settings.extractPath, Run.command, options.arguments, file);
        code = SilentStartFailed;
        if (process) {
            DWORD exitCode;
            WaitForSingleObject(process, INFINITE);
            if (GetExitCodeProcess(process, &exitCode)) code = exitCode;
            CloseHandle(process);
        }
    }
    RemoveStaging(&staging);
    return code;
}

// Entered straight from the loader, whose stack alignment the compiler must
// not assume.
extern "C" __attribute__((force_align_arg_pointer)) void SelfExtEntry() {
    RestrictDllSearch();
    Instance = GetModuleHandleA(0);
    SilentOptions silentOptions;
    const CommandLineStatus mode = ParseCommandLine(GetCommandLineA(), &silentOptions);
    if (mode == CommandBad) ExitProcess(SilentBadCommandLine);
    const bool silent = mode == CommandSilent;
    HANDLE heap = GetProcessHeap();
    BrowsePath = (char*)HeapAlloc(heap, HEAP_ZERO_MEMORY, kBrowsePathSize);
    Settings.archiveStart = kStubSize;

    char self[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(0, self, MAX_PATH);
    self[length <= MAX_PATH ? length : MAX_PATH] = 0;
    ArchiveHandle =
        CreateFileA(self, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (ArchiveHandle == INVALID_HANDLE_VALUE) {
        if (silent) ExitProcess(SilentNoArchive);
        Box(self, "Couldn't open...");
        ExitProcess(0);
    }
    BuildCrcTable();
    DWORD high = 0;
    DWORD size = GetFileSize(ArchiveHandle, &high);
    // A signed file ends in its certificate table, which the image's own
    // header locates; the loader has mapped that header at Instance.
    ArchiveLimit = high ? 0xFFFFFFFFu : ArchiveEnd((const uint8_t*)Instance, 1024, kStubSize, size);
    const bool noArchive = high == 0 && ArchiveLimit == kStubSize;
    const RunRecordStatus record = LoadRunRecord();
    UINT code = 0;
    if (silent)
        code = noArchive || record == RunRecordDamaged ? (UINT)SilentNoArchive : RunSilent(silentOptions);
    else if (noArchive)
        Box("Couldn't find archive.", kMakerAddress);
    else
        RunDialog();
    if (!CloseHandle(ArchiveHandle) && !silent) Box("Error closing archive", "Error");
    HeapFree(heap, 0, BrowsePath);
    ExitProcess(code);
}
