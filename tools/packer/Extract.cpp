// The POSIX file part of the extract pass (PassFiles in ExtractPass.h) and
// the run of packer -x over it. The list and user parts are the stub's
// unattended ones; only their Notice is replaced, to say on stderr what the
// stub's /S run keeps to its exit code.

#include "Extract.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "Crc32.h"
#include "PathText.h"
#include "PeImage.h"
#include "RunRecord.h"

namespace {

// The archive: the file's bytes up to `limit`, where a signature's
// certificate table begins. Seeking past it succeeds and reads nothing, as
// on the stub's own file.
struct MappedSource {
    ByteSource base;
    const uint8_t* bytes;
    uint32_t limit;
    uint32_t position;
};

uint32_t MappedRead(ByteSource* self, void* buffer, uint32_t size) {
    MappedSource* s = (MappedSource*)self;
    if (s->position >= s->limit) return 0;
    if (size > s->limit - s->position) size = s->limit - s->position;
    memcpy(buffer, s->bytes + s->position, size);
    s->position += size;
    return size;
}

int64_t MappedSeek(ByteSource* self, uint32_t offset) {
    ((MappedSource*)self)->position = offset;
    return offset;
}

// Small entries, the many, then cost one write each; the decoders hand over
// blocks of up to 64 KiB.
const size_t kWriteBuffer = 64 * 1024;

// The one output file open at a time: the temporary file an entry is
// decoded into, beside its target.
struct FileSink {
    ByteSink base;
    int fd;
    int error;  // errno of the first failed write; 0 while none failed
    size_t buffered;
    std::string temporary;
    uint8_t buffer[kWriteBuffer];
};

bool WriteAll(FileSink* s, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(s->fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            s->error = n < 0 ? errno : EIO;
            return false;
        }
        data += n;
        size -= (size_t)n;
    }
    return true;
}

bool Flush(FileSink* s) {
    size_t n = s->buffered;
    s->buffered = 0;
    return WriteAll(s, s->buffer, n);
}

bool SinkWrite(ByteSink* self, const uint8_t* data, uint32_t size) {
    FileSink* s = (FileSink*)self;
    if (s->error) return false;
    if (s->buffered + size > kWriteBuffer && !Flush(s)) return false;
    if (size >= kWriteBuffer) return WriteAll(s, data, size);
    memcpy(s->buffer + s->buffered, data, size);
    s->buffered += size;
    return true;
}

struct NativeHost {
    SilentHost silent;  // first: the pass's callbacks get its address
    const CodePage* codePage;
    uint32_t archiveStart;
    size_t prefix;  // bytes of the extract folder, as given, at the start of every path
    // What the last lstat found, so that CreateOutput need not look again.
    std::string looked;
    bool lookedFound;
    mode_t lookedMode;
    std::string folderKnown;  // the last folder made or found to be one
    int lastError;            // errno of the last failed step, for the notice that follows
    // A target whose entry failed its check; reported once the pass has
    // said whether its method was unknown instead.
    std::string damaged;
    bool headerDamaged;  // a damaged header ended a walk
    // The last DOS time converted: packed files share few times, and each
    // mktime looks at the time zone file again.
    uint32_t lastDosTime;
    time_t lastUnixTime;
    bool lastTimeValid;
    uint32_t tempNumber;
    std::unique_ptr<FileSink> sink;
};

NativeHost* Of(PassHost* host) { return (NativeHost*)host; }

// A path the pass built, as this system names it: the extract folder as
// given, then the stored part converted from the code page with '\' as '/'.
std::string Native(NativeHost* h, const char* path) {
    size_t length = strlen(path);
    size_t keep = length < h->prefix ? length : h->prefix;
    std::string tail(path + keep, length - keep);
    bool ascii = true;
    for (char c : tail) ascii = ascii && (unsigned char)c < 0x80;
    if (!ascii) tail = h->codePage->Display(tail);
    for (char& c : tail)
        if (c == '\\') c = '/';
    return std::string(path, keep) + tail;
}

void ReportDamaged(NativeHost* h) {
    if (h->damaged.empty()) return;
    fprintf(stderr, "packer: %s: damaged (CRC or size check failed), not extracted\n", h->damaged.c_str());
    h->damaged.clear();
}

