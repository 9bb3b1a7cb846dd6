// What the upgrade and maintenance tests share: a data folder that is the
// current folder, a scripted user port, the errors handed to the handler,
// tables written in any layout, and the records and tag entries read back.
#pragma once

#include "data/access/ScopedTable.h"
#include "data/access/TableAccess.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/data/access_fixture.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"
#include "util/Date.h"
#include "util/FileHelpers.h"
#include "util/NetMarker.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace drav::data::testupgrade {

using Fields = std::vector<FieldDef>;
using Values = std::map<std::string, Value>;

struct OldRecord {
    Values values;
    bool deleted = false;
};

// Writes the table file (and memo) with the fields and records, as a
// station of an older release would have left it.
inline void writeTable(const std::string& path, const Fields& fields,
                       const std::vector<OldRecord>& records) {
    ASSERT_TRUE(TableFile::create(path, fields));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
    for (const OldRecord& r : records) {
        ASSERT_TRUE(t.append());
        for (const auto& [name, value] : r.values) {
            int pos = t.fieldIndex(name);
            ASSERT_GE(pos, 0) << name;
            ASSERT_TRUE(t.putField(pos, value)) << name;
        }
        if (r.deleted) {
            ASSERT_TRUE(t.deleteRecord());
        }
        ASSERT_TRUE(t.commit());
    }
    ASSERT_TRUE(t.close());
}

// Every record of the table (deleted ones included), each field by name.
inline std::vector<Values> readTable(const std::string& path,
                                     std::vector<bool>* deleted = nullptr) {
    std::vector<Values> out;
    TableFile t;
    Status s = t.open(path, File::Share::Shared, true);
    EXPECT_TRUE(s) << s.toString();
    if (!s) return out;
    uint32_t count = 0;
    EXPECT_TRUE(t.recCount(&count));
    for (uint32_t r = 1; r <= count; ++r) {
        EXPECT_TRUE(t.goTo(r));
        Values v;
        for (int i = 0; i < t.fieldCount(); ++i) {
            Value value;
            EXPECT_TRUE(t.getField(i, &value)) << t.field(i).name;
            v[t.field(i).name] = value;
        }
        out.push_back(std::move(v));
        if (deleted) deleted->push_back(t.deleted());
    }
    (void)t.close();
    return out;
}

inline Fields fieldsOf(const std::string& path) {
    TableFile t;
    Fields out;
    if (!t.open(path, File::Share::Shared, true)) return out;
    for (int i = 0; i < t.fieldCount(); ++i) out.push_back(t.field(i));
    (void)t.close();
    return out;
}

// The record numbers of the tag's entries, in the tag's order.
inline std::vector<uint32_t> tagEntries(const std::string& table, const std::string& tag) {
    std::vector<uint32_t> out;
    ScopedTable t(table, "LETTURA", true, true);
    ordAdd(tag);
    for (t->goTop(); !t->eof(); t->skip(1)) out.push_back(t->recno());
    return out;
}

inline ino_t inodeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

inline bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// The schema's fields of a table with some changed: a field given with a
// new definition replaces the one of that name, a name mapped to nothing
// drops it, and fields not in the schema are added at the end.
inline Fields schemaFieldsWith(const std::string& table,
                               const std::map<std::string, std::optional<FieldDef>>& changes) {
    Fields out;
    auto left = changes;
    for (const FieldDef& f : findTable(table)->fields) {
        auto it = left.find(f.name);
        if (it == left.end()) {
            out.push_back(f);
            continue;
        }
        if (it->second) out.push_back(*it->second);
        left.erase(it);
    }
    for (const auto& [name, f] : left)
        if (f) out.push_back(*f);
    return out;
}

// Every table of the schema written current and empty, with its tag files.
inline void currentFolder() {
    for (const TableDef& t : schemaTables()) writeTable(tableFileName(t.name), t.fields, {});
}

// The marker file of network mode, pointed at for the lifetime of the
// object (created when asked).
class NetMarker {
public:
    NetMarker(const test::TempDir& dir, bool present) : m_path(dir.file("NET_MARKER")) {
        const char* was = std::getenv("KOLT_NET_MARKER");
        if (was) m_previous = was;
        if (present)
            test::writeFile(m_path, "");
        else
            ::unlink(m_path.c_str());
        ::setenv("KOLT_NET_MARKER", m_path.c_str(), 1);
    }
    ~NetMarker() {
        ::unlink(m_path.c_str());
        if (m_previous)
            ::setenv("KOLT_NET_MARKER", m_previous->c_str(), 1);
        else
            ::unsetenv("KOLT_NET_MARKER");
    }

private:
    std::string m_path;
    std::optional<std::string> m_previous;
};

// A data folder that is the current folder, two-digit years as at start,
// short lock waits, messages and errors recorded.
class UpgradeTest : public testaccess::AccessTest {
protected:
    UpgradeTest() : m_cd(dir.path()) { setDateFormat(DateFormat::TwoDigitYear); }
    ~UpgradeTest() override { setDateFormat(DateFormat::FourDigitYear); }

    std::vector<QString> messageTexts() const {
        std::vector<QString> out;
        for (const test::ShownMessage& m : const_cast<UpgradeTest*>(this)->log().messages)
            out.push_back(m.text);
        return out;
    }

private:
    test::ScopedChdir m_cd;
};

}  // namespace drav::data::testupgrade
