// The browse list over a large table: typing finds a client through its
// tag, and what the list asks of the index stays in proportion to the rows
// on screen, not to the table.
#include "data/access/KeySearch.h"
#include "tests/ui/browse_fixture.h"
#include "ui/BrowseView.h"

#include <QScrollBar>
#include <QTest>

#include <cstdio>

namespace drav::ui {
namespace {

using test::ListForm;

constexpr int kClients = 30000;
const char* const kNames[] = {"Bianchi", "Colombo", "Esposito", "Ferrari", "Gallo",
                              "Ricci",   "Romano",  "Rossi",    "Russo",   "Verdi"};

// "Rossi 00007": ten names in turn, each 3000 times; in the tag (UPPER) all
// the Bianchi come first, then the Colombo, and so on.
std::vector<std::string> clients() {
    std::vector<std::string> out;
    out.reserve(kClients);
    char buf[32];
    for (int i = 0; i < kClients; ++i) {
        std::snprintf(buf, sizeof buf, "%s %05d", kNames[i % 10], i);
        out.emplace_back(buf);
    }
    return out;
}

class BrowseSearch : public test::BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        makeTable("CLIENTI", clients(), "CLIENTE");
    }
};

TEST_F(BrowseSearch, TypingFindsTheClientAndANavigationKeyStartsANewSearch) {
    data::Table& t = open("CLIENTI");
    ListForm f(QStringLiteral("CLIENTI"), "CLIENTE");
    ASSERT_TRUE(f.show());
    QScrollBar* bar = f.list->view()->vScrollBar();
    EXPECT_EQ(bar->maximum(), kClients);

    struct Step {
        const char* keys;    // typed; "" for the navigation key
        const char* search;  // the search text afterwards
        const char* client;  // the current client, highlighted
        int position;        // its place in the tag
    } steps[] = {
        {"ro", "RO", "Romano 00006", 18001},
        {"s", "ROS", "Rossi 00007", 21001},
        {"x", "ROS", "Rossi 00007", 21001},  // no ROSX: all stays
        {"{BS}", "RO", "Romano 00006", 18001},
        {"", "", "Romano 00016", 18002},  // Down
        {"v", "V", "Verdi 00009", 27001},
        {"{BS}{BS}", "", "Bianchi 00000", 1},  // the text alone: the first client
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.keys);
        if (*s.keys)
            test::typeKeys(QString::fromLatin1(s.keys));
        else
            QTest::keyClick(f.list->widget(), Qt::Key_Down);
        EXPECT_EQ(data::keySearchText(), s.search);
        EXPECT_EQ(text(t, "CLIENTE"), s.client);
        EXPECT_EQ(f.highlighted().toStdString(), s.client);
        EXPECT_EQ(bar->value(), s.position);
    }
    // A new search after a navigation key does not go on from the old text.
    test::typeKeys("ro");
    QTest::keyClick(f.list->widget(), Qt::Key_End);
    EXPECT_EQ(data::keySearchText(), "");
    test::typeKeys("g");
    EXPECT_EQ(text(t, "CLIENTE"), "Gallo 00004");
}

// Opening, scrolling, paging, going to both ends and searching a table of
// 30000 clients: every operation asks the index for about as many records
// as the rows on screen, and counts or positions only a few times.
TEST_F(BrowseSearch, ScrollingReadsOnlyAboutTheVisibleRows) {
    data::Table& t = open("CLIENTI");
    auto counting = std::make_unique<test::CountingOrder>(*t.order(1));
    test::CountingOrder& order = *counting;
    t.addOrder(std::move(counting));
    t.setOrder(2);
    t.goTop();

    ListForm f(QStringLiteral("CLIENTI"), "CLIENTE");
    ASSERT_TRUE(f.show());
    const uint64_t R = static_cast<uint64_t>(f.list->nRowCount());
    auto perOperation = [&](const char* what, const std::function<void()>& op, uint64_t steps,
                            uint64_t lookups) {
        SCOPED_TRACE(what);
        order.steps = order.lookups = 0;
        op();
        EXPECT_LE(order.steps, steps);
        EXPECT_LE(order.lookups, lookups);
    };
    QWidget* w = f.list->widget();
    perOperation(
        "stabilize", [&] { f.list->stabilize(); }, 2 * R + 2, 2);
    perOperation(
        "down", [&] { QTest::keyClick(w, Qt::Key_Down); }, 2 * R + 1, 0);
    perOperation(
        "page down", [&] { QTest::keyClick(w, Qt::Key_PageDown); }, 3 * R + 1, 0);
    perOperation(
        "20 downs",
        [&] {
            for (int i = 0; i < 20; ++i) QTest::keyClick(w, Qt::Key_Down);
        },
        20 * (2 * R + 1), 0);
    perOperation(
        "end", [&] { QTest::keyClick(w, Qt::Key_End); }, 2 * R + 2, 1);
    perOperation(
        "page up", [&] { QTest::keyClick(w, Qt::Key_PageUp); }, 3 * R + 1, 0);
    perOperation(
        "home", [&] { QTest::keyClick(w, Qt::Key_Home); }, 2 * R + 1, 0);
    perOperation(
        "typed search", [&] { test::typeKeys("ve"); }, 2 * (2 * R + 2), 2);
    perOperation(
        "click", [&] { QTest::mouseClick(w, Qt::LeftButton, {}, f.list->cellRect(4, 1).center()); },
        2 * R + 4, 0);
    perOperation(
        "repaint", [&] { w->repaint(); }, 0, 0);
    // The scroll thumb dropped in the middle of the table goes there through
    // the index pages, not by stepping over the records before it.
    perOperation(
        "thumb to the middle", [&] { f.list->vThumb(15000); }, 2 * R + 2, 3);
    EXPECT_EQ(t.keyPosition(), 15000u);
    EXPECT_EQ(text(t, "CLIENTE"), f.highlighted().toStdString());
}

}  // namespace
}  // namespace drav::ui
