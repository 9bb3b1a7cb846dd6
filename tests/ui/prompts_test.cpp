// The one-line input prompt, the about box, the background colour, and a
// picture of each small form for reviewers.
#include "tests/support/TempDir.h"
#include "tests/support/gui/ModalScript.h"
#include "tests/support/gui/Screenshot.h"
#include "tests/ui/FormFixture.h"
#include "ui/FormHelpers.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TGet.h"
#include "ui/TRadMenu.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>

namespace drav::ui {
namespace {

using test::ModalScript;
using test::typeKeys;

class Prompts : public ::testing::Test {
protected:
    void SetUp() override { test::registerTestTemplates(); }
    test::ScopedQtPort qt;
    ModalScript script;
};

// Esc leaves the caller's value as it was, whatever was typed.
TEST_F(Prompts, MsgGetCancelledLeavesTheValue) {
    std::string code = "ROSSI     ";
    QString title;
    QString prompt;
    script.on("MSGGET", [&](QWidget* w) {
        title = w->windowTitle();
        prompt = w->findChild<QLabel*>("101")->text();
        typeKeys("bianchi{ESC}");
    });
    EXPECT_FALSE(msgGet(QStringLiteral("Ricerca"), QStringLiteral("Nominativo:"), code, "@!"));
    EXPECT_TRUE(script.done()) << script.pending().toStdString();
    EXPECT_EQ(code, "ROSSI     ");
    EXPECT_EQ(title, QStringLiteral("Ricerca"));
    EXPECT_EQ(prompt, QStringLiteral("Nominativo:"));

    script.on("MSGGET", [](QWidget* w) {
        typeKeys("verdi");
        test::clickButton(w, QStringLiteral("Annulla"));
    });
    EXPECT_FALSE(msgGet(QStringLiteral("Ricerca"), QStringLiteral("Nominativo:"), code, "@!"));
    EXPECT_EQ(code, "ROSSI     ");
}

// Enter in the field confirms (MSGGET has a default button).
TEST_F(Prompts, MsgGetConfirmedWithEnter) {
    std::string name = "          ";
    script.on("MSGGET", [](QWidget* w) {
        test::saveScreenshot(w, QStringLiteral("MSGGET"));
        typeKeys("verdi{ENTER}");
    });
    EXPECT_TRUE(msgGet(QStringLiteral("Ricerca"), QStringLiteral("Nominativo:"), name, "@!"));
    EXPECT_EQ(name, "VERDI     ");

    double amount = 0;
    script.on("MSGGET", [](QWidget*) { typeKeys("12.5{ENTER}"); });
    EXPECT_TRUE(
        msgGet(QStringLiteral("Acconto"), QStringLiteral("Importo:"), amount, "@ZE 9,999.99"));
    EXPECT_EQ(amount, 12.5);
    EXPECT_TRUE(script.done()) << script.pending().toStdString();
}

TEST_F(Prompts, AboutBox) {
    QStringList labels;
    bool hasBitmap = false;
    script.on("INFOS", [&](QWidget* w) {
        for (int id : {102, 103, 104, 105})
            labels << w->findChild<QLabel*>(QString::number(id))->text();
        hasBitmap = !w->findChild<QLabel*>("101")->pixmap().isNull();
        test::saveScreenshot(w, QStringLiteral("INFOS"));
        typeKeys("{ENTER}");  // the default button "&Chiudi"
    });
    infos(QStringLiteral("DRAV - Marvesto"), QStringLiteral("1.14"), QStringLiteral("2026"));
    EXPECT_TRUE(script.done()) << script.pending().toStdString();
    EXPECT_EQ(labels, (QStringList{"DRAV - Marvesto", "Versione: 1.14", "2026", ""}));
    EXPECT_TRUE(hasBitmap);
}

// White in network mode, the system colour otherwise; the marker is looked
// up on every call.
TEST_F(Prompts, BackgroundColourFollowsTheNetworkMarker) {
    test::TempDir dir;
    const std::string marker = dir.file("NET");
    const char* before = std::getenv("KOLT_NET_MARKER");
    const std::string saved = before ? before : "";
    ::setenv("KOLT_NET_MARKER", marker.c_str(), 1);
    const QColor face = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(getSysBgColor(15), face);
    test::writeFile(marker, "");
    EXPECT_EQ(getSysBgColor(15), QColor(255, 255, 255));
    ::setenv("KOLT_NET_MARKER", saved.c_str(), 1);
}

// A picture of the test card, to judge the proportions of template forms.
TEST_F(Prompts, CardPicture) {
    std::string name = "ROSSI MARIO         ";
    Date date = Date::fromYmd(2026, 3, 5);
    double amount = 1234.5;
    bool invoice = true;
    std::string town = "MILANO";
    std::string kind = "Urgente";
    double pay = 2;
    TDialog form(QString(), test::kCard);
    new TGet(101, bindVar(name), form, {.mask = "@!"});
    new TGet(102, bindVar(date), form);
    new TGet(103, bindVar(amount), form, {.mask = "@ZE 9,999.99"});
    new TCheckBox(104, bindVar(invoice), form);
    new TComboBox(105, bindVar(town), {"MILANO", "TORINO"}, form);
    new TComboBox(106, bindVar(kind), {"Urgente", "Normale"}, form, {.style = 3});
    new TRadMenu(bindVar(pay), form, {107, 108});
    TButton::confirm(form);
    TButton::cancel(form);
    ASSERT_TRUE(test::showForm(form));
    EXPECT_FALSE(test::saveScreenshot(&form, QStringLiteral("TESTCARD")).isEmpty());
}

}  // namespace
}  // namespace drav::ui
