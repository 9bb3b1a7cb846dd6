// The label: shows a value read from its getter, formatted with its mask
// (numbers through transform), or as display text without one. refresh()
// reads the getter again; the text colour may be a callback read at each
// refresh.
#pragma once

#include "ui/TControl.h"

#include <QColor>

class QLabel;

namespace drav::ui {

struct TSayArgs {
    QString mask{};
    QColor color{};                     // text colour (invalid: the form's)
    std::function<QColor()> colorFn{};  // read at each refresh, when given
};

class TSay : public TControl {
    Q_OBJECT
public:
    TSay(int id, std::function<Value()> getter, TContainer& form, TSayArgs args = {},
         std::source_location where = std::source_location::current());

    QString cPicture;
    std::function<QColor()> bClrText;

    QLabel* label() const;
    bool isLabel() const override { return true; }
    void refresh() override;
    QString text() const override;
    // Shows a fixed text (the getter, if any, is read again at the next refresh).
    void setText(const QString& text);

private:
    QColor m_color;
};

// The text a label shows for a value without a mask.
QString sayText(const Value& value);

}  // namespace drav::ui
