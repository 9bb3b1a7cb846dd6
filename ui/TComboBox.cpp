#include "ui/TComboBox.h"

#include "ui/FormHelpers.h"
#include "util/Cp1252.h"
#include "util/Text.h"

#include <QComboBox>
#include <QLineEdit>

namespace drav::ui {
namespace {

int findItem(const QComboBox* c, const QString& text) {
    const QString want = trimRight(text);
    for (int i = 0; i < c->count(); ++i)
        if (trimRight(c->itemText(i)) == want) return i;
    return -1;
}

}  // namespace

TComboBox::TComboBox(int id, Binding value, QStringList items, TContainer& form, TComboBoxArgs args,
                     std::source_location where)
    : TControl(id, std::move(value), form, where),
      aItems(std::move(items)),
      cPicture(args.mask),
      nStyle(args.style) {
    Cargo = std::move(args.valid);
    bChange = std::move(args.change);
    bWhen = std::move(args.when);
    cVarName = args.varName;
    QComboBox* c = attach<QComboBox>(id);
    if (!c) return;
    c->setEditable(isEditable());
    c->setInsertPolicy(QComboBox::NoInsert);
    connect(c, &QComboBox::activated, this, [this](int index) {
        if (m_showing) return;
        store(combo()->itemText(index));
        runChange();
    });
    if (QLineEdit* e = c->lineEdit()) {
        connect(e, &QLineEdit::textEdited, this, [this] {
            if (m_showing) return;
            cbPicture(*this, cPicture);
            store(combo()->currentText());
            runChange();
        });
    }
}

QComboBox* TComboBox::combo() const {
    return qobject_cast<QComboBox*>(m_widget.data());
}

QString TComboBox::boundText() const {
    const Value v = bSetGet.value();
    return isText(v) ? fromCp1252(std::get<std::string>(v)) : QString();
}

void TComboBox::store(const QString& text) {
    bSetGet.store(toCp1252(text));
}

QString TComboBox::text() const {
    QComboBox* c = combo();
    return c ? c->currentText() : QString();
}

void TComboBox::showBound(bool insertMissing) {
    QComboBox* c = combo();
    if (!c) return;
    m_showing = true;
    const QString bound = boundText();
    int at = findItem(c, bound);
    if (at < 0 && (insertMissing || !isEditable())) {
        c->insertItem(0, trimRight(bound));
        at = 0;
    }
    if (at >= 0)
        c->setCurrentIndex(at);
    else
        c->setEditText(trimRight(bound));
    m_showing = false;
}

void TComboBox::initiate() {
    QComboBox* c = combo();
    if (!c) return;
    m_showing = true;
    c->clear();
    c->addItems(aItems);
    m_showing = false;
    showBound(true);
}

void TComboBox::refresh() {
    showBound(false);
}

void TComboBox::refreshIfChanged() {
    QComboBox* c = combo();
    if (!c || c->hasFocus()) return;  // the user may be choosing or typing
    if (trimRight(boundText()) != trimRight(c->currentText())) refresh();
}

void TComboBox::assign() {
    if (combo()) store(combo()->currentText());
}

void TComboBox::setItems(const QStringList& items) {
    aItems = items;
    QComboBox* c = combo();
    if (!c) return;
    m_showing = true;
    c->clear();
    c->addItems(items);
    m_showing = false;
}

void TComboBox::set(const QString& text) {
    QComboBox* c = combo();
    if (!c) return;
    m_showing = true;
    int at = findItem(c, text);
    if (at >= 0)
        c->setCurrentIndex(at);
    else if (isEditable())
        c->setEditText(text);
    m_showing = false;
    store(c->currentText());
}

void TComboBox::select(int position) {
    QComboBox* c = combo();
    if (!c || position < 1 || position > c->count()) return;
    m_showing = true;
    c->setCurrentIndex(position - 1);
    m_showing = false;
    store(c->currentText());
}

void TComboBox::modify(const QString& text, int position) {
    QComboBox* c = combo();
    if (!c || position < 1 || position > c->count()) return;
    m_showing = true;
    c->setItemText(position - 1, text);
    if (position - 1 < aItems.size()) aItems[position - 1] = text;
    m_showing = false;
}

int TComboBox::nAt() const {
    QComboBox* c = combo();
    return c ? c->currentIndex() + 1 : 0;
}

}  // namespace drav::ui
