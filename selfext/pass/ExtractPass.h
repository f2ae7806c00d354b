#pragma once
// ProcessArchive: the one walk over the attached archive, run as list pass
// (fills the file list) or extract pass (writes the selected entries). It
// talks to the main dialog and the file system only through PassHost, so a
// test drives it without a window or a disk.
//
// The file list is both input and output of the extract pass: a selected
// line means "extract"; the pass deselects every line whose entry passed its
// CRC check or was skipped on purpose, so the lines still selected afterwards
// are the entries that failed or were never reached.

#include <stdint.h>

#include "Archive.h"
#include "Decode.h"
#include "Password.h"
#include "Streams.h"

enum OverwriteMode : uint8_t {
    OverwriteAlways = 0,
    OverwriteSkip = 1,
    OverwriteConfirm = 2,
};

// Message boxes a pass raises. The host makes their text; `detail` is the
// path or name the box shows, or null.
enum PassNotice {
    NoticeSeekFailed,         // the archive start cannot be reached
    NoticeBadName,            // empty or overlong stored name; the pass ends
    NoticeNoEntries,          // list pass found nothing to list
    NoticeUnsafeName,         // a stored name that would leave the extract path
                              // (detail: the name); raised once per pass
    NoticeFolderFailed,       // detail: the folder that could not be created
    NoticeCreateFailed,       // detail: the target path
    NoticeUnsupportedMethod,  // the pass ends at once, without summary
    NoticeCloseFailed,        // the verified file could not be closed or put
                              // in place (detail: the target path)
    NoticeNothingSelected,    // extract pass with no selected line
    NoticeFailures,           // the pass left failed entries (detail: summary text)
};

// The status line's contents during and after an extract pass.
enum PassStatus {
    StatusExtracting,  // detail: the target path
    StatusAllPassed,   // every selected entry passed or was skipped
    StatusFailed,      // some lines are still selected
    StatusCancelled,   // the user stopped the pass; unreached lines stay selected
    StatusNothingSelected,
};

// Everything outside the pass, in three parts by concern. Function pointers
// rather than virtual functions so that the stub needs no C++ runtime
// support; the parts are held in the host rather than pointed to, so a call
// costs no more than one through a single table. Every member must be set.
// Each member gets the whole host, for hosts that keep state beside it.
struct PassHost;

// The file list, in the order of its sorted lines; indices are line numbers.
struct PassList {
    void (*Reset)(PassHost* self);
    void (*Add)(PassHost* self, const char* line);
    int (*Count)(PassHost* self);
    // Index of the line whose whole text equals `name` ignoring case,
    // searching after `after` and wrapping round (-1: from the top); -1 when
    // there is none.
    int (*Find)(PassHost* self, const char* name, int after);
    bool (*Selected)(PassHost* self, int index);
    void (*Deselect)(PassHost* self, int index);
    int (*SelectedCount)(PassHost* self);
};

// The disk under the extract path. Paths are those the pass built from the
// extract path and a checked stored name.
struct PassFiles {
    // True when something is at `path`; may turn '/' into '\' in it.
    bool (*PathFound)(PassHost* self, char* path);
    // Makes every missing folder of `path`; the pass checks with PathFound.
    void (*MakeDirectoryTree)(PassHost* self, const char* path);
    // Where an entry's bytes go before they are known to be right: a new
    // temporary file in the folder of `target`. Null when it cannot be made,
    // or when `target` exists and could not be replaced (read-only, held
    // open). Nothing at `target` changes here.
    ByteSink* (*CreateOutput)(PassHost* self, const char* target);
    // Ends a file CreateOutput gave; called exactly once for each. With
    // `keep` (the entry verified): stamps the entry's local DOS time as
    // last-write and last-access time, closes the file and puts it in place
    // of `target`, replacing an existing file; false when any of that failed,
    // the target then being as it was. Without `keep`: closes and deletes the
    // temporary file, leaving `target` untouched; true.
    bool (*FinishOutput)(PassHost* self, ByteSink* file, const char* target, uint32_t dosDateTime, bool keep);
};

// What the user sees and decides.
struct PassUser {
    // "Use Stored Paths": read at every entry; NoStoredPaths unticks and
    // disables it when a pass walked the whole archive and met no name with
    // a folder (never after a pass that ended early: the names it did not
    // reach may have folders).
    bool (*StoredPaths)(PassHost* self);
    void (*NoStoredPaths)(PassHost* self);
    // A message box; returns once it is answered.
    void (*Notice)(PassHost* self, PassNotice notice, const char* detail);
    // StatusExtracting also lets the window repaint (one queued message).
    void (*Status)(PassHost* self, PassStatus status, const char* detail);
    // `done` of `total` bytes of the selected entries are through. May
    // handle the progress window's input.
    void (*Progress)(PassHost* self, uint32_t done, uint32_t total);
    // True once the user asked to stop; the pass ends after the current file.
    bool (*Cancelled)(PassHost* self);
    // The overwrite prompt for an existing target whose file name is `name`.
    // Returns true to overwrite. May change the pass's overwrite mode.
    bool (*AskOverwrite)(PassHost* self, const char* name);
};

struct PassHost {
    PassList list;
    PassFiles files;
    PassUser user;
    PasswordPrompt* prompt;  // asked for an encrypted entry's password
};

// What a pass reads and changes besides the list. Owned by the caller and
// alive for the process.
struct PassSettings {
    uint32_t archiveStart;        // offset of the first entry in the source
    uint32_t walkEnd;             // set by a pass that walked to the end: the
                                  // offset where it found no further entry
    char extractPath[256];        // target directory, at most 255 characters
    uint8_t overwriteMode;        // OverwriteMode; the prompt may change it
    RememberedPassword password;  // survives from pass to pass
};

// How a pass ended, for a caller that acts on the result (the silent run,
// and the start of the recorded program after an extract pass).
enum PassOutcome {
    PassListed,             // list pass: the archive was walked and something listed
    PassNoEntries,          // list pass: nothing to list
    PassAllPassed,          // extract pass: every selected entry passed or was skipped on purpose
    PassFailed,             // extract pass: some lines are still selected
    PassCancelled,          // extract pass: the user stopped it
    PassNothingSelected,    // extract pass: no line was selected
    PassPasswordRefused,    // extract pass: the password was refused; the loop ended there
    PassUnsupportedMethod,  // extract pass: an entry's method is unknown; the pass ended there
    PassUnreadable,         // the archive start cannot be reached, or a stored name is
                            // empty or too long; the pass ended there
};

// One pass. `work` is scratch space for the decoders (static storage in the
// stub). Returns when the pass is over; every message it raised has been
// answered by then.
PassOutcome ProcessArchive(PassHost* host, ByteSource* source, PassSettings* settings, bool listOnly,
                           DecodeWorkspace* work);
