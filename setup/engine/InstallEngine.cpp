#include "InstallEngine.h"

#include <windows.h>

#include <cstring>

#include "InstallText.h"
#include "ProductKeys.h"
#include "SetupScript.h"
#include "SetupText.h"
#include "Shortcut.h"

std::string UninstallEntryKey(const std::string& productTitle) {
    return std::string(kUninstallRoot) + "\\" + productTitle;
}

static bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

static void CopyReplacing(const std::string& from, const std::string& to) {
    CopyFileA(from.c_str(), to.c_str(), FALSE);
}

namespace {
// Hides the view on every way out of the run, the exceptional one included.
struct ShownRun {
    TInstallView& view;
    explicit ShownRun(TInstallView& v) : view(v) { view.RunShown(); }
    ~ShownRun() { view.RunHidden(); }
};
}  // namespace

TInstallEngine::TInstallEngine(TInstallView& v) : view(v) {
    RAR1.OnExtracting = [this](TRAR*, RARHeaderData& eFile) { RAR1Extracting(eFile); };
    RAR1.OnProcessData = [this](TRAR*, unsigned char*, int, int position) {
        return RAR1ProcessData(static_cast<uint32_t>(position));
    };
}

void TInstallEngine::RAR1Extracting(RARHeaderData& eFile) {
    const std::string path =
        RAR1.TargetDir + "\\" + std::string(eFile.FileName, strnlen(eFile.FileName, sizeof eFile.FileName));
    InstallLog.push_back(kLogFilePrefix + path);
    view.EntryStarted(path, eFile.UnpSize);
    if (view.CancelRequested()) RAR1.Stop = true;
}

int TInstallEngine::RAR1ProcessData(uint32_t position) {
    view.EntryProgress(position);
    if (view.CancelRequested()) RAR1.Stop = true;
    return 1;
}

bool TInstallEngine::Run() {
    InstallCompleted = false;
    bool done;
    {
        ShownRun shown(view);
        done = RunSteps();
    }
    if (!done) return false;
    SetCurrentDirectoryA(SetupScript.InstallDir.c_str());
    InstallCompleted = true;
    return true;
}

bool TInstallEngine::WaitForSource(const std::string& path) {
    while (!FileExists(path))
        if (!view.NextDiskette()) return false;
    return true;
}

bool TInstallEngine::RunSteps() {
    const TSetupScript& s = SetupScript;
    if (FileExists(s.SourceDir + "UNRAR.DLL"))
        CopyReplacing(s.SourceDir + "UNRAR.DLL", ExpandPathMacros("<WINSYSDIR>\\UNRAR.DLL"));

    for (int k = 0; k < s.FileItemCount; ++k) {
        const TFileItem& item = s.FileItems[k];
        // A number left out below the highest is no item: waiting for its
        // empty source would ask for diskettes forever.
        if (item.Source.empty()) continue;
        const std::string source = s.SourceDir + item.Source;
        if (view.CancelRequested() || !WaitForSource(source)) return false;
        if ((item.Option.empty() || item.Option == "FAILIFEXISTS") && IsRarName(item.Source)) {
            RAR1.ExtractArchive(source, ExpandPathMacros(item.DestDir), item.Option == "FAILIFEXISTS");
            if (view.CancelRequested()) return false;
        }
        InstallLog.push_back(kLogDirPrefix + RAR1.TargetDir);
        if (item.Option == "COPY" && FileExists(source))
            CopyReplacing(source, ExpandPathMacros(item.DestDir) + "\\" + item.Source);
    }
    if (view.CancelRequested()) return false;
    if (s.IconItemCount > 0) InstallShortcuts();
    return true;
}

// Each value here is removed again by the uninstaller from its own list; the
// log carries only what the uninstaller cannot know.
static void WriteUninstallEntry(const std::string& commandLine) {
    const std::string key = UninstallEntryKey(SetupScript.ProductTitle);
    HKEY h;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    const std::string& title = SetupScript.ProductTitle;
    RegSetValueExA(h, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(title.c_str()),
                   static_cast<DWORD>(title.size() + 1));
    RegSetValueExA(h, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(commandLine.c_str()),
                   static_cast<DWORD>(commandLine.size() + 1));
    RegFlushKey(h);
    RegCloseKey(h);
}

void TInstallEngine::InstallShortcuts() {
    const TSetupScript& s = SetupScript;
    std::string groupDir;
    for (int i = 0; i < s.IconItemCount; ++i) {
        const TIconItem& icon = s.IconItems[i];
        const bool inGroup = UpperAscii(icon.FolderKey) == "PROGRAMS";
        const std::string linkName =
            (inGroup ? s.ProductTitle + "\\" : std::string()) + icon.LinkName + ".LNK";
        const std::string path = CreateShortcut(icon.FolderKey, linkName, ExpandPathMacros(icon.Target),
                                                ExpandPathMacros(icon.Arguments));
        if (inGroup) groupDir = FileDirectory(path);
        InstallLog.push_back(kLogIconPrefix + path);
    }
    const std::string uninstaller = s.SourceDir + "VlUnInst.exe";
    const bool haveUninstaller = FileExists(uninstaller);
    if (haveUninstaller) CopyReplacing(uninstaller, ExpandPathMacros("<INSTALLDIR>\\VlUnInst.exe"));
    if (haveUninstaller && !s.Uninstall.empty()) {
        // Quoted, so an install directory with blanks reaches the uninstaller
        // as one parameter.
        const std::string log = ExpandPathMacros("<INSTALLDIR>\\INSTALL.LOG");
        const std::string path = CreateShortcut("Programs", s.ProductTitle + "\\" + s.Uninstall + ".LNK",
                                                ExpandPathMacros("<INSTALLDIR>\\VlUnInst.EXE"), Quoted(log));
        InstallLog.push_back(kLogIconPrefix + path);
        WriteUninstallEntry(QuotedCommandLine(ExpandPathMacros("<INSTALLDIR>\\VlUnInst.exe"),
                                              s.InstallDir + "\\INSTALL.LOG"));
    }
    if (!groupDir.empty()) InstallLog.push_back(kLogDirPrefix + groupDir);
}

bool TInstallEngine::Finish() {
    const std::string path = SetupScript.InstallDir + "\\INSTALL.LOG";
    InstallLog.push_back(kLogFilePrefix + path);
    return InstallCompleted && WriteInstallLogFile(path, InstallLog);
}

bool WriteInstallLogFile(const std::string& path, const std::vector<std::string>& lines) {
    const std::string dir = FileDirectory(path).empty() ? "." : FileDirectory(path);
    // The system copies the folder into the name's buffer as it is, with
    // room for 14 more characters only.
    char temp[MAX_PATH];
    if (dir.size() > MAX_PATH - 14 || !GetTempFileNameA(dir.c_str(), "log", 0, temp)) return false;
    const std::string bytes = InstallLogBytes(lines);
    HANDLE f = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    if (ok) {
        DWORD written = 0;
        ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size() && FlushFileBuffers(f);
        ok = CloseHandle(f) && ok;
    }
    if (ok) {
        ok = MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        // The 95/98 family has no replacing move; the complete new file is on
        // disk before the old one goes.
        if (!ok && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
            DeleteFileA(path.c_str());
            ok = MoveFileA(temp, path.c_str());
        }
    }
    if (!ok) DeleteFileA(temp);
    return ok;
}
