// The table access layer between stations: real second processes holding a
// table open or locked while this one waits behind its message, two
// stations waiting for the same whole-table lock, and client codes numbered
// by several stations at once.
#include "data/access/TableAccess.h"
#include "tests/data/access_fixture.h"
#include "tests/support/Child.h"
#include "util/Messages.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <set>
#include <thread>

namespace drav::data {
namespace {

using namespace testaccess;
using test::ChildProcess;
using test::startChild;

const QString kBusy = QStringLiteral("Il sistema è momentaneamente occupato...");

// A station that runs its steps in order: "shared" or "exclusive" (open),
// "lock-file", "lock-record:N", "unlock", "close", "ready" (says so),
// "wait" (for a line from the test).
DRAV_TEST_CHILD(accessStation, args) {
    TableFile t;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        Status s;
        if (a == "shared")
            s = t.open(args[0], File::Share::Shared, false);
        else if (a == "exclusive")
            s = t.open(args[0], File::Share::Exclusive, false);
        else if (a == "lock-file")
            s = t.lockFile();
        else if (a.rfind("lock-record:", 0) == 0)
            s = t.lockRecord(static_cast<uint32_t>(std::stoul(a.substr(12))));
        else if (a == "unlock")
            s = t.unlockAll();
        else if (a == "close")
            s = t.close();
        else if (a == "ready")
            test::childWriteLine("ready");
        else if (a == "wait")
            test::childReadLine();
        if (!s) return 10 + static_cast<int>(i);
    }
    return 0;
}

// ---- Opens that wait -------------------------------------------------------------

TEST_F(AccessTest, OpenWaitsBehindItsMessageUntilTheOtherStationCloses) {
    std::string path = clienti({{"1", "A"}});
    struct Case {
        const char* other;  // how the other station has the table open
        bool shared;        // how this station opens it
        const char* text;   // the wait message; nullptr: no wait
        const char* title;
    } cases[] = {
        {"shared", false, "Spegnere tutti i terminali...", "Attenzione"},
        {"exclusive", false, "Spegnere tutti i terminali...", "Attenzione"},
        {"exclusive", true, "E' in corso un'operazione di sistema...", "Attendere"},
        {"shared", true, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.other) + (c.shared ? " / shared" : " / exclusive"));
        log() = test::ScriptedPort::Log();
        errorLog.errors.clear();
        ChildProcess other = startChild("accessStation", {path, c.other, "ready", "wait", "close"});
        ASSERT_EQ(other.readLine(), "ready");

        waitMsg(QStringLiteral("Elaborazione in corso..."));
        bool released = false;
        int disabledWhileWaiting = -1;
        log().onWaitOpen = [&](const QString& text) {
            if (c.text && text == QString::fromUtf8(c.text)) {
                disabledWhileWaiting = log().disabled;
                other.writeLine("go");
                released = true;
            }
        };
        Table& t = dbOpen(true, path, {}, c.shared);
        log().onWaitOpen = nullptr;
        if (!released) other.writeLine("go");
        EXPECT_EQ(other.wait(), 0);

        EXPECT_EQ(t.isShared(), c.shared);
        EXPECT_EQ(t.text("CODICE"), "1" + std::string(9, ' '));
        EXPECT_EQ(curMsg(), QStringLiteral("Elaborazione in corso..."));
        EXPECT_EQ(log().disabled, 0);
        if (c.text) {
            EXPECT_TRUE(released);
            EXPECT_EQ(disabledWhileWaiting, 1);
            EXPECT_EQ(log().waitTexts,
                      (std::vector<QString>{"Elaborazione in corso...", QString::fromUtf8(c.text),
                                            "Elaborazione in corso..."}));
            EXPECT_EQ(log().waitTitles, (std::vector<QString>{"Attendere", c.title, "Attendere"}));
            // The sharing violation reached the handler once, as a soft failure.
            ASSERT_EQ(errorLog.errors.size(), 1u);
            EXPECT_EQ(errorLog.errors[0].genCode, gen::Open);
            EXPECT_EQ(errorLog.errors[0].osCode, oscode::SharingViolation);
            EXPECT_TRUE(errorLog.errors[0].canDefault);
        } else {
            EXPECT_EQ(log().waitTexts.size(), 1u);
            EXPECT_TRUE(errorLog.errors.empty());
        }
        waitClose();
        closeAll();
    }
}

// ---- Locks that wait -------------------------------------------------------------

