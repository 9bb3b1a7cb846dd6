#include "clients/ClientCard.h"

#include "clients/Activities.h"
#include "clients/CardLoop.h"
#include "clients/ClientPrints.h"
#include "clients/ClientRules.h"
#include "clients/ClientTemplates.h"
#include "ui/FormHelpers.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TDialog.h"
#include "ui/TGet.h"
#include "ui/TMultiGet.h"
#include "util/Validate.h"

#include <QComboBox>
#include <QLineEdit>

namespace drav::clients {

int clientCard(Client& c, bool adding, bool reopened) {
    registerClientTemplates();
    ui::TDialog form(adding ? QStringLiteral("Aggiungi") : QStringLiteral("Modifica"),
                     QStringLiteral("CLIENTE"));
    auto changed = [&form] { form.lModify = true; };
    auto filled = [](const std::string& s) { return !isBlank(s); };

    new ui::TGet(101, ui::bindVar(c.cliente), form,
                 {.valid = [&] { return filled(c.cliente); },
                  .change = changed,
                  .lostFocus =
                      [&] {
                          // The identifier is usually the company name too.
                          if (isBlank(c.ragsoc[0]) && !isBlank(c.cliente)) {
                              c.ragsoc[0] = c.cliente;
                              ui::refreshAll(form);
                          }
                      }});
    new ui::TGet(102, ui::bindVar(c.ragsoc[0]), form,
                 {.valid = [&] { return filled(c.ragsoc[0]); }, .change = changed});
    for (int i = 1; i < 5; ++i)
        new ui::TGet(102 + i, ui::bindVar(c.ragsoc[i]), form, {.change = changed});
    new ui::TGet(107, ui::bindVar(c.indirizzo), form, {.change = changed});
    new ui::TGet(108, ui::bindVar(c.citta), form, {.change = changed});
    new ui::TGet(109, ui::bindVar(c.cap), form, {.mask = "99999", .change = changed});
    new ui::TGet(110, ui::bindVar(c.provincia), form, {.mask = "@! AA", .change = changed});
    new ui::TGet(111, ui::bindVar(c.telefono), form, {.change = changed});
    new ui::TGet(112, ui::bindVar(c.fax), form, {.change = changed});
    new ui::TGet(113, ui::bindVar(c.partiva), form,
                 {.mask = "99999999999",
                  .valid = [&] { return isBlank(c.partiva) || isIva(c.partiva); },
                  .change = changed});
    new ui::TGet(114, ui::bindVar(c.codfisc), form,
                 {.mask = "@!",
                  .valid = [&] { return isBlank(c.codfisc) || isCod(c.codfisc); },
                  .change = changed});
    new ui::TComboBox(115, ui::bindVar(c.attivita), aAttiv(), form,
                      {.change = changed, .style = 3});
    new ui::TCheckBox(116, ui::bindVar(c.fattura), form, {.change = changed});
    new ui::TGet(117, ui::bindVar(c.costoclie), form, {.mask = "@ZE 99.99", .change = changed});
    new ui::TGet(118, ui::bindVar(c.costopony), form, {.mask = "@ZE 9.99", .change = changed});
    new ui::TCheckBox(122, ui::bindVar(c.fisso), form, {.change = changed});
    auto* pagamento = new ui::TComboBox(
        119, ui::bindVar(c.pagamento),
        {QString(), QStringLiteral("Rimessa diretta"), QStringLiteral("15 giorni data fattura"),
         QStringLiteral("30 giorni data fattura"), QStringLiteral("60 giorni data fattura"),
         QStringLiteral("90 giorni data fattura")},
        form, {.change = changed});
    if (QLineEdit* e = pagamento->combo()->lineEdit()) e->setMaxLength(25);
    new ui::TMultiGet(120, ui::bindVar(c.fatturaz), form, {.change = changed});
    new ui::TMultiGet(121, ui::bindVar(c.note), form, {.change = changed});

    int confirmedBy = 0;
    ui::TButton::confirm(form);
    ui::TButton::cancel(form);
    new ui::TButton(
        203,
        [&form, &confirmedBy] {
            // Validated and saved as "Conferma"; the print follows the save.
            confirmedBy = 3;
            form.Cargo = 1;
            form.end(1);
            if (form.nResult != 1) confirmedBy = 0;  // a field rule kept the card open
        },
        form);

    const int result = form.activate({.valid = [&form] { return ui::valid(form, true); },
                                      .init = [&form, reopened] { form.lModify = reopened; }});
    if (result != 1) return 0;
    return confirmedBy == 3 ? 3 : 1;
}

bool scheda(data::Table& t, bool adding) {
    if (!adding && t.eof()) return false;
    Client values = adding ? newClient() : readClient(t);
    std::optional<uint32_t> editing;
    if (!adding) editing = t.recno();
    const int confirmedBy = cardLoop<Client>(
        values, [adding](Client& v, bool reopened) { return clientCard(v, adding, reopened); },
        [&](const Client& v) { return saveClient(t, v, editing) == SaveOutcome::Saved; });
    if (confirmedBy == 3) stampa2(readClient(t));
    return confirmedBy != 0;
}

}  // namespace drav::clients
