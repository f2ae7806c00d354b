#include "Pack.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>

#include "Cipher.h"
#include "Crc32.h"
#include "Decode.h"
#include "LzhEncoder.h"
#include "NameRule.h"
#include "PeImage.h"
#include "Password.h"

std::vector<uint8_t> CompressDeflate(const uint8_t* data, size_t size, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&z, (uLong)size) + 16);
    z.next_in = const_cast<uint8_t*>(data);
    z.avail_in = (uInt)size;
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

NameStatus InputPrefix(const std::filesystem::path& input, std::filesystem::path& prefix) {
    std::filesystem::path base = input.lexically_normal();
    if (!base.has_filename()) base = base.parent_path();
    std::filesystem::path name = base.filename();
    prefix.clear();
    if (name == "..") return NameAboveInput;
    if (name != ".") prefix = name;
    return NameOk;
}

NameStatus MakeStoredName(const std::filesystem::path& relative, bool directory, const CodePage& codePage,
                          std::string& stored) {
    stored.clear();
    for (const std::filesystem::path& component : relative) {
        if (component.empty() || component == ".") continue;
        std::string bytes;
        if (!codePage.Encode(component, bytes)) return NameNotInCodePage;
        if (bytes.find_first_of("\\/") != std::string::npos) return NameHoldsSeparator;
        if (!stored.empty()) stored += '\\';
        stored += bytes;
    }
    if (directory) stored += '\\';
    if (stored.size() > kNameBufferSize - 1) return NameTooLong;
    if (stored.find('\0') != std::string::npos || !IsConfinedName(stored.c_str())) return NameRefused;
    return NameOk;
}

