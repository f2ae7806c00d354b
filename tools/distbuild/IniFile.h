// A reader of private-profile text (SETUP.INI) for tools that run where the
// platform's reader is not available. It answers as GetPrivateProfileStringA
// does for the cases a setup script uses: sections and keys match without
// regard to ASCII case, the first of duplicate keys wins, blanks around the
// value are dropped, and a value is cut to 2,047 bytes.
#pragma once

#include <string>
#include <vector>

class IniFile {
public:
    // Takes the file's bytes; any bytes are accepted.
    explicit IniFile(const std::string& text);

    std::string Get(const std::string& section, const std::string& key, const std::string& def) const;

private:
    struct Entry {
        std::string section, key, value;  // section and key upper-cased
    };
    std::vector<Entry> entries_;
};

// True when the bytes are valid UTF-8 and hold at least one non-ASCII character,
// i.e. the script was written as UTF-8 rather than in code page 949.
bool IsNonAsciiUtf8(const std::string& bytes);
