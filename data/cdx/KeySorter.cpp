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
#include <queue>

namespace drav::data::cdx {

namespace {

uint64_t prefixOf(const uint8_t* p, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < 8; ++i) v = v << 8 | (i < n ? p[i] : 0);
    return v;
}

}  // namespace

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
    if (m_buffer.size() / m_pairSize >= m_runPairs) {
        sortRun();
        spillRun();
    }
    size_t at = m_buffer.size();
    m_buffer.resize(at + m_pairSize);
    std::memcpy(m_buffer.data() + at, key, static_cast<size_t>(m_keyLength));
    putBe32(m_buffer.data() + at + m_keyLength, rec);
}

void KeySorter::sortRun() {
    const size_t n = m_buffer.size() / m_pairSize;
    m_items.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = m_buffer.data() + i * m_pairSize;
        m_items[i] = {prefixOf(p, m_pairSize), static_cast<uint32_t>(i * m_pairSize)};
    }
    const uint8_t* base = m_buffer.data();
    const size_t rest = m_pairSize > 8 ? m_pairSize - 8 : 0;
    std::stable_sort(m_items.begin(), m_items.end(), [&](const Item& a, const Item& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        return rest && std::memcmp(base + a.at + 8, base + b.at + 8, rest) < 0;
    });
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
            fatalError(kFatalSortCreate, "zq_cdxSortWritePage: Can't create temporary file.");
        }
    }
    // The sorted pairs, through a bounded buffer.
    std::vector<uint8_t> out;
    out.reserve(std::min<size_t>(m_items.size() * m_pairSize, size_t(256) << 10));
    uint64_t at = m_tempSize;
    auto drain = [&]() {
        if (out.empty()) return;
        if (!m_temp.write(at, out.data(), out.size()))
            fatalError(kFatalSortWrite, "zq_cdxSortWritePage: Write error in temporary file.");
        at += out.size();
        out.clear();
    };
    for (const Item& it : m_items) {
        const uint8_t* p = m_buffer.data() + it.at;
        out.insert(out.end(), p, p + m_pairSize);
        if (out.size() + m_pairSize > out.capacity()) drain();
    }
    drain();
    m_runs.push_back({m_tempSize, m_items.size()});
    m_tempSize = at;
    m_buffer.clear();
    m_items.clear();
}

// ---- Merging
// -------------------------------------------------------------------------------------

void KeySorter::finish(const std::function<void(const uint8_t*, uint32_t)>& emit) {
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

// Merges the runs on disk with the last run, still in memory.
void KeySorter::merge(const std::function<void(const uint8_t*, uint32_t)>& emit) {
    struct Cursor {
        const Run* run = nullptr;  // null: the run in memory
        uint64_t next = 0;         // next pair of the run to read
        std::vector<uint8_t> buf;
        size_t pos = 0, len = 0;  // pairs in buf
        size_t memIndex = 0;
        const uint8_t* current = nullptr;
    };
    const size_t perRun =
        std::max<size_t>(64, (size_t(1) << 20) / (m_runs.size() + 1) / m_pairSize);
    std::vector<Cursor> cursors(m_runs.size() + 1);
    auto advance = [&](Cursor& c) -> bool {
        if (!c.run) {
            if (c.memIndex >= m_items.size()) return false;
            c.current = m_buffer.data() + m_items[c.memIndex++].at;
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
        return true;
    };
    auto greater = [&](const Cursor* a, const Cursor* b) {
        return std::memcmp(a->current, b->current, m_pairSize) > 0;
    };
    std::priority_queue<Cursor*, std::vector<Cursor*>, decltype(greater)> heap(greater);
    for (size_t i = 0; i < cursors.size(); ++i) {
        if (i < m_runs.size()) cursors[i].run = &m_runs[i];
        if (advance(cursors[i])) heap.push(&cursors[i]);
    }
    uint64_t total = m_items.size(), emitted = 0;
    for (const Run& r : m_runs) total += r.count;
    const uint8_t* last = nullptr;
    std::vector<uint8_t> lastCopy(m_pairSize);
    while (!heap.empty()) {
        Cursor* c = heap.top();
        heap.pop();
        if (last && std::memcmp(last, c->current, m_pairSize) > 0)
            fatalError(kFatalSortState, "zq_cdxSortOut: memory structure corrupted.");
        std::memcpy(lastCopy.data(), c->current, m_pairSize);
        last = lastCopy.data();
        emit(last, getBe32(last + m_keyLength));
        ++emitted;
        if (advance(*c)) heap.push(c);
    }
    if (emitted != total)
        fatalError(kFatalSortCount, "zq_cdxSortOut: memory structure corrupted(2).");
}

}  // namespace drav::data::cdx
