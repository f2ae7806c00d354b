// The run log's file: UTF-8 text with CR LF line ends. Windows only.
#pragma once

#include <windows.h>

#include <string>

#include "RunLog.h"

class RunLogFile : public RunLogSink {
public:
    RunLogFile() = default;
    RunLogFile(const RunLogFile&) = delete;
    RunLogFile& operator=(const RunLogFile&) = delete;
    ~RunLogFile() override;

    // Creates the file, replacing one that is there; false when it cannot.
    bool Open(const std::string& path) override;
    // Appends a line given in code page 949, the programs' own, converted to
    // UTF-8. False when the file is not open or not every byte was written.
    bool Write(const std::string& line) override;
    // False when the file was not open or the system reports the close failed.
    bool Close() override;

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};
