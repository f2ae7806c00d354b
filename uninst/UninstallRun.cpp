#include "UninstallRun.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "RunLog.h"
#include "Sha256.h"
#include "UninstCore.h"

namespace uninst {

namespace {

const char kErrorCaption[] = "오류";
const char kBadParamsText[] = "매개 변수가 잘못 전달 되었습니다.  확인 후 다시 실행 하십시오.";
const char kNotFoundTail[] = " 파일이 존재하지 않습니다.  확인 후 다시 실행 하십시오.";
const char kUnreadableTail[] = " 파일을 읽을 수 없습니다.  확인 후 다시 실행 하십시오.";
const char kAlteredTail[] =
    " 파일이 설치할 때 기록된 내용과 다릅니다.  아무것도 삭제 하지 않았습니다.  "
    "프로그램을 다시 설치 한 뒤 삭제 하십시오.";
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
// Said of the paths an unvouched log names outside the install folder.
const char kOutsideHead[] = "설치 폴더 밖의 항목 ";
const char kOutsideTail[] =
    "개는 설치 기록을 확인할 수 없어 삭제 하지 않았습니다.  확인 후 직접 삭제 하십시오.";
const char kRunLogWriteTail[] = " 파일에 실행 기록을 끝까지 쓰지 못했습니다.";
}  // namespace

// Usage lines of codes that share one are shown together ("4, 5").
const ExitCodeRow kExitCodes[] = {
    {RunStatus::Done, 0, "removed", "삭제 완료"},
    {RunStatus::RestartNeeded, 3010, "removed, restart needed to finish",
     "Windows를 다시 시작 하면 삭제 완료"},
    {RunStatus::ItemsRemain, 6, "some items remain", "삭제 하지 못한 파일이 남음"},
    {RunStatus::BadParameters, 1, "bad command line", "매개 변수나 스위치가 잘못됨"},
    {RunStatus::LogNotFound, 2, "INSTALL.LOG not found", "INSTALL.LOG가 없음"},
    {RunStatus::Declined, 3, "declined, nothing changed", "사용자가 취소함"},
    {RunStatus::LogUnreadable, 4, "INSTALL.LOG unreadable", "INSTALL.LOG나 wininit.ini를 읽거나 쓸 수 없음"},
    {RunStatus::RenameFileFailed, 5, "wininit.ini unreadable or unwritable",
     "INSTALL.LOG나 wininit.ini를 읽거나 쓸 수 없음"},
    {RunStatus::RunLogFailed, 7, "run log failed", "실행 기록을 쓸 수 없음"},
    {RunStatus::LogAltered, 8, "INSTALL.LOG altered since install, nothing changed",
     "INSTALL.LOG가 설치 후 바뀌어 아무것도 삭제 하지 않음"},
};
const int kExitCodeCount = sizeof kExitCodes / sizeof kExitCodes[0];

const ExitCodeRow& ExitCodeOf(RunStatus status) {
    for (const ExitCodeRow& row : kExitCodes)
        if (row.status == status) return row;
    return kExitCodes[3];  // BadParameters; every status has its row
}

std::string UsageText() {
    std::string usage =
        "사용법: VlUnInst [/SILENT | /VERYSILENT] [/LOG=\"기록 파일\"] INSTALL.LOG 경로\r\n\r\n"
        "/SILENT\t묻지 않고 삭제하며, 문제가 있을 때만 알립니다.\r\n"
        "/VERYSILENT\t창을 전혀 띄우지 않습니다.\r\n"
        "/LOG=\"파일\"\t실행 기록을 UTF-8로 남깁니다.\r\n\r\n"
        "종료 코드:";
    for (int i = 0; i < kExitCodeCount; ++i) {
        const ExitCodeRow& row = kExitCodes[i];
        if (i > 0 && std::string(kExitCodes[i - 1].usage) == row.usage) continue;
        std::string codes = std::to_string(row.code);
        for (int j = i + 1; j < kExitCodeCount && std::string(kExitCodes[j].usage) == row.usage; ++j)
            codes += ", " + std::to_string(kExitCodes[j].code);
        usage += "\r\n" + codes + "\t" + row.usage;
    }
    return usage;
}

namespace {

// The run as its user sees it: which boxes show under the switches, and the
// run log, which hears of every box whether shown or not. A run log that
// fails once is written no further; the run ends with RunLogFailed then.
class View {
public:
    View(User& user, RunLogSink& runLog, Quiet quiet) : user_(user), quiet_(quiet), log_(runLog) {}

