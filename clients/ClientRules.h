// The business rules of the client register, callable without a window:
// saving a card, deleting a client with its ticket books, the search
// conditions, the look-ups of the run cards and the texts of the client's
// prints. The screens (ClientsScreen.cpp, ClientCard.cpp, ClientSearch.cpp,
// ClientPrints.cpp) are a thin binding of forms to these functions.
//
// Sections: save; delete; search; run-card look-ups; print texts.
//
// Locks. A save holds CLIENTI's whole-table lock from before the duplicate
// check until after the commit, so two stations can neither file the same
// identifier nor take the same code; an edit also locks its record. A
// delete holds ABBONAM's whole-table lock for each ticket book it deletes
// and CLIENTI's for the client. Every lock is released on every way out.
#pragma once

#include "clients/Client.h"
#include "clients/GridLine.h"
#include "data/access/Table.h"
#include "data/access/ViewCondition.h"
#include "util/Date.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drav::clients {

// ---- Save --------------------------------------------------------------

enum class SaveOutcome {
    Saved,
    DiskFull,   // "Spazio sul disco insufficiente." was shown; nothing written
    Duplicate,  // "Cliente già presente." was shown; nothing written
};

// Saves a confirmed card into the CLIENTI table (opened with tag CLIENTI;
// any slot, any controlling order or view). editing: the record number of
// the client being edited; absent when adding. Adding gives the record the
// next code; editing restores a record another station deleted meanwhile.
// The duplicate check runs when adding, or when the identifier differs
// from the stored one (exactly, letter case included): the client's own
// record counts, so a change of letter case only is refused. Afterwards
// the table stands on the saved record (on the edited one after a refusal).
SaveOutcome saveClient(data::Table& clienti, const Client& card, std::optional<uint32_t> editing);

// ---- Delete ------------------------------------------------------------

// Deletes the current client of the CLIENTI table after its ticket books
// (table ABBONAM, opened and closed here), and moves to the next client.
// When deleting the ticket books fails (the error handler has told the
// user), the client stays and the result is false.
bool deleteClient(data::Table& clienti);

// ---- Search ------------------------------------------------------------

// What the search form holds, as typed (table bytes, any padding).
struct SearchInput {
    std::string cliente{}, indirizzo{}, citta{}, cap{}, provincia{}, telefono{}, fax{},
        partiva{}, codfisc{}, attivita{}, note{};
};

// The condition of the inputs joined with AND; nothing when every input is
// blank. Typed values are turned to capitals and matched literally:
// texts by containment in the field turned to capitals, CAP, PROVINCIA,
// PARTIVA, CODFISC and ATTIVITA by equality over the field's whole width.
std::optional<data::ViewCondition> searchCondition(const SearchInput& input);
// Narrows the current table (CLIENTI) to the clients meeting the inputs,
// replacing any earlier search, and goes to the first of them. All inputs
// blank: nothing changes and the result is false.
bool applySearch(const SearchInput& input);

// ---- Run-card look-ups ---------------------------------------------------

// INDIRIZZO and CITTA of the client with that identifier (a prefix match of
// its capitals on tag CLIENTI); blank field values when there is none. The
// table is opened and closed here; the current slot stays current.
std::string indMitt(std::string_view cliente);
std::string citMitt(std::string_view cliente);

// ---- Print texts -----------------------------------------------------------

// The address block of the envelope: "Spett.le", the company-name lines
// that are not blank, the street, and CAP + " " + town + " " + province.
QStringList envelopeLines(const Client& client);
// The lines of the printed card, always the same number of them: labels at
// the margin with values at column 20, the two memos as 10 lines each.
std::vector<GridLine> cardLines(const Client& client, Date today);
// The memo text cut into lines of at most width characters, at blanks
// where possible and at its own line breaks; words longer than a line are
// cut. Exactly `count` lines, blank ones added, lines beyond dropped.
QStringList wrapMemo(const QString& text, int width, int count);

}  // namespace drav::clients
