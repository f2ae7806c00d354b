// Side-by-side speed of our decoders, CRC-32 and cipher against their peers
// (Deflate against zlib and against libdeflate, the fastest whole-buffer
// decoder) on one corpus, all in one process on the same bytes. Results must be
// identical; the program fails if any differs.
// Usage: kit_bench CORPUS_FILE...   (tools/bench.sh makes the corpus)

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <lha_decoder.h>
}

#include "Cipher.h"
#include "Crc32.h"
#include "Decode.h"
#include "LzhEncoder.h"
#include "Pack.h"

namespace {

using Bytes = std::vector<uint8_t>;
const size_t kPiece = 1 << 20;  // entries of 1 MiB, like files of an installer

// CPU time of this thread: on a busy machine, time spent waiting for a
// processor would otherwise count against whichever side was unlucky.
double Now() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

double Time(const std::function<void()>& f) {
    double t0 = Now();
    f();
    return Now() - t0;
}

// Best of several rounds, ours and the peer taking turns, so that a busy
// machine slows both alike.
void Compare(const std::function<void()>& ours, const std::function<void()>& peer, double* oursBest,
             double* peerBest, int rounds = 7) {
    *oursBest = *peerBest = 1e9;
    for (int i = 0; i < rounds; ++i) {
        *oursBest = std::min(*oursBest, Time(ours));
        *peerBest = std::min(*peerBest, Time(peer));
    }
}

struct Source {
    ByteSource base;
    const Bytes* data;
    size_t pos;
};
uint32_t SourceRead(ByteSource* self, void* buffer, uint32_t size) {
    Source* s = (Source*)self;
    uint32_t n = (uint32_t)std::min<size_t>(size, s->data->size() - s->pos);
    memcpy(buffer, s->data->data() + s->pos, n);
    s->pos += n;
    return n;
}
int64_t SourceSeek(ByteSource* self, uint32_t offset) {
    ((Source*)self)->pos = offset;
    return offset;
}

struct Sink {
    ByteSink base;
    uint8_t* out;
    size_t size;
};
bool SinkWrite(ByteSink* self, const uint8_t* data, uint32_t n) {
    Sink* s = (Sink*)self;
    memcpy(s->out + s->size, data, n);
    s->size += n;
    return true;
}

struct LhaInput {
    const Bytes* data;
    size_t pos;
};
size_t LhaRead(void* buf, size_t len, void* user) {
    LhaInput* in = (LhaInput*)user;
    size_t n = std::min(len, in->data->size() - in->pos);
    memcpy(buf, in->data->data() + in->pos, n);
    in->pos += n;
    return n;
}

void Report(const char* what, double bytes, double ours, double peer, const char* peerName) {
    printf("%-9s ours %8.1f MB/s   %-22s %8.1f MB/s   ratio %.2fx\n", what, bytes / ours / 1e6, peerName,
           bytes / peer / 1e6, peer / ours);
}

}  // namespace

