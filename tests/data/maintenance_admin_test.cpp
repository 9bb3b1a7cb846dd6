// drav-admin's start-up check, maintenance, backup and restore, run as the
// separate program it is: an older folder brought up to date, a folder
// reindexed, and a backup restored elsewhere giving back the very same
// files, which check then finds clean.
#include "tests/data/AdminRun.h"
#include "tests/data/backup_fixture.h"
#include "tests/data/upgrade_fixture.h"

namespace drav::data::testupgrade {
namespace {

using test::readFile;
using test::runCommand;
using test::TempDir;

class AdminMaintenance : public ::testing::Test {
protected:
    void SetUp() override {
        m_admin = test::adminPath();
        if (!exists(m_admin)) GTEST_SKIP() << "drav-admin not built";
    }
    int run(const std::string& args, std::string* out = nullptr) {
        return runCommand(m_admin + " " + args + " 2>>" + m_log.file("admin.err"), out);
    }
    std::string errors() const { return readFile(m_log.file("admin.err")); }
    // Tables written in-process, as an older release left them.
    void write(const std::string& table, const Fields& fields,
               const std::vector<OldRecord>& records) {
        test::ScopedChdir in(dir.path());
        writeTable(tableFileName(table), fields, records);
    }

    TempDir dir;

private:
    std::string m_admin;
    TempDir m_log;
};

TEST_F(AdminMaintenance, InitBringsAnOlderFolderUpToDate) {
    write("CLIENTI", schemaFieldsWith("CLIENTI", {{"FISSO", std::nullopt}}),
          {{{{"CODICE", std::string("         1")}, {"NOTE", std::string("nota")}}},
           {{{"CODICE", std::string("         2")}}, true}});
    ASSERT_EQ(run("init " + dir.path()), 0) << errors();
    EXPECT_EQ(fieldsOf(dir.file("CLIENTI.DBF")), findTable("CLIENTI")->fields);
    std::vector<Values> records = readTable(dir.file("CLIENTI.DBF"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at("NOTE"), Value(std::string("nota")));
    std::string out;
    EXPECT_EQ(run("check " + dir.path(), &out), 0) << out << errors();
    for (const TagDef& tag : schemaTags())
        EXPECT_TRUE(exists(dir.file(tag.fileName()))) << tag.name;
}

TEST_F(AdminMaintenance, ReindexPacksAndRebuildsEveryTag) {
    ASSERT_EQ(run("init " + dir.path()), 0) << errors();
    write("ATTIVITA", findTable("ATTIVITA")->fields,
          {{{{"ATTIVITA", std::string("Uno")}}, true}, {{{"ATTIVITA", std::string("Due")}}}});
    std::string out;
    EXPECT_NE(run("check " + dir.path(), &out), 0) << "the tag does not list the new records";

    ASSERT_EQ(run("reindex " + dir.path()), 0) << errors();
    EXPECT_EQ(readTable(dir.file("ATTIVITA.DBF")).size(), 1u);
    EXPECT_EQ(run("check " + dir.path(), &out), 0) << out << errors();
}

TEST_F(AdminMaintenance, BackupRestoredElsewhereGivesBackTheSameFiles) {
    ASSERT_EQ(run("init " + dir.path()), 0) << errors();
    write("CLIENTI", findTable("CLIENTI")->fields,
          {{{{"CLIENTE", std::string("Rossi")}, {"NOTE", std::string(300, 'r')}}},
           {{{"CLIENTE", std::string("Via")}, {"NOTE", std::string("via")}}, true},
           {{{"CLIENTE", std::string("Bianchi")}, {"FATTURAZ", std::string("mensile")}}}});
    write("CORSE", findTable("CORSE")->fields,
          {{{{"NUMERO", 3.0}, {"DATA", Date::fromYmd(2026, 3, 5)}, {"NOTMITT", std::string("x")}}},
           {{{"NUMERO", 0.0}, {"DATA", Date::fromYmd(2026, 3, 9)}, {"SOSPESO", true}}}});
    ASSERT_EQ(run("reindex " + dir.path()), 0) << errors();
    const auto original = test::dataFiles(dir.path());

    TempDir elsewhere;
    const std::string archive = elsewhere.file("copia.zip");
    ASSERT_EQ(run("backup " + dir.path() + " " + archive), 0) << errors();
    TempDir restored;
    ASSERT_EQ(run("restore " + archive + " " + restored.path()), 0) << errors();
    EXPECT_EQ(test::dataFiles(restored.path()), original);
    std::string out;
    EXPECT_EQ(run("check " + restored.path(), &out), 0) << out << errors();
}

TEST_F(AdminMaintenance, FailuresEndWithCodeTwo) {
    const std::string missing = dir.file("NON_ESISTE");
    const struct {
        std::string args;
    } cases[] = {
        {"init " + missing},
        {"reindex " + missing},
        {"reindex " + dir.path()},  // no tables to maintain
        {"backup " + missing + " " + dir.file("copia.zip")},
        {"restore " + dir.file("manca.zip") + " " + dir.path()},
        {"restore " + dir.file("manca.zip")},
        {"backup " + dir.path()},
    };
    for (const auto& c : cases) EXPECT_EQ(run(c.args), 2) << c.args;
    EXPECT_FALSE(exists(dir.file("copia.zip")));
}

}  // namespace
}  // namespace drav::data::testupgrade
