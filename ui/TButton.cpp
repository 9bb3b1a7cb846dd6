#include "ui/TButton.h"

#include "ui/EventGuard.h"
#include "ui/TContainer.h"
#include "ui/TDialog.h"

#include <QApplication>
#include <QPushButton>

namespace drav::ui {

TButton::TButton(int id, Action action, TContainer& form, TButtonArgs args,
                 std::source_location where)
    : TControl(id, Binding{}, form, where), bAction(std::move(action)), lCancel(args.cancel) {
    bWhen = std::move(args.when);
    if (QPushButton* b = attach<QPushButton>(id)) {
        if (!args.caption.isEmpty()) b->setText(args.caption);
        connect(b, &QPushButton::clicked, this, [this] { pressed(); });
    }
}

QPushButton* TButton::button() const {
    return qobject_cast<QPushButton*>(m_widget.data());
}

QString TButton::text() const {
    QPushButton* b = button();
    return b ? b->text() : QString();
}

void TButton::click() {
    if (QPushButton* b = button()) b->click();
}

void TButton::pressed() {
    if (!lCancel) {
        // The focused control's own check comes first.
        QWidget* focused = QApplication::focusWidget();
        if (focused == m_widget) focused = form().focusBeforeButton();
        for (TControl* c : container().aControls) {
            if (c == this || !c->bValid || !c->widget()) continue;
            if (c->widget() == focused || c->widget()->isAncestorOf(focused)) {
                bool ok = true;
                runGuarded([&] { ok = c->bValid(); });
                if (!ok) return;
            }
        }
    }
    if (bAction) runGuarded(bAction);
    afterClick();
}

TButton* TButton::confirm(TContainer& form, int id, std::source_location where) {
    TDialog* dlg = &form.ownerForm();
    return new TButton(
        id,
        [dlg] {
            dlg->Cargo = 1;
            dlg->end(1);
        },
        form, {}, where);
}

TButton* TButton::cancel(TContainer& form, int id, std::source_location where) {
    TDialog* dlg = &form.ownerForm();
    return new TButton(
        id,
        [dlg] {
            dlg->Cargo = 2;
            dlg->end(2);
        },
        form, {.cancel = true}, where);
}

}  // namespace drav::ui
