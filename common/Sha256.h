#pragma once
// SHA-256 (FIPS 180-4): the digest that binds an install log to the install
// that wrote it. Setup records it in the uninstall entry, which only
// administrators may change; the uninstaller checks the log against it.

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t size);
    // The digest as 64 lower-case hexadecimal digits; ends this hash.
    std::string HexDigest();

    static std::string Hex(const std::string& bytes);

private:
    void Block(const uint8_t* block);
    uint32_t state_[8];
    uint8_t buffer_[64];
    size_t buffered_ = 0;
    uint64_t length_ = 0;  // bytes hashed so far
};
