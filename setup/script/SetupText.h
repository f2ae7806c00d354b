// Text helpers of the setup script. Strings are byte strings in code page
// 949; only the ASCII letters a to z are ever folded, never a byte of a
// Korean character (see KitText.h).
#pragma once

#include <cstdint>
#include <string>

#include "KitText.h"

// The index-th (1-based) comma-separated field of a script value, trimmed.
// A value with fewer fields, or index 0, yields the empty string.
std::string ScriptField(const std::string& value, uint16_t index);

// Replaces every occurrence of token (matched without regard to ASCII case,
// and only where a character starts).
// The search goes on after each inserted replacement, so a replacement that
// contains the token itself cannot loop.
std::string ReplaceMacro(const std::string& text, const std::string& token, const std::string& replacement);

// Everything up to and including the last '\' or ':' of a path ("" if none).
std::string DirectoryWithSeparator(const std::string& path);
