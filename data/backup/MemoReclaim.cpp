// Unused memo texts given back to the free space (see MemoReclaim.h).
//
//   1. The stretches in use: the records' texts and the free runs
//   2. Giving back what lies between them
#include "data/backup/MemoReclaim.h"

#include "data/dbf/FieldCodec.h"
#include "data/dbf/MemoFile.h"
#include "data/dbf/TableFile.h"
#include "data/dbf/TableScan.h"

#include <algorithm>
#include <vector>

namespace drav::data {
namespace {

struct Stretch {
    uint64_t first;
    uint64_t end;  // one past the last block
};

// ---- 1. The stretches in use ------------------------------------------------------

// The first block of every text a record points to (deleted records
// included: whatever points somewhere keeps it). False when a record holds
// something that is not a block number: then nothing is known for sure.
bool textStarts(TableFile& table, std::vector<uint32_t>* starts) {
    std::vector<int> memoFields;
    for (int i = 0; i < table.fieldCount(); ++i)
        if (table.field(i).type == 'M') memoFields.push_back(i);
    bool readable = true;
    TableScan scan(table);
    Status s = scan.forEach([&](const RecordContext& r) {
        for (int f : memoFields) {
            uint32_t block = 0;
            if (!codec::decodeMemoBlock(r.fieldBytes(f), &block)) readable = false;
            if (block) starts->push_back(block);
        }
        return Status::ok();
    });
    if (!s) return false;
    std::sort(starts->begin(), starts->end());
    starts->erase(std::unique(starts->begin(), starts->end()), starts->end());
    return readable;
}

}  // namespace

// ---- 2. Giving back ---------------------------------------------------------------

Status reclaimMemo(TableFile& table) {
    MemoFile* memo = table.memo();
    if (!memo) return Status::ok();
    if (Status s = table.commit(); !s) return s;

    std::vector<uint32_t> starts;
    if (!textStarts(table, &starts)) return Status::ok();
    std::vector<Stretch> used;
    used.reserve(starts.size());
    for (uint32_t b : starts) {
        std::string text;
        if (!memo->read(b, &text)) return Status::ok();
        used.push_back({b, b + uint64_t(MemoFile::blocksFor(text.size()))});
    }
    std::vector<MemoFile::Run> runs;
    uint32_t nextFree = 0;
    if (Status s = memo->freeRuns(&runs, &nextFree); !s) return s;
    for (const MemoFile::Run& r : runs) used.push_back({r.first, uint64_t(r.first) + r.count});
    std::sort(used.begin(), used.end(),
              [](const Stretch& a, const Stretch& b) { return a.first < b.first; });

    // The gaps between the stretches in use, from the first data block to
    // the end of the memo's texts.
    std::vector<Stretch> gaps;
    uint64_t at = kMemoFirstBlock;
    for (const Stretch& u : used) {
        if (u.first > at) gaps.push_back({at, std::min<uint64_t>(u.first, nextFree)});
        at = std::max(at, u.end);
    }
    if (at < nextFree) gaps.push_back({at, nextFree});

    for (const Stretch& gap : gaps) {
        uint64_t b = gap.first;
        while (b < gap.end) {
            std::string text;
            if (memo->read(static_cast<uint32_t>(b), &text)) {
                uint64_t n = MemoFile::blocksFor(text.size());
                if (b + n <= gap.end) {
                    if (Status s = memo->release(static_cast<uint32_t>(b)); !s) return s;
                    b += n;
                    continue;
                }
            }
            ++b;  // not the start of a text that fits: left as it is
        }
    }
    return Status::ok();
}

}  // namespace drav::data
