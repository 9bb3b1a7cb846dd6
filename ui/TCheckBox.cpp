#include "ui/TCheckBox.h"

#include <QCheckBox>

namespace drav::ui {

TCheckBox::TCheckBox(int id, Binding value, TContainer& form, TCheckBoxArgs args,
                     std::source_location where)
    : TControl(id, std::move(value), form, where) {
    bChange = std::move(args.change);
    Cargo = std::move(args.valid);
    bWhen = std::move(args.when);
    cVarName = args.varName;
    // A value that is not a logical when the form is built becomes false.
    if (!isLogical(bSetGet.value())) bSetGet.store(false);
    if (QCheckBox* b = attach<QCheckBox>(id)) {
        connect(b, &QCheckBox::clicked, this, [this](bool checked) {
            bSetGet.store(checked);
            runChange();
            afterClick();
        });
    }
}

QCheckBox* TCheckBox::box() const {
    return qobject_cast<QCheckBox*>(m_widget.data());
}

void TCheckBox::refresh() {
    QCheckBox* b = box();
    if (!b) return;
    const Value v = bSetGet.value();
    b->setChecked(isLogical(v) && std::get<bool>(v));
}

void TCheckBox::click() {
    if (QCheckBox* b = box()) b->click();
}

QString TCheckBox::text() const {
    QCheckBox* b = box();
    return b ? b->text() : QString();
}

}  // namespace drav::ui
