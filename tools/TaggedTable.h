// A table of the data folder opened as a station opens it: shared, with
// the index file of every tag the schema gives it that exists in the
// folder, each one following the table's writes. What drav-admin writes
// goes through here, so no tag file it leaves is out of step.
//
// Sections: waiting for other stations; the table and its tags.
#pragma once

#include "data/Status.h"
#include "data/cdx/IndexFile.h"
#include "data/cdx/IndexTag.h"
#include "data/dbf/TableFile.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace drav::admin {

// ---- Waiting for other stations ------------------------------------------------

// Repeats a step while another station holds what it needs (an exclusive
// open, a lock), as the program itself waits, but gives up after `seconds`
// so that a script never hangs on a station left open.
template <typename F>
data::Status retryBusy(F step, int seconds = 60) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        data::Status s = step();
        if (!s.isBusy() || std::chrono::steady_clock::now() > until) return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// DIR/NAME.DBF with the name in capitals, as the program names its files.
std::string tableFilePath(const std::string& dir, std::string_view table);
std::string tagFilePath(const std::string& dir, std::string_view tag);

// ---- The table and its tags -----------------------------------------------------

class TaggedTable {
public:
    TaggedTable() = default;
    ~TaggedTable();
    TaggedTable(const TaggedTable&) = delete;
    TaggedTable& operator=(const TaggedTable&) = delete;

    // Opens the table shared and then every existing tag file of it; a
    // table the schema does not know is opened without tags.
    data::Status open(const std::string& dir, std::string_view table, bool readOnly);
    // Writes what is pending, then closes the tags and the table.
    data::Status close();

    data::TableFile& table() { return m_table; }
    // The open tag of that name; nullptr when its file is not there.
    data::IndexTag* tag(std::string_view name);
    // The names of the open tags, in schema order.
    std::vector<std::string> tagNames() const;

private:
    data::TableFile m_table;
    std::vector<std::unique_ptr<data::IndexFile>> m_tags;
};

}  // namespace drav::admin
