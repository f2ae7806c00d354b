#include "ShellExt.h"

#include <vector>

#include "SetupScript.h"

const char ShellExtClassId[] = "{6D1A2F40-7C3B-4E59-A1D8-3F0B5C9E7A21}";
const char ProductKey[] = "SOFTWARE\\Tessaro\\Varnel";
const char DefaultShellDll[] = "vctx600.dll";
ShellExecFn ShellExtExec = WinExec;

namespace {

#define CLSID_KEY "CLSID\\{6D1A2F40-7C3B-4E59-A1D8-3F0B5C9E7A21}"

// Removed first, so that every install leaves the same keys; the root
// "Varnel" key is a leftover of older versions and is not written again.
const char* const RemovedKeys[] = {
    "*\\shellex\\ContextMenuHandlers\\Varnel",
    "Varnel",
    CLSID_KEY "\\InProcServer32",
    CLSID_KEY,
    "Directory\\shellex\\ContextMenuHandlers\\Varnel",
    "Directory\\shellex\\DragDropHandlers\\Varnel",
    "Drive\\shellex\\DragDropHandlers\\Varnel",
    "Folder\\shellex\\ContextMenuHandlers\\Varnel",
    "Folder\\shellex\\DragDropHandlers\\Varnel",
};

// Written in this order; the server key gets the path, the others the class id.
const char ServerKey[] = CLSID_KEY "\\InProcServer32";
const char* const HandlerKeys[] = {
    "*\\shellex\\ContextMenuHandlers\\Varnel",         ServerKey,
    "Directory\\shellex\\ContextMenuHandlers\\Varnel", "Directory\\shellex\\DragDropHandlers\\Varnel",
    "Drive\\shellex\\DragDropHandlers\\Varnel",        "Folder\\shellex\\ContextMenuHandlers\\Varnel",
    "Folder\\shellex\\DragDropHandlers\\Varnel",
};

// Deletes key and its whole subtree (the system's own tree deletion is newer
// than the systems this program runs on).
void DeleteKeyTree(HKEY root, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WRITE, &key) == ERROR_SUCCESS) {
        std::vector<std::string> children;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof name;
            if (RegEnumKeyExA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            children.emplace_back(name, len);
        }
        for (const std::string& child : children) DeleteKeyTree(key, child.c_str());
        RegCloseKey(key);
    }
    RegDeleteKeyA(root, path);
}

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

void RegisterShellExtension() {
    for (const char* path : RemovedKeys) DeleteKeyTree(HKEY_CLASSES_ROOT, path);

    // An empty name would register the install directory itself as the
    // server; a name recorded earlier, or the usual one, is what was meant.
    std::string dll = SetupScript.ShellDll;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ProductKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        if (dll.empty()) dll = ReadString(key, "ShellDll");
        if (dll.empty()) dll = DefaultShellDll;
        if (SetString(key, "PATH", SetupScript.InstallDir)) SetString(key, "ShellDll", dll);
        RegCloseKey(key);
    } else if (dll.empty()) {
        dll = DefaultShellDll;
    }

    const std::string server = SetupScript.InstallDir + "\\" + dll;
    for (const char* path : HandlerKeys) {
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            continue;
        const bool isServer = path == ServerKey;
        bool written = SetString(key, nullptr, isServer ? server : ShellExtClassId);
        if (written && isServer) written = SetString(key, "ThreadingModel", "Apartment");
        RegCloseKey(key);
        // A refused value means the registration cannot be trusted: no regsvr32.
        if (!written) return;
    }

    const std::string command = "regsvr32 /s \"" + server + "\"";
    ShellExtExec(command.c_str(), SW_HIDE);
    ShellExtExec("regsvr32 /s ActiveSkin.ocx", SW_HIDE);
}
