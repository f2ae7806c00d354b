#include "SetupSwitches.h"

#include "CommandLine.h"
#include "Sha256.h"
#include "KitText.h"
#include "PathRoot.h"

TSetupSwitches ParseSetupSwitches(const std::vector<std::string>& params) {
    TSetupSwitches s;
    auto bad = [&s](const std::string& p) {
        if (s.Bad.empty()) s.Bad = p.empty() ? std::string("\"\"") : p;
    };
    for (const std::string& p : params) {
        std::string value;
        if (IsSwitch(p, "/SILENT")) {
            if (s.Mode == Quiet::None) s.Mode = Quiet::Silent;
        } else if (IsSwitch(p, "/VERYSILENT")) {
            s.Mode = Quiet::VerySilent;
        } else if (IsSwitch(p, "/RESTART")) {
            s.Restart = true;
        } else if (IsSwitch(p, "/NORESTART")) {
            s.NoRestart = true;
        } else if (IsSwitch(p, "/?")) {
            s.Usage = true;
        } else if (IsSwitch(p, "/DUMP")) {
            s.Dump = true;
        } else if (IsValueSwitch(p, "/DUMP=", &value)) {
            s.Dump = true;
            s.DumpFile = value;
        } else if (IsValueSwitch(p, "/DIR=", &value)) {
            if (s.HasDir || value.empty()) bad(p);
            s.HasDir = true;
            s.Dir = value;
        } else if (IsValueSwitch(p, "/LOG=", &value)) {
            if (s.HasRunLog || value.empty()) bad(p);
            s.HasRunLog = true;
            s.RunLog = value;
        } else {
            bad(p);
        }
    }
    return s;
}

std::string InstallDirFromSwitch(const std::string& dir) {
    std::string d = dir;
    // A drive keeps its separator (C:\ stays); nothing else does.
    const size_t keep = ParsePathRoot(d, true).kind == PathRootKind::Drive ? 3 : 1;
    while (d.size() > keep && (d.back() == '\\' || d.back() == '/')) d.pop_back();
    return d;
}

const TSetupExitCode kSetupExitCodes[] = {
    {kExitInstalled, "installed", "설치 완료"},
    {kExitRestartRequired, "installed, restart required to finish", "설치 완료, Windows를 다시 시작해야 함"},
    {kExitBadCommandLine, "bad command line", "스위치가 잘못됨"},
    {kExitCancelled, "cancelled", "사용자가 취소함"},
    {kExitFailed, "install failed, nothing installed", "설치하지 못함 (실행 기록에 이유가 있음)"},
    {kExitRunLogFailed, "run log not written", "실행 기록을 쓸 수 없음"},
    {kExitAlreadyRunning, "another setup of this product is running, nothing changed",
     "이 프로그램의 다른 설치가 이미 실행 중임"},
};
const int kSetupExitCodeCount = sizeof kSetupExitCodes / sizeof kSetupExitCodes[0];

const char* SetupExitText(int code) {
    for (const TSetupExitCode& e : kSetupExitCodes)
        if (e.Code == code) return e.Result;
    return "";
}

std::string SetupUsage() {
    std::string usage =
        "사용법: setup [/SILENT | /VERYSILENT] [/DIR=\"설치 디렉토리\"] [/LOG=\"기록 파일\"]\r\n"
        "             [/NORESTART | /RESTART]\r\n\r\n"
        "/SILENT\t설치 창만 보이며 묻지 않고 설치합니다.\r\n"
        "/VERYSILENT\t창을 전혀 띄우지 않습니다.\r\n"
        "/DIR=\"경로\"\tSETUP.INI의 설치 디렉토리 대신 이 경로에 설치합니다.\r\n"
        "/LOG=\"파일\"\t실행 기록을 UTF-8로 남깁니다.\r\n"
        "/RESTART\t조용한 설치를 마친 뒤 Windows를 다시 시작합니다.\r\n"
        "/NORESTART\tWindows를 다시 시작하지 않습니다.\r\n\r\n"
        "종료 코드:";
    for (const TSetupExitCode& e : kSetupExitCodes) usage += "\r\n" + std::to_string(e.Code) + "\t" + e.Usage;
    return usage;
}

std::string SetupMutexName(const std::string& productName) {
    Sha256 hash;
    const std::string name = UpperAscii(productName);
    hash.Update(name.data(), name.size());
    // Global: a second setup in another session of the same machine counts.
    return "Global\\VarnelSetup." + hash.HexDigest().substr(0, 32);
}
