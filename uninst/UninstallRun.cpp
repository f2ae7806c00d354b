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

}  // namespace

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
    std::unordered_set<std::string> deleted;
    for (const auto& e : log.entries)
        if (host.RemoveFile(e)) deleted.insert(UpperAscii(e));
    for (const auto& d : log.dirs)
        if (!IsKeptFolder(d, kept)) host.RemoveDir(d);
    // Folders the listed ones could not take because they still held
    // subfolders, and folders left empty by the deletions. What was just
    // deleted as a file is no folder.
    std::vector<std::string> prune = PruneCandidates(log, ParentDir(logPath), kept);
    for (const auto& d : prune)
        if (!deleted.count(UpperAscii(d))) host.RemoveDir(d);

    std::string failed;
    if (!host.ScheduleSelfRemoval(&failed)) {
        host.Message(BoxKind::Error, kErrorCaption, failed + kUnwritableTail);
        return RunStatus::RenameFileFailed;
    }
    host.Message(BoxKind::Info, kDoneCaption, kDoneText);

    std::string ownDir = ParentDir(host.OwnPath());
    bool ownDirIsProducts = false;
    for (const auto& d : prune) ownDirIsProducts = ownDirIsProducts || SamePath(d, ownDir);
    host.RemoveSelfNow(ownDirIsProducts);
    return RunStatus::Done;
}

}  // namespace uninst
