#include "RunLog.h"

const char kRunLogOpenTail[] = " 파일에 실행 기록을 쓸 수 없습니다.  확인 후 다시 실행 하십시오.";

std::string RunLogLine(const char* step, const std::string& text) {
    std::string line = std::string(step) + ": " + text;
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return line;
}
