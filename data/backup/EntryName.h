// Names of the entries of a backup archive, judged before a single byte of
// the archive is unpacked.
//
// A backup names each entry by the bare file name of a table or memo file
// ("CLIENTI.DBF", "CLIENTI.DBT"). When it is read back, only such names are
// written into the data folder, in capitals. Everything else is either
// passed over quietly or makes the whole archive suspect:
//
//   name                                   verdict
//   CLIENTI.DBF, clienti.dbt               Restore, as CLIENTI.DBF, CLIENTI.DBT
//   CLIENTI.NTX, LEGGIMI.TXT, "DATI/"      Skip: not a table or memo file, or
//                                          a folder entry (it writes nothing)
//   "", control characters, "/x.DBF",      Refuse: a name no backup writes;
//   "\x.DBF", "C:x.DBF", "a/../x.DBF",     unpacking it as a folder path
//   "DATI/CLIENTI.DBF", "a\b.DBF"          could leave the data folder, and
//                                          taking only its last part could
//                                          mix the tables of two folders
//
// "/" and "\" both count as folder separators: archives written on Windows
// use either.
#pragma once

#include <string>
#include <string_view>

namespace drav::data {

enum class EntryVerdict { Restore, Skip, Refuse };

struct EntryJudgement {
    EntryVerdict verdict;
    std::string fileName;  // for Restore: the name to write, in capitals
};

EntryJudgement judgeEntryName(std::string_view rawName);

// A table or memo file name of the data folder: no folder, "*.DB?" (letter
// case ignored), printable ASCII only and none of the characters that a
// Windows station could not open (: * ? " < > |).
bool isTableFileName(std::string_view name);

}  // namespace drav::data
