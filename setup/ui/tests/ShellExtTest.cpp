#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SetupScript.h"
#include "ShellExt.h"

namespace {

std::vector<std::string> started;

UINT WINAPI Record(LPCSTR command, UINT show) {
    started.push_back(command + std::string(show == SW_HIDE ? "" : " (shown)"));
    return 32;
}

std::string Value(HKEY root, const char* path, const char* name, bool* present = nullptr) {
    char buf[512] = {0};
    DWORD size = sizeof buf - 1, type = 0;
    HKEY key;
    bool ok = RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (ok) {
        ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) ==
                 ERROR_SUCCESS &&
             type == REG_SZ;
        RegCloseKey(key);
    }
    if (present) *present = ok;
    return ok ? buf : "";
}

bool KeyExists(HKEY root, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// regsvr32 as setup starts it: by its full path, quoted.
std::string Regsvr32() {
    char dir[MAX_PATH];
    const UINT n = GetSystemDirectoryA(dir, sizeof dir);
    return "\"" + std::string(dir, n) + "\\regsvr32.exe\" /s ";
}

const char kClsid[] = "{6D1A2F40-7C3B-4E59-A1D8-3F0B5C9E7A21}";
const char kServer[] = "CLSID\\{6D1A2F40-7C3B-4E59-A1D8-3F0B5C9E7A21}\\InProcServer32";

class ShellExt : public ::testing::Test {
protected:
    void SetUp() override {
        ShellExtExec = Record;
        started.clear();
        RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
    }
};

}  // namespace

TEST_F(ShellExt, WritesHandlersProductKeyAndStartsRegsvr32) {
    // Leftovers of an older install: the root key and a stale subkey.
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Varnel\\Old", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "CLSID\\{6D1A2F40-7C3B-4E59-A1D8-3F0B5C9E7A21}\\Stale", &key),
              ERROR_SUCCESS);
    RegCloseKey(key);

    SetupScript.InstallDir = "C:\\Program Files\\Varnel";
    SetupScript.ShellDll = "vctx700.dll";
    for (int run = 0; run < 2; ++run) {  // twice gives what once gives
        started.clear();
        RegisterShellExtension();
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Varnel"));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{6D1A2F40-7C3B-4E59-A1D8-3F0B5C9E7A21}\\Stale"));
        for (const char* path :
             {"*\\shellex\\ContextMenuHandlers\\Varnel", "Directory\\shellex\\ContextMenuHandlers\\Varnel",
              "Directory\\shellex\\DragDropHandlers\\Varnel", "Drive\\shellex\\DragDropHandlers\\Varnel",
              "Folder\\shellex\\ContextMenuHandlers\\Varnel", "Folder\\shellex\\DragDropHandlers\\Varnel"})
            EXPECT_EQ(Value(HKEY_CLASSES_ROOT, path, nullptr), kClsid) << path;
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Drive\\shellex\\ContextMenuHandlers\\Varnel"));
        EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kServer, nullptr), "C:\\Program Files\\Varnel\\vctx700.dll");
        EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kServer, "ThreadingModel"), "Apartment");
        EXPECT_EQ(Value(HKEY_CURRENT_USER, kProductKey, "PATH"), "C:\\Program Files\\Varnel");
        EXPECT_EQ(Value(HKEY_CURRENT_USER, kProductKey, "ShellDll"), "vctx700.dll");
        // No skin control in the install folder nor the system's: only the server.
        EXPECT_EQ(started, std::vector<std::string>({Regsvr32() + "\"C:\\Program Files\\Varnel\\vctx700.dll\""}));
    }
}

TEST_F(ShellExt, EmptyDllNameKeepsTheRecordedOneOrTheUsualOne) {
    SetupScript.InstallDir = "D:\\";
    SetupScript.ShellDll = "";
    RegisterShellExtension();
    EXPECT_EQ(Value(HKEY_CURRENT_USER, kProductKey, "ShellDll"), kDefaultShellDll);
    // A drive root keeps its backslash: the path is not normalised.
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kServer, nullptr), std::string("D:\\\\") + kDefaultShellDll);

    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kProductKey, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "ShellDll", 0, REG_SZ, reinterpret_cast<const BYTE*>("mine.dll"), 9);
    RegCloseKey(key);
    started.clear();
    RegisterShellExtension();
    EXPECT_EQ(Value(HKEY_CURRENT_USER, kProductKey, "ShellDll"), "mine.dll");
    ASSERT_FALSE(started.empty());
    EXPECT_EQ(started[0], Regsvr32() + "\"D:\\\\mine.dll\"");
}

// The skin control is taken from the install folder by its full path, never
// by a bare name that the current folder could answer.
TEST_F(ShellExt, TheSkinControlIsRegisteredByItsFullPath) {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    const std::string dir = std::string(temp) + "shellext-skin";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string skin = dir + "\\ActiveSkin.ocx";
    HANDLE f = CreateFileA(skin.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
    SetupScript.InstallDir = dir;
    SetupScript.ShellDll = "s.dll";
    RegisterShellExtension();
    EXPECT_EQ(started, std::vector<std::string>({Regsvr32() + "\"" + dir + "\\s.dll\"",
                                                 Regsvr32() + "\"" + skin + "\""}));
    DeleteFileA(skin.c_str());
    RemoveDirectoryA(dir.c_str());
}
