// Runs a list pass and an extract pass over the fuzz input taken as the
// attached archive, with every line selected and a disk that keeps nothing.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "ExtractPass.h"
#include "NameRule.h"

namespace {

struct Input {
    ByteSource base;
    const uint8_t* data;
    size_t size, at;
};

uint32_t Read(ByteSource* self, void* buffer, uint32_t size) {
    Input* in = (Input*)self;
    size_t n = in->size - in->at < size ? in->size - in->at : size;
    memcpy(buffer, in->data + in->at, n);
    in->at += n;
    return (uint32_t)n;
}

int64_t Seek(ByteSource* self, uint32_t offset) {
    Input* in = (Input*)self;
    if (offset > in->size) return -1;
    in->at = offset;
    return offset;
}

std::vector<std::string> lines;
std::vector<bool> selected;
std::set<std::string> folders;
bool storedPaths;

bool Discard(ByteSink*, const uint8_t*, uint32_t) { return true; }
ByteSink sink = {Discard};

int Ask(PasswordPrompt*, char buffer[kPasswordCapacity]) {
    strcpy(buffer, "pw");
    return 2;
}
PasswordPrompt prompt = {Ask};

std::string Lower(const char* s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return out;
}

PassHost host = {
    {
        [](PassHost*) {
            lines.clear();
            selected.clear();
        },
        [](PassHost*, const char* line) {
            lines.push_back(line);
            selected.push_back(true);
        },
        [](PassHost*) { return (int)lines.size(); },
        [](PassHost*, const char* name, int after) {
            int n = (int)lines.size();
            for (int k = 1; k <= n; ++k) {
                int i = ((after + k) % n + n) % n;
                if (Lower(lines[i].c_str()) == Lower(name)) return i;
            }
            return -1;
        },
        [](PassHost*, int i) { return (bool)selected.at(i); },
        [](PassHost*, int i) { selected.at(i) = false; },
        [](PassHost*) {
            int n = 0;
            for (bool s : selected) n += s;
            return n;
        },
    },
    {
        [](PassHost*, char* path) { return folders.count(path) > 0; },
        [](PassHost*, const char* path) { folders.insert(path); },
        [](PassHost*, const char*) { return &sink; },
        [](PassHost*, ByteSink*, const char*, uint32_t, bool) { return true; },
    },
    {
        [](PassHost*) { return storedPaths; },
        [](PassHost*) { storedPaths = false; },
        [](PassHost*, PassNotice, const char*) {},
        [](PassHost*, PassStatus, const char*) {},
        [](PassHost*, uint32_t done, uint32_t total) {
            if (done > total) __builtin_trap();
        },
        [](PassHost*) { return false; },
        [](PassHost*, const char*) { return true; },
    },
    &prompt,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static DecodeWorkspace work;
    static PassSettings settings;
    Input in = {{Read, Seek}, data, size, 0};
    settings = PassSettings{};
    strcpy(settings.extractPath, "C:\\OUT");
    settings.overwriteMode = OverwriteConfirm;
    folders.clear();
    storedPaths = true;
    ProcessArchive(&host, &in.base, &settings, true, &work);
    ProcessArchive(&host, &in.base, &settings, false, &work);
    std::string name((const char*)data, size < 300 ? size : 300);
    IsConfinedName(name.c_str());
    return 0;
}
