#include "clients/Activities.h"

#include "clients/Client.h"
#include "clients/ClientTemplates.h"
#include "clients/ListScreen.h"
#include "data/access/ScopedTable.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "ui/TWBrowse.h"
#include "util/Cp1252.h"
#include "util/Error.h"

namespace drav::clients {

QStringList aAttiv() {
    QStringList out;
    // An alias of its own: the activities screen may have ATTIVITA open.
    data::ScopedTable t("ATTIVITA", data::getNewAlias());
    data::ordAdd("ATTIVITA");
    const int field = t->needField("ATTIVITA");
    for (t->goTop(); !t->eof(); t->skip()) {
        const std::string text = trimRight(t->text(field));
        if (!text.empty()) out << fromCp1252(text);
    }
    return out;
}

namespace {

void run() {
    registerClientTemplates();
    data::ScopedTable attivita("ATTIVITA");
    data::ordAdd("ATTIVITA");
    data::Table& t = *attivita;
    t.goTop();
    const int field = t.needField("ATTIVITA");
    ListScreen screen(QStringLiteral("ATTIVITA"), QString(), t,
                      {QStringLiteral("ATTIVITA'"), [&t, field] { return t.get(field); }});
    // Entries are kept in capitals; an empty one is refused by the editor.
    auto edit = [&screen](bool append) { ui::edCol(screen.list(), append, QStringLiteral("@!")); };
    using E = ListScreen::Enabling;
    screen.button(201, [&] { screen.close(); });
    screen.button(202, [&] { edit(true); });
    screen.button(
        203, [&] { edit(false); }, E::NeedsRecord);
    screen.button(
        204, [] { data::delRec(); }, E::NeedsRecord);
    screen.onOpen([&] { edit(false); });
    screen.run();
}

}  // namespace

void attivita() {
    try {
        run();
    } catch (const Abandoned&) {
        // The handler has told the user; the table is closed on the way out.
    }
}

}  // namespace drav::clients
