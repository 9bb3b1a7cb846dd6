// Putting a rebuilt table in place: a failure at any step leaves the old
// table whole and readable with its memo, the network-mode copy, the
// temporary table left by a run that stopped, and the next start finishing
// the job.
#include "data/os/File.h"
#include "data/upgrade/CreateDb.h"
#include "data/upgrade/ReplaceFile.h"
#include "tests/data/upgrade_fixture.h"

namespace drav::data::testupgrade {
namespace {

using test::readFile;

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A folder of the current layout but for CLIENTI, which lacks FISSO and
// holds two clients with notes.
class Replace : public UpgradeTest {
protected:
    void SetUp() override {
        UpgradeTest::SetUp();
        prepare();
    }
    void TearDown() override {
        clearFaults();
        UpgradeTest::TearDown();
    }
    void clearFaults() {
        TEST_setReplaceFault(nullptr);
        setWriteFault(nullptr);
    }

    void prepare() {
        currentFolder();
        ::unlink("CLIENTI.DBF");
        ::unlink("CLIENTI.DBT");
        writeTable(
            "CLIENTI.DBF", schemaFieldsWith("CLIENTI", {{"FISSO", std::nullopt}}),
            {{{{"CODICE", std::string("         1")}, {"NOTE", std::string("nota uno")}}},
             {{{"CODICE", std::string("         2")}, {"NOTE", std::string("da buttare")}}, true},
             {{{"CODICE", std::string("         3")},
               {"NOTE", std::string(300, 'x')},
               {"FATTURAZ", std::string("ogni mese")}}}});
        m_oldRecords = readTable("CLIENTI.DBF");
        m_oldTable = readFile("CLIENTI.DBF");
    }

    // The old table, its records and their memo texts exactly as they were.
    void expectOldTableWhole() {
        EXPECT_EQ(readFile("CLIENTI.DBF"), m_oldTable);
        EXPECT_EQ(readTable("CLIENTI.DBF"), m_oldRecords);
    }

    // The next start without the fault finishes the upgrade.
    void expectNextStartUpgrades() {
        clearFaults();
        log().messages.clear();
        ASSERT_TRUE(createDb(schemaTables()));
        EXPECT_TRUE(messageTexts().empty());
        EXPECT_EQ(fieldsOf("CLIENTI.DBF"), findTable("CLIENTI")->fields);
        std::vector<Values> now = readTable("CLIENTI.DBF");
        ASSERT_EQ(now.size(), 2u);
        EXPECT_EQ(now[0].at("NOTE"), Value(std::string("nota uno")));
        EXPECT_EQ(now[1].at("NOTE"), Value(std::string(300, 'x')));
        EXPECT_EQ(now[1].at("FATTURAZ"), Value(std::string("ogni mese")));
        EXPECT_EQ(now[1].at("FISSO"), Value(false));
        EXPECT_FALSE(exists("TEMPDBF_.DBF"));
        EXPECT_FALSE(exists("TEMPDBF_.DBT"));
    }

    std::vector<Values> m_oldRecords;
    std::string m_oldTable;
};

TEST_F(Replace, AFailedReplacementLeavesTheOldTableWhole) {
    const struct {
        const char* what;
        bool network;
        const char* renameFails;  // the target whose rename fails
        const char* writeFails;   // the copy whose writes fail
        const char* message;
    } cases[] = {
        {"memo rename", false, "CLIENTI.DBT", nullptr,
         "Impossibile rinominare il file TEMPDBF_.DBT in CLIENTI.DBT."},
        {"table rename, after the memo", false, "CLIENTI.DBF", nullptr,
         "Impossibile rinominare il file TEMPDBF_.DBF in CLIENTI.DBF."},
        {"memo copy", true, nullptr, "\x7FTEMPDBF_.DBT",
         "Impossibile copiare il file TEMPDBF_.DBT in CLIENTI.DBT."},
        {"table copy, after the memo", true, nullptr, "\x7FTEMPDBF_.DBF",
         "Impossibile copiare il file TEMPDBF_.DBF in CLIENTI.DBF."},
        {"rename of the table's copy", true, "CLIENTI.DBF", nullptr,
         "Impossibile copiare il file TEMPDBF_.DBF in CLIENTI.DBF."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prepare();
        NetMarker marker(dir, c.network);
        if (c.renameFails)
            TEST_setReplaceFault([&](const std::string& target) {
                return endsWith(target, c.renameFails) ? EIO : 0;
            });
        if (c.writeFails)
            setWriteFault([&](const std::string& path, uint64_t, size_t, size_t*) {
                return endsWith(path, c.writeFails) ? ENOSPC : 0;
            });

        EXPECT_FALSE(createDb(schemaTables()));
        EXPECT_EQ(messageTexts(), std::vector<QString>{c.message});
        expectOldTableWhole();
        EXPECT_FALSE(exists("TEMPDBF_.DBF"));
        EXPECT_FALSE(exists("\x7FTEMPDBF_.DBF"));
        EXPECT_FALSE(exists("\x7FTEMPDBF_.DBT"));
        expectNextStartUpgrades();
        clearFaults();
        closeAll();
    }
}

TEST_F(Replace, NetworkModeCopiesAndKeepsThePermissions) {
    NetMarker marker(dir, true);
    ASSERT_TRUE(networkMode());
    ASSERT_EQ(::chmod("CLIENTI.DBF", 0660), 0);
    ASSERT_EQ(::chmod("CLIENTI.DBT", 0640), 0);
    expectNextStartUpgrades();
    struct stat st;
    ASSERT_EQ(::stat("CLIENTI.DBF", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    ASSERT_EQ(::stat("CLIENTI.DBT", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    for (const std::string& f : wildExp({"*.*"}))
        EXPECT_NE(static_cast<unsigned char>(f[0]), 0x7F) << "temporary copy left: " << f;
}

TEST_F(Replace, ATemporaryTableLeftBehindIsHandledAtTheNextStart) {
    // What a run stopped half-way leaves: a partial TEMPDBF_ pair.
    test::writeFile("TEMPDBF_.DBF", "interrotto");
    test::writeFile("TEMPDBF_.DBT", "interrotto");
    expectNextStartUpgrades();

    // With every table current it goes too.
    test::writeFile("TEMPDBF_.DBF", "interrotto");
    ASSERT_TRUE(createDb(schemaTables()));
    EXPECT_FALSE(exists("TEMPDBF_.DBF"));

    // Unless a table is missing: then it may be all that is left of it.
    test::writeFile("TEMPDBF_.DBF", "interrotto");
    ASSERT_EQ(::unlink("PONY.DBF"), 0);
    ASSERT_TRUE(createDb(schemaTables()));
    EXPECT_EQ(readFile("TEMPDBF_.DBF"), "interrotto");
}

TEST_F(Replace, ATemporaryTableAnotherStationHoldsIsLeftAlone) {
    ASSERT_TRUE(createDb(schemaTables()));
    writeTable("TEMPDBF_.DBF", findTable("ATTIVITA")->fields, {});
    File other;
    ASSERT_TRUE(File::open("TEMPDBF_.DBF", File::Share::Shared, true, other));
    ASSERT_TRUE(createDb(schemaTables()));
    EXPECT_TRUE(exists("TEMPDBF_.DBF"));
}

}  // namespace
}  // namespace drav::data::testupgrade
