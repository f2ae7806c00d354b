#pragma once
// Where the archive appended to the stub ends. An Authenticode signature is
// stored in the PE certificate table at the very end of the file, after the
// archive; the file's own PE header says where that table starts (data
// directory 4, IMAGE_DIRECTORY_ENTRY_SECURITY, whose address is a file
// offset). Portable: reads only the bytes it is given.

#include <stdint.h>

// `headers` holds the first `headersSize` bytes of the file (or of its
// mapped image, whose header page is the same). Returns the certificate
// table's offset when the header is a well-formed PE32 or PE32+ header whose
// table lies between `archiveStart` and `fileSize`; otherwise `fileSize`, so
// an unsigned file, or a header that makes no sense, reads as before.
uint32_t ArchiveEnd(const uint8_t* headers, uint32_t headersSize, uint32_t archiveStart, uint32_t fileSize);

// Where a program's own bytes end in its file of `size` bytes: after its
// headers and the raw data of its last section. 0 when `file` holds no
// well-formed PE header; may exceed `size` for a damaged one. The packer
// puts the run record into the zeros that follow.
uint32_t ImageDataEnd(const uint8_t* file, uint32_t size);
