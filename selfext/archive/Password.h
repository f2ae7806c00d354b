#pragma once
// Opening an encrypted entry: read its 12-byte encryption header, try the
// remembered password, then ask the user at most three times. The dialog
// sits behind PasswordPrompt so the procedure runs without a window in tests.

#include <stdint.h>

#include "Archive.h"
#include "Cipher.h"
#include "Decode.h"

const int kPasswordCapacity = 25;  // 24 characters and a NUL

// The password last typed, right or wrong. Lives for the process; starts
// empty, so the first encrypted entry always asks. The LZH decoder derives
// its keys from it.
struct RememberedPassword {
    char text[kPasswordCapacity];
    int length;
};

struct PasswordPrompt {
    // Shows the password dialog once. Writes at most 24 characters and a NUL
    // into `buffer` and returns their count (0 for an empty answer, which
    // counts as a refused attempt).
    int (*Ask)(PasswordPrompt* self, char buffer[kPasswordCapacity]);
};

const int kPasswordAttempts = 3;

// Reads the encryption header from `in` (lowering `remaining` by 12), then
// checks it against `remembered` and, failing that, against up to three
// answers of `prompt`, each of which becomes the remembered password. On true
// `in->keys` stand behind the header. On false the caller ends the pass. A
// header cut short by the end of the data is still tried (its missing bytes
// read as zero), so the outcome is decided by the password alone.
bool ObtainPassword(const EntryHeader* header, EntryInput* in, RememberedPassword* remembered,
                    PasswordPrompt* prompt);
