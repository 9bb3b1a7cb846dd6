// The drop-down pick list. Sections: what the list shows; placing it;
// dbCombo.
#include "ui/DbCombo.h"

#include "data/access/KeySearch.h"
#include "data/access/ScopedTable.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "data/access/TagOrder.h"
#include "data/cdx/IndexTag.h"
#include "ui/FormTemplate.h"
#include "ui/TDialog.h"
#include "ui/TGet.h"
#include "ui/TWBrowse.h"
#include "util/Error.h"
#include "util/Messages.h"
#include "util/NumFormat.h"
#include "util/Text.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QScreen>

namespace drav::ui {
namespace {

// ---- What the list shows ---------------------------------------------------

// The display field as one line: text unchanged, a memo's line breaks as
// blanks, numbers as text, dates as dd/mm/yy (blank when empty).
std::string displayText(const Value& v) {
    if (isText(v)) {
        std::string s = std::get<std::string>(v);
        for (char& c : s)
            if (c == '\r' || c == '\n') c = ' ';
        return s;
    }
    if (isDate(v)) {
        const Date d = std::get<Date>(v);
        return d.isEmpty() ? std::string(8, ' ') : d.toText(DateFormat::TwoDigitYear);
    }
    if (isNumber(v)) return numToText(std::get<double>(v));
    return cValToChar(v);
}

// The text cut or padded to the length of the field's value, so that the
// field keeps taking as many characters as before.
Value fitted(const std::string& text, const Value& like) {
    if (!isText(like)) return text;
    std::string s = text;
    s.resize(std::get<std::string>(like).size(), ' ');
    return s;
}

// ---- Placing it ------------------------------------------------------------

// Under the field, from its left edge to the button's right edge; above the
// field when it would not fit on the screen below it.
QRect listRect(QLineEdit& edit, TControl* button, int width, int height) {
    const QPoint fieldTop = edit.mapToGlobal(QPoint(0, 0));
    if (width <= 0) {
        int right = fieldTop.x() + edit.width();
        if (button && button->widget())
            right = button->widget()->mapToGlobal(QPoint(button->widget()->width(), 0)).x();
        width = std::max(60, right - fieldTop.x());
    }
    QRect r(fieldTop.x(), fieldTop.y() + edit.height(), width, height);
    const QScreen* screen = edit.screen() ? edit.screen() : QApplication::primaryScreen();
    if (screen && r.bottom() + 10 > screen->availableGeometry().bottom())
        r.moveTop(fieldTop.y() - height);
    return r;
}

struct ButtonOff {
    explicit ButtonOff(TControl* b) : button(b) {
        if (button) button->disable();
    }
    ~ButtonOff() {
        if (button) button->enable();
    }
    TControl* button;
};

}  // namespace

// ---- dbCombo ---------------------------------------------------------------

bool dbCombo(TGet& field, TControl* button, DbComboArgs args) {
    QLineEdit* edit = field.edit();
    if (!edit) return false;
    if (edit->hasFocus()) field.assign();
    const Value typed = field.varGet();
    const std::string typedText =
        trimRight(isText(typed) ? std::get<std::string>(typed) : displayText(typed));

    const QFont font = args.font.value_or(edit->font());
    const int rowHeight = QFontMetrics(font).height() + 1;
    const QRect place = listRect(*edit, button, args.width, (args.rows + 1) * rowHeight + 2);

    edit->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();

    ButtonOff off(button);
    bool picked = false;
    try {
        data::ScopedTable lookup(args.table, data::getNewAlias());
        data::Table& t = *lookup;
        if (!args.index.empty()) data::ordAdd(args.index);
        if (!args.scope.empty()) data::dbSetScope(Value(args.scope), Value(args.scope));
        if (args.condition || !args.key.empty()) {
            auto* tag = dynamic_cast<data::TagOrder*>(&t.controlling());
            data::ViewOptions options;
            if (!args.key.empty()) options.keyText = args.key;
            options.unique = args.unique || (tag && tag->tag().unique());
            options.quiet = true;
            data::dbSetView(args.condition.value_or(data::ViewCondition(
                                [](const data::RecordContext&) { return true; })),
                            options);
        }

        // On the typed value, or on the first record.
        const int shown = t.needField(args.display);
        bool found = false;
        if (!typedText.empty()) {
            if (args.keySearch) {
                if (t.controlling().keyType() == 'N')
                    found = t.seek(Value(std::atof(typedText.c_str())));
                else
                    found = t.seek(Value(args.scope + data::keyCapitals(typedText)));
            } else if (!args.locate.empty()) {
                const int at = t.needField(args.locate);
                const std::string wanted = data::keyCapitals(typedText);
                for (t.goTop(); !t.eof() && !found;) {
                    if (data::keyCapitals(trimRight(displayText(t.get(at)))) == wanted)
                        found = true;
                    else
                        t.skip(1);
                }
            } else {
                found = t.seek(Value(args.scope + typedText));
            }
        }
        if (!found) t.goTop();

        const bool number = t.fieldDef(shown).type == 'N';
        TDialog popup(QString(), QStringLiteral("DBCOMBO"), edit->window());
        popup.setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        popup.setFixedSize(place.size());
        popup.setFont(font);
        if (QWidget* holder = popup.findChild<QWidget*>(QStringLiteral("101"))) {
            holder->setGeometry(0, 0, place.width(), place.height());
            holder->setFont(font);
        }
        auto pick = [&popup, &picked] {
            picked = true;
            popup.Cargo = 1;
            popup.end(1);
        };
        TWBrowse* list = TWBrowse::reDefine(
            101, popup,
            {.line = [&t, shown] { return std::vector<Value>{displayText(t.get(shown))}; },
             .change = [&](TWBrowse&) { field.varPut(fitted(displayText(t.get(shown)), typed)); },
             .dblClick = [&](int, int, int, TWBrowse&) { pick(); },
             .lClick = [&](TWBrowse&, int, int, int, int, int) { pick(); }});
        list->lCellLines = false;
        list->aJustify = {args.rightAligned.value_or(number) ? Justify::Right : Justify::Left};
        if (args.keySearch)
            list->bKeyChar = [](int key, TWBrowse& b) { data::keySearch(&b, key); };
        else if (!args.locate.empty())
            list->bKeyChar = [&args](int key, TWBrowse& b) {
                data::keyLocate(b, key, args.locate);
            };
        else
            list->bKeyChar = [](int key, TWBrowse& b) { data::keySeek(b, key); };

        popup.move(place.topLeft());
        popup.activate({.centered = false, .modal = false, .owner = edit->window()});
        if (list->widget()) list->widget()->setFocus(Qt::PopupFocusReason);
        stopUntil([&popup] { return !popup.isVisible(); });

        if (picked && args.code) {
            data::select(lookup.slot());
            field.cCode = args.code();
        }
    } catch (const Abandoned&) {
        picked = false;
    }
    if (!picked) field.varPut(typed);
    if (picked && field.bChange) field.bChange();
    return picked;
}

}  // namespace drav::ui