TEST_F(AccessTest, LocksWaitBehindTheBusyMessageUntilGranted) {
    struct Case {
        const char* held;  // what the other station holds
        const char* want;  // "record", "file" or "append", on record 1
        bool waits;
    } cases[] = {
        {"lock-file", "record", true},      {"lock-record:1", "file", true},
        {"lock-record:1", "record", true},  {"lock-file", "append", true},
        {"lock-record:2", "record", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.held) + " / " + c.want);
        std::string path = dir.file("T" + std::to_string(&c - cases) + ".DBF");
        makeTable(path, {{"1", "A"}, {"2", "B"}});
        log() = test::ScriptedPort::Log();
        ChildProcess other = startChild(
            "accessStation", {path, "shared", c.held, "ready", "wait", "unlock", "close"});
        ASSERT_EQ(other.readLine(), "ready");

        Table& t = dbOpen(true, path);
        waitMsg(QStringLiteral("Aggiornamento archivi in corso..."));
        bool released = false;
        log().onWaitOpen = [&](const QString& text) {
            if (text == kBusy) {
                other.writeLine("go");
                released = true;
            }
        };
        const std::string want = c.want;
        if (want == "record")
            dbLock(true);
        else if (want == "file")
            dbLock(false);
        else
            dbApp();
        log().onWaitOpen = nullptr;
        if (!released) other.writeLine("go");
        EXPECT_EQ(other.wait(), 0);

        EXPECT_EQ(released, c.waits);
        EXPECT_EQ(curMsg(), QStringLiteral("Aggiornamento archivi in corso..."));
        if (c.waits) {
            EXPECT_EQ(log().waitTexts,
                      (std::vector<QString>{"Aggiornamento archivi in corso...", kBusy,
                                            "Aggiornamento archivi in corso..."}));
        }
        if (want == "record") {
            EXPECT_TRUE(t.hasRecordLock());
        }
        if (want == "file") {
            EXPECT_TRUE(t.hasFileLock());
        }
        if (want == "append") {
            // The new blank record, with the whole table and itself locked.
            EXPECT_EQ(t.recno(), 3u);
            EXPECT_EQ(t.lastRec(), 3u);
            EXPECT_TRUE(t.hasFileLock());
            EXPECT_TRUE(t.hasRecordLock());
            EXPECT_EQ(t.text("CODICE"), std::string(10, ' '));
        }
        waitClose();
        closeAll();
    }
}

// Holds record 2 of the table, then, told to, waits for the whole table;
// gives it back after a moment.
DRAV_TEST_CHILD(recordThenFile, args) {
    ::alarm(20);  // a station left waiting for ever is a failure, not a hang
    TEST_setLockQuietPeriod(std::chrono::milliseconds(50));
    Table& t = dbOpen(true, args[0]);
    t.goTo(2);
    dbLock(true);
    test::childWriteLine("locked");
    test::childReadLine();
    dbLock(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    dbUnlock();
    closeAll();
    return 0;
}

TEST_F(AccessTest, TwoStationsWaitingForTheWholeTableDoNotBlockEachOther) {
    // Each holds a record lock and asks for the file lock: each must give
    // its record lock up while it waits, or neither ever gets the table.
    std::string path = clienti({{"1", "A"}, {"2", "B"}});
    Table& t = dbOpen(true, path);
    dbLock(true);  // record 1
    ChildProcess other = startChild("recordThenFile", {path});
    ASSERT_EQ(other.readLine(), "locked");
    other.writeLine("go");
    dbLock(false);
    EXPECT_TRUE(t.hasFileLock());
    dbUnlock();
    EXPECT_EQ(other.wait(), 0);
}

// ---- Client codes from several stations -----------------------------------------

// Adds args[1] clients, each numbered with nextCode, and says their codes.
DRAV_TEST_CHILD(numberClients, args) {
    TEST_setLockQuietPeriod(std::chrono::milliseconds(50));
    Table& t = dbOpen(true, args[0]);
    test::childWriteLine("ready");
    test::childReadLine();
    int n = std::stoi(args[1]);
    std::vector<std::string> codes;
    for (int i = 0; i < n; ++i) {
        dbApp();
        std::string code = nextCode();
        t.put("CODICE", code);
        t.put("CLIENTE", args[2]);
        dbCommit();
        dbUnlock();
        codes.push_back(code);
    }
    for (const std::string& c : codes) test::childWriteLine(c);
    closeAll();
    return 0;
}

TEST_F(AccessTest, StationsNumberingClientsAtOnceGetDistinctCodes) {
    std::string path = clienti({});
    const int stations = 3, each = 15;
    std::vector<ChildProcess> children;
    for (int i = 0; i < stations; ++i)
        children.push_back(
            startChild("numberClients", {path, std::to_string(each), "S" + std::to_string(i)}));
    for (auto& c : children) ASSERT_EQ(c.readLine(), "ready");
    for (auto& c : children) c.writeLine("go");
    std::set<std::string> given;
    for (auto& c : children) {
        for (int i = 0; i < each; ++i) given.insert(c.readLine());
        EXPECT_EQ(c.wait(), 0);
    }
    std::set<std::string> expected;
    for (int i = 1; i <= stations * each; ++i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%10d", i);
        expected.insert(buf);
    }
    EXPECT_EQ(given, expected);

    // The file holds the same codes, one client each, in the order given.
    Table& t = dbOpen(true, path);
    EXPECT_EQ(t.keyCount(), uint64_t(stations * each));
    int n = 0;
    for (t.goTop(); !t.eof(); t.skip()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%10d", ++n);
        EXPECT_EQ(t.text("CODICE"), buf);
    }
}

}  // namespace
}  // namespace drav::data
