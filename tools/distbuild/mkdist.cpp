// mkdist: makes a distribution folder of the kit from a product folder.
//
//   mkdist [options] PRODUCT_DIR OUT_DIR
//
// PRODUCT_DIR holds SETUP.INI (code page 949, or UTF-8, which is converted) and
// what its [FILES] items name: for an archive item "X.RAR" either the archive
// itself or a folder "X" whose contents become the archive; for any other item
// the file itself. The distribution gets setup.exe, UNRAR.DLL and VlUnInst.exe
// from the kit folder. Nothing is left half-made: the folder and the self-
// extracting file are made and signed under temporary names and renamed
// only once everything has succeeded.
#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "CodePage.h"
#include "CodeSign.h"
#include "Distribution.h"
#include "HostProcess.h"
#include "IniFile.h"
#include "NameRule.h"
#include "RARArc.h"
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
    "  --run PROGRAM      the self-extracting file starts PROGRAM (setup.exe) once\n"
    "                     unpacked; with /S it unpacks into --silent-dir, runs it\n"
    "                     with the arguments after --, and exits with its code\n"
    "  --silent-dir DIR   where /S unpacks (default %TEMP%\\ and the file's name)\n"

    "  --force            replace OUT_DIR if it exists\n"
    "signing setup.exe, VlUnInst.exe, UNRAR.DLL and the self-extracting file:\n";

std::string Usage() { return std::string(kUsage) + kSignUsage; }

// Every failure ends the run through this one exception (file-system errors
// arrive as std::filesystem::filesystem_error); main reports it.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& msg) { throw Failure(msg); }

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

struct Options {
    fs::path kit, sfx, packer, stub, product, out;
    std::string run, silentDir;
    std::vector<std::string> packerArgs;
    uint64_t diskSize = 0;
    bool force = false;
    bool help = false;
    SignOptions sign;
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail(a + " needs a value\n" + Usage());
            return argv[++i];
        };
        if (a == "--kit") {
            o.kit = value();
        } else if (a == "--disk-size") {
            const std::string v = value();
            char* end = nullptr;
            o.diskSize = std::strtoull(v.c_str(), &end, 10);
            if (v.empty() || *end || o.diskSize == 0) Fail("--disk-size takes a number of bytes");
        } else if (a == "--sfx") {
            o.sfx = value();
        } else if (a == "--packer") {
            o.packer = value();
        } else if (a == "--stub") {
            o.stub = value();
        } else if (a == "--run") {
            o.run = value();
        } else if (a == "--silent-dir") {
            o.silentDir = value();
        } else if (a == "--packer-arg") {
            o.packerArgs.push_back(value());
        } else if (a.compare(0, 7, "--sign-") == 0 || a == "--timestamp") {
            const std::string v = value();
            if (!TakeSignOption(a, v, o.sign)) Fail("unknown option " + a + "\n" + Usage());
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "-h" || a == "--help") {
            o.help = true;
            return o;
        } else if (!a.empty() && a[0] == '-') {
            Fail("unknown option " + a + "\n" + Usage());
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) Fail(std::string("two folders are needed\n") + Usage());
    o.product = positional[0];
    o.out = positional[1];
    if (!o.sfx.empty() && (o.packer.empty() || o.stub.empty())) Fail("--sfx needs --packer and --stub");
    if (!o.sfx.empty() && o.diskSize) Fail("--sfx makes one file; it does not go with --disk-size");
    if (o.sfx.empty() && (!o.run.empty() || !o.silentDir.empty())) Fail("--run and --silent-dir need --sfx");
    const std::string signProblem = CheckSignOptions(o.sign);
    if (!signProblem.empty()) Fail(signProblem);
    return o;
}

// The script's bytes in code page 949, and the settings they hold.
std::string LoadScript(const DiskFolder& product, TSetupScript& script) {
    const std::string scriptPath = product.Find("SETUP.INI");
    if (scriptPath.empty()) Fail(product.dirs[0].string() + " has no SETUP.INI");
    std::string bytes = ReadFile(scriptPath);
    if (IsNonAsciiUtf8(bytes)) bytes = ToCp949(bytes);
    IniFile ini(bytes);
    FillSetupScript(script, [&ini](const char* s, const char* k, const char* d) { return ini.Get(s, k, d); });
    return bytes;
}

