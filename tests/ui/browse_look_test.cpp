// What the browse list shows: its columns, their alignment, the colours a
// screen computes per row and per cell, bitmap cells, the highlight with
// and without the focus; and a picture of a list form for reviewers.
#include "tests/support/gui/Screenshot.h"
#include "tests/ui/browse_fixture.h"
#include "ui/BrowseView.h"
#include "ui/TButton.h"

#include <QApplication>

#include <QImage>
#include <QTest>

namespace drav::ui {
namespace {

class BrowseLook : public test::BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        makeTable("CLIENTI", {"Bianchi", "Brambilla", "Colombo", "Esposito", "Ferrari"}, "CLIENTE");
        data::Table& t = open("CLIENTI");
        // Codes 1 to 5, right-aligned in 10 characters as the program writes them.
        for (int i = 1; i <= 5; ++i) {
            t.goTo(static_cast<uint32_t>(i));
            data::dbLock(true);
            t.put("CODICE", std::string(9, ' ') + std::to_string(i));
            data::dbCommit();
            data::dbUnlock();
        }
        t.goTop();
        table = &t;
    }
    // Code (right), name, and a centred bitmap column showing the bitmap
    // numbered `bitmap` (read when drawn) on clients whose name begins with B.
    TWBrowse* clientList(TDialog& form, const int& bitmap, const char* bitmapTitle,
                         int nameWidth) {
        data::Table& t = *table;
        TWBrowse* b = TWBrowse::reDefine(
            101, form,
            {.line =
                 [&t, &bitmap] {
                     const bool b = text(t, "CLIENTE").starts_with("B");
                     return std::vector<Value>{t.get("CODICE"), t.get("CLIENTE"),
                                               b ? Value(double(bitmap)) : Value()};
                 },
             .headers = {"CODICE", "CLIENTE", bitmapTitle, ""},
             .sizes = {60, nameWidth, 30, 0}});
        b->aJustify = {Justify::Right, Justify::Left, Justify::Center};
        return b;
    }
    // A point of a cell away from its text: near its right edge.
    static QPoint blankOf(const TWBrowse& b, int row, int col) {
        QRect r = b.cellRect(row, col);
        return QPoint(r.right() - 4, r.center().y());
    }
    data::Table* table = nullptr;
};

