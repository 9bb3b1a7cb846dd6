// The error handler: every row of its table, the report text and the
// e-mail report, through raiseError() as the rest of the program meets it.
#include "data/Status.h"
#include "tests/support/ScriptedPort.h"
#include "ui/CallSite.h"
#include "ui/ErrorSys.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QUrlQuery>
#include <cerrno>

namespace drav::ui {
namespace {

class ErrorHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousHandler = setErrorHandler(defError);
        m_previousOpener = setMailOpener([this](const QUrl& url) { opened.push_back(url); });
        m_previousUnlock = setNetworkUnlock([this] {
            unlocksBeforeMessage.push_back(static_cast<int>(port.log().messages.size()));
        });
    }
    void TearDown() override {
        setErrorHandler(m_previousHandler);
        setMailOpener(m_previousOpener);
        setNetworkUnlock(m_previousUnlock);
    }

    // What raiseError() did: the outcome it returned, or the exception it threw.
    std::string outcomeOf(const ErrorInfo& e) {
        try {
            switch (raiseError(e)) {
                case ErrorOutcome::Zero:
                    return "zero";
                case ErrorOutcome::Fail:
                    return "fail";
                default:
                    return "returned";
            }
        } catch (const Abandoned&) {
            return "abandon";
        } catch (const ProgramEnd&) {
            return "end";
        }
    }

    test::ScopedScriptedPort port;
    std::vector<QUrl> opened;
    std::vector<int> unlocksBeforeMessage;

private:
    drav::ErrorHandler m_previousHandler;
    MailOpener m_previousOpener;
    NetworkUnlock m_previousUnlock;
};

ErrorInfo fileError(int gen, int os, std::optional<int> sub = {}, bool canDefault = false) {
    ErrorInfo e;
    e.subsystem = "DBFCDX";
    e.genCode = gen;
    e.osCode = os;
    e.subCode = sub;
    e.canDefault = canDefault;
    e.fileName = "dati/Clienti.dbf";
    e.stack = {{"void drav::clients::clienti()", 42}};
    return e;
}

// Each row in the order of the tests; the first that matches applies. A
// message comes after the network lock is released; the soft failures
// neither release it nor say anything.
TEST_F(ErrorHandlerTest, EveryRowOfTheTable) {
    struct Row {
        const char* what;
        ErrorInfo error;
        const char* message;  // "" when none
        const char* outcome;
    } rows[] = {
        {"not ready", fileError(21, 21), "Disco dati/CLIENTI.DBF non pronto.", "abandon"},
        {"sector", fileError(23, 27), "Disco dati/CLIENTI.DBF non formattato.", "abandon"},
        {"device", fileError(24, 31), "Disco dati/CLIENTI.DBF non formattato.", "abandon"},
        {"write-protected", fileError(24, 19), "Disco dati/CLIENTI.DBF protetto da scrittura.",
         "abandon"},
        {"directory", fileError(20, 82), "Directory dati/CLIENTI.DBF piena.", "abandon"},
        {"disk full", fileError(24, 0, 2016), "Spazio sul disco dati/CLIENTI.DBF insufficiente.",
         "abandon"},
        {"access denied on open, before the retry row", fileError(21, 5, 1001, true),
         "Impossibile accedere al file dati/CLIENTI.DBF.", "abandon"},
        {"path", fileError(21, 3), "Percorso dati/CLIENTI.DBF non trovato.", "abandon"},
        {"file", fileError(21, 2), "Impossibile aprire il file dati/CLIENTI.DBF.", "abandon"},
        {"corrupt sub-code", fileError(23, 0, 1012), "Il file dati/CLIENTI.DBF risulta corrotto.",
         "abandon"},
        {"corruption", fileError(32, 0), "Il file dati/CLIENTI.DBF risulta corrotto.", "abandon"},
        {"our own", fileError(1001, 0, 7),
         "Error DBFCDX/7: dati/Clienti.dbf\r\nFunction: drav::clients::clienti  Line: 42",
         "abandon"},
        {"division by zero", fileError(5, 0), "", "zero"},
        {"sharing violation on open", fileError(21, 32, 1001, true), "", "fail"},
        {"append lock", fileError(40, 0, 1024, true), "", "fail"},
    };
    for (Row& r : rows) {
        SCOPED_TRACE(r.what);
        if (r.error.genCode == 1001) r.error.description.clear();
        port.log().messages.clear();
        unlocksBeforeMessage.clear();
        EXPECT_EQ(outcomeOf(r.error), r.outcome);
        if (*r.message) {
            ASSERT_EQ(port.log().messages.size(), 1u);
            EXPECT_EQ(port.log().messages[0].text.toStdString(), r.message);
            EXPECT_EQ(port.log().messages[0].mode, 1);
            EXPECT_EQ(unlocksBeforeMessage, std::vector<int>{0});
        } else {
            EXPECT_TRUE(port.log().messages.empty());
            EXPECT_TRUE(unlocksBeforeMessage.empty());
        }
    }
    EXPECT_TRUE(opened.empty());
}

