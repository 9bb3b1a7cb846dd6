// The close rule every form installs (valid, __VALID), with real message
// boxes answered by clicking their buttons.
#include "tests/support/gui/ModalScript.h"
#include "tests/ui/FormFixture.h"
#include "ui/FormHelpers.h"
#include "ui/TButton.h"
#include "ui/TGet.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace drav::ui {
namespace {

using test::ModalScript;
using test::typeKeys;

// An edit card: a date (102) and a mandatory name (101) bound in that
// order, an amount (103) with a when-condition.
struct Card {
    explicit Card(bool askOnCancel = true) : form(QString(), test::kCard), ask(askOnCancel) {
        auto changed = [this] { form.lModify = true; };
        date = new TGet(102, bindVar(dDate), form, {.change = changed});
        name =
            new TGet(101, bindVar(cName), form,
                     {.valid = [this] { return cName.find_first_not_of(' ') != std::string::npos; },
                      .change = changed});
        amount = new TGet(103, bindVar(nAmount), form,
                          {.mask = "@ZE 99.99",
                           .valid = [this] { return nAmount > 0; },
                           .when = [this] { return lAmount; },
                           .change = changed});
        TButton::confirm(form);
        TButton::cancel(form);
    }
    int run() {
        return form.activate({.valid = [this] { return valid(form, ask); }});
    }
    QLineEdit* edit(int id) { return form.findChild<QLineEdit*>(QString::number(id)); }

    std::string cName = "          ";
    Date dDate;
    double nAmount = 0;
    bool lAmount = false;
    TDialog form;
    bool ask;
    TGet* date;
    TGet* name;
    TGet* amount;
};

class CloseProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        setDateFormat(DateFormat::TwoDigitYear);
        test::registerTestTemplates();
    }
    void TearDown() override { setDateFormat(DateFormat::FourDigitYear); }
    test::ScopedQtPort port;
    ModalScript script;
};

// Esc after a change asks; No keeps the card open with the focus where it
// was; Yes closes it unconfirmed.
TEST_F(CloseProtocol, DiscardQuestionAfterAChange) {
    Card c;
    QString question;
    bool stillOpenAfterNo = false;
    bool focusKept = false;
    script
        .on(test::kCard,
            [&](QWidget*) {
                c.edit(101)->setFocus();
                typeKeys("verdi");
                c.edit(102)->setFocus();
                typeKeys("{ESC}");
            })
        .on("POPMSG",
            [&](QWidget* box) {
                question = test::messageBoxText(box);
                auto* m = static_cast<QMessageBox*>(box);
                EXPECT_EQ(m->defaultButton()->text(), QStringLiteral("No"));
                EXPECT_EQ(m->icon(), QMessageBox::Question);
                test::clickButton(box, QStringLiteral("No"));
            })
        .on(test::kCard,
            [&](QWidget* w) {
                stillOpenAfterNo = w->isVisible();
                focusKept = QApplication::focusWidget() == c.edit(102);
                typeKeys("{ESC}");
            })
        .on("POPMSG", [](QWidget* box) { test::clickButton(box, QStringLiteral("Sì")); });
    EXPECT_EQ(c.run(), 2);
    EXPECT_TRUE(script.done()) << script.pending().toStdString();
    EXPECT_EQ(question, QStringLiteral("Annullo le modifiche?"));
    EXPECT_TRUE(stillOpenAfterNo);
    EXPECT_TRUE(focusKept);
    EXPECT_EQ(c.form.nResult, 2);
}

// Without a change, or on a list form, Esc closes at once.
TEST_F(CloseProtocol, NoQuestionWithoutChangeOrOnALists) {
    for (bool ask : {true, false}) {
        Card c(ask);
        script.on(test::kCard, [&](QWidget*) {
            if (!ask) {
                c.edit(101)->setFocus();
                typeKeys("x");  // a change, but lists never ask
            }
            typeKeys("{ESC}");
        });
        EXPECT_EQ(c.run(), 2);
        EXPECT_TRUE(script.done()) << script.pending().toStdString();
    }
}

// Confirming validates in control order and reports only the first
// failure, with the red mark under the field, which then has the focus.
// A refused confirmation followed by Esc is a cancel.
TEST_F(CloseProtocol, ConfirmReportsTheFirstFailureOnly) {
    Card c;
    QStringList messages;
    QRect mark;
    script
        .on(test::kCard,
            [&](QWidget* w) {
                c.edit(102)->setFocus();
                typeKeys("310226");  // no such date; the name is empty too
                test::clickButton(w, QStringLiteral("Conferma"));
            })
        .on("POPMSG",
            [&](QWidget* box) {
                messages << test::messageBoxText(box);
                if (QWidget* m = c.form.findChild<QWidget*>(QStringLiteral("invalidMark")))
                    mark = m->geometry();
                test::clickButton(box, QStringLiteral("OK"));
            })
        .on(test::kCard,
            [&](QWidget*) {
                EXPECT_EQ(QApplication::focusWidget(), c.edit(102));
                EXPECT_EQ(c.form.findChild<QWidget*>(QStringLiteral("invalidMark")), nullptr);
                typeKeys("{ESC}");  // a cancel: the discard question, not the checks
            })
        .on("POPMSG", [&](QWidget* box) {
            messages << test::messageBoxText(box);
            test::clickButton(box, QStringLiteral("Sì"));
        });
    EXPECT_EQ(c.run(), 2);
    EXPECT_TRUE(script.done()) << script.pending().toStdString();
    EXPECT_EQ(messages, (QStringList{"Data non valida.", "Annullo le modifiche?"}));
    const QRect field = c.edit(102)->geometry();
    EXPECT_EQ(mark, QRect(field.left(), field.bottom() - 1, field.width() - 1, 2));
}

// Each rule in turn, then a clean confirmation: the field whose
// when-condition is false is not checked, and text still being typed
// reaches its value before the checks.
TEST_F(CloseProtocol, RulesInOrderThenConfirmed) {
    QStringList messages;
    auto answerOk = [&](QWidget* box) {
        messages << test::messageBoxText(box);
        test::clickButton(box, QStringLiteral("OK"));
    };
    Card d;
    d.lAmount = true;
    d.nAmount = 123;  // does not fit "99.99"
    script
        .on(test::kCard,
            [&](QWidget* w) {
                test::clickButton(w, QStringLiteral("Conferma"));  // empty name
            })
        .on("POPMSG", answerOk)
        .on(test::kCard,
            [&](QWidget* w) {
                typeKeys("bianchi");  // focus is on the name now; not yet stored
                test::clickButton(w, QStringLiteral("Conferma"));
            })
        .on("POPMSG", answerOk)
        .on(test::kCard, [&](QWidget* w) {
            EXPECT_EQ(QApplication::focusWidget(), d.edit(103));
            d.lAmount = false;  // the amount no longer applies: not checked
            test::clickButton(w, QStringLiteral("Conferma"));
        });
    EXPECT_EQ(d.run(), 1);
    EXPECT_TRUE(script.done()) << script.pending().toStdString();
    EXPECT_EQ(messages, (QStringList{"Campo non valido.", "Numero troppo grande."}));
    EXPECT_EQ(d.cName, std::string("bianchi   "));
    EXPECT_EQ(d.form.Cargo, std::nullopt);  // cleared by the confirmation
}

}  // namespace
}  // namespace drav::ui
