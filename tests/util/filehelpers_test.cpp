// File-name, folder and file helpers, and the network-mode marker.
#include "util/FileHelpers.h"
#include "tests/support/Child.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"
#include "util/Date.h"
#include "util/NetMarker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace drav {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST(FileNames, ExtensionAndBaseName) {
    struct Case {
        const char* path;
        const char* ext;
        const char* base;
    } cases[] = {
        {"CLIENTI.DBF", "DBF", "CLIENTI"},
        {"  /dati/CLIENTI.DBF  ", "DBF", "CLIENTI"},
        {"CLIENTI", "", "CLIENTI"},
        {"/dati/BACKUP.2024.ZIP", "ZIP", "BACKUP.2024"},
        {"/dati.old/CLIENTI", "", "CLIENTI"},  // a "." in a folder is no extension
        {"NOME.", "", "NOME"},
        {"/dati/", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cFileExt(c.path), c.ext) << c.path;
        EXPECT_EQ(cFileNoExt(c.path), c.base) << c.path;
    }
}

TEST(FileNames, FullPathAndCurrentFolder) {
    TempDir dir;
    test::ScopedChdir in(dir.path());
    const std::string here = fs::current_path().string();
    struct Case {
        std::string path;
        std::string expected;
    } cases[] = {
        {"DRAV.CFG", here},
        {"sub/F.TXT", here + "/sub"},
        {"./sub/../F.TXT", here},
        {"/a/b/c.txt", "/a/b"},
        {"/a/./b/../c/d.txt", "/a/c"},
        {"/x", "/"},
        {"/", "/"},
        {"/a/b/", "/a/b"},
    };
    for (const auto& c : cases) EXPECT_EQ(fullPath(c.path), c.expected) << c.path;

    EXPECT_EQ(curPath(), here + "/");
    test::ScopedChdir root("/");
    EXPECT_EQ(curPath(), "/");
}

TEST(Folders, DisksAreExistingFoldersInOrder) {
    std::vector<std::string> disks = aDisk();
    ASSERT_FALSE(disks.empty());
    EXPECT_EQ(disks.front(), "/");
    EXPECT_TRUE(std::is_sorted(disks.begin(), disks.end()));
    for (const auto& d : disks) EXPECT_TRUE(fs::is_directory(d)) << d;
    EXPECT_EQ(std::count(disks.begin(), disks.end(), "/proc"), 0);
}

TEST(Folders, WildExpListsMaskByMaskWithHiddenFiles) {
    TempDir dir;
    for (const char* name : {"CLIENTI.DBF", "CLIENTI.DBT", "CORSE.DBF", ".NASCOSTO.DBF", "NOTE.TXT",
                             "PONY.DBF", "CLIENTI.NTX"})
        writeFile(dir.file(name), "x");
    fs::create_directory(dir.file("ARCHIVIO.DBF"));  // a folder is not a file
    ::chmod(dir.file("PONY.DBF").c_str(), 0444);     // read-only files are listed

    test::ScopedChdir in(dir.path());
    std::vector<std::string> got = wildExp({"*.TXT", "*.DB?"});
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0], "NOTE.TXT");
    EXPECT_EQ(sorted({got.begin() + 1, got.end()}),
              (std::vector<std::string>{".NASCOSTO.DBF", "CLIENTI.DBF", "CLIENTI.DBT", "CORSE.DBF",
                                        "PONY.DBF"}));

    // A folder in the mask, letter case ignored; a name matching two masks twice.
    EXPECT_EQ(sorted(wildExp({dir.path() + "/corse.*", dir.path() + "/C*.dbf"})),
              (std::vector<std::string>{"CLIENTI.DBF", "CORSE.DBF", "CORSE.DBF"}));
    EXPECT_TRUE(wildExp({dir.path() + "/MANCA/*.DBF", "*.ZIP"}).empty());
    writeFile(dir.file("LEGGIMI"), "x");
    EXPECT_EQ(wildExp({"*.*"}).size(), 8u);  // every file, LEGGIMI included
    EXPECT_TRUE(wildExp({}).empty());
}

