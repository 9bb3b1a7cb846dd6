// The list print of a list screen: the records now listed (the table's
// controlling order, scope and search view), in list order, as a report with
// the standard head and one column per entry, previewed. The table is back
// on its record afterwards.
//
// A later list screen describes its columns and calls printListed():
//   printListed(destinat.table(), "Stampa tabulato destinatari",
//               "STAMPA TABULATO DESTINATARI", 8,
//               {{"DESTINATARIO", {field(t, "CLIENTE")}, 25}, ...});
#pragma once

#include "data/access/Table.h"
#include "print/TRLine.h"

#include <QString>

#include <vector>

namespace drav::clients {

struct ListColumn {
    QString title;
    std::vector<print::ValueBlock> lines;  // one value per printed line of the item
    int width;                             // in characters
};

// The value of a field of the table's current record, as a report reads it.
print::ValueBlock field(data::Table& table, const char* name);

void printListed(data::Table& table, const QString& document, const QString& head,
                 double fontPoints, const std::vector<ListColumn>& columns);

}  // namespace drav::clients
