#include "Password.h"

static int CutAtNul(const char* text, int length) {
    int n = 0;
    while (n < length && n < kPasswordCapacity - 1 && text[n]) ++n;
    return n;
}

bool ObtainPassword(const EntryHeader* header, EntryInput* in, RememberedPassword* remembered,
                    PasswordPrompt* prompt) {
    EncryptionHeader copy;
    for (int i = 0; i < 2 * kEncryptionHeaderSize; ++i) copy.bytes[i] = 0;
    uint32_t want = in->remaining > 0 ? (uint32_t)in->remaining : 0;
    if (want > (uint32_t)kEncryptionHeaderSize) want = kEncryptionHeaderSize;
    uint32_t got = want ? in->source->Read(in->source, copy.bytes, want) : 0;
    if (got > want) got = 0;
    for (int i = 0; i < kEncryptionHeaderSize; ++i) copy.bytes[kEncryptionHeaderSize + i] = copy.bytes[i];
    in->remaining -= kEncryptionHeaderSize;

    remembered->length = CutAtNul(remembered->text, remembered->length);
    remembered->text[remembered->length] = 0;
    if (remembered->length > 0 &&
        CheckEncryptionHeader(&copy, header->flags, remembered->text, remembered->length, header->dosDateTime,
                              header->crc, &in->keys))
        return true;

    for (int attempt = 0; attempt < kPasswordAttempts; ++attempt) {
        char typed[kPasswordCapacity];
        for (int i = 0; i < kPasswordCapacity; ++i) typed[i] = 0;
        int count = prompt->Ask(prompt, typed);
        if (count < 0) count = 0;
        count = CutAtNul(typed, count);
        for (int i = 0; i < count; ++i) remembered->text[i] = typed[i];
        remembered->text[count] = 0;
        remembered->length = count;
        if (CheckEncryptionHeader(&copy, header->flags, remembered->text, count, header->dosDateTime,
                                  header->crc, &in->keys))
            return true;
    }
    return false;
}
