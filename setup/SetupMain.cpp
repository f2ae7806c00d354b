#include <windows.h>

#include <cstdio>
#include <cstring>

#include "SetupScript.h"

// "setup /dump[=FILE]" writes the settings loaded from SETUP.INI to FILE (or
// to standard output) and ends, so a vendor can check a script.
static bool DumpRequested(const char* cmd, std::string& file) {
    const char* p = strstr(cmd, "/dump");
    if (!p) p = strstr(cmd, "/DUMP");
    if (!p) return false;
    p += 5;
    if (*p == '=') {
        ++p;
        const char* e = p;
        char quote = 0;
        if (*p == '"') quote = *p++, e = p;
        while (*e && (quote ? *e != quote : *e != ' ')) ++e;
        file.assign(p, e);
    }
    return true;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmd, int) {
    std::string dumpFile;
    if (DumpRequested(cmd, dumpFile)) {
        LoadSetupScript();
        const std::string text = DescribeSetupScript(SetupScript);
        FILE* f = dumpFile.empty() ? stdout : fopen(dumpFile.c_str(), "wb");
        if (!f) return 2;
        fwrite(text.data(), 1, text.size(), f);
        if (f != stdout) fclose(f);
        return 0;
    }
    LoadSetupScript();
    MessageBoxA(nullptr, DescribeSetupScript(SetupScript).c_str(), "설치", MB_OK);
    return 0;
}