bool HostPathFound(PassHost* self, char* path) {
    NativeHost* h = Of(self);
    std::string p = Native(h, path);
    if (p == h->folderKnown) return true;
    struct stat st;
    h->looked = p;
    h->lookedFound = lstat(p.c_str(), &st) == 0;
    h->lookedMode = h->lookedFound ? st.st_mode : 0;
    return h->lookedFound;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeTree(NativeHost* h, std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (mkdir(path.c_str(), 0777) == 0) return true;
    if (errno == EEXIST) return IsFolder(path) || (h->lastError = ENOTDIR, false);
    if (errno != ENOENT) return h->lastError = errno, false;
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return h->lastError = ENOENT, false;
    if (!MakeTree(h, path.substr(0, slash))) return false;
    if (mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(path))) return true;
    h->lastError = errno;
    return false;
}

void HostMakeTree(PassHost* self, const char* path) {
    NativeHost* h = Of(self);
    std::string p = Native(h, path);
    if (p != h->folderKnown && MakeTree(h, p)) h->folderKnown = p;
}

ByteSink* HostCreateOutput(PassHost* self, const char* target) {
    NativeHost* h = Of(self);
    ReportDamaged(h);
    std::string path = Native(h, target);
    // As on Windows, an existing file that cannot be written now is not
    // replaced later; a folder in its place could not be.
    if (h->lookedFound && h->looked == path) {
        if (S_ISDIR(h->lookedMode)) return h->lastError = EISDIR, nullptr;
        if (S_ISREG(h->lookedMode) && access(path.c_str(), W_OK) != 0) return h->lastError = errno, nullptr;
    }
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    FileSink* s = h->sink.get();
    for (int tries = 0; tries < 0x10000; ++tries) {
        char name[16];
        snprintf(name, sizeof name, "~sx%04x.tmp", (unsigned)(h->tempNumber++ & 0xFFFF));
        s->temporary = folder + "/" + name;
        // 0666 so the umask decides, as for any new file.
        s->fd = open(s->temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (s->fd >= 0) break;
        if (errno != EEXIST) return h->lastError = errno, nullptr;
    }
    if (s->fd < 0) return h->lastError = EEXIST, nullptr;
    s->base.Write = SinkWrite;
    s->error = 0;
    s->buffered = 0;
    return &s->base;
}

// The DOS date and time (local time) as a Unix time; false for fields no
// clock shows.
bool DosTimeToUnix(uint32_t dos, time_t* out) {
    struct tm t = {};
    t.tm_year = (int)(dos >> 25) + 80;
    t.tm_mon = (int)((dos >> 21) & 15) - 1;
    t.tm_mday = (int)((dos >> 16) & 31);
    t.tm_hour = (int)((dos >> 11) & 31);
    t.tm_min = (int)((dos >> 5) & 63);
    t.tm_sec = (int)(dos & 31) * 2;
    t.tm_isdst = -1;
    if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 59)
        return false;
    *out = mktime(&t);
    return *out != (time_t)-1;
}

bool HostFinishOutput(PassHost* self, ByteSink* file, const char* target, uint32_t dosDateTime, bool keep) {
    NativeHost* h = Of(self);
    FileSink* s = (FileSink*)file;
    bool placed = keep && Flush(s);
    if (placed && (dosDateTime != h->lastDosTime || !h->lastTimeValid)) {
        h->lastDosTime = dosDateTime;
        h->lastTimeValid = DosTimeToUnix(dosDateTime, &h->lastUnixTime);
    }
    if (placed && h->lastTimeValid) {
        struct timespec times[2] = {{h->lastUnixTime, 0}, {h->lastUnixTime, 0}};
        futimens(s->fd, times);
    }
    if (close(s->fd) != 0 && placed) placed = false, s->error = errno;
    if (placed && rename(s->temporary.c_str(), Native(h, target).c_str()) != 0)
        placed = false, s->error = errno;
    if (!placed) unlink(s->temporary.c_str());
    h->lastError = s->error;
    if (!keep && s->error)
        fprintf(stderr, "packer: cannot write %s: %s\n", Native(h, target).c_str(), strerror(s->error));
    else if (!keep)
        h->damaged = Native(h, target);
    return placed || !keep;
}

