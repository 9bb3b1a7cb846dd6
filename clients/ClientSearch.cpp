#include "clients/ClientSearch.h"

#include "clients/Activities.h"
#include "clients/ClientRules.h"
#include "clients/ClientTemplates.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "ui/FormHelpers.h"
#include "ui/TButton.h"
#include "ui/TComboBox.h"
#include "ui/TDialog.h"
#include "ui/TGet.h"

namespace drav::clients {

SearchResult ricerca(data::Table& t) {
    registerClientTemplates();
    SearchInput in{padTo("", 35), padTo("", 35), padTo("", 35), padTo("", 5),
                   padTo("", 2),  padTo("", 13), padTo("", 13), padTo("", 11),
                   padTo("", 16), padTo("", 20), padTo("", 35)};
    ui::TDialog form(QString(), QStringLiteral("RICCLI"));
    new ui::TGet(101, ui::bindVar(in.cliente), form);
    new ui::TGet(102, ui::bindVar(in.indirizzo), form);
    new ui::TGet(103, ui::bindVar(in.citta), form);
    new ui::TGet(104, ui::bindVar(in.cap), form, {.mask = "99999"});
    new ui::TGet(105, ui::bindVar(in.provincia), form, {.mask = "@! AA"});
    new ui::TGet(106, ui::bindVar(in.telefono), form);
    new ui::TGet(107, ui::bindVar(in.fax), form);
    new ui::TGet(108, ui::bindVar(in.partiva), form, {.mask = "99999999999"});
    new ui::TGet(109, ui::bindVar(in.codfisc), form, {.mask = "@!"});
    new ui::TComboBox(110, ui::bindVar(in.attivita), aAttiv(), form, {.style = 3});
    new ui::TGet(111, ui::bindVar(in.note), form);
    ui::TButton::confirm(form);
    ui::TButton::cancel(form);
    bool allListed = false;
    new ui::TButton(203,
                    [&form, &allListed] {
                        allListed = true;
                        form.Cargo = 2;
                        form.end(2);
                    },
                    form, {.cancel = true});

    const int result = form.activate({.valid = [&form] { return ui::valid(form, false); }});
    data::select(t.slot());
    if (allListed) {
        data::dbClearView();
        return SearchResult::AllListed;
    }
    if (result != 1) return SearchResult::Cancelled;
    return applySearch(in) ? SearchResult::Searched : SearchResult::Unchanged;
}

}  // namespace drav::clients
