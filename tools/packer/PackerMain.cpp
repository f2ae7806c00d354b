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
    "options:\n"
    "  -s STUB          the stub program (without it the stub area is zero-filled)\n"
    "  --stub-size N    bytes before the first entry (default " KIT_NUMBER_TEXT(KIT_STUB_SIZE) "); the stub is\n"
    "                   padded with zeros to this size and must not be larger\n"
    "  -m METHOD        stored, deflate (default) or lzh\n"
    "  -1 .. -9         Deflate level (default 9)\n"
    "  -p PASSWORD      encrypt every entry (at most 24 characters)\n"
    "  --time-check     the check byte comes from the DOS time instead of the CRC\n"
    "  --no-paths       store bare file names instead of paths below each input\n"
    "  --dirs           also store an entry for every folder\n";

bool ReadFile(const fs::path& path, std::vector<uint8_t>& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

// The file's own modification time; converting through the file clock would
// mix two readings of "now" and could store a time up to two seconds early.
uint32_t FileDosTime(const fs::path& path) {
    struct stat st;
    if (stat(path.string().c_str(), &st) != 0) return DosDateTime(0);
    return DosDateTime(static_cast<int64_t>(st.st_mtime));
}

std::string StoredName(const fs::path& relative) {
    std::string name = relative.generic_string();
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

struct Item {
    fs::path path;
    std::string name;
    bool directory;
};

bool Collect(const fs::path& input, bool paths, bool dirs, std::vector<Item>& items) {
    std::error_code ec;
    fs::file_status st = fs::status(input, ec);
    if (ec || !fs::exists(st)) {
        fprintf(stderr, "packer: cannot read %s\n", input.string().c_str());
        return false;
    }
    fs::path base = input.lexically_normal();
    if (base.has_filename() == false) base = base.parent_path();
    if (!fs::is_directory(st)) {
        items.push_back({input, StoredName(base.filename()), false});
        return true;
    }
    std::vector<fs::path> found;
    for (auto it = fs::recursive_directory_iterator(input, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        found.push_back(it->path());
    if (ec) {
        fprintf(stderr, "packer: cannot list %s: %s\n", input.string().c_str(), ec.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    if (dirs && paths) items.push_back({input, StoredName(base.filename()) + "\\", true});
    for (const fs::path& p : found) {
        bool isDir = fs::is_directory(p, ec);
        if (isDir && !(dirs && paths)) continue;
        fs::path rel = base.filename() / p.lexically_relative(input);
        std::string name = paths ? StoredName(rel) : StoredName(p.filename());
        if (isDir) name += "\\";
        items.push_back({p, name, isDir});
    }
    return true;
}

int List(const std::vector<uint8_t>& file, uint32_t stubSize) {
    std::vector<ListedEntry> entries;
    WalkStatus st = ListEntries(file, stubSize, entries);
    static const char* methods[] = {"stored", "lzh", "?", "?", "?", "?", "?", "?", "deflate"};
    printf("%-8s %5s %10s %10s %8s %-16s %s\n", "method", "flags", "packed", "size", "crc", "date", "name");
    for (const ListedEntry& e : entries) {
        const EntryHeader& h = e.header;
        uint32_t d = h.dosDateTime >> 16, t = h.dosDateTime & 0xFFFF;
        printf("%-8s %5s %10d %10d %08x %04u-%02u-%02u %02u:%02u %s\n",
               h.method <= 8 ? methods[h.method] : "?",
               (h.flags & kFlagEncrypted) ? ((h.flags & kFlagCheckByteFromTime) ? "E+T" : "E") : "-",
               h.compressedSize, h.uncompressedSize, h.crc, 1980 + (d >> 9), (d >> 5) & 15, d & 31, t >> 11,
               (t >> 5) & 63, e.name.c_str());
    }
    if (st != WalkEnd) {
        fprintf(stderr, "packer: %s\n", WalkStatusText(st));
        return 1;
    }
    if (entries.empty()) {
        fprintf(stderr, "packer: no entries\n");
        return 1;
    }
    return 0;
}

int Test(const std::vector<uint8_t>& file, uint32_t stubSize, const std::string& password) {
    std::vector<TestedEntry> results;
    WalkStatus st = TestEntries(file, stubSize, password, results);
    int failed = 0;
    for (const TestedEntry& r : results) {
        printf("%s: %s (%s)\n", r.name.c_str(), r.passed ? "ok" : "FAILED", r.detail.c_str());
        if (!r.passed) ++failed;
    }
    if (st != WalkEnd) {
        fprintf(stderr, "packer: %s\n", WalkStatusText(st));
        return 1;
    }
    return failed ? 1 : 0;
}

}  // namespace

static int Main(int argc, char** argv) {
    PackOptions options;
    std::string output, stubPath, listPath, testPath;
    bool paths = true, dirs = false;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* what) -> std::string {
            if (i + 1 >= argc) {
                fprintf(stderr, "packer: %s needs %s\n", a.c_str(), what);
                exit(2);
            }
            return argv[++i];
        };
        if (a == "-o")
            output = value("a file");
        else if (a == "-s")
            stubPath = value("a file");
        else if (a == "-l")
            listPath = value("a file");
        else if (a == "-t")
            testPath = value("a file");
        else if (a == "-p")
            options.password = value("a password");
        else if (a == "--stub-size") {
            std::string v = value("a size");
            char* end = nullptr;
            unsigned long n = strtoul(v.c_str(), &end, 10);
            if (v.empty() || *end || n > 0x7FFFFFFFul) {
                fprintf(stderr, "packer: bad stub size %s\n", v.c_str());
                return 2;
            }
            options.stubSize = (uint32_t)n;
        } else if (a == "-m") {
            std::string m = value("a method");
            if (m == "stored")
                options.method = kMethodStored;
            else if (m == "deflate")
                options.method = kMethodDeflate;
            else if (m == "lzh")
                options.method = kMethodLzh;
            else {
                fprintf(stderr, "packer: unknown method %s (stored, deflate, lzh)\n", m.c_str());
                return 2;
            }
        } else if (a.size() == 2 && a[0] == '-' && a[1] >= '1' && a[1] <= '9')
            options.deflateLevel = a[1] - '0';
        else if (a == "--time-check")
            options.checkByteFromTime = true;
        else if (a == "--no-paths")
            paths = false;
        else if (a == "--dirs")
            dirs = true;
        else if (a == "-h" || a == "--help") {
            fputs(kUsage, stdout);
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            fprintf(stderr, "packer: unknown option %s\n%s", a.c_str(), kUsage);
            return 2;
        } else
            inputs.push_back(a);
    }
    if (options.password.size() > kMaxPassword) {
        fprintf(stderr, "packer: password longer than %zu characters\n", kMaxPassword);
        return 2;
    }

    if (!listPath.empty() || !testPath.empty()) {
        std::vector<uint8_t> file;
        const std::string& path = listPath.empty() ? testPath : listPath;
        if (!ReadFile(path, file)) {
            fprintf(stderr, "packer: cannot read %s\n", path.c_str());
            return 1;
        }
        return listPath.empty() ? Test(file, options.stubSize, options.password)
                                : List(file, options.stubSize);
    }
    if (output.empty() || inputs.empty()) {
        fputs(kUsage, stderr);
        return 2;
    }

    std::vector<uint8_t> result;
    if (!stubPath.empty() && !ReadFile(stubPath, result)) {
        fprintf(stderr, "packer: cannot read stub %s\n", stubPath.c_str());
        return 1;
    }
    if (!PadStub(result, options.stubSize)) {
        fprintf(stderr, "packer: stub %s is %zu bytes, more than the stub size %u\n", stubPath.c_str(),
                result.size(), options.stubSize);
        return 1;
    }

    std::vector<Item> items;
    for (const std::string& in : inputs)
        if (!Collect(in, paths, dirs, items)) return 1;

    std::random_device device;
    RandomBytes random = [&](uint8_t* out, size_t n) {
        for (size_t i = 0; i < n; ++i) out[i] = (uint8_t)device();
    };
    for (const Item& item : items) {
        std::string problem = NameProblem(item.name, item.directory);
        if (!problem.empty()) {
            fprintf(stderr, "packer: %s: %s\n", item.path.string().c_str(), problem.c_str());
            return 1;
        }
        std::vector<uint8_t> entry;
        if (item.directory) {
            entry = MakeDirectoryEntry(item.name, FileDosTime(item.path));
        } else {
            std::vector<uint8_t> data;
            if (!ReadFile(item.path, data)) {
                fprintf(stderr, "packer: cannot read %s\n", item.path.string().c_str());
                return 1;
            }
            if (data.size() > 0x7FFFFFF0u) {
                fprintf(stderr, "packer: %s: larger than 2 GiB\n", item.path.string().c_str());
                return 1;
            }
            entry = MakeEntry(item.name, data.data(), data.size(), FileDosTime(item.path), options, random);
            if ((uint64_t)result.size() + entry.size() > 0xFFFFFFFFull) {
                fprintf(stderr, "packer: archive would exceed 4 GiB\n");
                return 1;
            }
        }
        result.insert(result.end(), entry.begin(), entry.end());
    }

    std::ofstream f(output, std::ios::binary | std::ios::trunc);
    f.write((const char*)result.data(), (std::streamsize)result.size());
    f.close();
    if (!f) {
        fprintf(stderr, "packer: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    // File names the system code page cannot express, and the like.
    try {
        return Main(argc, argv);
    } catch (const std::exception& e) {
        fprintf(stderr, "packer: %s\n", e.what());
        return 1;
    }
}
