// Registry set-up and checks for the scenario test, many keys per process
// (each process start under Wine costs about a second).
//   regtool fixed                  create every key the uninstaller removes, with a subkey
//   regtool fixedcount             print how many keys of the removal list exist
//   regtool set KEY NAME DATA ...  write string values, creating the keys
//   regtool has KEY ...            print "1 KEY" or "0 KEY" per key
//   regtool get KEY NAME           print a string or multi-string value ('|' between strings)
//   regtool getdacl KEY            print the key's access list (SDDL)
//   regtool setdacl KEY SDDL       replace it, e.g. to refuse writes as to a user without rights
// KEY starts with HKCR\, HKCU\ or HKLM\; texts are UTF-8.
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <string>

#include "RegTree.h"

namespace {

bool Split(const std::wstring& full, HKEY* root, std::wstring* sub) {
    static const struct {
        const wchar_t* name;
        HKEY key;
    } kRoots[] = {
        {L"HKCR\\", HKEY_CLASSES_ROOT}, {L"HKCU\\", HKEY_CURRENT_USER}, {L"HKLM\\", HKEY_LOCAL_MACHINE}};
    for (const auto& r : kRoots)
        if (full.compare(0, 5, r.name) == 0) {
            *root = r.key;
            *sub = full.substr(5);
            return true;
        }
    return false;
}

void Out(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    DWORD done;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), (DWORD)s.size(), &done, nullptr);
}

bool Exists(HKEY root, const std::wstring& sub) {
    HKEY h;
    if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

int Run(int argc, wchar_t** argv) {
    std::wstring cmd = argc > 1 ? argv[1] : L"";
    if (cmd == L"fixed" || cmd == L"fixedcount") {
        int present = 0;
        for (size_t i = 0; i < kProductKeyCount; ++i) {
            const ProductKey& k = kProductKeys[i];
            if (!(k.use & kKeyUninstRemoves)) continue;
            std::string deep = std::string(k.path) + "\\shell\\open\\command";
            HKEY h;
            if (cmd == L"fixed") {
                if (RegCreateKeyExA(RootKey(k.root), deep.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                                    nullptr))
                    return 1;
                RegSetValueExA(h, "", 0, REG_SZ, (const BYTE*)"x", 2);
                RegCloseKey(h);
            } else if (RegOpenKeyExA(RootKey(k.root), k.path, 0, KEY_READ, &h) == ERROR_SUCCESS) {
                ++present;
                RegCloseKey(h);
            }
        }
        if (cmd == L"fixedcount") Out(std::to_wstring(present) + L"\n");
        return 0;
    }
    HKEY root;
    std::wstring sub;
    if (cmd == L"set" && argc > 2 && (argc - 2) % 3 == 0) {
        for (int i = 2; i < argc; i += 3) {
            HKEY h;
            if (!Split(argv[i], &root, &sub)) return 2;
            if (RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr)) return 1;
            std::wstring data = argv[i + 2];
            LONG rc = RegSetValueExW(h, argv[i + 1], 0, REG_SZ, (const BYTE*)data.c_str(),
                                     (DWORD)(data.size() + 1) * 2);
            RegCloseKey(h);
            if (rc != ERROR_SUCCESS) return 1;
        }
        return 0;
    }
    if (cmd == L"has") {
        for (int i = 2; i < argc; ++i) {
            if (!Split(argv[i], &root, &sub)) return 2;
            Out(std::wstring(Exists(root, sub) ? L"1 " : L"0 ") + argv[i] + L"\n");
        }
        return 0;
    }
    if (cmd == L"get" && argc == 4 && Split(argv[2], &root, &sub)) {
        HKEY h;
        if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &h)) return 1;
        std::wstring buf(32768, L'\0');
        DWORD size = (DWORD)buf.size() * 2, type = 0;
        LONG rc = RegQueryValueExW(h, argv[3], nullptr, &type, (BYTE*)&buf[0], &size);
        RegCloseKey(h);
        if (rc != ERROR_SUCCESS) return 1;
        buf.resize(size / 2);
        while (!buf.empty() && buf.back() == L'\0') buf.pop_back();
        for (auto& c : buf)
            if (c == L'\0') c = L'|';
        Out(buf + L"\n");
        return 0;
    }
    if (cmd == L"getdacl" && argc == 3 && Split(argv[2], &root, &sub)) {
        HKEY h;
        if (RegOpenKeyExW(root, sub.c_str(), 0, READ_CONTROL, &h)) return 1;
        std::string sd(4096, '\0');
        DWORD size = (DWORD)sd.size();
        LONG rc = RegGetKeySecurity(h, DACL_SECURITY_INFORMATION, &sd[0], &size);
        RegCloseKey(h);
        wchar_t* text = nullptr;
        if (rc != ERROR_SUCCESS || !ConvertSecurityDescriptorToStringSecurityDescriptorW(
                                       &sd[0], SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
            return 1;
        Out(std::wstring(text) + L"\n");
        LocalFree(text);
        return 0;
    }
    if (cmd == L"setdacl" && argc == 4 && Split(argv[2], &root, &sub)) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(argv[3], SDDL_REVISION_1, &sd, nullptr))
            return 1;
        HKEY h;
        LONG rc = RegOpenKeyExW(root, sub.c_str(), 0, WRITE_DAC, &h);
        if (rc == ERROR_SUCCESS) {
            rc = RegSetKeySecurity(h, DACL_SECURITY_INFORMATION, sd);
            RegCloseKey(h);
        }
        LocalFree(sd);
        return rc == ERROR_SUCCESS ? 0 : 1;
    }
    return 2;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int rc = argv ? Run(argc, argv) : 2;
    LocalFree(argv);
    return rc;
}
