// Helpers of the index tests: a fatal-error handler that throws, tables
// shaped like the program's own, tag builds and walks.
#pragma once

#include "data/cdx/IndexFile.h"
#include "data/cdx/IndexTag.h"
#include "data/dbf/TableFile.h"
#include "tests/data/MemTable.h"
#include "util/Error.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace drav::test {

struct FatalError : std::runtime_error {
    FatalError(unsigned n, const std::string& t)
        : std::runtime_error("fatal " + std::to_string(n) + ": " + t), number(n), text(t) {}
    unsigned number;
    std::string text;
};

// While alive, integrity errors throw FatalError instead of ending the process.
class ThrowOnFatal {
public:
    ThrowOnFatal() {
        m_previous =
            setFatalHandler([](unsigned n, const std::string& t) { throw FatalError(n, t); });
    }
    ~ThrowOnFatal() { setFatalHandler(m_previous); }

private:
    FatalHandler m_previous;
};

// The fields of the runs table that its three tags use.
inline MemTable runsTable() {
    return MemTable({{"NUMERO", 'N', 3, 0},
                     {"DATA", 'D', 8, 0},
                     {"ORA", 'C', 5, 0},
                     {"CLIENTE", 'C', 35, 0},
                     {"SOSPESO", 'L', 1, 0}});
}

inline uint32_t addRun(MemTable& t, int numero, Date data, const std::string& ora,
                       const std::string& cliente = "", bool sospeso = false) {
    uint32_t r = t.append();
    t.setNumber("NUMERO", numero);
    t.setDate("DATA", data);
    t.setText("ORA", ora);
    t.setText("CLIENTE", cliente);
    t.setLogical("SOSPESO", sospeso);
    EXPECT_TRUE(t.commit());
    return r;
}

// The three tags of the runs table as the schema states them.
struct TagText {
    const char* file;
    const char* key;
    const char* condition;
};
inline const TagText kCorse{"CORSE.NTX", "DTOS( data ) + STR( numero, 3 )",
                            "!EMPTY( numero ) .AND. !DELETED()"};
inline const TagText kFuture{"FUTURE.NTX", "DTOS( data ) + ora",
                             "EMPTY( numero ) .AND. !DELETED()"};
inline const TagText kSospesi{
    "SOSPESI.NTX", "IF( sospeso, \"S\", \" \" ) + DTOS( data ) + STR( numero, 3 )", "!DELETED()"};

inline std::unique_ptr<data::IndexFile> buildTag(const std::string& path, data::RecordScan& scan,
                                                 const std::string& key,
                                                 const std::string& condition, bool shared = false,
                                                 size_t runBytes = size_t(1) << 20) {
    data::IndexBuildOptions o;
    o.keyText = key;
    o.conditionText = condition;
    o.shared = shared;
    o.tableName = "TEST";
    o.runBytes = runBytes;
    std::unique_ptr<data::IndexFile> f;
    data::Status s = data::IndexFile::create(path, scan, o, f);
    EXPECT_TRUE(s) << s.toString();
    return f;
}

// The runs table as a station works on it: CORSE.DBF of the folder, shared,
// its three tags following every write.
struct RunsStation {
    data::TableFile table;
    std::vector<std::unique_ptr<data::IndexFile>> tags;

    data::Status open(const std::string& dir) {
        if (data::Status s = table.open(dir + "/CORSE.DBF", data::File::Share::Shared, false); !s)
            return s;
        for (const char* name : {"CORSE", "FUTURE", "SOSPESI"}) {
            data::IndexOpenOptions o;
            o.tableName = "CORSE";
            std::unique_ptr<data::IndexFile> f;
            if (data::Status s = data::IndexFile::open(dir + "/" + name + ".NTX", table, o, f); !s)
                return s;
            table.addObserver(&f->tag());
            tags.push_back(std::move(f));
        }
        return data::Status::ok();
    }
    ~RunsStation() {
        (void)table.close();
        for (auto& f : tags) table.removeObserver(&f->tag());
    }
    data::IndexTag& tag(int i) { return tags[i]->tag(); }
    // Changes a record under its lock.
    data::Status edit(uint32_t recno, const std::function<data::Status()>& change) {
        if (data::Status s = table.goTo(recno); !s) return s;
        if (data::Status s = table.lockRecord(); !s) return s;
        if (data::Status s = change(); !s) return s;
        return table.unlockAll();
    }
    // Appends a run with its day and number, as the run card saves one.
    void addRun(int day, int numero, bool sospeso) {
        while (table.append().isBusy()) {
        }
        auto put = [&](const char* field, const Value& v) {
            ASSERT_TRUE(table.putField(table.fieldIndex(field), v)) << field;
        };
        put("DATA", Date::fromYmd(2024, 6, 1).addDays(day));
        put("NUMERO", static_cast<double>(numero));
        put("ORA", std::string("09:15"));
        put("SOSPESO", sospeso);
        ASSERT_TRUE(table.commit());
        ASSERT_TRUE(table.unlockAll());
    }
};

// The record numbers of the tag, first to last, within its scope.
inline std::vector<uint32_t> recnosInOrder(data::IndexTag& tag) {
    std::vector<uint32_t> out;
    EXPECT_TRUE(tag.goTop());
    for (size_t guard = 0; !tag.eof() && guard < 10000000; ++guard) {
        out.push_back(tag.recno());
        EXPECT_TRUE(tag.next());
    }
    return out;
}

}  // namespace drav::test
