// The program brings its data folder to the current layout when it starts,
// run as the office runs it ("drav --data DIR" with a script that only
// quits): an empty folder gets its configuration file, every table and
// index file and the station table; an older folder is rebuilt with its
// data; a missing index file makes every tag be rebuilt; a folder already
// current is left alone. Each run shows the wait messages of the check in
// their order, no list at start, and ends normally with its instance folder
// gone.
#include "data/access/ScopedTable.h"
#include "data/access/TableAccess.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "data/upgrade/CreateDb.h"
#include "tests/shell/DravRun.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ScriptedPort.h"
#include "util/Date.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

namespace drav::shell {
namespace {

using test::entries;

const QString kChecking = QStringLiteral("Verifica archivi in corso...");
const QString kUpdating = QStringLiteral("Aggiornamento archivi in corso...");
const QString kRebuilding = QStringLiteral("Ricostruzione degli indici in corso.");

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

struct OldRecord {
    std::map<std::string, Value> values;
    bool deleted = false;
};

// Writes a table in the given layout with the records, as an older release
// or another station left it (index files are not told).
void writeTable(const std::string& path, const std::vector<data::FieldDef>& fields,
                const std::vector<OldRecord>& records) {
    ASSERT_TRUE(data::TableFile::create(path, fields));
    data::TableFile t;
    ASSERT_TRUE(t.open(path, data::File::Share::Exclusive, false));
    for (const OldRecord& r : records) {
        ASSERT_TRUE(t.append());
        for (const auto& [name, v] : r.values) ASSERT_TRUE(t.putField(t.fieldIndex(name), v));
        if (r.deleted) {
            ASSERT_TRUE(t.deleteRecord());
        }
        ASSERT_TRUE(t.commit());
    }
    ASSERT_TRUE(t.close());
}

// The records of a table in the file, deleted ones included.
uint32_t recordCount(const std::string& path) {
    data::TableFile t;
    uint32_t count = 0;
    EXPECT_TRUE(t.open(path, data::File::Share::Shared, true));
    EXPECT_TRUE(t.recCount(&count));
    (void)t.close();
    return count;
}

// When and where a file was last written.
struct Stamp {
    ino_t inode;
    timespec written;
    bool operator==(const Stamp& o) const {
        return inode == o.inode && written.tv_sec == o.written.tv_sec &&
               written.tv_nsec == o.written.tv_nsec;
    }
};

Stamp stampOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return {st.st_ino, st.st_mtim};
}

class ProgramStart : public ::testing::Test {
protected:
    // Runs the program on the folder with a script that only quits: the
    // start-up check, the instance set-up and the end of the program run as
    // at the office. It must end normally, saying nothing but the wait
    // messages of the check, and leave no instance folder behind.
    test::DravRun runAndQuit() {
        test::DravRun run = test::runDrav(m_dir.path(), "quit\n", {.tempFolder = m_temp.path()});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.join('\n').toStdString();
        EXPECT_TRUE(entries(m_temp.path()).empty()) << "the instance folder is still there";
        EXPECT_TRUE(exists(m_dir.file("NET")));
        EXPECT_FALSE(exists(m_dir.file("TEMPDBF_.DBF")));
        // The wait box says "Aggiornamento archivi in corso..." again for
        // every table it creates or rebuilds.
        run.startup.removeDuplicates();
        return run;
    }

    // A folder of the current layout, made in-process, to be aged by the test.
    void makeCurrentFolder() {
        test::ScopedChdir in(m_dir.path());
        test::ScopedScriptedPort port;
        ASSERT_TRUE(data::createDb(data::schemaTables()));
    }

    // The first field of every record the tag lists, read in-process after
    // the program has gone.
    std::vector<std::string> tagRecords(const std::string& table, const std::string& tag) {
        test::ScopedChdir in(m_dir.path());
        test::ScopedScriptedPort port;
        std::vector<std::string> out;
        data::ScopedTable t(table, {}, true, true);
        data::ordAdd(tag);
        for (t->goTop(); !t->eof(); t->skip(1)) out.push_back(t->text(0));
        return out;
    }

