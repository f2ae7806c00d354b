#include "RegTree.h"

#include <vector>

HKEY RootKey(RegRoot root) {
    switch (root) {
        case RegRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
        case RegRoot::CurrentUser: return HKEY_CURRENT_USER;
        case RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    }
    return HKEY_CLASSES_ROOT;
}

void DeleteKeyTree(HKEY parent, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &key) ==
        ERROR_SUCCESS) {
        // Collected first: deleting while enumerating shifts the indices.
        std::vector<std::string> children;
        std::vector<char> name(256);
        for (DWORD i = 0;;) {
            DWORD length = static_cast<DWORD>(name.size());
            const LONG rc = RegEnumKeyExA(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_MORE_DATA && name.size() < 32768) {
                name.resize(name.size() * 4);  // the same index again, with room
                continue;
            }
            if (rc == ERROR_MORE_DATA) {
                ++i;
                continue;
            }
            if (rc != ERROR_SUCCESS) break;
            children.emplace_back(name.data(), length);
            ++i;
        }
        for (const std::string& child : children) DeleteKeyTree(key, child);
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, path.c_str());
}
