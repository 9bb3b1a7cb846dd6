// The browse list moving its table: the navigation keys, the mouse, the
// scroll bar, an empty table, and Stabilize after the table changed under it.
#include "data/access/KeySearch.h"
#include "tests/ui/browse_fixture.h"
#include "ui/BrowseView.h"

#include <QScrollBar>
#include <QTest>

#include <cstdio>

namespace drav::ui {
namespace {

using test::ListForm;

std::vector<std::string> activities(int n) {
    std::vector<std::string> out;
    char buf[16];
    for (int i = 1; i <= n; ++i) {
        std::snprintf(buf, sizeof buf, "ATT%02d", i);
        out.emplace_back(buf);
    }
    return out;
}

std::string nth(int i) {
    return activities(i).back();
}

class BrowseNav : public test::BrowseTest {};

// Each case: where the list starts, the key, and the record (its place in
// the order) and row highlighted afterwards. R is the number of rows that
// fit, N the number of records.
TEST_F(BrowseNav, KeysMoveTheTableAndTheHighlight) {
    using Start = std::function<void(TWBrowse&)>;
    using Want = std::function<int(int R, int N)>;
    auto downs = [](int n) {
        return [n](TWBrowse& b) {
            b.goTop();
            for (int i = 0; i < n; ++i) b.goDown();
        };
    };
    struct Case {
        const char* name;
        bool few;  // 3 records, fewer than the rows
        Start start;
        Qt::Key key;
        Want record, row;
        bool moves;
    } cases[] = {
        {"Home from the middle", false, [](TWBrowse& b) { b.goToPosition(25); }, Qt::Key_Home,
         [](int, int) { return 1; }, [](int, int) { return 1; }, true},
        {"End", false, downs(0), Qt::Key_End, [](int, int N) { return N; },
         [](int R, int) { return R; }, true},
        {"Up at the top", false, downs(0), Qt::Key_Up, [](int, int) { return 1; },
         [](int, int) { return 1; }, false},
        {"Down at the bottom", false, [](TWBrowse& b) { b.goBottom(); }, Qt::Key_Down,
         [](int, int N) { return N; }, [](int R, int) { return R; }, false},
        {"Down inside the window", false, downs(0), Qt::Key_Down, [](int, int) { return 2; },
         [](int, int) { return 2; }, true},
        {"Down on the last row scrolls", false,
         [downs](TWBrowse& b) { downs(b.nRowCount() - 1)(b); }, Qt::Key_Down,
         [](int R, int) { return R + 1; }, [](int R, int) { return R; }, true},
        {"Up on the first row scrolls", false,
         [](TWBrowse& b) {
             b.goTop();
             b.pageDown();
         },
         Qt::Key_Up, [](int R, int) { return R; }, [](int, int) { return 1; }, true},
        {"PageDown", false, downs(0), Qt::Key_PageDown, [](int R, int) { return R + 1; },
         [](int, int) { return 1; }, true},
        {"PageDown near the end", false,
         [](TWBrowse& b) {
             b.goBottom();
             b.goUp();
             b.goUp();
         },
         Qt::Key_PageDown, [](int, int N) { return N; }, [](int R, int) { return R; }, true},
        {"PageUp near the start", false, downs(2), Qt::Key_PageUp, [](int, int) { return 1; },
         [](int, int) { return 1; }, true},
        {"End with fewer records than rows", true, downs(0), Qt::Key_End,
         [](int, int) { return 3; }, [](int, int) { return 3; }, true},
        {"PageDown with fewer records than rows", true, downs(0), Qt::Key_PageDown,
         [](int, int) { return 3; }, [](int, int) { return 3; }, true},
        {"Home with fewer records than rows", true, [](TWBrowse& b) { b.goBottom(); }, Qt::Key_Home,
         [](int, int) { return 1; }, [](int, int) { return 1; }, true},
    };
    makeTable("ATTIVITA", activities(60));
    data::Table& many = open("ATTIVITA", "MOLTE");
    ListForm big;
    ASSERT_TRUE(big.show());
    makeTable("CLIENTI", {"ATT01", "ATT02", "ATT03"}, "CLIENTE");
    data::Table& few = open("CLIENTI");
    ListForm small(QStringLiteral("CLIENTI"), "CLIENTE");
    ASSERT_TRUE(small.show());
    const int R = big.list->nRowCount();
    ASSERT_LT(3, R);
    ASSERT_LT(3 * R, 60);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListForm& f = c.few ? small : big;
        data::Table& t = c.few ? few : many;
        const int N = c.few ? 3 : 60;
        c.start(*f.list);
        const int changes = f.changes;
        f.list->widget()->setFocus();
        QTest::keyClick(f.list->widget(), c.key);
        const int record = c.record(R, N), row = c.row(R, N);
        EXPECT_EQ(text(t, c.few ? "CLIENTE" : "ATTIVITA"), nth(record));
        EXPECT_EQ(f.list->nRowPos, row);
        EXPECT_EQ(f.highlighted().toStdString(), nth(record));
        EXPECT_EQ(f.list->rowsShown(), std::min(R, N));
        EXPECT_EQ(f.list->view()->vScrollBar()->value(), record);
        EXPECT_EQ(f.changes - changes, c.moves ? 1 : 0);
        // The first visible row is the record rows above the highlight.
        EXPECT_EQ(f.list->cellText(1, 1).trimmed().toStdString(), nth(record - row + 1));
    }
}

TEST_F(BrowseNav, MouseWheelAndScrollBar) {
    makeTable("ATTIVITA", activities(60));
    data::Table& t = open("ATTIVITA");
    ListForm f;
    std::vector<int> clicks, rclicks;
    int titleClicks = 0;
    f.list->bLClicked = [&](TWBrowse&, int, int, int, int row, int col) {
        clicks = {row, col, static_cast<int>(t.recno())};
    };
    f.list->bRClicked = [&](TWBrowse&, int, int, int flags, int row, int) {
        rclicks = {row, flags};
    };
    f.list->aActions = {[&] { ++titleClicks; }};
    ASSERT_TRUE(f.show());
    QWidget* w = f.list->widget();
    auto rowPoint = [&](int row) { return f.list->cellRect(row, 1).center(); };

    QTest::mouseClick(w, Qt::LeftButton, {}, rowPoint(3));
    EXPECT_EQ(text(t, "ATTIVITA"), "ATT03");
    EXPECT_EQ(f.list->nRowPos, 3);
    EXPECT_EQ(clicks, (std::vector<int>{3, 1, 3}));  // after the move

    QTest::mouseClick(w, Qt::RightButton, {}, rowPoint(5));
    EXPECT_EQ(text(t, "ATTIVITA"), "ATT05");
    EXPECT_EQ(rclicks, (std::vector<int>{5, kMouseRight}));

    QTest::mouseDClick(w, Qt::LeftButton, {}, rowPoint(2));
    EXPECT_EQ(f.actions, 1);
    EXPECT_EQ(text(t, "ATTIVITA"), "ATT02");

    // A click on the title runs its action and leaves the table alone.
    QTest::mouseClick(w, Qt::LeftButton, {},
                      QPoint(rowPoint(1).x(), f.list->headerHeight() / 2 + 1));
    EXPECT_EQ(titleClicks, 1);
    EXPECT_EQ(text(t, "ATTIVITA"), "ATT02");

    // Enter runs the double-click action with zeros.
    f.list->bLDblClick = [&](int r, int c, int flags, TWBrowse&) {
        EXPECT_EQ(r + c + flags, 0);
        ++f.actions;
    };
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(f.actions, 2);

    // The wheel: one record a notch.
    QWheelEvent down(QPointF(rowPoint(2)), QPointF(w->mapToGlobal(rowPoint(2))), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &down);
    EXPECT_EQ(text(t, "ATTIVITA"), "ATT03");

    // The scroll bar: its page area as PageDown, the thumb at the key
    // position, and dropped at a position, that record.
    QScrollBar* bar = f.list->view()->vScrollBar();
    EXPECT_EQ(bar->maximum(), 60);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(text(t, "ATTIVITA"), nth(3 + f.list->nRowCount()));
    EXPECT_EQ(bar->value(), 3 + f.list->nRowCount());
    f.list->vThumb(47);
    EXPECT_EQ(text(t, "ATTIVITA"), "ATT47");
    EXPECT_EQ(f.highlighted().toStdString(), "ATT47");
    EXPECT_EQ(bar->value(), 47);
}

// The inputs that remain: Left and Right scroll the columns of a list that
// allows it (and leave the others to the form), the wheel moves a page
// while the middle button is held, and the scroll bar's arrows and ends move
// as the keys do. Each of them starts a new typed search.
TEST_F(BrowseNav, ColumnsSidewaysMiddleWheelAndScrollBarArrows) {
    makeTable("ATTIVITA", activities(60));
    data::Table& t = open("ATTIVITA");
    for (bool sideways : {true, false}) {
        SCOPED_TRACE(sideways ? "sideways" : "fixed columns");
        TDialog form(QString(), test::kBrowseForm);
        TWBrowse* list = TWBrowse::reDefine(
            101, form,
            {.line = [&t] { return std::vector<Value>{t.get(0), t.get(0), t.get(0)}; },
             .headers = {"A", "B", "C"},
             .sizes = {200, 200, 200}});
        list->lHScroll = sideways;
        int colChanges = 0;
        list->bColChange = [&colChanges] { ++colChanges; };
        list->bKeyChar = [](int key, TWBrowse& b) { data::keySearch(&b, key); };
        ASSERT_TRUE(test::showForm(form));
        QWidget* w = list->widget();
        w->setFocus();
        t.goTop();
        list->stabilize();

        QTest::keyClick(w, Qt::Key_A);
        EXPECT_EQ(data::keySearchText(), "A");
        QTest::keyClick(w, Qt::Key_Right);
        EXPECT_EQ(list->nColPos, sideways ? 2 : 1);
        EXPECT_EQ(list->isColVisible(1), !sideways);
        EXPECT_EQ(data::keySearchText(), sideways ? "" : "A");
        QTest::keyClick(w, Qt::Key_Right);
        QTest::keyClick(w, Qt::Key_Right);  // no column beyond the last
        EXPECT_EQ(list->nColPos, sideways ? 3 : 1);
        QTest::keyClick(w, Qt::Key_Left);
        EXPECT_EQ(list->nColPos, sideways ? 2 : 1);
        EXPECT_EQ(colChanges, sideways ? 3 : 0);
        EXPECT_EQ(text(t, "ATTIVITA"), "ATT01");  // the rows stay where they are
    }

    ListForm f;
    ASSERT_TRUE(f.show());
    QWidget* w = f.list->widget();
    const int R = f.list->nRowCount();
    QScrollBar* bar = f.list->view()->vScrollBar();
    QTest::keyClick(w, Qt::Key_Home);
    QTest::keyClick(w, Qt::Key_A);
    const QPoint at = f.list->cellRect(2, 1).center();
    QWheelEvent page(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, -120),
                     Qt::MiddleButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &page);
    EXPECT_EQ(text(t, "ATTIVITA"), nth(1 + R));
    EXPECT_EQ(data::keySearchText(), "");

