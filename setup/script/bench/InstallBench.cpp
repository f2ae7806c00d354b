// Times an install run over one archive against the same archive extracted by
// the UnRAR library alone, with no callbacks, in one process, and prints the
// ratio. Usage: install_bench ARCHIVE WORKDIR [ROUNDS]
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unrar/dll.hpp>

#include "Install.h"
#include "SetupScript.h"
#include "SetupText.h"

static double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

static void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName, p = dir + "\\" + name;
            if (name == "." || name == "..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(p);
            else
                DeleteFileA(p.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

static double PlainExtract(const std::string& archive, const std::string& dest) {
    const double t = Now();
    RAROpenArchiveData d = {};
    d.ArcName = const_cast<char*>(archive.c_str());
    d.OpenMode = RAR_OM_EXTRACT;
    HANDLE h = RAROpenArchive(&d);
    if (!h || d.OpenResult) {
        fprintf(stderr, "cannot open %s (%u)\n", archive.c_str(), d.OpenResult);
        exit(1);
    }
    RARHeaderData hd = {};
    while (RARReadHeader(h, &hd) == 0)
        if (RARProcessFile(h, RAR_EXTRACT, const_cast<char*>(dest.c_str()), nullptr)) break;
    RARCloseArchive(h);
    return Now() - t;
}

static double Install(const std::string& work) {
    LoadSetupScriptFrom(work + "\\");
    CreateInstallForm(GetModuleHandleA(nullptr));
    const double t = Now();
    const bool ok = RunInstall();
    const double elapsed = Now() - t;
    DestroyInstallForm();
    if (!ok) {
        fprintf(stderr, "install did not complete\n");
        exit(1);
    }
    return elapsed;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: install_bench ARCHIVE WORKDIR [ROUNDS]\n");
        return 2;
    }
    CoInitialize(nullptr);
    const std::string archive = argv[1], work = argv[2];
    const int rounds = argc > 3 ? atoi(argv[3]) : 3;
    const std::string plainDir = work + "\\plain", installDir = work + "\\installed";
    CreateDirectoryA(work.c_str(), nullptr);
    const std::string ini = "[APP]\r\nNAME=Bench\r\nINSTALLDIR=" + installDir + "\r\n[FILES]\r\nFILE1=" +
                            archive.substr(DirectoryWithSeparator(archive).size()) + ",<INSTALLDIR>\r\n";
    FILE* f = fopen((work + "\\SETUP.INI").c_str(), "wb");
    fwrite(ini.data(), 1, ini.size(), f);
    fclose(f);
    CopyFileA(archive.c_str(), (work + "\\" + archive.substr(DirectoryWithSeparator(archive).size())).c_str(),
              FALSE);

    double bestPlain = 1e9, bestInstall = 1e9;
    for (int r = 0; r < rounds; ++r) {
        RemoveTree(plainDir);
        RemoveTree(installDir);
        const double p = PlainExtract(archive, plainDir);
        const double i = Install(work);
        printf("round %d: plain %.3f s, install %.3f s\n", r + 1, p, i);
        if (p < bestPlain) bestPlain = p;
        if (i < bestInstall) bestInstall = i;
    }
    RemoveTree(plainDir);
    RemoveTree(installDir);
    printf("best: plain %.3f s, install %.3f s, ratio %.3f\n", bestPlain, bestInstall, bestInstall / bestPlain);
    CoUninitialize();
    return 0;
}
