// How a form behaves: focus and keys, when-conditions, the controls bound
// to values, the control searches, REFRESHALL and the definition errors.
#include "tests/support/ScriptedPort.h"
#include "tests/support/gui/ModalScript.h"
#include "tests/ui/FormFixture.h"
#include "ui/EventGuard.h"
#include "ui/FormHelpers.h"
#include "ui/TBtnBmp.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TFolder.h"
#include "ui/TGet.h"
#include "ui/TMultiGet.h"
#include "ui/TRadMenu.h"
#include "ui/TSay.h"
#include "util/Error.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

namespace drav::ui {
namespace {

using test::focused;
using test::typeKeys;

// The edit card used by most tests: name, date, amount, a check box the
// amount depends on, an editable combo, a drop-down list, a radio pair.
struct Card {
    explicit Card(const QString& resName = test::kCard) : form(QString(), resName) {
        name = new TGet(101, bindVar(cName), form, {.change = [this] { form.lModify = true; }});
        date = new TGet(102, bindVar(dDate), form);
        amount = new TGet(103, bindVar(nAmount), form,
                          {.mask = "@ZE 9,999.99", .when = [this] { return lInvoice; }});
        invoice = new TCheckBox(104, bindVar(lInvoice), form);
        town = new TComboBox(105, bindVar(cTown), {"MILANO", "TORINO"}, form, {.mask = "@!"});
        kind = new TComboBox(106, bindVar(cKind), {"Urgente", "Normale"}, form, {.style = 3});
        pay = new TRadMenu(bindVar(nPay), form, {107, 108});
        TButton::confirm(form);
        TButton::cancel(form);
    }

    std::string cName = "ROSSI     ";
    Date dDate;
    double nAmount = 0;
    bool lInvoice = false;
    std::string cTown = "COMO";
    std::string cKind = "Normale";
    double nPay = 0;

    TDialog form;
    TGet* name;
    TGet* date;
    TGet* amount;
    TCheckBox* invoice;
    TComboBox* town;
    TComboBox* kind;
    TRadMenu* pay;
};

class Form : public ::testing::Test {
protected:
    void SetUp() override {
        setDateFormat(DateFormat::TwoDigitYear);
        test::registerTestTemplates();
    }
    void TearDown() override {
        setDateFormat(DateFormat::FourDigitYear);
        TEST_clearProgramEnd();
    }
    test::ScopedScriptedPort port;
};

QWidget* child(QWidget& form, int id) {
    return form.findChild<QWidget*>(QString::number(id));
}

// Enter walks the fields; after the last one it reaches the first button
// and the card stays open (it has no default button). Enter on a button
// presses it.
TEST_F(Form, EnterMovesOnAndNeverConfirmsACard) {
    Card c;
    ASSERT_TRUE(test::showForm(c.form));
    c.name->setFocus();
    typeKeys("{ENTER}");
    EXPECT_EQ(focused(), child(c.form, 102));
    typeKeys("{ENTER}");  // 103 is disabled (when-condition false): skipped
    EXPECT_EQ(focused(), child(c.form, 104));
    c.town->setFocus();
    typeKeys("{ENTER}");  // an editable combo box moves on too
    EXPECT_EQ(focused(), child(c.form, 106));
    typeKeys("{ENTER}");  // the radio group is one stop: its chosen button
    EXPECT_EQ(focused(), child(c.form, 107));
    typeKeys("{ENTER}");
    EXPECT_EQ(focused(), child(c.form, 201));
    EXPECT_TRUE(c.form.isVisible());
    EXPECT_EQ(c.form.nResult, 0);

    // Shift+Tab goes back, Tab forward.
    QTest::keyClick(focused(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), child(c.form, 107));
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), child(c.form, 201));

    // Enter on a button presses it: "Annulla" ends the form with result 2.
    child(c.form, 202)->setFocus();
    typeKeys("{ENTER}");
    EXPECT_FALSE(c.form.isVisible());
    EXPECT_EQ(c.form.nResult, 2);
    EXPECT_EQ(c.form.Cargo, 2);
}

