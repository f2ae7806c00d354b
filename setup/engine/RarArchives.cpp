#include "RarArchives.h"

#include <cstring>

namespace {

std::string EntryName(const RARHeaderData& h) {
    return std::string(h.FileName, strnlen(h.FileName, sizeof h.FileName));
}

}  // namespace

TRarArchives::TRarArchives() {
    RAR1.OnExtracting = [this](TRAR*, RARHeaderData& eFile) {
        if (!events->Extracting(EntryName(eFile), eFile.UnpSize)) RAR1.Stop = true;
    };
    RAR1.OnProcessData = [this](TRAR*, unsigned char*, int, int position) {
        if (events->Progress(static_cast<uint32_t>(position))) return 1;
        RAR1.Stop = true;
        return 0;
    };
    RAR1.OnError = [this](TRAR*, int32_t code) { events->Error(code); };
    RAR1.OnExtract = [this](TRAR*, RARHeaderData& eFile, bool ok) {
        events->Extracted(EntryName(eFile), (eFile.Flags & RHDF_DIRECTORY) != 0, ok);
    };
    // Answers as the component does without a handler (a volume that is not
    // there cannot be supplied), telling which one was missing.
    RAR1.OnVolumeChange = [this](TRAR*, char* arcName, int32_t mode) {
        if (mode == RAR_VOL_NOTIFY) return 1;
        events->VolumeMissing(std::string(arcName, strnlen(arcName, 260)));
        return 0;
    };
}

bool TRarArchives::List(const std::string& archive, std::vector<TArchiveEntry>* entries,
                        TArchiveEvents& heard) {
    events = &heard;
    RAR1.ArchiveName = archive;
    RAR1.OnListFile = [entries](TRAR* rar, RARHeaderData& h) {
        TArchiveEntry e;
        e.Name = EntryName(h);
        e.Folder = (h.Flags & RHDF_DIRECTORY) != 0;
        e.Exact = rar->NameExact;
        entries->push_back(e);
    };
    const bool listed = RAR1.List();
    RAR1.OnListFile = nullptr;
    return listed;
}

bool TRarArchives::Extract(const std::string& archive, const std::string& dest, bool failIfExists,
                           TArchiveEvents& heard) {
    events = &heard;
    return RAR1.ExtractArchive(archive, dest, failIfExists);
}
