// packer: makes a self-extracting file from the stub and files or folders,
// lists or tests an existing one. Run without arguments for the usage.

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#ifndef _WIN32
#include "CodeSign.h"
#include "Extract.h"
#endif
#include "Pack.h"

namespace fs = std::filesystem;

namespace {

const size_t kMaxPassword = 24;  // what the password dialog accepts

#define KIT_TEXT(x) #x
#define KIT_NUMBER_TEXT(x) KIT_TEXT(x)

const char kUsage[] =
    "usage: packer [options] -o OUTPUT INPUT...   make a self-extracting file\n"
    "       packer [--stub-size N] -l FILE        list the entries\n"
    "       packer [--stub-size N] [-p PW] -t FILE  decode every entry and check its CRC\n"
#ifndef _WIN32
    "       packer [--stub-size N] [-p PW] -x DIR FILE  extract every entry into DIR as the\n"
    "                   stub's /S run does (replacing existing files)\n"
#endif
    "options:\n"
    "  -s STUB          the stub program (without it the stub area is zero-filled)\n"
    "  --stub-size N    bytes before the first entry (default " KIT_NUMBER_TEXT(KIT_STUB_SIZE) "); the stub is\n"
    "                   padded with zeros to this size and must not be larger\n"
    "  -m METHOD        stored, deflate (default) or lzh\n"
    "  -1 .. -9         Deflate level (default 9)\n"
    "  -p PASSWORD      encrypt every entry (at most 24 characters)\n"
    "  --time-check     the check byte comes from the DOS time instead of the CRC\n"
    "  --no-paths       store bare file names instead of paths below each input\n"
    "  --dirs           also store an entry for every folder\n"
    "  --run PROGRAM    start PROGRAM, one of the packed files named as stored\n"
    "                   (bin\\setup.exe), from the extract folder once every entry\n"
    "                   is in place; with /S the file runs it with the arguments\n"
    "                   after --, waits, and exits with its code (at most 127 bytes)\n"
    "  --silent-dir DIR the folder /S unpacks into unless /D= names one; may hold\n"
    "                   %VARIABLES% such as %TEMP% (default: the current folder)\n"
    "                   Both are kept in the stub's padding, which a signature made\n"
    "                   afterwards covers: sign after packing.\n"
    "  --codepage N     the Windows code page of the stored names, which the users'\n"
    "                   systems must have as their ANSI code page (default: 949 on\n"
    "                   Linux, the system's own on Windows); -l and -t show names\n"
    "                   converted back\n"
#ifndef _WIN32
    "signing the file written (Authenticode, with osslsigncode):\n"
#endif
    ;
#ifdef _WIN32
const char kSignUsage[] = "";
#endif

// Everything the command line says. The parser fills it; Run does the work.
struct Options {
    PackOptions pack;
    unsigned codePage = 0;  // 0: CodePage's default
    std::string output, stub, list, test, extract, run, silentDir;
    bool paths = true, dirs = false;
    std::vector<std::string> inputs;
#ifndef _WIN32
    SignOptions sign;
#endif
};

enum ParseStatus {
    ParseRun,    // the options are complete
    ParseHelp,   // -h: print the usage and end well
    ParseUsage,  // a wrong command line; the parser has said what is wrong
};

bool ParseNumber(const std::string& text, unsigned long limit, unsigned long& value) {
    char* end = nullptr;
    value = strtoul(text.c_str(), &end, 10);
    return !text.empty() && text[0] != '-' && !*end && value <= limit;
}

ParseStatus ParseArguments(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        std::string v;  // the option's value, when it takes one
        auto value = [&](const char* what) {
            if (i + 1 >= argc) {
                fprintf(stderr, "packer: %s needs %s\n", a.c_str(), what);
                return false;
            }
            v = argv[++i];
            return true;
        };
        unsigned long n = 0;
        if (a == "-o" || a == "-s" || a == "-l" || a == "-t") {
            if (!value("a file")) return ParseUsage;
            (a == "-o" ? o.output : a == "-s" ? o.stub : a == "-l" ? o.list : o.test) = v;
        } else if (a == "-x") {
#ifdef _WIN32
            fprintf(stderr, "packer: -x is only in the Linux packer\n");
            return ParseUsage;
#else
            if (!value("a folder")) return ParseUsage;
            o.extract = v;
#endif
        } else if (a == "--run") {
            if (!value("a program")) return ParseUsage;
            o.run = v;
        } else if (a == "--silent-dir") {
            if (!value("a folder")) return ParseUsage;
            o.silentDir = v;
        } else if (a == "-p") {
            if (!value("a password")) return ParseUsage;
            o.pack.password = v;
        } else if (a == "--stub-size") {
            if (!value("a size")) return ParseUsage;
            if (!ParseNumber(v, 0x7FFFFFFFul, n)) {
                fprintf(stderr, "packer: bad stub size %s\n", v.c_str());
                return ParseUsage;
            }
            o.pack.stubSize = (uint32_t)n;
        } else if (a == "--codepage") {
            if (!value("a code page number")) return ParseUsage;
            if (!ParseNumber(v, 65535, n) || n == 0) {
                fprintf(stderr, "packer: bad code page %s\n", v.c_str());
                return ParseUsage;
            }
            o.codePage = (unsigned)n;
        } else if (a == "-m") {
            if (!value("a method")) return ParseUsage;
            if (v == "stored")
                o.pack.method = kMethodStored;
            else if (v == "deflate")
                o.pack.method = kMethodDeflate;
            else if (v == "lzh")
                o.pack.method = kMethodLzh;
            else {
                fprintf(stderr, "packer: unknown method %s (stored, deflate, lzh)\n", v.c_str());
                return ParseUsage;
            }
        } else if (a.size() == 2 && a[0] == '-' && a[1] >= '1' && a[1] <= '9') {
            o.pack.deflateLevel = a[1] - '0';
        } else if (a == "--time-check") {
            o.pack.checkByteFromTime = true;
        } else if (a == "--no-paths") {
            o.paths = false;
        } else if (a == "--dirs") {
            o.dirs = true;
        } else if (a == "-h" || a == "--help") {
            return ParseHelp;
#ifndef _WIN32
        } else if (a.compare(0, 7, "--sign-") == 0 || a == "--timestamp") {
            if (!value("a value") || !TakeSignOption(a, v, o.sign)) {
                fprintf(stderr, "packer: unknown option %s\n%s%s", a.c_str(), kUsage, kSignUsage);
                return ParseUsage;
            }
#endif
        } else if (!a.empty() && a[0] == '-') {
            fprintf(stderr, "packer: unknown option %s\n%s%s", a.c_str(), kUsage, kSignUsage);
            return ParseUsage;
        } else {
            o.inputs.push_back(a);
        }
    }
    if (o.pack.password.size() > kMaxPassword) {
        fprintf(stderr, "packer: password longer than %zu characters\n", kMaxPassword);
        return ParseUsage;
    }
    if (!o.extract.empty() &&
        (o.inputs.size() != 1 || !o.output.empty() || !o.list.empty() || !o.test.empty())) {
        fprintf(stderr, "packer: -x DIR takes one self-extracting file and no -o, -l or -t\n");
        return ParseUsage;
    }
    if (o.list.empty() && o.test.empty() && o.extract.empty() && (o.output.empty() || o.inputs.empty())) {
        fprintf(stderr, "%s%s", kUsage, kSignUsage);
        return ParseUsage;
    }
#ifndef _WIN32
    const std::string signProblem = CheckSignOptions(o.sign);
    if (!signProblem.empty()) {
        fprintf(stderr, "packer: %s\n", signProblem.c_str());
        return ParseUsage;
    }
#endif
    return ParseRun;
}

