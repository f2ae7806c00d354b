#include "ShellExt.h"

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

    const std::string command = "regsvr32 /s \"" + server + "\"";
    // WinExec's values above 31 mean started.
    bool started = true;
    for (const std::string& c : {command, std::string("regsvr32 /s ActiveSkin.ocx")}) {
        const bool ok = ShellExtExec(c.c_str(), SW_HIDE) > 31;
        report("shell extension", (ok ? "started " : "not started ") + c);
        started = started && ok;
    }
    return started;
}
