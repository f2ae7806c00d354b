// mkdist: makes a distribution folder of the kit from a product folder.
//
//   mkdist [options] PRODUCT_DIR OUT_DIR
//
// PRODUCT_DIR holds SETUP.INI (code page 949, or UTF-8, which is converted) and
// what its [FILES] items name: for an archive item "X.RAR" either the archive
// itself or a folder "X" whose contents become the archive; for any other item
// the file itself. The distribution gets setup.exe, UNRAR.DLL and VlUnInst.exe
// from the kit folder. Nothing is left half-made: the folder is assembled under
// a temporary name and renamed at the end.
#include <errno.h>
#include <iconv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "Distribution.h"
#include "IniFile.h"
#include "SetupText.h"

namespace fs = std::filesystem;

namespace {

const char* kUsage =
    "usage: mkdist [options] PRODUCT_DIR OUT_DIR\n"
    "  --kit DIR          folder with setup.exe, VlUnInst.exe and unrar.dll\n"
    "  --disk-size BYTES  split into diskette folders DISK1, DISK2, ... of this size\n"
    "                     (1457664 is a 1.44 MB diskette)\n"
    "  --sfx FILE         also pack the distribution into one self-extracting file\n"
    "  --packer PATH      our packer (for --sfx)\n"
    "  --stub PATH        the selfext stub (for --sfx)\n"
    "  --packer-arg ARG   one more argument for the packer (repeatable)\n"
    "  --force            replace OUT_DIR if it exists\n";

[[noreturn]] void Fail(const std::string& msg) {
    std::cerr << "mkdist: " << msg << "\n";
    std::exit(1);
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) Fail("cannot read " + p.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ToCp949(const std::string& utf8) {
    iconv_t cd = iconv_open("CP949", "UTF-8");
    if (cd == (iconv_t)-1) Fail("this system's iconv has no CP949 converter");
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size(), outLeft = out.size();
    char* o = &out[0];
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == (size_t)-1)
        Fail("SETUP.INI has a character that code page 949 cannot hold (byte " +
             std::to_string(utf8.size() - inLeft) + ")");
    out.resize(out.size() - outLeft);
    return out;
}

// Runs a program without a shell, in a given directory; true on exit code 0.
bool Run(const std::vector<std::string>& args, const fs::path& dir) {
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The product folder on disk; names are matched without regard to ASCII case,
// as they would be on the target system.
struct DiskFolder : ProductFolder {
    std::vector<fs::path> dirs;  // searched in order
    std::string Find(const std::string& name) const override {
        for (const fs::path& d : dirs) {
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(d, ec))
                if (UpperAscii(e.path().filename().string()) == UpperAscii(name)) return e.path().string();
        }
        return "";
    }
    bool IsDirectory(const std::string& p) const override { return fs::is_directory(p); }
    uint64_t Size(const std::string& p) const override {
        if (!fs::is_directory(p)) return fs::file_size(p);
        uint64_t total = 0;
        for (const auto& e : fs::recursive_directory_iterator(p))
            if (e.is_regular_file()) total += e.file_size();
        return total;
    }
};

}  // namespace