    // False, with the reason in a box, when the run log cannot be created.
    bool OpenLog(const std::string& path) {
        path_ = path;
        if (log_.Open(path)) return true;
        Show(BoxKind::Error, kErrorCaption, path + kRunLogOpenTail);
        return false;
    }

    void Log(const char* step, const std::string& text) { log_.Step(step, text); }

    // A box for the user, as the switches allow; a question unasked is
    // answered Yes.
    bool Box(BoxKind kind, const char* caption, const std::string& text) {
        if (kind == BoxKind::Confirm) {
            bool yes = quiet_ != Quiet::None || user_.Message(kind, caption, text);
            Log("confirmed", yes ? "yes" : "no");
            return yes;
        }
        Log(kind == BoxKind::Error ? "error" : kind == BoxKind::Warning ? "warning" : "message", text);
        if (quiet_ == Quiet::None || (quiet_ == Quiet::Silent && kind != BoxKind::Info))
            user_.Message(kind, caption, text);
        return true;
    }

    // The usage asked for with "/?": not only for what went wrong.
    void Usage() {
        if (quiet_ != Quiet::VerySilent) user_.Message(BoxKind::Info, kConfirmCaption, UsageText());
    }

    // The result line, and the run log closed; a run log that failed turns a
    // success into RunLogFailed, said in a box.
    RunStatus End(RunStatus status) {
        if (log_.Finish(ExitCode(status), ExitCodeOf(status).result)) return status;
        Show(BoxKind::Error, kErrorCaption, path_ + kRunLogWriteTail);
        return status == RunStatus::Done || status == RunStatus::RestartNeeded ? RunStatus::RunLogFailed
                                                                               : status;
    }

private:
    void Show(BoxKind kind, const char* caption, const std::string& text) {
        if (quiet_ != Quiet::VerySilent) user_.Message(kind, caption, text);
    }

