#include "RunLog.h"

const char kRunLogOpenTail[] = " 파일에 실행 기록을 쓸 수 없습니다.  확인 후 다시 실행 하십시오.";

bool RunLog::Open(const std::string& path) {
    open_ = sink_.Open(path);
    failed_ = !open_;
    return open_;
}

void RunLog::Step(const char* step, const std::string& text) {
    if (open_ && !failed_ && !sink_.Write(RunLogLine(step, text))) failed_ = true;
}

bool RunLog::Finish(int code, const std::string& text) {
    if (!open_) return true;
    Step("result", std::to_string(code) + " " + text);
    if (!sink_.Close()) failed_ = true;
    open_ = false;
    return !failed_;
}

std::string RunLogLine(const char* step, const std::string& text) {
    std::string line = std::string(step) + ": " + text;
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return line;
}
