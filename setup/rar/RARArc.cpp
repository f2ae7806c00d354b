#include "RARArc.h"

#include <sys/stat.h>

#include <cstring>
#include <memory>

#include "KitText.h"

TRAR* ActiveRAR = nullptr;

namespace {

#if defined(_WIN32)
#define RARARC_CALLBACK __stdcall
const char PathDelim = '\\';
#else
#define RARARC_CALLBACK
const char PathDelim = '/';
#endif

// One byte short of the buffer, so that a comment that fills the library's
// share still ends in a zero.
const unsigned CmtBufSize = 0xFFFF;

// A regular file only: an existing directory of the same name does not keep
// its entry from being extracted.
bool FileExists(const std::string& path) {
#if defined(_WIN32)
    struct _stat64 st;
    return _stat64(path.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

int RARARC_CALLBACK ProcessDataProc(unsigned char* Addr, int Size) {
    TRAR* rar = ActiveRAR;
    if (!rar) return 1;
    // Unsigned, so that a block past 2 GiB wraps instead of overflowing.
    rar->ProcessedBytes = int32_t(uint32_t(rar->ProcessedBytes) + uint32_t(Size));
    // A handler withdrawn during the run lets the entry go on.
    if (!rar->OnProcessData) return 1;
    return rar->OnProcessData(rar, Addr, Size, rar->ProcessedBytes);
}

int RARARC_CALLBACK ChangeVolProc(char* ArcName, int Mode) {
    TRAR* rar = ActiveRAR;
    // Without a handler, answer as if none had been registered: a volume that
    // is not there cannot be supplied, one that was opened is fine.
    if (!rar || !rar->OnVolumeChange) return Mode == RAR_VOL_NOTIFY ? 1 : 0;
    return rar->OnVolumeChange(rar, ArcName, Mode);
}

}  // namespace

TRAR::TRAR() = default;

TRAR::~TRAR() {
    // The library's callbacks must not find a destroyed component.
    if (ActiveRAR == this) ActiveRAR = nullptr;
}

bool RARNameSelected(const TStringList& list, const std::string& entryName) {
    // An empty name is found in no string, as a substring search would have it
    // in the system's own string routines.
    if (entryName.empty()) return false;
    std::string name = UpperAscii(entryName);
    for (const std::string& s : list)
        if (UpperAscii(s).find(name) != std::string::npos) return true;
    return false;
}

bool TRAR::ExtractArchive(const std::string& archive, const std::string& targetDir, bool failIfExists) {
    ArchiveName = archive;
    TargetDir = targetDir;
    FailifExists = failIfExists;
    return Extract();
}

bool TRAR::Extract() { return Run(TRun::Extract); }

bool TRAR::List() { return Run(TRun::List); }

bool TRAR::Test() { return Run(TRun::Test); }

void TRAR::Error(int32_t code) {
    if (OnError) OnError(this, code);
}

bool TRAR::Run(TRun mode) {
    if (ArchiveName.empty()) {
        Error(ERAR_BAD_ARCHIVE);
        return false;
    }
    ActiveRAR = this;

    bool result = true;
    auto comment = std::make_unique<TComment>();  // zero-filled
    std::string arcName = ArchiveName;
    RAROpenArchiveData open = {};
    open.ArcName = &arcName[0];
    open.OpenMode = mode == TRun::List ? RAR_OM_LIST : RAR_OM_EXTRACT;
    open.CmtBuf = comment->CmtBuf;
    open.CmtBufSize = CmtBufSize;
    void* arc = RAROpenArchive(&open);
    comment->CmtSize = int32_t(open.CmtSize);

    // The run's own copy: a handler may change TargetDir while the library
    // still holds the path.
    std::string destPath = TargetDir;
    char* dest = destPath.empty() ? nullptr : &destPath[0];

    if (open.OpenResult != 0 || !arc) {
        if (arc) RARCloseArchive(arc);
        Error(open.OpenResult != 0 ? int32_t(open.OpenResult) : ERAR_UNKNOWN);
        return false;
    }
    if (open.CmtState == 1 && OnComment) OnComment(this, *comment);
    if (OnVolumeChange) RARSetChangeVolProc(arc, ChangeVolProc);

    RARHeaderData header = {};
    header.CmtBuf = comment->CmtBuf;
    header.CmtBufSize = CmtBufSize;
    if (OnProcessData) RARSetProcessDataProc(arc, ProcessDataProc);

    std::string password;
    // Ends the run on a failed skip or on a failure after which the library
    // cannot go on.
    auto fail = [&](int code) {
        Error(code);
        RARCloseArchive(arc);
        return false;
    };

    int code;
    while ((code = RARReadHeader(arc, &header)) == ERAR_SUCCESS) {
        std::string name(header.FileName, strnlen(header.FileName, sizeof header.FileName));
        if (Stop) {
            Stop = false;
            RARCloseArchive(arc);
            return result;
        }

        bool selected;
        if (mode == TRun::List) {
            if (OnListFile) OnListFile(this, header);
            selected = false;
        } else if (mode == TRun::Extract && FailifExists &&
                   FileExists(destPath.empty() ? name : destPath + PathDelim + name)) {
            selected = false;
        } else {
            const TStringList& names = mode == TRun::Extract ? FilesToExtract : FilesToTest;
            selected = names.empty() || RARNameSelected(names, name);
        }

        if (!selected) {
            int skip = RARProcessFile(arc, RAR_SKIP, dest, nullptr);
            if (skip != 0) return fail(skip);
            continue;
        }

        if (mode == TRun::Extract && OnExtracting) OnExtracting(this, header);
        if (mode == TRun::Test && OnTesting) OnTesting(this, header);
        ProcessedBytes = 0;
        if ((header.Flags & RHDF_ENCRYPTED) && OnReqPassword) {
            OnReqPassword(this, header, password);
            if (!password.empty()) RARSetPassword(arc, &password[0]);
        }
        int done = RARProcessFile(arc, mode == TRun::Extract ? RAR_EXTRACT : RAR_TEST, dest, nullptr);
        if (mode == TRun::Extract && OnExtract) OnExtract(this, header, done == 0);
        if (mode == TRun::Test && OnTested) OnTested(this, header, done == 0);
        if (done != 0) {
            result = false;
            // A file that cannot be created or fails its check spoils only
            // itself; the archive can still be read on.
            if (done != ERAR_ECREATE && done != ERAR_BAD_DATA) return fail(done);
            Error(done);
        }
    }

    // Anything but the normal end means entries were never reached: a broken
    // header, a missing volume, a truncated file.
    if (code != ERAR_END_ARCHIVE) {
        result = false;
        Error(code);
    }
    RARCloseArchive(arc);
    return result;
}