    User& user_;
    Quiet quiet_;
    std::string path_;
    RunLog log_;
};

void RemoveKey(RegRoot root, const std::string& key, Machine& machine, View& view) {
    switch (machine.DeleteKeyTree(root, key)) {
        case KeyRemoval::Removed:
            view.Log("registry", std::string("removed ") + RegRootName(root) + key);
            break;
        case KeyRemoval::Stays:
            view.Log("error", std::string("registry key stays ") + RegRootName(root) + key);
            break;
        case KeyRemoval::Missing: break;
    }
}

// Setup names its entry after the product's title, which the fixed list
// cannot know; the entry's command line tells it apart.
std::vector<UninstallEntry> EntriesOf(const std::string& logPath, Machine& machine) {
    std::vector<UninstallEntry> mine;
    for (auto& entry : machine.UninstallEntries())
        if (UninstallStringNamesLog(entry.command, logPath)) mine.push_back(std::move(entry));
    return mine;
}

// What the log's entries say of the bytes read.
enum class Trust {
    Vouched,  // every digest recorded matches them
    Unknown,  // no entry records a digest: a log of an earlier kit, or no entry at all
    Altered,  // a digest recorded differs
};

Trust CheckDigest(const std::string& bytes, const std::vector<UninstallEntry>& entries, View& view) {
    Sha256 sha;
    sha.Update(bytes.data(), bytes.size());
    const std::string digest = sha.HexDigest();
    Trust trust = Trust::Unknown;
    for (const auto& e : entries) {
        if (!e.logDigest) continue;
        if (*e.logDigest != digest) {
            view.Log("verify", "INSTALL.LOG differs from the digest its uninstall entry " + e.name +
                                   " records; nothing changed (sha256 " + digest + ")");
            return Trust::Altered;
        }
        trust = Trust::Vouched;
    }
    view.Log("verify", trust == Trust::Vouched
                           ? "INSTALL.LOG matches its uninstall entry (sha256 " + digest + ")"
                           : "no digest recorded for INSTALL.LOG: only its own folder and the "
                             "shortcut folders are followed");
    return trust;
}

void CleanRegistry(const std::vector<UninstallEntry>& entries, Machine& machine, View& view) {
    for (size_t i = 0; i < kProductKeyCount; ++i)
        if (kProductKeys[i].use & kKeyUninstRemoves)
            RemoveKey(kProductKeys[i].root, kProductKeys[i].path, machine, view);
    for (const auto& entry : entries)
        RemoveKey(RegRoot::LocalMachine, std::string(kUninstallRoot) + "\\" + entry.name, machine, view);
}

bool IsShortcutName(const std::string& path) {
    std::string u = UpperAscii(path);
    auto endsWith = [&](const char* tail) {
        std::string t = tail;
        return u.size() > t.size() && u.compare(u.size() - t.size(), t.size(), t) == 0;
    };
    return endsWith(".LNK") || endsWith(".PIF");
}

// Narrows a log no digest vouches for to what its own folder holds, and to
// shortcuts and folders in the shortcut folders: anyone who may write the
// log's folder may have written the log. Returns how many paths were left
// that could otherwise have gone (kept folders never go anyway).
size_t KeepToOwnFolders(LogContents* log, const std::string& logDir,
                        const std::vector<std::string>& shortcuts, const std::vector<std::string>& kept,
                        View& view) {
    auto inShortcutFolder = [&](const std::string& p) {
        for (const auto& f : shortcuts)
            if (InsideFolder(p, f)) return true;
        return false;
    };
    size_t left = 0;
    auto narrow = [&](std::vector<std::string>* paths, bool folders) {
        std::vector<std::string> keep;
        for (auto& p : *paths) {
            if (InsideFolder(p, logDir) || ((folders || IsShortcutName(p)) && inShortcutFolder(p))) {
                keep.push_back(std::move(p));
            } else {
                view.Log("error", "left, outside the install folder and not vouched for " + p);
                if (!folders || !IsKeptFolder(p, kept)) ++left;
            }
        }
        *paths = std::move(keep);
    };
    narrow(&log->entries, false);
    narrow(&log->dirs, true);
    return left;
}

// Junctions and symbolic links inside the install's folders, which anyone
// who may write there can plant: nothing below one is touched, and one that
// is listed goes as the link alone. The answers are kept, since a log of a
// large archive names thousands of files in a few folders.
class LinkGuard {
public:
    LinkGuard(Files& files, std::vector<std::string> roots) : files_(files), roots_(std::move(roots)) {}

    bool IsLink(const std::string& path) {
        std::string key = UpperAscii(path);
        auto at = known_.find(key);
        if (at != known_.end()) return at->second;
        bool link = files_.IsLink(path);
        known_.emplace(key, link);
        return link;
    }

