// What the tag and view tests of the access layer share: the program's own
// tables made in the test folder with their tags built by ordBuild, runs and
// clients added through the access layer, a list that records what the
// typed searches ask of it, and an instance folder of the test's own.
#pragma once

#include "data/access/KeyList.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "data/schema/Schema.h"
#include "tests/data/access_fixture.h"
#include "util/Paths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace drav::data::testaccess {

// The list a typed search drives: it moves the table as the browse list
// does and counts the redraws.
class RecordingList : public KeyList {
public:
    void redrawAround() override { ++redraws; }
    void highlightDown() override {
        ++downs;
        current().skip(1);
    }
    void makeFirstVisible() override { ++firstVisible; }
    int redraws = 0, downs = 0, firstVisible = 0;
};

class TagsTest : public AccessTest {
protected:
    void SetUp() override {
        AccessTest::SetUp();
        m_savedInstance = instanceFolder();
        instance = dir.file("ISTANZA") + "/";
        ASSERT_EQ(::mkdir(instance.c_str(), 0700), 0);
        setInstanceFolder(instance);
    }
    void TearDown() override {
        AccessTest::TearDown();
        setInstanceFolder(m_savedInstance);
    }

    std::string tablePath(const std::string& table) { return dir.file(table + ".DBF"); }

    // The schema's table, empty, with every tag of it built by ordBuild from
    // the key and condition as the schema states them.
    void makeSchemaTable(const std::string& table) {
        ASSERT_TRUE(TableFile::create(tablePath(table), findTable(table)->fields));
        dbOpen(true, tablePath(table), {}, false);
        for (const std::string& tag : findTable(table)->tags) {
            const TagDef* def = findTag(tag);
            ordCondSet(def->conditionText);
            ordBuild(dir.file(def->name), def->keyExpression);
        }
        dbClose();
    }

    // Opens the table shared in a new slot with every tag of the schema, in
    // the schema's order (the first one controls).
    Table& openWithTags(const std::string& table, const std::string& alias = {}) {
        Table& t = dbOpen(true, tablePath(table), alias);
        for (const std::string& tag : findTable(table)->tags) ordAdd(dir.file(tag));
        return t;
    }

    // Appends a run to the current table, written and unlocked.
    uint32_t addRun(Date data, int numero, const char* ora, bool sospeso = false,
                    const char* pony = "") {
        dbApp();
        Table& t = current();
        t.put("DATA", data);
        t.put("NUMERO", static_cast<double>(numero));
        t.put("ORA", std::string(ora));
        t.put("SOSPESO", sospeso);
        t.put("PONY1", std::string(pony));
        t.commit();
        t.unlock();
        return t.recno();
    }

    // The record numbers of the current table in its controlling order.
    static std::vector<uint32_t> walk() {
        std::vector<uint32_t> out;
        Table& t = current();
        for (t.goTop(); !t.eof(); t.skip()) out.push_back(t.recno());
        return out;
    }
    // The same from the last record back.
    static std::vector<uint32_t> walkBack() {
        std::vector<uint32_t> out;
        Table& t = current();
        for (t.goBottom(); !t.eof();) {
            out.insert(out.begin(), t.recno());
            t.skip(-1);
            if (t.bof()) break;
        }
        return out;
    }

    static bool exists(const std::string& path) {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0;
    }

    std::string instance;

private:
    std::string m_savedInstance;
};

}  // namespace drav::data::testaccess