    const struct {
        QAbstractSlider::SliderAction action;
        int record;
    } arrows[] = {
        {QAbstractSlider::SliderSingleStepAdd, 2 + R},
        {QAbstractSlider::SliderSingleStepSub, 1 + R},
        {QAbstractSlider::SliderToMaximum, 60},
        {QAbstractSlider::SliderPageStepSub, 60 - R},
        {QAbstractSlider::SliderToMinimum, 1},
    };
    for (const auto& a : arrows) {
        SCOPED_TRACE(a.record);
        bar->triggerAction(a.action);
        EXPECT_EQ(text(t, "ATTIVITA"), nth(a.record));
        EXPECT_EQ(f.highlighted().toStdString(), nth(a.record));
        EXPECT_EQ(bar->value(), a.record);
    }
}

// No rows: the header only; the keys move nothing and run no change
// handler; Enter still runs the action (the screen's "add" for instance).
TEST_F(BrowseNav, AnEmptyTableShowsTheHeaderOnly) {
    makeTable("ATTIVITA", {});
    open("ATTIVITA");
    ListForm f;
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.list->rowsShown(), 0);
    EXPECT_EQ(f.list->nRowPos, 1);
    for (Qt::Key k :
         {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageUp})
        QTest::keyClick(f.list->widget(), k);
    EXPECT_EQ(f.changes, 0);
    QTest::mouseClick(f.list->widget(), Qt::LeftButton, {}, f.list->cellRect(2, 1).center());
    EXPECT_EQ(f.changes, 0);
    QTest::keyClick(f.list->widget(), Qt::Key_Return);
    EXPECT_EQ(f.actions, 1);
}

