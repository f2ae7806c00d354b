#include "ExtractPass.h"

#include "Crc32.h"
#include "NameRule.h"
#include "PathText.h"

// Counts the data bytes the decoders take, for the progress bar.
struct CountingSource {
    ByteSource base;
    ByteSource* inner;
    PassHost* host;
    uint32_t done;
    uint32_t total;
    uint32_t reported;
};

static uint32_t CountingRead(ByteSource* self, void* buffer, uint32_t size) {
    CountingSource* s = (CountingSource*)self;
    uint32_t got = s->inner->Read(s->inner, buffer, size);
    s->done += got;
    // Whole percent steps are enough; a redraw per chunk would cost more
    // than the decoding.
    if (s->total && (uint64_t)(s->done - s->reported) * 100 >= s->total) {
        s->reported = s->done;
        s->host->user.Progress(s->host, s->done < s->total ? s->done : s->total, s->total);
    }
    return got;
}

static int64_t CountingSeek(ByteSource* self, uint32_t offset) {
    CountingSource* s = (CountingSource*)self;
    return s->inner->Seek(s->inner, offset);
}

// The name as this pass uses it: stored, or only its file-name part when
// "Use Stored Paths" is off.
static void EffectiveName(PassHost* host, const ArchiveWalk* walk, char* out) {
    if (host->user.StoredPaths(host))
        CopyText(out, kNameBufferSize, walk->name);
    else
        NamePart(walk->name, out, kNameBufferSize);
}

// Selected entries, by the same lookup the extract pass makes, and the sum
// of their data sizes.
static uint32_t SelectedBytes(PassHost* host, ByteSource* source, uint32_t archiveStart) {
    static ArchiveWalk walk;
    char name[kNameBufferSize];
    uint64_t total = 0;
    int last = -1;
    if (WalkStart(&walk, source, archiveStart) == WalkSeekFailed) return 0;
    while (WalkNext(&walk) == WalkEntry) {
        EffectiveName(host, &walk, name);
        if (!name[0]) continue;
        last = host->list.Find(host, name, last);
        if (last >= 0 && host->list.Selected(host, last) && walk.header.compressedSize > 0)
            total += (uint32_t)walk.header.compressedSize;
    }
    return total > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)total;
}

enum EntryOutcome { EntryNext, EntryEndLoop, EntryEndPass };

struct ExtractState {
    PassHost* host;
    PassSettings* settings;
    DecodeWorkspace* work;
    CountingSource counter;
    int lastIndex;
    bool passwordRefused;
    bool warnedUnsafe;
};

static EntryOutcome ExtractEntry(ExtractState* st, ArchiveWalk* walk, const char* name) {
    PassHost* host = st->host;
    PassSettings* settings = st->settings;

    int index = host->list.Find(host, name, st->lastIndex);
    st->lastIndex = index;
    if (index < 0 || !host->list.Selected(host, index)) return EntryNext;

    // Refused before the password is asked: nothing of it will be written.
    if (!IsConfinedName(name)) {
        if (!st->warnedUnsafe) host->user.Notice(host, NoticeUnsafeName, name);
        st->warnedUnsafe = true;
        return EntryNext;
    }

    EntryInput in;
    in.source = &st->counter.base;
    in.remaining = walk->header.compressedSize;
    in.encrypted = (walk->header.flags & kFlagEncrypted) != 0;
    if (in.encrypted && !ObtainPassword(&walk->header, &in, &settings->password, host->prompt)) {
        st->passwordRefused = true;
        return EntryEndLoop;
    }

    char target[kPathCapacity + kNameBufferSize + 1];
    AppendMissingBackslash(settings->extractPath, sizeof settings->extractPath);
    CopyText(target, sizeof target, settings->extractPath);
    // A 255-character path has no room for its '\' in its own buffer; the
    // target always gets one, or the name would run into the folder's name.
    AppendMissingBackslash(target, sizeof target);
    int nameAt = TextLength(target);
    AppendText(target, sizeof target, name);
    ToBackslashes(target + nameAt);

    if (host->files.PathFound(host, target)) {
        if (settings->overwriteMode == OverwriteSkip) {
            host->list.Deselect(host, index);
            return EntryNext;
        }
        if (settings->overwriteMode == OverwriteConfirm) {
            char fileName[kPathCapacity];
            NamePart(target, fileName, sizeof fileName);
            if (!host->user.AskOverwrite(host, fileName)) {
                host->list.Deselect(host, index);
                return EntryNext;
            }
        }
    } else {
        char folder[sizeof target];
        DirectoryPart(target, folder, sizeof folder);
        host->files.MakeDirectoryTree(host, folder);
        if (!host->files.PathFound(host, folder)) {
            host->user.Notice(host, NoticeFolderFailed, folder);
            return EntryEndLoop;
        }
    }

    ByteSink* out = host->files.CreateOutput(host, target);
    if (!out) {
        host->user.Notice(host, NoticeCreateFailed, target);
        return EntryNext;
    }

    host->user.Status(host, StatusExtracting, target);
    uint32_t crc = kCrcInitial;
    const EntryHeader& h = walk->header;
    DecodeStatus status =
        DecodeEntry(&h, &in, settings->password.text, settings->password.length, out, &crc, st->work);
    if (status == DecodeUnsupportedMethod) {
        host->files.FinishOutput(host, out, target, h.dosDateTime, false);
        host->user.Notice(host, NoticeUnsupportedMethod, 0);
        return EntryEndPass;
    }
    // A refused or cut-off write is a failure whatever the CRC of the part
    // written. Only a verified file replaces anything, and only a file in
    // place counts as extracted.
    bool verified = status != DecodeWriteFailed && status != DecodeTooLong && CrcMatches(h.crc, crc);
    if (!host->files.FinishOutput(host, out, target, h.dosDateTime, verified)) {
        host->user.Notice(host, NoticeCloseFailed, target);
    } else if (verified) {
        host->list.Deselect(host, index);
    }
    return EntryNext;
}

