// The build of one tag file fed with the records by its caller: what
// IndexFile::create does apart from reading the table, so that one reading
// of a table can feed the builds of several tags (the maintenance feeds the
// tags of a table while it packs it).
//
//   std::unique_ptr<IndexBuild> b;
//   IndexBuild::prepare(path, currentRecord, options, recordCount, b);  // the checks
//   b->add(record) ...                      // every record, in physical order
//   b->finish(maxRecno, file);              // the file created (or emptied) and written
//
// prepare makes the checks of a new tag on the record current before the
// build (key type and length, texts, condition) and fails as create does;
// add keeps the record's key and number when the record meets the
// condition, in a sorter of its own (runs of options.runBytes, spilled to a
// temporary file when the keys do not fit in one); finish creates or
// empties the file and writes the directory, the tag header and the tree
// from the sorted keys. Nothing touches the file before finish: a build
// given up before it leaves the file as it was.
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"
#include "data/cdx/KeyMaker.h"
#include "data/cdx/KeySorter.h"
#include "data/expr/Expression.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace drav::data {

class IndexFile;
struct IndexBuildOptions;

class IndexBuild {
public:
    // Failures as IndexFile::create: data type 33/1026 for a key without a
    // usable value, 33/1053 for a condition that is not logical; data width
    // 34/1026 for a text key of length 0 or above 240, 34/1054 for key and
    // condition texts over 510 characters. recordCount bounds the run size
    // from below (its square root) as the records to come.
    static Status prepare(const std::string& path, const RecordContext& current,
                          const IndexBuildOptions& options, uint32_t recordCount,
                          std::unique_ptr<IndexBuild>& out);

    // The record's key, when it meets the condition. No allocation once the
    // sorter's run is in place.
    void add(const RecordContext& record);
    // Creates (or empties) the file, shared or exclusive as the options say,
    // and writes the tag with the keys added, sized for record numbers up to
    // maxRecno. Create error 20/1006 when the file cannot be made.
    Status finish(uint32_t maxRecno, std::unique_ptr<IndexFile>& out);

private:
    IndexBuild(const IndexBuildOptions& options, uint32_t recordCount, std::string path,
               Expression key, Expression cond, int keyLength);

    std::string m_path;
    std::string m_keyText, m_conditionText;
    const Expression* m_viewCondition;  // evaluated instead of the stored condition
    bool m_unique, m_shared;
    std::string m_tableName;
    Expression m_key, m_cond;
    int m_keyLength;
    cdx::KeyMaker m_maker;
    cdx::KeySorter m_sorter;
    std::vector<uint8_t> m_scratch;  // the key of the record being added
};

}  // namespace drav::data
