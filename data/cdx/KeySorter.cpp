// Sorting of the pairs of a tag build (see KeySorter.h).
//
// Sections: collecting and sorting a run; the temporary file; merging.
#include "data/cdx/KeySorter.h"

#include "data/cdx/CdxFormat.h"
#include "util/Error.h"
#include "util/Paths.h"

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace drav::data::cdx {

KeySorter::KeySorter(int keyLength, size_t runBytes, uint32_t recordCount, std::string folder)
    : m_keyLength(keyLength),
      m_pairSize(static_cast<size_t>(keyLength) + 4),
      m_folder(std::move(folder)) {
    size_t byMemory = runBytes / m_pairSize;
    auto bySqrt = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(recordCount))));
    m_runPairs = std::max<size_t>({byMemory, bySqrt, 1});
    // Only what the table can give: a small table takes a small buffer.
    m_buffer.reserve(std::min<size_t>(m_runPairs, recordCount + size_t(1)) * m_pairSize);
}

KeySorter::~KeySorter() {
    if (!m_tempPath.empty()) {
        m_temp.close();
        ::unlink(m_tempPath.c_str());
    }
}

// ---- Collecting and sorting a run --------------------------------------------------------

void KeySorter::add(const uint8_t* key, uint32_t rec) {
    if (m_failure) return;  // reported when the keys are asked for
    if (m_buffer.size() / m_pairSize >= m_runPairs) {
        sortRun();
        spillRun();
        if (m_failure) return;
    }
    size_t at = m_buffer.size();
    m_buffer.resize(at + m_pairSize);
    std::memcpy(m_buffer.data() + at, key, static_cast<size_t>(m_keyLength));
    putBe32(m_buffer.data() + at + m_keyLength, rec);
}

KeySorter::Prefix KeySorter::prefixOf(const uint8_t* pair) const {
    Prefix p;
    if (m_pairSize >= 16) {
        std::memcpy(&p.hi, pair, 8);
        std::memcpy(&p.lo, pair + 8, 8);
        p.hi = __builtin_bswap64(p.hi);
        p.lo = __builtin_bswap64(p.lo);
        return p;
    }
    for (size_t i = 0; i < 8; ++i) p.hi = p.hi << 8 | (i < m_pairSize ? pair[i] : 0);
    for (size_t i = 8; i < 16; ++i) p.lo = p.lo << 8 | (i < m_pairSize ? pair[i] : 0);
    return p;
}

bool KeySorter::less(const Prefix& pa, const uint8_t* a, const Prefix& pb, const uint8_t* b) const {
    if (pa.hi != pb.hi) return pa.hi < pb.hi;
    if (pa.lo != pb.lo) return pa.lo < pb.lo;
    return m_pairSize > 16 && std::memcmp(a + 16, b + 16, m_pairSize - 16) < 0;
}

// No two pairs are equal (each record number comes once), so any sort gives
// the one order there is. Keys mostly come in order already (records are
// appended in the order of their dates): a run found in order is left so.
void KeySorter::sortRun() {
    const size_t n = m_buffer.size() / m_pairSize;
    m_items.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = m_buffer.data() + i * m_pairSize;
        m_items[i] = {prefixOf(p), static_cast<uint32_t>(i * m_pairSize)};
    }
    const uint8_t* base = m_buffer.data();
    auto before = [&](const Item& a, const Item& b) {
        return less(a.prefix, base + a.at, b.prefix, base + b.at);
    };
    if (!std::is_sorted(m_items.begin(), m_items.end(), before))
        std::stable_sort(m_items.begin(), m_items.end(), before);
}

// ---- The temporary file ---------------------------------------------------------------------

void KeySorter::spillRun() {
    if (!m_temp.isOpen()) {
        std::string folder = m_folder;
        if (folder.empty()) folder = instanceFolder();
        if (folder.empty()) folder = tempFolder();
        if (folder.back() != '/') folder += '/';
        static std::atomic<unsigned> serial{0};
        char name[64];
        std::snprintf(name, sizeof name, "\x7FSORT%X%X.TMP", static_cast<unsigned>(::getpid()),
                      serial++);
        m_tempPath = folder + name;
        if (!File::create(m_tempPath, File::Share::Exclusive, m_temp)) {
            m_tempPath.clear();
            fail(kFatalSortCreate, "zq_cdxSortWritePage: Can't create temporary file.");
            return;
        }
    }
    // The sorted pairs, through a bounded buffer.
    std::vector<uint8_t> out;
    out.reserve(std::min<size_t>(m_items.size() * m_pairSize, size_t(256) << 10));
    uint64_t at = m_tempSize;
    bool written = true;
    auto drain = [&]() {
        if (out.empty() || !written) return;
        written = m_temp.write(at, out.data(), out.size()).isOk();
        at += out.size();
        out.clear();
    };
    for (const Item& it : m_items) {
        const uint8_t* p = m_buffer.data() + it.at;
        out.insert(out.end(), p, p + m_pairSize);
        if (out.size() + m_pairSize > out.capacity()) drain();
    }
    drain();
    if (!written) {
        fail(kFatalSortWrite, "zq_cdxSortWritePage: Write error in temporary file.");
        return;
    }
    m_runs.push_back({m_tempSize, m_items.size()});
    m_tempSize = at;
    m_buffer.clear();
    m_items.clear();
}

