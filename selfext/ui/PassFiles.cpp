// The extract pass's side on the disk, for the dialog and the silent run
// alike: the archive read from the program's own file, and each entry
// decoded into a temporary file that replaces its target once verified.

#include "PassFiles.h"

#include "FileUtil.h"
#include "PathText.h"
#include "SelfExtState.h"

DecodeWorkspace Workspace;

static bool PathFoundOnDisk(PassHost*, char* path) { return PathFound(path); }
static void MakeTreeOnDisk(PassHost*, const char* path) { MakeDirectoryTree(path); }

// At most one output file is open at a time: the temporary file that an
// entry is decoded into, beside its target.
struct FileSink {
    ByteSink base;
    HANDLE file;
    char temporary[MAX_PATH];
};
static FileSink Output;

static bool SinkWrite(ByteSink* self, const uint8_t* data, uint32_t size) {
    FileSink* sink = (FileSink*)self;
    DWORD written = 0;
    return WriteFile(sink->file, data, size, &written, 0) && written == size;
}

static ByteSink* HostCreateOutput(PassHost*, const char* target) {
    // An existing target that cannot be written now would only refuse the
    // verified file later; say so before decoding.
    if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
        HANDLE existing = CreateFileA(target, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
        if (existing == INVALID_HANDLE_VALUE) return 0;
        CloseHandle(existing);
    }
    char folder[MAX_PATH];
    if (DirectoryPart(target, folder, sizeof folder) >= (int)sizeof folder - 1) return 0;
    if (!folder[0]) CopyText(folder, sizeof folder, ".");
    if (!GetTempFileNameA(folder, "~sx", 0, Output.temporary)) return 0;
    HANDLE file = CreateFileA(Output.temporary, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(Output.temporary);
        return 0;
    }
    Output.base.Write = SinkWrite;
    Output.file = file;
    return &Output.base;
}

// Replaces `target` by `from`. Windows 95 and 98 lack the replacing move:
// there the old file goes first.
static bool PutInPlace(const char* from, const char* target) {
    if (MoveFileExA(from, target, MOVEFILE_REPLACE_EXISTING)) return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    DeleteFileA(target);
    return MoveFileA(from, target) != 0;
}

static bool HostFinishOutput(PassHost*, ByteSink* sink, const char* target, uint32_t dosDateTime, bool keep) {
    FileSink* out = (FileSink*)sink;
    FILETIME utc;
    if (keep && DosTimeToUtc(dosDateTime, &utc)) SetFileTime(out->file, 0, &utc, &utc);
    bool placed = CloseHandle(out->file) && keep && PutInPlace(out->temporary, target);
    if (!placed) DeleteFileA(out->temporary);
    return placed || !keep;
}

// The archive: the program's own file up to ArchiveLimit, where a
// signature's certificate table begins.
struct FileSource {
    ByteSource base;
    HANDLE file;
    uint32_t position;
};

static uint32_t SourceRead(ByteSource* self, void* buffer, uint32_t size) {
    FileSource* source = (FileSource*)self;
    if (source->position >= ArchiveLimit) return 0;
    if (size > ArchiveLimit - source->position) size = ArchiveLimit - source->position;
    DWORD got = 0;
    if (!ReadFile(source->file, buffer, size, &got, 0)) return 0;
    source->position += got;
    return got;
}

static int64_t SourceSeek(ByteSource* self, uint32_t offset) {
    FileSource* source = (FileSource*)self;
    LONG high = 0;
    DWORD low = SetFilePointer(source->file, (LONG)offset, &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    source->position = offset;
    return ((int64_t)(uint32_t)high << 32) | low;
}

ByteSource* ArchiveSource() {
    static FileSource source;
    source.base.Read = SourceRead;
    source.base.Seek = SourceSeek;
    source.file = ArchiveHandle;
    source.position = 0;
    return &source.base;
}

static const PassFiles kDiskFiles = {PathFoundOnDisk, MakeTreeOnDisk, HostCreateOutput, HostFinishOutput};

void SetFileHost(PassHost* host) { host->files = kDiskFiles; }
