// Printing from the preview (the print form, ranges and copies, with a fake
// printer), PDF files and mail.
#include "print/Launcher.h"
#include "print/PrintForm.h"
#include "print/PrintJob.h"
#include "tests/print/PrintFixture.h"

#include "print/PagePicture.h"
#include "util/Messages.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

namespace drav::print::test {
namespace {

// A printer that keeps the text of every page it is given.
struct FakePrinter : PrintTarget {
    QStringList* pages;
    QString* title;
    explicit FakePrinter(QStringList* p, QString* t) : pages(p), title(t) {}
    bool begin(const QString& t) override {
        *title = t;
        return true;
    }
    void printPage(int, const QPicture& picture, QSize) override {
        PageRecorder recorder;
        QPainter painter(&recorder);
        drawPage(painter, picture);
        painter.end();
        *pages << recorder.page().allText();
    }
    void end() override {}
};

class PrintJobTest : public PrintTest {
protected:
    PrintJobTest() {
        m_previous =
            setPrintTargetFactory([this](const QString& name) -> std::unique_ptr<PrintTarget> {
                m_printerAsked = name;
                if (name == "Spenta") return nullptr;
                return std::make_unique<FakePrinter>(&m_printed, &m_title);
            });
    }
    ~PrintJobTest() override { setPrintTargetFactory(m_previous); }

