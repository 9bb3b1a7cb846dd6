#include "ui/FormHelpers.h"

#include "ui/EditMask.h"
#include "ui/TButton.h"
#include "ui/TComboBox.h"
#include "ui/TDialog.h"
#include "ui/TFolder.h"
#include "ui/TGet.h"
#include "ui/TImage.h"
#include "ui/TSay.h"
#include "util/Messages.h"
#include "util/NetMarker.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QTabWidget>

namespace drav::ui {
namespace {

// ---- Close protocol ------------------------------------------------------

// The control whose widget is, or contains, the focused widget.
TControl* controlOf(TContainer& form, QWidget* focused) {
    if (!focused) return nullptr;
    for (TControl* c : form.aControls) {
        if (c->widget() && (c->widget() == focused || c->widget()->isAncestorOf(focused))) return c;
        if (auto* folder = qobject_cast<TFolder*>(c))
            for (auto& page : folder->pages())
                if (TControl* inner = controlOf(*page, focused)) return inner;
    }
    return nullptr;
}

// A red line two pixels high under the failing field while its message shows.
void reportFailure(TControl& c, const QString& message) {
    QPointer<QWidget> mark;
    if (QWidget* w = c.widget(); w && w->parentWidget()) {
        mark = new QWidget(w->parentWidget());
        mark->setObjectName(QStringLiteral("invalidMark"));
        mark->setGeometry(w->x(), w->y() + w->height() - 2, std::max(1, w->width() - 1), 2);
        mark->setAutoFillBackground(true);
        QPalette p = mark->palette();
        p.setColor(QPalette::Window, QColor(255, 0, 0));
        mark->setPalette(p);
        mark->show();
        mark->raise();
    }
    msgInfo(message);
    delete mark.data();
    c.setFocus();
}

bool validateControls(TContainer& form) {
    for (TControl* c : form.aControls) {
        if (c->isLabel()) continue;
        if (auto* combo = qobject_cast<TComboBox*>(c)) combo->assign();
        if (c->bWhen && !c->bWhen()) continue;
        if (auto* get = qobject_cast<TGet*>(c)) {
            if (get->hasInvalidDate()) {
                reportFailure(*c, QStringLiteral("Data non valida."));
                return false;
            }
            if (get->numberTooBig()) {
                reportFailure(*c, QStringLiteral("Numero troppo grande."));
                return false;
            }
        }
        if (c->Cargo && !c->Cargo()) {
            reportFailure(*c, QStringLiteral("Campo non valido."));
            return false;
        }
    }
    return true;
}

template <class Fn>
TControl* searchControls(TContainer& form, const Fn& match) {
    for (TControl* c : form.aControls) {
        if (match(*c)) return c;
        if (auto* folder = qobject_cast<TFolder*>(c))
            for (auto& page : folder->pages())
                if (TControl* found = searchControls(*page, match)) return found;
    }
    return nullptr;
}

void refreshControls(TContainer& form) {
    for (TControl* c : form.aControls) {
        if (c->bSetGet) c->refreshIfChanged();
        if (auto* folder = qobject_cast<TFolder*>(c))
            for (auto& page : folder->pages()) refreshControls(*page);
    }
}

}  // namespace

bool valid(TDialog& form, bool askOnCancel) {
    QPointer<QWidget> focused = QApplication::focusWidget();
    if (!focused || focused->window() != &form) focused = form.focusWidget();

    if (!form.Cargo || *form.Cargo == 2) {
        // Esc, the close box or the cancel button.
        if (!askOnCancel) return true;
        for (TControl* c : form.aControls)
            if (auto* folder = qobject_cast<TFolder*>(c))
                for (auto& page : folder->pages())
                    if (page->lModify) form.lModify = true;
        if (!form.lModify) return true;
        if (msgAsk(QStringLiteral("Annullo le modifiche?"), 5)) return true;
        if (focused) focused->setFocus(Qt::OtherFocusReason);
        return false;
    }

    // The confirm button. A refused confirmation followed by Esc is a cancel.
    form.Cargo.reset();
    // Text still being typed reaches its bound value first.
    if (TControl* c = controlOf(form, focused)) c->assign();
    if (!validateControls(form)) return false;
    for (TControl* c : form.aControls) {
        auto* folder = qobject_cast<TFolder*>(c);
        if (!folder) continue;
        for (auto& page : folder->pages()) {
            if (folder->tabs()) {
                int index = folder->tabs()->indexOf(page->containerWidget());
                if (index >= 0) folder->tabs()->setCurrentIndex(index);
            }
            if (!validateControls(*page)) return false;
        }
    }
    return true;
}

// ---- Searches ------------------------------------------------------------

TControl* ctl(TContainer& form, int position) {
    if (position < 1 || position > static_cast<int>(form.aControls.size())) return nullptr;
    return form.aControls[static_cast<size_t>(position) - 1];
}

TControl* ctl(TContainer& form, const QString& name) {
    if (name.isEmpty()) return nullptr;
    return searchControls(form, [&name](const TControl& c) {
        return !c.cVarName.isEmpty() && c.cVarName.startsWith(name);
    });
}

TControl* item(TContainer& form, int id) {
    return searchControls(form, [id](const TControl& c) { return c.hasId(id); });
}

// ---- Control helpers -----------------------------------------------------

void ctlDisable(TControl& control) {
    if (auto* combo = qobject_cast<TComboBox*>(&control)) {
        if (QComboBox* box = combo->combo(); box && box->currentIndex() >= 0)
            box->setItemText(box->currentIndex(), QString());
        combo->bSetGet.store(std::string());
    }
    control.disable();
}

void fldHideItem(TFolder& folder, int page) {
    folder.hideItem(page);
}

void refreshAll(TContainer& form) {
    static bool running = false;
    if (running) return;
    running = true;
    struct Done {
        ~Done() { running = false; }
    } done;
    refreshControls(form);
}

void cbPicture(TComboBox& combo, const QString& mask) {
    QComboBox* box = combo.combo();
    QLineEdit* e = box ? box->lineEdit() : nullptr;
    if (!e) return;
    int caret = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    QString t = e->text();
    if (mask == QLatin1String("@!")) {
        t = upperAscii(t);
    } else if (mask == QLatin1String("9")) {
        for (int i = 0; i < t.size(); ++i) {
            if (!t.at(i).isDigit()) {
                t.remove(i, 1);
                caret = std::max(0, caret - 1);
                break;
            }
        }
    }
    e->setText(t);
    e->setCursorPosition(std::min(caret, static_cast<int>(t.size())));
}

// ---- Prompts -------------------------------------------------------------

bool msgGet(const QString& title, const QString& prompt, Value& value, const QString& mask) {
    TDialog dlg(title, QStringLiteral("MSGGET"));
    Value temp = value;
    auto* label = new TSay(101, {}, dlg);
    label->setText(prompt);
    new TGet(102, bindVar(temp), dlg,
             {.mask = mask, .change = [&dlg] { dlg.lModify = true; }, .varName = "cTemp"});
    TButton::confirm(dlg, 201);
    TButton::cancel(dlg, 202);
    dlg.activate({.centered = true, .valid = [&dlg] { return valid(dlg, false); }});
    if (dlg.nResult == 0 || dlg.nResult == 2) return false;
    value = temp;
    return true;
}

namespace {

template <class T>
bool msgGetTyped(const QString& title, const QString& prompt, T& value, const QString& mask) {
    Value v = value;
    if (!msgGet(title, prompt, v, mask)) return false;
    if (auto* typed = std::get_if<T>(&v)) value = *typed;
    return true;
}

}  // namespace

bool msgGet(const QString& title, const QString& prompt, std::string& value, const QString& mask) {
    return msgGetTyped(title, prompt, value, mask);
}

bool msgGet(const QString& title, const QString& prompt, double& value, const QString& mask) {
    return msgGetTyped(title, prompt, value, mask);
}

bool msgGet(const QString& title, const QString& prompt, Date& value, const QString& mask) {
    return msgGetTyped(title, prompt, value, mask);
}

void infos(const QString& title, const QString& version, const QString& year) {
    TDialog dlg(QString(), QStringLiteral("INFOS"));
    new TImage(101, dlg, QStringLiteral("KOLT"));
    auto label = [&dlg](int id, const QString& text) {
        auto* say = new TSay(id, {}, dlg);
        say->setText(text);
    };
    label(102, title);
    label(103, QStringLiteral("Versione: ") + version);
    label(104, year);
    label(105, QString());
    TButton::confirm(dlg, 201);
    dlg.activate({.centered = true, .valid = [&dlg] { return valid(dlg, false); }});
}

// ---- Colours -------------------------------------------------------------

QColor getSysBgColor(int index) {
    if (networkMode()) return QColor(255, 255, 255);
    const QPalette p = QApplication::palette();
    switch (index) {
        case 5:
            return p.color(QPalette::Base);  // window background
        case 6:
            return p.color(QPalette::Dark);  // window frame
        case 7:
            return p.color(QPalette::WindowText);  // menu text
        case 8:
            return p.color(QPalette::Text);  // window text
        case 12:
            return p.color(QPalette::Dark);  // application workspace
        case 13:
            return p.color(QPalette::Highlight);
        case 14:
            return p.color(QPalette::HighlightedText);
        case 15:
            return p.color(QPalette::Button);  // button face
        case 16:
            return p.color(QPalette::Mid);  // button shadow
        case 17:
            return p.color(QPalette::Disabled, QPalette::Text);  // grey text
        case 18:
            return p.color(QPalette::ButtonText);
        case 20:
            return p.color(QPalette::Light);  // button highlight
        default:
            return p.color(QPalette::Window);
    }
}

}  // namespace drav::ui
