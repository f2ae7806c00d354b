// The registry keys an uninstall removes, each with its whole subtree.
#pragma once

#include <cstddef>

namespace uninst {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };

struct RemovedKey {
    RegRoot root;
    const char* key;
};

extern const RemovedKey kRemovedKeys[];
extern const size_t kRemovedKeyCount;

// Where setup writes the uninstall entries; the product's own is one of the
// list above, entries named otherwise are found by their command line.
extern const char kUninstallRoot[];

}  // namespace uninst
