#include "Cipher.h"

#include "Archive.h"
#include "Crc32.h"

void UpdateKeys(CipherKeys* k, uint8_t plain) {
    k->key0 = CrcStep(k->key0, plain);
    k->key1 = (k->key1 + (k->key0 & 0xFF)) * 134775813u + 1;
    k->key2 = CrcStep(k->key2, (uint8_t)(k->key1 >> 24));
}

void SetKeys(CipherKeys* k, const char* password, int length) {
    k->key0 = 0x12345678u;
    k->key1 = 0x23456789u;
    k->key2 = 0x34567890u;
    for (int i = 0; i < length && i < 255; ++i) UpdateKeys(k, (uint8_t)password[i]);
}

uint8_t KeystreamByte(const CipherKeys* k) {
    uint32_t t = (k->key2 & 0xFFFF) | 2;
    return (uint8_t)((t * (t ^ 1)) >> 8);
}

uint8_t DecipherByte(CipherKeys* k, uint8_t c) {
    uint8_t p = c ^ KeystreamByte(k);
    UpdateKeys(k, p);
    return p;
}

uint8_t EncipherByte(CipherKeys* k, uint8_t p) {
    uint8_t c = p ^ KeystreamByte(k);
    UpdateKeys(k, p);
    return c;
}

// Kept in registers: this loop runs over every byte of an encrypted entry.
void DecipherBlock(CipherKeys* keys, uint8_t* data, uint32_t size) {
    const uint32_t* table = g_CrcTable[0];
    uint32_t k0 = keys->key0, k1 = keys->key1, k2 = keys->key2;
    for (uint32_t i = 0; i < size; ++i) {
        uint32_t t = (k2 & 0xFFFF) | 2;
        uint8_t p = data[i] ^ (uint8_t)((t * (t ^ 1)) >> 8);
        data[i] = p;
        k0 = table[(k0 ^ p) & 0xFF] ^ (k0 >> 8);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
    }
    keys->key0 = k0;
    keys->key1 = k1;
    keys->key2 = k2;
}

void EncipherBlock(CipherKeys* keys, uint8_t* data, uint32_t size) {
    for (uint32_t i = 0; i < size; ++i) data[i] = EncipherByte(keys, data[i]);
}

uint8_t ExpectedCheckByte(uint8_t flags, uint32_t dosDateTime, uint32_t storedCrc) {
    return (flags & kFlagCheckByteFromTime) ? (uint8_t)(dosDateTime >> 8) : (uint8_t)(storedCrc >> 24);
}

bool CheckEncryptionHeader(EncryptionHeader* header, uint8_t flags, const char* password, int length,
                           uint32_t dosDateTime, uint32_t storedCrc, CipherKeys* keys) {
    if (length <= 0 || password[0] == 0) return false;
    SetKeys(keys, password, length);
    for (int i = 0; i < kEncryptionHeaderSize; ++i)
        header->bytes[i] = DecipherByte(keys, header->bytes[kEncryptionHeaderSize + i]);
    return header->bytes[kEncryptionHeaderSize - 1] == ExpectedCheckByte(flags, dosDateTime, storedCrc);
}