TEST(Folders, DelDirEmptiesTheFolderAndKeepsIt) {
    TempDir dir;
    const std::string sub = dir.file("TEMP");
    fs::create_directories(sub + "/INTERNA");
    for (const char* name : {"A.TMP", ".NASCOSTO",
                             "\x7F"
                             "2026030512345"})
        writeFile(sub + "/" + name, "x");
    writeFile(sub + "/INTERNA/B.TMP", "x");
    fs::create_symlink(dir.file("ALTROVE"), sub + "/LINK");  // a dangling link goes too
    writeFile(dir.file("FUORI.TMP"), "x");

    EXPECT_TRUE(delDir(sub));
    EXPECT_TRUE(fs::is_directory(sub));
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(sub)) left.push_back(e.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"INTERNA"});
    EXPECT_TRUE(fs::exists(sub + "/INTERNA/B.TMP"));
    EXPECT_TRUE(fs::exists(dir.file("FUORI.TMP")));

    EXPECT_FALSE(delDir(dir.file("MANCA")));
}

TEST(Folders, IsReadyShowsItsMessageOnlyWhenAsked) {
    TempDir dir;
    writeFile(dir.file("FILE.TXT"), "x");
    test::ScopedScriptedPort port;
    EXPECT_TRUE(isReady(""));
    EXPECT_TRUE(isReady(dir.path()));
    EXPECT_TRUE(port.log().messages.empty());

    EXPECT_FALSE(isReady(dir.file("MANCA")));
    ASSERT_EQ(port.log().messages.size(), 1u);
    EXPECT_EQ(port.log().messages[0].text, "Disco non pronto.");
    EXPECT_EQ(port.log().messages[0].mode, 1);

    EXPECT_FALSE(isReady(dir.file("FILE.TXT"), true));  // a file is not a folder
    EXPECT_FALSE(isReady(dir.file("MANCA"), false));
    EXPECT_EQ(port.log().messages.size(), 2u);
}

TEST(Files, NewNamesNeverRepeat) {
    const std::string before = Date::today().dtos();
    std::vector<std::string> names;
    for (int i = 0; i < 25; ++i) names.push_back(getNewFName());
    const std::string after = Date::today().dtos();

    long previous = -1;
    std::string previousDate;
    for (const auto& n : names) {
        ASSERT_GE(n.size(), 10u) << n;
        EXPECT_EQ(n[0], '\x7F');
        std::string date = n.substr(1, 8), time = n.substr(9);
        EXPECT_TRUE(date == before || date == after) << n;
        EXPECT_TRUE(std::all_of(time.begin(), time.end(), ::isdigit)) << n;
        EXPECT_TRUE(time == "0" || time[0] != '0') << n;  // no leading zeros
        long hundredths = std::stol(time);
        EXPECT_LT(hundredths, 24L * 3600 * 100);
        if (date == previousDate) {
            EXPECT_GT(hundredths, previous) << n;
        }
        previous = hundredths;
        previousDate = date;
    }
    std::vector<std::string> ordered = sorted(names);
    EXPECT_EQ(std::adjacent_find(ordered.begin(), ordered.end()), ordered.end());
}

// Opens the file as an unprivileged user (root may write anything) and
// reports isReadOnly and the message shown.
DRAV_TEST_CHILD(readOnlyCheck, args) {
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 3;
    test::ScopedScriptedPort port;
    bool ro = isReadOnly(args.at(0));
    test::childWriteLine(ro ? "1" : "0");
    test::childWriteLine(port.log().messages.empty()
                             ? "-"
                             : port.log().messages[0].text.toStdString() + " " +
                                   std::to_string(port.log().messages[0].mode));
    return 0;
}

