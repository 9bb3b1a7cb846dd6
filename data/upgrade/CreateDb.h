// The check and upgrade of the data folder run at every start: a missing
// table is created, a table of an older layout is rebuilt into the new one
// with its data carried over, and when anything was created or rebuilt, or
// an index file is missing, every table is packed and every index tag
// rebuilt (the archive maintenance, Manutenzione.h). This is how a new
// release with more or wider fields takes over the data of an older one.
//
//   createDb  the whole check, under "Verifica archivi in corso..."
//   needUpd   does a table's layout differ from its definition?
//   modiTab   rebuilds one table into the new layout
//
// Rebuilding a table (modiTab). The old table is held exclusively for the
// whole rebuild, so no station works on a file that is about to be
// replaced (a station that wants it waits behind the table layer's message
// until the new one is in place). Its live records, in record order, are
// appended to the temporary table TEMPDBF_ (TEMPDBF_.DBF and, with memo
// fields, TEMPDBF_.DBT) in the new layout, each value carried by convDato
// from its source: the first old field whose name begins with the new
// field's name. Then the rebuilt files replace the old ones (ReplaceFile.h):
// at every instant the table's name holds the whole old table or the whole
// new one, never neither.
//
// Table and memo always match. A rebuilt table with memo fields gets a memo
// file that starts as a copy of the old memo file, block for block, and
// holds the converted texts after it. Replacing the memo first therefore
// leaves the old table with a memo in which every text it points to is
// where it was; replacing the table then gives the new table the memo it
// was written with. A stop between the two leaves a pair that works, and
// the next start rebuilds the table again. The old texts left behind are
// given back to the memo's free space by the maintenance that follows.
// When the new layout has no memo field, the table is replaced first and
// the old memo file deleted afterwards (a table without memo fields never
// reads it).
//
// Failure messages (an information box, then false):
//   "Impossibile rinominare il file TEMPDBF_.DBF in CLIENTI.DBF."
//   "Impossibile copiare il file TEMPDBF_.DBF in CLIENTI.DBF." (network mode)
// and the same for the memo files. Any other failure (disk full, a file
// that cannot be made) has been shown by the error handler.
#pragma once

#include "data/schema/FieldDef.h"
#include "data/schema/TableDef.h"

#include <string_view>
#include <vector>

namespace drav::data {

// The name of the temporary table of a rebuild, in the table's folder.
inline constexpr const char* kRebuildTable = "TEMPDBF_";

// Brings the tables of the current folder to their definitions, in the
// order given; then, when a table was created or rebuilt, an index file is
// missing or forceMaintenance is set, runs the maintenance in its start-up
// form over the same tables. A table another station has open is neither
// compared nor rebuilt. False when any step failed (its message has been
// shown); the program then ends.
bool createDb(const std::vector<TableDef>& tables, bool forceMaintenance = false);

// True when the table lacks a field of the definition, or has it with
// another type, length or decimals. The order of the fields and fields the
// definition does not name do not count.
bool needUpd(std::string_view table, const std::vector<FieldDef>& fields);

// Rebuilds the table into the layout of the fields, as above; true on
// success, also when the layout turned out to be current already.
bool modiTab(std::string_view table, const std::vector<FieldDef>& fields);

}  // namespace drav::data
