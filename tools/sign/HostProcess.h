// Starting programs from the vendor tools on the build machine (POSIX).
#pragma once

#include <string>
#include <vector>

// Runs args[0] (searched on PATH) with its arguments, without a shell, in
// `dir` (empty: the current folder), feeding `input` to its standard input
// (nothing: /dev/null). True when it ran and exited with code 0.
bool RunProgram(const std::vector<std::string>& args, const std::string& dir,
                const std::string& input = std::string());
