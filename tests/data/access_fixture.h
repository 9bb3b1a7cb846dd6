// What the table access tests share: a data folder, a scripted user port,
// the errors handed to the handler, short lock waits, and small tables.
#pragma once

#include "data/access/TableAccess.h"
#include "data/dbf/TableFile.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"
#include "util/Error.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace drav::data::testaccess {

// Records every error and decides as the program's handler does: the soft
// failures of opens and appends fail, everything else abandons.
class ErrorLog {
public:
    ErrorLog()
        : m_previous(setErrorHandler([this](const ErrorInfo& e) {
              errors.push_back(e);
              bool soft = e.canDefault &&
                          ((e.genCode == gen::Open && e.osCode == oscode::SharingViolation) ||
                           e.genCode == gen::AppendLock);
              return soft ? ErrorOutcome::Fail : ErrorOutcome::Abandon;
          })) {}
    ~ErrorLog() { setErrorHandler(std::move(m_previous)); }
    std::vector<ErrorInfo> errors;

private:
    ErrorHandler m_previous;
};

// CODICE C 10, CLIENTE C 20, NOTE M 10: enough of CLIENTI for codes and memos.
inline std::vector<FieldDef> clientFields() {
    return {{"CODICE", 'C', 10, 0}, {"CLIENTE", 'C', 20, 0}, {"NOTE", 'M', 10, 0}};
}

struct Row {
    std::string codice;
    std::string cliente;
    bool deleted = false;
};

// Creates the table with the rows, written by a station of its own.
inline void makeTable(const std::string& path, const std::vector<Row>& rows) {
    ASSERT_TRUE(TableFile::create(path, clientFields()));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
    for (const Row& r : rows) {
        ASSERT_TRUE(t.append());
        ASSERT_TRUE(t.putField(0, r.codice));
        ASSERT_TRUE(t.putField(1, r.cliente));
        if (r.deleted) {
            ASSERT_TRUE(t.deleteRecord());
        }
        ASSERT_TRUE(t.commit());
    }
    ASSERT_TRUE(t.close());
}

class AccessTest : public ::testing::Test {
protected:
    void SetUp() override { m_quiet = TEST_setLockQuietPeriod(std::chrono::milliseconds(50)); }
    void TearDown() override {
        closeAll();
        TEST_setLockQuietPeriod(m_quiet);
    }
    // The table file CLIENTI.DBF of the test folder, made with the rows.
    std::string clienti(const std::vector<Row>& rows) {
        std::string path = dir.file("CLIENTI.DBF");
        makeTable(path, rows);
        return path;
    }
    test::ScriptedPort::Log& log() { return port.log(); }

    test::TempDir dir;
    test::ScopedScriptedPort port;
    ErrorLog errorLog;

private:
    std::chrono::milliseconds m_quiet{};
};

}  // namespace drav::data::testaccess