// The screens change the table and call Stabilize: the list finds the
// current record at its index position, or the next one when it is gone.
TEST_F(BrowseNav, StabilizeAfterAnAppendAndAfterADelete) {
    makeTable("ATTIVITA", activities(40));
    data::Table& t = open("ATTIVITA");
    ListForm f;
    ASSERT_TRUE(f.show());
    f.list->goBottom();

    // A new record that sorts among the first ones.
    data::dbApp();
    t.put("ATTIVITA", std::string("ATT02A"));
    data::dbCommit();
    data::dbUnlock();
    const int changes = f.changes;
    f.list->stabilize();
    EXPECT_EQ(f.changes, changes + 1);
    EXPECT_EQ(f.highlighted().toStdString(), "ATT02A");
    EXPECT_EQ(f.list->position(), 3u);
    EXPECT_EQ(f.list->rowTotal(), 41u);
    EXPECT_EQ(f.list->nRowPos, 3);  // rows above it: ATT01, ATT02
    EXPECT_EQ(f.list->cellText(4, 1).trimmed(), QStringLiteral("ATT03"));
    EXPECT_TRUE(f.list->widget()->hasFocus());

    // Deleted by another handle: the list moves on to the next record.
    f.list->goDown();  // ATT03
    const uint32_t gone = t.recno();
    data::Table& other = data::dbOpen(true, path("ATTIVITA.DBF"), "ALTRA");
    data::ordAdd(path("ATTIVITA"));
    other.goTo(gone);
    data::dbDel();
    data::select(t.slot());
    f.list->stabilize(false);
    EXPECT_EQ(text(t, "ATTIVITA"), "ATT04");
    EXPECT_EQ(f.highlighted().toStdString(), "ATT04");
    EXPECT_EQ(f.list->rowTotal(), 40u);

    // The last record deleted: the list stands on the new last one.
    f.list->goBottom();
    other.goTo(t.recno());
    data::select(other.slot());
    data::dbDel();
    data::select(t.slot());
    f.list->stabilize(false);
    EXPECT_EQ(text(t, "ATTIVITA"), "ATT39");
    EXPECT_EQ(f.list->nRowPos, f.list->nRowCount());
}

}  // namespace
}  // namespace drav::ui
