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
