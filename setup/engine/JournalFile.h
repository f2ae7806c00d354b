// The journal's own file: what a run is about to change, written ahead of
// each change, so that a run killed half-way can be undone by the next.
//
// One record per line, in code page 949 bytes:
//   <number> TAB <kind> [TAB <field>]... TAB <check> LF
// Records are numbered from 0 without gaps; <check> is the first 8 hex
// digits of the SHA-256 of everything before its TAB. In a field, bytes
// below 0x20, '%' and 0x7F are written %XX. Kinds and their fields:
//   journal  version("1") title dir   always record 0: whose run it is
//   created  path                     a file the run makes where none was
//   kept     path backup              the file at path moves to backup
//   backups  folder                   a backup folder the run made
//   folder   path                     a folder the run makes or may make
//   key      key                      a registry key the run made
//   value    key name type data       a value as it was ("-" type: none)
//   restart  before after withdrawn   the restart list, before and after
//                                     the run withdrew deletions from it,
//                                     and those deletions, each ended by
//                                     a zero
//   done                              the run completed: only its backups
//                                     remain to be deleted
// A record that is torn (the run killed while writing it) or damaged ends
// the journal: what follows it is never read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TJournalRecord {
    std::string Kind;
    std::vector<std::string> Fields;
};

// The record's line, numbered n.
std::string JournalLine(uint32_t n, const TJournalRecord& record);

// The records of a journal's bytes, up to the first that is torn, damaged,
// out of order or of a kind or field count this version does not know.
// Record 0 is the header or nothing is read.
std::vector<TJournalRecord> ReadJournal(const std::string& bytes);

// The folder of the journals, in the system's folder.
extern const char kJournalFolderName[];

// The file name of the journal of a product installed into dir: the same
// for the same title and folder in any ASCII letter case.
std::string JournalName(const std::string& title, const std::string& dir);
