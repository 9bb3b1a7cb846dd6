// The list screen of a register: a form built from its template with the
// browse list 101 over the screen's table, a title that counts the records
// listed and the records in the table, and buttons that are enabled only
// while the list has a current record. It is also the screen's recovery
// point: an operation given up by the error handler while a button acts
// closes the form, and run() passes the error on to the screen function,
// whose ScopedTable closes the table on its way out.
//
// A later screen (recipients, couriers...) opens its table, builds one,
// adds its buttons and runs it:
//
//   data::ScopedTable destinat("DESTINAT");
//   data::ordAdd("DESTINAT");
//   ListScreen screen("DESTINATARI", "Destinatari", *destinat,
//                     {"DESTINATARI", field(*destinat, "CLIENTE")});
//   screen.button(201, [&] { screen.close(); });
//   screen.button(203, [&] { scheda(*destinat, false); }, ListScreen::NeedsRecord);
//   screen.onOpen([&] { scheda(*destinat, false); });      // double click, Enter
//   screen.run();
//
// After every button the list is redrawn at the table's current record, the
// title counted again and the buttons enabled or disabled.
#pragma once

#include "data/access/Table.h"
#include "ui/TDialog.h"
#include "ui/TWBrowse.h"

#include <QString>

#include <functional>

namespace drav::clients {

struct ListColumnView {
    QString header;
    std::function<Value()> cell;  // the current record's value
};

class ListScreen {
public:
    enum Enabling { Always, NeedsRecord };

    // countTitle: the title is countTitle + " - N di M"; empty: the
    // template's caption stays.
    ListScreen(const QString& templateName, const QString& countTitle, data::Table& table,
               const ListColumnView& column);

    ui::TDialog& form() { return m_form; }
    ui::TWBrowse& list() { return *m_list; }
    data::Table& table() { return m_table; }

    // The button's action, run as every action of the screen (above).
    void button(int id, std::function<void()> action, Enabling enabling = Always);
    // Double click and Enter on the list.
    void onOpen(std::function<void()> action);
    bool hasRecord() const { return !m_table.eof(); }
    // "Clienti - 12 di 40": the keys of the order in control (a search
    // view) and the keys of the table's main tag.
    QString title();
    // Closes the screen: nothing is asked.
    void close() { m_form.end(2); }
    // Shows the form until it closes; rethrows an error that closed it.
    void run();

private:
    void act(const std::function<void()>& action);
    void redraw();

    ui::TDialog m_form;
    data::Table& m_table;
    QString m_countTitle;
    ui::TWBrowse* m_list = nullptr;
    bool m_abandoned = false;
};

}  // namespace drav::clients
