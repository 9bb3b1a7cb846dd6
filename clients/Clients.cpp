#include "clients/Clients.h"

#include "clients/ClientCard.h"
#include "clients/ClientPrints.h"
#include "clients/ClientRules.h"
#include "clients/ClientSearch.h"
#include "clients/ClientTemplates.h"
#include "clients/ListScreen.h"
#include "data/access/ScopedTable.h"
#include "data/access/TableAccess.h"
#include "util/Error.h"
#include "util/Messages.h"

namespace drav::clients {
namespace {

void elimina(data::Table& t) {
    if (t.eof()) return;
    if (!msgAsk(QStringLiteral("Confermi la cancellazione?"), 2)) return;
    deleteClient(t);
}

void run() {
    registerClientTemplates();
    data::ScopedTable clienti("CLIENTI");
    data::ordAdd("CLIENTI");
    data::Table& t = *clienti;
    t.goTop();
    const int cliente = t.needField("CLIENTE");
    ListScreen screen(QStringLiteral("CLIENTI"), QStringLiteral("Clienti"), t,
                      {QStringLiteral("CLIENTI"), [&t, cliente] { return t.get(cliente); }});
    using E = ListScreen::Enabling;
    screen.button(201, [&] { screen.close(); });
    screen.button(202, [&] { scheda(t, true); });
    screen.button(
        203, [&] { scheda(t, false); }, E::NeedsRecord);
    screen.button(
        204, [&] { elimina(t); }, E::NeedsRecord);
    screen.button(205, [&] { ricerca(t); });
    screen.button(
        206, [&] { stampa1(t); }, E::NeedsRecord);
    screen.button(
        207, [&] { busta(readClient(t)); }, E::NeedsRecord);
    // The ticket books of the client open here once their screen exists.
    screen.button(
        208, [] { msgInfo(QStringLiteral("Funzione non ancora disponibile.")); }, E::NeedsRecord);
    screen.onOpen([&] { scheda(t, false); });
    screen.run();
}

}  // namespace

void clienti() {
    try {
        run();
    } catch (const Abandoned&) {
        // The handler has told the user; the table is closed and the
        // caller's slot selected again by the screen's owners.
    }
}

}  // namespace drav::clients
