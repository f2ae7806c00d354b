#pragma once
// The three decoders of entry data: stored (method 0), LZH -lh5- (method 1,
// 8 KiB dictionary) and raw Deflate (method 8). Each reads the entry's data
// from a ByteSource through its own chunked reader (deciphering in place when
// the entry is encrypted), writes its output to a ByteSink and runs the CRC
// over every block it wrote. They never seek, never allocate and never touch
// memory outside the caller's workspace, whatever the bytes.
//
// The status says why a decoder stopped. Damage that does not stop a decoder
// shows up in the CRC; a decoder that stops early leaves the CRC over what
// it wrote, which then normally fails the entry's check. Callers must not
// count an entry as good when the status is DecodeWriteFailed, whatever the
// CRC says (a disk that fills up would otherwise pass).

#include <stdint.h>

#include "Archive.h"
#include "Cipher.h"
#include "Streams.h"

enum DecodeStatus {
    DecodeOk,                 // the stream ended as its format says
    DecodeInputEnded,         // the data ran out before the stream ended
    DecodeWriteFailed,        // the sink refused a block
    DecodeUnsupportedMethod,  // DecodeEntry only: method is not 0, 1 or 8
    DecodeTooLong,            // Deflate: more output than the entry declares
    // Deflate
    DecodeBadBlockType,     // block type 3
    DecodeBadStoredLength,  // LEN and NLEN not complementary
    DecodeBadCodeCounts,    // more than 286 literal/length or 30 distance codes
    DecodeBadCodeLengths,   // over-subscribed or incomplete code set
    DecodeBadRepeat,        // a repeat code before the first length or past the count
    DecodeBadSymbol,        // literal/length 286-287 or distance 30-31
    DecodeBadDistance,      // a match reaching before the first output byte
    // LZH
    DecodeBadLzhTable,  // code lengths above 16 or not filling the code space
};

// Data bytes of the entry still to be read, and how to decipher them. The
// caller fills it before decoding: `remaining` is the compressed size (less
// the 12 header bytes for an encrypted entry, as the password procedure
// leaves it), `keys` the state the header check left.
struct EntryInput {
    ByteSource* source;  // standing at the first data byte
    int32_t remaining;   // lowered by every byte read; <= 0 means no data
    bool encrypted;
    CipherKeys keys;
};

// Scratch memory for any one decoder. Large (about 200 KiB) and meant for
// static storage in the stub; its contents need no initialisation and carry
// nothing from one call to the next.
struct DecodeWorkspace {
    alignas(8) uint8_t bytes[212 * 1024];
};

DecodeStatus DecodeStored(EntryInput* in, ByteSink* out, uint32_t* crcRegister, DecodeWorkspace* work);

// Stops when `uncompressedSize` bytes are out (a final match may run past it,
// as the format allows), or at a block size of 0. Data ending early reads as
// zero bits, so a short entry always terminates.
DecodeStatus DecodeLzh(EntryInput* in, int32_t uncompressedSize, ByteSink* out, uint32_t* crcRegister,
                       DecodeWorkspace* work);

// RFC 1951. Stops at the end of the final block; data ending early or any
// violation of the format stops it with the matching status. Output beyond
// `maxOutput` bytes never reaches the sink: the decoder stops with
// DecodeTooLong instead, so a small hostile stream cannot fill the disk.
DecodeStatus DecodeDeflate(EntryInput* in, ByteSink* out, uint32_t* crcRegister, DecodeWorkspace* work,
                           uint32_t maxOutput = 0xFFFFFFFFu);

// Picks the decoder by the header's method. For an encrypted LZH entry the
// keys are first set afresh from `password`: that method's data is enciphered
// with keys that have seen the password only, not the encryption header.
// Deflate output is bounded by the header's uncompressed size.
DecodeStatus DecodeEntry(const EntryHeader* header, EntryInput* in, const char* password, int passwordLength,
                         ByteSink* out, uint32_t* crcRegister, DecodeWorkspace* work);
