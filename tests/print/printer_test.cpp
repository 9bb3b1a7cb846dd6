// The printer object: page files, the missing printer, cancel, images, and
// the current table's record kept across a print.
#include "print/RowSource.h"
#include "tests/print/PrintFixture.h"
#include "util/Error.h"

#include "print/ProgressForm.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace drav::print::test {
namespace {

using PrinterTest = PrintTest;

TEST_F(PrinterTest, PagesAreRecordedUnderTheirFileNamesUntilEnd) {
    QStringList files;
    {
        TPrinter p("Prova", true);
        TFont f(p, "Arial", 10);
        for (int i = 0; i < 3; ++i) {
            p.startPage();
            if (i != 1) printTxt({"pagina"}, std::nullopt, p, f);  // page 2 stays blank
            p.endPage();
        }
        files = p.aMeta();
        ASSERT_EQ(files.size(), 3);
        const QString expected = QString::fromStdString(m_dir.path()) + "/" + QChar(0x7F) + "2.WMF";
        EXPECT_EQ(files[1], expected);
        for (const QString& f : files) EXPECT_TRUE(QFile::exists(f)) << f.toStdString();
        EXPECT_TRUE(replayPage(files[1]).texts.empty());
        EXPECT_EQ(p.nPage(), 4);
        p.end();
        for (const QString& f : files) EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
    }
}

TEST_F(PrinterTest, PageFilesGoEvenWhenTheLayoutIsAbandoned) {
    QStringList files;
    try {
        TPrinter p("Prova", true);
        p.startPage();
        p.endPage();
        files = p.aMeta();
        throw Abandoned();
    } catch (const Abandoned&) {
    }
    ASSERT_EQ(files.size(), 1);
    EXPECT_FALSE(QFile::exists(files[0]));
}

TEST_F(PrinterTest, AMissingPrinterIsReportedOnceAndIgnoresEveryCall) {
    TPrinter p("Prova", true, false, QString("Stampante che non c'è"));
    EXPECT_FALSE(p.hasDC());
    TFont f(p, "Arial", 10);
    p.startPage();
    printTxt({"niente"}, std::nullopt, p, f);
    p.endPage();
    p.endPrint();
    EXPECT_TRUE(p.aMeta().isEmpty());
    ASSERT_EQ(m_port.log().messages.size(), 1u);
    EXPECT_EQ(m_port.log().messages[0].text,
              QString::fromUtf8("Impossibile trovare la stampante Stampante che non c'è."));
    EXPECT_EQ(m_port.log().messages[0].mode, 1);
}

TEST_F(PrinterTest, PrintingStraightToPaperNeedsAnInstalledPrinter) {
    // These stations have no printer: only previewed prints can be made.
    TPrinter p("Diretta", false);
    EXPECT_FALSE(p.hasDC());
    ASSERT_EQ(m_port.log().messages.size(), 1u);
    EXPECT_EQ(m_port.log().messages[0].text, "Impossibile trovare la stampante .");
}

TEST_F(PrinterTest, CancelStopsDrawingAndStartsNoFurtherPage) {
    TPrinter p("Prova", true);
    TFont f(p, "Arial", 10);
    p.startPage();
    printTxt({"prima"}, std::nullopt, p, f);
    p.cancel();
    printTxt({"dopo"}, std::nullopt, p, f);
    p.endPage();
    p.startPage();
    p.endPage();
    ASSERT_EQ(p.aMeta().size(), 1);
    DrawnPage page = replayPage(p.aMeta()[0]);
    EXPECT_EQ(page.allText(), "prima");
}

TEST_F(PrinterTest, ProgressFormCountsPagesAndItsCancelButtonStopsThePrint) {
    QWidget caller;
    caller.show();
    QApplication::setActiveWindow(&caller);
    TPrinter p("Stampa scheda cliente", true);
    ProgressForm* form = p.progressForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->objectName(), "PRINTDLG");
    EXPECT_EQ(form->windowTitle(), "Stampa scheda cliente");
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(caller.isEnabled());  // the caller waits while the print is drawn
    p.startPage();
    p.endPage();
    p.startPage();
    EXPECT_EQ(form->findChild<QLabel*>("102")->text(), "2");
    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    form->findChild<QPushButton*>("201")->click();
    EXPECT_TRUE(p.lCancel());
    p.endPage();
    p.startPage();
    EXPECT_EQ(p.aMeta().size(), 2);
    p.closeWnd();
    EXPECT_TRUE(caller.isEnabled());
    EXPECT_EQ(p.progressForm(), nullptr);
}