int main(int argc, char** argv) {
    Bytes corpus;
    for (int i = 1; i < argc; ++i) {
        std::ifstream f(argv[i], std::ios::binary);
        corpus.insert(corpus.end(), std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    if (corpus.size() < kPiece) {
        fprintf(stderr, "kit_bench: corpus too small\n");
        return 2;
    }
    printf("corpus: %.1f MB in %zu pieces of 1 MiB\n", corpus.size() / 1e6,
           (corpus.size() + kPiece - 1) / kPiece);
    BuildCrcTable();
    std::unique_ptr<DecodeWorkspace> work(new DecodeWorkspace);
    std::vector<Bytes> pieces, deflated, lzh;
    for (size_t at = 0; at < corpus.size(); at += kPiece) {
        pieces.emplace_back(corpus.begin() + (long)at,
                            corpus.begin() + (long)std::min(corpus.size(), at + kPiece));
        deflated.push_back(CompressDeflate(pieces.back().data(), pieces.back().size(), 6));
        lzh.push_back(CompressLzh(pieces.back().data(), pieces.back().size()));
    }
    Bytes out(kPiece + 65536), peerOut(kPiece + 65536);
    bool identical = true;
    double total = (double)corpus.size();

    // Deflate: ours (with its CRC-32 over every block) against zlib's raw inflate.
    // The CRCs ours keeps are checked once, outside the timing: the peers'
    // loops check their bytes only.
    double ours, peer;
    std::vector<uint32_t> oursCrc(pieces.size());
    const auto oursDeflate = [&] {
        for (size_t i = 0; i < pieces.size(); ++i) {
            Source src{{SourceRead, SourceSeek}, &deflated[i], 0};
            Sink sink{{SinkWrite}, out.data(), 0};
            EntryInput in{&src.base, (int32_t)deflated[i].size(), false, {}};
            uint32_t crc = kCrcInitial;
            if (DecodeDeflate(&in, &sink.base, &crc, work.get()) != DecodeOk ||
                sink.size != pieces[i].size() || memcmp(out.data(), pieces[i].data(), sink.size) != 0)
                identical = false;
            oursCrc[i] = ~crc;
        }
    };
    Compare(
        oursDeflate,
        [&] {
            for (size_t i = 0; i < pieces.size(); ++i) {
                z_stream z{};
                inflateInit2(&z, -15);
                z.next_in = deflated[i].data();
                z.avail_in = (uInt)deflated[i].size();
                z.next_out = peerOut.data();
                z.avail_out = (uInt)peerOut.size();
                if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.total_out != pieces[i].size() ||
                    memcmp(peerOut.data(), pieces[i].data(), z.total_out) != 0)
                    identical = false;
                inflateEnd(&z);
            }
        },
        &ours, &peer);
    Report("Deflate", total, ours, peer, "zlib raw inflate");
    const double zlib = peer;
    // libdeflate decodes each whole stream into a buffer of its size, its
    // fastest mode; ours streams through a window, as the stub must, and
    // keeps the CRC-32 of what it wrote.
    libdeflate_decompressor* fast = libdeflate_alloc_decompressor();
    Compare(
        oursDeflate,
        [&] {
            for (size_t i = 0; i < pieces.size(); ++i) {
                size_t n = 0;
                if (libdeflate_deflate_decompress(fast, deflated[i].data(), deflated[i].size(),
                                                  peerOut.data(), peerOut.size(), &n) != LIBDEFLATE_SUCCESS ||
                    n != pieces[i].size() || memcmp(peerOut.data(), pieces[i].data(), n) != 0)
                    identical = false;
            }
        },
        &ours, &peer);
    libdeflate_free_decompressor(fast);
    for (size_t i = 0; i < pieces.size(); ++i)
        if (oursCrc[i] != crc32(0, pieces[i].data(), (uInt)pieces[i].size())) identical = false;
    Report("Deflate", total, ours, peer, "libdeflate");
    printf("%-9s (libdeflate against zlib: %.2fx)\n", "", zlib / peer);

    // LZH: ours (with CRC-32) against lhasa's -lh5- decoder (with its CRC-16).
    Compare(
        [&] {
            for (size_t i = 0; i < pieces.size(); ++i) {
                Source src{{SourceRead, SourceSeek}, &lzh[i], 0};
                Sink sink{{SinkWrite}, out.data(), 0};
                EntryInput in{&src.base, (int32_t)lzh[i].size(), false, {}};
                uint32_t crc = kCrcInitial;
                if (DecodeLzh(&in, (int32_t)pieces[i].size(), &sink.base, &crc, work.get()) != DecodeOk ||
                    sink.size != pieces[i].size() || memcmp(out.data(), pieces[i].data(), sink.size) != 0)
                    identical = false;
            }
        },
        [&] {
            for (size_t i = 0; i < pieces.size(); ++i) {
                LhaInput in{&lzh[i], 0};
                LHADecoder* d =
                    lha_decoder_new(lha_decoder_for_name((char*)"-lh5-"), LhaRead, &in, pieces[i].size());
                size_t got = 0, n;
                while (got < pieces[i].size() &&
                       (n = lha_decoder_read(d, peerOut.data() + got, pieces[i].size() - got)) > 0)
                    got += n;
                if (got != pieces[i].size() || memcmp(peerOut.data(), pieces[i].data(), got) != 0)
                    identical = false;
                lha_decoder_free(d);
            }
        },
        &ours, &peer, 3);
    Report("LZH -lh5-", total, ours, peer, "liblhasa -lh5-");

    // CRC-32: sliced tables against zlib's crc32.
    uint32_t a = 0, b = 0;
    Compare([&] { a = ~CrcUpdate(kCrcInitial, corpus.data(), corpus.size()); },
            [&] { b = (uint32_t)crc32(0, corpus.data(), (uInt)corpus.size()); }, &ours, &peer, 11);
    if (a != b) identical = false;
    Report("CRC-32", total, ours, peer, "zlib crc32");
    uint32_t bytewise = kCrcInitial;
    double plainCrc = Time([&] {
        bytewise = kCrcInitial;
        for (uint8_t c : corpus) bytewise = CrcStep(bytewise, c);
    });
    if (~bytewise != a) identical = false;
    printf("          (byte-at-a-time table: %.1f MB/s)\n", total / plainCrc / 1e6);

    // Cipher: our block loop against the plain per-byte table loop.
    Bytes x = corpus, y = corpus;
    CipherKeys k1, k2;
    Compare(
        [&] {
            memcpy(x.data(), corpus.data(), corpus.size());
            SetKeys(&k1, "password", 8);
            DecipherBlock(&k1, x.data(), (uint32_t)x.size());
        },
        [&] {
            memcpy(y.data(), corpus.data(), corpus.size());
            SetKeys(&k2, "password", 8);
            for (uint8_t& c : y) c = DecipherByte(&k2, c);
        },
        &ours, &peer, 3);
    if (x != y) identical = false;
    Report("Cipher", total, ours, peer, "plain table loop");

    size_t deflatedSize = 0, lzhSize = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        deflatedSize += deflated[i].size();
        lzhSize += lzh[i].size();
    }
    printf("sizes (1 MiB pieces): Deflate level 6 %.1f%%, our LZH %.1f%%\n", 100.0 * deflatedSize / total,
           100.0 * lzhSize / total);
    printf("all results identical: %s\n", identical ? "yes" : "NO");
    return identical ? 0 : 1;
}