int main(int argc, char** argv) {
    fs::path kit, sfx, packer, stub;
    std::vector<std::string> packerArgs, positional;
    uint64_t diskSize = 0;
    bool force = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail(a + " needs a value\n" + kUsage);
            return argv[++i];
        };
        if (a == "--kit")
            kit = value();
        else if (a == "--disk-size") {
            std::string v = value();
            char* end = nullptr;
            diskSize = std::strtoull(v.c_str(), &end, 10);
            if (!*v.c_str() || *end || diskSize == 0) Fail("--disk-size takes a number of bytes");
        } else if (a == "--sfx")
            sfx = value();
        else if (a == "--packer")
            packer = value();
        else if (a == "--stub")
            stub = value();
        else if (a == "--packer-arg")
            packerArgs.push_back(value());
        else if (a == "--force")
            force = true;
        else if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (!a.empty() && a[0] == '-')
            Fail("unknown option " + a + "\n" + kUsage);
        else
            positional.push_back(a);
    }
    if (positional.size() != 2) Fail(std::string("two folders are needed\n") + kUsage);
    const fs::path product = positional[0], out = positional[1];
    if (!fs::is_directory(product)) Fail(product.string() + " is not a folder");
    if (fs::exists(out) && !force) Fail(out.string() + " exists (use --force to replace it)");
    if (!sfx.empty() && (packer.empty() || stub.empty())) Fail("--sfx needs --packer and --stub");
    if (!sfx.empty() && diskSize) Fail("--sfx makes one file; it does not go with --disk-size");

    DiskFolder folder;
    folder.dirs = {product};
    const std::string scriptPath = folder.Find("SETUP.INI");
    if (scriptPath.empty()) Fail(product.string() + " has no SETUP.INI");
    std::string scriptBytes = ReadFile(scriptPath);
    if (IsNonAsciiUtf8(scriptBytes)) scriptBytes = ToCp949(scriptBytes);

    IniFile ini(scriptBytes);
    TSetupScript script;
    FillSetupScript(script, [&ini](const char* s, const char* k, const char* d) { return ini.Get(s, k, d); });

    std::vector<DistFile> kitFiles;
    for (const char* name : {"setup.exe", "UNRAR.DLL", "VlUnInst.exe"}) {
        DiskFolder k;
        k.dirs = {kit.empty() ? fs::path(".") : kit};
        std::string p = k.Find(name);
        if (p.empty()) Fail("the kit folder " + k.dirs[0].string() + " has no " + name);
        kitFiles.push_back({DistFile::KitFile, p, name, fs::file_size(p), 1});
    }

    // First plan without diskettes: it checks the script against the product
    // and tells which archives to make.
    DistPlan plan = PlanDistribution(script, folder, kitFiles, scriptBytes.size(), 0);
    if (!plan.error.empty()) Fail(plan.error);

    const fs::path tmp = out.string() + ".partial";
    fs::remove_all(tmp);
    const fs::path staging = tmp / ".archives";
    fs::create_directories(staging);
    for (const DistFile& f : plan.files) {
        if (f.kind != DistFile::RarFromFolder) continue;
        const fs::path arc = fs::absolute(staging / f.name);
        std::cout << "making " << f.name << " from " << f.source << "\n";
        if (!Run({"rar", "a", "-r", "-m5", "-idq", "-y", arc.string(), "*"}, f.source))
            Fail("rar could not make " + f.name + " from " + f.source);
    }

    // Then the real plan, with the archives' true sizes.
    DiskFolder withArchives;
    withArchives.dirs = {staging, product};
    plan = PlanDistribution(script, withArchives, kitFiles, scriptBytes.size(), diskSize);
    if (!plan.error.empty()) Fail(plan.error);

    for (const DistFile& f : plan.files) {
        const fs::path dir = diskSize ? tmp / ("DISK" + std::to_string(f.disk)) : tmp;
        fs::create_directories(dir);
        if (f.kind == DistFile::Script) {
            std::ofstream(dir / f.name, std::ios::binary) << scriptBytes;
        } else {
            std::error_code ec;
            fs::copy_file(f.source, dir / f.name, fs::copy_options::overwrite_existing, ec);
            if (ec) Fail("cannot copy " + f.source + ": " + ec.message());
        }
        std::cout << (diskSize ? "DISK" + std::to_string(f.disk) + "/" : std::string()) << f.name << "  "
                  << fs::file_size(dir / f.name) << " bytes\n";
    }
    fs::remove_all(staging);
    fs::remove_all(out);
    fs::rename(tmp, out);

    if (!sfx.empty()) {
        std::vector<std::string> cmd = {fs::absolute(packer).string(), "-s", fs::absolute(stub).string()};
        cmd.insert(cmd.end(), packerArgs.begin(), packerArgs.end());
        cmd.push_back("-o");
        cmd.push_back(fs::absolute(sfx).string());
        for (const auto& e : fs::directory_iterator(out)) cmd.push_back(e.path().string());
        if (!Run(cmd, "")) Fail("the packer failed to make " + sfx.string());
        std::cout << "self-extracting file " << sfx.string() << "  " << fs::file_size(sfx) << " bytes\n";
    }
    std::cout << "distribution " << out.string() << ": " << plan.files.size() << " files"
              << (diskSize ? " on " + std::to_string(plan.disks) + " diskettes" : "") << "\n";
    return 0;
}
