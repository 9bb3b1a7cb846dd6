// The main window on the offscreen platform: its menu, tool bar and status
// bar as the dispatch office sees them, and every command reaching its
// operation through the command table.
#include "shell/Commands.h"
#include "shell/MainWindow.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/gui/Screenshot.h"
#include "util/Date.h"
#include "util/Error.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace drav::shell {
namespace {

constexpr int kWaitMs = 5000;  // upper bound for the window to catch up

// The window is built after the switch to two-digit years, as at start.
struct TwoDigitYears {
    TwoDigitYears() { setDateFormat(DateFormat::TwoDigitYear); }
    ~TwoDigitYears() { setDateFormat(DateFormat::FourDigitYear); }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window.showMaximized();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    template <class T>
    T* find(const QString& name) {
        T* child = m_window.findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name.toStdString();
        return child;
    }
    QString status(const char* name) { return find<QLabel>(QLatin1String(name))->text(); }

    TwoDigitYears m_years;
    MainWindow m_window;
};

// One line per menu entry: "-" for a separator, else "caption|hint|objectName".
// clang-format off
const std::vector<std::pair<QString, QStringList>> kMenus = {
    {"Modifica", {
        "Clienti...|Gestione clienti|actionCLIENTI",
        "Destinatari...|Gestione destinatari|actionDESTINATARI",
        "Pony...|Gestione pony|actionPONY",
        "-",
        "Corse...|Gestione corse|actionCORSE",
        "-",
        "Fatture...|Gestione fatture|actionFATTURE",
        "-",
        QString::fromUtf8("Attività...|Gestione attività|actionATTIVITA"),
        "-",
        "Parametri...|Gestione parametri|actionPARAMETRI"}},
    {"Visualizza", {
        QString::fromUtf8("Contabilità...|Mostra il riepilogo della situazione contabile|"
                          "actionCONTABILITA")}},
    {"Servizio", {
        "Manutenzione archivi|Compatta gli archivi e ricostruisce gli indici|actionMANUTENZIONE",
        "-",
        "Imposta stampante...|Seleziona la stampante|actionPSETUP",
        "-",
        "Salvataggio dati...|Salva tutti gli archivi|actionSALVA",
        "Ripristino dati...|Ricarica tutti gli archivi|actionRICARICA"}},
    {"?", {
        "Informazioni|Visualizza informazioni sul programma|actionINFOS"}},
};
// clang-format on

TEST_F(MainWindowTest, TitleIconAndWorkspace) {
    EXPECT_EQ(m_window.windowTitle(), "DRAV - Marvesto");
    EXPECT_FALSE(m_window.windowIcon().isNull());
    EXPECT_TRUE(m_window.windowState() & Qt::WindowMaximized);
    QWidget* workspace = find<QWidget>("workspace");
    EXPECT_EQ(workspace->palette().color(workspace->backgroundRole()),
              m_window.palette().color(QPalette::Dark));
}

TEST_F(MainWindowTest, MenuEntriesInOrderWithTheirHints) {
    std::vector<std::pair<QString, QStringList>> actual;
    for (QAction* top : m_window.menuBar()->actions()) {
        QStringList entries;
        for (QAction* a : top->menu()->actions()) {
            if (a->isSeparator()) {
                entries << "-";
                continue;
            }
            entries << a->text() + "|" + a->statusTip() + "|" + a->objectName();
            EXPECT_TRUE(a->shortcut().isEmpty()) << a->text().toStdString();
            EXPECT_FALSE(a->text().contains('&')) << "no accelerator: " << a->text().toStdString();
            EXPECT_FALSE(a->isCheckable()) << a->text().toStdString();
            EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
        }
        EXPECT_FALSE(top->text().contains('&'));
        actual.emplace_back(top->text(), entries);
    }
    EXPECT_EQ(actual, kMenus);
}

TEST_F(MainWindowTest, HighlightedItemShowsItsHintInTheStatusBar) {
    EXPECT_EQ(m_window.statusBar()->currentMessage(), "");
    auto* menu = find<QMenu>("menuServizio");
    auto* item = find<QAction>("actionMANUTENZIONE");
    m_window.menuBar()->setActiveAction(menu->menuAction());  // opens it as a click would
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, kWaitMs));
    menu->setActiveAction(item);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return m_window.statusBar()->currentMessage() ==
                   "Compatta gli archivi e ricostruisce gli indici";
        },
        kWaitMs));
    test::saveScreenshot(menu, "main_window_menu_servizio");
    menu->hide();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return m_window.statusBar()->currentMessage().isEmpty(); }, kWaitMs));
}

TEST_F(MainWindowTest, ToolBarButtonsAndGroupGaps) {
    struct Tool {
        const char* objectName;
        QString caption;
        bool startsGroup;
    };
    const Tool tools[] = {
        {"toolCLIENTI", "Clienti", false},
        {"toolDESTINATARI", "Destinatari", false},
        {"toolPONY", "Pony", false},
        {"toolCORSE", "Corse", true},
        {"toolFATTURE", "Fatture", true},
        {"toolCONTABILITA", QString::fromUtf8("Contabilità"), true},
    };
    auto* bar = find<QToolBar>("toolBar");
    EXPECT_EQ(m_window.toolBarArea(bar), Qt::TopToolBarArea);
    QList<QToolButton*> buttons = bar->findChildren<QToolButton*>(QRegularExpression("^tool[A-Z]"));
    ASSERT_EQ(buttons.size(), static_cast<qsizetype>(std::size(tools)));

    QToolButton* previous = nullptr;
    for (const Tool& t : tools) {
        auto* b = find<QToolButton>(t.objectName);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), t.caption);
        EXPECT_EQ(b->toolTip(), t.caption);
        EXPECT_EQ(b->size(), QSize(65, 60));
        EXPECT_LT(b->fontMetrics().horizontalAdvance(t.caption), 65) << "caption cut short";
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_FALSE(b->icon().pixmap(32, 32).isNull()) << t.objectName;
        if (previous) {
            EXPECT_EQ(b->x() - (previous->x() + previous->width()), t.startsGroup ? 8 : 0)
                << t.objectName;
            EXPECT_EQ(b->y(), previous->y());
        }
        previous = b;
    }
}