TEST_F(BrowseLook, ColumnWidthsTheLastZeroTakesTheRestAnUntitledOneGoes) {
    struct Case {
        const char* name;
        std::vector<int> sizes;
        QStringList headers;
        int columns;
        int lastWidth;  // -1: the rest of the row
    } cases[] = {
        {"fixed widths", {60, 40}, {"A", "B"}, 2, 40},
        {"last 0: the rest", {60, 0}, {"A", "B"}, 2, -1},
        {"last 0 untitled: dropped", {60, 0}, {"A", ""}, 1, 60},
        {"one column of width 0", {0}, {"A"}, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDialog form(QString(), test::kBrowseForm);
        TWBrowse* b = TWBrowse::reDefine(
            101, form,
            {.line = [] { return std::vector<Value>{}; }, .headers = c.headers, .sizes = c.sizes});
        ASSERT_TRUE(test::showForm(form));
        ASSERT_EQ(b->colCount(), c.columns);
        const int area = b->view()->dataArea().width();
        int others = 0;
        for (int i = 0; i + 1 < c.columns; ++i) others += b->colWidths()[static_cast<size_t>(i)];
        EXPECT_EQ(b->colWidths().back(), c.lastWidth < 0 ? area - others : c.lastWidth);
        // The list is a whole number of rows high under its header.
        EXPECT_EQ((b->view()->dataArea().height() - b->headerHeight()) % b->rowHeight(), 0);
    }
}

TEST_F(BrowseLook, AlignmentColoursAndBitmaps) {
    data::Table& t = *table;
    TDialog form(QString(), test::kBrowseForm);
    int ok = 0;
    TWBrowse* b = clientList(form, ok, "B", 120);
    ok = b->addBitmap(QStringLiteral("OK"));
    ASSERT_GT(ok, 0);
    EXPECT_EQ(b->addBitmap(QStringLiteral("NOSUCHBITMAP")), 0);
    // The clients whose name begins with B on pink; the code column of
    // every row in blue text (a per-cell colour).
    b->lCellColor = true;
    b->nClrPane = [&](int col, int) {
        return text(t, "CLIENTE").starts_with("B") && col == 2 ? QColor(255, 200, 200) : QColor();
    };
    b->nClrText = [](int col, int) { return col == 1 ? QColor(0, 0, 255) : QColor(); };
    ASSERT_TRUE(test::showForm(form));
    b->widget()->setFocus();
    ASSERT_EQ(b->colCount(), 3);  // the untitled filler went

    // Right-aligned cells trimmed, left-aligned as they are.
    EXPECT_EQ(b->cellText(1, 1), QStringLiteral("1"));
    EXPECT_TRUE(b->cellText(1, 2).startsWith(QStringLiteral("Bianchi  ")));
    EXPECT_EQ(b->cellBitmap(2, 3), ok);
    EXPECT_EQ(b->cellBitmap(3, 3), 0);

    // What reaches the screen. Row 1 is highlighted; row 2 (Brambilla) is
    // pink in its name cell only; row 3 (Colombo) is plain.
    QImage img = b->widget()->grab().toImage();
    EXPECT_EQ(img.pixelColor(blankOf(*b, 2, 2)), QColor(255, 200, 200));
    EXPECT_EQ(img.pixelColor(blankOf(*b, 3, 2)), b->widget()->palette().color(QPalette::Base));
    EXPECT_EQ(img.pixelColor(blankOf(*b, 1, 2)), b->widget()->palette().color(QPalette::Highlight));
    // The bitmap drawn in the middle of its cell; nothing in a cell without one.
    const QRect bmpCell = b->cellRect(2, 3).adjusted(1, 1, -1, -1);
    auto inkIn = [&img](const QRect& r, const QColor& back) {
        int ink = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) ink += img.pixelColor(x, y) != back;
        return ink;
    };
    const QColor base = b->widget()->palette().color(QPalette::Base);
    EXPECT_GT(inkIn(bmpCell, base), 10);
    EXPECT_EQ(inkIn(b->cellRect(3, 3).adjusted(1, 1, -2, -2), base), 0);
    // Blue text in the code column.
    bool blue = false;
    const QRect code = b->cellRect(3, 1);
    for (int y = code.top(); y <= code.bottom(); ++y)
        for (int x = code.left(); x <= code.right(); ++x)
            blue = blue || (img.pixelColor(x, y).blue() > 200 && img.pixelColor(x, y).red() < 80);
    EXPECT_TRUE(blue);
    // The header band: light at its top, deeper at its bottom.
    const QColor top =
        img.pixelColor(b->view()->dataArea().left() + 20, b->view()->dataArea().top() + 1);
    const QColor bottom = img.pixelColor(b->view()->dataArea().left() + 20,
                                         b->view()->dataArea().top() + b->headerHeight() - 3);
    EXPECT_GT(top.lightness(), bottom.lightness());
    EXPECT_GT(bottom.blue(), bottom.red());

    // Without the focus the highlighted row is grey.
    form.findChild<QWidget*>(QStringLiteral("201"))->setFocus();
    QApplication::processEvents();
    img = b->widget()->grab().toImage();
    EXPECT_EQ(img.pixelColor(blankOf(*b, 1, 2)), QColor(128, 128, 128));
}

// A picture of a list form (for a person to look at): a title, codes
// right-aligned, names, a bitmap column, a coloured row, the highlight.
TEST_F(BrowseLook, PictureOfAListForm) {
    data::Table& t = *table;
    TDialog form(QStringLiteral("Clienti - 5 di 5"), test::kBrowseForm);
    int blu = 0;
    TWBrowse* b = clientList(form, blu, "CN", 140);
    b->nColOrder = 2;
    blu = b->addBitmap(QStringLiteral("OK"));
    b->nClrPane = [&](int, int) {
        return text(t, "CLIENTE").starts_with("E") ? QColor(255, 255, 200) : QColor();
    };
    new TButton(
        201, [] {}, form);
    ASSERT_TRUE(test::showForm(form));
    b->widget()->setFocus();
    QTest::keyClick(b->widget(), Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_FALSE(test::saveScreenshot(&form, QStringLiteral("browse_list")).isEmpty());
}

}  // namespace
}  // namespace drav::ui
