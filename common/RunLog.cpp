#include "RunLog.h"

std::string RunLogLine(const char* step, const std::string& text) {
    std::string line = std::string(step) + ": " + text;
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return line;
}
