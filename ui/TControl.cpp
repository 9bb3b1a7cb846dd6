#include "ui/TControl.h"

#include "ui/CallSite.h"
#include "ui/EventGuard.h"
#include "ui/TContainer.h"
#include "ui/TDialog.h"

#include <QWidget>

namespace drav::ui {
namespace {

QString whereText(const std::source_location& where) {
    return QStringLiteral(";Function: ") +
           QString::fromStdString(functionLabel(where.function_name())) +
           QStringLiteral("  Line: ") + QString::number(where.line());
}

}  // namespace

TControl::TControl(int id, Binding value, TContainer& owner, std::source_location where)
    : QObject(&owner.ownerForm()),
      nId(id),
      bSetGet(std::move(value)),
      m_owner(owner),
      m_where(where) {
    // A getter that gives nothing is set to empty text first: the kind of the
    // value is read from the getter when the form is built.
    if (bSetGet && isNil(bSetGet.get())) bSetGet.store(Value(std::string()));
    checkDuplicate(id);
    owner.aControls.push_back(this);
}

TControl::~TControl() = default;

TDialog& TControl::form() const {
    return m_owner.ownerForm();
}

QWidget* TControl::findWidget(int id) {
    return m_owner.findTemplateWidget(id);
}

void TControl::idNotFound(int id) {
    form().definitionError(QStringLiteral("Id not found: ") + QString::number(id) +
                           whereText(m_where));
}

void TControl::checkDuplicate(int id) {
    bool taken = false;
    for (TControl* c : m_owner.aControls)
        if (c != this && c->hasId(id)) taken = true;
    if (taken)
        form().definitionError(QStringLiteral("Duplicate id ") + QString::number(id) +
                               whereText(m_where));
}

QString TControl::text() const {
    return {};
}

void TControl::varPut(const Value& v) {
    bSetGet.store(v);
    refresh();
}

void TControl::setFocus() {
    if (m_widget) m_widget->setFocus(Qt::OtherFocusReason);
}

void TControl::enable() {
    if (m_widget) m_widget->setEnabled(true);
}

void TControl::disable() {
    if (m_widget) m_widget->setEnabled(false);
}

void TControl::hide() {
    if (m_widget) m_widget->hide();
}

void TControl::show() {
    if (m_widget) m_widget->show();
}

bool TControl::isEnabled() const {
    return m_widget && m_widget->isEnabled();
}

bool TControl::evalWhen() {
    if (!bWhen) return true;
    bool on = bWhen();
    if (on)
        enable();
    else
        disable();
    return on;
}

QRect TControl::rect() const {
    if (!m_widget) return {};
    QWidget* top = m_widget->window();
    return QRect(m_widget->mapTo(top, QPoint(0, 0)), m_widget->size());
}

void TControl::runChange() {
    if (bChange) runGuarded(bChange);
}

void TControl::afterClick() {
    TDialog& f = form();
    runGuarded([&f] { f.evalWhens(); });
}

}  // namespace drav::ui
