#include "SetupMessages.h"

const char kCancelledText[] = "프로그램 설치가 취소되었습니다.";
const char kFailedText[] = "설치 중 오류가 발생하여 설치를 마치지 못했습니다.";

std::string FaultText(TInstallFault fault) {
    switch (fault) {
        case ifNone:
        case ifUnexpected: return std::string();
        case ifArchiveDamaged: return "압축 파일이 손상되었습니다.";
        case ifArchiveEncrypted: return "암호가 걸린 압축 파일은 설치할 수 없습니다.";
        case ifVolumeMissing: return "분할 압축 파일의 다음 볼륨을 찾을 수 없습니다.";
        case ifEntryRefused: return "압축 파일에 설치할 수 없는 파일이 들어 있습니다.";
        case ifSourceUnreadable: return "파일을 읽을 수 없습니다. 디스켓이나 CD가 손상되었을 수 있습니다.";
        case ifSourceMissing:
            return "설치할 파일이 없습니다. 다음 디스켓을 물어볼 수 없는 조용한 설치입니다.";
        case ifCannotWrite:
            return "이 위치에 쓸 수 없습니다. 읽기 전용이거나 다른 프로그램이 사용하고 있습니다.";
        case ifDiskFull: return "디스크에 쓸 수 없습니다. 디스크 공간이 부족한지 확인하세요.";
        case ifShortcutFailed: return "바로 가기를 만들 수 없습니다.";
        case ifRegistryFailed: return "레지스트리에 프로그램 제거 정보를 기록할 수 없습니다.";
        case ifOutOfMemory: return "메모리가 부족합니다.";
        case ifPathTooLong: return "경로가 너무 깁니다. 더 짧은 설치 디렉토리를 고르세요.";
        case ifEarlierRunLeft:
            return "이전에 중단된 설치를 되돌리지 못했습니다. 위의 파일을 확인한 후 다시 설치하세요.";
    }
    return std::string();
}

const char* FaultName(TInstallFault fault) {
    switch (fault) {
        case ifNone: return "none";
        case ifArchiveDamaged: return "archive damaged";
        case ifArchiveEncrypted: return "archive needs a password";
        case ifVolumeMissing: return "next volume missing";
        case ifEntryRefused: return "entry refused (unsafe name, link, or a name the code page cannot spell)";
        case ifSourceUnreadable: return "cannot read";
        case ifSourceMissing: return "file missing, no one to ask for the next diskette";
        case ifCannotWrite: return "cannot write (read-only, in use or denied)";
        case ifDiskFull: return "disk full";
        case ifShortcutFailed: return "shortcut not saved";
        case ifRegistryFailed: return "uninstall entry not written";
        case ifOutOfMemory: return "out of memory";
        case ifPathTooLong: return "path too long";
        case ifEarlierRunLeft: return "an earlier run stopped before its end could not be undone";
        case ifUnexpected: return "unexpected error";
    }
    return "unexpected error";
}

std::string RunEndLogText(const TInstallOutcome& o) {
    std::string text = FaultName(o.Fault);
    if (o.Item > 0) text += ", item " + std::to_string(o.Item);
    if (!o.Subject.empty()) text += ": " + o.Subject;
    return text;
}

std::string RunEndText(const TInstallOutcome& o) {
    std::string text;
    if (o.Status == rsCancelled) {
        text = kCancelledText;
    } else if (o.Status == rsFailed) {
        text = kFailedText;
        const std::string reason = FaultText(o.Fault);
        if (!o.Subject.empty() || !reason.empty()) text += "\r\n\r\n" + o.Subject;
        if (!reason.empty()) text += (o.Subject.empty() ? "" : "\r\n") + reason;
    } else {
        return std::string();
    }
    if (!o.NotRestored.empty())
        text += "\r\n\r\n설치하기 전의 상태로 모두 되돌리지 못했습니다. 다음 파일을 확인하세요.\r\n" +
                o.NotRestored;
    else if (o.Status == rsFailed)
        text += "\r\n\r\n설치하던 파일은 지우고 설치하기 전의 상태로 되돌렸습니다.";
    return text;
}

std::string InstallDirText(TDirCheck check, const std::string& dir) {
    switch (check) {
        case dcValid: return std::string();
        case dcEmpty: return "설치할 디렉토리를 입력하세요.";
        case dcNotAbsolute:
            return dir +
                   "\r\n\r\n설치할 디렉토리는 드라이브 문자를 포함한 전체 경로로 입력하세요.\r\n(예: "
                   "C:\\Program Files)";
        case dcBadCharacter:
            return dir + "\r\n\r\n디렉토리 이름에는 다음 문자를 쓸 수 없습니다.\r\n< > : \" / | ? *";
        case dcNoSuchDrive: return dir + "\r\n\r\n" + dir.substr(0, 2) + " 드라이브가 없습니다.";
        case dcTooLong:
            return dir + "\r\n\r\n경로가 너무 깁니다. 설치할 디렉토리는 " + std::to_string(kInstallDirMax) +
                   "바이트 이하로 입력하세요.";
    }
    return std::string();
}

std::string AlreadyRunningText(const std::string& name) {
    return name + " 설치가 이미 실행 중입니다.  그 설치가 끝난 뒤 다시 실행 하십시오.";
}
