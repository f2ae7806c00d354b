#pragma once
// Our -lh5- encoder: LZ77 over an 8 KiB dictionary with hash chains and lazy
// matching, static Huffman codes per block limited to 16 bits. Its output is
// what LHA tools call the -lh5- stream (no archive header around it).

#include <cstddef>
#include <cstdint>
#include <vector>

struct LzhOptions {
    int maxChain = 256;             // match candidates tried per position
    int niceLength = 256;           // stop searching at a match this long
    uint32_t blockSymbols = 32768;  // symbols per block (at most 65535)
};

std::vector<uint8_t> CompressLzh(const uint8_t* data, size_t size, const LzhOptions& options = {});
