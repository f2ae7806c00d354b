// Whole install runs under the real registry, file system and shell links,
// from SETUP.INI files and RAR archives that make-engine-archives.sh made
// with the rar program before this test started.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>

#include "Install.h"
#include "InstallForm.h"
#include "InstallText.h"
#include "SetupRun.h"
#include "SetupScript.h"
#include "SetupText.h"
#include "ShellExt.h"
#include "Shortcut.h"
#include "Wizard.h"

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// The shell rebuilds "Shell Folders" from these whenever it looks a folder up.
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kExplorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
const char kQuestion[] = "다음 디스켓을 넣은 후 확인을 누르세요.";

std::string ExeDir() {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return DirectoryWithSeparator(std::string(buf, n));
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Copy(const std::string& from, const std::string& to) {
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            const std::string p = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(p);
            } else {
                SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(p.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

// The value, or "<none>" when the key or value is missing.
std::string UserString(const char* key, const char* name, DWORD* type) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return "<none>";
    char buf[1024] = {0};
    DWORD size = sizeof buf - 1;
    LONG r = RegQueryValueExA(h, name, nullptr, type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    return r == ERROR_SUCCESS ? std::string(buf) : "<none>";
}

void SetUserString(const char* key, const char* name, const std::string& value, DWORD type = REG_SZ) {
    if (value == "<none>") {
        HKEY h;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &h) == ERROR_SUCCESS) {
            RegDeleteValueA(h, name);
            RegCloseKey(h);
        }
        return;
    }
    HKEY h;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
}

std::string MachineString(const std::string& key, const char* name) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return "<none>";
    char buf[1024] = {0};
    DWORD size = sizeof buf - 1, type = 0;
    LONG r = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    return r == ERROR_SUCCESS && type == REG_SZ ? std::string(buf) : "<none>";
}

// A DWORD value, or -1 when there is none of that type.
long long MachineDword(const std::string& key, const char* name) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return -1;
    DWORD value = 0, size = sizeof value, type = 0;
    LONG r = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(h);
    return r == ERROR_SUCCESS && type == REG_DWORD ? value : -1;
}

struct Link {
    std::string path, args, workDir, description;
    int showCmd = -1;
};

Link ReadLink(const std::string& file) {
    Link l;
    IShellLinkA* link = nullptr;
    IPersistFile* pf = nullptr;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf))) &&
        SUCCEEDED(pf->Load(wide, STGM_READ))) {
        char buf[MAX_PATH * 2];
        if (SUCCEEDED(link->GetPath(buf, sizeof buf, nullptr, SLGP_RAWPATH))) l.path = buf;
        if (SUCCEEDED(link->GetArguments(buf, sizeof buf))) l.args = buf;
        if (SUCCEEDED(link->GetWorkingDirectory(buf, sizeof buf))) l.workDir = buf;
        if (SUCCEEDED(link->GetDescription(buf, sizeof buf))) l.description = buf;
        link->GetShowCmd(&l.showCmd);
    }
    if (pf) pf->Release();
    if (link) link->Release();
    return l;
}

std::string Lines(const std::vector<std::string>& lines) { return InstallLogBytes(lines); }

// The answer the diskette question gets, and what it was asked.
struct Asked {
    HWND owner;
    std::string text, caption;
    UINT type;
};
std::vector<Asked> asked;
std::function<int()> answer;

int WINAPI AnswerQuestion(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    asked.push_back({owner, text, caption, type});
    return answer ? answer() : IDCANCEL;
}

// One install world: diskette folders, an install directory with blanks in
// its name, and a user profile named in the registry, all under a fresh root.
class InstallRun : public ::testing::Test {
protected:
    std::string root, src, disk2, inst, arcs = ExeDir() + "engine-archives\\";
    std::string kimPrograms, kimDesktop, allPrograms, allDesktop;
    struct Saved {
        const char* key;
        const char* name;
        std::string value;
        DWORD type;
    };
    std::vector<Saved> saved;  // the profile's own folder values, put back after the test
    void Save(const char* key, const char* name) {
        DWORD type = REG_SZ;
        const std::string value = UserString(key, name, &type);
        saved.push_back({key, name, value, type});
    }

    void SetUp() override {
        CoInitialize(nullptr);
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        root = std::string(tmp) + "install-run-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(root);
        src = root + "\\disk1\\";
        disk2 = root + "\\disk2\\";
        inst = root + "\\Program Files\\Varnel Archiver";
        const std::string profiles = root + "\\Profiles";
        kimPrograms = profiles + "\\kim\\Start Menu\\Programs";
        kimDesktop = profiles + "\\kim\\Desktop";
        allPrograms = profiles + "\\All Users\\Start Menu\\Programs";
        allDesktop = profiles + "\\All Users\\Desktop";
        for (const std::string& d :
             {root, src, disk2, root + "\\Program Files", profiles, profiles + "\\kim",
              profiles + "\\All Users", profiles + "\\kim\\Start Menu", profiles + "\\All Users\\Start Menu",
              kimPrograms, kimDesktop, allPrograms, allDesktop})
            CreateDirectoryA(d.c_str(), nullptr);
        for (const char* key : {kShellFolders, kUserShellFolders})
            for (const char* name : {"Programs", "Desktop"}) Save(key, name);
        Save(kExplorer, "Logon User Name");
        for (const char* key : {kShellFolders, kUserShellFolders}) {
            SetUserString(key, "Programs", kimPrograms);
            SetUserString(key, "Desktop", kimDesktop);
        }
        SetUserString(kExplorer, "Logon User Name", "kim");
        asked.clear();
        answer = nullptr;
        InstallMessageBox = AnswerQuestion;
        DeleteUninstallKey();
    }

