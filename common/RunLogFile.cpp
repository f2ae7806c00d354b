#include "RunLogFile.h"

#include <vector>

namespace {

const UINT kProgramCodePage = 949;

// Bytes that are no character of the code page become U+FFFD: a path read
// from a damaged log still gets its line.
std::string ToUtf8(const std::string& text) {
    if (text.empty()) return std::string();
    int wide = MultiByteToWideChar(kProgramCodePage, 0, text.data(), (int)text.size(), nullptr, 0);
    if (wide <= 0) return std::string();
    std::vector<wchar_t> w(wide);
    MultiByteToWideChar(kProgramCodePage, 0, text.data(), (int)text.size(), w.data(), wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &out[0], bytes, nullptr, nullptr);
    return out;
}

}  // namespace

RunLogFile::~RunLogFile() { Close(); }

bool RunLogFile::Open(const std::string& path) {
    Close();
    file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    return file_ != INVALID_HANDLE_VALUE;
}

bool RunLogFile::Write(const std::string& line) {
    if (file_ == INVALID_HANDLE_VALUE) return false;
    std::string bytes = ToUtf8(line) + "\r\n";
    if (bytes.size() == 2 && !line.empty()) return false;  // not converted
    DWORD put = 0;
    return ::WriteFile(file_, bytes.data(), (DWORD)bytes.size(), &put, nullptr) && put == bytes.size();
}

bool RunLogFile::Close() {
    if (file_ == INVALID_HANDLE_VALUE) return false;
    bool ok = CloseHandle(file_) != 0;
    file_ = INVALID_HANDLE_VALUE;
    return ok;
}