// The soft failures apply only when the operation can default; otherwise
// they are unexpected errors: report, question, end of the program.
TEST_F(ErrorHandlerTest, UnexpectedErrorsEndTheProgram) {
    for (ErrorInfo e :
         {fileError(21, 32, 1001, false), fileError(40, 0, 1024, false), fileError(1, 0, 1081)}) {
        port.log().messages.clear();
        port.answer(2);  // Annulla: no e-mail
        EXPECT_EQ(outcomeOf(e), "end");
        ASSERT_EQ(port.log().messages.size(), 1u);
        EXPECT_EQ(port.log().messages[0].mode, 2);
        EXPECT_TRUE(port.log().messages[0].text.endsWith(
            QStringLiteral("\r\n\r\nInviare rapporto di errore via email?")));
    }
    EXPECT_TRUE(opened.empty());
}

// OK opens a new e-mail: subject, program path, an empty line, the report
// lines; "&" and ";" of the report arrive as "&" and a line break, and a
// "%" or "#" in a file name does not cut or garble it.
TEST_F(ErrorHandlerTest, ReportByEmail) {
    ErrorInfo e;
    e.subsystem = "BASE";
    e.genCode = 1;
    e.subCode = 1081;
    e.operation = "Totale & sconto; 50% #2";
    e.stack = {{"drav::ui::defError", 0}, {"double drav::invoicing::totale(int)", 88}};
    port.answer(1);
    EXPECT_EQ(outcomeOf(e), "end");
    const QString report = QStringLiteral(
        "Error BASE/1081  Argument error: Totale & sconto; 50% #2;Function: "
        "drav::invoicing::totale  Line: 88");
    ASSERT_EQ(port.log().messages.size(), 1u);
    EXPECT_EQ(port.log().messages[0].text,
              QString(report).replace(";", "\r\n") +
                  QStringLiteral("\r\n\r\nInviare rapporto di errore via email?"));
    ASSERT_EQ(opened.size(), 1u);
    const QUrl& url = opened[0];
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_TRUE(url.path().isEmpty());
    QUrlQuery q(url);
    EXPECT_EQ(q.queryItemValue("subject", QUrl::FullyDecoded),
              QStringLiteral("Rapporto di errore"));
    EXPECT_EQ(q.queryItemValue("body", QUrl::FullyDecoded),
              QStringLiteral("Applicazione: ") + QCoreApplication::applicationFilePath() +
                  QStringLiteral("\r\n\r\nError BASE/1081  Argument error: Totale & sconto\r\n "
                                 "50% #2\r\nFunction: drav::invoicing::totale  Line: 88"));
    EXPECT_EQ(q.queryItems().size(), 2);
}

