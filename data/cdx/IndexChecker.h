// Checks one index file through and through and lists every problem found,
// one line each (empty: the file is sound). Used by the admin tool and the
// tests; it reads the file itself, page by page, and never ends the program,
// loops or crashes whatever the bytes.
//
// It checks: the file size; the directory and tag headers (offsets, key
// length, options, expression texts, the key expression's type against the
// key length, the condition's type); every page's layout (page type, key
// counts, leaf masks and bit counts, bytes per entry, duplicate and
// trailing counts, free bytes); key order within and across pages; interior
// entries against the last key of their child; sibling links level by level
// (a cycle shows as a broken link); equal depth of the leaves; pages reached
// twice; the free list (offsets, cycles, pages also in use, contents); pages
// that nothing reaches. Given the table's records, it also checks that the
// tag holds exactly one key for each record meeting its condition.
//
// It opens the file by itself, shared and read-only, and reads it under a
// read lock (waiting for a writer to finish): a file this process holds
// open exclusively, or under a write lock, must be closed or released first.
#pragma once

#include "data/RecordContext.h"
#include "data/expr/Expression.h"

#include <string>
#include <vector>

namespace drav::data {

class IndexChecker {
public:
    // fields: the table the file indexes (to type the key expression).
    // scan: when given, the tag's keys are compared with the records.
    // condition: evaluated instead of the stored condition (a view).
    static std::vector<std::string> check(const std::string& path, const RecordContext& fields,
                                          RecordScan* scan = nullptr,
                                          const Expression* condition = nullptr);
};

}  // namespace drav::data