    // Whether a folder above `path`, inside one of the roots, is a link.
    bool Below(const std::string& path) {
        for (std::string p = ParentDir(path); !p.empty(); p = ParentDir(p)) {
            bool inside = false;
            for (const auto& r : roots_) inside = inside || InsideFolder(p, r);
            if (!inside) return false;
            if (IsLink(p)) return true;
        }
        return false;
    }

private:
    Files& files_;
    std::vector<std::string> roots_;
    std::unordered_map<std::string, bool> known_;
};

// What the removal passes did with the log's paths; upper-cased paths.
struct Removal {
    std::unordered_set<std::string> deleted;
    std::unordered_set<std::string> atRestart;  // files, then the folders they hold up
    bool filesAtRestart = false;
    std::string firstLeft;             // the first file neither deleted nor scheduled
    std::vector<std::string> refused;  // files in use at the first try
};

void Left(const std::string& why, const std::string& path, View& view, Removal* r) {
    if (r->firstLeft.empty()) r->firstLeft = path;
    view.Log("error", why + path);
}

void RemoveFiles(const LogContents& log, Files& files, LinkGuard& links, View& view, Removal* r) {
    for (const auto& e : log.entries) {
        if (links.Below(e)) {
            Left("stays, below a junction or link ", e, view, r);
            continue;
        }
        switch (files.RemoveFile(e)) {
            case FileRemoval::Removed:
                r->deleted.insert(UpperAscii(e));
                view.Log("file", "removed " + e);
                break;
            case FileRemoval::Refused:
                // A link is never scheduled: at the next start it might lead elsewhere.
                if (links.IsLink(e))
                    Left("link stays, denied ", e, view, r);
                else
                    r->refused.push_back(e);
                break;
            case FileRemoval::Missing: view.Log("file", "not there " + e); break;
            case FileRemoval::Folder: break;
        }
    }
}

// Files in use at the first try (typically the shell extension, loaded by
// Explorer, or a program of the product still running) get a last try once
// the rest is done; only what is still there then goes at the next start, so
// that no request outlives its file and deletes a reinstall.
void RemoveRefused(Files& files, View& view, Removal* r) {
    for (const auto& e : r->refused) {
        switch (files.RemoveFile(e)) {
            case FileRemoval::Removed:
                r->deleted.insert(UpperAscii(e));
                view.Log("file", "removed " + e);
                continue;
            case FileRemoval::Missing: view.Log("file", "not there " + e); continue;
            case FileRemoval::Folder: continue;
            case FileRemoval::Refused: break;
        }
        if (files.RemoveAtRestart(e)) {
            r->atRestart.insert(UpperAscii(e));
            r->filesAtRestart = true;
            view.Log("file", "in use, removed at restart " + e);
        } else {
            Left("file stays, in use or denied ", e, view, r);
        }
    }
}

// A folder that still holds something, all of it going at the next start.
bool HoldsOnlyRestartItems(const std::string& dir, Files& files, const Removal& r) {
    std::vector<std::string> names;
    if (!files.ListDir(dir, &names) || names.empty()) return false;
    for (const auto& n : names)
        if (!r.atRestart.count(UpperAscii(dir + "\\" + n))) return false;
    return true;
}

// The log's own folders, as listed; kept folders and folders below a link stay.
void RemoveListedFolders(const std::vector<std::string>& dirs, const std::vector<std::string>& kept,
                         Files& files, LinkGuard& links, View& view) {
    for (const auto& d : dirs) {
        if (IsKeptFolder(d, kept)) continue;
        if (links.Below(d))
            view.Log("error", "folder stays, below a junction or link " + d);
        else if (files.RemoveDir(d))
            view.Log("folder", "removed " + d);
    }
}

// Folders the listed ones could not take because they still held
// subfolders, and folders left empty by the deletions, deepest first
// (PruneCandidates). What was just deleted as a file is no folder. A folder
// held up only by files in use is known before the folder above it, and goes
// at the next start too. The own folder is the self-removal's to schedule,
// after the own file. A link among them goes as the link alone, and is never
// listed.
void PruneFolders(const std::vector<std::string>& prune, const std::string& ownDir, Files& files,
                  LinkGuard& links, View& view, Removal* r) {
    for (const auto& d : prune) {
        std::string key = UpperAscii(d);
        if (r->deleted.count(key) || r->atRestart.count(key) || links.Below(d)) continue;
        if (files.RemoveDir(d)) {
            view.Log("folder", "removed " + d);
        } else if (r->filesAtRestart && !SamePath(d, ownDir) && !links.IsLink(d) &&
                   HoldsOnlyRestartItems(d, files, *r) && files.RemoveAtRestart(d)) {
            r->atRestart.insert(key);
            view.Log("folder", "removed at restart " + d);
        }
    }
}

// The closing box: what stays, what goes at the next start, or done.
RunStatus Report(const Removal& r, size_t outside, View& view) {
    if (!r.firstLeft.empty() || outside > 0) {
        std::string said = r.firstLeft.empty() ? "" : r.firstLeft + kLeftTail + "  ";
        if (outside > 0) said += kOutsideHead + std::to_string(outside) + kOutsideTail + "  ";
        said.resize(said.size() - 2);
        view.Box(BoxKind::Warning, kDoneCaption, said + (r.filesAtRestart ? kLeftRestartTail : ""));
        return RunStatus::ItemsRemain;
    }
    if (r.filesAtRestart) {
        view.Box(BoxKind::Info, kDoneCaption, kRestartText);
        return RunStatus::RestartNeeded;
    }
    view.Box(BoxKind::Info, kDoneCaption, kDoneText);
    return RunStatus::Done;
}

// The switches, the run log and the install log's full path: everything
// before the question. A status when the run ends there.
std::optional<RunStatus> FindLog(const Switches& sw, Files& files, View& view, std::string* logPath) {
    if (!sw.bad.empty()) {
        view.Box(BoxKind::Error, kErrorCaption, sw.bad + kBadSwitchTail + UsageText());
        return RunStatus::BadParameters;
    }
    if (sw.usage) {
        view.Usage();
        return RunStatus::BadParameters;
    }
    LogPathResult where;
    if (!sw.pieces.empty())
        where = RebuildLogPath(sw.pieces, [&](const std::string& p) { return files.IsFile(p); });
    if (sw.hasRunLog) {
        // Replacing the install log with the run log would lose the product's list.
        std::string runLog = files.FullPath(sw.runLog);
        if (where.found && SamePath(runLog, files.FullPath(where.path))) {
            view.Box(BoxKind::Error, kErrorCaption, runLog + kRunLogOpenTail);
            return RunStatus::RunLogFailed;
        }
        if (!view.OpenLog(runLog)) return RunStatus::RunLogFailed;
    }
    if (sw.pieces.empty()) {
        view.Box(BoxKind::Error, kErrorCaption, kBadParamsText);
        return view.End(RunStatus::BadParameters);
    }
    if (!where.found) {
        view.Box(BoxKind::Error, kErrorCaption, where.firstCandidate + kNotFoundTail);
        return view.End(RunStatus::LogNotFound);
    }
    *logPath = files.FullPath(where.path);
    view.Log("log", *logPath);
    return std::nullopt;
}

}  // namespace

int ExitCode(RunStatus status) { return ExitCodeOf(status).code; }

RunStatus RunUninstall(const std::vector<std::string>& params, const Host& host) {
    const Switches sw = ParseSwitches(params);
    View view(host.user, host.runLog, sw.quiet);
    std::string logPath;
    if (std::optional<RunStatus> ended = FindLog(sw, host.files, view, &logPath)) return *ended;
    if (!view.Box(BoxKind::Confirm, kConfirmCaption, kConfirmText)) return view.End(RunStatus::Declined);

    // The log is read once, whole, and checked before anything changes; only
    // the bytes checked are followed.
    std::string text;
    if (!host.files.ReadAll(logPath, &text)) {
        view.Log("verify", "INSTALL.LOG cannot be read; nothing changed");
        view.Box(BoxKind::Error, kErrorCaption, logPath + kUnreadableTail);
        return view.End(RunStatus::LogUnreadable);
    }
    const std::vector<UninstallEntry> entries = EntriesOf(logPath, host.machine);
    const Trust trust = CheckDigest(text, entries, view);
    if (trust == Trust::Altered) {
        view.Box(BoxKind::Error, kErrorCaption, logPath + kAlteredTail);
        return view.End(RunStatus::LogAltered);
    }

    CleanRegistry(entries, host.machine, view);

    LogContents log = ParseLog(text);
    const std::vector<std::string> kept = host.machine.KeptFolders();
    const std::string logDir = ParentDir(logPath);
    const size_t outside = trust == Trust::Vouched
                               ? 0
                               : KeepToOwnFolders(&log, logDir, host.machine.ShortcutFolders(), kept, view);
    const std::string ownPath = host.program.OwnPath();
    const std::string ownDir = ParentDir(ownPath);
    std::vector<std::string> roots = log.dirs;
    roots.push_back(logDir);
    LinkGuard links(host.files, roots);
    Removal removal;
    RemoveFiles(log, host.files, links, view, &removal);
    RemoveListedFolders(log.dirs, kept, host.files, links, view);
    RemoveRefused(host.files, view, &removal);
    const std::vector<std::string> prune = PruneCandidates(log, logDir, kept);
    PruneFolders(prune, ownDir, host.files, links, view, &removal);

    std::string failed;
    if (!host.program.ScheduleSelfRemoval(&failed)) {
        view.Box(BoxKind::Error, kErrorCaption, failed + kUnwritableTail);
        return view.End(RunStatus::RenameFileFailed);
    }
    RunStatus status = Report(removal, outside, view);

    bool ownDirIsProducts = false;
    for (const auto& d : prune) ownDirIsProducts = ownDirIsProducts || SamePath(d, ownDir);
    view.Log("uninstaller", "deleted once it ends " + ownPath);
    status = view.End(status);
    host.program.RemoveSelfNow(ownDirIsProducts);
    return status;
}

}  // namespace uninst
