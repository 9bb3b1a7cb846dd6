// The B-tree of one tag: searches, steps between neighbouring keys, counts,
// and key insertion and removal with page splits, merges and the free list.
//
// Invariants kept by every change (and checked by IndexChecker):
//   - keys ascend by (key bytes unsigned, record number) across each level;
//   - interior entry i holds the last key and record number of child i;
//   - pages of one level are linked left and right in key order, the ends
//     with FF FF FF FF;
//   - every leaf is at the same depth; only the root has the root bit;
//   - no page other than the root is empty; an interior root has at least
//     two children (a root left with one child hands the root to it).
//
// All calls need the file's read lock; insert and remove the write lock.
#pragma once

#include "data/cdx/CdxPage.h"

#include <cstdint>
#include <vector>

namespace drav::data {
class IndexFile;
}

namespace drav::data::cdx {

struct TreePos {
    uint32_t leaf = 0;  // 0: past the last key
    int index = 0;
    bool valid() const { return leaf != 0; }
};

// What a search looks for: the first entry whose key, compared over
// `length` bytes, is above `key` (strict) or not below it; with useRec,
// equal keys are then compared by record number.
struct SearchKey {
    const uint8_t* key;
    int length;
    bool useRec = false;
    uint32_t rec = 0;
    bool strict = false;
};

class CdxTree {
public:
    CdxTree(IndexFile& file, uint32_t headerOffset, int keyLength, uint8_t fill);

    uint32_t root();
    void setRootForBuild(uint32_t root);  // a freshly built tree
    // The root is read again from the header on next use.
    void invalidate() { m_rootLoaded = false; }
    // Writes the root to the header when it changed (under the write lock).
    void flushHeader();
    // Forgets a root change that will not be written.
    void dropChanges() { m_rootLoaded = m_rootDirty = false; }

    TreePos find(const SearchKey& target);
    TreePos first();
    TreePos last();
    // Step to the neighbouring key; false (and pos unchanged) at the end.
    bool next(TreePos& pos);
    bool prev(TreePos& pos);
    const uint8_t* keyAt(const TreePos& pos);
    uint32_t recAt(const TreePos& pos);
    // The number of keys from `from` to `to`, both included (from <= to).
    uint64_t distance(const TreePos& from, const TreePos& to);
    // Moves n keys forward, crossing whole leaves by their key counts
    // without decoding them; false (pos past the last key) when the tree
    // ends first.
    bool advance(TreePos& pos, uint64_t n);

    // False when the entry is already there / is not there.
    bool insert(const uint8_t* key, uint32_t rec);
    bool remove(const uint8_t* key, uint32_t rec);

private:
    struct Step {
        uint32_t page;
        int index;
    };
    using Path = std::vector<Step>;

    CdxPage* load(uint32_t offset);
    CdxPage* child(CdxPage* parent, int i);
    int lowerBound(const CdxPage* p, const SearchKey& t) const;
    void setRoot(uint32_t offset);

    void afterGrow(Path& path, CdxPage* p, int changedAt);
    void split(Path& path, CdxPage* p, int changedAt);
    std::vector<int> chunkStarts(const CdxPage* p, bool appending) const;
    void afterShrink(Path& path, CdxPage* p);
    bool tryMerge(Path& path, CdxPage* p);
    void updateParents(Path& path, CdxPage* p);
    void unlinkAndFree(CdxPage* p);

    IndexFile& m_file;
    uint32_t m_headerOffset;
    int m_keyLength;
    uint8_t m_fill;
    uint32_t m_root = 0;
    bool m_rootLoaded = false;
    bool m_rootDirty = false;
};

}  // namespace drav::data::cdx
