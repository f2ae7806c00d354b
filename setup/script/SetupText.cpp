#include "SetupText.h"

std::string ScriptField(const std::string& value, uint16_t index) {
    if (index == 0) return std::string();
    size_t start = 0;
    for (uint16_t field = 1;; ++field) {
        size_t comma = value.find(',', start);
        if (field == index)
            return TrimControl(
                value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return std::string();
        start = comma + 1;
    }
}

std::string ReplaceMacro(const std::string& text, const std::string& token, const std::string& replacement) {
    if (token.empty()) return text;
    const std::string upperToken = UpperAscii(token);
    std::string result = text;
    size_t from = 0;
    for (;;) {
        // Folded again each time: a replacement may change where the
        // characters after it begin.
        const size_t p = FindText(UpperAscii(result), upperToken, from);
        if (p == std::string::npos) return result;
        result.replace(p, token.size(), replacement);
        from = p + replacement.size();
    }
}

std::string DirectoryWithSeparator(const std::string& path) {
    size_t p = path.find_last_of("\\:");
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}
