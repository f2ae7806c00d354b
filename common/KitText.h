// Text helpers that setup, the uninstaller and the vendor tools share.
// Strings are byte strings in the system code page; only the ASCII letters
// a to z are ever folded.
#pragma once

#include <string>

// Removes every leading and trailing byte whose code is 32 or less.
std::string TrimControl(const std::string& s);

// Upper-cases the ASCII letters a to z only.
std::string UpperAscii(std::string s);
