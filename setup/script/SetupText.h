// Text helpers shared by the setup script, the install engine and the
// uninstaller's log reader. Strings are byte strings in the system code page;
// only the ASCII letters a to z are ever folded, so double-byte code page 949
// characters pass through unchanged.
#pragma once

#include <cstdint>
#include <string>

// Removes every leading and trailing byte whose code is 32 or less.
std::string TrimControl(const std::string& s);

// Upper-cases the ASCII letters a to z only.
std::string UpperAscii(std::string s);

// The index-th (1-based) comma-separated field of a script value, trimmed.
// A value with fewer fields, or index 0, yields the empty string.
std::string ScriptField(const std::string& value, uint16_t index);

// Replaces every occurrence of token (matched without regard to ASCII case).
// The search goes on after each inserted replacement, so a replacement that
// contains the token itself cannot loop.
std::string ReplaceMacro(const std::string& text, const std::string& token, const std::string& replacement);

// Everything up to and including the last '\' or ':' of a path ("" if none).
std::string DirectoryWithSeparator(const std::string& path);