    test::TempDir m_dir;
    test::TempDir m_temp;  // TEMP of the program
};

// What the office sees at the very first start; the clean-up at process
// start sweeps what a dead instance left in the temporary folder and in the
// data folder.
TEST_F(ProgramStart, AnEmptyFolderGetsEveryTableAndIndexFile) {
    const std::string dead = m_temp.file("\x7F" "2026030512345");
    ASSERT_EQ(::mkdir(dead.c_str(), 0700), 0);
    test::writeFile(dead + "/USER", "");
    test::writeFile(dead + "/\x7FVIEW2.NTX", "x");
    test::writeFile(m_dir.file("\x7FSORT1"), "x");

    test::DravRun run = runAndQuit();
    EXPECT_EQ(run.startup, QStringList({kChecking, kUpdating, kRebuilding}));
    EXPECT_EQ(test::readFile(m_dir.file("DRAV.CFG")), test::kFirstStartCfg);
    for (const data::TableDef& t : data::schemaTables()) {
        EXPECT_TRUE(exists(m_dir.file(t.name + ".DBF"))) << t.name;
        EXPECT_EQ(exists(m_dir.file(t.name + ".DBT")), t.hasMemo()) << t.name;
        for (const std::string& tag : t.tags) EXPECT_TRUE(exists(m_dir.file(tag + ".NTX"))) << tag;
    }
    // The station table: one field LOCK (C 1) and one blank record.
    data::TableFile net;
    ASSERT_TRUE(net.open(m_dir.file("NET"), data::File::Share::Shared, true));
    ASSERT_EQ(net.fieldCount(), 1);
    EXPECT_EQ(net.field(0).name, "LOCK");
    EXPECT_EQ(net.field(0).type, 'C');
    EXPECT_EQ(net.field(0).length, 1);
    uint32_t count = 0;
    ASSERT_TRUE(net.recCount(&count));
    EXPECT_EQ(count, 1u);
    (void)net.close();
    EXPECT_FALSE(exists(m_dir.file("\x7FSORT1")));
}

// A second start on a current folder checks and touches nothing: no table
// or index file is written again, the configuration stays as it is.
TEST_F(ProgramStart, ACurrentFolderIsOnlyChecked) {
    runAndQuit();
    std::map<std::string, Stamp> before;
    for (const std::string& name : entries(m_dir.path())) before[name] = stampOf(m_dir.file(name));

    test::DravRun run = runAndQuit();
    EXPECT_EQ(run.startup, QStringList({kChecking}));
    for (const auto& [name, stamp] : before)
        EXPECT_TRUE(stampOf(m_dir.file(name)) == stamp) << name << " was written again";
    EXPECT_EQ(entries(m_dir.path()).size(), before.size());
}

// CLIENTI without FISSO and CORSE with NUMERO N 2, as an older release left
// them: both rebuilt with their values; then every table is packed (a
// courier deleted before the upgrade is gone) and every tag rebuilt.
TEST_F(ProgramStart, AnOlderFolderIsRebuiltWithItsData) {
    makeCurrentFolder();
    std::vector<data::FieldDef> clienti = data::findTable("CLIENTI")->fields;
    ASSERT_EQ(clienti.back().name, "FISSO");
    clienti.pop_back();
    ASSERT_EQ(::unlink(m_dir.file("CLIENTI.DBT").c_str()), 0);
    writeTable(m_dir.file("CLIENTI.DBF"), clienti,
               {{{{"CODICE", std::string("         1")},
                  {"CLIENTE", std::string("Rossi")},
                  {"NOTE", std::string("cliente storico")}}}});
    std::vector<data::FieldDef> corse = data::findTable("CORSE")->fields;
    ASSERT_EQ(corse.front().name, "NUMERO");
    corse.front().length = 2;
    ASSERT_EQ(::unlink(m_dir.file("CORSE.DBT").c_str()), 0);
    writeTable(m_dir.file("CORSE.DBF"), corse,
               {{{{"NUMERO", 12.0}, {"DATA", Date::fromYmd(2026, 3, 5)}}},
                {{{"NUMERO", 7.0}, {"DATA", Date::fromYmd(2026, 3, 5)}}}});
    writeTable(m_dir.file("PONY.DBF"), data::findTable("PONY")->fields,
               {{{{"NOMINATIVO", std::string("Bianchi")}, {"SIGLA", std::string("BIAN")}},
                 true},
                {{{"NOMINATIVO", std::string("Neri")}, {"SIGLA", std::string("NERI")}}}});

    test::DravRun run = runAndQuit();
    EXPECT_EQ(run.startup, QStringList({kChecking, kUpdating, kRebuilding}));

    data::TableFile t;
    ASSERT_TRUE(t.open(m_dir.file("CLIENTI.DBF"), data::File::Share::Shared, true));
    ASSERT_EQ(t.fieldCount(), 23);
    EXPECT_EQ(t.field(22).name, "FISSO");
    Value note, fisso;
    ASSERT_TRUE(t.getField(t.fieldIndex("NOTE"), &note));
    ASSERT_TRUE(t.getField(t.fieldIndex("FISSO"), &fisso));
    EXPECT_EQ(note, Value(std::string("cliente storico")));
    EXPECT_EQ(fisso, Value(false));
    (void)t.close();
    EXPECT_EQ(tagRecords("CLIENTI", "CLIENTI"), std::vector<std::string>{"         1"});

    ASSERT_TRUE(t.open(m_dir.file("CORSE.DBF"), data::File::Share::Shared, true));
    EXPECT_EQ(t.field(0).length, 3);
    (void)t.close();
    // The CORSE tag orders the runs of a day by their number.
    test::ScopedChdir in(m_dir.path());
    test::ScopedScriptedPort port;
    {
        data::ScopedTable runs("CORSE", {}, true, true);
        data::ordAdd("CORSE");
        std::vector<double> numbers;
        for (runs->goTop(); !runs->eof(); runs->skip(1)) numbers.push_back(runs->number("NUMERO"));
        EXPECT_EQ(numbers, (std::vector<double>{7, 12}));
    }

    EXPECT_EQ(recordCount(m_dir.file("PONY.DBF")), 1u);
    EXPECT_EQ(tagRecords("PONY", "SIGLE"), std::vector<std::string>{"Neri" + std::string(31, ' ')});
}

// A table missing while the others hold data: only that one is made, the
// others keep their records; then everything is packed and reindexed.
TEST_F(ProgramStart, AMissingTableIsMadeAndTheOthersKeepTheirData) {
    makeCurrentFolder();
    writeTable(m_dir.file("PONY.DBF"), data::findTable("PONY")->fields,
               {{{{"NOMINATIVO", std::string("Neri")}, {"SIGLA", std::string("NERI")}}}});
    ASSERT_EQ(::unlink(m_dir.file("ATTIVITA.DBF").c_str()), 0);
    const Stamp pony = stampOf(m_dir.file("PONY.DBF"));

    test::DravRun run = runAndQuit();
    EXPECT_EQ(run.startup, QStringList({kChecking, kUpdating, kRebuilding}));
    EXPECT_EQ(recordCount(m_dir.file("ATTIVITA.DBF")), 0u);
    EXPECT_TRUE(stampOf(m_dir.file("PONY.DBF")).inode == pony.inode) << "PONY was replaced";
    EXPECT_EQ(tagRecords("PONY", "PONY"), std::vector<std::string>{"Neri" + std::string(31, ' ')});
}

// Only SIGLE.NTX missing: no table is rebuilt, but every table is packed
// and every tag rebuilt, those of the other tables too.
TEST_F(ProgramStart, AMissingIndexFileRebuildsTheTags) {
    makeCurrentFolder();
    writeTable(m_dir.file("PONY.DBF"), data::findTable("PONY")->fields,
               {{{{"NOMINATIVO", std::string("Neri")}, {"SIGLA", std::string("NERI")}}}});
    writeTable(m_dir.file("ATTIVITA.DBF"), data::findTable("ATTIVITA")->fields,
               {{{{"ATTIVITA", std::string("Tipografia")}}, true},
                {{{"ATTIVITA", std::string("Avvocato")}}}});
    ASSERT_EQ(::unlink(m_dir.file("SIGLE.NTX").c_str()), 0);
    const Stamp clienti = stampOf(m_dir.file("CLIENTI.DBF"));

    test::DravRun run = runAndQuit();
    EXPECT_EQ(run.startup, QStringList({kChecking, kRebuilding}));
    EXPECT_TRUE(stampOf(m_dir.file("CLIENTI.DBF")).inode == clienti.inode) << "CLIENTI was replaced";
    EXPECT_EQ(tagRecords("PONY", "SIGLE"), std::vector<std::string>{"Neri" + std::string(31, ' ')});
    EXPECT_EQ(tagRecords("PONY", "PONY"), std::vector<std::string>{"Neri" + std::string(31, ' ')});
    EXPECT_EQ(recordCount(m_dir.file("ATTIVITA.DBF")), 1u);
    EXPECT_EQ(tagRecords("ATTIVITA", "ATTIVITA"),
              std::vector<std::string>{"Avvocato" + std::string(12, ' ')});
}

}  // namespace
}  // namespace drav::shell