// ---- Merging
// -------------------------------------------------------------------------------------

// A run that cannot be kept ends the collection: its keys are dropped, and
// so are those that come after it, and the failure waits for finish. The
// caller feeding the keys (a pack in progress) goes on to its end undisturbed.
void KeySorter::fail(unsigned number, const char* text) {
    m_failure = number;
    m_failureText = text;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_items.clear();
}

void KeySorter::finish(const std::function<void(const uint8_t*, uint32_t)>& emit) {
    if (m_failure) fatalError(m_failure, m_failureText);
    sortRun();
    if (m_runs.empty()) {
        for (const Item& it : m_items) {
            const uint8_t* p = m_buffer.data() + it.at;
            emit(p, getBe32(p + m_keyLength));
        }
        return;
    }
    merge(emit);
}

// Merges the runs on disk with the last run, still in memory, through a
// heap of the runs by their current pair. The smallest run stays on top for
// as long as its pairs come before every other run's (two comparisons a
// pair), so runs that do not overlap cost little more than reading them.
void KeySorter::merge(const std::function<void(const uint8_t*, uint32_t)>& emit) {
    struct Cursor {
        const Run* run = nullptr;  // null: the run in memory
        uint64_t next = 0;         // next pair of the run to read
        std::vector<uint8_t> buf;
        size_t pos = 0, len = 0;  // pairs in buf
        size_t memIndex = 0;
        const uint8_t* current = nullptr;
        Prefix prefix;
    };
    const size_t perRun =
        std::max<size_t>(64, (size_t(1) << 20) / (m_runs.size() + 1) / m_pairSize);
    std::vector<Cursor> cursors(m_runs.size() + 1);
    auto advance = [&](Cursor& c) -> bool {
        if (!c.run) {
            if (c.memIndex >= m_items.size()) return false;
            const Item& it = m_items[c.memIndex++];
            c.current = m_buffer.data() + it.at;
            c.prefix = it.prefix;
            return true;
        }
        if (c.pos == c.len) {
            if (c.next >= c.run->count) return false;
            uint64_t take = std::min<uint64_t>(perRun, c.run->count - c.next);
            c.buf.resize(take * m_pairSize);
            size_t got = 0;
            Status s =
                m_temp.read(c.run->offset + c.next * m_pairSize, c.buf.data(), c.buf.size(), &got);
            if (!s || got != c.buf.size())
                fatalError(kFatalSortRead, "zq_cdxSortGetPageKey: Read error from temporary file.");
            c.next += take;
            c.pos = 0;
            c.len = take;
        }
        c.current = c.buf.data() + c.pos++ * m_pairSize;
        c.prefix = prefixOf(c.current);
        return true;
    };
    auto before = [&](const Cursor* a, const Cursor* b) {
        return less(a->prefix, a->current, b->prefix, b->current);
    };
    std::vector<Cursor*> heap;  // heap[0] holds the smallest current pair
    auto siftDown = [&](size_t i) {
        Cursor* c = heap[i];
        for (;;) {
            size_t child = 2 * i + 1;
            if (child >= heap.size()) break;
            if (child + 1 < heap.size() && before(heap[child + 1], heap[child])) ++child;
            if (!before(heap[child], c)) break;
            heap[i] = heap[child];
            i = child;
        }
        heap[i] = c;
    };
    for (size_t i = 0; i < cursors.size(); ++i) {
        if (i < m_runs.size()) cursors[i].run = &m_runs[i];
        if (advance(cursors[i])) heap.push_back(&cursors[i]);
    }
    for (size_t i = heap.size() / 2; i-- > 0;) siftDown(i);

    uint64_t total = m_items.size(), emitted = 0;
    for (const Run& r : m_runs) total += r.count;
    std::vector<uint8_t> last(m_pairSize);
    Prefix lastPrefix;
    while (!heap.empty()) {
        Cursor* c = heap.front();
        if (emitted && less(c->prefix, c->current, lastPrefix, last.data()))
            fatalError(kFatalSortState, "zq_cdxSortOut: memory structure corrupted.");
        std::memcpy(last.data(), c->current, m_pairSize);
        lastPrefix = c->prefix;
        emit(last.data(), getBe32(last.data() + m_keyLength));
        ++emitted;
        if (!advance(*c)) {
            heap.front() = heap.back();
            heap.pop_back();
        }
        if (!heap.empty()) siftDown(0);
    }
    if (emitted != total)
        fatalError(kFatalSortCount, "zq_cdxSortOut: memory structure corrupted(2).");
}

}  // namespace drav::data::cdx
