// An integrity error that ends the program: the user sees it in a message box
// titled with its number before the process ends with code 1.
#include "tests/support/Child.h"
#include "tests/support/ScriptedPort.h"
#include "util/Error.h"

#include <gtest/gtest.h>

namespace drav {
namespace {

// Reports every message box to the parent as three lines: title, mode and the
// text with its line breaks written as "|".
class ReportingPort : public test::ScriptedPort {
public:
    ReportingPort() : ScriptedPort(std::make_shared<Log>()) {}
    int showMessage(const QString& text, int mode, const QString& title) override {
        test::childWriteLine(title.toStdString());
        test::childWriteLine(std::to_string(mode));
        test::childWriteLine(
            QString(text).replace(QLatin1String("\r\n"), QLatin1String("|")).toStdString());
        return 1;
    }
};

DRAV_TEST_CHILD(fatalWithoutHandler, args) {
    setUserPort(std::make_unique<ReportingPort>());
    fatalError(static_cast<unsigned>(std::stoul(args[0])), args[1]);
}

TEST(FatalError, ShowsTheNumberedBoxThenEndsWithCodeOne) {
    struct Case {
        const char* number;
        const char* text;
        const char* shown;
    } cases[] = {
        {"9201", "zq_cdxPageLeafDecode: index corrupted.\n/dati/CORSE.NTX\nCORSE",
         "zq_cdxPageLeafDecode: index corrupted.|/dati/CORSE.NTX|CORSE"},
        {"9301", "zq_cdxSortWritePage: Can't create temporary file.",
         "zq_cdxSortWritePage: Can't create temporary file."},
    };
    for (const auto& c : cases) {
        test::ChildProcess child = test::startChild("fatalWithoutHandler", {c.number, c.text});
        EXPECT_EQ(child.readLine(), std::string("Unrecoverable error ") + c.number + ": ");
        EXPECT_EQ(child.readLine(), "1");
        EXPECT_EQ(child.readLine(), c.shown);
        EXPECT_EQ(child.wait(), 1) << c.number;
    }
}

}  // namespace
}  // namespace drav
