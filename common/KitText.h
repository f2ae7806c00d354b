// Text helpers that setup, the uninstaller and the vendor tools share.
// Strings are byte strings in code page 949, the system code page of the
// systems the kit installs on: a byte 0x81-0xFE opens a double-byte
// character and the byte after it is its trail byte, whatever its value.
// Trail bytes include 0x41-0x5A and 0x61-0x7A, so a byte that looks like an
// ASCII letter may be half of a Korean character. Not meant for UTF-8 text.
#pragma once

#include <cstddef>
#include <string>

// True for a byte that opens a double-byte character.
constexpr bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Bytes in the character that starts at i: 2 for a lead byte with a byte
// after it, else 1 (a lead byte that ends the text stands alone).
size_t CharLength(const std::string& s, size_t i);

// Removes every leading and trailing byte whose code is 32 or less.
std::string TrimControl(const std::string& s);

// Upper-cases the ASCII letters a to z that are characters of their own.
// Double-byte characters pass unchanged, trail byte included, so two
// different Korean names never fold to the same text.
std::string UpperAscii(std::string s);

// The first place at or after from where part occurs in text and that starts
// a character of text (never a trail byte), or npos. An empty part is found
// at the first character start at or after from.
size_t FindText(const std::string& text, const std::string& part, size_t from = 0);
