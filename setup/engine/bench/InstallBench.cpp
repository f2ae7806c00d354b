// Times an install run over some archives against the same archives
// extracted by the UnRAR library alone, with no callbacks, in one process,
// and prints the ratio. Usage: install_bench WORKDIR ROUNDS ARCHIVE...
// (the archives' names, in WORKDIR)
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <algorithm>

#include <unrar/dll.hpp>

#include "Install.h"
#include "RARArc.h"
#include "SetupScript.h"
#include "SetupText.h"

static double Wall() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

// User and kernel time of this process: on a busy machine the wall clock
// mostly measures the other processes.
static double Cpu() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto sec = [](const FILETIME& t) {
        return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return sec(kernel) + sec(user);
}

struct Span {
    double wall, cpu;
};

struct Clock {
    double wall = Wall(), cpu = Cpu();
    Span Elapsed() const { return {Wall() - wall, Cpu() - cpu}; }
};

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

static void PlainExtractOne(const std::string& archive, const std::string& dest) {
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
}

static Span PlainExtract(const std::vector<std::string>& archives, const std::string& dest) {
    const Clock t;
    for (const std::string& a : archives) PlainExtractOne(a, dest);
    return t.Elapsed();
}

// The component alone, with a data handler that only answers: the library's
// callback cost without the window's.
static Span Component(const std::vector<std::string>& archives, const std::string& dest) {
    const Clock t;
    for (const std::string& a : archives) {
        TRAR rar;
        rar.OnProcessData = [](TRAR*, unsigned char*, int32_t, int32_t) { return 1; };
        rar.ExtractArchive(a, dest, false);
    }
    return t.Elapsed();
}

static Span Install(const std::string& work) {
    LoadSetupScriptFrom(work + "\\");
    CreateInstallForm();
    const Clock t;
    const bool ok = RunInstall().Status == rsCompleted;
    const Span elapsed = t.Elapsed();
    DestroyInstallForm();
    if (!ok) {
        fprintf(stderr, "install did not complete\n");
        exit(1);
    }
    return elapsed;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: install_bench WORKDIR ROUNDS ARCHIVE...\n");
        return 2;
    }
    CoInitialize(nullptr);
    const std::string work = argv[1];
    const int rounds = atoi(argv[2]) > 0 ? atoi(argv[2]) : 3;
    const std::string plainDir = work + "\\plain", installDir = work + "\\installed";
    std::vector<std::string> archives;
    std::string ini = "[APP]\r\nNAME=Bench\r\nINSTALLDIR=" + installDir + "\r\n[FILES]\r\n";
    for (int i = 3; i < argc; ++i) {
        archives.push_back(work + "\\" + argv[i]);
        ini += "FILE" + std::to_string(i - 2) + "=" + argv[i] + ",<INSTALLDIR>\r\n";
    }
    FILE* f = fopen((work + "\\SETUP.INI").c_str(), "wb");
    if (!f || fwrite(ini.data(), 1, ini.size(), f) != ini.size() || fclose(f) != 0) {
        fprintf(stderr, "cannot write %s\\SETUP.INI\n", work.c_str());
        return 1;
    }

    // Each round runs the three in a rotated order, so none always has the
    // freshest caches. On a busy machine one lucky round makes the best
    // times lie; the medians are printed beside them.
    Span best[3] = {{1e9, 1e9}, {1e9, 1e9}, {1e9, 1e9}};
    std::vector<double> walls[3], cpus[3];
    for (int r = 0; r < rounds; ++r) {
        Span t[3];
        for (int k = 0; k < 3; ++k) {
            const int which = (r + k) % 3;
            RemoveTree(plainDir);
            RemoveTree(installDir);
            t[which] = which == 0   ? PlainExtract(archives, plainDir)
                       : which == 1 ? Component(archives, plainDir)
                                    : Install(work);
            walls[which].push_back(t[which].wall);
            cpus[which].push_back(t[which].cpu);
            if (t[which].wall < best[which].wall) best[which].wall = t[which].wall;
            if (t[which].cpu < best[which].cpu) best[which].cpu = t[which].cpu;
        }
        printf("round %d: plain %.3f s (cpu %.3f), component %.3f s (cpu %.3f), install %.3f s (cpu %.3f)\n",
               r + 1, t[0].wall, t[0].cpu, t[1].wall, t[1].cpu, t[2].wall, t[2].cpu);
    }
    RemoveTree(plainDir);
    RemoveTree(installDir);
    printf("best: plain %.3f s (cpu %.3f), component %.3f s (cpu %.3f), install %.3f s (cpu %.3f)\n",
           best[0].wall, best[0].cpu, best[1].wall, best[1].cpu, best[2].wall, best[2].cpu);
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    printf("ratio install/plain, best times: wall %.3f, cpu %.3f\n", best[2].wall / best[0].wall,
           best[2].cpu / best[0].cpu);
    printf("ratio install/plain, medians:    wall %.3f, cpu %.3f\n", median(walls[2]) / median(walls[0]),
           median(cpus[2]) / median(cpus[0]));
    CoUninitialize();
    return 0;
}
