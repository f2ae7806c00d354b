#pragma once
// The traditional PKWARE stream cipher (three 32-bit keys advanced by every
// plain byte) and the 12-byte encryption header that opens an encrypted
// entry. Needs BuildCrcTable() to have run.

#include <stdint.h>

const int kEncryptionHeaderSize = 12;

struct CipherKeys {
    uint32_t key0, key1, key2;
};

// Keys from a password: the fixed start values, then each password byte
// advances them. Bytes are taken as they are (the system code page).
void SetKeys(CipherKeys* keys, const char* password, int length);

// Advances the keys with one plain byte.
void UpdateKeys(CipherKeys* keys, uint8_t plain);

// The byte XORed into the next plain byte.
uint8_t KeystreamByte(const CipherKeys* keys);

uint8_t DecipherByte(CipherKeys* keys, uint8_t cipher);
uint8_t EncipherByte(CipherKeys* keys, uint8_t plain);

// In place, byte by byte in order.
void DecipherBlock(CipherKeys* keys, uint8_t* data, uint32_t size);
void EncipherBlock(CipherKeys* keys, uint8_t* data, uint32_t size);

// The encryption header as read (bytes 12..23) and its latest deciphering
// (bytes 0..11). The enciphered copy is kept so the check can be repeated
// with another password.
struct EncryptionHeader {
    uint8_t bytes[2 * kEncryptionHeaderSize];
};

// The check byte the header must decipher to: the high byte of the DOS time
// (bits 8-15 of dosDateTime) when kFlagCheckByteFromTime is set, else the high
// byte of the stored CRC.
uint8_t ExpectedCheckByte(uint8_t flags, uint32_t dosDateTime, uint32_t storedCrc);

// Tries `password` on the header. An empty password is a plain no and
// leaves `keys` untouched. Otherwise the keys are set from the password and
// advanced through the 12 header bytes; on yes they stand right behind the
// header, ready for the stored and Deflate data.
bool CheckEncryptionHeader(EncryptionHeader* header, uint8_t flags, const char* password, int length,
                           uint32_t dosDateTime, uint32_t storedCrc, CipherKeys* keys);
