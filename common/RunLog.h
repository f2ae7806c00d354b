// The run log that /LOG= asks for: one line per step, "step: text", so that
// a script can pick the lines it wants. This part is portable; the file
// itself (RunLogFile.h) is written as UTF-8 on Windows.
#pragma once

#include <functional>
#include <string>

// The box text after a run log's path that cannot be created (code page 949).
extern const char kRunLogOpenTail[];

// One step's line, without its end. Bytes below 32 in `text` (a path read
// from a damaged log may hold any) become blanks, so a step never spans lines.
std::string RunLogLine(const char* step, const std::string& text);

// Who hears the steps of a run as they are done: the run log, when there is one.
using RunStepFn = std::function<void(const char* step, const std::string& text)>;

// Where a run log's lines go: its file (RunLogFile), or the uninstaller's host.
class RunLogSink {
public:
    virtual ~RunLogSink() = default;
    // Creates the file, replacing one that is there.
    virtual bool Open(const std::string& path) = 0;
    // One line, without its end, in code page 949.
    virtual bool Write(const std::string& line) = 0;
    virtual bool Close() = 0;
};

// What setup and the uninstaller both keep to: the log is opened before the
// run changes anything (a run that cannot open it does nothing), a line that
// cannot be written stops every later one, and "result: CODE TEXT" comes
// last. The caller turns a success into its own code when Finish says the
// log did not reach its end.
class RunLog {
public:
    explicit RunLog(RunLogSink& sink) : sink_(sink) {}
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    bool Open(const std::string& path);
    bool IsOpen() const { return open_; }
    void Step(const char* step, const std::string& text);
    // The result line, then closed. True when no log was open or every line
    // of it was written and it closed.
    bool Finish(int code, const std::string& text);

private:
    RunLogSink& sink_;
    bool open_ = false, failed_ = false;
};
