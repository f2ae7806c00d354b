#include "SilentRun.h"

#include "PathText.h"

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
static char Upper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }
static const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) ++p;
    return p;
}

// The longest token kept: "/D=" and a 255-character folder.
const int kTokenCapacity = 3 + kPathCapacity;

// One token from `p` with its quotes dropped, into `out`; returns where it
// ended. `length` is -1 when the token did not fit.
static const char* Token(const char* p, char* out, int* length) {
    bool quoted = false;
    int n = 0;
    for (; *p && (quoted || !IsBlank(*p)); ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (n >= 0 && n < kTokenCapacity - 1)
            out[n++] = *p;
        else
            n = -1;
    }
    out[n < 0 ? 0 : n] = 0;
    *length = n;
    return p;
}

CommandLineStatus ParseCommandLine(const char* p, SilentOptions* o) {
    FillZero(o, sizeof *o);
    o->arguments = "";
    char token[kTokenCapacity];
    int length;
    // The program's own name first, whatever its length.
    p = Token(SkipBlanks(p), token, &length);
    int seen = 0;  // 1 /S, 2 /D=, 4 /P=, 8 something wrong
    while (*(p = SkipBlanks(p))) {
        if (p[0] == '-' && p[1] == '-' && (!p[2] || IsBlank(p[2]))) {
            o->arguments = SkipBlanks(p + 2);
            break;
        }
        p = Token(p, token, &length);
        const char kind = token[0] == '/' ? Upper(token[1]) : 0;
        int bit = 8, capacity = 0;
        char* value = 0;
        if (kind == 'S' && length == 2)
            bit = 1;
        else if (kind == 'D' && token[2] == '=')
            bit = 2, value = o->folder, capacity = sizeof o->folder;
        else if (kind == 'P' && token[2] == '=')
            bit = 4, value = o->password.text, capacity = sizeof o->password.text;
        if (value && (length <= 3 || length - 3 >= capacity)) bit |= 8;
        seen |= (seen & bit) ? 8 : bit;
        if (value) CopyText(value, capacity, token + 3);
    }
    o->password.length = TextLength(o->password.text);
    if (!(seen & 1)) return CommandInteractive;
    return (seen & 8) ? CommandBad : CommandSilent;
}

// --- the host ----------------------------------------------------------------

static SilentHost* Of(PassHost* host) { return (SilentHost*)host; }

static void ResetList(PassHost* h) { Of(h)->lines = 0; }
static void AddLine(PassHost* h, const char*) { ++Of(h)->lines; }
static int LineCount(PassHost* h) { return Of(h)->lines; }
// Every entry the list pass counted is its own selected line; the line's
// number does not matter, since each entry is deselected at most once.
static int FindLine(PassHost*, const char* name, int) {
    char file[kPathCapacity];
    return NamePart(name, file, sizeof file) > 0 ? 0 : -1;
}
static bool LineSelected(PassHost*, int) { return true; }
static void DeselectLine(PassHost* h, int) { ++Of(h)->passed; }
static int SelectedCount(PassHost* h) {
    const int left = Of(h)->lines - Of(h)->passed;
    return left > 0 ? left : 0;
}
static bool StoredPaths(PassHost*) { return true; }
static void NoStoredPaths(PassHost*) {}
static void Notice(PassHost*, PassNotice, const char*) {}
static void Status(PassHost*, PassStatus, const char*) {}
static void Progress(PassHost*, uint32_t, uint32_t) {}
static bool Cancelled(PassHost*) { return false; }
static bool AskOverwrite(PassHost*, const char*) { return true; }
static int AskPassword(PasswordPrompt*, char*) { return 0; }

// Copied into the host rather than initialised in place: the stub keeps no
// initialised writable data, whose section it has no room for.
static const PassList kSilentList = {ResetList,    AddLine,      LineCount,    FindLine,
                                     LineSelected, DeselectLine, SelectedCount};
static const PassUser kSilentUser = {StoredPaths, NoStoredPaths, Notice,      Status,
                                     Progress,    Cancelled,     AskOverwrite};

void MakeSilentHost(SilentHost* h) {
    h->base.list = kSilentList;
    h->base.user = kSilentUser;
    h->prompt.Ask = AskPassword;
    h->base.prompt = &h->prompt;
    h->lines = 0;
    h->passed = 0;
}

SilentExit ExtractSilently(SilentHost* host, ByteSource* source, PassSettings* settings,
                           DecodeWorkspace* work, uint32_t archiveEnd) {
    settings->overwriteMode = OverwriteAlways;
    if (ProcessArchive(&host->base, source, settings, true, work) != PassListed ||
        (settings->walkEnd < archiveEnd && archiveEnd - settings->walkEnd >= kEntryHeaderSize))
        return SilentNoArchive;
    host->passed = 0;
    switch (ProcessArchive(&host->base, source, settings, false, work)) {
        case PassAllPassed: return SilentExtracted;
        case PassPasswordRefused: return SilentNeedsPassword;
        case PassUnreadable: return SilentNoArchive;
        default: return SilentExtractFailed;
    }
}

bool StagingPath(const char* base, uint32_t random, char* out, int capacity) {
    const char* kOwnName = "Setup";
    int n = TextLength(base);
    if (n >= capacity) return false;
    CopyText(out, capacity, base);
    while (n > 0 && IsSlash(out[n - 1])) --n;
    out[n] = 0;
    if (n == 0 || out[n - 1] == ':') {
        if (base[n]) out[n++] = '\\';
        out[n] = 0;
        if (n + 5 >= capacity) return false;
        n = AppendText(out, capacity, kOwnName);
    }
    if (n + 9 >= capacity) return false;
    out[n++] = '.';
    for (int shift = 28; shift >= 0; shift -= 4) out[n++] = "0123456789abcdef"[(random >> shift) & 15];
    out[n] = 0;
    return true;
}

bool StagingAcl(const char* userSid, char* out, int capacity) {
    CopyText(out, capacity, "D:P(A;OICI;FA;;;");
    AppendText(out, capacity, userSid);
    const char* kRest = ")(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
    return AppendText(out, capacity, kRest) == 16 + TextLength(userSid) + TextLength(kRest);
}

bool IsSystemSid(const char* sid) {
    const char* kSystem = "S-1-5-18";
    int i = 0;
    while (kSystem[i] && sid[i] == kSystem[i]) ++i;
    return !kSystem[i] && !sid[i];
}
