// Writing backup archives: what goes in, under which names and dates, an
// existing archive replaced, and the failures that must keep the previous
// archive.
#include "data/backup/Backup.h"
#include "data/backup/Unzip.h"
#include "data/backup/Zip.h"
#include "tests/data/backup_fixture.h"
#include "tests/support/ScriptedPort.h"
#include "util/Messages.h"

#include <sys/time.h>

#include <algorithm>
#include <ctime>

namespace drav::data {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// A table-like file: a header, zero bytes and blank-padded records.
std::string tableBytes(char tag, size_t records) {
    std::string s("\x03\x7E\x0C\x09", 4);
    s += std::string(28, '\0');
    for (size_t i = 0; i < records; ++i) s += ' ' + std::string(40, tag) + std::string(9, ' ');
    s += '\x1A';
    return s;
}

void setModified(const std::string& path, int year, int mon, int day, int h, int m, int s) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = mon - 1;
    tm.tm_mday = day;
    tm.tm_hour = h;
    tm.tm_min = m;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    timeval tv[2] = {{std::mktime(&tm), 0}, {std::mktime(&tm), 0}};
    ASSERT_EQ(utimes(path.c_str(), tv), 0);
}

QString shown(const QString& text) {
    return messageText(text);
}

TEST(BackupZip, SavesTablesAndMemosOnlyAndRestoresThemByteForByte) {
    TempDir root;
    std::string data = root.file("DATI"), other = root.file("ALTRO");
    std::filesystem::create_directory(data);
    std::filesystem::create_directory(other);
    const std::map<std::string, std::string> saved = {
        {"CLIENTI.DBF", tableBytes('A', 300)},
        {"CLIENTI.DBT", std::string(512, '\0') + "Note del cliente\r\nseconda riga\x1A\x1A"},
        {"CORSE.DBF", tableBytes('C', 2000)},
        {".NASCOSTO.DBF", tableBytes('H', 1)},  // hidden files are saved too
        {"VUOTO.DBF", ""},
    };
    for (const auto& [name, bytes] : saved) writeFile(data + "/" + name, bytes);
    writeFile(data + "/CLIENTI.NTX", "index");
    writeFile(data + "/DRAV.CFG", "[Vars]");
    writeFile(data + "/NET", "station");
    std::filesystem::permissions(data + "/CORSE.DBF", std::filesystem::perms::owner_read);
    setModified(data + "/CLIENTI.DBF", 2025, 12, 9, 17, 45, 30);

    test::ScopedScriptedPort port;
    std::string archive = root.file("copia.zip");
    ASSERT_TRUE(backupFolder(data, archive));
    EXPECT_TRUE(port.log().messages.empty());

    std::vector<std::string> names;
    for (const test::ReadEntry& e : test::readArchive(archive)) {
        names.push_back(e.name);
        if (e.name == "CLIENTI.DBF") {  // the file's local modification time
            EXPECT_EQ(e.date.tm_year, 2025u);
            EXPECT_EQ(e.date.tm_mon, 11u);
            EXPECT_EQ(e.date.tm_mday, 9u);
            EXPECT_EQ(e.date.tm_hour, 17u);
            EXPECT_EQ(e.date.tm_min, 45u);
            EXPECT_EQ(e.date.tm_sec, 30u);
        }
    }
    std::vector<std::string> expected;
    for (const auto& kv : saved) expected.push_back(kv.first);
    EXPECT_EQ(sorted(names), expected);

    ASSERT_TRUE(restoreFolder(archive, other, nullptr));
    EXPECT_EQ(test::snapshot(other), saved);
    EXPECT_TRUE(port.log().messages.empty());
}

TEST(BackupZip, AnExistingArchiveIsReplacedNotAddedTo) {
    TempDir dir;
    test::ScopedChdir in(dir.path());
    writeFile("VECCHIO.DBF", "old");
    ASSERT_TRUE(zip("copia.zip", {"VECCHIO.DBF"}));
    writeFile("NUOVO.DBF", "new");
    ASSERT_TRUE(zip("copia.zip", {"NUOVO.DBF"}));
    EXPECT_EQ(test::entryNames("copia.zip"), std::vector<std::string>{"NUOVO.DBF"});
}

TEST(BackupZip, ExtraFilesGoInUnderTheirBareNames) {
    TempDir root;
    writeFile(root.file("A.DBF"), "a");
    std::filesystem::create_directory(root.file("altrove"));
    writeFile(root.file("altrove/LOGO.BMP"), "bmp");
    test::ScopedChdir in(root.path());
    ASSERT_TRUE(zip("copia.zip", {"A.DBF", root.file("altrove/LOGO.BMP")}));
    EXPECT_EQ(test::entryNames("copia.zip"), (std::vector<std::string>{"A.DBF", "LOGO.BMP"}));
}

// Every failure shows its message, returns false and leaves the previous
// archive as it was, with no temporary file beside it.
TEST(BackupZip, FailuresKeepThePreviousArchive) {
    const QString missing = QStringLiteral("Impossibile trovare il file;;");
    const QString cannot =
        QStringLiteral("Si è verificato un errore durante la creazione del file;;");
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::string archive;  // relative to the data folder
        QString message;
    } cases[] = {
        {"a listed file is missing", {"A.DBF", "MANCA.DBF"}, "copia.zip", missing + "MANCA.DBF"},
        {"a listed file cannot be read",
         {"A.DBF", "CARTELLA.DBF"},
         "copia.zip",
         cannot + "copia.zip"},
        {"the archive's folder does not exist",
         {"A.DBF"},
         "manca/copia.zip",
         cannot + "manca/copia.zip"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        test::ScopedChdir in(dir.path());
        writeFile("A.DBF", "a");
        std::filesystem::create_directory("CARTELLA.DBF");
        writeFile("copia.zip", "previous archive");
        auto before = test::snapshot(dir.path());

        test::ScopedScriptedPort port;
        EXPECT_FALSE(zip(c.archive, c.files)) << c.what;
        ASSERT_EQ(port.log().messages.size(), 1u) << c.what;
        EXPECT_EQ(port.log().messages[0].text, shown(c.message)) << c.what;
        EXPECT_EQ(port.log().messages[0].mode, 1) << c.what;
        EXPECT_EQ(test::snapshot(dir.path()), before) << c.what;
    }
}

TEST(BackupZip, DataFolderNotReady) {
    TempDir root;
    test::ScopedScriptedPort port;
    EXPECT_FALSE(backupFolder(root.file("assente"), root.file("copia.zip")));
    ASSERT_EQ(port.log().messages.size(), 1u);
    EXPECT_EQ(port.log().messages[0].text, QStringLiteral("Disco non pronto."));
    EXPECT_FALSE(std::filesystem::exists(root.file("copia.zip")));
}

TEST(BackupNames, DefaultArchiveNameAndExtension) {
    EXPECT_EQ(defaultArchiveName(Date::fromYmd(2025, 12, 9)),
              "Salvataggio archivi DRAV del 091225.zip");
    EXPECT_EQ(defaultArchiveName(Date::fromYmd(2003, 1, 5)),
              "Salvataggio archivi DRAV del 050103.zip");
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"copia", "copia.zip"},
        {"copia.zip", "copia.zip"},
        {"copia.ZIP", "copia.ZIP"},
        {"/media/chiavetta/copia", "/media/chiavetta/copia.zip"},
        {"/media/chiavetta.1/copia", "/media/chiavetta.1/copia.zip"},
        {"copia.bak", "copia.bak"},
    };
    for (const auto& c : cases) EXPECT_EQ(withZipExtension(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace drav::data