// Esc and the close box go through the close permission with result 2.
TEST_F(Form, EscAndCloseBoxAskTheClosePermission) {
    for (bool useCloseBox : {false, true}) {
        Card c;
        bool allow = false;
        int asked = 0;
        c.form.activate({.valid = nullptr, .modal = false});
        c.form.bValid = [&] {
            ++asked;
            return allow;
        };
        ASSERT_TRUE(QTest::qWaitForWindowActive(&c.form));
        auto close = [&] {
            if (useCloseBox)
                c.form.close();
            else
                QTest::keyClick(focused(), Qt::Key_Escape);
        };
        close();
        EXPECT_TRUE(c.form.isVisible());
        allow = true;
        close();
        EXPECT_FALSE(c.form.isVisible());
        EXPECT_EQ(asked, 2);
        EXPECT_EQ(c.form.nResult, 2);
        EXPECT_FALSE(c.form.Cargo.has_value());
    }
}

// When-conditions: applied when the form starts and after every click;
// clicking the check box enables the amount at once.
TEST_F(Form, WhenConditionsFollowEveryClick) {
    Card c;
    int buttonWhen = 0;
    ASSERT_TRUE(test::showForm(c.form));
    EXPECT_FALSE(c.amount->isEnabled());
    c.invoice->click();
    EXPECT_TRUE(c.lInvoice);
    EXPECT_TRUE(c.amount->isEnabled());
    QTest::mouseClick(child(c.form, 104), Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_FALSE(c.lInvoice);
    EXPECT_FALSE(c.amount->isEnabled());

    // A button click re-evaluates them too, even when its action changed the value.
    TControl* confirm = item(c.form, 201);
    confirm->bWhen = [&buttonWhen] { return ++buttonWhen > 0; };
    c.lInvoice = true;
    static_cast<TButton*>(item(c.form, 202))->bAction = [] {};
    item(c.form, 202)->click();
    EXPECT_TRUE(c.amount->isEnabled());
    EXPECT_GE(buttonWhen, 1);
}

TEST_F(Form, CheckBoxAndRadioGroupStoreTheirValues) {
    Card c;
    int changes = 0;
    c.pay->bChange = [&changes] { ++changes; };
    ASSERT_TRUE(test::showForm(c.form));
    EXPECT_EQ(c.nPay, 1.0);  // 0 becomes 1
    EXPECT_TRUE(static_cast<QRadioButton*>(child(c.form, 107))->isChecked());
    QTest::mouseClick(child(c.form, 108), Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_EQ(c.nPay, 2.0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(item(c.form, 108), c.pay);

    // A check box bound to something that is not a logical starts false.
    Value notLogical = std::string("x");
    TDialog other(QString(), test::kCard);
    new TCheckBox(104, bindVar(notLogical), other);
    EXPECT_EQ(notLogical, Value(false));
}

// A combo box shows a bound value that is not among its items as its first
// item; choosing an item stores it; typing goes through the mask.
TEST_F(Form, ComboBoxes) {
    Card c;
    int changes = 0;
    c.kind->bChange = [&changes] { ++changes; };
    ASSERT_TRUE(test::showForm(c.form));
    auto* town = static_cast<QComboBox*>(child(c.form, 105));
    EXPECT_EQ(town->itemText(0), QStringLiteral("COMO"));
    EXPECT_EQ(town->count(), 3);
    EXPECT_EQ(town->currentIndex(), 0);
    EXPECT_EQ(c.kind->nAt(), 2);

    auto* kind = static_cast<QComboBox*>(child(c.form, 106));
    kind->setFocus();
    QTest::keyClick(kind, Qt::Key_Up);  // choose the item above
    EXPECT_EQ(c.cKind, "Urgente");
    EXPECT_EQ(changes, 1);

    town->setFocus();
    town->lineEdit()->selectAll();
    typeKeys("lecco");
    EXPECT_EQ(town->currentText(), QStringLiteral("LECCO"));
    EXPECT_EQ(c.cTown, "LECCO");

    ctlDisable(*c.kind);
    EXPECT_EQ(c.cKind, "");
    EXPECT_EQ(kind->currentText(), QString());
    EXPECT_EQ(c.kind->nAt(), 1);
    EXPECT_FALSE(kind->isEnabled());
}

TEST_F(Form, CbPictureKeepsTheCaret) {
    Card c;
    ASSERT_TRUE(test::showForm(c.form));
    QLineEdit* e = static_cast<QComboBox*>(child(c.form, 105))->lineEdit();
    e->setText(QStringLiteral("12a34"));
    e->setCursorPosition(3);
    cbPicture(*c.town, "9");
    EXPECT_EQ(e->text(), QStringLiteral("1234"));
    EXPECT_EQ(e->cursorPosition(), 2);
    e->setText(QStringLiteral("via po"));
    e->setCursorPosition(4);
    cbPicture(*c.town, "@!");
    EXPECT_EQ(e->text(), QStringLiteral("VIA PO"));
    EXPECT_EQ(e->cursorPosition(), 4);
}

// CTL by position is creation order whatever the id; by name the first
// variable name that equals or begins with the text; ITEM by id.
TEST_F(Form, ControlSearches) {
    Value a = std::string(" "), b = std::string(" "), d = std::string(" ");
    TDialog form(QString(), test::kCard);
    TGet* g103 = new TGet(103, bindVar(a), form, {.varName = "cIndirizzo"});
    TGet* g101 = new TGet(101, bindVar(b), form, {.varName = "cCitta"});
    TGet* g102 = new TGet(102, bindVar(d), form, {.varName = "cCittaBis"});
    EXPECT_EQ(ctl(form, 1), g103);
    EXPECT_EQ(ctl(form, 3), g102);
    EXPECT_EQ(ctl(form, 4), nullptr);
    EXPECT_EQ(item(form, 101), g101);
    EXPECT_EQ(item(form, 104), nullptr);
    EXPECT_EQ(ctl(form, QStringLiteral("cCitta")), g101);
    EXPECT_EQ(ctl(form, QStringLiteral("cCittaB")), g102);
    EXPECT_EQ(ctl(form, QStringLiteral("cInd")), g103);
    EXPECT_EQ(ctl(form, QStringLiteral("cNome")), nullptr);
}

// REFRESHALL shows values the screen changed, leaves alone what the user
// is typing, and a call from inside a running one returns at once.
TEST_F(Form, RefreshAll) {
    Card c;
    int nested = 0;
    int depth = 0;
    TDialog* form = &c.form;
    new TSay(109,
             [&]() -> Value {
                 ++depth;
                 if (depth < 5) {
                     ++nested;
                     refreshAll(*form);  // would recurse without the guard
                 }
                 --depth;
                 return Value(c.nAmount);
             },
             c.form, {.mask = "@E 9,999.99"});
    ASSERT_TRUE(test::showForm(c.form));
    nested = 0;

    c.nAmount = 1234.5;
    c.cName = "BIANCHI   ";
    c.date->setFocus();
    typeKeys("0103");  // typed, not yet stored
    refreshAll(c.form);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(static_cast<QLabel*>(child(c.form, 109))->text(), QStringLiteral("1.234,50"));
    EXPECT_EQ(static_cast<QLineEdit*>(child(c.form, 101))->text(), QStringLiteral("BIANCHI"));
    EXPECT_EQ(static_cast<QLineEdit*>(child(c.form, 102))->text(), QStringLiteral("01/03/  "));

    // A value the screen changes under the focused field is shown.
    c.dDate = Date::fromYmd(2026, 5, 4);
    refreshAll(c.form);
    EXPECT_EQ(static_cast<QLineEdit*>(child(c.form, 102))->text(), QStringLiteral("04/05/26"));
}

// An operation given up inside a button's action ends there; the form stays.
// An end of the program closes the form and leaves activate() as ProgramEnd.
TEST_F(Form, ActionsThatAbandonOrEndTheProgram) {
    Card c;
    static_cast<TButton*>(item(c.form, 201))->bAction = [] { throw Abandoned(); };
    static_cast<TButton*>(item(c.form, 202))->bAction = [] { throw ProgramEnd(1); };
    test::ModalScript s;
    s.on(test::kCard, [&](QWidget* w) {
        test::clickButton(w, QStringLiteral("Conferma"));
        EXPECT_TRUE(w->isVisible());
        test::clickButton(w, QStringLiteral("Annulla"));
    });
    EXPECT_THROW(c.form.activate(), ProgramEnd);
    EXPECT_TRUE(s.done());
    EXPECT_FALSE(c.form.isVisible());
}

// Definition errors: a message, then the end of the program.
TEST_F(Form, DefinitionErrors) {
    {
        TDialog form(QStringLiteral("X"), QStringLiteral("NOSUCHFORM"));
        EXPECT_THROW(form.activate(), ProgramEnd);
    }
    int line = 0;
    {
        Value v = std::string(" ");
        TDialog form(QString(), test::kCard);
        new TGet(101, bindVar(v), form);
        line = __LINE__ + 1;
        new TGet(150, bindVar(v), form);
        new TGet(101, bindVar(v), form);
        EXPECT_THROW(form.activate(), ProgramEnd);
    }
    {
        Value v = std::string(" ");
        TDialog form(QString(), test::kCard);
        new TGet(101, bindVar(v), form);
        new TGet(101, bindVar(v), form);
        EXPECT_THROW(form.activate(), ProgramEnd);
    }
    const auto& m = port.log().messages;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].text, QStringLiteral("Resource not found: NOSUCHFORM"));
    const QString where = QStringLiteral(
        "\r\nFunction: drav::ui::{anonymous}::Form_DefinitionErrors_Test::TestBody  Line: ");
    EXPECT_EQ(m[1].text, QStringLiteral("Id not found: 150") + where + QString::number(line));
    EXPECT_TRUE(m[2].text.startsWith(QStringLiteral("Duplicate id 101") + where))
        << m[2].text.toStdString();
    for (const auto& msg : m) EXPECT_EQ(msg.mode, 1);
}

// A form whose when-condition is false is not shown and gives 2.
TEST_F(Form, FormWhenConditionFalse) {
    Card c;
    EXPECT_EQ(c.form.activate({.when = [] { return false; }}), 2);
    EXPECT_FALSE(c.form.isVisible());
}

}  // namespace
}  // namespace drav::ui

