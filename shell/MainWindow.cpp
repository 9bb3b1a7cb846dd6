// The main window. Sections: the menu table; the tool-bar table; building
// the window; the status bar and its refresh.
#include "shell/MainWindow.h"

#include "shell/Commands.h"
#include "shell/KeyLocks.h"
#include "util/Date.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <vector>

// The icons and tool-bar pictures are compiled into the static library;
// the resource must be registered by name before the first use.
static void initShellResources() {
    Q_INIT_RESOURCE(shell);
}

namespace drav::shell {
namespace {

const QString kTitle = QStringLiteral("DRAV - Marvesto");

// ---- The command menu -------------------------------------------------
// An item without text is a separator. No accelerator keys, no check marks,
// nothing ever disabled.

struct MenuItem {
    const char* text;  // UTF-8; nullptr: a separator
    const char* hint;  // shown in the status bar while the item is highlighted
    Command command;
};

struct MenuDef {
    const char* title;
    const char* objectName;
    std::vector<MenuItem> items;
};

constexpr MenuItem separator{nullptr, nullptr, Command::Clienti};

const std::vector<MenuDef>& menuTable() {
    static const std::vector<MenuDef> menus{
        {"Modifica",
         "menuModifica",
         {
             {"Clienti...", "Gestione clienti", Command::Clienti},
             {"Destinatari...", "Gestione destinatari", Command::Destinatari},
             {"Pony...", "Gestione pony", Command::Pony},
             separator,
             {"Corse...", "Gestione corse", Command::Corse},
             separator,
             {"Fatture...", "Gestione fatture", Command::Fatture},
             separator,
             {"Attività...", "Gestione attività", Command::Attivita},
             separator,
             {"Parametri...", "Gestione parametri", Command::Parametri},
         }},
        {"Visualizza",
         "menuVisualizza",
         {
             {"Contabilità...", "Mostra il riepilogo della situazione contabile",
              Command::Contabilita},
         }},
        {"Servizio",
         "menuServizio",
         {
             {"Manutenzione archivi", "Compatta gli archivi e ricostruisce gli indici",
              Command::Manutenzione},
             separator,
             {"Imposta stampante...", "Seleziona la stampante", Command::PSetup},
             separator,
             {"Salvataggio dati...", "Salva tutti gli archivi", Command::Salva},
             {"Ripristino dati...", "Ricarica tutti gli archivi", Command::Ricarica},
         }},
        {"?",
         "menuAiuto",
         {
             {"Informazioni", "Visualizza informazioni sul programma", Command::Infos},
         }},
    };
    return menus;
}

// ---- The tool bar -------------------------------------------------------
// Buttons of 65 x 60 pixels side by side, the picture above the caption;
// one that starts a group stands 8 pixels right of the previous one.

constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 60;
constexpr int kGroupGap = 8;

struct ToolDef {
    const char* picture;  // resource name of the picture
    const char* caption;  // also the tooltip
    Command command;
    bool startsGroup;
};

constexpr ToolDef kTools[] = {
    {"CLIENTI", "Clienti", Command::Clienti, false},
    {"DESTINATARI", "Destinatari", Command::Destinatari, false},
    {"PONY", "Pony", Command::Pony, false},
    {"CORSE", "Corse", Command::Corse, true},
    {"FATTURE", "Fatture", Command::Fatture, true},
    {"CONTABILITA", "Contabilità", Command::Contabilita, true},
};

QString resource(const char* name) {
    return QStringLiteral(":/shell/") + QLatin1String(name) + QStringLiteral(".svg");
}

// The captions stand under the pictures in full: the font is made smaller
// until the longest one fits the button with a little room on each side.
QFont captionFont(QFont font) {
    constexpr int room = kButtonWidth - 8;
    for (int px = QFontInfo(font).pixelSize(); px > 8; --px) {
        font.setPixelSize(px);
        QFontMetrics metrics(font);
        bool fits = true;
        for (const ToolDef& def : kTools)
            fits = fits && metrics.horizontalAdvance(QString::fromUtf8(def.caption)) <= room;
        if (fits) break;
    }
    return font;
}

// A status-bar field: sunken, its text centred, wide enough for sample.
QLabel* statusField(QWidget* parent, const char* objectName, const QString& sample) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(objectName));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(sample) + 12);
    return label;
}

}  // namespace

