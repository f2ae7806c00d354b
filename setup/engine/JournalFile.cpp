#include "JournalFile.h"

#include <cstring>

#include "KitText.h"
#include "Sha256.h"

const char kJournalFolderName[] = "~setup-journal";

namespace {

const char kHex[] = "0123456789abcdef";

bool Escaped(unsigned char c) { return c < 0x20 || c == '%' || c == 0x7F; }

void PutField(std::string& line, const std::string& field) {
    for (const char ch : field) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (Escaped(c)) {
            line += '%';
            line += kHex[c >> 4];
            line += kHex[c & 15];
        } else {
            line += ch;
        }
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Only the form PutField writes: anything else is damage.
bool TakeField(const char* p, size_t n, std::string* field) {
    field->clear();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c == '%') {
            if (n - i < 3) return false;
            const int hi = HexDigit(p[i + 1]), lo = HexDigit(p[i + 2]);
            if (hi < 0 || lo < 0) return false;
            const unsigned char v = static_cast<unsigned char>(hi * 16 + lo);
            if (!Escaped(v)) return false;
            field->push_back(static_cast<char>(v));
            i += 2;
        } else if (Escaped(c)) {
            return false;
        } else {
            field->push_back(static_cast<char>(c));
        }
    }
    return true;
}

std::string Check(const char* p, size_t n) {
    Sha256 sha;
    sha.Update(p, n);
    return sha.HexDigest().substr(0, 8);
}

// The kinds and how many fields each has.
struct TKindShape {
    const char* kind;
    size_t fields;
};
const TKindShape kKinds[] = {{"journal", 3}, {"created", 1}, {"kept", 2},    {"backups", 1}, {"folder", 1},
                             {"key", 1},     {"value", 4},   {"restart", 3}, {"done", 0}};

bool KnownShape(const TJournalRecord& r) {
    for (const TKindShape& k : kKinds)
        if (r.Kind == k.kind) return r.Fields.size() == k.fields;
    return false;
}

}  // namespace

std::string JournalLine(uint32_t n, const TJournalRecord& record) {
    std::string line = std::to_string(n) + "\t" + record.Kind;
    for (const std::string& f : record.Fields) {
        line += '\t';
        PutField(line, f);
    }
    const std::string check = Check(line.data(), line.size());
    return line + "\t" + check + "\n";
}

std::vector<TJournalRecord> ReadJournal(const std::string& bytes) {
    std::vector<TJournalRecord> records;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t end = bytes.find('\n', at);
        if (end == std::string::npos) break;  // torn: the kill came before its end
        const char* line = bytes.data() + at;
        const size_t length = end - at;
        at = end + 1;
        const char* lastTab = nullptr;
        for (size_t i = length; i > 0 && !lastTab; --i)
            if (line[i - 1] == '\t') lastTab = line + i - 1;
        if (!lastTab || line + length - (lastTab + 1) != 8 ||
            Check(line, lastTab - line) != std::string(lastTab + 1, 8))
            break;
        // The number, the kind, then the fields, tab-separated.
        std::vector<std::string> parts;
        const char* p = line;
        for (;;) {
            const char* tab = static_cast<const char*>(memchr(p, '\t', lastTab - p));
            const char* stop = tab ? tab : lastTab;
            std::string part;
            if (!TakeField(p, stop - p, &part)) return records;
            parts.push_back(part);
            if (!tab) break;
            p = tab + 1;
        }
        if (parts.size() < 2 || parts[0] != std::to_string(records.size())) break;
        TJournalRecord r;
        r.Kind = parts[1];
        r.Fields.assign(parts.begin() + 2, parts.end());
        if (!KnownShape(r) || (records.empty()) != (r.Kind == "journal")) break;
        if (r.Kind == "journal" && r.Fields[0] != "1") break;
        records.push_back(r);
    }
    return records;
}

std::string JournalName(const std::string& title, const std::string& dir) {
    const std::string key = UpperAscii(title) + "\n" + UpperAscii(dir);
    Sha256 sha;
    sha.Update(key.data(), key.size());
    return sha.HexDigest().substr(0, 16) + ".jnl";
}
