// The program brings its data folder to the current layout when it starts:
// an empty folder gets every table and index file, an older folder is
// rebuilt with its data, and a missing index file makes every tag be
// rebuilt.
#include "data/access/ScopedTable.h"
#include "data/access/TableAccess.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "data/upgrade/CreateDb.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ScriptedPort.h"
#include "util/Date.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QTest>

#include <map>

namespace drav::shell {
namespace {

constexpr int kWaitMs = 60000;

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// Writes a table in the given layout with the records (field -> text or
// logical), as an older release left it.
void writeTable(const std::string& path, const std::vector<data::FieldDef>& fields,
                const std::vector<std::map<std::string, Value>>& records) {
    ASSERT_TRUE(data::TableFile::create(path, fields));
    data::TableFile t;
    ASSERT_TRUE(t.open(path, data::File::Share::Exclusive, false));
    for (const auto& r : records) {
        ASSERT_TRUE(t.append());
        for (const auto& [name, v] : r) ASSERT_TRUE(t.putField(t.fieldIndex(name), v));
        ASSERT_TRUE(t.commit());
    }
    ASSERT_TRUE(t.close());
}

class ProgramStart : public ::testing::Test {
protected:
    // Runs drav on the folder until the check is over (the instance set-up
    // that follows it writes the station table NET), then ends it.
    void runUntilChecked() {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(DRAV_PROGRAM), {"--data", QString::fromStdString(m_dir.path())});
        ASSERT_TRUE(p.waitForStarted(kWaitMs));
        const std::string net = m_dir.file("NET");
        bool checked = QTest::qWaitFor(
            [&] { return exists(net) || p.state() == QProcess::NotRunning; }, kWaitMs);
        EXPECT_TRUE(checked && exists(net)) << p.readAllStandardError().toStdString();
        EXPECT_EQ(p.state(), QProcess::Running) << "the program ended at start";
        p.kill();
        p.waitForFinished(kWaitMs);
    }

    // The folder read in-process after the program has gone.
    std::vector<std::string> tagRecords(const std::string& table, const std::string& tag) {
        test::ScopedChdir in(m_dir.path());
        std::vector<std::string> out;
        data::ScopedTable t(table, {}, true, true);
        data::ordAdd(tag);
        for (t->goTop(); !t->eof(); t->skip(1)) out.push_back(t->text(0));
        return out;
    }

    test::TempDir m_dir;
};

TEST_F(ProgramStart, AnEmptyFolderGetsEveryTableAndIndexFile) {
    runUntilChecked();
    for (const data::TableDef& t : data::schemaTables()) {
        EXPECT_TRUE(exists(m_dir.file(t.name + ".DBF"))) << t.name;
        EXPECT_EQ(exists(m_dir.file(t.name + ".DBT")), t.hasMemo()) << t.name;
        for (const std::string& tag : t.tags) EXPECT_TRUE(exists(m_dir.file(tag + ".NTX"))) << tag;
    }
}

TEST_F(ProgramStart, AnOlderFolderIsRebuiltWithItsData) {
    {
        // Every table current but CLIENTI, which lacks FISSO.
        test::ScopedChdir in(m_dir.path());
        test::ScopedScriptedPort port;
        ASSERT_TRUE(data::createDb(data::schemaTables()));
    }
    std::vector<data::FieldDef> older = data::findTable("CLIENTI")->fields;
    older.pop_back();
    ASSERT_EQ(::unlink(m_dir.file("CLIENTI.DBT").c_str()), 0);
    writeTable(m_dir.file("CLIENTI.DBF"), older,
               {{{"CODICE", std::string("         1")}, {"NOTE", std::string("cliente storico")}}});

    runUntilChecked();
    data::TableFile t;
    ASSERT_TRUE(t.open(m_dir.file("CLIENTI.DBF"), data::File::Share::Shared, true));
    ASSERT_EQ(t.fieldCount(), 23);
    EXPECT_EQ(t.field(22).name, "FISSO");
    Value note;
    ASSERT_TRUE(t.getField(t.fieldIndex("NOTE"), &note));
    EXPECT_EQ(note, Value(std::string("cliente storico")));
    (void)t.close();
    test::ScopedScriptedPort port;
    EXPECT_EQ(tagRecords("CLIENTI", "CLIENTI"), std::vector<std::string>{"         1"});
}

TEST_F(ProgramStart, AMissingIndexFileRebuildsTheTags) {
    {
        test::ScopedChdir in(m_dir.path());
        test::ScopedScriptedPort port;
        ASSERT_TRUE(data::createDb(data::schemaTables()));
    }
    // A courier the tags have never seen, and SIGLE.NTX gone.
    writeTable(m_dir.file("PONY.DBF"), data::findTable("PONY")->fields,
               {{{"NOMINATIVO", std::string("Neri")}, {"SIGLA", std::string("NERI")}}});
    ASSERT_EQ(::unlink(m_dir.file("SIGLE.NTX").c_str()), 0);

    runUntilChecked();
    test::ScopedScriptedPort port;
    EXPECT_EQ(tagRecords("PONY", "SIGLE"), std::vector<std::string>{"Neri" + std::string(31, ' ')});
    EXPECT_EQ(tagRecords("PONY", "PONY"), std::vector<std::string>{"Neri" + std::string(31, ' ')});
}

}  // namespace
}  // namespace drav::shell