bool ReadFile(const fs::path& path, std::vector<uint8_t>& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

// A path for messages. On Windows the system's conversion would throw on
// characters outside the ANSI code page; those are shown as '?'.
std::string Shown(const fs::path& path) {
#ifdef _WIN32
    const std::wstring& wide = path.native();
    int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)wide.size(), nullptr, 0, nullptr, nullptr);
    std::string text(n > 0 ? (size_t)n : 0, '?');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)wide.size(), &text[0], n, nullptr, nullptr);
    return text;
#else
    return path.string();
#endif
}

// The file's own modification time; converting through the file clock would
// mix two readings of "now" and could store a time up to two seconds early.
uint32_t FileDosTime(const fs::path& path) {
#ifdef _WIN32
    struct _stat64 st;
    if (_wstat64(path.c_str(), &st) != 0) return DosDateTime(0);
#else
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return DosDateTime(0);
#endif
    return DosDateTime(static_cast<int64_t>(st.st_mtime));
}

struct Item {
    fs::path path;
    std::string name;  // stored name, in the code page
    bool directory;
};

// The same folder as `input`, given by its own name ("../../prod" for ".."
// inside prod/docs), or "" when it has none.
std::string NamedFolder(const fs::path& input) {
    std::error_code ec;
    fs::path name = fs::weakly_canonical(input, ec).filename();
    if (ec || name.empty()) return "";
    return Shown((input / ".." / name).lexically_normal());
}

