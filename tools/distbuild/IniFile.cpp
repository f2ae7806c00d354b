#include "IniFile.h"

#include "SetupText.h"

IniFile::IniFile(const std::string& text) {
    std::string section;
    size_t pos = 0;
    bool inSection = false;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string line = TrimControl(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            section = UpperAscii(
                TrimControl(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            inSection = true;
            continue;
        }
        size_t eq = line.find('=');
        if (!inSection || eq == std::string::npos) continue;
        std::string value = TrimControl(line.substr(eq + 1));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        if (value.size() > 2047) value.resize(2047);
        entries_.push_back({section, UpperAscii(TrimControl(line.substr(0, eq))), value});
    }
}

std::string IniFile::Get(const std::string& section, const std::string& key, const std::string& def) const {
    const std::string s = UpperAscii(section), k = UpperAscii(key);
    for (const Entry& e : entries_)
        if (e.section == s && e.key == k) return e.value;
    return def;
}

bool IsNonAsciiUtf8(const std::string& b) {
    bool nonAscii = false;
    for (size_t i = 0; i < b.size();) {
        unsigned char c = static_cast<unsigned char>(b[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || i + n >= b.size()) return false;
        if (n) {
            if (c == 0xC0 || c == 0xC1) return false;
            for (size_t j = 1; j <= n; ++j)
                if ((static_cast<unsigned char>(b[i + j]) >> 6) != 2) return false;
            nonAscii = true;
        }
        i += n + 1;
    }
    return nonAscii;
}
