// POPMSG on the Qt port: the message box of each mode answered by clicking
// its buttons, and the single wait box with its print-progress variant.
#include "tests/support/gui/ModalScript.h"
#include "tests/support/gui/Screenshot.h"
#include "tests/ui/FormFixture.h"
#include "ui/TMsgBox.h"
#include "util/Messages.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace drav::ui {
namespace {

using test::ModalScript;

class PopMsg : public ::testing::Test {
protected:
    void SetUp() override { test::registerTestTemplates(); }
    void TearDown() override { waitClose(); }
    TMsgBox& box() { return qt.port().waitBox(); }
    test::ScopedQtPort qt;
};

struct ModeCase {
    int mode;
    QStringList buttons;  // in order
    QString defaultButton;
    QMessageBox::Icon icon;
    QString press;  // a button, or "Esc"
    std::optional<int> result;
};

TEST_F(PopMsg, EachModeAndItsAnswers) {
    const auto Q = QMessageBox::Question;
    const ModeCase cases[] = {
        {1, {"OK"}, "OK", QMessageBox::Information, "OK", std::nullopt},
        {1, {"OK"}, "OK", QMessageBox::Information, "Esc", std::nullopt},
        {2, {"OK", "Annulla"}, "OK", Q, "OK", 1},
        {2, {"OK", "Annulla"}, "OK", Q, "Annulla", 0},
        {2, {"OK", "Annulla"}, "OK", Q, "Esc", 0},
        {3, {"Sì", "No", "Annulla"}, "Sì", Q, "Sì", 6},
        {3, {"Sì", "No", "Annulla"}, "Sì", Q, "No", 7},
        {3, {"Sì", "No", "Annulla"}, "Sì", Q, "Esc", 2},
        {4, {"Sì", "No"}, "Sì", Q, "Sì", 1},
        {4, {"Sì", "No"}, "Sì", Q, "Esc", 0},
        {5, {"Sì", "No"}, "No", Q, "Sì", 1},
        {5, {"Sì", "No"}, "No", Q, "Esc", 0},
        {6, {"OK", "Annulla"}, "OK", QMessageBox::Critical, "OK", 1},
        {6, {"OK", "Annulla"}, "OK", QMessageBox::Critical, "Esc", 0},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(QStringLiteral("mode %1, %2").arg(c.mode).arg(c.press).toStdString());
        QStringList buttons;
        QString def;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        ModalScript s;
        s.on("POPMSG", [&](QWidget* w) {
            auto* m = static_cast<QMessageBox*>(w);
            for (QAbstractButton* b : m->buttons()) buttons << b->text();
            def = m->defaultButton() ? m->defaultButton()->text() : QString();
            icon = m->icon();
            title = m->windowTitle();
            if (c.press == QLatin1String("Esc"))
                QTest::keyClick(m, Qt::Key_Escape);
            else
                test::clickButton(m, c.press);
        });
        PopMsgArgs a;
        a.text = QStringLiteral("Confermi?");
        a.mode = c.mode;
        EXPECT_EQ(popMsg(a), c.result);
        EXPECT_TRUE(s.done());
        buttons.sort();
        QStringList expected = c.buttons;
        expected.sort();
        EXPECT_EQ(buttons, expected);
        EXPECT_EQ(def, c.defaultButton);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(title, QStringLiteral("Attenzione"));
    }
}

// ";" is a line break; the box belongs to the active window.
TEST_F(PopMsg, LinesAndOwner) {
    TDialog form(QString(), test::kList);
    ASSERT_TRUE(test::showForm(form));
    QString text;
    QWidget* owner = nullptr;
    ModalScript s;
    s.on("POPMSG", [&](QWidget* w) {
        text = test::messageBoxText(w);
        owner = w->parentWidget();
        test::saveScreenshot(w, QStringLiteral("POPMSG-mode4"));
        test::clickButton(w, QStringLiteral("Sì"));
    });
    EXPECT_TRUE(msgAsk(QStringLiteral("Spegnere tutti i terminali.;;Continuo l'operazione?"), 4,
                       QStringLiteral("Manutenzione")));
    EXPECT_EQ(text, QStringLiteral("Spegnere tutti i terminali.\n\nContinuo l'operazione?"));
    EXPECT_EQ(owner, &form);
}

TEST_F(PopMsg, ModeOutsideTheTableShowsNothing) {
    PopMsgArgs a;
    a.text = QStringLiteral("x");
    a.mode = 7;
    EXPECT_EQ(popMsg(a), std::nullopt);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// One wait box at a time; its owner stays disabled until it closes; a new
// text replaces the shown one only as an update.
TEST_F(PopMsg, WaitBox) {
    TDialog form(QString(), test::kList);
    ASSERT_TRUE(test::showForm(form));
    waitMsg(QStringLiteral("Ricerca in corso..."));
    ASSERT_TRUE(box().isOpen());
    QWidget* w = box().oDlg;
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Attendere"));
    EXPECT_EQ(box().hWnd, &form);
    EXPECT_FALSE(form.isEnabled());
    EXPECT_EQ(box().label()->text(), QStringLiteral("Ricerca in corso..."));
    EXPECT_EQ(w->cursor().shape(), Qt::WaitCursor);
    test::saveScreenshot(w, QStringLiteral("TMsgBox"));

    // Size from the text: W + 110 wide, (L + 5) character heights high.
    const int W = TMsgBox::maxWidth(QStringLiteral("Ricerca in corso..."), TMsgBox::boxFont());
    EXPECT_EQ(w->size(), QSize(W + 110, 6 * TMsgBox::kCharHeight));

    waitMsg(QStringLiteral("Altro testo"));
    EXPECT_EQ(box().oDlg, w);
    EXPECT_EQ(box().label()->text(), QStringLiteral("Ricerca in corso..."));
    EXPECT_EQ(curMsg(), QStringLiteral("Ricerca in corso..."));
    waitUpdate(QStringLiteral("Archivio CLIENTI;Attendere"));
    EXPECT_EQ(box().label()->text(), QStringLiteral("Archivio CLIENTI\r\nAttendere"));
    int windows = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String("TMsgBox") && top->isVisible()) ++windows;
    EXPECT_EQ(windows, 1);

    // The user cannot close it.
    w->close();
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(box().isOpen() && box().oDlg->isVisible());

    waitClose();
    EXPECT_FALSE(box().isOpen());
    EXPECT_TRUE(form.isEnabled());
    EXPECT_EQ(curMsg(), std::nullopt);
}

TEST_F(PopMsg, WaitBoxWithProgressBar) {
    PopMsgArgs a;
    a.text = QStringLiteral("Riorganizzazione archivi");
    a.rangeStart = 0;
    a.rangeEnd = 8;
    popMsg(a);
    ASSERT_TRUE(box().oPrg);
    EXPECT_EQ(box().oPrg->maximum(), 8);
    waitPos(5);
    EXPECT_EQ(box().oPrg->value(), 5);
    const int W = TMsgBox::maxWidth(*a.text, TMsgBox::boxFont()) + 5;
    EXPECT_EQ(box().oDlg->size(), QSize(W + 110, 7 * TMsgBox::kCharHeight));
    const QRect bar = box().oPrg->geometry();
    EXPECT_EQ(bar.width(), box().oDlg->width() - 45);
    EXPECT_GE(bar.top(), box().label()->geometry().bottom());
    EXPECT_LE(bar.bottom(), box().oDlg->height());
    test::saveScreenshot(box().oDlg, QStringLiteral("TMsgBox-progress"));
}

// A question asked while the wait box shows closes it for good.
TEST_F(PopMsg, QuestionClosesTheWaitBox) {
    waitMsg(QStringLiteral("Stampa in corso"));
    ModalScript s;
    s.on("POPMSG", [](QWidget* w) { test::clickButton(w, QStringLiteral("OK")); });
    msgInfo(QStringLiteral("Fatto."));
    EXPECT_FALSE(box().isOpen());
    EXPECT_EQ(curMsg(), std::nullopt);
}

// The print-progress box counts the pages 1, 2, 3 and cannot be cancelled.
TEST_F(PopMsg, PrintProgressBox) {
    TDialog form(QString(), test::kList);
    ASSERT_TRUE(test::showForm(form));
    for (int opening = 0; opening < 2; ++opening) {
        PopMsgArgs a;
        a.print = true;
        popMsg(a);
        ASSERT_TRUE(box().isOpen());
        QWidget* w = box().oDlg;
        EXPECT_EQ(w->objectName(), QStringLiteral("PRINTDLG"));
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Attendere"));
        EXPECT_FALSE(form.isEnabled());
        auto* cancel = w->findChild<QPushButton*>(QStringLiteral("201"));
        ASSERT_NE(cancel, nullptr);
        EXPECT_TRUE(cancel->isHidden());
        EXPECT_LE(w->height(), cancel->geometry().top());  // cut off with its button
        auto* count = w->findChild<QLabel*>(QStringLiteral("102"));
        EXPECT_EQ(count->text(), QString());
        for (int page = 1; page <= 3; ++page) {
            waitPage();
            EXPECT_EQ(count->text(), QString::number(page));
            EXPECT_EQ(box().nPag, page);
        }
        if (opening == 0) test::saveScreenshot(w, QStringLiteral("PRINTDLG"));
        waitClose();
        EXPECT_TRUE(form.isEnabled());
    }
}

}  // namespace
}  // namespace drav::ui
