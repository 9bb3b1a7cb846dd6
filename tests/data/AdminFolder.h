// A data folder made by drav-admin for the admin tests: every table and tag
// of the schema, and runs loaded into CORSE through the tool itself.
#pragma once

#include "tests/data/AdminRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace drav::test {

// One CSV row of a run: its day of March 2024, number, time, requester,
// suspension and sender's notes.
inline std::string runRow(int day, int numero, const std::string& ora, const std::string& cliente,
                          bool sospeso, const std::string& note) {
    char date[16];
    std::snprintf(date, sizeof date, "%02d/03/2024", day);
    return std::to_string(numero) + "," + date + "," + ora + "," + cliente + "," +
           (sospeso ? "T" : "F") + "," + note + "\n";
}
inline const char* const kRunHeader = "NUMERO,DATA,ORA,CLIENTE,SOSPESO,NOTMITT\n";

class AdminFolder : public ::testing::Test {
protected:
    void SetUp() override {
        admin = adminPath();
        if (!std::filesystem::exists(admin)) GTEST_SKIP() << "drav-admin not built";
        ASSERT_EQ(runCommand(cmd("init " + dir.path())), 0) << errors();
    }
    // The command line of drav-admin with these arguments, its messages
    // kept in a file of the folder.
    std::string cmd(const std::string& args) const {
        return admin + " " + args + " 2>>" + dir.file("admin.err");
    }
    std::string errors() const { return readFile(dir.file("admin.err")); }
    // Loads CSV text into a table; returns the exit code.
    int load(const std::string& table, const std::string& csv, const std::string& name = "in.csv") {
        writeFile(dir.file(name), csv);
        return runCommand(cmd("load " + dir.path() + " " + table + " " + dir.file(name)));
    }
    int check(std::string* out) const { return runCommand(cmd("check " + dir.path()), out); }

    TempDir dir;
    std::string admin;
};

}  // namespace drav::test
