// The three prints of a client: the list of the clients now listed
// (stampa1), the printed card (stampa2) and the envelope (busta). Each goes
// through the preview. The texts come from ClientRules.h.
#pragma once

#include "clients/Client.h"
#include "data/access/Table.h"

#include <optional>
#include <string>

namespace drav::clients {

// The clients listed by the table (order, scope and search view in force).
void stampa1(data::Table& clienti);
// One page for the client.
void stampa2(const Client& client);
// The envelope, with the margins read from the configuration file; nothing
// is printed when the file cannot be read.
void busta(const Client& client);

struct EnvelopeMargins {
    int column = 0;  // CFG_DBUST: where the address block starts (0: the margin)
    int skip = 0;    // CFG_SBUST: empty lines above it
};
// The margins from section "Vars" of the configuration file, each 0 when
// its key is missing and kept within 0 to 999; nothing when the file is
// missing or cannot be read.
std::optional<EnvelopeMargins> envelopeMargins(const std::string& file = "DRAV.CFG");

}  // namespace drav::clients
