#include "Distribution.h"

#include "SetupText.h"

static bool EndsWithRar(const std::string& name) {
    return name.size() >= 4 && UpperAscii(name.substr(name.size() - 4)) == ".RAR";
}

DistPlan PlanDistribution(const TSetupScript& script, const ProductFolder& product,
                          const std::vector<DistFile>& kitFiles, uint64_t scriptSize, uint64_t diskSize) {
    DistPlan plan;
    uint64_t used = scriptSize;
    for (DistFile f : kitFiles) {
        f.disk = 1;
        used += f.size;
        plan.files.push_back(f);
    }
    plan.files.push_back({DistFile::Script, "", "SETUP.INI", scriptSize, 1});
    if (diskSize && used > diskSize) {
        plan.error = "setup's own files (" + std::to_string(used) +
                     " bytes) do not fit on the first diskette of " + std::to_string(diskSize) + " bytes";
        return plan;
    }
    int disk = 1;
    for (int n = 0; n < script.FileItemCount; ++n) {
        const TFileItem& item = script.FileItems[n];
        if (item.Source.empty()) continue;  // a gap in the numbering installs nothing
        bool seen = false;
        for (const DistFile& f : plan.files) seen |= UpperAscii(f.name) == UpperAscii(item.Source);
        if (seen) continue;
        if (item.Source.find_first_of("\\/:") != std::string::npos) {
            plan.error = "FILE" + std::to_string(n + 1) + " names \"" + item.Source +
                         "\": a source must be a plain file name beside setup";
            return plan;
        }
        DistFile f{DistFile::CopyFile, "", item.Source, 0, 0};
        std::string found = product.Find(item.Source);
        const bool wantsArchive =
            EndsWithRar(item.Source) && (item.Option.empty() || item.Option == "FAILIFEXISTS");
        if (found.empty() && wantsArchive) {
            // An archive is made from the folder of the same name without ".RAR".
            found = product.Find(item.Source.substr(0, item.Source.size() - 4));
            if (!found.empty() && product.IsDirectory(found))
                f.kind = DistFile::RarFromFolder;
            else
                found.clear();
        }
        if (found.empty() || (f.kind == DistFile::CopyFile && product.IsDirectory(found))) {
            plan.error = "FILE" + std::to_string(n + 1) + " names \"" + item.Source +
                         "\", but the product folder has no such file" +
                         (wantsArchive ? " and no folder \"" + item.Source.substr(0, item.Source.size() - 4) +
                                             "\" to make it from"
                                       : "");
            return plan;
        }
        f.source = found;
        f.size = product.Size(found);
        f.extracted = wantsArchive;
        if (diskSize) {
            if (f.size > diskSize) {
                plan.error = "\"" + item.Source + "\" (" + std::to_string(f.size) +
                             " bytes) does not fit on a diskette of " + std::to_string(diskSize) + " bytes";
                return plan;
            }
            if (used + f.size > diskSize) {
                ++disk;
                used = 0;
            }
            used += f.size;
        }
        f.disk = disk;
        plan.files.push_back(f);
    }
    plan.disks = disk;
    return plan;
}
