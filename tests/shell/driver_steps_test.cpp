// The scripted driver's steps on real forms, in this process: a card of
// its own opened from a menu, filled in and confirmed by a script; steps
// that can never hold; the message boxes answered and echoed.
#include "shell/ScriptDriver.h"
#include "ui/FormHelpers.h"
#include "ui/FormTemplate.h"
#include "ui/QtUserPort.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TDialog.h"
#include "ui/TGet.h"
#include "ui/TSay.h"
#include "ui/TWBrowse.h"
#include "util/Date.h"
#include "util/Messages.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

namespace drav::shell {
namespace {

// "PROVA": 101 a text typed in capitals, 102 an amount, 115 a drop-down
// list, 116 a check box, 117 a label that follows them, 118 a browse list
// of three items; 201 and 202.
void provaTemplate(QWidget& w) {
    ui::TemplateBuilder b(w, 200, 120, QStringLiteral("Scheda di prova"));
    b.get(101, QRect(8, 8, 80, 13));
    b.get(102, QRect(8, 26, 40, 13));
    b.comboBox(115, QRect(8, 44, 80, 60), true);
    b.checkBox(116, QStringLiteral("Fattura"), QRect(100, 44, 60, 12));
    b.say(117, QString(), QRect(8, 62, 180, 10));
    b.custom(118, QRect(8, 76, 180, 40));
    b.button(201, QStringLiteral("&Conferma"), QRect(84, 100, 50, 14));
    b.button(202, QStringLiteral("&Annulla"), QRect(140, 100, 50, 14));
}

struct Card {
    std::string name = std::string(10, ' ');
    double amount = 0;
    std::string kind = "Alfa";
    bool invoice = false;
    int result = -1;

    void open() {
        ui::TDialog form(QString(), QStringLiteral("PROVA"));
        auto* state = new ui::TSay(
            117, [this] { return Value(kind + (invoice ? " con fattura" : " senza fattura")); },
            form);
        auto changed = [&form, state] {
            form.lModify = true;
            state->refresh();
        };
        new ui::TGet(101, ui::bindVar(name), form, {.mask = "@!", .change = changed});
        new ui::TGet(102, ui::bindVar(amount), form, {.mask = "@ZE 999", .change = changed});
        new ui::TComboBox(115, ui::bindVar(kind), {"Alfa", "Beta", "Gamma"}, form,
                          {.change = changed, .style = 3});
        new ui::TCheckBox(116, ui::bindVar(invoice), form, {.change = changed});
        ui::TWBrowse* list = ui::TWBrowse::reDefine(118, form, {.headers = {"Zona"}, .sizes = {0}});
        list->setArray({{Value(std::string("Centro"))},
                        {Value(std::string("Nord"))},
                        {Value(std::string("Sud"))}});
        ui::TButton::confirm(form);
        ui::TButton::cancel(form);
        result = form.activate({.valid = [&form] { return ui::valid(form, true); }});
    }
};

class DriverSteps : public ::testing::Test {
protected:
    DriverSteps() : m_previousPort(setUserPort(nullptr)) {
        setDateFormat(DateFormat::TwoDigitYear);
        if (!ui::templateExists("PROVA")) ui::registerTemplate("PROVA", provaTemplate);
        ui::installQtUserPort();
        QApplication::setQuitOnLastWindowClosed(false);
        m_main.setObjectName("DRAV");
        m_main.setWindowTitle("Principale");
        QMenu* menu = m_main.menuBar()->addMenu("&Prova");
        QObject::connect(menu->addAction("&Scheda..."), &QAction::triggered, &m_main,
                         [this] { m_card.open(); });
        QObject::connect(menu->addAction("Messaggio"), &QAction::triggered, &m_main, [] {
            msgInfo("Prima riga;seconda riga");
            msgAsk("Continuo?");
        });
        m_main.show();
        QObject::connect(&m_closer, &QTimer::timeout, &m_main, [this] { closeModalWindows(); });
    }
    ~DriverSteps() override {
        setUserPort(std::move(m_previousPort));
        QApplication::setQuitOnLastWindowClosed(true);
        setDateFormat(DateFormat::FourDigitYear);
    }

    // Runs the script to its end (or its failure); false when it did neither.
    bool run(const QString& script, int limitMs = 5000) {
        QString error;
        auto steps = parseScript(script, &error);
        EXPECT_TRUE(steps) << error.toStdString();
        if (!steps) return false;
        ScriptDriver driver(std::move(*steps),
                            {.stepLimitMs = limitMs,
                             .echo = [this](const QString& l) { m_echoed << l; },
                             .report = [this](const QString& l) { m_reported << l; },
                             .onFailure = [this](int) { m_closer.start(10); },
                             .mainWindow = [this] { return &m_main; }});
        driver.start();
        bool ended = QTest::qWaitFor(
            [&] { return driver.failed() || (driver.finished() && !m_main.isVisible()); },
            limitMs + 20000);
        m_failed = driver.failed();
        m_closer.stop();
        return ended;
    }

    // After a failure every modal window is closed as it comes, as the
    // program's end does, so that whatever the script left open returns.
    QTimer m_closer;
    void closeModalWindows() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible())
                d->done(QDialog::Rejected);
    }

    std::unique_ptr<UserPort> m_previousPort;
    QMainWindow m_main;
    Card m_card;
    QStringList m_echoed;
    QStringList m_reported;
    bool m_failed = false;
};

