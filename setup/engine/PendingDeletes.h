#pragma once
// Deletions that Windows was asked to make at its next start (an uninstall
// that met files in use asks for them). A reinstall before that start would
// lose the files it writes at those paths, so setup withdraws each request
// for a path it writes, and a rollback puts them back. Portable: the lists'
// text only; the engine reads and writes them.

#include <set>
#include <string>
#include <vector>

// The NT list (PendingFileRenameOperations): strings, each ending in a zero,
// in pairs of source and target, where an empty target means delete. Drops
// the deletions of the paths in `upper` (full paths, upper case, compared
// without the list's "\??\" prefix), adding their sources as stored to
// `withdrawn`; renames and other deletions stay as they are.
std::string PendingListWithout(const std::string& list, const std::set<std::string>& upper,
                               std::vector<std::string>* withdrawn);
// The list with the deletions of `sources` (as PendingListWithout gave them) added back.
std::string PendingListWith(const std::string& list, const std::vector<std::string>& sources);

// The same for the 95/98 family's wininit.ini: its "NUL=path" lines of the
// [rename] section; `withdrawn` gets the paths as written.
std::string WininitWithout(const std::string& text, const std::set<std::string>& upper,
                           std::vector<std::string>* withdrawn);
std::string WininitWith(const std::string& text, const std::vector<std::string>& paths);

// The sources of the deletions in the NT list, and the paths of wininit.ini's.
std::vector<std::string> PendingDeletions(const std::string& list);
std::vector<std::string> WininitDeletions(const std::string& text);

// The upper-cased full path that a stored source names ("\??\C:\a" is "C:\A").
std::string PendingPathKey(const std::string& source);
