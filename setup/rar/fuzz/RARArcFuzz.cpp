// Arbitrary bytes as an archive file, through a list, a test and an extract
// run: every path of the component must end, with a result, on any input.
#include "RARArc.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path dir = fs::temp_directory_path() / ("rar_arc_fuzz." + std::to_string(getpid()));
    static const std::string archive = (dir / "in.rar").string();
    static const std::string out = (dir / "out").string();
    fs::create_directories(dir);
    if (FILE* f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }

    TRAR rar;
    int errors = 0;
    rar.OnError = [&](TRAR*, int32_t) { errors++; };
    rar.OnProcessData = [](TRAR*, unsigned char*, int32_t, int32_t) { return 1; };
    rar.OnVolumeChange = [](TRAR*, char*, int32_t mode) { return mode == RAR_VOL_NOTIFY ? 1 : 0; };
    // No password handler, as setup runs it. With a password every encrypted
    // input would pay for a key derivation of up to 2^24 rounds; the library's
    // password paths have their regression inputs in the component's tests.
    rar.OnComment = [](TRAR*, TComment& c) { (void)c.CmtBuf[sizeof c.CmtBuf - 1]; };
    rar.ArchiveName = archive;
    rar.List();
    rar.Test();
    rar.ExtractArchive(archive, out, false);
    fs::remove_all(out);
    return 0;
}
