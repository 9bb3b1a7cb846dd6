// Where the page grid puts things: rows, columns, the margin, the new-line
// rule of printTxt, rules and boxes, and the standard head and foot.
#include "tests/print/PrintFixture.h"

#include "util/Date.h"

#include <QFile>

namespace drav::print::test {
namespace {

constexpr double kTol = 1.0;  // device units

class PageGridTest : public PrintTest {
protected:
    // Draws one page with the layout and returns what it holds.
    template <typename Layout>
    DrawnPage onePage(Layout layout) {
        TPrinter p("Prova", true);
        EXPECT_TRUE(p.hasDC());
        TFont font(p, "Arial", 10);
        p.startPage();
        layout(p, font);
        p.endPage();
        EXPECT_EQ(p.aMeta().size(), 1);
        return replayPage(p.aMeta().value(0));
    }
};

TEST_F(PageGridTest, WorkedExampleOfAnInvoiceHead) {
    double rowAfterBack = 0;
    double boxRow = 0;
    std::optional<Grid> g;
    DrawnPage page = onePage([&](TPrinter& p, const TFont& f) {
        g.emplace(p);
        EXPECT_EQ(setProw(), 0);
        printTxt({}, std::nullopt, p, f);
        EXPECT_NEAR(setProw(), 3 * g->row, 1e-6);
        pFeed(3.5);
        printTxt({}, std::nullopt, p, f);
        EXPECT_NEAR(setProw(), 6.5 * g->row, 1e-6);
        p.back(3.8);
        rowAfterBack = setProw();
        EXPECT_NEAR(rowAfterBack, 2.7 * g->row, 1e-6);
        printTxt({"FATTURA N.", std::string("123")}, 50, p, f);
        printTxt({"    1.234,56"}, 56, p, f, {.right = true, .width = 13});
        boxRow = setProw();
        printBox(p, 0, 45, 11);
    });

    const DrawnText* head = page.find("FATTURA N. 123");
    ASSERT_NE(head, nullptr) << page.allText().toStdString();
    EXPECT_NEAR(head->baseline.x(), 55 * g->col, kTol);
    EXPECT_NEAR(textTop(*head), rowAfterBack, kTol);

    const DrawnText* amount = page.find("    1.234,56");
    ASSERT_NE(amount, nullptr);
    EXPECT_NEAR(textRight(*amount), 74 * g->col, kTol);

    ASSERT_EQ(page.rects.size(), 1u);
    const QRectF box = page.rects[0];
    EXPECT_NEAR(box.left(), 5 * g->col, kTol);
    EXPECT_NEAR(box.right(), 50 * g->col, kTol);
    EXPECT_NEAR(box.top(), boxRow + g->row, kTol);
    EXPECT_NEAR(box.bottom(), boxRow + 12 * g->row, kTol);
}

TEST_F(PageGridTest, NewLineRuleOnAFreshPage) {
    // Each case: what the layout does, the text it prints, the row it lands on.
    struct Case {
        const char* what;
        std::function<void(TPrinter&, const TFont&)> layout;
        double row;
    };
    const std::vector<Case> cases = {
        {"no column starts a new line: row 3",
         [](TPrinter& p, const TFont& f) { printTxt({"X"}, std::nullopt, p, f); }, 3},
        {"a column prints on the current row: row 2",
         [](TPrinter& p, const TFont& f) { printTxt({"X"}, 10, p, f); }, 2},
        {"an empty list with a column moves nothing further",
         [](TPrinter& p, const TFont& f) {
             printTxt({}, 10, p, f);
             printTxt({}, 10, p, f);
             printTxt({"X"}, 10, p, f);
         },
         2},
        {"an empty list starts a line",
         [](TPrinter& p, const TFont& f) {
             printTxt({}, std::nullopt, p, f);
             printTxt({"X"}, std::nullopt, p, f);
         },
         4},
        {"back(1) then a new line prints where the previous new line was",
         [](TPrinter& p, const TFont& f) {
             printTxt({"A"}, std::nullopt, p, f);
             p.back(1);
             printTxt({"X"}, std::nullopt, p, f);
         },
         3},
        {"pFeed changes every following new line",
         [](TPrinter& p, const TFont& f) {
             pFeed(1.5);
             printTxt({"A"}, std::nullopt, p, f);
             printTxt({"X"}, std::nullopt, p, f);
         },
         5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<Grid> g;
        DrawnPage page = onePage([&](TPrinter& p, const TFont& f) {
            g.emplace(p);
            c.layout(p, f);
        });
        const DrawnText* x = page.find("X");
        ASSERT_NE(x, nullptr);
        EXPECT_NEAR(textTop(*x), c.row * g->row, kTol);
    }
}

TEST_F(PageGridTest, ColumnsAlignmentsAndTheMargin) {
    struct Case {
        const char* what;
        double margin;
        std::optional<double> column;
        TxtOptions options;
        enum { Left, Right, Centre } edge;
        double pageColumn;
    };
    const std::vector<Case> cases = {
        {"column 20 starts at page column 25", 5, 20, {}, Case::Left, 25},
        {"right-aligned 13 wide at 56 ends at 74",
         5,
         56,
         {.right = true, .width = 13},
         Case::Right,
         74},
        {"right-aligned without width uses the text's length",
         5,
         10,
         {.right = true},
         Case::Right,
         10 + 5 + 5},
        {"centred width 25 without column: page column 17.5",
         5,
         std::nullopt,
         {.width = 25, .centred = true},
         Case::Centre,
         17.5},
        {"centred without width: the middle of the page",
         5,
         30,
         {.centred = true},
         Case::Centre,
         40},
        {"a margin of 1 moves every column", 1, 20, {}, Case::Left, 21},
        {"clip width keeps the text left-aligned at the column",
         5,
         10,
         {.right = true, .width = 20, .clip = 30},
         Case::Left,
         15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setPrintMargin(c.margin);
        std::optional<Grid> g;
        DrawnPage page = onePage([&](TPrinter& p, const TFont& f) {
            g.emplace(p);
            printTxt({"ABCDE"}, c.column, p, f, c.options);
        });
        setPrintMargin(5);
        const DrawnText* t = page.find("ABCDE");
        ASSERT_NE(t, nullptr);
        double x = c.edge == Case::Left    ? t->baseline.x()
                   : c.edge == Case::Right ? textRight(*t)
                                           : (t->baseline.x() + textRight(*t)) / 2;
        EXPECT_NEAR(x, c.pageColumn * g->col, kTol);
    }
}

TEST_F(PageGridTest, ClipWidthCutsTheText) {
    std::optional<Grid> g;
    DrawnPage page = onePage([&](TPrinter& p, const TFont& f) {
        g.emplace(p);
        printTxt({"una descrizione molto lunga che non entra"}, 10, p, f, {.clip = 8});
    });
    ASSERT_EQ(page.texts.size(), 1u);
    ASSERT_TRUE(page.texts[0].clip.has_value());
    EXPECT_NEAR(page.texts[0].clip->right(), 23 * g->col + 2, kTol);
    EXPECT_NEAR(page.texts[0].clip->left(), 15 * g->col - 3, kTol);
}

TEST_F(PageGridTest, TextsJoinWithOneBlankAndContinueAtColumnZero) {
    DrawnPage page = onePage([&](TPrinter& p, const TFont& f) {
        printTxt({"Tel.:", std::string("02 1234567")}, 10, p, f);
        printTxt({"- fax"}, 0, p, f);
    });
    const DrawnText* first = page.find("Tel.: 02 1234567");
    const DrawnText* more = page.find("- fax");
    ASSERT_NE(first, nullptr) << page.allText().toStdString();
    ASSERT_NE(more, nullptr);
    EXPECT_NEAR(more->baseline.x(), textRight(*first), kTol);
    EXPECT_NEAR(more->baseline.y(), first->baseline.y(), kTol);
}

TEST_F(PageGridTest, DosAccentedLettersPrintAsWindowsLetters) {
    DrawnPage page = onePage([&](TPrinter& p, const TFont& f) {
        // A field value written by the old DOS program: "città" with code 133.
        printTxt({std::string("citt\x85")}, std::nullopt, p, f);
    });
    EXPECT_NE(page.find(QString::fromUtf8("città")), nullptr) << page.allText().toStdString();
}

TEST_F(PageGridTest, RulesAndVerticalLines) {
    std::optional<Grid> g;
    double row = 0;
    DrawnPage page = onePage([&](TPrinter& p, const TFont& f) {
        g.emplace(p);
        printTxt({"X"}, std::nullopt, p, f);
        row = setProw();
        printLine(p);
        printLine(p, 10, 20);
        printVLine(p, 30, 4);
    });
    ASSERT_EQ(page.lines.size(), 3u);
    const QLineF across = page.lines[0];
    EXPECT_NEAR(across.x1(), 5 * g->col, kTol);
    EXPECT_NEAR(across.x2(), 75 * g->col, kTol);
    EXPECT_NEAR(across.y1(), row + g->row + 2, kTol);
    const QLineF part = page.lines[1];
    EXPECT_NEAR(part.x1(), 15 * g->col, kTol);
    EXPECT_NEAR(part.x2(), 35 * g->col, kTol);
    EXPECT_NEAR(part.y1(), row + g->row, kTol);
    const QLineF down = page.lines[2];
    EXPECT_NEAR(down.x1(), 35 * g->col, kTol);
    EXPECT_NEAR(down.y1(), row + g->row + 2, kTol);
    EXPECT_NEAR(down.y2(), row + 5 * g->row, kTol);
}

TEST_F(PageGridTest, StandardHeadAndFoot) {
    std::optional<Grid> g;
    double rowAfter = -1;
    DrawnPage page = onePage([&](TPrinter& p, const TFont& f) {
        g.emplace(p);
        printTxt({"corpo"}, std::nullopt, p, f);
        const double before = setProw();
        sayHeader("STAMPA SCHEDA", p, f);
        sayFooter(p, f);
        rowAfter = setProw() - before;
        EXPECT_EQ(printMargin(), 5);
    });
    EXPECT_EQ(rowAfter, 0);
    const DrawnText* title = page.find("STAMPA SCHEDA");
    ASSERT_NE(title, nullptr);
    EXPECT_NEAR(title->baseline.x(), 1 * g->col, kTol);
    EXPECT_NEAR(textTop(*title), 1.01 * g->row, 0.5 * g->row);
    const QString today = QString::fromStdString(Date::today().toText(DateFormat::TwoDigitYear));
    const DrawnText* date = page.find(today);
    ASSERT_NE(date, nullptr);
    EXPECT_NEAR((date->baseline.x() + textRight(*date)) / 2, 40 * g->col, kTol);
    const DrawnText* number = page.find("PAG. 1");
    ASSERT_NE(number, nullptr);
    EXPECT_NEAR(textRight(*number), 79 * g->col, kTol);
    EXPECT_NEAR(number->baseline.y(), title->baseline.y(), kTol);
    const DrawnText* foot = page.find("- 1 -");
    ASSERT_NE(foot, nullptr);
    EXPECT_NEAR(textTop(*foot), 64 * g->row, kTol);
}

TEST_F(PageGridTest, JustifiedTextEndsAtTheRightMargin) {
    std::optional<Grid> g;
    DrawnPage page = onePage([&](TPrinter& p, const TFont& f) {
        g.emplace(p);
        printTxt({"uno due tre"}, std::nullopt, p, f, {.justified = true});
        printTxt({QString("fine paragrafo") + QChar(kParagraphEnd)}, std::nullopt, p, f,
                 {.justified = true});
    });
    const DrawnText* last = page.find("tre");
    ASSERT_NE(last, nullptr) << page.allText().toStdString();
    EXPECT_NEAR(textRight(*last), 75 * g->col, 2);
    // A paragraph's last line stays as written, without the mark.
    EXPECT_NE(page.find("fine paragrafo"), nullptr) << page.allText().toStdString();
}

}  // namespace
}  // namespace drav::print::test
