#include "ui/TContainer.h"

#include "ui/TControl.h"
#include "ui/TFolder.h"

#include <QWidget>

namespace drav::ui {
namespace {

QWidget* search(QWidget* parent, const QString& name) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w) continue;
        if (w->objectName() == name) return w;
        if (w->property("dravPage").toBool()) continue;  // a folder page: its own container
        if (QWidget* found = search(w, name)) return found;
    }
    return nullptr;
}

}  // namespace

QWidget* TContainer::findTemplateWidget(int id) {
    QWidget* root = containerWidget();
    return root ? search(root, QString::number(id)) : nullptr;
}

TControl* TContainer::controlWithId(int id) const {
    for (TControl* c : aControls)
        if (c->hasId(id)) return c;
    return nullptr;
}

void TContainer::evalWhens() {
    for (TControl* c : aControls) {
        c->evalWhen();
        if (auto* folder = qobject_cast<TFolder*>(c))
            for (auto& page : folder->pages()) page->evalWhens();
    }
}

}  // namespace drav::ui