static std::vector<uint8_t> Assemble(EntryHeader& h, const std::string& name,
                                     const std::vector<uint8_t>& data) {
    h.signature = kEntrySignature;
    h.nameLength = (uint16_t)name.size();
    h.extraLength = 0;
    h.compressedSize = (int32_t)data.size();
    std::vector<uint8_t> out(kEntryHeaderSize);
    EncodeEntryHeader(&h, out.data());
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

PackStatus MakeEntry(const std::string& name, const uint8_t* data, size_t size, uint32_t dosDateTime,
                     const PackOptions& options, const RandomBytes& random, std::vector<uint8_t>& entry) {
    if (size > kMaxEntrySize) return PackFileTooLarge;
    uint64_t prefix = options.password.empty() ? 0 : kEncryptionHeaderSize;
    // Stored data's size is known before a copy of it is made.
    if (options.method == kMethodStored && size + prefix > kMaxEntrySize) return PackPackedTooLarge;
    BuildCrcTable();
    EntryHeader h{};
    h.method = options.method;
    h.dosDateTime = dosDateTime;
    h.uncompressedSize = (int32_t)size;
    h.crc = ~CrcUpdate(kCrcInitial, data, size);

    std::vector<uint8_t> body;
    if (options.method == kMethodDeflate)
        body = CompressDeflate(data, size, options.deflateLevel);
    else if (options.method == kMethodLzh)
        body = CompressLzh(data, size);
    else
        body.assign(data, data + size);

    if (body.size() + prefix > kMaxEntrySize) return PackPackedTooLarge;
    if (!options.password.empty()) {
        h.flags |= kFlagEncrypted;
        if (options.checkByteFromTime) h.flags |= kFlagCheckByteFromTime;
        uint8_t header[kEncryptionHeaderSize];
        random(header, kEncryptionHeaderSize - 1);
        header[kEncryptionHeaderSize - 1] = ExpectedCheckByte(h.flags, h.dosDateTime, h.crc);
        CipherKeys keys;
        SetKeys(&keys, options.password.data(), (int)options.password.size());
        EncipherBlock(&keys, header, kEncryptionHeaderSize);
        // LZH data is enciphered with keys that have seen the password only.
        if (options.method == kMethodLzh)
            SetKeys(&keys, options.password.data(), (int)options.password.size());
        EncipherBlock(&keys, body.data(), (uint32_t)body.size());
        body.insert(body.begin(), header, header + kEncryptionHeaderSize);
    }
    entry = Assemble(h, name, body);
    return PackOk;
}

std::vector<uint8_t> MakeDirectoryEntry(const std::string& name, uint32_t dosDateTime) {
    EntryHeader h{};
    h.method = kMethodStored;
    h.dosDateTime = dosDateTime;
    std::string stored = name;
    if (stored.empty() || (stored.back() != '\\' && stored.back() != '/')) stored += '\\';
    return Assemble(h, stored, {});
}

bool PadStub(std::vector<uint8_t>& stub, uint32_t stubSize) {
    if (stub.size() > stubSize) return false;
    stub.resize(stubSize, 0);
    return true;
}

static std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

RunStatus MakeRunCommand(const std::string& program, const CodePage& codePage,
                         const std::vector<std::string>& packed, std::string& command) {
    std::string slashed = program;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    std::string stored;
    if (MakeStoredName(std::filesystem::path(slashed), false, codePage, stored) != NameOk || stored.empty() ||
        stored.size() >= kRunCommandCapacity)
        return RunNameRefused;
    for (const std::string& name : packed)
        if (UpperAscii(name) == UpperAscii(stored)) {
            command = name;
            return RunOk;
        }
    return RunNotPacked;
}

RunStatus MakeRunFolder(const std::string& folder, const CodePage& codePage, std::string& stored) {
    if (!codePage.Encode(std::filesystem::path(folder), stored) || stored.find('\0') != std::string::npos ||
        stored.size() >= kRunFolderCapacity)
        return RunFolderRefused;
    return RunOk;
}

RunStatus PlaceRunRecord(std::vector<uint8_t>& stub, uint32_t stubSize, const std::string& command,
                         const std::string& folder, uint32_t* room) {
    stub.resize(stubSize, 0);
    uint32_t end = ImageDataEnd(stub.data(), stubSize);
    if (end == 0) {  // no program: up to its last byte that is not zero
        end = stubSize;
        while (end > 0 && stub[end - 1] == 0) --end;
    }
    if (room) *room = end < stubSize ? stubSize - end : 0;
    if (end < stubSize) std::fill(stub.begin() + end, stub.begin() + stubSize, 0);
    if (command.empty() && folder.empty()) return RunOk;
    uint8_t record[kRunRecordMax];
    const uint32_t size = WriteRunRecord(command.c_str(), folder.c_str(), record, sizeof record);
    if (!size) return command.size() >= kRunCommandCapacity ? RunNameRefused : RunFolderRefused;
    if (end > stubSize || stubSize - end < size) return RunNoRoom;
    std::copy(record, record + size, stub.begin() + (stubSize - size));
    return RunOk;
}

RunRecordStatus ReadFileRunRecord(const std::vector<uint8_t>& file, uint32_t stubSize, RunRecord& record) {
    if (file.size() < stubSize) return ReadRunRecord(file.data(), 0, &record);
    const uint32_t size = std::min(stubSize, kRunRecordMax);
    return ReadRunRecord(file.data() + stubSize - size, size, &record);
}

uint32_t DosDateTime(int64_t unixTime) {
    time_t t = (time_t)unixTime;
    struct tm tmv;
#ifdef _WIN32
    if (localtime_s(&tmv, &t) != 0) return 0x00210000;
#else
    if (!localtime_r(&t, &tmv)) return 0x00210000;
#endif
    if (tmv.tm_year < 80) return 0x00210000;  // 1980-01-01 00:00
    if (tmv.tm_year > 80 + 127) tmv.tm_year = 80 + 127;
    uint32_t date = (uint32_t)((tmv.tm_year - 80) << 9 | (tmv.tm_mon + 1) << 5 | tmv.tm_mday);
    uint32_t time = (uint32_t)(tmv.tm_hour << 11 | tmv.tm_min << 5 | tmv.tm_sec / 2);
    return date << 16 | time;
}

namespace {

struct VectorSource {
    ByteSource base;
    const std::vector<uint8_t>* data;
    size_t pos;
};

uint32_t VectorRead(ByteSource* self, void* buffer, uint32_t size) {
    VectorSource* s = (VectorSource*)self;
    size_t left = s->pos < s->data->size() ? s->data->size() - s->pos : 0;
    uint32_t n = (uint32_t)std::min<size_t>(size, left);
    if (n) memcpy(buffer, s->data->data() + s->pos, n);
    s->pos += n;
    return n;
}

int64_t VectorSeek(ByteSource* self, uint32_t offset) {
    VectorSource* s = (VectorSource*)self;
    s->pos = offset;
    return offset;
}

struct VectorSink {
    ByteSink base;
    std::vector<uint8_t>* out;
};

bool VectorWrite(ByteSink* self, const uint8_t* data, uint32_t size) {
    VectorSink* s = (VectorSink*)self;
    s->out->insert(s->out->end(), data, data + size);
    return true;
}

struct FixedPrompt {
    PasswordPrompt base;
    std::string password;
};

int FixedAsk(PasswordPrompt* self, char buffer[kPasswordCapacity]) {
    FixedPrompt* p = (FixedPrompt*)self;
    int n = (int)std::min<size_t>(p->password.size(), kPasswordCapacity - 1);
    memcpy(buffer, p->password.data(), (size_t)n);
    buffer[n] = 0;
    return n;
}

}  // namespace

// Steps the walk and notes where the next header was expected, which is
// where the archive ends once the walk says so.
static WalkStatus Next(ArchiveWalk* walk, uint64_t* end) {
    int64_t expected = walk->nextPosition;
    WalkStatus st = WalkNext(walk);
    if (end && expected >= 0) *end = (uint64_t)expected;
    return st;
}

WalkStatus ListEntries(const std::vector<uint8_t>& file, uint32_t stubSize, std::vector<ListedEntry>& entries,
                       uint64_t* end) {
    VectorSource src{{VectorRead, VectorSeek}, &file, 0};
    ArchiveWalk walk;
    WalkStatus st = WalkStart(&walk, &src.base, stubSize);
    if (st != WalkEnd) return st;
    while ((st = Next(&walk, end)) == WalkEntry)
        entries.push_back({walk.header, walk.name, walk.entryPosition});
    return st;
}

WalkStatus TestEntries(const std::vector<uint8_t>& file, uint32_t stubSize, const std::string& password,
                       std::vector<TestedEntry>& results, uint64_t* end) {
    BuildCrcTable();
    VectorSource src{{VectorRead, VectorSeek}, &file, 0};
    ArchiveWalk walk;
    WalkStatus st = WalkStart(&walk, &src.base, stubSize);
    if (st != WalkEnd) return st;
    std::unique_ptr<DecodeWorkspace> work(new DecodeWorkspace);
    RememberedPassword remembered{};
    FixedPrompt prompt{{FixedAsk}, password};
    while ((st = Next(&walk, end)) == WalkEntry) {
        TestedEntry result{walk.name, false, "", {}};
        EntryInput in{&src.base, walk.remaining, (walk.header.flags & kFlagEncrypted) != 0, {}};
        if (in.encrypted && !ObtainPassword(&walk.header, &in, &remembered, &prompt.base)) {
            result.detail = "password refused";
            results.push_back(result);
            continue;
        }
        VectorSink sink{{VectorWrite}, &result.data};
        uint32_t crc = kCrcInitial;
        DecodeStatus ds =
            DecodeEntry(&walk.header, &in, remembered.text, remembered.length, &sink.base, &crc, work.get());
        bool crcOk = CrcMatches(walk.header.crc, crc);
        // The stub goes by the CRC; a size that disagrees with the header is
        // damage all the same.
        bool sizeOk = (int64_t)result.data.size() == walk.header.uncompressedSize;
        result.passed = crcOk && sizeOk && ds != DecodeWriteFailed && ds != DecodeUnsupportedMethod &&
                        ds != DecodeTooLong;
        result.detail = std::string(DecodeStatusText(ds)) + (crcOk ? ", CRC ok" : ", CRC mismatch") +
                        (sizeOk ? "" : ", size differs from the header");
        results.push_back(std::move(result));
    }
    return st;
}

const char* DecodeStatusText(int status) {
    switch (status) {
        case DecodeOk: return "ok";
        case DecodeInputEnded: return "data ended early";
        case DecodeWriteFailed: return "write failed";
        case DecodeUnsupportedMethod: return "unsupported method";
        case DecodeTooLong: return "more data than the header declares";
        case DecodeBadBlockType: return "bad block type";
        case DecodeBadStoredLength: return "bad stored block length";
        case DecodeBadCodeCounts: return "too many codes";
        case DecodeBadCodeLengths: return "bad code lengths";
        case DecodeBadRepeat: return "bad repeat code";
        case DecodeBadSymbol: return "invalid symbol";
        case DecodeBadDistance: return "distance too far back";
        case DecodeBadLzhTable: return "bad LZH code table";
    }
    return "?";
}

const char* WalkStatusText(int status) {
    switch (status) {
        case WalkEntry: return "entry";
        case WalkEnd: return "end of archive";
        case WalkSeekFailed: return "cannot reach the archive";
        case WalkEmptyName: return "entry with an empty name";
        case WalkNameTooLong: return "entry name too long";
    }
    return "?";
}
