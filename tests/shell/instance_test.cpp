// The instance: its name and private folder held by the locked "USER" file,
// never shared between instances of one process or of several started
// together; the start-up clean-up that removes dead instances' folders and
// leaves running ones; the station table; the end of the instance and its
// messages.
#include "shell/Instance.h"
#include "data/access/TableAccess.h"
#include "data/dbf/TableFile.h"
#include "shell/Startup.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/Child.h"
#include "tests/support/ScriptedPort.h"
#include "util/Paths.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

namespace drav::shell {
namespace {

using test::ChildProcess;
using test::entries;
using test::startChild;
using test::TempDir;

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// True when another open file holds the lock on byte 0 of the file.
bool heldElsewhere(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_len = 1;
    bool held = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

class InstanceTest : public ::testing::Test {
protected:
    TempDir data, temp;
    ScopedEnv noMarker{"KOLT_NET_MARKER", data.file("KOLT/NET")};  // not there
};

// ---- Set-up ----------------------------------------------------------------------

TEST_F(InstanceTest, SetUpMakesAPrivateFolderHeldByItsUserFile) {
    std::string savedFolder = instanceFolder();
    Instance inst(data.path(), temp.path());
    ASSERT_TRUE(inst.setUp());

    // 0x7F, today's date, the hundredths of the day.
    char today[16];
    std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%Y%m%d", std::localtime(&now));
    const std::string& name = inst.name();
    ASSERT_GT(name.size(), 9u);
    EXPECT_EQ(name[0], '\x7F');
    EXPECT_EQ(name.substr(1, 8), today);
    EXPECT_EQ(name.substr(9).find_first_not_of("0123456789"), std::string::npos);

    EXPECT_EQ(inst.folder(), temp.path() + "/" + name + "/");
    EXPECT_EQ(entries(temp.path()), std::set<std::string>{name});  // no staging folder left
    struct stat st;
    ASSERT_EQ(::stat(inst.folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(heldElsewhere(inst.folder() + "USER"));
    EXPECT_EQ(instanceFolder(), inst.folder());
    EXPECT_EQ(setTemp(), inst.folder());
    EXPECT_EQ(setUser(), name);
    EXPECT_GE(setHUser(), 0);

    // The station table: the file NET, field LOCK C 1, one blank record.
    EXPECT_EQ(entries(data.path()), std::set<std::string>{"NET"});
    data::TableFile net;
    ASSERT_TRUE(net.open(data.file("NET"), data::File::Share::Exclusive, true));
    ASSERT_EQ(net.fieldCount(), 1);
    EXPECT_EQ(net.field(0), (data::FieldDef{"LOCK", 'C', 1, 0}));
    uint32_t count = 0;
    ASSERT_TRUE(net.recCount(&count));
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(net.fieldBytes(0), " ");
    ASSERT_TRUE(net.close());

    inst.end();
    EXPECT_TRUE(entries(temp.path()).empty());
    EXPECT_FALSE(inst.isSetUp());
    EXPECT_EQ(instanceFolder(), "");
    EXPECT_EQ(setHUser(), -1);
    setInstanceFolder(savedFolder);
}

TEST_F(InstanceTest, TwoInstancesOfOneProcessNeverShareAFolder) {
    Instance a(data.path(), temp.path()), b(data.path(), temp.path());
    ASSERT_TRUE(a.setUp());
    ASSERT_TRUE(b.setUp());
    EXPECT_NE(a.name(), b.name());
    EXPECT_NE(a.folder(), b.folder());
    EXPECT_TRUE(heldElsewhere(a.folder() + "USER"));
    EXPECT_TRUE(heldElsewhere(b.folder() + "USER"));
    a.end();
    EXPECT_TRUE(exists(b.folder() + "USER"));
    b.end();
    setInstanceFolder("");
}

TEST_F(InstanceTest, ANameAnotherInstanceTookIsNeverShared) {
    // The folders the next half second of names would give, already made
    // (empty, as another instance has them just after making them).
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    char day[16];
    std::strftime(day, sizeof day, "%Y%m%d", &tm);
    long hundredths =
        (tm.tm_hour * 3600L + tm.tm_min * 60L + tm.tm_sec) * 100 + ts.tv_nsec / 10000000;
    std::set<std::string> taken;
    for (long h = hundredths; h < hundredths + 50; ++h) {
        std::string name = std::string("\x7F") + day + std::to_string(h);
        ASSERT_EQ(::mkdir(temp.file(name).c_str(), 0700), 0);
        taken.insert(name);
    }
    Instance inst(data.path(), temp.path());
    ASSERT_TRUE(inst.setUp());
    EXPECT_EQ(taken.count(inst.name()), 0u) << "took a folder of another instance";
    for (const std::string& name : taken) EXPECT_TRUE(entries(temp.file(name)).empty()) << name;
    inst.end();
    setInstanceFolder("");
}

// An instance in its own process: set up on "go", says its folder, then
// ends on "end" or stays as it is on anything else (a crash).
DRAV_TEST_CHILD(instanceUp, args) {
    Instance inst(args[0], args[1]);
    test::childReadLine();
    if (!inst.setUp()) return 1;
    test::childWriteLine(inst.folder());
    if (test::childReadLine() == "end") inst.end();
    return 0;
}

TEST_F(InstanceTest, InstancesStartedTogetherNeverShareAFolder) {
    test::writeFile(data.file("NET"), "");  // the station table is there already
    const int n = 4;
    std::vector<ChildProcess> children;
    for (int i = 0; i < n; ++i)
        children.push_back(startChild("instanceUp", {data.path(), temp.path()}));
    for (auto& c : children) c.writeLine("go");
    std::set<std::string> folders;
    for (auto& c : children) {
        std::string f = c.readLine();
        ASSERT_FALSE(f.empty());
        folders.insert(f);
        EXPECT_TRUE(heldElsewhere(f + "USER")) << f;
    }
    EXPECT_EQ(folders.size(), size_t(n));
    EXPECT_EQ(entries(temp.path()).size(), size_t(n));  // no staging folder left
    for (auto& c : children) c.writeLine("end");
    for (auto& c : children) EXPECT_EQ(c.wait(), 0);
    EXPECT_TRUE(entries(temp.path()).empty());
}

// ---- Clean-up at process start ----------------------------------------------------

TEST_F(InstanceTest, CleanUpRemovesWhatDeadInstancesLeftAndKeepsRunningOnes) {
    test::writeFile(data.file("NET"), "");
    ChildProcess running = startChild("instanceUp", {data.path(), temp.path()});
    ChildProcess killed = startChild("instanceUp", {data.path(), temp.path()});
    running.writeLine("go");
    killed.writeLine("go");
    std::string runningFolder = running.readLine();
    std::string deadFolder = killed.readLine();
    ::kill(killed.pid(), SIGKILL);
    killed.wait();
    // What a dead instance may leave: hidden and read-only files too.
    test::writeFile(deadFolder + ".nascosto", "x");
    test::writeFile(deadFolder +
                        "\x7F"
                        "3.WMF",
                    "x");
    ::chmod((deadFolder + "\x7F"
                          "3.WMF")
                .c_str(),
            0444);
    // A running instance's folder with a temporary file of its own.
    test::writeFile(runningFolder + "\x7FVIEW2.NTX", "x");
    // Other things that must stay: a folder of another kind under TEMP, a
    // link to a folder elsewhere, temporary names in the data folder that
    // are not ordinary files.
    ASSERT_EQ(::mkdir(temp.file("ALTRO").c_str(), 0700), 0);
    TempDir elsewhere;
    test::writeFile(elsewhere.file("PREZIOSO"), "x");
    ASSERT_EQ(::symlink(elsewhere.path().c_str(), temp.file("\x7FLINK").c_str()), 0);
    test::writeFile(data.file("\x7F"
                              "20260305123.NTX"),
                    "x");
    ASSERT_EQ(::mkdir(data.file("\x7F"
                                "CARTELLA")
                          .c_str(),
                      0700),
              0);
    test::writeFile(data.file("CLIENTI.DBF"), "x");

    Instance next(data.path(), temp.path());
    next.cleanStale();

    EXPECT_FALSE(exists(deadFolder));
    EXPECT_TRUE(exists(runningFolder + "USER"));
    EXPECT_TRUE(exists(runningFolder + "\x7FVIEW2.NTX"));
    EXPECT_TRUE(exists(temp.file("ALTRO")));
    EXPECT_TRUE(exists(elsewhere.file("PREZIOSO")));
    EXPECT_EQ(entries(data.path()), (std::set<std::string>{"NET", "CLIENTI.DBF",
                                                           "\x7F"
                                                           "CARTELLA"}));

    running.writeLine("end");
    EXPECT_EQ(running.wait(), 0);
}

// ---- The station table ------------------------------------------------------------

TEST_F(InstanceTest, StationTableOnlyWhereThereIsNoneAndNotOnANetworkStation) {
    struct Case {
        bool marker;
        bool netBefore;
        bool netAfter;
    } cases[] = {{false, false, true}, {true, false, false}, {false, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("marker ") + (c.marker ? "yes" : "no") + ", NET " +
                     (c.netBefore ? "yes" : "no"));
        TempDir folder;
        ScopedEnv marker("KOLT_NET_MARKER", c.marker ? folder.file("MARKER") : folder.file("NO"));
        if (c.marker) test::writeFile(folder.file("MARKER"), "");
        std::string dataFolder = folder.file("DATI");
        ASSERT_EQ(::mkdir(dataFolder.c_str(), 0700), 0);
        if (c.netBefore) test::writeFile(dataFolder + "/NET", "gia'");
        sCreate(dataFolder);
        EXPECT_EQ(exists(dataFolder + "/NET"), c.netAfter);
        if (c.netBefore) {
            EXPECT_EQ(test::readFile(dataFolder + "/NET"), "gia'");
        }
        EXPECT_FALSE(exists(dataFolder + "/NET.DBF"));
        EXPECT_TRUE(data::usedSlots().empty());
    }
}

TEST_F(InstanceTest, AStationTableThatCannotBeMadeEndsTheProgram) {
    test::ErrorCapture capture;
    test::ScopedScriptedPort port;
    auto folder = test::unwritableFolder(data);
    if (!folder) GTEST_SKIP() << "no folder here refuses new files";
    test::ScopedChdir cd(*folder);
    EXPECT_THROW(user(), ProgramEnd);
    // Told either by the disk check or by the error handler.
    EXPECT_FALSE(capture.errors.empty() && port.log().messages.empty());
}

// ---- End of the instance ----------------------------------------------------------

TEST_F(InstanceTest, EndSaysWhatCouldNotBeDeleted) {
    struct Case {
        const char* refused;  // the path, under the folder, whose deletion fails
        const char* message;  // then the message, with the full path
    } cases[] = {
        {"SUB/B.TMP", "Impossibile cancellare il file %1."},
        {"SUB", "Impossibile cancellare la cartella %1."},
        {"", "Impossibile cancellare la cartella %1."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        test::ScopedScriptedPort port;
        Instance inst(data.path(), temp.path());
        ASSERT_TRUE(inst.setUp());
        ASSERT_EQ(::mkdir((inst.folder() + "SUB").c_str(), 0500), 0);  // read-only
        ::chmod((inst.folder() + "SUB").c_str(), 0700);
        test::writeFile(inst.folder() + "SUB/B.TMP", "x");
        ::chmod((inst.folder() + "SUB").c_str(), 0500);
        test::writeFile(inst.folder() + "A.TMP", "x");
        std::string refused = inst.folder() + c.refused;
        if (refused.back() == '/') refused.pop_back();
        auto previous =
            Instance::TEST_setRemoveFault([&](const std::string& path) { return path == refused; });
        inst.end();
        Instance::TEST_setRemoveFault(previous);

        ASSERT_EQ(port.log().messages.size(), 1u);
        EXPECT_EQ(port.log().messages[0].text,
                  QString::fromUtf8(c.message).arg(QString::fromLocal8Bit(refused.c_str())));
        EXPECT_EQ(port.log().messages[0].mode, 1);
        EXPECT_TRUE(exists(refused));
        EXPECT_FALSE(inst.isSetUp());
        // What is left goes with the next clean-up.
        Instance(data.path(), temp.path()).cleanStale();
        ::chmod((inst.folder() + "SUB").c_str(), 0700);
        std::filesystem::remove_all(inst.folder());
    }
    setInstanceFolder("");
}

}  // namespace
}  // namespace drav::shell
