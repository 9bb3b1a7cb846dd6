// Writes a tag's tree from its keys in order, left to right, one page per
// level in memory at a time.
//
// Every leaf starts with the bytes per entry that the table's largest
// record number needs and takes keys while they fit; when a page of a level
// is closed, its last key, record number and offset become an entry of the
// level above. The page left alone at the top is the root. No keys at all
// give a root leaf without keys.
//
// Pages go to the file together while they follow one another in it (the
// leaves, between two interior pages), up to 64 KiB at a time; finish
// writes what is left.
#pragma once

#include "data/cdx/CdxPage.h"

#include <cstdint>
#include <vector>

namespace drav::data {
class IndexFile;
}

namespace drav::data::cdx {

class TagBuilder {
public:
    // unique: a key equal to the one before is left out.
    TagBuilder(IndexFile& file, int keyLength, uint8_t fill, uint32_t maxRecno, bool unique);

    void add(const uint8_t* key, uint32_t rec);
    // Writes the open pages; returns the root's offset.
    uint32_t finish();

private:
    struct Level {
        CdxPage page;
        int used = 0;  // leaf: key area bytes taken
        int pages = 1;
    };

    void addTo(size_t level, const uint8_t* key, uint32_t rec, uint32_t child);
    void start(size_t level, uint32_t left);
    void write(Level& lv);
    void flushPages();

    IndexFile& m_file;
    int m_keyLength;
    uint8_t m_fill;
    int m_leafBytesPerEntry;
    bool m_unique;
    std::vector<Level> m_levels;
    std::vector<uint8_t> m_lastKey;
    bool m_any = false;
    std::vector<uint8_t> m_pages;  // encoded pages that follow one another from m_pagesAt
    uint32_t m_pagesAt = 0;
};

}  // namespace drav::data::cdx