static PassOutcome Summarize(PassHost* host, bool cancelled) {
    if (host->list.SelectedCount(host) == 0) {
        host->user.Status(host, StatusAllPassed, 0);
        return PassAllPassed;
    }
    host->user.Status(host, cancelled ? StatusCancelled : StatusFailed, 0);
    // The status line alone lies outside the dialog's visible part, so a
    // failure would otherwise go unseen.
    host->user.Notice(host, NoticeFailures, 0);
    return cancelled ? PassCancelled : PassFailed;
}

// The steps of a pass are apart for the reader and one body in the stub,
// whose code has no room for the calls between them.
#define PASS_STEP static inline __attribute__((always_inline))

// The next entry and the name the pass uses for it. At the end, where the
// walk stopped; anything but an entry or the end is a bad name, said so.
PASS_STEP WalkStatus NextEntry(PassHost* host, ArchiveWalk* walk, PassSettings* settings, char* name) {
    WalkStatus ws = WalkNext(walk);
    if (ws == WalkEntry)
        EffectiveName(host, walk, name);
    else if (ws == WalkEnd)
        settings->walkEnd = (uint32_t)walk->entryPosition;  // never past 4 GiB
    else
        host->user.Notice(host, NoticeBadName, 0);
    return ws;
}

// Fills the list with every name that has a file part.
PASS_STEP PassOutcome ListEntries(PassHost* host, ArchiveWalk* walk, PassSettings* settings) {
    char name[kNameBufferSize];
    WalkStatus ws;
    host->list.Reset(host);
    while ((ws = NextEntry(host, walk, settings, name)) == WalkEntry) {
        char filePart[kPathCapacity];
        if (NamePart(name, filePart, sizeof filePart) > 0) host->list.Add(host, name);
    }
    if (ws != WalkEnd) return PassUnreadable;
    PassOutcome outcome = PassListed;
    if (host->list.Count(host) == 0) {
        host->user.Notice(host, NoticeNoEntries, 0);
        outcome = PassNoEntries;
    }
    if (!walk->hasPaths) host->user.NoStoredPaths(host);
    return outcome;
}

// Extracts the selected entries until the end, a stop or the user's cancel.
PASS_STEP PassOutcome ExtractEntries(ExtractState* st, ArchiveWalk* walk) {
    PassHost* host = st->host;
    char name[kNameBufferSize];
    WalkStatus ws;
    bool cancelled = false;
    host->user.Progress(host, 0, st->counter.total);
    while ((ws = NextEntry(host, walk, st->settings, name)) == WalkEntry) {
        if (!name[0]) continue;
        EntryOutcome entry = ExtractEntry(st, walk, name);
        if (entry == EntryEndPass) return PassUnsupportedMethod;
        if (entry == EntryEndLoop) break;
        if (host->user.Cancelled(host)) {
            cancelled = true;
            break;
        }
    }
    if (ws != WalkEntry && ws != WalkEnd) return PassUnreadable;
    PassOutcome outcome = st->passwordRefused ? PassPasswordRefused : Summarize(host, cancelled);
    if (ws == WalkEnd && !walk->hasPaths) host->user.NoStoredPaths(host);
    return outcome;
}

PassOutcome ProcessArchive(PassHost* host, ByteSource* source, PassSettings* settings, bool listOnly,
                           DecodeWorkspace* work) {
    static ArchiveWalk walk;
    static ExtractState st;

    if (!listOnly && host->list.SelectedCount(host) == 0) {
        host->user.Status(host, StatusNothingSelected, 0);
        host->user.Notice(host, NoticeNothingSelected, 0);
        return PassNothingSelected;
    }

    st.host = host;
    st.settings = settings;
    st.work = work;
    st.lastIndex = -1;
    st.passwordRefused = false;
    st.warnedUnsafe = false;
    st.counter.base.Read = CountingRead;
    st.counter.base.Seek = CountingSeek;
    st.counter.inner = source;
    st.counter.host = host;
    st.counter.done = 0;
    st.counter.reported = 0;
    st.counter.total = listOnly ? 0 : SelectedBytes(host, source, settings->archiveStart);

    if (WalkStart(&walk, source, settings->archiveStart) == WalkSeekFailed) {
        host->user.Notice(host, NoticeSeekFailed, 0);
        return PassUnreadable;
    }
    return listOnly ? ListEntries(host, &walk, settings) : ExtractEntries(&st, &walk);
}
