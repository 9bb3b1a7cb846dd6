#include "tests/ui/FormFixture.h"

#include "ui/FormTemplate.h"
#include "ui/QtUserPort.h"

#include <QApplication>
#include <QTest>

namespace drav::test {

void registerTestTemplates() {
    static const bool done = [] {
        ui::registerTemplate(kCard, [](QWidget& w) {
            ui::TemplateBuilder b(w, 220, 150, QStringLiteral("Scheda di prova"));
            b.say(ui::kStaticId, QStringLiteral("Nome:"), QRect(8, 8, 50, 12));
            b.get(101, QRect(60, 8, 150, 12));
            b.say(ui::kStaticId, QStringLiteral("Data:"), QRect(8, 24, 50, 12));
            b.get(102, QRect(60, 24, 60, 12));
            b.say(ui::kStaticId, QStringLiteral("Importo:"), QRect(8, 40, 50, 12));
            b.get(103, QRect(60, 40, 60, 12));
            b.checkBox(104, QStringLiteral("Fattura"), QRect(60, 56, 80, 12));
            b.comboBox(105, QRect(60, 72, 100, 60));
            b.comboBox(106, QRect(60, 88, 100, 60), true);
            b.radio(107, QStringLiteral("Contanti"), QRect(60, 104, 60, 12));
            b.radio(108, QStringLiteral("Buoni"), QRect(125, 104, 60, 12));
            b.say(109, QString(), QRect(8, 118, 200, 10));
            b.button(201, QStringLiteral("&Conferma"), QRect(106, 131, 50, 15));
            b.button(202, QStringLiteral("&Annulla"), QRect(162, 131, 50, 15));
        });
        ui::registerTemplate(kList, [](QWidget& w) {
            ui::TemplateBuilder b(w, 160, 50, QStringLiteral("Elenco di prova"));
            b.get(101, QRect(8, 8, 140, 12));
            b.button(201, QStringLiteral("&Chiudi"), QRect(100, 28, 50, 15));
        });
        ui::registerTemplate(kFolder, [](QWidget& w) {
            ui::TemplateBuilder b(w, 200, 120, QStringLiteral("Schede"));
            b.custom(110, QRect(6, 6, 188, 88));
            b.button(201, QStringLiteral("&Conferma"), QRect(88, 100, 50, 15));
            b.button(202, QStringLiteral("&Annulla"), QRect(142, 100, 50, 15));
        });
        ui::registerTemplate(QStringLiteral("TESTPAGE1"), [](QWidget& w) {
            ui::TemplateBuilder b(w, 180, 70);
            b.get(101, QRect(8, 8, 100, 12));
            b.multiGet(102, QRect(8, 24, 160, 36));
        });
        ui::registerTemplate(QStringLiteral("TESTPAGE2"), [](QWidget& w) {
            ui::TemplateBuilder b(w, 180, 70);
            b.get(101, QRect(8, 8, 100, 12));
        });
        return true;
    }();
    (void)done;
}

ScopedQtPort::ScopedQtPort() {
    auto next = std::make_unique<ui::QtUserPort>();
    m_port = next.get();
    m_previous = setUserPort(std::move(next));
}

ScopedQtPort::~ScopedQtPort() {
    setUserPort(std::move(m_previous));
}

bool showForm(ui::TDialog& form) {
    form.activate({.modal = false});
    form.activateWindow();
    return QTest::qWaitForWindowActive(&form);
}

QWidget* focused() {
    return QApplication::focusWidget();
}

void typeKeys(const QString& keys, QWidget* target) {
    static const QHash<QString, Qt::Key> named = {
        {QStringLiteral("BS"), Qt::Key_Backspace}, {QStringLiteral("DEL"), Qt::Key_Delete},
        {QStringLiteral("LEFT"), Qt::Key_Left},    {QStringLiteral("RIGHT"), Qt::Key_Right},
        {QStringLiteral("HOME"), Qt::Key_Home},    {QStringLiteral("END"), Qt::Key_End},
        {QStringLiteral("TAB"), Qt::Key_Tab},      {QStringLiteral("ENTER"), Qt::Key_Return},
        {QStringLiteral("ESC"), Qt::Key_Escape},
    };
    for (int i = 0; i < keys.size(); ++i) {
        QWidget* w = target ? target : focused();
        if (keys.at(i) == QLatin1Char('{')) {
            int close = keys.indexOf(QLatin1Char('}'), i);
            QTest::keyClick(w, named.value(keys.mid(i + 1, close - i - 1)));
            i = close;
        } else {
            QTest::keyClick(w, keys.at(i).toLatin1());
        }
    }
}

}  // namespace drav::test
