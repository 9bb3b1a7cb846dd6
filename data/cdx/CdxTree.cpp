// The B-tree of one tag (invariants in CdxTree.h).
//
// Sections: root and page access; searches and steps; counting; insertion
// and splits; removal, merges and the root hand-over.
//
// Paths from the root are kept as page offsets with the entry taken in
// each page, never as pointers: a page freed on the way is gone from the
// cache.
#include "data/cdx/CdxTree.h"

#include "data/cdx/IndexFile.h"

#include <algorithm>
#include <cstring>

namespace drav::data::cdx {

namespace {

int compareEntry(const uint8_t* ka, uint32_t ra, const uint8_t* kb, uint32_t rb, int kl) {
    int c = std::memcmp(ka, kb, static_cast<size_t>(kl));
    if (c != 0) return c;
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// Whether an entry meets the search (is at or past the target).
bool meets(const uint8_t* key, uint32_t rec, const SearchKey& t) {
    int c = t.length ? std::memcmp(key, t.key, static_cast<size_t>(t.length)) : 0;
    if (c != 0) return c > 0;
    if (!t.useRec) return !t.strict;
    return t.strict ? rec > t.rec : rec >= t.rec;
}

}  // namespace

CdxTree::CdxTree(IndexFile& file, uint32_t headerOffset, int keyLength, uint8_t fill)
    : m_file(file), m_headerOffset(headerOffset), m_keyLength(keyLength), m_fill(fill) {}

// ---- Root and page access ----------------------------------------------------------

uint32_t CdxTree::root() {
    if (!m_rootLoaded) {
        uint8_t b[4];
        m_file.readRaw(m_headerOffset, b, 4, "zq_cdxIndexPageRead: Read index page failed.");
        m_root = getLe32(b);
        m_rootLoaded = true;
    }
    return m_root;
}

void CdxTree::setRootForBuild(uint32_t root) {
    m_root = root;
    m_rootLoaded = true;
    m_rootDirty = false;
}

void CdxTree::setRoot(uint32_t offset) {
    m_root = offset;
    m_rootLoaded = true;
    m_rootDirty = true;
}

void CdxTree::flushHeader() {
    if (!m_rootDirty) return;
    uint8_t b[4];
    putLe32(b, m_root);
    m_file.writeRaw(m_headerOffset, b, 4, "Write in index page failed.");
    m_rootDirty = false;
}

CdxPage* CdxTree::load(uint32_t offset) {
    return m_file.page(offset, m_keyLength, m_fill);
}

CdxPage* CdxTree::child(CdxPage* parent, int i) {
    uint32_t off = parent->children[i];
    CdxPage* c = load(off);
    if (c->root) m_file.fatal(kFatalIntegrity, "zq_cdxPageGetChild: index corrupted.");
    return c;
}

// ---- Searches and steps -----------------------------------------------------------------

int CdxTree::lowerBound(const CdxPage* p, const SearchKey& t) const {
    int lo = 0, hi = p->count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (meets(p->key(mid), p->recs[mid], t))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

TreePos CdxTree::find(const SearchKey& t) {
    CdxPage* p = load(root());
    if (!p->root) m_file.fatal(kFatalIntegrity, "zq_cdxTagOpen: index corrupted");
    for (int depth = 0; !p->leaf; ++depth) {
        if (depth > 64) m_file.fatal(kFatalIntegrity, "zq_cdxPageGetChild: index corrupted.");
        int i = lowerBound(p, t);
        if (i == p->count()) return {};
        p = child(p, i);
    }
    TreePos pos{p->offset, lowerBound(p, t)};
    if (pos.index == p->count()) {
        // The parent's entry promised a key here: only a stale or damaged
        // tree ends up past it, so look on the right.
        pos.index = p->count() - 1;
        if (pos.index < 0 || !next(pos)) return {};
    }
    return pos;
}

TreePos CdxTree::first() {
    CdxPage* p = load(root());
    for (int depth = 0; !p->leaf; ++depth) {
        if (depth > 64) m_file.fatal(kFatalIntegrity, "zq_cdxPageGetChild: index corrupted.");
        p = child(p, 0);
    }
    if (p->count() == 0) return {};
    return {p->offset, 0};
}

TreePos CdxTree::last() {
    CdxPage* p = load(root());
    for (int depth = 0; !p->leaf; ++depth) {
        if (depth > 64) m_file.fatal(kFatalIntegrity, "zq_cdxPageGetChild: index corrupted.");
        p = child(p, p->count() - 1);
    }
    if (p->count() == 0) return {};
    return {p->offset, p->count() - 1};
}

bool CdxTree::next(TreePos& pos) {
    CdxPage* p = load(pos.leaf);
    if (pos.index + 1 < p->count()) {
        ++pos.index;
        return true;
    }
    if (p->right == kNoPage) return false;
    CdxPage* r = load(p->right);
    // Keys only ever ascend to the right: a link that breaks the order (a
    // cycle among them) is damage, not a place to wander forever.
    if (!r->leaf || r->count() == 0 || r->left != p->offset ||
        compareEntry(p->key(p->count() - 1), p->recs.back(), r->key(0), r->recs[0], m_keyLength) >=
            0)
        m_file.fatal(kFatalIntegrity, "zq_cdxPageGetKeyVal: index corrupted.");
    pos = {r->offset, 0};
    return true;
}

bool CdxTree::prev(TreePos& pos) {
    if (pos.index > 0) {
        --pos.index;
        return true;
    }
    CdxPage* p = load(pos.leaf);
    if (p->left == kNoPage) return false;
    CdxPage* l = load(p->left);
    if (!l->leaf || l->count() == 0 || l->right != p->offset ||
        compareEntry(l->key(l->count() - 1), l->recs.back(), p->key(0), p->recs[0], m_keyLength) >=
            0)
        m_file.fatal(kFatalIntegrity, "zq_cdxPageGetKeyVal: index corrupted.");
    pos = {l->offset, l->count() - 1};
    return true;
}

const uint8_t* CdxTree::keyAt(const TreePos& pos) {
    CdxPage* p = load(pos.leaf);
    if (pos.index < 0 || pos.index >= p->count())
        m_file.fatal(kFatalIntegrity, "zq_cdxPageGetKeyVal: wrong iKey index.");
    return p->key(pos.index);
}

uint32_t CdxTree::recAt(const TreePos& pos) {
    CdxPage* p = load(pos.leaf);
    if (pos.index < 0 || pos.index >= p->count())
        m_file.fatal(kFatalIntegrity, "zq_cdxPageGetKeyRec: wrong iKey index.");
    return p->recs[pos.index];
}

// ---- Counting ---------------------------------------------------------------------------

// Walks the leaves from one position to the other along the right links,
// reading only the key count of the pages in between. A chain that does
// not reach the end within the file's page count is a cycle.
uint64_t CdxTree::distance(const TreePos& from, const TreePos& to) {
    if (from.leaf == to.leaf) return static_cast<uint64_t>(to.index - from.index + 1);
    int keys = 0;
    uint32_t left = 0, right = 0;
    m_file.pageSummary(from.leaf, &keys, &left, &right);
    uint64_t total = static_cast<uint64_t>(keys - from.index);
    uint64_t limit = m_file.fileSize() / kPageSize;
    for (uint64_t steps = 0; right != to.leaf; ++steps) {
        if (right == kNoPage || steps > limit)
            m_file.fatal(kFatalIntegrity, "zq_cdxPageGetKeyVal: index corrupted.");
        uint32_t here = right;
        int type = m_file.pageSummary(here, &keys, &left, &right);
        if (!(type & 2) || keys <= 0 || keys > kKeyArea / 3)
            m_file.fatal(kFatalIntegrity, "zq_cdxPageGetKeyVal: index corrupted.");
        total += static_cast<uint64_t>(keys);
    }
    return total + static_cast<uint64_t>(to.index) + 1;
}

bool CdxTree::advance(TreePos& pos, uint64_t n) {
    int keys = 0;
    uint32_t left = 0, right = 0;
    m_file.pageSummary(pos.leaf, &keys, &left, &right);
    const uint64_t limit = m_file.fileSize() / kPageSize;
    for (uint64_t steps = 0; n >= static_cast<uint64_t>(keys - pos.index); ++steps) {
        n -= static_cast<uint64_t>(keys - pos.index);
        if (right == kNoPage) {
            pos = {};
            return false;
        }
        if (steps > limit) m_file.fatal(kFatalIntegrity, "zq_cdxPageGetKeyVal: index corrupted.");
        pos = {right, 0};
        int type = m_file.pageSummary(right, &keys, &left, &right);
        if (!(type & 2) || keys <= 0 || keys > kKeyArea / 3)
            m_file.fatal(kFatalIntegrity, "zq_cdxPageGetKeyVal: index corrupted.");
    }
    pos.index += static_cast<int>(n);
    return true;
}

// ---- Insertion and splits -------------------------------------------------------------------

bool CdxTree::insert(const uint8_t* key, uint32_t rec) {
    SearchKey t{key, m_keyLength, true, rec, false};
    Path path;
    CdxPage* p = load(root());
    for (int depth = 0; !p->leaf; ++depth) {
        if (depth > 64) m_file.fatal(kFatalIntegrity, "zq_cdxPageGetChild: index corrupted.");
        int i = std::min(lowerBound(p, t), p->count() - 1);
        path.push_back({p->offset, i});
        p = child(p, i);
    }
    int i = lowerBound(p, t);
    if (i < p->count() && p->recs[i] == rec &&
        std::memcmp(p->key(i), key, static_cast<size_t>(m_keyLength)) == 0)
        return false;
    p->insert(i, key, rec);
    m_file.markDirty(p);
    afterGrow(path, p, i);
    return true;
}

// A page took entries at changedAt: split it when it no longer fits, else
// carry a new last key up to the parents.
void CdxTree::afterGrow(Path& path, CdxPage* p, int changedAt) {
    if (p->fits())
        updateParents(path, p);
    else
        split(path, p, changedAt);
}

// Where an overfull page is cut. Keys appended at the right end of a level
// (runs and invoices arrive in key order) leave full pages behind; anywhere
// else the page is cut into halves of equal size.
std::vector<int> CdxTree::chunkStarts(const CdxPage* p, bool appending) const {
    const int n = p->count();
    const int kl = m_keyLength;
    std::vector<int> starts{0};
    if (!p->leaf) {
        const int maxEntries = CdxPage::maxInteriorEntries(kl);
        int chunks = (n + maxEntries - 1) / maxEntries;
        if (appending) {
            for (int s = maxEntries; s < n; s += maxEntries) starts.push_back(s);
        } else {
            for (int c = 1; c < chunks; ++c) starts.push_back(n * c / chunks);
        }
        return starts;
    }
    // Leaf: the stored part of each key after its neighbour and as a first key.
    std::vector<int> after(n), alone(n);
    std::vector<uint32_t> maxBefore(n + 1, 0), maxFrom(n + 1, 0);
    for (int i = 0; i < n; ++i) {
        after[i] = CdxPage::storedLength(i ? p->key(i - 1) : nullptr, p->key(i), kl, m_fill);
        alone[i] = CdxPage::storedLength(nullptr, p->key(i), kl, m_fill);
        maxBefore[i + 1] = std::max(maxBefore[i], p->recs[i]);
    }
    for (int i = n - 1; i >= 0; --i) maxFrom[i] = std::max(maxFrom[i + 1], p->recs[i]);
    std::vector<int> sumAfter(n + 1, 0);
    for (int i = 0; i < n; ++i) sumAfter[i + 1] = sumAfter[i] + after[i];
    // Size of entries [a, b) as one page with at least `bpe` bytes per entry.
    auto size = [&](int a, int b, int bpe, uint32_t maxRec) {
        bpe = std::max(bpe, CdxPage::minBytesPerEntry(kl, maxRec));
        return bpe * (b - a) + alone[a] + (sumAfter[b] - sumAfter[a + 1]);
    };
    if (!appending) {
        int best = -1, bestSize = 0;
        for (int t = 1; t < n; ++t) {
            int l = size(0, t, p->bytesPerEntry, maxBefore[t]);
            int r = size(t, n, 3, maxFrom[t]);
            if (l <= kKeyArea && r <= kKeyArea && (best < 0 || std::max(l, r) < bestSize)) {
                best = t;
                bestSize = std::max(l, r);
            }
        }
        if (best > 0) return {0, best};
    }
    // Greedy: each page takes keys while they fit.
    int start = 0, bpe = p->bytesPerEntry;
    uint32_t maxRec = 0;
    for (int i = 0; i < n; ++i) {
        uint32_t m = std::max(maxRec, p->recs[i]);
        if (i > start && size(start, i + 1, bpe, m) > kKeyArea) {
            starts.push_back(i);
            start = i;
            bpe = 3;
            m = p->recs[i];
        }
        maxRec = m;
    }
    return starts;
}

void CdxTree::split(Path& path, CdxPage* p, int changedAt) {
    bool appending = p->right == kNoPage && changedAt >= p->count() - 1;
    std::vector<int> starts = chunkStarts(p, appending);
    // The new pages, right to left, each taking the tail of the entries.
    std::vector<CdxPage*> pages(starts.size(), nullptr);
    pages[0] = p;
    for (size_t c = starts.size() - 1; c >= 1; --c) {
        CdxPage* np = m_file.newPage(p->leaf, m_keyLength, m_fill);
        p->moveTail(starts[c], *np);
        pages[c] = np;
    }
    // Siblings: p, new pages..., then p's old right neighbour.
    uint32_t oldRight = p->right;
    for (size_t c = 0; c < pages.size(); ++c) {
        pages[c]->right = c + 1 < pages.size() ? pages[c + 1]->offset : oldRight;
        if (c > 0) pages[c]->left = pages[c - 1]->offset;
        m_file.markDirty(pages[c]);
    }
    if (oldRight != kNoPage) {
        CdxPage* r = load(oldRight);
        r->left = pages.back()->offset;
        m_file.markDirty(r);
    }
    if (path.empty()) {
        // The root split: a new root above the pieces.
        CdxPage* nr = m_file.newPage(false, m_keyLength, m_fill);
        nr->root = true;
        p->root = false;
        for (CdxPage* piece : pages)
            nr->insert(nr->count(), piece->key(piece->count() - 1), piece->recs.back(),
                       piece->offset);
        setRoot(nr->offset);
        if (!nr->fits()) split(path, nr, nr->count() - 1);
        return;
    }
    Step up = path.back();
    path.pop_back();
    CdxPage* parent = load(up.page);
    parent->setEntry(up.index, p->key(p->count() - 1), p->recs.back());
    for (size_t c = 1; c < pages.size(); ++c) {
        CdxPage* piece = pages[c];
        parent->insert(up.index + static_cast<int>(c), piece->key(piece->count() - 1),
                       piece->recs.back(), piece->offset);
    }
    m_file.markDirty(parent);
    afterGrow(path, parent, up.index + static_cast<int>(pages.size()) - 1);
}

// Sets each parent's entry for the changed child to the child's last key,
// up to the first level where that entry is not the last of its page.
void CdxTree::updateParents(Path& path, CdxPage* p) {
    for (size_t level = path.size(); level-- > 0;) {
        if (p->count() == 0) return;
        CdxPage* parent = load(path[level].page);
        int i = path[level].index;
        const uint8_t* last = p->key(p->count() - 1);
        uint32_t lastRec = p->recs.back();
        if (parent->recs[i] == lastRec &&
            std::memcmp(parent->key(i), last, static_cast<size_t>(m_keyLength)) == 0)
            return;
        parent->setEntry(i, last, lastRec);
        m_file.markDirty(parent);
        if (i != parent->count() - 1) return;
        p = parent;
    }
}

// ---- Removal, merges and the root hand-over
// ------------------------------------------------------

bool CdxTree::remove(const uint8_t* key, uint32_t rec) {
    SearchKey t{key, m_keyLength, true, rec, false};
    Path path;
    CdxPage* p = load(root());
    for (int depth = 0; !p->leaf; ++depth) {
        if (depth > 64) m_file.fatal(kFatalIntegrity, "zq_cdxPageGetChild: index corrupted.");
        int i = lowerBound(p, t);
        if (i == p->count()) return false;
        path.push_back({p->offset, i});
        p = child(p, i);
    }
    int i = lowerBound(p, t);
    if (i == p->count() || p->recs[i] != rec ||
        std::memcmp(p->key(i), key, static_cast<size_t>(m_keyLength)) != 0)
        return false;
    p->erase(i);
    m_file.markDirty(p);
    afterShrink(path, p);
    return true;
}

void CdxTree::unlinkAndFree(CdxPage* p) {
    uint32_t left = p->left, right = p->right, offset = p->offset;
    if (left != kNoPage) {
        CdxPage* l = load(left);
        l->right = right;
        m_file.markDirty(l);
    }
    if (right != kNoPage) {
        CdxPage* r = load(right);
        r->left = left;
        m_file.markDirty(r);
    }
    m_file.freePage(offset);
}

// A page lost entries: drop it when empty, merge it with a neighbour of the
// same parent when both fit in one page, hand the root down when it is an
// interior page with a single child.
void CdxTree::afterShrink(Path& path, CdxPage* p) {
    if (path.empty()) {
        if (p->count() == 0 && !p->leaf) {
            p->leaf = true;  // a root left with no key becomes a root leaf
            p->bytesPerEntry = 3;
            p->clear();
            m_file.markDirty(p);
        }
        while (!p->leaf && p->count() == 1) {
            CdxPage* c = child(p, 0);
            c->root = true;
            m_file.markDirty(c);
            uint32_t old = p->offset;
            setRoot(c->offset);
            m_file.freePage(old);
            p = c;
        }
        return;
    }
    if (p->count() == 0) {
        unlinkAndFree(p);
        Step up = path.back();
        path.pop_back();
        CdxPage* parent = load(up.page);
        parent->erase(up.index);
        m_file.markDirty(parent);
        afterShrink(path, parent);
        return;
    }
    updateParents(path, p);
    tryMerge(path, p);
}

bool CdxTree::tryMerge(Path& path, CdxPage* p) {
    bool underfull = p->leaf ? p->leafUsed() * 2 <= kKeyArea
                             : p->count() * 2 <= CdxPage::maxInteriorEntries(m_keyLength);
    if (!underfull || path.empty()) return false;
    Step up = path.back();
    CdxPage* parent = load(up.page);
    int leftIndex;
    if (up.index + 1 < parent->count())
        leftIndex = up.index;
    else if (up.index > 0)
        leftIndex = up.index - 1;
    else
        return false;
    CdxPage* left = child(parent, leftIndex);
    CdxPage* right = child(parent, leftIndex + 1);
    if (left->leaf != right->leaf || left->right != right->offset)
        m_file.fatal(kFatalIntegrity, "zq_cdxPageKeyLeafBalance: index corrupted.");
    // Try the merged page; keep the two when it does not fit.
    CdxPage merged = *left;
    CdxPage rest = *right;
    rest.moveTail(0, merged);
    if (!merged.fits()) return false;
    right->moveTail(0, *left);
    left->bytesPerEntry = merged.bytesPerEntry;
    m_file.markDirty(left);
    unlinkAndFree(right);
    path.pop_back();
    parent->setEntry(leftIndex, left->key(left->count() - 1), left->recs.back());
    parent->erase(leftIndex + 1);
    m_file.markDirty(parent);
    afterShrink(path, parent);
    return true;
}

}  // namespace drav::data::cdx
