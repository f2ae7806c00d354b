#include "DecodeInternal.h"

DecodeStatus DecodeStored(EntryInput* in, ByteSink* out, uint32_t* crc, DecodeWorkspace* work) {
    uint8_t* buffer = work->bytes;
    while (in->remaining > 0) {
        uint32_t want = (uint32_t)in->remaining < kInputChunk ? (uint32_t)in->remaining : kInputChunk;
        uint32_t got = in->source->Read(in->source, buffer, want);
        if (got == 0 || got > want) return DecodeInputEnded;
        in->remaining -= (int32_t)got;
        if (in->encrypted) DecipherBlock(&in->keys, buffer, got);
        if (!out->Write(out, buffer, got)) return DecodeWriteFailed;
        *crc = CrcUpdate(*crc, buffer, got);
    }
    return DecodeOk;
}

DecodeStatus DecodeEntry(const EntryHeader* header, EntryInput* in, const char* password, int passwordLength,
                         ByteSink* out, uint32_t* crc, DecodeWorkspace* work) {
    switch (header->method) {
        case kMethodStored: return DecodeStored(in, out, crc, work);
        case kMethodLzh:
            if (in->encrypted) SetKeys(&in->keys, password, passwordLength);
            return DecodeLzh(in, header->uncompressedSize, out, crc, work);
        case kMethodDeflate:
            return DecodeDeflate(in, out, crc, work,
                                 header->uncompressedSize > 0 ? (uint32_t)header->uncompressedSize : 0);
        default: return DecodeUnsupportedMethod;
    }
}
