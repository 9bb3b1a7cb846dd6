// Unused memo texts given back to the free space (see MemoReclaim.h).
//
//   1. The stretches in use: the records' texts and the free runs
//   2. Giving back what lies between them
#include "data/backup/MemoReclaim.h"

#include "data/dbf/FieldCodec.h"
#include "data/dbf/MemoFile.h"
#include "data/dbf/TableFile.h"

#include <algorithm>
#include <vector>

namespace drav::data {
namespace {

struct Stretch {
    uint64_t first;
    uint64_t end;  // one past the last block
};

}  // namespace

// ---- 1. The stretches in use ------------------------------------------------------

MemoReclaim::MemoReclaim(const TableFile& table) {
    for (int i = 0; i < table.fieldCount(); ++i)
        if (table.field(i).type == 'M') m_memoFields.push_back(i);
}

// The first block of every text the record points to. A field that holds
// something else than a block number leaves nothing known for sure.
void MemoReclaim::add(const RecordContext& record) {
    for (int f : m_memoFields) {
        uint32_t block = 0;
        if (!codec::decodeMemoBlock(record.fieldBytes(f), &block)) m_readable = false;
        if (block) m_starts.push_back(block);
    }
}

// ---- 2. Giving back ---------------------------------------------------------------

Status MemoReclaim::giveBack(TableFile& table) {
    MemoFile* memo = table.memo();
    if (!memo) return Status::ok();
    if (Status s = table.commit(); !s) return s;
    if (!m_readable) return Status::ok();

    std::vector<uint32_t>& starts = m_starts;
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    std::vector<uint32_t> blocks;
    if (!memo->textBlocks(starts, &blocks)) return Status::ok();
    std::vector<Stretch> used;
    used.reserve(starts.size());
    for (size_t i = 0; i < starts.size(); ++i)
        used.push_back({starts[i], uint64_t(starts[i]) + blocks[i]});
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

Status reclaimMemo(TableFile& table) {
    if (!table.memo()) return Status::ok();
    if (Status s = table.commit(); !s) return s;
    MemoReclaim reclaim(table);
    auto scan = table.scan();
    // A table that cannot be read leaves nothing known for sure.
    if (!scan->forEach([&](const RecordContext& r) {
            reclaim.add(r);
            return Status::ok();
        }))
        return Status::ok();
    return reclaim.giveBack(table);
}

}  // namespace drav::data
