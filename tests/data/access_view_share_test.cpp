// Views of two running copies of the program on the same table: each builds
// its own file in its own instance folder, at the same time, and neither
// sees the other's view.
#include "tests/data/access_tags_fixture.h"
#include "tests/support/Child.h"

#include <unistd.h>

#include <gtest/gtest.h>

namespace drav::data {
namespace {

using namespace testaccess;
using test::ChildProcess;
using test::startChild;

// args: table, instance folder, the first letter of the clients to view.
// Opens the table in slots 1 and 2, builds the view on slot 2, says how many
// clients it shows, and closes when told to.
DRAV_TEST_CHILD(viewStation, args) {
    try {
        setInstanceFolder(args[1] + "/");
        dbOpen(true, args[0], "UNO");
        Table& t = dbOpen(true, args[0], "DUE");
        if (t.slot() != 2) return 2;
        dbSetView(ViewCondition::fromText("cliente = \"" + args[2] + "\""), {.quiet = true});
        std::string view = viewFileName(2);
        test::childWriteLine(std::to_string(keyCount()) + " " +
                             (::access(view.c_str(), F_OK) == 0 ? "file" : "none"));
        if (test::childReadLine() != "go") return 3;
        std::string names;
        for (t.goTop(); !t.eof(); t.skip()) names += t.text("CLIENTE").substr(0, 1);
        closeAll();
        test::childWriteLine(names + (::access(view.c_str(), F_OK) == 0 ? " file" : " gone"));
        return 0;
    } catch (const std::exception& e) {
        test::childWriteLine(std::string("error ") + e.what());
        return 4;
    }
}

TEST_F(TagsTest, TwoInstancesBuildTheirOwnViewsOfTheSameTableAndSlot) {
    std::string path =
        clienti({{"1", "Rossi"}, {"2", "Bianchi"}, {"3", "Rota"}, {"4", "Berti"}, {"5", "Bassi"}});
    // The table stays open here too, as on a third station.
    dbOpen(true, path);
    struct Station {
        std::string folder;
        const char* letter;
        const char* count;
        const char* names;
    } stations[] = {{dir.file("UNO"), "R", "2 file", "RR gone"},
                    {dir.file("DUE"), "B", "3 file", "BBB gone"}};
    std::vector<ChildProcess> children;
    for (const Station& s : stations) {
        ASSERT_EQ(::mkdir(s.folder.c_str(), 0700), 0);
        children.push_back(startChild("viewStation", {path, s.folder, s.letter}));
    }
    // Both views exist at the same time, each with its own records.
    for (size_t i = 0; i < children.size(); ++i)
        EXPECT_EQ(children[i].readLine(), stations[i].count) << stations[i].letter;
    for (const Station& s : stations) EXPECT_TRUE(exists(s.folder + "/\x7FVIEW2.NTX")) << s.folder;
    EXPECT_FALSE(exists(instance + "\x7FVIEW2.NTX"));
    for (auto& c : children) c.writeLine("go");
    for (size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(children[i].readLine(), stations[i].names) << stations[i].letter;
        EXPECT_EQ(children[i].wait(), 0);
    }
}

}  // namespace
}  // namespace drav::data