TEST_F(ErrorHandlerTest, ReportText) {
    struct Case {
        const char* what;
        ErrorInfo e;
        const char* text;
    };
    auto make = [](int severity, std::string sub, std::optional<int> code, std::string desc,
                   std::string file, std::string op, std::vector<CallLevel> stack) {
        ErrorInfo e;
        e.severity = severity;
        e.subsystem = std::move(sub);
        e.subCode = code;
        e.description = std::move(desc);
        e.fileName = std::move(file);
        e.operation = std::move(op);
        e.stack = std::move(stack);
        return e;
    };
    const Case cases[] = {
        {"full", make(2, "BASE", 1081, "Argument error", "", "+", {{"pronum", 120}}),
         "Error BASE/1081  Argument error: +;Function: pronum  Line: 120"},
        {"warning without names; the file wins over the operation",
         make(1, "", {}, "", "x.dbf", "open", {{"f", 3}}),
         "Warning ???"
         "/???: x.dbf;Function: f  Line: 3"},
        {"levels without a line are passed over",
         make(2, "BASE", 1, "", "", "", {{"handler", 0}, {"helper", 0}, {"scheda", 77}}),
         "Error BASE/1;Function: scheda  Line: 77"},
        {"the command layer reports its caller",
         make(2, "DBCMD", 2001, "", "", "", {{"dbSkip", 12}, {"elenco", 34}}),
         "Error DBCMD/2001;Function: elenco  Line: 34"},
        {"no level has a line", make(2, "BASE", 1, "", "", "", {{"a", 0}}),
         "Error BASE/1;Function:   Line: 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(errorMessage(c.e).toStdString(), c.text);
    }
}

TEST(CallSite, FunctionLabels) {
    EXPECT_EQ(functionLabel("void drav::clients::scheda(int)"), "drav::clients::scheda");
    EXPECT_EQ(functionLabel("drav::runs::lib()::<lambda()>"), "drav::runs::lib");
    EXPECT_EQ(functionLabel("std::vector<int> drav::g<std::pair<int, int> >(int)"),
              "drav::g<std::pair<int, int> >");
    EXPECT_EQ(functionLabel("int main(int, char**)"), "main");
    EXPECT_EQ(functionLabel("CLIENTI"), "CLIENTI");
}

}  // namespace
}  // namespace drav::ui

namespace drav::ui {
namespace {

// What the file engines report (errno behind a Status) reaches the rows the
// user knows: the operating-system codes are mapped from errno.
TEST_F(ErrorHandlerTest, FileEngineFailuresReachTheirRows) {
    using data::Status;
    struct Case {
        const char* what;
        ErrorInfo error;
        const char* message;
        const char* outcome;
    } cases[] = {
        {"missing", Status::notFound("CORSE.DBF", ENOENT).toErrorInfo(gen::Open, 1001),
         "Impossibile aprire il file CORSE.DBF.", "abandon"},
        {"no folder",
         Status::ioError("dati/CORSE.DBF", ENOTDIR, "open").toErrorInfo(gen::Open, 1001),
         "Percorso dati/CORSE.DBF non trovato.", "abandon"},
        {"permission",
         Status::ioError("CORSE.DBF", EACCES, "open").toErrorInfo(gen::Open, 1001, true),
         "Impossibile accedere al file CORSE.DBF.", "abandon"},
        {"not permitted", Status::ioError("CORSE.DBF", EPERM, "open").toErrorInfo(gen::Open, 1001),
         "Impossibile accedere al file CORSE.DBF.", "abandon"},
        {"read-only medium",
         Status::ioError("CORSE.DBF", EROFS, "write").toErrorInfo(gen::Write, 1011),
         "Disco CORSE.DBF protetto da scrittura.", "abandon"},
        {"no device", Status::ioError("CORSE.DBF", ENXIO, "read").toErrorInfo(gen::Read, 1010),
         "Disco CORSE.DBF non pronto.", "abandon"},
        {"input/output", Status::ioError("CORSE.DBF", EIO, "read").toErrorInfo(gen::Read, 1010),
         "Disco CORSE.DBF non formattato.", "abandon"},
        {"disk full", Status::noSpace("CORSE.DBF").toErrorInfo(gen::Write, 1011),
         "Spazio sul disco CORSE.DBF insufficiente.", "abandon"},
        {"disk full met by another call",
         Status::ioError("CORSE.DBF", ENOSPC, "write").toErrorInfo(gen::Write, 1011),
         "Spazio sul disco CORSE.DBF insufficiente.", "abandon"},
        {"corrupt", Status::corruption("CORSE.DBF", "bad header").toErrorInfo(gen::Open, 1001),
         "Il file CORSE.DBF risulta corrotto.", "abandon"},
        {"held elsewhere", Status::busy("CORSE.DBF").toErrorInfo(gen::Open, 1001, true), "",
         "fail"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        port.log().messages.clear();
        EXPECT_EQ(outcomeOf(c.error), c.outcome);
        if (*c.message) {
            ASSERT_EQ(port.log().messages.size(), 1u);
            EXPECT_EQ(port.log().messages[0].text.toStdString(), c.message);
        } else {
            EXPECT_TRUE(port.log().messages.empty());
        }
    }
}

}  // namespace
}  // namespace drav::ui
