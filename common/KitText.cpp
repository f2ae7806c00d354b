#include "KitText.h"

size_t CharLength(const std::string& s, size_t i) {
    return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

std::string TrimControl(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return s.substr(b, e - b);
}

std::string UpperAscii(std::string s) {
    for (size_t i = 0; i < s.size(); i += CharLength(s, i))
        if (s[i] >= 'a' && s[i] <= 'z') s[i] = static_cast<char>(s[i] - 'a' + 'A');
    return s;
}

size_t FindText(const std::string& text, const std::string& part, size_t from) {
    // Walked from the start: only there are character boundaries known.
    for (size_t i = 0; i <= text.size(); i += i < text.size() ? CharLength(text, i) : 1) {
        if (i < from) continue;
        if (text.compare(i, part.size(), part) == 0) return i;
    }
    return std::string::npos;
}