void ReportName(NameStatus status, const fs::path& path, const std::string& name, const CodePage& codePage) {
    std::string shown = Shown(path);
    switch (status) {
        case NameOk: return;
        case NameAboveInput: {
            std::string named = NamedFolder(path);
            fprintf(stderr,
                    "packer: %s: its files would be stored as \"..\\...\", above the folder they are "
                    "extracted into, which the self-extractor refuses; name the folder itself%s%s\n",
                    shown.c_str(), named.empty() ? "" : ", as ", named.c_str());
            return;
        }
        case NameNotInCodePage:
            fprintf(stderr, "packer: %s: the name cannot be written in code page %u (see --codepage)\n",
                    shown.c_str(), codePage.Number());
            return;
        case NameHoldsSeparator:
            fprintf(stderr,
                    "packer: %s: a part of the name holds '\\' or '/' in code page %u, which the "
                    "self-extractor would take for a folder\n",
                    shown.c_str(), codePage.Number());
            return;
        case NameTooLong:
            fprintf(stderr, "packer: %s: the stored name is longer than %u bytes\n", shown.c_str(),
                    kNameBufferSize - 1);
            return;
        case NameRefused:
            fprintf(stderr,
                    "packer: %s: the self-extractor refuses the name %s (a colon, a device name such as "
                    "CON or AUX, or a part made only of dots or blanks)\n",
                    shown.c_str(), codePage.Display(name).c_str());
            return;
    }
}

bool AddItem(const fs::path& path, const fs::path& relative, bool directory, const CodePage& codePage,
             std::vector<Item>& items) {
    std::string name;
    NameStatus status = MakeStoredName(relative, directory, codePage, name);
    if (status != NameOk) {
        ReportName(status, path, name, codePage);
        return false;
    }
    items.push_back({path, name, directory});
    return true;
}

