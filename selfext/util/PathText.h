#pragma once
// Pure text helpers of the self-extractor: splitting paths, separators and
// bounded copies. No windows.h, no heap; every output buffer comes with its
// capacity and is always terminated. Paths are byte strings in the system
// code page with '\' as separator; '/' is accepted in stored names.

#include <stddef.h>
#include <stdint.h>

const int kPathCapacity = 256;  // 255 characters and a NUL

// True for '\' and '/'.
bool IsSlash(char c);

// Position (from 0) of the last '\', '/' or ':' in `path`, or -1.
int LastSeparator(const char* path);

// The folder part of a path: C:\DIR\FILE gives C:\DIR, C:\FILE gives C:\,
// AB\FILE gives AB, C:FILE gives C:, a bare name or \FILE gives "". A three-
// character path holding ':' is returned whole (a drive root stays C:\).
// Returns the length written (cut to capacity - 1).
int DirectoryPart(const char* path, char* out, int capacity);

// What follows the last '\', '/' or ':', at most 255 characters (and at most
// capacity - 1). A name ending in a separator gives "". Returns the length.
int NamePart(const char* path, char* out, int capacity);

// Turns every '/' into '\', in place. Returns `text`.
char* ToBackslashes(char* text);

// Appends '\' unless the text is empty or already ends in '\'. Returns false
// (and leaves the text alone) when the buffer has no room for it, so a 255-
// character path in a 256-byte buffer is never overrun.
bool AppendMissingBackslash(char* buffer, int capacity);

// The first `length` bytes, cut before the first NUL, into `out` (cut to
// capacity - 1). Returns the length written.
int BufferToString(const uint8_t* bytes, int length, char* out, int capacity);

// The find pattern for testing whether a path exists: path + "*.*" when it
// ends in '\', else the path itself, with '/' turned into '\'. Returns false
// when the pattern would not fit in `capacity` (the stub uses 255).
bool MakeFindPattern(const char* path, char* pattern, int capacity);

// The origin that centres `size` on `screen`; negative when the window is
// larger (signed division rounding toward zero).
int CenteredOrigin(int screen, int size);

// Copies `text` into `out` (cut to capacity - 1); returns the length.
int CopyText(char* out, int capacity, const char* text);

// Appends `text` to the text in `out` (cut to capacity - 1); returns the new length.
int AppendText(char* out, int capacity, const char* text);

// Appends `value` in decimal digits (cut to capacity - 1); returns the new length.
int AppendDecimal(char* out, int capacity, uint32_t value);

int TextLength(const char* text);
void CopyBytes(void* to, const void* from, size_t count);
void FillZero(void* to, size_t count);
inline int MinInt(int a, int b) { return a < b ? a : b; }
inline uint16_t HighWord(uint32_t value) { return (uint16_t)(value >> 16); }
inline uint8_t SecondByte(uint32_t value) { return (uint8_t)(value >> 8); }
