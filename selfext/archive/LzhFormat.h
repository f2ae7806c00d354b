#pragma once
// The -lh5- format's numbers, which the stub's decoder and the packer's
// encoder must agree on: LZ77 over an 8 KiB dictionary, matches of 3 to 256
// bytes, and three static Huffman code sets per block.

const int kLzhDictionary = 8192;
const int kLzhMinMatch = 3;
const int kLzhMaxMatch = 256;
const int kLzhCharCount = 256 + kLzhMaxMatch - kLzhMinMatch + 1;  // literals, then lengths: 510
const int kLzhPositionCount = 14;                                 // distance classes of the 8 KiB dictionary
const int kLzhLengthCodeCount = 19;                               // the code of the code lengths
const int kLzhMaxCodeLength = 16;
