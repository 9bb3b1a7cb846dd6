// Small forms for the widget tests: one template with a few edit fields, a
// check box, a combo box, a radio pair and the two buttons of an edit card;
// helpers to show a form without a modal loop and type into it.
#pragma once

#include "ui/QtUserPort.h"
#include "ui/TDialog.h"

#include "util/UserPort.h"

#include <QString>
#include <memory>
#include <ostream>

class QWidget;

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace drav::test {

// Registers the test templates (once).
void registerTestTemplates();

// "TESTCARD": 101, 102, 103 edit fields; 104 check box; 105 combo box
// (editable); 106 drop-down list; 107/108 radio buttons; 109 label;
// 201 "&Conferma", 202 "&Annulla".
inline const QString kCard = QStringLiteral("TESTCARD");
// "TESTLIST": 101 edit field, 201 "&Chiudi" (a form without a default button).
inline const QString kList = QStringLiteral("TESTLIST");

// "TESTFOLDER": a folder 110 with the pages "TESTPAGE1" (edit field 101,
// multi-line edit 102) and "TESTPAGE2" (edit field 101 again, a page is a
// template of its own), 201 "&Conferma", 202 "&Annulla".
inline const QString kFolder = QStringLiteral("TESTFOLDER");

// Installs the Qt user port (real message boxes) for the lifetime of the
// object, restoring the previous port afterwards.
class ScopedQtPort {
public:
    ScopedQtPort();
    ~ScopedQtPort();
    ui::QtUserPort& port() { return *m_port; }

private:
    ui::QtUserPort* m_port;
    std::unique_ptr<UserPort> m_previous;
};

// Shows a form without a modal loop and waits until it is the active window.
bool showForm(ui::TDialog& form);
// Types keys into the focused widget, or into the widget given (a window
// that has not become the active one yet has no focused widget). Plain
// characters are typed as they are; "{BS}", "{DEL}", "{LEFT}", "{RIGHT}",
// "{HOME}", "{END}", "{TAB}", "{ENTER}" and "{ESC}" are those keys.
void typeKeys(const QString& keys, QWidget* target = nullptr);
// The widget with the keyboard focus.
QWidget* focused();

}  // namespace drav::test
