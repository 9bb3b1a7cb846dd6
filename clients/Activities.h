// The register of business activities (table ATTIVITA): the list the client
// and recipient cards offer, and the screen that keeps it.
#pragma once

#include <QStringList>

namespace drav::clients {

// The activity texts, trailing blanks removed, in the order of tag
// ATTIVITA (alphabetical without regard to case), without empty entries.
// Opens and closes the table itself; the current slot stays current.
QStringList aAttiv();

// The activities screen: the list edited in place, until it is closed.
void attivita();

}  // namespace drav::clients
