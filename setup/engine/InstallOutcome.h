// How an install run ended. The lists are closed: whoever runs the install
// (the wizard, a run without windows) turns each value into its own message
// or exit code; the run itself makes no text.
#pragma once

#include <string>

enum TRunStatus {
    rsCompleted,  // every step done, INSTALL.LOG written
    rsCancelled,  // the user gave up (the form's button or close, the diskette prompt); undone
    rsFailed,     // a step failed; undone
};

// Why a run failed; Subject in TInstallOutcome names what it concerns.
enum TInstallFault {
    ifNone,
    ifArchiveDamaged,    // not a RAR archive, or its headers or an entry's data are damaged
    ifArchiveEncrypted,  // an entry needs a password, which setup never has
    ifVolumeMissing,     // the next volume of a split archive is not there (Subject: that volume)
    ifEntryRefused,      // the archive component would not extract an entry (unsafe name, link, ...)
    ifSourceUnreadable,  // a file of the distribution cannot be read (Subject: that file)
    ifSourceMissing,     // an unattended run found an item's file missing: no one to ask for a diskette
    ifCannotWrite,       // a file or folder cannot be made or replaced (read-only, in use, no right)
    ifDiskFull,          // the disk took no more bytes
    ifShortcutFailed,    // a shortcut could not be saved
    ifRegistryFailed,    // the uninstall entry could not be written (Subject: its key)
    ifOutOfMemory,
    ifPathTooLong,  // a path to write is longer than the narrow calls of setup and the
                    // uninstaller take (Subject: that path); found before anything of it changes
    ifEarlierRunLeft,  // a run stopped before its end (killed) could not be undone: this
                       // one changed nothing (Subject: what could not be put back)
    ifUnexpected,      // an error the run has no name for
};

struct TInstallOutcome {
    TRunStatus Status = rsCompleted;
    TInstallFault Fault = ifNone;
    int Item = 0;         // the script's item number (FILEn) the fault happened in; 0 outside items
    std::string Subject;  // the file, folder or key the fault concerns (full path)
    // After a cancel or a failure: empty when all the run did was undone,
    // else the first file or key that could not be put back as it was.
    std::string NotRestored;
    // A run stopped before its end was found and undone before this one.
    bool EarlierRunUndone = false;
};
