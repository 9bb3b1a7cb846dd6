// Two stations filing clients at the same time, as real processes on the
// same data folder: every client gets a code of its own, and an identifier
// both try to file is filed once.
#include "tests/clients/ClientsFixture.h"

#include "data/access/KeySearch.h"
#include "tests/support/Child.h"

#include <set>

namespace drav::clients::test {
namespace {

constexpr int kEach = 15;

// args: data folder, station name. Files kEach clients of its own and,
// every fifth one, the shared identifier in its own letter case.
DRAV_TEST_CHILD(fileClients, args) {
    drav::test::ScopedChdir chdir(args[0]);
    prepareStation(args[0], args[1]);
    drav::test::ScopedScriptedPort port;
    data::Table& t = data::dbOpen(true, "CLIENTI");
    data::ordAdd("CLIENTI");
    drav::test::childWriteLine("ready");
    if (drav::test::childReadLine() != "go") return 2;
    int duplicates = 0;
    for (int i = 0; i < kEach; ++i) {
        if (saveClient(t, card(args[1] + "-" + std::to_string(i)), std::nullopt) !=
            SaveOutcome::Saved)
            return 3;
        if (i % 5 == 0 && saveClient(t, card(args[1] == "A" ? "comune" : "COMUNE"), std::nullopt) ==
                              SaveOutcome::Duplicate)
            ++duplicates;
    }
    data::closeAll();
    drav::test::childWriteLine(std::to_string(duplicates));
    return 0;
}

using TwoStations = ClientsTest;

TEST_F(TwoStations, DistinctCodesAndNoDuplicateIdentifier) {
    std::vector<drav::test::ChildProcess> stations;
    for (const char* name : {"A", "B"}) {
        stations.push_back(drav::test::startChild("fileClients", {m_dir.path(), name}));
        ASSERT_EQ(stations.back().readLine(), "ready");
    }
    for (auto& s : stations) s.writeLine("go");
    int duplicates = 0;
    for (auto& s : stations) {
        duplicates += std::stoi(s.readLine());
        EXPECT_EQ(s.wait(), 0);
    }
    // Six attempts at the shared identifier, one of them filed.
    EXPECT_EQ(duplicates, 5);

    data::Table& t = openClienti();
    std::set<std::string> codes;
    int shared = 0;
    for (t.goTop(); !t.eof(); t.skip()) {
        codes.insert(t.text("CODICE"));
        shared += data::keyCapitals(trimRight(t.text("CLIENTE"))) == "COMUNE";
    }
    EXPECT_EQ(shared, 1);
    EXPECT_EQ(codes.size(), size_t(2 * kEach + 1));
    EXPECT_EQ(*codes.rbegin(), padTo("", 8) + std::to_string(2 * kEach + 1));
}

}  // namespace
}  // namespace drav::clients::test
