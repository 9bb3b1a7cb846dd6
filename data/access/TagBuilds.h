// Several tags of one table built from one reading of it. ordBuild reads
// the whole table for each tag; the maintenance instead feeds every tag of
// a table the records its pack goes over, so that the table is read once.
//
//   TagBuilds tags(table);                       // the table, open
//   tags.add("CORSE.NTX", key, condition);       // each tag, in the order they are written
//   table.file().pack([&](const RecordContext& r) { tags.feed(r); });
//   tags.finish();                               // the files written, opened as orders
//
// Each tag is built as ordBuild builds it: the same checks, made when it is
// added on the record current then (which the pack keeps as the first
// record), keys collected in a sorter of its own with its own 1 MiB runs,
// the file created (or emptied) and written only at finish, then opened
// with the table and made the controlling order.
//
// Failures go to the error handler and abandon, as ordBuild's do, and leave
// the files as a series of ordBuild would: a tag whose checks fail is
// reported by finish once the tags added before it are written, and the
// tags added after it are not built; a file that cannot be written stops
// finish there.
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace drav::data {

class IndexBuild;
class Table;

class TagBuilds {
public:
    explicit TagBuilds(Table& table);
    ~TagBuilds();
    TagBuilds(const TagBuilds&) = delete;
    TagBuilds& operator=(const TagBuilds&) = delete;

    // The tag of the file (tagFileName) with its key and the condition text
    // it stores and keeps ("" for none).
    void add(std::string_view tagFile, std::string_view keyText, std::string conditionText);
    // A record of the table, with the number it has when finish runs.
    void feed(const RecordContext& record);
    // Writes the files in the order they were added, record numbers sized
    // for the table's record count then.
    void finish();

private:
    struct Pending {
        std::string path;
        std::unique_ptr<IndexBuild> build;
    };

    Table& m_table;
    std::vector<Pending> m_builds;
    Status m_refused;  // the first tag whose checks failed; the ones after it are left out
};

}  // namespace drav::data
