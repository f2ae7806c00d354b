#pragma once
// Stored names are bytes of a Windows code page: the stub reads them in the
// ANSI code page of the system it runs on. The file system's names are
// Unicode (UTF-8 bytes on Linux, UTF-16 on Windows); this converts between
// the two, refusing what the code page cannot hold rather than guessing.

#include <filesystem>
#include <string>

class CodePage {
public:
    // `number` 0 is the system's ANSI code page on Windows and 949 (Korean)
    // elsewhere.
    explicit CodePage(unsigned number = 0);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    // False when this system cannot convert to that code page.
    bool Usable() const;
    unsigned Number() const { return number_; }

    // One component of a name in the code page. False when a character has
    // no place in it (no best-fit substitutes: "é" never turns into "e").
    bool Encode(const std::filesystem::path& component, std::string& out) const;

    // Stored bytes for a person to read: UTF-8 on Linux; on Windows, and for
    // bytes that do not convert, the bytes as they are.
    std::string Display(const std::string& stored) const;

private:
    unsigned number_;
    void* toCodePage_ = nullptr;  // iconv descriptors (Linux)
    void* fromCodePage_ = nullptr;
};