std::vector<DistFile> KitFiles(const fs::path& kit) {
    std::vector<DistFile> files;
    DiskFolder k;
    k.dirs = {kit.empty() ? fs::path(".") : kit};
    for (const char* name : {"setup.exe", "UNRAR.DLL", "VlUnInst.exe"}) {
        const std::string p = k.Find(name);
        if (p.empty()) Fail("the kit folder " + k.dirs[0].string() + " has no " + name);
        files.push_back({DistFile::KitFile, p, name, fs::file_size(p), 1});
    }
    return files;
}

// `file` is signed under the description of `named`, its final name.
void Sign(const SignOptions& sign, const fs::path& file, const fs::path& named) {
    const std::string problem = SignFile(sign, file.string(), "Varnel " + named.filename().string());
    if (!problem.empty()) Fail(problem);
    std::cout << "signed " << named.string() << "\n";
}

fs::path Partial(const fs::path& path) { return path.string() + ".partial"; }

// True when `inner` is `outer` or lies below it (both made absolute and
// normal, links resolved as far as they exist).
bool Within(const fs::path& inner, const fs::path& outer) {
    const fs::path a = fs::weakly_canonical(fs::absolute(inner)),
                   b = fs::weakly_canonical(fs::absolute(outer));
    auto i = a.begin();
    for (auto j = b.begin(); j != b.end(); ++j, ++i) {
        if (j->empty()) continue;  // a trailing separator
        if (i == a.end() || *i != *j) return false;
    }
    return true;
}

// Writes one file of the plan into its folder under `tmp`.
void PlaceFile(const DistFile& f, const fs::path& dir, const std::string& scriptBytes) {
    fs::create_directories(dir);
    if (f.kind == DistFile::Script) {
        std::ofstream script(dir / f.name, std::ios::binary);
        script << scriptBytes;
        script.close();
        if (!script) Fail("cannot write " + (dir / f.name).string());
    } else {
        fs::copy_file(f.source, dir / f.name, fs::copy_options::overwrite_existing);
    }
}

// Setup refuses an entry whose name code page 949 cannot spell (INSTALL.LOG
// could not name it, nor could it be told from a look-alike file already
// there) or that would leave the install folder: the vendor learns it here,
// with the file named. `from` is the product folder the archive was made of.
void CheckArchiveNames(const DistFile& f, const std::string& from) {
    TRAR rar;
    std::string refused;
    int32_t error = 0;
    rar.ArchiveName = f.source;
    rar.OnError = [&error](TRAR*, int32_t code) {
        if (!error) error = code;
    };
    const CodePage cp949(949);
    rar.OnListFile = [&refused, &cp949](TRAR* r, RARHeaderData& h) {
        const std::string name(h.FileName, strnlen(h.FileName, sizeof h.FileName));
        if (!refused.empty()) return;
        const std::string shown = "\"" + cp949.Display(name) + "\"";
        if (!r->NameExact)
            refused = shown + ": code page 949 cannot spell its name (shown with '?')";
        else if (!IsConfinedName(name.c_str(), name.size()))
            refused = shown + ": its name would leave the install folder or open a device";
    };
    const bool listed = rar.List();
    const std::string what = from.empty() ? f.name : f.name + " (made from " + from + ")";
    if (!refused.empty()) Fail(what + ": setup would refuse the entry " + refused);
    if (!listed || error)
        std::cerr << "mkdist: warning: " << what << " could not be listed (UnRAR error " << error
                  << "): its names were not checked\n";
}

