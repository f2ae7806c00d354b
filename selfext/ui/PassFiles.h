#pragma once
// The extract pass's side on the disk, shared by the dialog and the silent
// run.

#include "ExtractPass.h"

// The decoders' scratch space: one pass runs at a time.
extern DecodeWorkspace Workspace;

// The archive: the program's own file (ArchiveHandle) up to ArchiveLimit,
// where a signature's certificate table begins. Rewound for each pass.
ByteSource* ArchiveSource();

// Sets the file-system part of `host`, whose CreateOutput and FinishOutput
// decode each entry into a temporary file beside its target and put it in
// place only once it is verified.
void SetFileHost(PassHost* host);
