// The run log's file: UTF-8 text with CR LF line ends. Windows only.
#pragma once

#include <windows.h>

#include <string>

class RunLogFile {
public:
    RunLogFile() = default;
    RunLogFile(const RunLogFile&) = delete;
    RunLogFile& operator=(const RunLogFile&) = delete;
    ~RunLogFile();

    // Creates the file, replacing one that is there; false when it cannot.
    bool Open(const std::string& path);
    // Appends a line given in code page 949, the programs' own, converted to
    // UTF-8. False when the file is not open or not every byte was written.
    bool Write(const std::string& line);
    // False when the file was not open or the system reports the close failed.
    bool Close();

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};
