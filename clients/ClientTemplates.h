// The dialog templates of the client register: the clients list (CLIENTI),
// the client card (CLIENTE), the client search (RICCLI) and the activities
// list (ATTIVITA).
#pragma once

namespace drav::clients {

// Registers the four templates (again: registering replaces).
void registerClientTemplates();

}  // namespace drav::clients
