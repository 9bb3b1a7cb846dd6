#include "ui/TRadMenu.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <cmath>

namespace drav::ui {

TRadMenu::TRadMenu(Binding value, TContainer& form, std::vector<int> ids, TRadMenuArgs args,
                   std::source_location where)
    : TControl(ids.empty() ? 0 : ids.front(), std::move(value), form, where), aIds(std::move(ids)) {
    bChange = std::move(args.change);
    bWhen = std::move(args.when);
    Cargo = std::move(args.valid);
    cVarName = args.varName;
    const Value v = bSetGet.value();
    if (!isNumber(v) || std::get<double>(v) == 0) bSetGet.store(1.0);

    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    for (size_t i = 0; i < aIds.size(); ++i) {
        if (i > 0) checkDuplicate(aIds[i]);
        QRadioButton* b = attach<QRadioButton>(aIds[i]);
        m_buttons.push_back(b);
        if (!b) continue;
        m_group->addButton(b, static_cast<int>(i) + 1);
    }
    connect(m_group, &QButtonGroup::idClicked, this, [this](int pos) {
        bSetGet.store(static_cast<double>(pos));
        runChange();
        afterClick();
    });
}

bool TRadMenu::hasId(int id) const {
    for (int i : aIds)
        if (i == id) return true;
    return false;
}

int TRadMenu::position() const {
    const Value v = bSetGet.value();
    return isNumber(v) ? static_cast<int>(std::lround(std::get<double>(v))) : 1;
}

QRadioButton* TRadMenu::button(int pos) const {
    if (pos < 1 || pos > static_cast<int>(m_buttons.size())) return nullptr;
    return m_buttons[static_cast<size_t>(pos) - 1];
}

void TRadMenu::refresh() {
    if (QRadioButton* b = button(position())) b->setChecked(true);
}

void TRadMenu::setFocus() {
    if (QRadioButton* b = button(position())) b->setFocus(Qt::OtherFocusReason);
}

void TRadMenu::enable() {
    for (QRadioButton* b : m_buttons)
        if (b) b->setEnabled(true);
}

void TRadMenu::disable() {
    for (QRadioButton* b : m_buttons)
        if (b) b->setEnabled(false);
}

void TRadMenu::hide() {
    for (QRadioButton* b : m_buttons)
        if (b) b->hide();
}

void TRadMenu::show() {
    for (QRadioButton* b : m_buttons)
        if (b) b->show();
}

void TRadMenu::click() {
    if (QRadioButton* b = button(position())) b->click();
}

}  // namespace drav::ui
