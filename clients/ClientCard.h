// The client card (template CLIENTE): adding or editing one client.
#pragma once

#include "clients/Client.h"
#include "data/access/Table.h"

namespace drav::clients {

// Edits the list's current client (adding: a new one) and saves it when
// confirmed; "&Stampa" saves and then prints the card. Editing without a
// current client opens nothing. True when a client was saved; the table
// then stands on it.
bool scheda(data::Table& clienti, bool adding);

// The card on its own: shows the values, returns 1 when confirmed with
// "&Conferma", 3 with "&Stampa", 0 when cancelled. reopened: the values are
// what the user typed before a refused save.
int clientCard(Client& values, bool adding, bool reopened);

}  // namespace drav::clients