TEST_F(PrinterTest, TheNextPrintStartsWithLineFeedOneAndRowZero) {
    {
        TPrinter p("Prima", true);
        TFont f(p, "Arial", 10);
        p.startPage();
        pFeed(2.5);
        printTxt({"x"}, std::nullopt, p, f);
        // the layout forgets endPage: the row stays where it was
    }
    TPrinter p("Seconda", true);
    EXPECT_EQ(pFeed(), 1);
    EXPECT_EQ(setProw(), 0);
}

TEST_F(PrinterTest, ImagesAreStretchedAndUnreadableOnesSkipped) {
    QImage image(4, 2, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const std::string noExtension = m_dir.file("TESTAFAX");
    ASSERT_TRUE(image.save(QString::fromStdString(noExtension), "PNG"));
    drav::test::writeFile(m_dir.file("ROTTO.png"), "not an image");

    TPrinter p("Prova", true);
    p.startPage();
    p.sayBitmap(100, 200, QString::fromStdString(noExtension), 800, 400);
    p.sayBitmap(100, 200, QString::fromStdString(m_dir.file("ROTTO.png")), 800, 400);
    p.sayBitmap(100, 200, QString::fromStdString(m_dir.file("MANCA.png")), 800, 400);
    p.endPage();
    DrawnPage page = replayPage(p.aMeta()[0]);
    ASSERT_EQ(page.images.size(), 1u);
    EXPECT_EQ(page.images[0], QRectF(200, 100, 800, 400));
}

TEST_F(PrinterTest, CentimetresAreMeasuredFromThePaperEdge) {
    TPrinter p("Prova", true);
    // The page device: 600 dpi, printable area 4.2 mm in from each edge.
    auto [row, col] = p.cmtr2Pix(1.0, 2.0);
    EXPECT_NEAR(row, 10 * 600 / 25.4 - 99, 1.0);
    EXPECT_NEAR(col, 20 * 600 / 25.4 - 99, 1.0);
}

// A list of records standing for the current table.
class FakeTable : public RowSource {
public:
    explicit FakeTable(uint32_t count) : m_count(count) {}
    void first() override { m_rec = m_count ? 1 : 0; }
    bool next() override {
        if (m_rec == 0) return false;
        m_rec = m_rec < m_count ? m_rec + 1 : 0;
        return m_rec != 0;
    }
    bool eof() const override { return m_rec == 0; }
    uint32_t recNo() const override { return m_rec; }
    void goTo(uint32_t rec) override { m_rec = rec <= m_count ? rec : 0; }
    Value field(std::string_view) const override { return double(m_rec); }

private:
    uint32_t m_count;
    uint32_t m_rec = 0;
};

TEST_F(PrinterTest, TheCurrentTableGoesBackToItsRecordAtEnd) {
    FakeTable table(10);
    table.goTo(7);
    auto previous = setCurrentRowSourceProvider([&] { return &table; });
    {
        TPrinter p("Prova", true);
        p.startPage();
        table.first();
        while (table.next()) {
        }
        p.endPage();
    }
    setCurrentRowSourceProvider(previous);
    EXPECT_EQ(table.recNo(), 7u);
}

TEST(MemoLines, WrapAtBlanksKeepLineBreaksAndMarkParagraphEnds) {
    drav::test::TempDir dir;
    setInstanceFolder(dir.path() + "/");
    drav::test::ScopedScriptedPort port;
    TPrinter p("Prova", true);
    TFont f(p, "Courier New", 12);
    // Courier: every character has the same width, so widths count characters.
    const double perChar = p.getTextWidth(QString("M"), f);
    const double columns = 10 * perChar / (p.nHorzRes() / 80.0);
    const QChar end(kParagraphEnd);
    struct Case {
        QString text;
        QStringList lines;
    };
    const std::vector<Case> cases = {
        {"uno due tre quattro", {"uno due", "tre", QString("quattro") + end}},
        {"dieci car. poi", {"dieci car.", QString("poi") + end}},
        {"riga uno\r\nriga due", {QString("riga uno") + end, QString("riga due") + end}},
        {"abcdefghijklmnopqrstuvwxyz", {"abcdefghij", "klmnopqrst", QString("uvwxyz") + end}},
        {"parola    ", {QString("parola") + end}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(aMemoLine(c.text, columns + 0.01, p, f), c.lines);
    }
    setInstanceFolder("");
}

TEST(MemoLines, MemoAdjMarksEveryParagraphOnce) {
    EXPECT_EQ(memoAdj(std::string_view("a\r\nb")), "a\x7f\r\nb\x7f");
    EXPECT_EQ(memoAdj(std::string_view("a\x7f")), "a\x7f");
    EXPECT_EQ(memoAdj(QString("x\r\n")), QString("x") + QChar(0x7F) + "\r\n" + QChar(0x7F));
}

}  // namespace
}  // namespace drav::print::test