namespace drav::ui {
namespace {

// A form with pages: the searches walk them depth-first, the close rule
// merges their modified flags and validates page by page, showing the page
// of the failing field; a hidden page moves to the end.
TEST_F(Form, FolderPages) {
    test::ScopedQtPort qt;
    std::string first = "    ", notes = "riga uno\r\nriga due", second = "    ";
    TDialog form(QString(), test::kFolder);
    auto* folder = new TFolder(110, form, {"TESTPAGE1", "TESTPAGE2"}, {"Dati", "Altro"});
    TContainer& page1 = *folder->pages()[0];
    TContainer& page2 = *folder->pages()[1];
    auto* a = new TGet(101, bindVar(first), page1, {.varName = "cPrimo"});
    int memoChanges = 0;
    auto* memo = new TMultiGet(102, bindVar(notes), page1,
                               {.change = [&memoChanges] { ++memoChanges; }, .varName = "cNote"});
    auto* b = new TGet(101, bindVar(second), page2,
                       {.valid = [&second] { return second != "    "; }, .varName = "cSecondo"});
    TButton::confirm(form);
    TButton::cancel(form);

    EXPECT_EQ(ctl(form, QStringLiteral("cSec")), b);
    EXPECT_EQ(item(form, 101), a);  // page 1 comes first
    EXPECT_EQ(item(form, 102), memo);
    EXPECT_EQ(ctl(form, 1), folder);

    QStringList messages;
    QString pageShown;
    test::ModalScript run;
    run.on(test::kFolder,
           [&](QWidget* w) {
               EXPECT_EQ(static_cast<QPlainTextEdit*>(memo->widget())->toPlainText(),
                         QStringLiteral("riga uno\nriga due"));
               memo->setFocus();
               typeKeys("{END}!");  // at the end of the first line
               EXPECT_EQ(memoChanges, 1);
               EXPECT_EQ(static_cast<QPlainTextEdit*>(memo->widget())->toPlainText(),
                         QStringLiteral("riga uno!\nriga due"));
               test::clickButton(w, QStringLiteral("Conferma"));
           })
        .on("POPMSG",
            [&](QWidget* box) {
                messages << test::messageBoxText(box);
                pageShown = folder->tabs()->tabText(folder->tabs()->currentIndex());
                test::clickButton(box, QStringLiteral("OK"));
            })
        .on(test::kFolder,
            [&](QWidget*) {
                page2.lModify = true;  // a change on a page: the form asks
                typeKeys("{ESC}");
            })
        .on("POPMSG", [&](QWidget* box) {
            messages << test::messageBoxText(box);
            test::clickButton(box, QStringLiteral("Sì"));
        });
    form.activate({.valid = [&form] { return valid(form, true); }});
    EXPECT_TRUE(run.done()) << run.pending().toStdString();
    EXPECT_EQ(messages, (QStringList{"Campo non valido.", "Annullo le modifiche?"}));
    EXPECT_EQ(pageShown, QStringLiteral("Altro"));
    EXPECT_TRUE(form.lModify);
    EXPECT_EQ(notes, "riga uno!\r\nriga due");  // stored on leaving, CR LF kept

    fldHideItem(*folder, 1);
    EXPECT_EQ(folder->pages().back().get(), &page1);
    EXPECT_EQ(folder->tabs()->count(), 1);
    EXPECT_EQ(item(form, 101), b);  // the hidden page is searched last
}

// Lines typed in a memo reach its value only when it is left: a refresh of
// the form meanwhile (a timer of another window may run one) keeps them on
// screen, a text the screen itself put into the value is shown, and leaving
// a memo nobody typed in never writes its old text over the screen's.
TEST_F(Form, MemoKeepsWhatIsTypedUntilItIsLeft) {
    std::string name = "    ", notes = "prima";
    TDialog form(QString(), QStringLiteral("TESTPAGE1"));
    new TGet(101, bindVar(name), form);
    auto* memo = new TMultiGet(102, bindVar(notes), form);
    ASSERT_TRUE(test::showForm(form));
    auto* box = static_cast<QPlainTextEdit*>(memo->widget());

    memo->setFocus();
    typeKeys("{END} riga");
    refreshAll(form);
    EXPECT_EQ(box->toPlainText(), QStringLiteral("prima riga"));
    EXPECT_EQ(notes, "prima");
    child(form, 101)->setFocus();
    EXPECT_EQ(notes, "prima riga");

    memo->setFocus();
    typeKeys("!");
    notes = "dal programma";
    refreshAll(form);
    EXPECT_EQ(box->toPlainText(), QStringLiteral("dal programma"));

    memo->setFocus();
    notes = "ancora dal programma";  // not yet shown
    child(form, 101)->setFocus();
    EXPECT_EQ(notes, "ancora dal programma");
}

TEST_F(Form, LabelsAndBitmapButtons) {
    double total = 1234.5;
    bool late = false;
    TDialog form(QString(), test::kCard);
    auto* say = new TSay(109, [&total] { return Value(total); }, form,
                         {.mask = "@E 99,999.99", .colorFn = [&late] {
                              return late ? QColor(255, 0, 0) : QColor(0, 0, 0);
                          }});
    auto* btn = new TBtnBmp(201, QStringLiteral("PRINT"), [] {}, form,
                            {.toolTip = QStringLiteral("Stampa")});
    ASSERT_TRUE(test::showForm(form));
    auto* label = static_cast<QLabel*>(child(form, 109));
    EXPECT_EQ(label->text(), QStringLiteral(" 1.234,50"));
    total = 7;
    late = true;
    say->refresh();
    EXPECT_EQ(label->text(), QStringLiteral("     7,00"));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(btn->button()->icon().isNull());
    EXPECT_EQ(btn->button()->toolTip(), QStringLiteral("Stampa"));
}

}  // namespace
}  // namespace drav::ui

namespace drav::ui {
namespace {

// A click on a button first asks the focused control's own check; a
// failure ignores the click, except for a cancel button.
TEST_F(Form, FocusedControlCheckComesBeforeAClick) {
    Card c;
    int confirmed = 0;
    static_cast<TButton*>(item(c.form, 201))->bAction = [&confirmed] { ++confirmed; };
    c.name->bValid = [] { return false; };
    ASSERT_TRUE(test::showForm(c.form));
    c.name->setFocus();
    item(c.form, 201)->click();
    EXPECT_EQ(confirmed, 0);
    QTest::mouseClick(child(c.form, 201), Qt::LeftButton);  // takes the focus first
    EXPECT_EQ(confirmed, 0);
    c.date->setFocus();
    item(c.form, 201)->click();
    EXPECT_EQ(confirmed, 1);
    c.name->setFocus();
    item(c.form, 202)->click();
    EXPECT_FALSE(c.form.isVisible());
}

}  // namespace
}  // namespace drav::ui
