#include "RARArc.h"

#include <sys/stat.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cstring>
#include <cwchar>
#include <memory>

#include "KitText.h"
#include "NameRule.h"

TRAR* ActiveRAR = nullptr;

namespace {

#if defined(_WIN32)
#define RARARC_CALLBACK __stdcall
const char kPathDelim = '\\';
#else
#define RARARC_CALLBACK
const char kPathDelim = '/';
#endif

// One byte short of the buffer, so that a comment that fills the library's
// share still ends in a zero.
const unsigned kCmtBufSize = 0xFFFF;

// The library's host systems and the attribute bits that mark a link made
// before links had a header record of their own.
const unsigned kHostMsdos = 0;
const unsigned kHostWin32 = 2;
const unsigned kHostUnix = 3;
const unsigned kUnixFileType = 0xF000;
const unsigned kUnixSymlink = 0xA000;
const unsigned kWinReparsePoint = 0x400;

// Whether an entry may be written at all. The full names of the extended
// record are checked, in both forms: the library writes by the wide one, the
// owner sees the narrow one.
bool EntryConfined(const RARHeaderDataEx& h) {
    if (h.RedirType != 0) return false;
    if (h.HostOS == kHostUnix && (h.FileAttr & kUnixFileType) == kUnixSymlink) return false;
    if ((h.HostOS == kHostMsdos || h.HostOS == kHostWin32) && (h.FileAttr & kWinReparsePoint)) return false;
    return IsConfinedName(h.FileName, strnlen(h.FileName, sizeof h.FileName)) &&
           IsConfinedName(h.FileNameW, wcsnlen(h.FileNameW, sizeof h.FileNameW / sizeof(wchar_t)));
}

template <size_t N>
void CopyName(char (&to)[N], const char* from, size_t fromSize) {
    size_t n = strnlen(from, fromSize);
    if (n > N - 1) n = N - 1;
    memcpy(to, from, n);
    to[n] = 0;
}

// One character (a UTF-16 pair counts as one) in the ANSI code page, with no
// best-fit substitute; false when it has no spelling there. Elsewhere than
// Windows the code page is 949, as the kit's narrow text is.
bool SpellExactly(const wchar_t* ch, size_t n, std::string& out) {
    char bytes[16];
#if defined(_WIN32)
    BOOL defaulted = FALSE;
    int k = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, ch, int(n), bytes, sizeof bytes, nullptr,
                                &defaulted);
    if (k <= 0 || defaulted) return false;
    out.append(bytes, size_t(k));
    return true;
#else
    static iconv_t cd = iconv_open("CP949", "WCHAR_T");
    if (cd == iconv_t(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* from = reinterpret_cast<char*>(const_cast<wchar_t*>(ch));
    size_t fromLeft = n * sizeof(wchar_t);
    char* to = bytes;
    size_t toLeft = sizeof bytes;
    if (iconv(cd, &from, &fromLeft, &to, &toLeft) == size_t(-1) || fromLeft != 0) return false;
    out.append(bytes, size_t(to - bytes));
    return true;
#endif
}

// The stored Unicode name in the ANSI code page, character by character. The
// library's own narrow name is a best-fit guess ("é" becomes "e", the won
// sign a backslash), which can name another file than the one the library
// writes. False when a character has no spelling: `out` then shows it as '?'.
bool AnsiSpelling(const wchar_t* wide, size_t n, std::string& out) {
    out.clear();
    bool exact = true;
    for (size_t i = 0; i < n;) {
        const size_t len =
            (sizeof(wchar_t) == 2 && wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < n) ? 2 : 1;
        if (wide[i] == 0 || !SpellExactly(wide + i, len, out)) {
            out += '?';
            exact = false;
        }
        i += len;
    }
    return exact;
}

// The library keeps one error state for all its calls and clears it only
// when an archive is opened. Opening none (an empty name: no file is looked
// at) clears it, so that the next call reports its own outcome, as the
// library's calls did before version 7.
void ClearLibraryErrors() {
    RAROpenArchiveDataEx none;
    memset(&none, 0, sizeof none);
    char empty[1] = {0};
    none.ArcName = empty;
    none.OpenMode = RAR_OM_LIST;
    if (void* arc = RAROpenArchiveEx(&none)) RARCloseArchive(arc);
}

// What RARReadHeader does, done here so that the run sees the extended record
// as well: the full names and the link type that the short record lacks. The
// narrow names become the exact spelling of the wide one (`exact` false when
// it has none); an archive without wide names keeps its narrow ones.
int ReadHeader(void* arc, RARHeaderDataEx& ex, RARHeaderData& h, bool& exact) {
    memset(&ex, 0, sizeof ex);
    int code = RARReadHeaderEx(arc, &ex);
    // With a header it found (and filled: the archive's name is always
    // there) the library returns the error state of the whole run so far: an
    // earlier entry's failure or any warning, also returned by every later
    // call. That failure was reported with its entry; taken as the header's
    // own, it would end the run at the entry after each one. So the state is
    // cleared and the header taken as read. Damage of headers themselves is
    // still reported when the search for the next one ends.
    if (code != ERAR_SUCCESS && ex.ArcNameW[0] != 0) {
        ClearLibraryErrors();
        code = ERAR_SUCCESS;
    }
    exact = true;
    const size_t wideLength = wcsnlen(ex.FileNameW, sizeof ex.FileNameW / sizeof(wchar_t));
    std::string spelt;
    if (code == ERAR_SUCCESS && wideLength > 0) {
        exact = AnsiSpelling(ex.FileNameW, wideLength, spelt);
        CopyName(ex.FileName, spelt.c_str(), spelt.size());
    }
    CopyName(h.ArcName, ex.ArcName, sizeof ex.ArcName);
    CopyName(h.FileName, ex.FileName, sizeof ex.FileName);
    h.Flags = ex.Flags;
    h.PackSize = ex.PackSize;
    h.UnpSize = ex.UnpSize;
    h.HostOS = ex.HostOS;
    h.FileCRC = ex.FileCRC;
    h.FileTime = ex.FileTime;
    h.UnpVer = ex.UnpVer;
    h.Method = ex.Method;
    h.FileAttr = ex.FileAttr;
    h.CmtSize = 0;
    h.CmtState = 0;
    return code;
}

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
        if (FindText(UpperAscii(s), name) != std::string::npos) return true;
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

// Whether the run processes this entry, or skips it. A listing lists each
// and takes none; an extract or test takes the entries its list names, all
// when the list is empty. An extraction refuses a name that would leave the
// target folder (clearing `*result`) and, with FailifExists, skips an entry
// whose file is there.
bool TRAR::Takes(TRun mode, RARHeaderData& header, const RARHeaderDataEx& ex, const std::string& destPath,
                 bool* result) {
    if (mode == TRun::List) {
        if (OnListFile) OnListFile(this, header);
        return false;
    }
    std::string name(header.FileName, strnlen(header.FileName, sizeof header.FileName));
    const TStringList& names = mode == TRun::Extract ? FilesToExtract : FilesToTest;
    if (!names.empty() && !RARNameSelected(names, name)) return false;
    if (mode == TRun::Test) return true;
    // Refused before anything else looks at the name, so that an existing
    // file outside cannot make it a silent skip either.
    if (!NameExact || !EntryConfined(ex)) {
        *result = false;
        if (OnExtract) OnExtract(this, header, false);
        Error(kRarRefusedEntry);
        return false;
    }
    return !(FailifExists && FileExists(destPath.empty() ? name : destPath + kPathDelim + name));
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
    open.CmtBufSize = kCmtBufSize;
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
    auto ex = std::make_unique<RARHeaderDataEx>();
    header.CmtBuf = comment->CmtBuf;
    header.CmtBufSize = kCmtBufSize;
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
    while ((code = ReadHeader(arc, *ex, header, NameExact)) == ERAR_SUCCESS) {
        if (Stop) {
            Stop = false;
            RARCloseArchive(arc);
            return result;
        }

        if (!Takes(mode, header, *ex, destPath, &result)) {
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
