#include "clients/ListScreen.h"

#include "data/access/KeySearch.h"
#include "data/access/Slots.h"
#include "ui/FormHelpers.h"
#include "ui/TButton.h"
#include "util/Error.h"

namespace drav::clients {

ListScreen::ListScreen(const QString& templateName, const QString& countTitle, data::Table& table,
                       const ListColumnView& column)
    : m_form(QString(), templateName), m_table(table), m_countTitle(countTitle) {
    data::select(table.slot());
    auto cell = column.cell;
    m_list = ui::TWBrowse::reDefine(101, m_form,
                                    {.line = [cell] { return std::vector<Value>{cell()}; },
                                     .headers = {column.header},
                                     .sizes = {0},
                                     .alias = table.alias()});
    m_list->bKeyChar = [](int key, ui::TWBrowse& list) { data::keySearch(&list, key); };
}

QString ListScreen::title() {
    return QStringLiteral("%1 - %2 di %3")
        .arg(m_countTitle)
        .arg(m_table.keyCount())
        .arg(m_table.totRec(true));
}

void ListScreen::button(int id, std::function<void()> action, Enabling enabling) {
    ui::Condition when;
    if (enabling == NeedsRecord) when = [this] { return hasRecord(); };
    new ui::TButton(id, [this, action = std::move(action)] { act(action); }, m_form,
                    {.when = std::move(when)});
}

void ListScreen::onOpen(std::function<void()> action) {
    m_list->bLDblClick = [this, action = std::move(action)](int, int, int, ui::TWBrowse&) {
        act(action);
    };
}

void ListScreen::act(const std::function<void()>& action) {
    // The access operations act on the current table: the screen's own.
    data::select(m_table.slot());
    try {
        action();
    } catch (const Abandoned&) {
        // The handler has told the user: the screen ends here.
        m_abandoned = true;
        close();
        return;
    }
    redraw();
}

void ListScreen::redraw() {
    data::select(m_table.slot());
    if (!m_countTitle.isEmpty()) m_form.setWindowTitle(title());
    m_list->stabilize();
    m_form.evalWhens();
}

void ListScreen::run() {
    m_form.activate({.valid = [this] { return ui::valid(m_form, false); },
                     .init =
                         [this] {
                             if (!m_countTitle.isEmpty()) m_form.setWindowTitle(title());
                         }});
    if (m_abandoned) throw Abandoned("list screen closed by an error");
}

}  // namespace drav::clients
