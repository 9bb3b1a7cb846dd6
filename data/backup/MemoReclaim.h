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
//
// The records' texts are learnt either by reading the table (reclaimMemo)
// or record by record from whoever reads it anyway (MemoReclaim, fed by the
// maintenance's pack).
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"

#include <cstdint>
#include <vector>

namespace drav::data {

class TableFile;

class MemoReclaim {
public:
    // The memo fields of the table's records.
    explicit MemoReclaim(const TableFile& table);

    // A record of the packed table (deleted ones count too: whatever points
    // somewhere keeps it).
    void add(const RecordContext& record);
    // Gives back what no record added points to. Nothing to do for a table
    // without a memo file.
    Status giveBack(TableFile& table);

private:
    std::vector<int> m_memoFields;
    std::vector<uint32_t> m_starts;  // first blocks of the texts, as met
    bool m_readable = true;          // every pointer was a block number
};

// The same, reading the table for its records.
Status reclaimMemo(TableFile& table);

}  // namespace drav::data