TEST(Files, IsReadOnly) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    writeFile(dir.file("SCRIVI.TXT"), "x");
    writeFile(dir.file("LEGGI.TXT"), "x");
    ::chmod(dir.file("LEGGI.TXT").c_str(), 0444);
    {
        test::ScopedScriptedPort port;
        EXPECT_FALSE(isReadOnly(dir.file("SCRIVI.TXT")));
        EXPECT_FALSE(isReadOnly(dir.file("MANCA.TXT")));
        EXPECT_TRUE(port.log().messages.empty());
        EXPECT_EQ(test::readFile(dir.file("SCRIVI.TXT")), "x");  // opened, never changed
        EXPECT_FALSE(fs::exists(dir.file("MANCA.TXT")));         // never created
    }
    test::ChildProcess child = test::startChild("readOnlyCheck", {dir.file("LEGGI.TXT")});
    EXPECT_EQ(child.readLine(), "1");
    EXPECT_EQ(child.readLine(), "File non accessibile. 1");
    EXPECT_EQ(child.wait(), 0);
}

std::vector<std::string> readAllLines(const std::string& path, size_t block) {
    int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<std::string> lines;
    while (auto line = fReadLine(fd, block)) lines.push_back(*line);
    ::close(fd);
    return lines;
}

TEST(Files, ReadLineWithEveryTerminator) {
    TempDir dir;
    // CR LF, LF and CR lines, empty lines of each kind, no terminator at the end.
    writeFile(dir.file("RIGHE.TXT"), "uno\r\ndue\ntre\rquat\r\n\r\nsei\n\nette\r\rnove");
    const std::vector<std::string> expected = {"uno", "due", "tre",  "quat", "",
                                               "sei", "",    "ette", "",     "nove"};
    // Any block that holds the longest line gives the same lines, whether a
    // CR LF pair falls inside a block or across its end.
    for (size_t block : {4, 5, 6, 7, 9, 128})
        EXPECT_EQ(readAllLines(dir.file("RIGHE.TXT"), block), expected) << "block " << block;

    writeFile(dir.file("FINE.TXT"), "uno\r\n");
    EXPECT_EQ(readAllLines(dir.file("FINE.TXT"), 128), std::vector<std::string>{"uno"});
    writeFile(dir.file("VUOTO.TXT"), "");
    EXPECT_TRUE(readAllLines(dir.file("VUOTO.TXT"), 128).empty());

    // The position stands right after the line and its terminator.
    int fd = ::open(dir.file("RIGHE.TXT").c_str(), O_RDONLY);
    EXPECT_EQ(fReadLine(fd), "uno");
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 5);
    EXPECT_EQ(fReadLine(fd), "due");
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 9);
    ::close(fd);
}

TEST(Files, ReadLineLongerThanTheBlockComesInPieces) {
    TempDir dir;
    writeFile(dir.file("LUNGA.TXT"), "abcdefghij\r\nxy\n");
    EXPECT_EQ(readAllLines(dir.file("LUNGA.TXT"), 4),
              (std::vector<std::string>{"abcd", "efgh", "ij", "xy"}));
    // A terminator right after a full piece ends it; no empty line follows.
    EXPECT_EQ(readAllLines(dir.file("LUNGA.TXT"), 5),
              (std::vector<std::string>{"abcde", "fghij", "xy"}));
    std::string longLine(1000, 'z');
    writeFile(dir.file("MILLE.TXT"), longLine + "\nfine");
    std::vector<std::string> pieces = readAllLines(dir.file("MILLE.TXT"), 128);
    ASSERT_EQ(pieces.size(), 9u);
    std::string joined;
    for (size_t i = 0; i + 1 < pieces.size(); ++i) joined += pieces[i];
    EXPECT_EQ(joined, longLine);
    EXPECT_EQ(pieces.back(), "fine");
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(NetMarker, LookedUpOnEveryCall) {
    TempDir dir;
    const std::string marker = dir.file("NET");
    {
        ScopedEnv env("KOLT_NET_MARKER", marker.c_str());
        EXPECT_EQ(netMarkerPath(), marker);
        EXPECT_FALSE(networkMode());
        writeFile(marker, "");
        EXPECT_TRUE(networkMode());
        fs::remove(marker);
        EXPECT_FALSE(networkMode());
    }
    ScopedEnv unset("KOLT_NET_MARKER", nullptr);
    EXPECT_EQ(netMarkerPath(), "/etc/kolt/NET");
}

}  // namespace
}  // namespace drav