// Assembles the distribution under OUT.partial, then renames it to OUT, so
// a failed run never leaves a folder that looks finished.
void Make(const Options& o) {
    if (!fs::is_directory(o.product)) Fail(o.product.string() + " is not a folder");
    if (fs::exists(o.out) && !o.force) Fail(o.out.string() + " exists (use --force to replace it)");
    // --force would remove the product, or the distribution would pack itself.
    if (Within(o.out, o.product) || Within(o.product, o.out))
        Fail(o.out.string() + " is the product folder " + o.product.string() +
             " or lies inside or above it: choose an output folder apart from it");

    DiskFolder folder;
    folder.dirs = {o.product};
    TSetupScript script;
    const std::string scriptBytes = LoadScript(folder, script);
    const std::vector<DistFile> kitFiles = KitFiles(o.kit);

    // First plan without diskettes: it checks the script against the product
    // and tells which archives to make.
    DistPlan plan = PlanDistribution(script, folder, kitFiles, scriptBytes.size(), 0);
    if (!plan.error.empty()) Fail(plan.error);
    // Before anything is made: the program to start must be one of its files.
    bool runFound = o.run.empty();
    for (const DistFile& f : plan.files) runFound = runFound || UpperAscii(f.name) == UpperAscii(o.run);
    if (!runFound) Fail("--run " + o.run + ": the distribution has no such file");

    const fs::path tmp = Partial(o.out);
    fs::remove_all(tmp);
    const fs::path staging = tmp / ".archives";
    fs::create_directories(staging);
    for (const DistFile& f : plan.files) {
        if (f.kind != DistFile::RarFromFolder) continue;
        const fs::path arc = fs::absolute(staging / f.name);
        std::cout << "making " << f.name << " from " << f.source << "\n";
        if (!RunProgram({"rar", "a", "-r", "-m5", "-idq", "-y", arc.string(), "*"}, f.source))
            Fail("rar could not make " + f.name + " from " + f.source);
    }

    // Then the real plan, with the archives' true sizes.
    std::map<std::string, std::string> madeFrom;
    for (const DistFile& f : plan.files)
        if (f.kind == DistFile::RarFromFolder) madeFrom[f.name] = f.source;
    DiskFolder withArchives;
    withArchives.dirs = {staging, o.product};
    plan = PlanDistribution(script, withArchives, kitFiles, scriptBytes.size(), o.diskSize);
    if (!plan.error.empty()) Fail(plan.error);
    for (const DistFile& f : plan.files)
        if (f.extracted) CheckArchiveNames(f, madeFrom.count(f.name) ? madeFrom[f.name] : std::string());

    for (const DistFile& f : plan.files) {
        const std::string disk = o.diskSize ? "DISK" + std::to_string(f.disk) : std::string();
        const fs::path dir = disk.empty() ? tmp : tmp / disk;
        PlaceFile(f, dir, scriptBytes);
        if (o.sign.Wanted() && f.kind == DistFile::KitFile) Sign(o.sign, dir / f.name, dir / f.name);
        std::cout << (disk.empty() ? "" : disk + "/") << f.name << "  " << fs::file_size(dir / f.name)
                  << " bytes\n";
    }
    fs::remove_all(staging);

    // The one file from the finished folder, before either takes its name:
    // a failing packer or signer leaves the earlier OUT and file as they were.
    if (!o.sfx.empty()) {
        std::vector<std::string> cmd = {fs::absolute(o.packer).string(), "-s", fs::absolute(o.stub).string()};
        if (!o.run.empty()) {
            // A folder of the user's own, named after the file, unless told otherwise.
            const std::string dir = o.silentDir.empty() ? "%TEMP%\\" + o.sfx.stem().string() : o.silentDir;
            cmd.insert(cmd.end(), {"--run", o.run, "--silent-dir", dir});
        } else if (!o.silentDir.empty()) {
            cmd.insert(cmd.end(), {"--silent-dir", o.silentDir});
        }
        cmd.insert(cmd.end(), o.packerArgs.begin(), o.packerArgs.end());
        cmd.push_back("-o");
        cmd.push_back(fs::absolute(Partial(o.sfx)).string());
        for (const auto& e : fs::directory_iterator(tmp)) cmd.push_back(e.path().string());
        fs::remove(Partial(o.sfx));
        if (!RunProgram(cmd, "")) Fail("the packer failed to make " + o.sfx.string());
        if (o.sign.Wanted()) Sign(o.sign, Partial(o.sfx), o.sfx);
    }
    fs::remove_all(o.out);
    fs::rename(tmp, o.out);
    if (!o.sfx.empty()) {
        fs::rename(Partial(o.sfx), o.sfx);
        std::cout << "self-extracting file " << o.sfx.string() << "  " << fs::file_size(o.sfx) << " bytes\n";
    }
    std::cout << "distribution " << o.out.string() << ": " << plan.files.size() << " files"
              << (o.diskSize ? " on " + std::to_string(plan.disks) + " diskettes" : "") << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = ParseOptions(argc, argv);
        if (options.help) {
            std::cout << Usage();
            return 0;
        }
        Make(options);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "mkdist: " << e.what() << "\n";
        // What was half made goes; a finished OUT from an earlier run stays.
        std::error_code ec;
        if (!options.out.empty()) fs::remove_all(Partial(options.out), ec);
        if (!options.sfx.empty()) fs::remove(Partial(options.sfx), ec);
        return 1;
    }
}
