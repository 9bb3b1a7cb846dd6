// Giving back to a memo file's free space the texts no record points to:
// those of the records a pack removed, of fields a rebuild dropped, and of
// texts a rebuild wrote anew.
//
// The table must be open exclusively, and already packed: nothing in the
// table changes here, only the memo's list of free blocks (and its length,
// when the free blocks reach its end). Since the table never points to a
// text that is given back, a stop at any moment leaves at worst some space
// unused, never a block shared by two texts.
//
// What is given back is only what lies in a stretch of blocks that no
// record's text covers and that is not free already, and only a text that
// fits in that stretch whole. A text a record points to that cannot be read
// makes the whole step give back nothing: its extent is unknown.
#pragma once

#include "data/Status.h"

namespace drav::data {

class TableFile;

// Nothing to do for a table without a memo file.
Status reclaimMemo(TableFile& table);

}  // namespace drav::data
