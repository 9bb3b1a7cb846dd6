// The client search form (template RICCLI).
#pragma once

#include "data/access/Table.h"

namespace drav::clients {

enum class SearchResult { Cancelled, Searched, Unchanged, AllListed };

// Shows the search over the CLIENTI table: "&Conferma" narrows the list to
// the clients meeting the inputs (all inputs empty: nothing changes),
// "&Tutti" lists every client again, "&Annulla" changes nothing.
SearchResult ricerca(data::Table& clienti);

}  // namespace drav::clients
