// drav-admin check: every table, memo and index file of the schema found in
// a data folder, verified through and through.
//
// Tables: the header against the layout rules and the schema's fields, the
// file length against the record count, and every field of every record
// (numbers, blanks or asterisks in N fields; dates or blanks in D fields;
// valid letters in L fields; M pointers to a valid value inside the memo
// file, no two records sharing memo blocks, none in blocks listed as
// free). Memo files: the header, the block size, the free runs. Index
// files: everything IndexChecker checks, with the table's records, and the
// key and condition texts against the schema.
//
// Nothing here trusts a byte: a damaged file gives problem lines, never a
// crash, an endless loop or the end of the program. A file missing from the
// folder is not a problem (the start-up creates it), except a memo file
// whose table has memo fields.
#pragma once

#include <string>
#include <vector>

namespace drav::admin {

// One line per problem, each starting with the file's name; empty when the
// folder is sound.
std::vector<std::string> checkFolder(const std::string& dir);

}  // namespace drav::admin
