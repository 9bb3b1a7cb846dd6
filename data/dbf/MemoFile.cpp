// Memo file: header and free runs, reading a value (and the extents of many),
// writing and releasing values, reset.
#include "data/dbf/MemoFile.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace drav::data {
namespace {

constexpr size_t kHeaderSize = 1024;
constexpr size_t kDirOffset = 523;

uint32_t be32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

void putBe32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

std::string freshHeader() {
    std::string h(kHeaderSize, '\0');
    auto* p = reinterpret_cast<unsigned char*>(h.data());
    putBe32(p, kMemoFirstBlock);
    putBe32(p + 4, kMemoBlockSize);
    std::memcpy(p + 8, "DRAVMEM", 7);
    std::memcpy(p + 512, "FlexFile3\x03", 10);
    return h;
}

// Blocks the file reaches, counting a partly written last block.
uint64_t fileBlocks(const File& f) {
    uint64_t size = 0;
    if (!f.size(&size)) return 0;
    return (size + kMemoBlockSize - 1) / kMemoBlockSize;
}

}  // namespace

Status MemoFile::create(const std::string& path) {
    File f;
    if (Status s = File::create(path, File::Share::Exclusive, f); !s) return s;
    std::string h = freshHeader();
    Status s = f.write(0, h.data(), h.size());
    if (s) s = f.sync();
    if (s) return s;
    // A memo without its header could never be opened: nothing is left.
    f.close();
    ::unlink(path.c_str());
    return s;
}

Status MemoFile::open(const std::string& path, File::Share share, bool readOnly) {
    if (Status s = File::open(path, share, readOnly, m_file); !s) return s;
    Header h;
    if (Status s = loadHeader(&h); !s) {
        m_file.close();
        return s;
    }
    return Status::ok();
}

Status MemoFile::loadHeader(Header* h) const {
    unsigned char b[kHeaderSize];
    if (Status s = m_file.readExact(0, b, sizeof b); !s)
        return s.isCorruption() ? Status::corruption(m_file.path(), "truncated memo header") : s;
    if (be32(b + 4) != kMemoBlockSize) return Status::corruption(m_file.path(), "bad block size");
    h->nextFree = be32(b);
    if (h->nextFree < kMemoFirstBlock)
        return Status::corruption(m_file.path(), "bad next free block");
    h->runs.clear();
    uint32_t n = be32(b + kDirOffset);
    if (n > static_cast<uint32_t>(kMemoMaxFreeRuns)) return Status::ok();
    for (uint32_t i = 0; i < n; ++i) {
        const unsigned char* e = b + kDirOffset + 4 + 8 * i;
        h->runs.push_back({be32(e), be32(e + 4)});
    }
    std::sort(h->runs.begin(), h->runs.end(),
              [](const Run& a, const Run& b) { return a.first < b.first; });
    // A list that does not make sense is ignored: its space is lost, but no
    // block that may hold a value is ever handed out twice.
    uint64_t end = kMemoFirstBlock;
    for (const Run& r : h->runs) {
        if (r.count == 0 || r.first < end ||
            static_cast<uint64_t>(r.first) + r.count > h->nextFree) {
            h->runs.clear();
            break;
        }
        end = static_cast<uint64_t>(r.first) + r.count;
    }
    return Status::ok();
}

Status MemoFile::storeHeader(const Header& h) {
    unsigned char next[4];
    putBe32(next, h.nextFree);
    unsigned char dir[kHeaderSize - kDirOffset] = {};
    putBe32(dir, static_cast<uint32_t>(h.runs.size()));
    for (size_t i = 0; i < h.runs.size(); ++i) {
        putBe32(dir + 4 + 8 * i, h.runs[i].first);
        putBe32(dir + 8 + 8 * i, h.runs[i].count);
    }
    if (Status s = m_file.write(kDirOffset, dir, sizeof dir); !s) return s;
    return m_file.write(0, next, sizeof next);
}

