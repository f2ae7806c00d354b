// Plans a distribution from a product folder and its setup script: which file
// of the product becomes which file of the distribution, on which diskette.
// Planning is pure (tested natively); mkdist.cpp carries the plan out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SetupScript.h"

struct DistFile {
    enum Kind { KitFile, Script, RarFromFolder, CopyFile };
    Kind kind;
    std::string source;  // path in the product or kit folder
    std::string name;    // file name in the distribution (as the script spells it)
    uint64_t size;       // bytes it will take (estimate for archives to be made)
    int disk;            // 1-based diskette number
    bool extracted = false;  // an archive that setup extracts (its names matter)
};

// What the planner needs to know of the file system, so tests can fake it.
struct ProductFolder {
    // Path of the entry named (ASCII case ignored) in the product folder, or "".
    virtual std::string Find(const std::string& name) const = 0;
    virtual bool IsDirectory(const std::string& path) const = 0;
    virtual uint64_t Size(const std::string& path) const = 0;  // a folder: all its files
    virtual ~ProductFolder() = default;
};

struct DistPlan {
    std::vector<DistFile> files;
    int disks = 1;
    std::string error;  // non-empty: the plan cannot be made; says why
};

// kitFiles: setup.exe, UNRAR.DLL, VlUnInst.exe and the like, always on disk 1
// together with the script. diskSize 0 means one folder without diskettes.
DistPlan PlanDistribution(const TSetupScript& script, const ProductFolder& product,
                          const std::vector<DistFile>& kitFiles, uint64_t scriptSize, uint64_t diskSize);