    PrintTargetFactory m_previous;
    QStringList m_printed;
    QString m_title;
    QString m_printerAsked;
};

TEST_F(PrintJobTest, RangesAndCopiesComeOutCollated) {
    auto doc = makeDocument(3, "Stampa tabulato corse");
    struct Case {
        const char* what;
        PrintChoice choice;
        QStringList pages;
    };
    const std::vector<Case> cases = {
        {"all pages twice",
         {"HP", 1, 0, 0, 2},
         {"Pagina 1", "Pagina 2", "Pagina 3", "Pagina 1", "Pagina 2", "Pagina 3"}},
        {"the current page twice", {"HP", 2, 0, 0, 2}, {"Pagina 2", "Pagina 2"}},
        {"a selection", {"HP", 3, 2, 3, 1}, {"Pagina 2", "Pagina 3"}},
        {"no copies", {"HP", 1, 0, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_printed.clear();
        m_port.log().waitTexts.clear();
        printRecordedPages(*doc, c.choice, 2);
        EXPECT_EQ(m_printed, c.pages);
        EXPECT_EQ(m_title, "Stampa tabulato corse");
        // The print-progress box counts pages across copies.
        QStringList counted{""};  // the box opens empty
        for (int i = 1; i <= c.pages.size(); ++i) counted << QString::number(i);
        EXPECT_EQ(QStringList(m_port.log().waitTexts.begin(), m_port.log().waitTexts.end()),
                  counted);
        EXPECT_EQ(curMsg(), std::nullopt);
    }
}

TEST_F(PrintJobTest, APrinterThatCannotBeOpenedIsReported) {
    auto doc = makeDocument(1);
    printRecordedPages(*doc, {"Spenta", 1, 0, 0, 1}, 1);
    EXPECT_TRUE(m_printed.isEmpty());
    ASSERT_FALSE(m_port.log().messages.empty());
    EXPECT_EQ(m_port.log().messages.back().text, "Impossibile trovare la stampante Spenta.");
    EXPECT_EQ(curMsg(), std::nullopt);
}

TEST_F(PrintJobTest, PrintFormRulesRunOnConfirm) {
    struct Case {
        const char* what;
        QString printer;
        int option;  // 1, 2, 3
        QString from, to;
        bool accepted;
        const char* focused;
    };
    const std::vector<Case> cases = {
        {"all pages", "HP", 1, "0", "99", true, ""},
        {"current page", "HP", 2, "", "", true, ""},
        {"a good selection", "HP", 3, "2", "4", true, ""},
        {"first page below 1", "HP", 3, "0", "4", false, "105"},
        {"first page beyond the last", "HP", 3, "5", "5", false, "105"},
        {"last page before the first", "HP", 3, "3", "2", false, "106"},
        {"last page beyond the last", "HP", 3, "1", "5", false, "106"},
        {"no printer", "", 1, "1", "4", false, "101"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_port.log().messages.clear();
        PrintForm form(c.printer, 4);
        EXPECT_EQ(form.objectName(), "PRINT");
        EXPECT_EQ(form.windowTitle(), "Stampa");
        form.show();
        form.findChild<QRadioButton*>(QString::number(101 + c.option))->click();
        auto* from = form.findChild<QLineEdit*>("105");
        auto* to = form.findChild<QLineEdit*>("106");
        EXPECT_EQ(from->isEnabled(), c.option == 3);
        EXPECT_EQ(to->isEnabled(), c.option == 3);
        from->setText(c.from);
        to->setText(c.to);
        form.findChild<QPushButton*>("201")->click();
        EXPECT_EQ(form.result() == QDialog::Accepted, c.accepted);
        if (!c.accepted) {
            ASSERT_EQ(m_port.log().messages.size(), 1u);
            EXPECT_EQ(m_port.log().messages[0].text, "Campo non valido.");
            ASSERT_NE(form.focusWidget(), nullptr);
            EXPECT_EQ(form.focusWidget()->objectName(), c.focused);
        } else {
            EXPECT_TRUE(m_port.log().messages.empty());
        }
    }
}

TEST_F(PrintJobTest, PrintFormStartsFromTheDocumentsPrinterAndAllPages) {
    PrintForm form("Ufficio", 7);
    PrintChoice c = form.choice();
    EXPECT_EQ(c.printer, "Ufficio");
    EXPECT_EQ(c.range, 1);
    EXPECT_EQ(c.from, 1);
    EXPECT_EQ(c.to, 7);
    EXPECT_EQ(c.copies, 1);
    EXPECT_EQ(form.findChild<QComboBox*>("101")->currentText(), "Ufficio");
}

QString runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

using PdfTest = PrintTest;

TEST_F(PdfTest, OnePdfPagePerRecordedPageWithItsText) {
    auto doc = makeDocument(4);
    const QString pdf = QString::fromStdString(m_dir.file("out.pdf"));
    ASSERT_TRUE(doc->savePdf(pdf, true, false));
    const QString info = runTool("pdfinfo", {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+4\\b"))) << info.toStdString();
    EXPECT_TRUE(info.contains("(A4)")) << info.toStdString();
    for (int page = 1; page <= 4; ++page) {
        const QString text = runTool("pdftotext", {"-layout", "-f", QString::number(page), "-l",
                                                   QString::number(page), pdf, "-"});
        EXPECT_EQ(text.trimmed(), QStringLiteral("Pagina %1").arg(page));
    }
    EXPECT_EQ(m_port.log().waitTexts, std::vector<QString>{"Generazione PDF in corso..."});
    EXPECT_EQ(curMsg(), std::nullopt);
}

TEST_F(PdfTest, AFileThatCannotBeWrittenIsReported) {
    auto doc = makeDocument(1);
    const QString pdf = QString::fromStdString(m_dir.file("manca/out.pdf"));
    EXPECT_FALSE(doc->savePdf(pdf, true, false));
    ASSERT_FALSE(m_port.log().messages.empty());
    EXPECT_EQ(m_port.log().messages.back().text, "Impossibile creare il file " + pdf + ".");
}

TEST_F(PdfTest, ChosenNamesGetTheirExtensionBeforeTheOverwriteQuestion) {
    const QString dir = QString::fromStdString(m_dir.path());
    drav::test::writeFile(m_dir.file("vecchia.pdf"), "%PDF old");
    struct Case {
        QString chosen;
        int answer;  // 0: no question expected
        std::optional<QString> result;
    };
    const std::vector<Case> cases = {
        {dir + "/fattura", 0, dir + "/fattura.pdf"},
        {dir + "/fattura.PDF", 0, dir + "/fattura.PDF"},
        {dir + "/fattura.txt", 0, dir + "/fattura.txt.pdf"},
        {dir + "/vecchia.pdf", 2, std::nullopt},
        {dir + "/vecchia.pdf", 1, dir + "/vecchia.pdf"},
        // Typed without extension: the existing file is still protected.
        {dir + "/vecchia", 2, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.toStdString());
        m_port.log().messages.clear();
        if (c.answer) m_port.answer(c.answer);
        EXPECT_EQ(confirmPdfName(c.chosen), c.result);
        if (c.answer) {
            ASSERT_EQ(m_port.log().messages.size(), 1u);
            EXPECT_EQ(m_port.log().messages[0].text,
                      QString::fromUtf8("Il file ") + dir +
                          QString::fromUtf8("/vecchia.pdf già esiste. Lo sovrascrivo?"));
            EXPECT_EQ(m_port.log().messages[0].mode, 2);
        } else {
            EXPECT_TRUE(m_port.log().messages.empty());
        }
    }
}

// The mail program replaced by a script that notes its arguments and keeps
// a copy of the attachment it was given.
class MailTest : public PrintTest {
protected:
    MailTest() {
        m_script = QString::fromStdString(m_dir.file("mailer.sh"));
        drav::test::writeFile(m_script.toStdString(),
                              "#!/bin/sh\n"
                              "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.txt\"\n"
                              "for a in \"$@\"; do\n"
                              "  f=${a#attachment=\\'}; f=${f%\\'}\n"
                              "  [ -f \"$f\" ] && cp \"$f\" \"$(dirname \"$0\")/seen.pdf\"\n"
                              "done\n"
                              "exit 0\n");
        QFile::setPermissions(m_script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_previous = setLauncher(std::make_unique<ProcessLauncher>(m_script));
        m_marker = qgetenv("KOLT_NET_MARKER");
    }
    ~MailTest() override {
        setLauncher(std::move(m_previous));
        qputenv("KOLT_NET_MARKER", m_marker);
    }
    QStringList args() {
        return QString::fromStdString(drav::test::readFile(m_dir.file("args.txt")))
            .split('\n', Qt::SkipEmptyParts);
    }
    QStringList pdfsLeft() {
        return QDir(QString::fromStdString(m_dir.path())).entryList({"*.pdf"}, QDir::Files);
    }

    QString m_script;
    std::unique_ptr<Launcher> m_previous;
    QByteArray m_marker;
};

TEST_F(MailTest, TheDesktopMailProgramGetsThePdfWhichIsThenDeleted) {
    auto doc = makeDocument(2, "Stampa ricevuta");
    ASSERT_TRUE(doc->savePdf(std::nullopt, true, true));
    const QString pdf = QString::fromStdString(m_dir.path()) + "/Stampa ricevuta.pdf";
    EXPECT_EQ(args(), QStringList({"xdg-email", "--utf8", "--attach", pdf}));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(m_dir.file("seen.pdf"))));
    EXPECT_EQ(pdfsLeft(), QStringList{"seen.pdf"});
    EXPECT_TRUE(m_port.log().messages.empty());
}

TEST_F(MailTest, ANetworkStationStartsThunderbirdDirectly) {
    drav::test::writeFile(m_dir.file("NET"), "");
    qputenv("KOLT_NET_MARKER", QByteArray::fromStdString(m_dir.file("NET")));
    // A title that would break the command line or the folder is made safe.
    auto doc = makeDocument(1, "Stampa acconti di D'Angelo/Rossi");
    ASSERT_TRUE(doc->savePdf(std::nullopt, true, true));
    const QString pdf =
        QString::fromStdString(m_dir.path()) + "/Stampa acconti di D_Angelo_Rossi.pdf";
    EXPECT_EQ(args(), QStringList({"thunderbird", "-compose", "attachment='" + pdf + "'"}));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(m_dir.file("seen.pdf"))));
    EXPECT_EQ(pdfsLeft(), QStringList{"seen.pdf"});
}

TEST_F(MailTest, AMailProgramThatCannotStartIsReportedAndLeavesNoPdf) {
    setLauncher(std::make_unique<ProcessLauncher>(QString::fromStdString(m_dir.file("manca.sh"))));
    auto doc = makeDocument(1);
    doc->savePdf(std::nullopt, true, true);
    EXPECT_TRUE(pdfsLeft().isEmpty());
    ASSERT_EQ(m_port.log().messages.size(), 1u);
    EXPECT_EQ(m_port.log().messages[0].text, "Error initializing mail.");
}

}  // namespace
}  // namespace drav::print::test
