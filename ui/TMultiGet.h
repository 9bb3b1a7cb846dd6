// The multi-line edit field: a bound text edited on several lines.
//
// What the user types reaches the bound value when the field loses the
// focus (and not before: REFRESHALL leaves it on screen meanwhile); the
// change handler runs after every change the user makes. Line breaks are
// CR LF in the bound text (as memo fields keep them) and plain line feeds
// on screen.
#pragma once

#include "ui/TControl.h"

class QPlainTextEdit;

namespace drav::ui {

struct TMultiGetArgs {
    Condition when{};
    bool readOnly = false;
    Condition valid{};
    Action change{};
    QString varName{};
    Action gotFocus{};
    Action lostFocus{};
};

class TMultiGet : public TControl {
    Q_OBJECT
public:
    TMultiGet(int id, Binding value, TContainer& form, TMultiGetArgs args = {},
              std::source_location where = std::source_location::current());

    bool lReadOnly = false;
    Action bGotFocus;
    Action bLostFocus;

    QPlainTextEdit* edit() const;
    void refresh() override;
    void refreshIfChanged() override;
    void assign() override;
    QString text() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString boundText() const;
    bool m_showing = false;  // the text is being put on screen, not typed
    bool m_changed = false;  // typed since the text was last shown or stored
    Value m_valueAtEdit;     // the bound value the text on screen started from
};

}  // namespace drav::ui