    void TearDown() override {
        DestroyInstallForm();
        SetFileAttributesA(SystemDll().c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(SystemDll().c_str());
        DeleteUninstallKey();
        SetCurrentDirectoryA(ExeDir().c_str());
        RemoveTree(root);
        for (const Saved& v : saved) SetUserString(v.key, v.name, v.value, v.type);
        CoUninitialize();
    }

    // Writes SETUP.INI on diskette 1 and loads it as setup would.
    void Script(const std::string& app, const std::string& files, const std::string& icons) {
        WriteFile(src + "SETUP.INI", "[APP]\r\nNAME=Varnel\r\nVERSION=2.0\r\nINSTALLDIR=" + inst + "\r\n" +
                                         app + "[FILES]\r\n" + files + "[ICONS]\r\n" + icons);
        LoadSetupScriptFrom(src);
    }

    void Uninstaller() { Copy(ExeDir() + "unrar.dll", src + "VlUnInst.exe"); }

    TInstallOutcome end;  // of the latest Run
    bool Run() {
        CreateInstallForm();
        end = RunInstall();
        return end.Status == rsCompleted;
    }

    // Ends the program's part and reads the log the run left.
    std::string LogAtEnd() {
        DestroyInstallForm();
        return ReadFile(inst + "\\INSTALL.LOG");
    }

    std::string UninstallKey() const { return UninstallEntryKey("Varnel 2.0"); }

    void DeleteUninstallKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey().c_str()); }

    static std::string SystemDll() {
        char sys[MAX_PATH];
        const UINT n = GetSystemDirectoryA(sys, MAX_PATH);
        return std::string(sys, n < MAX_PATH ? n : 0) + "\\UNRAR.DLL";
    }

    // A file as an earlier install left it, dated 3 February 2001.
    static void Old(const std::string& path, const std::string& bytes, bool readOnly = false) {
        WriteFile(path, bytes);
        SYSTEMTIME st = {2001, 2, 0, 3, 12, 0, 0, 0};
        FILETIME ft;
        SystemTimeToFileTime(&st, &ft);
        HANDLE f = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
        SetFileTime(f, &ft, &ft, &ft);
        CloseHandle(f);
        if (readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }

    // Varnel 1.0 as its setup left it: files (one read-only), log, program
    // shortcut, uninstall entry and UNRAR.DLL; and a file of the user's own.
    void OlderInstall() {
        for (const std::string& d : {inst, inst + "\\bin", allPrograms + "\\Varnel 2.0"})
            CreateDirectoryA(d.c_str(), nullptr);
        Old(inst + "\\readme.txt", "Varnel 1.0 readme\r\n", true);
        Old(inst + "\\bin\\app.exe", "Varnel 1.0 program");
        Old(inst + "\\INSTALL.LOG", "FILE:" + inst + "\\readme.txt\r\n");
        Old(inst + "\\user.cfg", "the user's settings");
        Old(allPrograms + "\\Varnel 2.0\\Varnel.LNK", "an older shortcut");
        Old(SystemDll(), "UNRAR.DLL 1.0");
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKey().c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        for (const char* v : {"DisplayName", "UninstallString"})
            RegSetValueExA(h, v, 0, REG_SZ, reinterpret_cast<const BYTE*>("Varnel 1.0"), 11);
        RegCloseKey(h);
    }

    // Every file and folder under the test's root, and the system's
    // UNRAR.DLL: bytes, last write time and attributes.
    std::map<std::string, std::string> State() {
        std::map<std::string, std::string> state;
        std::function<void(const std::string&)> walk = [&](const std::string& dir) {
            WIN32_FIND_DATAA fd;
            HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
            if (h == INVALID_HANDLE_VALUE) return;
            do {
                const std::string name = fd.cFileName, p = dir + "\\" + name;
                if (name == "." || name == "..") continue;
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    state[p] = "<folder>";
                    walk(p);
                } else {
                    state[p] = ReadFile(p) + " | " + std::to_string(fd.ftLastWriteTime.dwHighDateTime) + ":" +
                               std::to_string(fd.ftLastWriteTime.dwLowDateTime) + " | " +
                               std::to_string(fd.dwFileAttributes);
                }
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        };
        walk(root);
        state[SystemDll()] = Exists(SystemDll()) ? ReadFile(SystemDll()) : "<none>";
        state["uninstall entry"] = MachineString(UninstallKey(), "DisplayName") + " | " +
                                   MachineString(UninstallKey(), "UninstallString");
        state["uninstall entry for tools"] = MachineString(UninstallKey(), "QuietUninstallString") + " | " +
                                             std::to_string(MachineDword(UninstallKey(), "EstimatedSize"));
        return state;
    }

    // Runs an install over the older one that must fail as said and leave
    // everything as it was.
    void ExpectFailedAndUndone(const std::string& files, const std::string& icons, TInstallFault fault,
                               int item, const std::string& subject) {
        Script("UNINSTALL=Varnel 제거\r\n", files, icons);
        const auto before = State();
        EXPECT_FALSE(Run());
        EXPECT_EQ(end.Status, rsFailed);
        EXPECT_EQ(end.Fault, fault);
        EXPECT_EQ(end.Item, item);
        EXPECT_EQ(end.Subject, subject);
        EXPECT_EQ(end.NotRestored, "");
        EXPECT_EQ(State(), before);
        EXPECT_FALSE(IsWindowVisible(fmInstall->Handle()));
    }
};