void HostNotice(PassHost* self, PassNotice notice, const char* detail) {
    NativeHost* h = Of(self);
    if (notice == NoticeUnsupportedMethod) {
        fprintf(stderr, "packer: %s: unknown compression method; the extraction stops there\n",
                h->damaged.c_str());
        h->damaged.clear();
        return;
    }
    ReportDamaged(h);
    const std::string shown = detail ? Native(h, detail) : "";
    const char* reason = strerror(h->lastError);
    switch (notice) {
        case NoticeSeekFailed: fprintf(stderr, "packer: cannot reach the archive start\n"); break;
        case NoticeBadName:
            h->headerDamaged = true;
            fprintf(stderr, "packer: an entry header is damaged (empty or overlong name)\n");
            break;
        case NoticeUnsafeName:
            fprintf(stderr,
                    "packer: %s: a name the self-extractor refuses (it would leave the extract folder, holds "
                    "a colon or names a device); so is any other such entry\n",
                    h->codePage->Display(detail ? detail : "").c_str());
            break;
        case NoticeFolderFailed:
            fprintf(stderr, "packer: cannot make the folder %s: %s\n", shown.c_str(), reason);
            break;
        case NoticeCreateFailed:
            fprintf(stderr, "packer: cannot write %s: %s\n", shown.c_str(), reason);
            break;
        case NoticeCloseFailed:
            fprintf(stderr, "packer: cannot put %s in place: %s\n", shown.c_str(), reason);
            break;
        case NoticeNoEntries:
            fprintf(stderr, "packer: no entries behind the first %u bytes (see --stub-size)\n",
                    h->archiveStart);
            break;
        // The caller sums these up.
        case NoticeNothingSelected:
        case NoticeFailures:
        case NoticeUnsupportedMethod: break;
    }
}

const PassFiles kNativeFiles = {HostPathFound, HostMakeTree, HostCreateOutput, HostFinishOutput};

}  // namespace

ExtractStatus ExtractArchive(const std::vector<uint8_t>& file, const ExtractRequest& request,
                             const CodePage& codePage, int* entries, int* failed) {
    std::string folder = request.folder;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // A folder ending in '\' would take the stored name's first separator
    // for its own.
    if (!folder.empty() && folder.back() == '\\') folder += '/';
    if (folder.empty() || folder.size() >= kPathCapacity) return ExtractBadFolder;

    const uint8_t* bytes = file.data();
    const size_t size = file.size();

    // The stub's own limits: 32-bit positions, and the archive ending where
    // a signature begins.
    MappedSource source = {{MappedRead, MappedSeek}, bytes, 0, 0};
    if (size > 0xFFFFFFFFu)
        source.limit = 0xFFFFFFFFu;
    else if (size > 0)
        source.limit =
            ArchiveEnd(bytes, size < 1024 ? (uint32_t)size : 1024, request.archiveStart, (uint32_t)size);
    if (request.archiveStart > 0 && size >= request.archiveStart) {
        RunRecord record;
        const uint32_t tail = request.archiveStart < kRunRecordMax ? request.archiveStart : kRunRecordMax;
        if (ReadRunRecord(bytes + request.archiveStart - tail, tail, &record) == RunRecordDamaged) {
            fprintf(stderr, "packer: the run record in the stub's padding is damaged\n");
            return ExtractNoArchive;
        }
    }

    PassSettings settings;
    FillZero(&settings, sizeof settings);
    settings.archiveStart = request.archiveStart;
    CopyText(settings.extractPath, sizeof settings.extractPath, folder.c_str());
    settings.password.length =
        CopyText(settings.password.text, sizeof settings.password.text, request.password.c_str());

    std::unique_ptr<NativeHost> host(new NativeHost());
    MakeSilentHost(&host->silent);
    host->silent.base.files = kNativeFiles;
    host->silent.base.user.Notice = HostNotice;
    host->codePage = &codePage;
    host->archiveStart = request.archiveStart;
    host->prefix = folder.size();
    host->tempNumber = (uint32_t)getpid();
    host->sink.reset(new FileSink());
    std::unique_ptr<DecodeWorkspace> work(new DecodeWorkspace);
    BuildCrcTable();

    SilentExit exit = ExtractSilently(&host->silent, &source.base, &settings, work.get(), source.limit);
    ReportDamaged(host.get());
    if (entries) *entries = host->silent.lines;
    if (failed) *failed = host->silent.lines - host->silent.passed;
    switch (exit) {
        case SilentExtracted: return ExtractDone;
        case SilentNeedsPassword: return ExtractNeedsPassword;
        case SilentNoArchive:
            if (host->silent.lines > 0 && !host->headerDamaged && settings.walkEnd < source.limit)
                fprintf(stderr,
                        "packer: %u bytes at offset %u are not an entry (a damaged header, or data "
                        "appended); nothing extracted\n",
                        source.limit - settings.walkEnd, settings.walkEnd);
            return ExtractNoArchive;
        default: return ExtractFailed;
    }
}