TEST_F(MainWindowTest, StatusBarShowsIndicatorsDateAndTime) {
    // No keyboard state can be read on the offscreen platform: both
    // indicators are inactive.
    EXPECT_EQ(status("statusNum"), "Num");
    EXPECT_EQ(status("statusCaps"), "Caps");
    EXPECT_FALSE(find<QLabel>("statusNum")->isEnabled());
    EXPECT_FALSE(find<QLabel>("statusCaps")->isEnabled());
    EXPECT_TRUE(QRegularExpression("^\\d\\d/\\d\\d/\\d\\d$").match(status("statusDate")).hasMatch())
        << status("statusDate").toStdString();
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(status("statusTime")).hasMatch())
        << status("statusTime").toStdString();

    // The fields follow the clock on their own.
    QDateTime fake(QDate(2026, 3, 5), QTime(0, 2, 3));
    m_window.TEST_setClock([&] { return fake; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return status("statusTime") == "00:02:03"; }, kWaitMs));
    EXPECT_EQ(status("statusDate"), "05/03/26");
    fake = QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59));
    EXPECT_TRUE(QTest::qWaitFor([&] { return status("statusTime") == "23:59:59"; }, kWaitMs));
    EXPECT_EQ(status("statusDate"), "31/12/99");
    test::saveScreenshot(&m_window, "main_window");
}

TEST_F(MainWindowTest, EveryMenuItemAndButtonReachesItsOperation) {
    std::vector<Command> all = {
        Command::Clienti,      Command::Destinatari, Command::Pony,      Command::Corse,
        Command::Fatture,      Command::Attivita,    Command::Parametri, Command::Contabilita,
        Command::Manutenzione, Command::PSetup,      Command::Salva,     Command::Ricarica,
        Command::Infos,
    };
    QStringList called;
    std::vector<CommandHandler> saved;
    for (Command c : all)
        saved.push_back(TEST_setCommandHandler(c, [&called, c, this](QWidget* parent) {
            EXPECT_EQ(parent, &m_window);
            called << commandName(c);
        }));

    QStringList expected;
    for (const auto& [title, entries] : kMenus)
        for (const QString& entry : entries) {
            if (entry == "-") continue;
            QString objectName = entry.section('|', 2);
            find<QAction>(objectName)->trigger();
            expected << objectName.mid(6);
        }
    for (const char* tool : {"toolCLIENTI", "toolDESTINATARI", "toolPONY", "toolCORSE",
                             "toolFATTURE", "toolCONTABILITA"}) {
        QTest::mouseClick(find<QToolButton>(tool), Qt::LeftButton);
        expected << QString(tool).mid(4);
    }
    EXPECT_EQ(called, expected);

    for (size_t i = 0; i < all.size(); ++i) TEST_setCommandHandler(all[i], saved[i]);
}

TEST_F(MainWindowTest, OperationsNotYetAvailableSaySoAndNothingElse) {
    test::ScopedScriptedPort port;
    find<QAction>("actionDESTINATARI")->trigger();
    QTest::mouseClick(find<QToolButton>("toolCONTABILITA"), Qt::LeftButton);
    ASSERT_EQ(port.log().messages.size(), 2u);
    for (const auto& m : port.log().messages) {
        EXPECT_EQ(m.text, "Funzione non ancora disponibile.");
        EXPECT_EQ(m.mode, 1);
    }
}

TEST_F(MainWindowTest, ACommandIsARecoveryPoint) {
    auto saved = TEST_setCommandHandler(Command::Pony, [](QWidget*) { throw Abandoned(); });
    find<QAction>("actionPONY")->trigger();  // abandoned: the window goes on
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_TRUE(m_window.isEnabled());
    EXPECT_EQ(requestedExitCode(), -1);

    TEST_setCommandHandler(Command::Pony, [](QWidget*) { throw ProgramEnd(3); });
    QTest::mouseClick(find<QToolButton>("toolPONY"), Qt::LeftButton);
    EXPECT_EQ(requestedExitCode(), 3);  // the event loop is told to end with it
    TEST_setCommandHandler(Command::Pony, saved);
}

TEST_F(MainWindowTest, CommandsCanBeHeldBack) {
    m_window.setCommandsEnabled(false);
    EXPECT_FALSE(m_window.menuBar()->isEnabled());
    EXPECT_FALSE(find<QToolBar>("toolBar")->isEnabled());
    m_window.setCommandsEnabled(true);
    EXPECT_TRUE(m_window.menuBar()->isEnabled());
    EXPECT_TRUE(find<QToolBar>("toolBar")->isEnabled());
}

}  // namespace
}  // namespace drav::shell
