// drav-admin load, dump and delete, run as the separate program it is:
// several loads at once, bad rows, a dump that loads back.
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/data/AdminRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace drav::data {
namespace {

using test::adminPath;
using test::readFile;
using test::TempDir;
using test::writeFile;

// The dump without its last column (the record numbers differ between tables).
std::string withoutRecno(const std::string& dump) {
    std::string out;
    size_t start = 0, end;
    while ((end = dump.find('\n', start)) != std::string::npos) {
        std::string line = dump.substr(start, end - start);
        out += line.substr(0, line.rfind(',')) + "\n";
        start = end + 1;
    }
    return out;
}

class DravAdmin : public ::testing::Test {
protected:
    void SetUp() override {
        admin = adminPath();
        if (!std::filesystem::exists(admin)) GTEST_SKIP() << "drav-admin not built";
        ASSERT_TRUE(TableFile::create(dir.file("CLIENTI.DBF"), findTable("CLIENTI")->fields));
    }
    std::string cmd(const std::string& args) {
        return admin + " " + args + " 2>>" + dir.file("err");
    }
    TempDir dir;
    std::string admin;
};

TEST_F(DravAdmin, SeveralLoadsAtOnceAllSucceedAndDumpListsEveryRow) {
    for (int k = 0; k < 3; ++k) {
        std::string csv = "NOTE,CLIENTE,COSTOCLIE,FATTURA\n";
        for (int i = 1; i <= 40; ++i)
            csv += "riga\\nsotto," + std::string("L") + std::to_string(k) + "-" +
                   std::to_string(i) + "," + std::to_string(i) + ".5,T\n";
        writeFile(dir.file("in" + std::to_string(k) + ".csv"), csv);
    }
    std::string d = dir.path();
    int rc = test::runCommand("sh -c '" + cmd("load " + d + " clienti " + d + "/in0.csv") +
                              " & a=$!; " + cmd("load " + d + " CLIENTI " + d + "/in1.csv") +
                              " & b=$!; " + cmd("load " + d + " CLIENTI < " + d + "/in2.csv") +
                              " & c=$!; " + "wait $a && wait $b && wait $c'");
    EXPECT_EQ(rc, 0) << readFile(dir.file("err"));

    std::string out;
    ASSERT_EQ(test::runCommand(cmd("dump " + d + " CLIENTI"), &out), 0);
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.substr(0, 14), "CODICE,CLIENTE");
    EXPECT_EQ(line.substr(line.size() - 13), ",FISSO,_RECNO");
    int rows = 0;
    while (std::getline(lines, line)) {
        ++rows;
        EXPECT_NE(line.find(",T,"), std::string::npos) << line;
        EXPECT_NE(line.find("riga\\nsotto"), std::string::npos) << line;
        EXPECT_EQ(line.substr(line.rfind(',') + 1), std::to_string(rows));
    }
    EXPECT_EQ(rows, 120);
}

TEST_F(DravAdmin, BadRowsAreReportedByLineAndTheOthersKept) {
    std::string d = dir.path();
    writeFile(dir.file("in.csv"),
              "CLIENTE,COSTOPONY,FATTURA,NOTE\n"
              "\"Caffè \"\"Roma\"\", Milano\",1.25,T,\"prima\\nseconda €\"\n"
              "Secondo,99.5,F,\n"  // N 4,2 cannot hold 99.50
              "Terzo,abc,F,\n"
              "Quarto,2,X,\n"
              "Quinto,3\n"
              "\"Sesto\nsu due righe\",0,F,\n"
              "Settimo ☃,0,F,\n"
              "Ottavo,0.5,F,\n");
    EXPECT_EQ(test::runCommand(cmd("load " + d + " CLIENTI " + d + "/in.csv")), 1);
    std::string err = readFile(dir.file("err"));
    for (const char* expected :
         {"riga 3: campo COSTOPONY: numero troppo grande",
          "riga 4: campo COSTOPONY: numero non valido",
          "riga 5: campo FATTURA: valore logico non valido", "riga 6: attesi 4 campi, trovati 2",
          "riga 9: campo CLIENTE: carattere non rappresentabile"})
        EXPECT_NE(err.find(expected), std::string::npos) << expected << "\n" << err;

    std::string out;
    ASSERT_EQ(test::runCommand(cmd("dump " + d + " CLIENTI"), &out), 0);
    EXPECT_NE(out.find("\"Caffè \"\"Roma\"\", Milano\""), std::string::npos) << out;
    EXPECT_NE(out.find("prima\\nseconda €"), std::string::npos);
    EXPECT_NE(out.find("\"Sesto\nsu due righe\""), std::string::npos);
    EXPECT_NE(out.find(",0.50,"), std::string::npos);

    // Deleted records leave the dump; unknown numbers are reported.
    EXPECT_EQ(test::runCommand(cmd("delete " + d + " CLIENTI 2 7")), 1);
    ASSERT_EQ(test::runCommand(cmd("dump " + d + " CLIENTI"), &out), 0);
    EXPECT_EQ(out.find("Sesto"), std::string::npos);
    EXPECT_NE(out.find("Ottavo"), std::string::npos);

    // A dump loads back as it is (its record numbers are not loaded).
    ASSERT_TRUE(TableFile::create(dir.file("COPIA.DBF"), findTable("CLIENTI")->fields));
    writeFile(dir.file("dump.csv"), out);
    EXPECT_EQ(test::runCommand(cmd("load " + d + " COPIA " + d + "/dump.csv")), 0);
    std::string copy;
    ASSERT_EQ(test::runCommand(cmd("dump " + d + " COPIA"), &copy), 0);
    EXPECT_EQ(withoutRecno(copy), withoutRecno(out));
}

}  // namespace
}  // namespace drav::data