TEST_F(DriverSteps, FillAndConfirmACard) {
    ASSERT_TRUE(run(R"(# every step that acts on a control
menu Prova/Scheda...
expect-title Scheda di prova
set 101 rossi
expect-text 101 ROSSI
key Tab
type 42
check 116 on
choose 115 Gamma
expect-text 117 Gamma con fattura
check 116 off
check 116 on
expect-rows 3
press 201
expect-title Principale
)"));
    EXPECT_FALSE(m_failed) << m_reported.join('\n').toStdString();
    EXPECT_EQ(m_card.result, 1);
    EXPECT_EQ(m_card.name, "ROSSI     ");
    EXPECT_EQ(m_card.amount, 42);
    EXPECT_EQ(m_card.kind, "Gamma");
    EXPECT_TRUE(m_card.invoice);
}

// Enter moves from field to field and presses the focused button; Esc on a
// changed card asks, and the answer closes it unconfirmed.
TEST_F(DriverSteps, KeysMoveThroughTheCardAndEscCancels) {
    ASSERT_TRUE(run(R"(menu Prova/Scheda...
set 101 verdi
key Enter
type 7
key Tab
expect-text 102 7
key Escape
answer Sì
expect-title Principale
)"));
    EXPECT_FALSE(m_failed) << m_reported.join('\n').toStdString();
    EXPECT_EQ(m_card.result, 2);
    // Each field stored its text when the focus left it: Enter moved on
    // from the name, the amount went into the field Enter moved to.
    EXPECT_EQ(m_card.name, "VERDI     ");
    EXPECT_EQ(m_card.amount, 7);
    EXPECT_EQ(m_echoed, QStringList({"Annullo le modifiche?"}));
}

// Message boxes: answered from the queue, their text echoed and checked in
// one line; an answer may also come while the box is already open.
TEST_F(DriverSteps, MessagesAreAnsweredEchoedAndChecked) {
    ASSERT_TRUE(run(R"(answer OK
menu Prova/Messaggio
expect-message Continuo?
expect-title Attenzione
answer Annulla
expect-title Principale
)"));
    EXPECT_FALSE(m_failed) << m_reported.join('\n').toStdString();
    EXPECT_EQ(m_echoed, QStringList({"Prima riga;seconda riga", "Continuo?"}));
}

// Steps that can never hold fail at once, naming their line and what they
// saw; a step that waits fails at the limit.
TEST_F(DriverSteps, FailingStepsNameTheirLineAndWhatTheySaw) {
    struct Case {
        const char* script;
        const char* report;
    };
    const Case cases[] = {
        {"menu Prova/Nessuna", "line 1: menu Prova/Nessuna: there is no menu item \"Nessuna\""},
        {"menu Prova/Scheda...\npress 117",
         "line 2: press 117: control 117 (QLabel) is not a button"},
        {"menu Prova/Scheda...\nchoose 115 Delta",
         "line 2: choose 115 Delta: control 115 has no item \"Delta\""},
        {"menu Prova/Scheda...\ncheck 101 on", "line 2: check 101 on: control 101 (QLineEdit)"},
        {"menu Prova/Scheda...\nexpect-text 101 BIANCHI",
         "line 2: expect-text 101 BIANCHI: still waiting after 1 seconds: control 101 shows \"\""},
        {"menu Prova/Scheda...\nexpect-rows 4",
         "line 2: expect-rows 4: still waiting after 1 seconds: the browse list has 3 rows"},
        {"answer Sì\nmenu Prova/Messaggio",
         "line 1: answer Sì: the message \"Prima riga;seconda riga\" has no button \"Sì\""},
        {"answer OK\n\nquit", "line 3: quit: the answer of line 1 (OK) was never given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        m_reported.clear();
        ASSERT_TRUE(run(QString::fromUtf8(c.script), 1000));
        EXPECT_TRUE(m_failed);
        ASSERT_EQ(m_reported.size(), 1);
        EXPECT_TRUE(m_reported[0].contains(QString::fromUtf8(c.report)))
            << m_reported[0].toStdString();
        m_main.show();
    }
}

TEST(ScriptLanguage, LinesThatAreNoStepsAreRefused) {
    struct Case {
        const char* script;
        const char* error;
    };
    const Case cases[] = {
        {"# prova\n\nsaluta tutti", "script line 3: saluta tutti: there is no step \"saluta\""},
        {"menu Servizio", "script line 1: menu Servizio: a menu item is written"},
        {"check 116 forse", "script line 1: check 116 forse: check takes \"on\" or \"off\""},
        {"press", "script line 1: press: the step needs the control it acts on"},
        {"key F13", "script line 1: key F13: there is no key \"F13\""},
        {"answer Forse", "script line 1: answer Forse: the answer is one of"},
        {"expect-rows tre", "script line 1: expect-rows tre: the step needs a number"},
        {"close-preview subito", "script line 1: close-preview subito: the step takes no text"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(parseScript(QString::fromUtf8(c.script), &error)) << c.script;
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.error))) << error.toStdString();
    }

    // The text is the rest of the line as written; a closing "quit" is added.
    QString error;
    auto steps = parseScript("set 101  due blank \r\n  type a b\nexpect-text 103", &error);
    ASSERT_TRUE(steps);
    ASSERT_EQ(steps->size(), 4u);
    EXPECT_EQ((*steps)[0].id, "101");
    EXPECT_EQ((*steps)[0].text, " due blank ");
    EXPECT_EQ((*steps)[1].text, "a b");
    EXPECT_EQ((*steps)[2].text, "");
    EXPECT_TRUE((*steps)[3].implicit);
}

}  // namespace
}  // namespace drav::shell
