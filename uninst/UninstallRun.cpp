#include "UninstallRun.h"

#include <unordered_set>

#include "UninstCore.h"

namespace uninst {

namespace {

const char kErrorCaption[] = "오류";
const char kBadParamsText[] = "매개 변수가 잘못 전달 되었습니다.  확인 후 다시 실행 하십시오.";
const char kNotFoundTail[] = " 파일이 존재하지 않습니다.  확인 후 다시 실행 하십시오.";
const char kUnreadableTail[] = " 파일을 읽을 수 없습니다.  확인 후 다시 실행 하십시오.";
const char kUnwritableTail[] = " 파일을 읽거나 쓸 수 없습니다.  확인 후 다시 실행 하십시오.";
const char kConfirmCaption[] = "프로그램삭제";
// Two bare carriage returns: the box shows them as one blank line.
const char kConfirmText[] =
    "주의! 해당 프로그램과 자료가 지워집니다.\r\r프로그램을 컴퓨터에서 삭제 하시겠습니까?";
const char kDoneCaption[] = "완료";
const char kDoneText[] = "프로그램 삭제를 완료 했습니다.";
const char kRestartText[] =
    "프로그램 삭제를 완료 했습니다.  나머지 파일은 Windows를 다시 시작 하면 삭제 됩니다.";
const char kLeftTail[] = " 파일을 삭제 하지 못했습니다.  확인 후 직접 삭제 하십시오.";
const char kLeftRestartTail[] = "  다른 파일은 Windows를 다시 시작 하면 삭제 됩니다.";

void CleanRegistry(const std::string& logPath, Host& host) {
    for (size_t i = 0; i < kProductKeyCount; ++i)
        if (kProductKeys[i].use & kKeyUninstRemoves)
            host.DeleteKeyTree(kProductKeys[i].root, kProductKeys[i].path);
    // Setup names its entry after the product's title, which the fixed list
    // cannot know; the entry's command line tells it apart.
    for (const auto& entry : host.UninstallEntries())
        if (UninstallStringNamesLog(entry.second, logPath))
            host.DeleteKeyTree(RegRoot::LocalMachine, std::string(kUninstallRoot) + "\\" + entry.first);
}

// What the removal passes did with the log's paths; upper-cased paths.
struct Removal {
    std::unordered_set<std::string> deleted;
    std::unordered_set<std::string> atRestart;  // files, then the folders they hold up
    bool filesAtRestart = false;
    std::string firstLeft;  // the first file neither deleted nor scheduled
};

void RemoveFiles(const LogContents& log, Host& host, Removal* r) {
    for (const auto& e : log.entries) {
        switch (host.RemoveFile(e)) {
            case FileRemoval::Removed: r->deleted.insert(UpperAscii(e)); break;
            case FileRemoval::Refused:
                // Typically the shell extension, loaded by Explorer, or a
                // program of the product still running.
                if (host.RemoveAtRestart(e)) {
                    r->atRestart.insert(UpperAscii(e));
                    r->filesAtRestart = true;
                } else if (r->firstLeft.empty()) {
                    r->firstLeft = e;
                }
                break;
            case FileRemoval::Missing:
            case FileRemoval::Folder: break;
        }
    }
}

// A folder that still holds something, all of it going at the next start.
bool HoldsOnlyRestartItems(const std::string& dir, Host& host, const Removal& r) {
    std::vector<std::string> names;
    if (!host.ListDir(dir, &names) || names.empty()) return false;
    for (const auto& n : names)
        if (!r.atRestart.count(UpperAscii(dir + "\\" + n))) return false;
    return true;
}

}  // namespace

int ExitCode(RunStatus status) {
    switch (status) {
        case RunStatus::Done: return 0;
        case RunStatus::BadParameters: return 1;
        case RunStatus::LogNotFound: return 2;
        case RunStatus::Declined: return 3;
        case RunStatus::LogUnreadable: return 4;
        case RunStatus::RenameFileFailed: return 5;
        case RunStatus::ItemsRemain: return 6;
        case RunStatus::RestartNeeded: return 3010;
    }
    return 1;
}

RunStatus RunUninstall(const std::vector<std::string>& params, Host& host) {
    if (params.empty()) {
        host.Message(BoxKind::Error, kErrorCaption, kBadParamsText);
        return RunStatus::BadParameters;
    }
    LogPathResult where = RebuildLogPath(params, [&](const std::string& p) { return host.IsFile(p); });
    if (!where.found) {
        host.Message(BoxKind::Error, kErrorCaption, where.firstCandidate + kNotFoundTail);
        return RunStatus::LogNotFound;
    }
    if (!host.Message(BoxKind::Confirm, kConfirmCaption, kConfirmText)) return RunStatus::Declined;

    std::string logPath = host.FullPath(where.path);
    CleanRegistry(logPath, host);

    std::string text;
    if (!host.ReadAll(logPath, &text)) {
        host.Message(BoxKind::Error, kErrorCaption, logPath + kUnreadableTail);
        return RunStatus::LogUnreadable;
    }
    LogContents log = ParseLog(text);
    const std::vector<std::string> kept = host.KeptFolders();
    const std::string ownDir = ParentDir(host.OwnPath());
    Removal removal;
    RemoveFiles(log, host, &removal);
    for (const auto& d : log.dirs)
        if (!IsKeptFolder(d, kept)) host.RemoveDir(d);
    // Folders the listed ones could not take because they still held
    // subfolders, and folders left empty by the deletions. What was just
    // deleted as a file is no folder. Deepest first, so a folder held up
    // only by files in use is known before the folder above it. The own
    // folder is the self-removal's to schedule, after the own file.
    std::vector<std::string> prune = PruneCandidates(log, ParentDir(logPath), kept);
    for (const auto& d : prune) {
        std::string key = UpperAscii(d);
        if (removal.deleted.count(key) || removal.atRestart.count(key) || host.RemoveDir(d)) continue;
        if (removal.filesAtRestart && !SamePath(d, ownDir) && HoldsOnlyRestartItems(d, host, removal) &&
            host.RemoveAtRestart(d))
            removal.atRestart.insert(key);
    }

    std::string failed;
    if (!host.ScheduleSelfRemoval(&failed)) {
        host.Message(BoxKind::Error, kErrorCaption, failed + kUnwritableTail);
        return RunStatus::RenameFileFailed;
    }
    RunStatus status = RunStatus::Done;
    if (!removal.firstLeft.empty()) {
        status = RunStatus::ItemsRemain;
        host.Message(BoxKind::Warning, kDoneCaption,
                     removal.firstLeft + kLeftTail + (removal.filesAtRestart ? kLeftRestartTail : ""));
    } else if (removal.filesAtRestart) {
        status = RunStatus::RestartNeeded;
        host.Message(BoxKind::Info, kDoneCaption, kRestartText);
    } else {
        host.Message(BoxKind::Info, kDoneCaption, kDoneText);
    }

    bool ownDirIsProducts = false;
    for (const auto& d : prune) ownDirIsProducts = ownDirIsProducts || SamePath(d, ownDir);
    host.RemoveSelfNow(ownDirIsProducts);
    return status;
}

}  // namespace uninst
