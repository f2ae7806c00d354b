#include "CommandLine.h"

#include <cstring>

#include "KitText.h"

const char kBadSwitchTail[] = " : 알 수 없는 스위치입니다.\r\n\r\n";

std::vector<std::string> SplitCommandLine(const std::string& cmdline) {
    std::vector<std::string> out;
    size_t i = 0, n = cmdline.size();
    auto at = [&](size_t k) { return k < n ? (unsigned char)cmdline[k] : 0u; };
    for (;;) {
        // Blanks, and empty quoted pairs standing alone, lead to the next parameter.
        for (;;) {
            while (i < n && at(i) <= 32) ++i;
            if (at(i) == '"' && at(i + 1) == '"')
                i += 2;
            else
                break;
        }
        if (i >= n) break;
        std::string param;
        while (i < n && at(i) > 32) {
            if (at(i) == '"') {
                ++i;
                while (i < n && at(i) != '"') param += cmdline[i++];
                if (i < n) ++i;
            } else {
                param += cmdline[i++];
            }
        }
        out.push_back(param);
    }
    return out;
}

bool IsSwitch(const std::string& param, const char* name) { return UpperAscii(param) == UpperAscii(name); }

bool IsValueSwitch(const std::string& param, const char* name, std::string* value) {
    size_t n = std::strlen(name);
    if (param.size() < n || UpperAscii(param.substr(0, n)) != UpperAscii(name)) return false;
    *value = param.substr(n);
    return true;
}