bool Collect(const fs::path& input, const Options& o, const CodePage& codePage, std::vector<Item>& items) {
    std::error_code ec;
    fs::file_status st = fs::status(input, ec);
    if (ec || !fs::exists(st)) {
        fprintf(stderr, "packer: cannot read %s\n", Shown(input).c_str());
        return false;
    }
    fs::path prefix;
    NameStatus status = InputPrefix(input, prefix);
    if (status != NameOk) {
        ReportName(status, input, "", codePage);
        return false;
    }
    if (!fs::is_directory(st)) {
        if (prefix.empty()) prefix = input.filename();
        return AddItem(input, prefix, false, codePage, items);
    }
    std::vector<fs::path> found;
    for (auto it = fs::recursive_directory_iterator(input, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        found.push_back(it->path());
    if (ec) {
        fprintf(stderr, "packer: cannot list %s: %s\n", Shown(input).c_str(), ec.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    bool folders = o.dirs && o.paths;
    if (folders && !prefix.empty() && !AddItem(input, prefix, true, codePage, items)) return false;
    for (const fs::path& p : found) {
        bool isDir = fs::is_directory(p, ec);
        if (isDir && !folders) continue;
        fs::path relative = o.paths ? prefix / p.lexically_relative(input) : p.filename();
        if (!AddItem(p, relative, isDir, codePage, items)) return false;
    }
    return true;
}

// Where the walk of `file` stopped, when that is not its end: a damaged
// header, or bytes appended that are no entry. False when there are none.
bool ReportTrailing(const std::vector<uint8_t>& file, uint64_t end) {
    if (end >= file.size()) return false;
    fprintf(stderr,
            "packer: %llu bytes at offset %llu are not an entry (a damaged header, or data appended)\n",
            (unsigned long long)(file.size() - end), (unsigned long long)end);
    return true;
}

// The run record as the stub reads it; false (and said) when it is damaged.
bool ShowRunRecord(const std::vector<uint8_t>& file, const Options& o, const CodePage& codePage) {
    RunRecord record;
    switch (ReadFileRunRecord(file, o.pack.stubSize, record)) {
        case RunRecordNone: return true;
        case RunRecordDamaged:
            fprintf(stderr, "packer: the run record in the stub's padding is damaged\n");
            return false;
        case RunRecordFound: break;
    }
    if (record.command[0]) printf("runs: %s\n", codePage.Display(record.command).c_str());
    if (record.folder[0]) printf("silent folder: %s\n", codePage.Display(record.folder).c_str());
    return true;
}

int ListFile(const std::vector<uint8_t>& file, const Options& o, const CodePage& codePage) {
    std::vector<ListedEntry> entries;
    uint64_t end = 0;
    WalkStatus st = ListEntries(file, o.pack.stubSize, entries, &end);
    static const char* methods[] = {"stored", "lzh", "?", "?", "?", "?", "?", "?", "deflate"};
    printf("%-8s %5s %10s %10s %8s %-16s %s\n", "method", "flags", "packed", "size", "crc", "date", "name");
    for (const ListedEntry& e : entries) {
        const EntryHeader& h = e.header;
        uint32_t d = h.dosDateTime >> 16, t = h.dosDateTime & 0xFFFF;
        printf("%-8s %5s %10d %10d %08x %04u-%02u-%02u %02u:%02u %s\n",
               h.method <= 8 ? methods[h.method] : "?",
               (h.flags & kFlagEncrypted) ? ((h.flags & kFlagCheckByteFromTime) ? "E+T" : "E") : "-",
               h.compressedSize, h.uncompressedSize, h.crc, 1980 + (d >> 9), (d >> 5) & 15, d & 31, t >> 11,
               (t >> 5) & 63, codePage.Display(e.name).c_str());
    }
    bool recordOk = ShowRunRecord(file, o, codePage);
    if (st != WalkEnd) {
        fprintf(stderr, "packer: %s\n", WalkStatusText(st));
        return 1;
    }
    if (entries.empty()) {
        fprintf(stderr, "packer: no entries\n");
        return 1;
    }
    ReportTrailing(file, end);
    return recordOk ? 0 : 1;
}

int TestFile(const std::vector<uint8_t>& file, const Options& o, const CodePage& codePage) {
    std::vector<TestedEntry> results;
    uint64_t end = 0;
    WalkStatus st = TestEntries(file, o.pack.stubSize, o.pack.password, results, &end);
    std::vector<std::string> failed;
    for (const TestedEntry& r : results) {
        std::string name = codePage.Display(r.name);
        printf("%s: %s (%s)\n", name.c_str(), r.passed ? "ok" : "FAILED", r.detail.c_str());
        if (!r.passed) failed.push_back(name);
    }
    bool bad = !failed.empty() || !ShowRunRecord(file, o, codePage);
    if (st != WalkEnd) {
        fprintf(stderr, "packer: %s\n", WalkStatusText(st));
        bad = true;
    } else if (results.empty()) {
        fprintf(stderr, "packer: no entries\n");
        bad = true;
    } else if (ReportTrailing(file, end)) {
        bad = true;
    }
    if (!failed.empty()) {
        std::string list;
        for (const std::string& name : failed) list += (list.empty() ? "" : ", ") + name;
        fprintf(stderr, "packer: %zu of %zu entries failed: %s\n", failed.size(), results.size(),
                list.c_str());
    }
    return bad ? 1 : 0;
}

// The program to start and the silent run's folder, in the stub's padding.
bool PlaceRun(const Options& o, const CodePage& codePage, const std::vector<Item>& items,
              std::vector<uint8_t>& stub) {
    std::string command, folder;
    RunStatus status = RunOk;
    if (!o.run.empty()) {
        std::vector<std::string> packed;
        for (const Item& item : items)
            if (!item.directory) packed.push_back(item.name);
        status = MakeRunCommand(o.run, codePage, packed, command);
        if (status == RunNameRefused) {
            fprintf(stderr,
                    "packer: --run %s: not a name the self-extractor can store and start (code page %u, "
                    "at most %u bytes, inside the extract folder)\n",
                    o.run.c_str(), codePage.Number(), kRunCommandCapacity - 1);
            return false;
        }
        if (status == RunNotPacked) {
            fprintf(stderr, "packer: --run %s: no packed file is stored under that name", o.run.c_str());
            for (size_t i = 0; i < packed.size() && i < 10; ++i)
                fprintf(stderr, "%s%s", i ? ", " : " (stored: ", codePage.Display(packed[i]).c_str());
            fprintf(stderr, "%s\n", packed.empty() ? "" : packed.size() > 10 ? ", ...)" : ")");
            return false;
        }
    }
    if (!o.silentDir.empty() && MakeRunFolder(o.silentDir, codePage, folder) != RunOk) {
        fprintf(stderr, "packer: --silent-dir %s: not in code page %u, or longer than %u bytes\n",
                o.silentDir.c_str(), codePage.Number(), kRunFolderCapacity - 1);
        return false;
    }
    uint32_t room = 0;
    if (PlaceRunRecord(stub, o.pack.stubSize, command, folder, &room) != RunOk) {
        fprintf(stderr,
                "packer: the stub %s leaves %u bytes of padding before the archive, too few for the "
                "run record (%zu bytes)\n",
                o.stub.c_str(), room, command.size() + folder.size() + 2 + kRunTrailerSize);
        return false;
    }
    return true;
}

int Pack(const Options& o, const CodePage& codePage) {
    std::vector<uint8_t> result;
    if (!o.stub.empty() && !ReadFile(o.stub, result)) {
        fprintf(stderr, "packer: cannot read stub %s\n", o.stub.c_str());
        return 1;
    }
    if (!PadStub(result, o.pack.stubSize)) {
        fprintf(stderr, "packer: stub %s is %zu bytes, more than the stub size %u\n", o.stub.c_str(),
                result.size(), o.pack.stubSize);
        return 1;
    }

    // Every name is checked before any file is read.
    std::vector<Item> items;
    for (const std::string& in : o.inputs)
        if (!Collect(fs::path(in), o, codePage, items)) return 1;
    if (!PlaceRun(o, codePage, items, result)) return 1;

    std::random_device device;
    RandomBytes random = [&](uint8_t* out, size_t n) {
        for (size_t i = 0; i < n; ++i) out[i] = (uint8_t)device();
    };
    for (const Item& item : items) {
        std::string shown = Shown(item.path);
        std::vector<uint8_t> entry;
        if (item.directory) {
            entry = MakeDirectoryEntry(item.name, FileDosTime(item.path));
        } else {
            std::error_code ec;
            uintmax_t size = fs::file_size(item.path, ec);
            PackStatus status = !ec && size > kMaxEntrySize ? PackFileTooLarge : PackOk;
            std::vector<uint8_t> data;
            if (status == PackOk && !ReadFile(item.path, data)) {
                fprintf(stderr, "packer: cannot read %s\n", shown.c_str());
                return 1;
            }
            if (status == PackOk)
                status = MakeEntry(item.name, data.data(), data.size(), FileDosTime(item.path), o.pack,
                                   random, entry);
            if (status != PackOk) {
                fprintf(
                    stderr, "packer: %s: %s larger than %llu bytes, the most an entry's header can hold\n",
                    shown.c_str(), status == PackFileTooLarge ? "the file is" : "its packed data would be",
                    (unsigned long long)kMaxEntrySize);
                return 1;
            }
        }
        // The stub reaches its entries with 32-bit file positions.
        if ((uint64_t)result.size() + entry.size() > 0xFFFFFFFFull) {
            fprintf(stderr, "packer: the self-extracting file would exceed 4 GiB\n");
            return 1;
        }
        result.insert(result.end(), entry.begin(), entry.end());
    }

    std::ofstream f(o.output, std::ios::binary | std::ios::trunc);
    f.write((const char*)result.data(), (std::streamsize)result.size());
    f.close();
    if (!f) {
        fprintf(stderr, "packer: cannot write %s\n", o.output.c_str());
        std::error_code ec;
        fs::remove(o.output, ec);  // no half-written file that looks like a result
        return 1;
    }
#ifndef _WIN32
    if (o.sign.Wanted()) {
        const std::string problem = SignFile(o.sign, o.output, fs::path(o.output).filename().string());
        if (!problem.empty()) {
            fprintf(stderr, "packer: %s\n", problem.c_str());
            std::error_code ec;
            fs::remove(o.output, ec);  // an unsigned file must not pass for the signed one
            return 1;
        }
    }
#endif
    return 0;
}

#ifndef _WIN32
int ExtractTo(const std::vector<uint8_t>& bytes, const Options& o, const CodePage& codePage) {
    const std::string& file = o.inputs[0];
    int entries = 0, failed = 0;
    const ExtractRequest request{o.extract, o.pack.stubSize, o.pack.password};
    switch (ExtractArchive(bytes, request, codePage, &entries, &failed)) {
        case ExtractDone: return 0;
        case ExtractBadFolder:
            fprintf(stderr, "packer: -x %s: the folder's name must be 1 to %d bytes, as the stub's\n",
                    o.extract.c_str(), kPathCapacity - 1);
            break;
        case ExtractNoArchive: fprintf(stderr, "packer: %s: nothing extracted\n", file.c_str()); break;
        case ExtractNeedsPassword:
            fprintf(stderr, "packer: %s: %s; the entries before it are extracted\n", file.c_str(),
                    o.pack.password.empty() ? "an entry is encrypted: give its password with -p"
                                            : "the password does not fit an encrypted entry");
            break;
        case ExtractFailed:
            fprintf(stderr, "packer: %s: %d of %d entries not extracted\n", file.c_str(), failed, entries);
            break;
    }
    return 1;
}
#endif

int Run(const Options& o) {
    CodePage codePage(o.codePage);
    if (!codePage.Usable()) {
        fprintf(stderr, "packer: this system cannot convert names to code page %u\n", codePage.Number());
        return 2;
    }
    if (o.extract.empty() && o.list.empty() && o.test.empty()) return Pack(o, codePage);
    const std::string& path = !o.extract.empty() ? o.inputs[0] : o.list.empty() ? o.test : o.list;
    std::vector<uint8_t> file;
    if (!ReadFile(path, file)) {
        fprintf(stderr, "packer: cannot read %s\n", path.c_str());
        return 1;
    }
#ifndef _WIN32
    if (!o.extract.empty()) return ExtractTo(file, o, codePage);
#endif
    return o.list.empty() ? TestFile(file, o, codePage) : ListFile(file, o, codePage);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    switch (ParseArguments(argc, argv, options)) {
        case ParseRun: break;
        case ParseHelp: printf("%s%s", kUsage, kSignUsage); return 0;
        case ParseUsage: return 2;
    }
    try {
        return Run(options);
    } catch (const std::exception& e) {  // out of memory, and the like
        fprintf(stderr, "packer: %s\n", e.what());
        return 1;
    }
}
