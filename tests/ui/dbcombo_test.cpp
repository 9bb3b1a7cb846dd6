// The client pick list under a field: picked with the mouse or by typing
// and Enter, cancelled with Esc (the typed name back, no change handler),
// and its table always closed with the previous slot selected again.
#include "ui/DbCombo.h"
#include "data/access/KeySearch.h"
#include "tests/ui/browse_fixture.h"
#include "ui/BrowseView.h"
#include "ui/FormTemplate.h"
#include "ui/TBtnBmp.h"
#include "ui/TGet.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace drav::ui {
namespace {

const QString kCombo = QStringLiteral("TESTCOMBO");

// Runs the step on the pick list once it is shown (it is not modal: the
// caller waits in its own loop).
void whenListShown(std::function<void(TDialog&, TWBrowse&)> step) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* popup = qobject_cast<TDialog*>(w);
            if (!popup || popup->objectName() != QLatin1String("DBCOMBO") || !popup->isVisible())
                continue;
            timer->stop();
            timer->deleteLater();
            auto* list = popup->findChild<TWBrowse*>();
            step(*popup, *list);
            return;
        }
    });
    timer->start();
}

class DbComboTest : public test::BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        registerTemplate(kCombo, [](QWidget& w) {
            TemplateBuilder b(w, 200, 60, QStringLiteral("Corsa"));
            b.get(101, QRect(8, 8, 150, 12));
            b.bitmapButton(102, QStringLiteral("DBCOMBO"), QRect(160, 8, 14, 12));
            b.button(201, QStringLiteral("&Conferma"), QRect(140, 40, 50, 14));
        });
        makeTable("CLIENTI", {"Verdi", "Rota", "Rossi Mario", "Bianchi", "Rossini"}, "CLIENTE");
        // Another table is current when the list opens, as on the run card.
        makeTable("ATTIVITA", {"MODA"});
        open("ATTIVITA");
        previousSlot = data::currentSlot();
    }
    struct Card {
        Card() : form(QString(), kCombo) {
            field = new TGet(101, bindVar(cliente), form, {.change = [this] { ++changes; }});
            button = new TBtnBmp(
                102, QStringLiteral("DBCOMBO"), [] {}, form);
        }
        void type(const std::string& name) {
            cliente = name;
            cliente.resize(30, ' ');
            field->refresh();
        }
        std::string shown() const { return field->edit()->text().trimmed().toStdString(); }
        std::string cliente = std::string(30, ' ');
        TDialog form;
        TGet* field;
        TBtnBmp* button;
        int changes = 0;
    };
    DbComboArgs args() { return {.table = path("CLIENTI.DBF"), .index = path("CLIENTI")}; }
    // After the list: its table closed, the slot before current again, the
    // button enabled again.
    void expectTidy(Card& c) {
        EXPECT_EQ(data::usedSlots(), (std::vector<int>{previousSlot}));
        EXPECT_EQ(data::currentSlot(), previousSlot);
        EXPECT_TRUE(c.button->isEnabled());
    }
    test::ScopedQtPort port;
    int previousSlot = 0;
};

TEST_F(DbComboTest, AClickPicksTheRow) {
    Card c;
    ASSERT_TRUE(test::showForm(c.form));
    c.type("ros");
    std::string firstShown, afterDown;
    bool buttonOff = false;
    int width = 0;
    whenListShown([&](TDialog& popup, TWBrowse& list) {
        buttonOff = !c.button->isEnabled();
        firstShown = list.cellText(list.nRowPos, 1).trimmed().toStdString();
        width = popup.width();
        QTest::keyClick(list.widget(), Qt::Key_Down);
        afterDown = c.shown();  // the highlight written into the field
        QTest::mouseClick(list.widget(), Qt::LeftButton, {}, list.cellRect(1, 1).center());
    });
    EXPECT_TRUE(dbCombo(*c.field, c.button, args()));
    EXPECT_TRUE(buttonOff);
    EXPECT_EQ(firstShown, "Rossi Mario");
    EXPECT_EQ(afterDown, "Rossini");
    // From the field's left edge to the button's right edge.
    EXPECT_EQ(width, c.button->widget()->geometry().right() + 1 - c.field->edit()->x());
    EXPECT_EQ(c.shown(), "Bianchi");
    EXPECT_EQ(c.cliente.size(), 30u);  // the field keeps its length
    EXPECT_EQ(c.changes, 1);
    expectTidy(c);
}

TEST_F(DbComboTest, TypingSearchesAndEnterPicks) {
    Card c;
    ASSERT_TRUE(test::showForm(c.form));
    whenListShown([&](TDialog&, TWBrowse& list) {
        QTest::keyClick(list.widget(), 'r');
        QTest::keyClick(list.widget(), 'o');
        QTest::keyClick(list.widget(), 't');
        QTest::keyClick(list.widget(), Qt::Key_Return);
    });
    EXPECT_TRUE(dbCombo(*c.field, c.button, args()));
    EXPECT_EQ(c.shown(), "Rota");
    EXPECT_EQ(c.changes, 1);
    expectTidy(c);
}

// A name not in the table opens the list on the first client; Esc puts the
// typed name back and runs no change handler.
TEST_F(DbComboTest, EscPutsTheTypedNameBack) {
    Card c;
    ASSERT_TRUE(test::showForm(c.form));
    c.type("Zanetti");
    std::string firstShown, afterDown;
    whenListShown([&](TDialog&, TWBrowse& list) {
        firstShown = list.cellText(list.nRowPos, 1).trimmed().toStdString();
        QTest::keyClick(list.widget(), Qt::Key_Down);
        afterDown = c.shown();
        QTest::keyClick(list.widget(), Qt::Key_Escape);
    });
    EXPECT_FALSE(dbCombo(*c.field, c.button, args()));
    EXPECT_EQ(firstShown, "Bianchi");
    EXPECT_EQ(afterDown, "Rossi Mario");
    EXPECT_EQ(c.shown(), "Zanetti");
    EXPECT_EQ(c.changes, 0);
    expectTidy(c);
}

// A lookup table that cannot be opened: no list, no pick, all tidy.
TEST_F(DbComboTest, AnErrorEndsTheListWithoutAPick) {
    Card c;
    ASSERT_TRUE(test::showForm(c.form));
    c.type("Rossi");
    DbComboArgs a = args();
    a.index = path("MANCANTE");
    EXPECT_FALSE(dbCombo(*c.field, c.button, a));
    EXPECT_EQ(c.shown(), "Rossi");
    EXPECT_EQ(c.changes, 0);
    expectTidy(c);
}

}  // namespace
}  // namespace drav::ui
