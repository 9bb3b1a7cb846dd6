// drav-admin dump through a tag within --from and --to: the keys between
// the bounds, each bound compared over its own length, in the tag's order.
#include "tests/data/AdminFolder.h"

namespace drav::data {
namespace {

using test::lines;
using test::runCommand;

class AdminDump : public test::AdminFolder {
protected:
    void SetUp() override {
        AdminFolder::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // Loaded out of order; requesters name their day, number and time.
        std::string csv = test::kRunHeader;
        csv += test::runRow(3, 2, "09:00", "d3n2", false, "");
        csv += test::runRow(1, 12, "09:00", "d1n12", true, "");
        csv += test::runRow(2, 0, "18:00", "d2f18", false, "");
        csv += test::runRow(1, 3, "09:00", "d1n3", false, "");
        csv += test::runRow(2, 1, "10:00", "d2n1", true, "");
        csv += test::runRow(2, 0, "07:00", "d2f07", true, "");
        csv += test::runRow(12, 5, "09:00", "d12n5", false, "");
        csv += test::runRow(2, 7, "10:00", "d2n7", false, "");
        ASSERT_EQ(load("CORSE", csv), 0) << errors();
        // A deleted run leaves every list.
        csv = test::kRunHeader + test::runRow(2, 4, "10:00", "d2n4 deleted", false, "");
        ASSERT_EQ(load("CORSE", csv), 0) << errors();
        ASSERT_EQ(runCommand(cmd("delete " + dir.path() + " CORSE 9")), 0) << errors();
    }
    // The requesters of the dump, in its order; the exit code in *rc.
    std::string requesters(const std::string& args, int* rc) {
        std::string out;
        *rc = runCommand(cmd("dump " + dir.path() + " CORSE " + args), &out);
        std::string names;
        std::vector<std::string> rows = lines(out);
        for (size_t i = 1; i < rows.size(); ++i) {
            size_t at = 0;
            for (int k = 0; k < 3; ++k) at = rows[i].find(',', at) + 1;
            names += (names.empty() ? "" : " ") + rows[i].substr(at, rows[i].find(',', at) - at);
        }
        return names;
    }
};

TEST_F(AdminDump, ScopesListTheKeysBetweenTheirBoundsInTagOrder) {
    struct Case {
        const char* args;
        const char* expected;
    };
    const Case cases[] = {
        {"", "d3n2 d1n12 d2f18 d1n3 d2n1 d2f07 d12n5 d2n7"},
        {"--tag CORSE", "d1n3 d1n12 d2n1 d2n7 d3n2 d12n5"},
        {"--tag CORSE --from 20240302 --to 20240302", "d2n1 d2n7"},
        // A bound shorter than the key is a prefix: the whole of the 1st to
        // the 3rd, and "2024030" takes in the first nine days.
        {"--tag CORSE --from 20240301 --to 20240303", "d1n3 d1n12 d2n1 d2n7 d3n2"},
        {"--tag CORSE --to 2024030", "d1n3 d1n12 d2n1 d2n7 d3n2"},
        {"--tag CORSE --from 2024031", "d12n5"},
        {"--tag CORSE --from \"20240302  7\" --to \"20240302  7\"", "d2n7"},
        {"--tag CORSE --from 20240304 --to 20240311", ""},
        {"--tag CORSE --from 20240303 --to 20240302", ""},
        {"--tag FUTURE --from 20240302", "d2f07 d2f18"},
        {"--tag SOSPESI --from S --to S", "d1n12 d2f07 d2n1"},
        {"--tag SOSPESI --to \" \"", "d1n3 d2f18 d2n7 d3n2 d12n5"},
        {"--tag sospesi --from \" 20240302\" --to \" 20240302\"", "d2f18 d2n7"},
    };
    for (const Case& c : cases) {
        int rc = -1;
        EXPECT_EQ(requesters(c.args, &rc), c.expected) << c.args;
        EXPECT_EQ(rc, 0) << c.args << "\n" << errors();
    }
}

TEST_F(AdminDump, BadScopesAndTagsAreRefused) {
    for (const char* args : {"--tag PONY", "--tag NESSUNO", "--from 2024", "--tag CORSE --from",
                             "--tag CORSE --fino 2024"}) {
        int rc = -1;
        EXPECT_EQ(requesters(args, &rc), "") << args;
        EXPECT_EQ(rc, 2) << args;
    }
    // A table whose tag file is missing is dumped without it, but not by it.
    std::filesystem::remove(dir.file("FUTURE.NTX"));
    int rc = -1;
    EXPECT_EQ(requesters("--tag FUTURE", &rc), "");
    EXPECT_EQ(rc, 2);
    EXPECT_EQ(requesters("--tag CORSE --from 20240312", &rc), "d12n5");
    EXPECT_EQ(rc, 0);
}

}  // namespace
}  // namespace drav::data
