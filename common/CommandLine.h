// Command lines, as setup and the uninstaller read them: split once into
// parameters, then switches picked out whole. Portable: no window code.
// Byte strings in the system code page; only ASCII letters are folded.
#pragma once

#include <string>
#include <vector>

// How much of a run its user sees, from /SILENT and /VERYSILENT: the same
// in setup and the uninstaller.
enum class Quiet {
    None,        // every window and question, as ever (setup: the wizard's pages)
    Silent,      // no question (taken as Yes); boxes only for what went wrong
                 // (setup: only the install form)
    VerySilent,  // no window at all
};

// Splits a command line into parameters as the platform's run-time does:
// bytes of value 32 or less separate, double quotation marks group and are
// removed. Element 0 is the program itself.
std::vector<std::string> SplitCommandLine(const std::string& cmdline);

// The box text after an unknown switch, before the usage (code page 949).
extern const char kBadSwitchTail[];

// Whether `param` is the switch `name` ("/SILENT"), whole, in any letter case.
bool IsSwitch(const std::string& param, const char* name);

// Whether `param` starts with `name` ("/LOG=") in any letter case; `value`
// then receives the rest, which may be empty.
bool IsValueSwitch(const std::string& param, const char* name, std::string* value);