Status MemoFile::valueBlocks(const Header& h, uint32_t block, uint32_t* count) const {
    uint64_t end = std::max<uint64_t>(h.nextFree, fileBlocks(m_file));
    if (block < kMemoFirstBlock || block >= end)
        return Status::corruption(m_file.path(), "memo block outside the file");
    unsigned char b[8];
    if (Status s = m_file.readExact(static_cast<uint64_t>(block) * kMemoBlockSize, b, 8); !s)
        return s;
    uint64_t n = blocksFor(be32(b + 4));
    if (block + n > end) return Status::corruption(m_file.path(), "memo length beyond the file");
    *count = static_cast<uint32_t>(n);
    return Status::ok();
}

Status MemoFile::read(uint32_t block, std::string* text) const {
    text->clear();
    if (block == 0) return Status::ok();
    uint64_t size = 0;
    if (Status s = m_file.size(&size); !s) return s;
    uint64_t at = static_cast<uint64_t>(block) * kMemoBlockSize;
    if (block < kMemoFirstBlock || at + 8 > size)
        return Status::corruption(m_file.path(), "memo block outside the file");
    unsigned char b[8];
    if (Status s = m_file.readExact(at, b, 8); !s) return s;
    uint32_t type = be32(b);
    uint64_t length = be32(b + 4);
    if (type > 1) return Status::corruption(m_file.path(), "not a memo value");
    if (at + 8 + length > size)
        return Status::corruption(m_file.path(), "memo length beyond the file");
    text->resize(length);
    return m_file.readExact(at + 8, text->data(), length);
}

Status MemoFile::textBlocks(const std::vector<uint32_t>& starts,
                            std::vector<uint32_t>* blocks) const {
    constexpr uint64_t kPieceBytes = 1 << 20;
    blocks->clear();
    blocks->reserve(starts.size());
    uint64_t size = 0;
    if (Status s = m_file.size(&size); !s) return s;
    std::string piece;
    uint64_t pieceAt = 0;  // the file offset of piece[0]
    for (size_t i = 0; i < starts.size(); ++i) {
        const uint64_t at = static_cast<uint64_t>(starts[i]) * kMemoBlockSize;
        if (starts[i] < kMemoFirstBlock || at + 8 > size)
            return Status::corruption(m_file.path(), "memo block outside the file");
        if (at < pieceAt || at + 8 > pieceAt + piece.size()) {
            // From this header to the last of the next ones within reach.
            uint64_t end = at + 8;
            for (size_t j = i + 1; j < starts.size(); ++j) {
                const uint64_t next = static_cast<uint64_t>(starts[j]) * kMemoBlockSize + 8;
                if (next > size || next - at > kPieceBytes) break;
                end = next;
            }
            piece.resize(end - at);
            if (Status s = m_file.readExact(at, piece.data(), piece.size()); !s) return s;
            pieceAt = at;
        }
        const auto* b = reinterpret_cast<const unsigned char*>(piece.data() + (at - pieceAt));
        const uint64_t length = be32(b + 4);
        if (be32(b) > 1) return Status::corruption(m_file.path(), "not a memo value");
        if (at + 8 + length > size)
            return Status::corruption(m_file.path(), "memo length beyond the file");
        blocks->push_back(blocksFor(length));
    }
    return Status::ok();
}

void MemoFile::addRun(Header& h, Run run) {
    auto it = std::lower_bound(h.runs.begin(), h.runs.end(), run,
                               [](const Run& a, const Run& b) { return a.first < b.first; });
    // Blocks already listed as free are never listed twice.
    if (it != h.runs.end() && static_cast<uint64_t>(run.first) + run.count > it->first) return;
    if (it != h.runs.begin()) {
        auto prev = it - 1;
        if (static_cast<uint64_t>(prev->first) + prev->count > run.first) return;
    }
    it = h.runs.insert(it, run);
    if (it + 1 != h.runs.end() && it->first + it->count == (it + 1)->first) {
        it->count += (it + 1)->count;
        h.runs.erase(it + 1);
    }
    if (it != h.runs.begin() && (it - 1)->first + (it - 1)->count == it->first) {
        (it - 1)->count += it->count;
        it = h.runs.erase(it) - 1;
    }
    if (h.runs.size() > static_cast<size_t>(kMemoMaxFreeRuns)) {
        // The header holds 62 runs: the smallest one is forgotten (its blocks
        // stay unused until the file is rebuilt).
        auto smallest =
            std::min_element(h.runs.begin(), h.runs.end(),
                             [](const Run& a, const Run& b) { return a.count < b.count; });
        h.runs.erase(smallest);
    }
}

