#pragma once
// The unattended run of a self-extracting file: its command line, and the
// extract pass with every entry selected and nobody to ask. Portable; the
// stub adds the file system, starts the recorded program and waits for it.

#include <stdint.h>

#include "ExtractPass.h"
#include "PathText.h"

// The command line. Without /S it is not looked at: the interactive program
// takes no arguments. With it, in any letter case and order, each at most
// once, all before "--":
//   /S            unpack with no window at all and ask nothing
//   /D=folder     the extract folder (else the recorded one, else the current one)
//   /P=password   the password of encrypted entries
//   -- arguments  the rest of the line goes unchanged to the recorded program
// A value may be quoted in part or whole (/D="C:\Program Files\X"): quotes
// group blanks and are dropped; a backslash is an ordinary character, so a
// folder may end in one before the closing quote.
enum CommandLineStatus {
    CommandInteractive,  // no /S
    CommandSilent,       // /S and nothing wrong
    CommandBad,          // /S with an unknown or repeated switch, or a value that is
                         // empty or too long (folder 255, password 24 characters)
};

struct SilentOptions {
    char folder[kPathCapacity];   // "" when /D= was not given
    RememberedPassword password;  // empty when /P= was not given
    const char* arguments;        // points into the line; "" when there are none
};

// `line` is the whole command line, the program's own name first (quoted or
// not), NUL-terminated; it must outlive `options`.
CommandLineStatus ParseCommandLine(const char* line, SilentOptions* options);

// Exit codes of a silent run that started nothing; once the recorded program
// has run, the stub exits with that program's code instead. Far from the
// small codes installers use for themselves.
enum SilentExit {
    SilentExtracted = 0,  // every entry in place and nothing recorded to start
    SilentBadCommandLine = 101,
    SilentNoArchive = 102,      // the own file unreadable, no archive, nothing in it,
                                // a damaged entry header or run record, bytes after
                                // the last entry that are no entry
    SilentNeedsPassword = 103,  // an encrypted entry and no /P=, or the wrong one
    SilentExtractFailed = 104,  // some entry not in place: CRC, disk, folder, unsafe
                                // name, unknown method; nothing started
    SilentStartFailed = 105,    // the recorded program could not be started or awaited
    SilentStagingFailed = 106,  // no private folder could be made to unpack into
};

// The folder an unattended run unpacks into when it starts a program, which
// may then ask for administrator rights: never one that existed before, so
// nothing another user prepared lies beside that program. `base` is the /D=
// or recorded folder, expanded; the new folder is its sibling, named after
// it with '.' and the eight hex digits of `random` (a drive or a bare root
// gets a folder "Setup" of that kind). False when that exceeds capacity - 1.
bool StagingPath(const char* base, uint32_t random, char* out, int capacity);

// That folder's access list in the system's text form: full control for the
// user (`userSid`, as text), Administrators and SYSTEM, passed on to
// everything below, and nothing taken from the parent. False when it does
// not fit.
bool StagingAcl(const char* userSid, char* out, int capacity);

// SYSTEM's SID, as deployment tools run programs.
bool IsSystemSid(const char* sid);

// The pass's host for a silent run: every entry is selected, no text is
// shown, an existing file is replaced (only by a verified one, as always)
// and the password prompt answers nothing. MakeSilentHost sets every member
// but the file system's (base.files), which the caller sets.
struct SilentHost {
    PassHost base;
    PasswordPrompt prompt;
    int lines;   // entries the list pass found, directory entries left out
    int passed;  // entries extracted and verified in the extract pass
};
void MakeSilentHost(SilentHost* host);

// A list pass, then an extract pass into settings->extractPath with
// settings->password tried for encrypted entries. Returns SilentExtracted
// when every entry is in place, otherwise the code that says why not. The
// walk ends at the first bytes that are no entry; when room for a whole
// entry header is left before `archiveEnd` (the file's end, or where its
// signature begins), an entry header is damaged and the entries behind it
// would be lost: the file is refused before anything is written. Less than
// that is the padding a signature puts before its table.
SilentExit ExtractSilently(SilentHost* host, ByteSource* source, PassSettings* settings,
                           DecodeWorkspace* work, uint32_t archiveEnd);