// A two-archive product on two diskettes: the whole run in its order, the
// single-file copy, the all-users move and everything the log and the
// registry keep of it.
TEST_F(InstallRun, TwoDisketteProductLeavesFilesShortcutsEntryAndLog) {
    DeleteUninstallKey();
    Copy(arcs + "DISK1.RAR", src + "DISK1.RAR");
    Copy(ExeDir() + "unrar.dll", src + "UNRAR.DLL");
    Uninstaller();
    WriteFile(src + "Varnel.ini", "[Options]\r\n");
    Copy(arcs + "DISK2.RAR", disk2 + "DISK2.RAR");
    Script("UNINSTALL=Varnel 제거\r\n",
           "FILE1=DISK1.RAR,<INSTALLDIR>\r\nFILE2=Varnel.ini,<installdir>,copy\r\n"
           "FILE3=DISK2.RAR,<INSTALLDIR>\\data\r\n",
           "ICON1=Programs,Varnel,<INSTALLDIR>\\bin\\app.exe,\r\n"
           "ICON2=Desktop,Varnel 읽기,<WINDIR>\\notepad.exe,<INSTALLDIR>\\readme.txt\r\n");
    // The user swaps diskettes: disk 2's files appear where disk 1's were.
    answer = [&] {
        DeleteFileA((src + "DISK1.RAR").c_str());
        Copy(disk2 + "DISK2.RAR", src + "DISK2.RAR");
        return IDOK;
    };
    char sys[MAX_PATH], win[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    GetWindowsDirectoryA(win, MAX_PATH);
    const std::string sysDll = std::string(sys) + "\\UNRAR.DLL";

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Run());
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::cout << "sample install took " << ms << " ms\n";

    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, kQuestion);
    EXPECT_EQ(asked[0].caption, "Disk");
    EXPECT_EQ(asked[0].type, UINT(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_FALSE(IsWindowVisible(fmInstall->Handle()));

    EXPECT_EQ(ReadFile(sysDll), ReadFile(ExeDir() + "unrar.dll"));
    EXPECT_EQ(ReadFile(inst + "\\bin\\app.exe"), std::string(300000, 'x'));
    EXPECT_EQ(ReadFile(inst + "\\empty.dat"), "");
    EXPECT_EQ(ReadFile(inst + "\\한글.txt"), "\xC7\xD1\xB1\xDB\r\n");
    EXPECT_EQ(ReadFile(inst + "\\Varnel.ini"), "[Options]\r\n");
    EXPECT_EQ(ReadFile(inst + "\\data\\more\\more.txt"), "more\r\n");
    EXPECT_EQ(ReadFile(inst + "\\VlUnInst.exe"), ReadFile(src + "VlUnInst.exe"));
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(std::string(cwd), inst);

    const std::string group = allPrograms + "\\Varnel 2.0";
    const std::string userGroup = kimPrograms + "\\Varnel 2.0";
    const std::string expected = Lines({
        "FILE:" + inst + "\\readme.txt",
        "FILE:" + inst + "\\bin\\app.exe",
        "FILE:" + inst + "\\empty.dat",
        "FILE:" + inst + "\\한글.txt",
        "FILE:" + inst + "\\bin",
        "DIR:" + inst,
        "DIR:" + inst,
        "FILE:" + inst + "\\data\\data.txt",
        "FILE:" + inst + "\\data\\more\\more.txt",
        "FILE:" + inst + "\\data\\more",
        "DIR:" + inst + "\\data",
        "ICON:" + group + "\\Varnel.LNK",
        "ICON:" + allDesktop + "\\Varnel 읽기.LNK",
        "ICON:" + userGroup + "\\Varnel 제거.LNK",
        "DIR:" + group,
        "FILE:" + inst + "\\INSTALL.LOG",
    });

    const Link app = ReadLink(group + "\\Varnel.LNK");
    EXPECT_EQ(app.path, inst + "\\bin\\app.exe");
    EXPECT_EQ(app.args, "");
    EXPECT_EQ(app.workDir, inst + "\\bin");
    EXPECT_EQ(app.description, kShortcutDescription);
    EXPECT_EQ(app.showCmd, SW_SHOWNORMAL);
    const Link readme = ReadLink(allDesktop + "\\Varnel 읽기.LNK");
    EXPECT_EQ(readme.path, std::string(win) + "\\notepad.exe");
    EXPECT_EQ(readme.args, inst + "\\readme.txt");
    EXPECT_EQ(readme.workDir, win);
    const Link uninstall = ReadLink(userGroup + "\\Varnel 제거.LNK");
    EXPECT_EQ(uninstall.path, inst + "\\VlUnInst.EXE");
    EXPECT_EQ(uninstall.args, "\"" + inst + "\\INSTALL.LOG\"");
    EXPECT_EQ(uninstall.workDir, inst);
    EXPECT_FALSE(Exists(kimPrograms + "\\Varnel 2.0\\Varnel.LNK"));

    EXPECT_EQ(MachineString(UninstallKey(), "DisplayName"), "Varnel 2.0");
    EXPECT_EQ(MachineString(UninstallKey(), "UninstallString"),
              "\"" + inst + "\\VlUnInst.exe\" \"" + inst + "\\INSTALL.LOG\"");
    // What administrators' tools read.
    EXPECT_EQ(MachineString(UninstallKey(), "QuietUninstallString"),
              "\"" + inst + "\\VlUnInst.exe\" /VERYSILENT \"" + inst + "\\INSTALL.LOG\"");
    EXPECT_EQ(MachineString(UninstallKey(), "DisplayVersion"), "2.0");
    EXPECT_EQ(MachineString(UninstallKey(), "InstallLocation"), inst);
    EXPECT_EQ(MachineString(UninstallKey(), "DisplayIcon"), inst + "\\bin\\app.exe");
    EXPECT_GT(MachineDword(UninstallKey(), "EstimatedSize"), 0);
    EXPECT_EQ(MachineDword(UninstallKey(), "NoModify"), 1);
    EXPECT_EQ(MachineDword(UninstallKey(), "NoRepair"), 1);

    EXPECT_EQ(LogAtEnd(), expected);
    DeleteUninstallKey();
    DeleteFileA(sysDll.c_str());
}

TEST_F(InstallRun, NoItemsAndNoIconsLogOnlyTheLogItself) {
    Copy(ExeDir() + "unrar.dll", src + "UNRAR.DLL");
    Uninstaller();
    Script("UNINSTALL=Remove\r\n", "", "");
    CreateDirectoryA(inst.c_str(), nullptr);
    DeleteUninstallKey();
    ASSERT_TRUE(Run());
    EXPECT_FALSE(Exists(inst + "\\VlUnInst.exe"));
    EXPECT_EQ(MachineString(UninstallKey(), "DisplayName"), "<none>");
    EXPECT_EQ(LogAtEnd(), Lines({"FILE:" + inst + "\\INSTALL.LOG"}));
}

// The uninstaller comes only with shortcuts, and its shortcut and registry
// entry only with an uninstall name as well.
TEST_F(InstallRun, UninstallerNeedsIconsAndItsEntryNeedsAName) {
    Uninstaller();
    CreateDirectoryA(inst.c_str(), nullptr);
    DeleteUninstallKey();
    Script("", "", "ICON1=Desktop,V,<INSTALLDIR>\\v.exe\r\n");
    ASSERT_TRUE(Run());
    EXPECT_TRUE(Exists(inst + "\\VlUnInst.exe"));
    EXPECT_EQ(MachineString(UninstallKey(), "DisplayName"), "<none>");
    EXPECT_EQ(LogAtEnd(), Lines({"ICON:" + allDesktop + "\\V.LNK", "FILE:" + inst + "\\INSTALL.LOG"}));
}

// A first single-file item logs the empty target of no extraction; a non-RAR
// source without an option installs nothing; a missing item number is passed
// over instead of asking for a diskette that cannot exist.
TEST_F(InstallRun, ItemsThatExtractNothingLogOnlyTheirDirLine) {
    CreateDirectoryA(inst.c_str(), nullptr);
    WriteFile(src + "a.txt", "a");
    WriteFile(src + "b.txt", "b");
    Script("",
           "FILE1=a.txt,<INSTALLDIR>,COPY\r\nFILE2=b.txt,<INSTALLDIR>\r\nFILE4=b.txt,<INSTALLDIR>,OTHER\r\n",
           "");
    ASSERT_TRUE(Run());
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(ReadFile(inst + "\\a.txt"), "a");
    EXPECT_FALSE(Exists(inst + "\\b.txt"));
    EXPECT_EQ(LogAtEnd(), Lines({"DIR:", "DIR:", "DIR:", "FILE:" + inst + "\\INSTALL.LOG"}));
}

TEST_F(InstallRun, FailIfExistsLeavesAndOmitsInstalledFiles) {
    CreateDirectoryA(inst.c_str(), nullptr);
    CreateDirectoryA((inst + "\\bin").c_str(), nullptr);
    WriteFile(inst + "\\readme.txt", "mine");
    WriteFile(inst + "\\bin\\app.exe", "mine too");
    Copy(arcs + "DISK1.RAR", src + "DISK1.RAR");
    Script("", "FILE1=DISK1.RAR,<INSTALLDIR>,failifexists\r\n", "");
    ASSERT_TRUE(Run());
    EXPECT_EQ(ReadFile(inst + "\\readme.txt"), "mine");
    EXPECT_EQ(ReadFile(inst + "\\bin\\app.exe"), "mine too");
    EXPECT_EQ(LogAtEnd(), Lines({"FILE:" + inst + "\\empty.dat", "FILE:" + inst + "\\한글.txt",
                                 "FILE:" + inst + "\\bin", "DIR:" + inst, "FILE:" + inst + "\\INSTALL.LOG"}));
}

// A cancel undoes what the items before it installed.
TEST_F(InstallRun, CancelAtTheThirdItemsPromptLeavesNothingBehind) {
    Copy(arcs + "ZERO.RAR", src + "ZERO.RAR");
    WriteFile(src + "b.txt", "b");
    Script("",
           "FILE1=ZERO.RAR,<INSTALLDIR>\r\nFILE2=b.txt,<INSTALLDIR>,COPY\r\nFILE3=DISK2.RAR,<INSTALLDIR>\r\n",
           "ICON1=Desktop,V,<INSTALLDIR>\\v.exe\r\n");
    int prompts = 0;
    answer = [&] { return ++prompts < 3 ? IDOK : IDCANCEL; };
    EXPECT_FALSE(Run());
    EXPECT_EQ(end.Status, rsCancelled);
    EXPECT_EQ(end.NotRestored, "");
    EXPECT_EQ(prompts, 3);
    EXPECT_FALSE(IsWindowVisible(fmInstall->Handle()));
    EXPECT_FALSE(Exists(inst));
    EXPECT_FALSE(Exists(allDesktop + "\\V.LNK"));
}

TEST_F(InstallRun, TheCancelButtonEndsTheRunLikeADisketteCancel) {
    Copy(arcs + "ZERO.RAR", src + "ZERO.RAR");
    Script("", "FILE1=ZERO.RAR,<INSTALLDIR>\r\n", "");
    CreateInstallForm();
    PostMessageA(fmInstall->Handle(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0);
    EXPECT_EQ(RunInstall().Status, rsCancelled);
    EXPECT_FALSE(Exists(inst));
}

// The group directory of the last program-group icon, once, after the
// uninstall shortcut.
TEST_F(InstallRun, TwoProgramGroupIconsLogTheGroupOnce) {
    Uninstaller();
    CreateDirectoryA(inst.c_str(), nullptr);
    DeleteUninstallKey();
    Script("UNINSTALL=Remove\r\n", "",
           "ICON1=PROGRAMS,A,<INSTALLDIR>\\a.exe\r\nICON2=programs,B,<INSTALLDIR>\\b.exe\r\n");
    ASSERT_TRUE(Run());
    const std::string group = allPrograms + "\\Varnel 2.0";
    EXPECT_EQ(LogAtEnd(), Lines({"ICON:" + group + "\\A.LNK", "ICON:" + group + "\\B.LNK",
                                 "ICON:" + kimPrograms + "\\Varnel 2.0\\Remove.LNK", "DIR:" + group,
                                 "FILE:" + inst + "\\INSTALL.LOG"}));
    EXPECT_EQ(ReadLink(group + "\\B.LNK").path, inst + "\\b.exe");
    DeleteUninstallKey();
}

// Without a user name to move from, or with folders kept outside the named
// profile, shortcuts go where the table says; a missing folder key puts the
// link at the drive root.
TEST_F(InstallRun, ShortcutFoldersWithoutTheAllUsersMove) {
    SetUserString(kExplorer, "Logon User Name", "");
    EXPECT_EQ(CreateShortcut("programs", "V\\x.LNK", "C:\\x.exe", ""), kimPrograms + "\\V\\x.LNK");
    EXPECT_EQ(ReadLink(kimPrograms + "\\V\\x.LNK").workDir, "C:\\");
    SetUserString(kExplorer, "Logon User Name", "lee");
    EXPECT_EQ(CreateShortcut("Desktop", "y.LNK", "C:\\y.exe", ""), kimDesktop + "\\y.LNK");
    EXPECT_EQ(CreateShortcut("NoSuchFolder", "z.LNK", "C:\\z.exe", ""), "\\z.LNK");
    EXPECT_EQ(PlatformFamily(), 3);
}

// What the engine shows, seen without a window: every entry's range and its
// last position, and a cancel that lands in the entry being written.
struct RecordingView : TInstallView {
    std::vector<std::pair<uint32_t, uint32_t>> entries;  // size, last position
    int cancelAfter = -1;
    void RunShown() override {}
    void RunHidden() override {}
    void EntryStarted(const std::string&, uint32_t size) override { entries.push_back({size, 0}); }
    void EntryProgress(uint32_t position) override { entries.back().second = position; }
    bool NextDiskette() override { return false; }
    void EarlierRunUndone() override {}
    bool CancelRequested() override { return cancelAfter >= 0 && int(entries.size()) > cancelAfter; }
};

TEST_F(InstallRun, EachEntrySetsTheRangeAndEndsAtItsSize) {
    Copy(arcs + "DISK1.RAR", src + "DISK1.RAR");
    Script("", "FILE1=DISK1.RAR,<INSTALLDIR>\r\n", "");
    RecordingView view;
    TWinInstallHost host;
    TInstallEngine engine(view, host.Host());
    ASSERT_EQ(engine.Run().Status, rsCompleted);
    ASSERT_EQ(view.entries.size(), 5u);
    EXPECT_EQ(view.entries[1], std::make_pair(300000u, 300000u));
    EXPECT_EQ(view.entries[2], std::make_pair(0u, 0u));  // the empty file: a bar of range 0
}

TEST_F(InstallRun, ACancelDuringExtractionStopsInTheEntryAndUndoesIt) {
    Copy(arcs + "DISK1.RAR", src + "DISK1.RAR");
    Script("", "FILE1=DISK1.RAR,<INSTALLDIR>\r\n", "");
    RecordingView view;
    view.cancelAfter = 0;
    TWinInstallHost host;
    TInstallEngine engine(view, host.Host());
    EXPECT_EQ(engine.Run().Status, rsCancelled);
    EXPECT_EQ(view.entries.size(), 1u);
    EXPECT_FALSE(engine.InstallCompleted);
    EXPECT_FALSE(Exists(inst));
}

// Drawing is rationed, but an entry once on screen ends with its bar full,
// and an entry that passes within the interval is never drawn.
TEST_F(InstallRun, AShownEntryEndsWithAFullBarAndQuickOnesAreNotDrawn) {
    CreateInstallForm();
    HWND pb = FindWindowExA(fmInstall->Handle(), nullptr, PROGRESS_CLASSA, nullptr);
    ASSERT_NE(pb, nullptr);
    fmInstall->RunShown();
    Sleep(TfmInstall::kRepaintInterval + 20);
    fmInstall->EntryStarted("C:\\a.dat", 1000);
    fmInstall->EntryProgress(400);
    EXPECT_EQ(SendMessageA(pb, PBM_GETPOS, 0, 0), 400);
    fmInstall->EntryProgress(700);
    fmInstall->EntryProgress(1000);
    EXPECT_EQ(SendMessageA(pb, PBM_GETPOS, 0, 0), 1000);
    EXPECT_EQ(SendMessageA(pb, PBM_GETRANGE, FALSE, 0), 1000);
    fmInstall->EntryStarted("C:\\b.dat", 0);
    fmInstall->EntryProgress(0);
    EXPECT_EQ(SendMessageA(pb, PBM_GETRANGE, FALSE, 0), 1000);
    Sleep(TfmInstall::kRepaintInterval + 20);
    fmInstall->EntryStarted("C:\\c.dat", 0);
    EXPECT_EQ(SendMessageA(pb, PBM_GETRANGE, FALSE, 0), 0);  // an empty entry: a bar of range 0
    fmInstall->RunHidden();
}

// A log that cannot replace the old one leaves the old one whole and no
// temporary file behind.
TEST_F(InstallRun, TheLogIsReplacedWholeOrNotAtAll) {
    CreateDirectoryA(inst.c_str(), nullptr);
    const std::string log = inst + "\\INSTALL.LOG";
    ASSERT_TRUE(WriteInstallLogFile(log, {"FILE:a"}));
    ASSERT_TRUE(WriteInstallLogFile(log, {"FILE:b", "DIR:c"}));
    EXPECT_EQ(ReadFile(log), "FILE:b\r\nDIR:c\r\n");
    // Held open without sharing, as by a viewer: it cannot be replaced.
    HANDLE held = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteInstallLogFile(log, {"FILE:d"}));
    CloseHandle(held);
    EXPECT_EQ(ReadFile(log), "FILE:b\r\nDIR:c\r\n");
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((inst + "\\*.tmp").c_str(), &fd);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    EXPECT_FALSE(WriteInstallLogFile(root + "\\missing\\INSTALL.LOG", {"FILE:e"}));
}

// The faults, each over an older install: a damaged archive, a missing
// volume and an entry the archive component refuses to write (a link),
// after the items before them installed, a shortcut that cannot be
// saved, and a log held open by another program after everything else,
// the uninstall entry included, was written.
class FailedRun : public InstallRun {
protected:
    const std::string items = "FILE1=DISK1.RAR,<INSTALLDIR>\r\nFILE2=Varnel.ini,<INSTALLDIR>,COPY\r\n";
    const std::string icons = "ICON1=Programs,Varnel,<INSTALLDIR>\\bin\\app.exe,\r\n";
    void SetUp() override {
        InstallRun::SetUp();
        OlderInstall();
        Uninstaller();
        Copy(ExeDir() + "unrar.dll", src + "UNRAR.DLL");
        Copy(arcs + "DISK1.RAR", src + "DISK1.RAR");
        WriteFile(src + "Varnel.ini", "[Options]\r\n");
    }
};

TEST_F(FailedRun, ADamagedArchive) {
    Copy(arcs + "BROKEN.RAR", src + "BROKEN.RAR");
    ExpectFailedAndUndone(items + "FILE3=BROKEN.RAR,<INSTALLDIR>\\data\r\n", icons, ifArchiveDamaged, 3,
                          src + "BROKEN.RAR");
}

TEST_F(FailedRun, AMissingSecondVolume) {
    Copy(arcs + "VOL.part1.rar", src + "VOL.part1.rar");
    ExpectFailedAndUndone(items + "FILE3=VOL.part1.rar,<INSTALLDIR>\\data\r\n", icons, ifVolumeMissing, 3,
                          src + "VOL.part2.rar");
}

TEST_F(FailedRun, AnEntryTheArchiveComponentRefuses) {
    Copy(arcs + "HOSTILE.RAR", src + "HOSTILE.RAR");
    ExpectFailedAndUndone(items + "FILE3=HOSTILE.RAR,<INSTALLDIR>\\data\r\n", icons, ifEntryRefused, 3,
                          inst + "\\data\\kitesc-sym");
}

// The user keeps the files that a best-fit reading of the entries' names
// would give; the run fails at the first such entry, before its archive
// writes anything, and leaves them as they were.
TEST_F(FailedRun, AnEntryNameWithoutAnExactSpelling) {
    Copy(arcs + "LOOKALIKE.RAR", src + "LOOKALIKE.RAR");
    CreateDirectoryA((inst + "\\data").c_str(), nullptr);
    CreateDirectoryA((inst + "\\data\\Data").c_str(), nullptr);
    CreateDirectoryA((inst + "\\data\\a").c_str(), nullptr);
    WriteFile(inst + "\\data\\cafe.txt", "mine 1");
    WriteFile(inst + "\\data\\Data\\uni.dat", "mine 2");
    WriteFile(inst + "\\data\\a\\b.txt", "mine 3");
    ExpectFailedAndUndone(items + "FILE3=LOOKALIKE.RAR,<INSTALLDIR>\\data\r\n", icons, ifEntryRefused, 3,
                          inst + "\\data\\caf?.txt");
    EXPECT_EQ(ReadFile(inst + "\\data\\a\\b.txt"), "mine 3");
}

// A target the narrow calls cannot take (here bin\\app.exe, one byte past
// them, below a folder of 248 bytes) is refused before its archive writes
// anything: the journal could neither keep what is there nor log it.
TEST_F(FailedRun, AnEntryPathTooLongForTheNarrowCalls) {
    ASSERT_LT(inst.size(), 240u);
    const std::string deep = inst + "\\" + std::string(248 - inst.size() - 1, 'd');
    ExpectFailedAndUndone(items + "FILE3=DISK1.RAR," + deep + "\r\n", icons, ifPathTooLong, 3,
                          deep + "\\bin\\app.exe");
}

TEST_F(FailedRun, AShortcutThatCannotBeSaved) {
    for (const char* key : {kShellFolders, kUserShellFolders})
        SetUserString(key, "Desktop", root + "\\gone\\Desktop");
    ExpectFailedAndUndone(items, icons + "ICON2=Desktop,V,<INSTALLDIR>\\v.exe\r\n", ifShortcutFailed, 0,
                          root + "\\gone\\Desktop\\V.LNK");
}

TEST_F(FailedRun, ALogHeldOpenByAnotherProgram) {
    HANDLE held =
        CreateFileA((inst + "\\INSTALL.LOG").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ExpectFailedAndUndone(items, icons, ifCannotWrite, 0, inst + "\\INSTALL.LOG");
    CloseHandle(held);
}

// The entry points at the log and carries its digest: it is written only
// once the log is complete, so no moment of the run leaves an entry whose
// log is missing.
TEST_F(FailedRun, TheEntryIsWrittenOnlyAfterTheLog) {
    Script("UNINSTALL=Varnel 제거\r\n", items, icons);
    CreateInstallForm();
    std::vector<std::string> steps;
    const RunStepFn onStep = [&steps](const char* step, const std::string& text) {
        steps.push_back(std::string(step) + ": " + text);
    };
    end = RunInstall(onStep);
    ASSERT_EQ(end.Status, rsCompleted);
    const auto log = std::find(steps.begin(), steps.end(), "log: " + inst + "\\INSTALL.LOG");
    const auto entry = std::find_if(steps.begin(), steps.end(), [](const std::string& s) {
        return s.find("registry: HKEY_LOCAL_MACHINE\\") == 0 && s.find("\\Uninstall\\") != std::string::npos;
    });
    ASSERT_NE(log, steps.end());
    ASSERT_NE(entry, steps.end());
    EXPECT_LT(log - steps.begin(), entry - steps.begin());
    DestroyInstallForm();
}

// A cancel in the middle of an archive over an older install: the entries
// already written go and the files they replaced come back with their dates.
TEST_F(FailedRun, ACancelAfterSomeEntries) {
    Script("UNINSTALL=Varnel 제거\r\n", items, icons);
    const auto before = State();
    RecordingView view;
    view.cancelAfter = 2;
    TWinInstallHost host;
    TInstallEngine engine(view, host.Host());
    const TInstallOutcome cancelled = engine.Run();
    EXPECT_EQ(cancelled.Status, rsCancelled);
    EXPECT_EQ(cancelled.NotRestored, "");
    EXPECT_EQ(view.entries.size(), 3u);
    EXPECT_EQ(State(), before);
}

// Over the older install, a completed run replaces its files, the read-only
// one too, leaves the user's own file alone and no backup behind.
TEST_F(FailedRun, ACompletedRunReplacesTheOlderInstallAndKeepsNoBackup) {
    Script("UNINSTALL=Varnel 제거\r\n", items, icons);
    const auto before = State();
    ASSERT_TRUE(Run()) << end.Fault << " " << end.Subject;
    auto after = State();
    EXPECT_EQ(after[inst + "\\readme.txt"].substr(0, 15), "Varnel readme\r\n");
    EXPECT_EQ(after[inst + "\\user.cfg"], before.at(inst + "\\user.cfg"));
    EXPECT_EQ(after[SystemDll()], ReadFile(ExeDir() + "unrar.dll"));
    EXPECT_EQ(after["uninstall entry"],
              "Varnel 2.0 | \"" + inst + "\\VlUnInst.exe\" \"" + inst + "\\INSTALL.LOG\"");
    EXPECT_EQ(ReadFile(inst + "\\INSTALL.LOG").substr(0, 5), "FILE:");
    EXPECT_NE(ReadFile(inst + "\\INSTALL.LOG"), "FILE:" + inst + "\\readme.txt\r\n");
    for (const auto& f : after) EXPECT_EQ(f.first.find("~setup-backup"), std::string::npos) << f.first;
}

UINT WINAPI NoExec(LPCSTR, UINT) { return 32; }
bool logAtRestart = false;
int restarts = 0;

// The restart box is checked when page 4 shows: the log is on disk before
// Windows is asked to restart, and already when page 4 shows.
TEST_F(InstallRun, TheLogIsOnDiskBeforeTheRestartIsAsked) {
    Copy(arcs + "ZERO.RAR", src + "ZERO.RAR");
    ShellExtExec = NoExec;
    restarts = 0;
    WizardRestart = [] {
        ++restarts;
        logAtRestart = Exists(SetupScript.InstallDir + "\\INSTALL.LOG");
        return true;
    };
    CreateInstallForm();
    TfmWizad wizard;
    wizard.RunInstall = [] { return RunInstall(); };
    Script("", "FILE1=ZERO.RAR,<INSTALLDIR>\r\n", "");
    for (int page = 1; page <= 3; ++page) wizard.NextPage();
    ASSERT_EQ(wizard.CurrentPage, 4);
    EXPECT_TRUE(Exists(inst + "\\INSTALL.LOG"));
    SendMessageA(wizard.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(restarts, 1);
    EXPECT_TRUE(logAtRestart);
    WizardRestart = RestartWindows;
    RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
}

bool restartAgrees = true;

// A silent install restarts Windows only for /RESTART without /NORESTART,
// once its log is on disk; its code says whether the restart is still to come.
TEST_F(InstallRun, AnUnattendedRunRestartsOnlyWhenAskedAndSaysSo) {
    Copy(arcs + "ZERO.RAR", src + "ZERO.RAR");
    ShellExtExec = NoExec;
    WizardRestart = [] {
        ++restarts;
        logAtRestart = Exists(SetupScript.InstallDir + "\\INSTALL.LOG");
        return restartAgrees;
    };
    Script("", "FILE1=ZERO.RAR,<INSTALLDIR>\r\n", "");
    struct Case {
        bool restart, noRestart, agrees;
        int code, restarts;
    };
    for (const Case& c :
         {Case{false, false, true, kExitRestartRequired, 0}, Case{true, false, true, kExitInstalled, 1},
          Case{true, true, true, kExitRestartRequired, 0},
          Case{true, false, false, kExitRestartRequired, 1}}) {
        TSetupSwitches sw;
        sw.Mode = Quiet::VerySilent;
        sw.Restart = c.restart;
        sw.NoRestart = c.noRestart;
        TSetupRunLog log;
        restarts = 0;
        restartAgrees = c.agrees;
        logAtRestart = false;
        EXPECT_EQ(RunUnattended(sw, log), c.code)
            << c.restart << c.noRestart << c.agrees;
        EXPECT_EQ(restarts, c.restarts);
        EXPECT_EQ(logAtRestart, c.restarts > 0);
    }
    WizardRestart = RestartWindows;
    RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
}

}  // namespace
