// TRAR: extracts one RAR archive into a directory through the UnRAR library
// and reports each entry and each unpacked block through events. It shows no
// window and no message; every outcome reaches the owner through the Boolean
// result of Extract/ExtractArchive and the events.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>

// The library's header expects the Windows basic types to exist already. On
// Windows they are declared here exactly as the system headers declare them,
// so <windows.h> may come before or after this file. Elsewhere the header
// brings its own stand-ins as macros, which are withdrawn again so that they
// do not leak into every file that uses the component.
#if defined(_WIN32)
#ifndef CALLBACK
#define CALLBACK __stdcall
#endif
#ifndef PASCAL
#define PASCAL __stdcall
#endif
typedef void* HANDLE;
typedef unsigned int UINT;
#ifdef _WIN64
typedef long long LPARAM;
#else
typedef long LPARAM;
#endif
#include <unrar/dll.hpp>
#else
#ifndef _UNIX
#define _UNIX
#define RARARC_DEFINED_UNIX
#endif
#include <unrar/dll.hpp>
#undef CALLBACK
#undef PASCAL
#undef LONG
#undef HANDLE
#undef LPARAM
#undef UINT
#ifdef RARARC_DEFINED_UNIX
#undef _UNIX
#undef RARARC_DEFINED_UNIX
#endif
#endif

class TRAR;

// The component's own code for an entry that it refuses to extract: one whose
// stored name could reach outside the target directory (absolute, with a
// drive, UNC, with a ".." component, with a ':' stream or drive separator, or
// naming a device such as CON or COM1.TXT), or one that is a link or a file
// redirection (symbolic link, junction, hard link, file copy). Nothing is
// written for it; it fails like an entry whose file cannot be created, and
// the run goes on. Likewise an entry whose Unicode name has no exact spelling
// in the ANSI code page (NameExact). The library's own codes are all below it.
const int32_t kRarRefusedEntry = 100;

// The archive comment as the library reported it at open time. CmtSize is the
// library's CmtSize (it counts the terminating zero); the buffer is one byte
// larger than the library is allowed to fill, so the text is always
// zero-terminated.
struct TComment {
    int32_t CmtSize;
    char CmtBuf[65536];
};

// Names that select entries. Sorted, and a name given twice is held once.
using TStringList = std::set<std::string>;

// Events. Sender is always the component itself; an event is raised only when
// it is assigned. The results of TChangeVolProcN and TProcessDataProcN go back
// to the library unchanged: 0 refuses a volume or cancels the entry (whose
// extraction then fails with ERAR_UNKNOWN, which ends the run).
using TChangeVolProcN = std::function<int32_t(TRAR* Sender, char* ArcName, int32_t Mode)>;
using TProcessDataProcN =
    std::function<int32_t(TRAR* Sender, unsigned char* Addr, int32_t BlockSize, int32_t Position)>;
using TErrorProc = std::function<void(TRAR* Sender, int32_t Error)>;
using TCommentProc = std::function<void(TRAR* Sender, TComment& Comment)>;
using TListFileProc = std::function<void(TRAR* Sender, RARHeaderData& ListedFile)>;
using TFileBeingExtracted = std::function<void(TRAR* Sender, RARHeaderData& eFile)>;
using TFileExtracted = std::function<void(TRAR* Sender, RARHeaderData& eFile, bool Result)>;
using TFileBeingTested = std::function<void(TRAR* Sender, RARHeaderData& eFile)>;
using TFileTested = std::function<void(TRAR* Sender, RARHeaderData& eFile, bool Result)>;
using TReqPassword = std::function<void(TRAR* Sender, RARHeaderData& eFile, std::string& Password)>;

class TRAR {
public:
    TRAR();
    ~TRAR();
    TRAR(const TRAR&) = delete;
    TRAR& operator=(const TRAR&) = delete;

    // Stores the three arguments into ArchiveName, TargetDir and FailifExists,
    // then runs Extract.
    bool ExtractArchive(const std::string& archive, const std::string& targetDir, bool failIfExists);

    // One extraction run with the current properties. True when the run met no
    // failure: every selected entry was extracted and the archive was read to
    // its end (or to a Stop request). Each failure is also raised through
    // OnError with the library's code (13 for an empty ArchiveName,
    // kRarRefusedEntry for a selected entry that may not be written). A
    // refused entry raises OnExtract(false) and OnError, never OnExtracting.
    bool Extract();

    // Walks the archive without writing anything: raises OnListFile for every
    // entry. False (with OnError) when the archive cannot be read to its end.
    bool List();

    // Tests the entries that FilesToTest selects (every entry when it is
    // empty): OnTesting, then the library's test, then OnTested with the
    // outcome. Failures go as in Extract.
    bool Test();

    std::string Name;
    intptr_t Tag = 0;

    // What the owner sets before a run, and the events it hears: read by each
    // run, never changed by it (Stop excepted, which an event may set).
    std::string ArchiveName;
    TStringList FilesToExtract;
    TStringList FilesToTest;
    std::string TargetDir;
    bool Stop = false;
    bool FailifExists = false;
    TProcessDataProcN OnProcessData;
    TChangeVolProcN OnVolumeChange;
    TErrorProc OnError;
    TCommentProc OnComment;
    TListFileProc OnListFile;
    TFileBeingExtracted OnExtracting;
    TFileExtracted OnExtract;
    TFileBeingTested OnTesting;
    TFileTested OnTested;
    TReqPassword OnReqPassword;

    // Unpacked bytes delivered so far for the entry being extracted. Signed
    // 32-bit like Position; it wraps past 2 GiB.
    int32_t ProcessedBytes = 0;

    // False while the entry in hand (the one the events report) has a stored
    // Unicode name with no exact spelling in the ANSI code page: its FileName
    // then shows each such character as '?', and Extract refuses the entry
    // (kRarRefusedEntry), since it could not be named in a log or checked
    // against the files already there.
    bool NameExact = true;

private:
    enum class TRun { Extract, List, Test };
    bool Run(TRun mode);
    bool Takes(TRun mode, RARHeaderData& header, const RARHeaderDataEx& ex, const std::string& destPath,
               bool* result);
    void Error(int32_t code);
};

// The component whose run began last. The library's callbacks carry no user
// pointer, so they find their component here; one run at a time per process.
extern TRAR* ActiveRAR;

// True when an entry name is selected by the list: its upper-cased form
// (UpperAscii: Korean characters are left whole) occurs inside at least one
// upper-cased list string, starting at a character of it, never inside one.
bool RARNameSelected(const TStringList& list, const std::string& entryName);
