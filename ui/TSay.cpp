#include "ui/TSay.h"

#include "ui/EditMask.h"
#include "util/Cp1252.h"
#include "util/NumFormat.h"
#include "util/Text.h"

#include <QLabel>

namespace drav::ui {

QString sayText(const Value& v) {
    return fromCp1252(cValToChar(v));
}

TSay::TSay(int id, std::function<Value()> getter, TContainer& form, TSayArgs args,
           std::source_location where)
    : TControl(id, Binding{std::move(getter), {}}, form, where),
      cPicture(args.mask),
      bClrText(std::move(args.colorFn)),
      m_color(args.color) {
    attach<QLabel>(id);
}

QLabel* TSay::label() const {
    return qobject_cast<QLabel*>(m_widget.data());
}

void TSay::refresh() {
    QLabel* l = label();
    if (!l) return;
    if (bSetGet) {
        const Value v = bSetGet.value();
        QString t;
        if (cPicture.isEmpty()) {
            t = sayText(v);
        } else if (auto* n = std::get_if<double>(&v)) {
            t = QString::fromStdString(transform(*n, cPicture.toStdString()));
        } else {
            t = sayText(v);
            if (EditMask(cPicture).upper()) t = upperAscii(t);
        }
        l->setText(t);
    }
    QColor c = bClrText ? bClrText() : m_color;
    if (c.isValid()) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, c);
        l->setPalette(p);
    }
}

QString TSay::text() const {
    QLabel* l = label();
    return l ? l->text() : QString();
}

void TSay::setText(const QString& text) {
    if (QLabel* l = label()) l->setText(text);
}

}  // namespace drav::ui
