#include "RunRecord.h"

#include "NameRule.h"

static uint32_t Le32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
static uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

// Length of the text at `from` up to its NUL, or -1 when no NUL comes
// before `end` or the text does not fit `capacity` with its NUL.
static int Field(const uint8_t* from, const uint8_t* end, uint32_t capacity) {
    for (const uint8_t* p = from; p < end; ++p) {
        if ((uint32_t)(p - from) >= capacity) return -1;
        if (!*p) return (int)(p - from);
    }
    return -1;
}

// The fields the stub can act on: a command that names a file inside the
// extract folder, or none; and not both empty.
static bool Acceptable(const char* command, int commandLength, int folderLength) {
    if (commandLength == 0) return folderLength > 0;
    const char last = command[commandLength - 1];
    return last != '\\' && last != '/' && IsConfinedName(command);
}

RunRecordStatus ReadRunRecord(const uint8_t* tail, uint32_t size, RunRecord* record) {
    record->command[0] = 0;
    record->folder[0] = 0;
    if (size < kRunTrailerSize) return RunRecordNone;
    const uint8_t* trailer = tail + size - kRunTrailerSize;
    if (Le32(trailer) != kRunSignature) return RunRecordNone;
    const uint32_t body = Le16(trailer + 4);
    if (Le16(trailer + 6) != 0 || body > size - kRunTrailerSize || body > kRunBodyMax)
        return RunRecordDamaged;
    const uint8_t* start = trailer - body;
    const int command = Field(start, trailer, kRunCommandCapacity);
    if (command < 0) return RunRecordDamaged;
    const uint8_t* folderAt = start + command + 1;
    const int folder = Field(folderAt, trailer, kRunFolderCapacity);
    if (folder < 0 || folderAt + folder + 1 != trailer) return RunRecordDamaged;
    for (int i = 0; i <= command; ++i) record->command[i] = (char)start[i];
    if (!Acceptable(record->command, command, folder)) {
        record->command[0] = 0;
        return RunRecordDamaged;
    }
    for (int i = 0; i <= folder; ++i) record->folder[i] = (char)folderAt[i];
    return RunRecordFound;
}

uint32_t WriteRunRecord(const char* command, const char* folder, uint8_t* out, uint32_t capacity) {
    uint32_t commandLength = 0, folderLength = 0;
    while (command[commandLength] && commandLength < kRunCommandCapacity) ++commandLength;
    while (folder[folderLength] && folderLength < kRunFolderCapacity) ++folderLength;
    if (commandLength >= kRunCommandCapacity || folderLength >= kRunFolderCapacity ||
        !Acceptable(command, (int)commandLength, (int)folderLength))
        return 0;
    const uint32_t body = commandLength + 1 + folderLength + 1;
    const uint32_t size = body + kRunTrailerSize;
    if (size > capacity) return 0;
    uint8_t* p = out;
    for (uint32_t i = 0; i <= commandLength; ++i) *p++ = (uint8_t)command[i];
    for (uint32_t i = 0; i <= folderLength; ++i) *p++ = (uint8_t)folder[i];
    const uint8_t trailer[kRunTrailerSize] = {'K', 'Z', 'r', 'n', (uint8_t)body, (uint8_t)(body >> 8), 0, 0};
    for (uint32_t i = 0; i < kRunTrailerSize; ++i) *p++ = trailer[i];
    return size;
}
