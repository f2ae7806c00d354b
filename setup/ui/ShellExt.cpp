#include "ShellExt.h"

#include <vector>

#include "RegTree.h"
#include "SetupScript.h"

const char kDefaultShellDll[] = "vctx600.dll";
ShellExecFn ShellExtExec = WinExec;

namespace {

bool SetString(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

std::string ReadString(HKEY key, const char* name) {
    char buffer[1024];
    DWORD type = 0, size = sizeof buffer - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::string();
    buffer[size] = 0;
    return buffer;
}

std::string SystemFolder() {
    char path[MAX_PATH];
    const UINT n = GetSystemDirectoryA(path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

}  // namespace

bool RegisterShellExtension(const RunStepFn& step) {
    auto report = [&step](const char* what, const std::string& text) {
        if (step) step(what, text);
    };
    // Cleared first, so that every install leaves the same keys.
    for (size_t i = 0; i < kProductKeyCount; ++i)
        if (kProductKeys[i].use & kKeySetupClears)
            DeleteKeyTree(RootKey(kProductKeys[i].root), kProductKeys[i].path);

    // An empty name would register the install directory itself as the
    // server; a name recorded earlier, or the usual one, is what was meant.
    std::string dll = SetupScript.ShellDll;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        if (dll.empty()) dll = ReadString(key, "ShellDll");
        if (dll.empty()) dll = kDefaultShellDll;
        if (SetString(key, "PATH", SetupScript.InstallDir) && SetString(key, "ShellDll", dll))
            report("registry", std::string("HKCU\\") + kProductKey + " PATH, ShellDll");
        RegCloseKey(key);
    } else if (dll.empty()) {
        dll = kDefaultShellDll;
    }

    const std::string server = SetupScript.InstallDir + "\\" + dll;
    for (size_t i = 0; i < kProductKeyCount; ++i) {
        const ProductKey& k = kProductKeys[i];
        if (!(k.use & kKeySetupWrites)) continue;
        if (RegCreateKeyExA(RootKey(k.root), k.path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            continue;
        const bool isServer = (k.use & kKeyServer) != 0;
        bool written = SetString(key, nullptr, isServer ? server : kShellExtClassId);
        if (written && isServer) written = SetString(key, "ThreadingModel", "Apartment");
        RegCloseKey(key);
        // A refused value means the registration cannot be trusted: no regsvr32.
        if (!written) return false;
        report("registry", std::string(RegRootName(k.root)) + k.path);
    }

    // By full paths only: a bare name is looked up in setup's own folder and
    // the current one first, where anyone may have put a program or control
    // that would then run with administrator rights.
    const std::string system = SystemFolder();
    if (system.empty()) {
        report("warning", "no system folder: the shell extension is not registered");
        return false;
    }
    const std::string regsvr32 = "\"" + system + "\\regsvr32.exe\" /s ";
    std::vector<std::string> commands = {regsvr32 + "\"" + server + "\""};
    // The skin control: the product's own copy, else the system's.
    std::string skin;
    for (const std::string& dir : {SetupScript.InstallDir, system}) {
        const std::string path = (dir.empty() || dir.back() == '\\' ? dir : dir + "\\") + "ActiveSkin.ocx";
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            skin = path;
            break;
        }
    }
    if (!skin.empty())
        commands.push_back(regsvr32 + "\"" + skin + "\"");
    else
        report("shell extension", "no ActiveSkin.ocx in " + SetupScript.InstallDir + " or " + system);
    // WinExec's values above 31 mean started.
    bool started = true;
    for (const std::string& c : commands) {
        const bool ok = ShellExtExec(c.c_str(), SW_HIDE) > 31;
        report("shell extension", (ok ? "started " : "not started ") + c);
        started = started && ok;
    }
    return started;
}
