// drav-admin load on the runs table with its three tags: several loads at
// once keep every row and every tag exact; a bad row is written not at all.
#include "tests/data/AdminFolder.h"

#include <map>
#include <set>

namespace drav::data {
namespace {

using test::lines;
using test::runCommand;
using test::writeFile;

class AdminLoad : public test::AdminFolder {
protected:
    // The dump's rows (without the header), through a tag or in record order.
    std::vector<std::string> dumpRows(const std::string& args) {
        std::string out;
        EXPECT_EQ(runCommand(cmd("dump " + dir.path() + " CORSE " + args), &out), 0) << errors();
        std::vector<std::string> rows = lines(out);
        if (!rows.empty()) rows.erase(rows.begin());
        return rows;
    }
    static std::string column(const std::string& row, int n) {
        size_t at = 0;
        for (int i = 0; i < n; ++i) at = row.find(',', at) + 1;
        return row.substr(at, row.find(',', at) - at);
    }
};

TEST_F(AdminLoad, SeveralLoadsAtOnceKeepEveryRowAndEveryTagExact) {
    const int loads = 4, rows = 150;
    std::map<std::string, std::string> numberOf;  // requester -> NUMERO as loaded
    std::string script = "sh -c '";
    for (int k = 0; k < loads; ++k) {
        std::string csv = test::kRunHeader;
        for (int i = 0; i < rows; ++i) {
            std::string who = "L" + std::to_string(k) + "-" + std::to_string(i);
            int numero = i % 4 == 0 ? 0 : (k * rows + i) % 999 + 1;
            numberOf[who] = std::to_string(numero);
            csv += test::runRow(1 + i % 5, numero, i % 2 ? "09:30" : "14:05", who, i % 6 == 0,
                                i % 3 ? "nota\\nsu due righe " + who : "");
        }
        std::string file = "in" + std::to_string(k) + ".csv";
        writeFile(dir.file(file), csv);
        script += cmd("load " + dir.path() + " CORSE " + dir.file(file)) + " & p" +
                  std::to_string(k) + "=$!; ";
    }
    for (int k = 0; k < loads; ++k) script += "wait $p" + std::to_string(k) + " || exit 9; ";
    ASSERT_EQ(runCommand(script + "'"), 0) << errors();

    std::string out;
    EXPECT_EQ(check(&out), 0) << out << errors();
    EXPECT_EQ(out, "");

    // Every row is there once, with its own values.
    std::vector<std::string> all = dumpRows("");
    ASSERT_EQ(all.size(), size_t(loads * rows));
    std::set<std::string> seen;
    for (const std::string& row : all) {
        std::string who = column(row, 3);
        EXPECT_TRUE(seen.insert(who).second) << who;
        EXPECT_EQ(column(row, 0), numberOf[who]) << row;
    }
    // The tags list the numbered runs, the future ones, and all of them.
    size_t future = 0;
    for (const auto& [who, numero] : numberOf) future += numero == "0";
    EXPECT_EQ(dumpRows("--tag CORSE").size(), numberOf.size() - future);
    EXPECT_EQ(dumpRows("--tag FUTURE").size(), future);
    EXPECT_EQ(dumpRows("--tag SOSPESI").size(), numberOf.size());
}

TEST_F(AdminLoad, BadRowsAreLeftOutWholeAndTheTagsFollowTheGoodOnes) {
    // An unknown field refuses the whole file at its first line.
    EXPECT_EQ(load("CORSE", "NUMERO,DATAX\n1,01/03/2024\n"), 1);
    EXPECT_NE(errors().find("riga 1: la tabella CORSE non ha il campo DATAX"), std::string::npos)
        << errors();
    EXPECT_EQ(load("CORSE", "NUMERO,numero\n1,2\n"), 1);
    EXPECT_NE(errors().find("riga 1: campo numero ripetuto"), std::string::npos) << errors();
    EXPECT_TRUE(dumpRows("").empty());

    const std::string csv =
        std::string(test::kRunHeader) + test::runRow(1, 1, "08:00", "Buono uno", false, "") +
        "1000,01/03/2024,08:00,Troppo grande,F,nota\n" +
        test::runRow(1, 2, "08:00", std::string(36, 'L'), false, "") +
        "3,31/02/2024,08:00,Data sbagliata,F,\n" + "4,02/03/2024,08:00,Logico sbagliato,S,\n" +
        "abc,02/03/2024,08:00,Numero sbagliato,F,\n" +
        test::runRow(2, 0, "08:30", "Buono due", true, "ultima");
    EXPECT_EQ(load("CORSE", csv), 1);
    for (const char* expected :
         {"riga 3: campo NUMERO: numero troppo grande",
          "riga 4: campo CLIENTE: testo troppo lungo (massimo 35 caratteri)",
          "riga 5: campo DATA: data non valida", "riga 6: campo SOSPESO: valore logico non valido",
          "riga 7: campo NUMERO: numero non valido", "2 righe caricate, 5 scartate"})
        EXPECT_NE(errors().find(expected), std::string::npos) << expected << "\n" << errors();

    std::vector<std::string> rows = dumpRows("--tag SOSPESI");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(column(rows[0], 3), "Buono uno");
    EXPECT_EQ(column(rows[1], 3), "Buono due");  // suspended: after the others
    EXPECT_EQ(dumpRows("--tag FUTURE").size(), 1u);
    std::string out;
    EXPECT_EQ(check(&out), 0) << out;
}

}  // namespace
}  // namespace drav::data
