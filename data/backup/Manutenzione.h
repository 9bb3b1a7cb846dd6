// The archive maintenance ("Manutenzione archivi"): every table packed and
// every index tag rebuilt from scratch. The menu runs it after a question;
// the start-up check (createDb) and the restore run it without.
//
// For each table in schema order: opened exclusively without its index
// files (while another station holds it, the table layer's "Spegnere tutti
// i terminali..." stays until every other station has closed it), packed,
// its memo file's unused texts given back to the memo's free space
// (MemoReclaim.h), each of its tags built into a new <TAG>.NTX with its key
// and condition, in the schema's tag order, and closed. The pack's one
// reading of the table feeds the memo's reclaim and every tag's build
// (TagBuilds.h); the table is written only from its first deleted record.
// An error (reported by the error handler) closes the table open at that
// moment and leaves the remaining tables as they are.
#pragma once

#include "data/schema/TableDef.h"

#include <vector>

namespace drav::data {

// MANUTENZIONE over the eight tables of the schema. With confirm, asks
// "La manutenzione potrebbe;richiedere del tempo.;Confermi l'operazione?"
// first and works under "Manutenzione degli archivi in corso."; without,
// under "Ricostruzione degli indici in corso.". True when every table was
// done; false when cancelled or after an error.
bool manutenzione(bool confirm = true);

// The same over the tables given, each with the schema's tags it names.
bool maintainTables(const std::vector<TableDef>& tables, bool confirm);

}  // namespace drav::data