// ---- Building the window -------------------------------------------------

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), m_clock([] { return QDateTime::currentDateTime(); }) {
    initShellResources();
    setObjectName(QStringLiteral("DRAV"));
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(resource("ICONA")));

    // The work area stays empty: every screen opens as a modal window over
    // it. It has the desktop's application-workspace colour.
    auto* workspace = new QWidget(this);
    workspace->setObjectName(QStringLiteral("workspace"));
    workspace->setBackgroundRole(QPalette::Dark);
    workspace->setAutoFillBackground(true);
    setCentralWidget(workspace);

    buildMenu();
    buildToolBar();
    buildStatusBar();

    m_timer.setInterval(200);
    connect(&m_timer, &QTimer::timeout, this, &MainWindow::refreshStatus);
    m_timer.start();
    refreshStatus();
}

void MainWindow::buildMenu() {
    for (const MenuDef& def : menuTable()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(def.title));
        menu->setObjectName(QLatin1String(def.objectName));
        for (const MenuItem& item : def.items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setObjectName(QStringLiteral("action") +
                                  QLatin1String(commandName(item.command)));
            action->setStatusTip(QString::fromUtf8(item.hint));
            Command command = item.command;
            connect(action, &QAction::triggered, this,
                    [this, command] { runCommand(command, this); });
        }
    }
}

void MainWindow::buildToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Comandi"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->toggleViewAction()->setVisible(false);
    m_toolBar->setIconSize(QSize(32, 32));
    m_toolBar->layout()->setSpacing(0);
    const QFont font = captionFont(m_toolBar->font());

    for (const ToolDef& def : kTools) {
        if (def.startsGroup) {
            auto* gap = new QFrame(m_toolBar);
            gap->setObjectName(QStringLiteral("toolGap"));
            gap->setFrameStyle(QFrame::VLine | QFrame::Sunken);
            gap->setFixedSize(kGroupGap, kButtonHeight - 12);
            m_toolBar->addWidget(gap);
        }
        auto* button = new QToolButton(m_toolBar);
        QString caption = QString::fromUtf8(def.caption);
        button->setObjectName(QStringLiteral("tool") + QLatin1String(commandName(def.command)));
        button->setText(caption);
        button->setFont(font);
        button->setToolTip(caption);
        button->setIcon(QIcon(resource(def.picture)));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFixedSize(kButtonWidth, kButtonHeight);
        button->setFocusPolicy(Qt::NoFocus);
        Command command = def.command;
        connect(button, &QToolButton::clicked, this,
                [this, command] { runCommand(command, this); });
        m_toolBar->addWidget(button);
    }
}

void MainWindow::setCommandsEnabled(bool enabled) {
    m_commandsEnabled = enabled;
    menuBar()->setEnabled(enabled);
    m_toolBar->setEnabled(enabled);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_commandsEnabled)
        event->accept();
    else
        event->ignore();
}

// ---- The status bar ------------------------------------------------------
// The message area shows the hint of the highlighted menu item (the window
// does that for every item with a status tip) and is empty otherwise. At
// the right: "Num" and "Caps", active while the toggle is on, the date and
// the time.

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    m_num = statusField(bar, "statusNum", QStringLiteral("Caps"));
    m_num->setText(QStringLiteral("Num"));
    m_caps = statusField(bar, "statusCaps", QStringLiteral("Caps"));
    m_caps->setText(QStringLiteral("Caps"));
    m_date = statusField(bar, "statusDate", QStringLiteral("00/00/00"));
    m_time = statusField(bar, "statusTime", QStringLiteral("00:00:00"));
    for (QLabel* field : {m_num, m_caps, m_date, m_time}) bar->addPermanentWidget(field);
}

void MainWindow::refreshStatus() {
    KeyLockState locks = readKeyLocks();
    m_num->setEnabled(locks.numLock.value_or(false));
    m_caps->setEnabled(locks.capsLock.value_or(false));
    QDateTime now = m_clock();
    QDate day = now.date();
    m_date->setText(
        QString::fromStdString(Date::fromYmd(day.year(), day.month(), day.day()).toText()));
    m_time->setText(now.time().toString(QStringLiteral("hh:mm:ss")));
}

void MainWindow::TEST_setClock(Clock clock) {
    m_clock = std::move(clock);
}

}  // namespace drav::shell
