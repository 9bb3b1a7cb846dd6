// Writing a tree from sorted keys (see TagBuilder.h).
#include "data/cdx/TagBuilder.h"

#include "data/cdx/IndexFile.h"

#include <cstring>

namespace drav::data::cdx {

TagBuilder::TagBuilder(IndexFile& file, int keyLength, uint8_t fill, uint32_t maxRecno, bool unique)
    : m_file(file),
      m_keyLength(keyLength),
      m_fill(fill),
      m_leafBytesPerEntry(CdxPage::minBytesPerEntry(keyLength, maxRecno)),
      m_unique(unique),
      m_lastKey(static_cast<size_t>(keyLength)) {}

void TagBuilder::start(size_t level, uint32_t left) {
    if (level == m_levels.size()) m_levels.push_back({CdxPage(m_keyLength, m_fill)});
    Level& lv = m_levels[level];
    lv.page = CdxPage(m_keyLength, m_fill);
    lv.page.leaf = level == 0;
    lv.page.bytesPerEntry = m_leafBytesPerEntry;
    lv.page.offset = m_file.appendSpace(kPageSize);
    lv.page.left = left;
    lv.used = 0;
}

namespace {
constexpr size_t kPagesBytes = size_t(64) << 10;
}

void TagBuilder::write(Level& lv) {
    if (!m_pages.empty() &&
        (lv.page.offset != m_pagesAt + m_pages.size() || m_pages.size() >= kPagesBytes))
        flushPages();
    if (m_pages.empty()) m_pagesAt = lv.page.offset;
    m_pages.resize(m_pages.size() + kPageSize);
    if (const char* bad = lv.page.encode(m_pages.data() + m_pages.size() - kPageSize))
        m_file.fatal(kFatalIntegrity, bad);
}

void TagBuilder::flushPages() {
    if (m_pages.empty()) return;
    m_file.writeRaw(m_pagesAt, m_pages.data(), m_pages.size(), "Write in index page failed.");
    m_pages.clear();
}

void TagBuilder::add(const uint8_t* key, uint32_t rec) {
    if (m_unique && m_any && std::memcmp(m_lastKey.data(), key, m_lastKey.size()) == 0) return;
    std::memcpy(m_lastKey.data(), key, m_lastKey.size());
    m_any = true;
    addTo(0, key, rec, 0);
}

void TagBuilder::addTo(size_t level, const uint8_t* key, uint32_t rec, uint32_t child) {
    if (level == m_levels.size()) start(level, kNoPage);
    Level* lv = &m_levels[level];
    CdxPage& p = lv->page;
    bool full;
    int cost = 0;
    if (p.leaf) {
        cost = p.bytesPerEntry + CdxPage::storedLength(p.count() ? p.key(p.count() - 1) : nullptr,
                                                       key, m_keyLength, m_fill);
        full = p.count() > 0 && lv->used + cost > kKeyArea;
    } else {
        full = p.count() >= CdxPage::maxInteriorEntries(m_keyLength);
    }
    if (full) {
        // Close the page; its right neighbour, started now, takes its place
        // in memory (and the room its keys had).
        const uint32_t closed = p.offset;
        uint8_t lastKey[kMaxKeyLength];
        std::memcpy(lastKey, p.key(p.count() - 1), static_cast<size_t>(m_keyLength));
        const uint32_t lastRec = p.recs.back();
        const uint32_t next = m_file.appendSpace(kPageSize);
        p.right = next;
        write(*lv);
        p.clear();
        p.offset = next;
        p.left = closed;
        p.right = kNoPage;
        p.bytesPerEntry = m_leafBytesPerEntry;
        lv->used = 0;
        ++lv->pages;
        addTo(level + 1, lastKey, lastRec, closed);
        lv = &m_levels[level];
        if (lv->page.leaf)
            cost =
                lv->page.bytesPerEntry + CdxPage::storedLength(nullptr, key, m_keyLength, m_fill);
    }
    lv->page.insert(lv->page.count(), key, rec, child);
    lv->used += cost;
}

uint32_t TagBuilder::finish() {
    if (m_levels.empty()) start(0, kNoPage);
    for (size_t level = 0;; ++level) {
        Level& lv = m_levels[level];
        if (level + 1 == m_levels.size() && lv.pages == 1) {
            lv.page.root = true;
            write(lv);
            flushPages();
            return lv.page.offset;
        }
        const CdxPage& p = lv.page;
        std::vector<uint8_t> lastKey(p.key(p.count() - 1), p.key(p.count() - 1) + m_keyLength);
        uint32_t lastRec = p.recs.back();
        write(lv);
        addTo(level + 1, lastKey.data(), lastRec, p.offset);
    }
}

}  // namespace drav::data::cdx
