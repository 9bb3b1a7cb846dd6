// The clients screen: the list of the clients with its card, search,
// delete and prints. Opened from the main menu ("Clienti...") and the tool
// bar ("Clienti"), and from the run card's client button.
#pragma once

namespace drav::clients {

// Runs the screen until it is closed; the caller's current table is
// selected again afterwards, also when an error ended the screen.
void clienti();

}  // namespace drav::clients