Status MemoFile::write(std::string_view text, uint32_t* block) {
    *block = 0;
    if (text.empty()) return Status::ok();
    if (text.size() > 0xFFFFFFFFULL - 8) return Status::invalid(m_file.path(), "memo too long");
    uint32_t n = blocksFor(text.size());
    ByteLock lock(m_file, kMemoLockOffset);
    if (Status s = lock.take(); !s) return s;
    Header h;
    if (Status s = loadHeader(&h); !s) return s;

    auto best = h.runs.end();
    for (auto it = h.runs.begin(); it != h.runs.end(); ++it)
        if (it->count >= n && (best == h.runs.end() || it->count < best->count)) best = it;
    uint32_t at;
    if (best != h.runs.end()) {
        at = best->first;
        best->first += n;
        best->count -= n;
        if (best->count == 0) h.runs.erase(best);
    } else {
        // Never below what the file already holds, even if the header lags.
        uint64_t end = std::max<uint64_t>(h.nextFree, fileBlocks(m_file));
        if (end + n > 0xFFFFFFFFULL) return Status::invalid(m_file.path(), "memo file full");
        at = static_cast<uint32_t>(end);
        h.nextFree = static_cast<uint32_t>(end + n);
    }

    std::string buf(static_cast<size_t>(n) * kMemoBlockSize, '\0');
    auto* p = reinterpret_cast<unsigned char*>(buf.data());
    putBe32(p, 1);
    putBe32(p + 4, static_cast<uint32_t>(text.size()));
    std::memcpy(p + 8, text.data(), text.size());
    if (Status s = m_file.write(static_cast<uint64_t>(at) * kMemoBlockSize, buf.data(), buf.size());
        !s)
        return s;
    if (Status s = storeHeader(h); !s) return s;
    *block = at;
    return Status::ok();
}

Status MemoFile::release(uint32_t block) {
    if (block == 0) return Status::ok();
    ByteLock lock(m_file, kMemoLockOffset);
    if (Status s = lock.take(); !s) return s;
    Header h;
    if (Status s = loadHeader(&h); !s) return s;
    uint32_t n = 0;
    if (Status s = valueBlocks(h, block, &n); !s) return s;
    if (static_cast<uint64_t>(block) + n > h.nextFree)
        return Status::ok();  // beyond the header's end
    addRun(h, {block, n});
    // Free space at the end of the file goes back to the file system.
    if (!h.runs.empty() && h.runs.back().first + h.runs.back().count == h.nextFree &&
        fileBlocks(m_file) <= h.nextFree) {
        h.nextFree = h.runs.back().first;
        h.runs.pop_back();
        if (Status s = storeHeader(h); !s) return s;
        return m_file.truncate(static_cast<uint64_t>(h.nextFree) * kMemoBlockSize);
    }
    return storeHeader(h);
}

Status MemoFile::reset() {
    ByteLock lock(m_file, kMemoLockOffset);
    if (Status s = lock.take(); !s) return s;
    if (Status s = m_file.truncate(0); !s) return s;
    std::string h = freshHeader();
    return m_file.write(0, h.data(), h.size());
}

Status MemoFile::freeRuns(std::vector<Run>* runs, uint32_t* nextFree) const {
    Header h;
    if (Status s = loadHeader(&h); !s) return s;
    *runs = h.runs;
    *nextFree = h.nextFree;
    return Status::ok();
}

}  // namespace drav::data
