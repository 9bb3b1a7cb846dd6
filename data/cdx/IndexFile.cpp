// An open compound index file: opening with its header checks, building a
// tag, the lock protocol shared with the other stations, the page cache and
// the free list.
//
// Sections: helpers; opening; building; locks; page cache; free list and
// raw I/O; integrity errors.
//
// Lock states of one open file (this station):
//
//   closed --open--> unlocked
//   unlocked --lockRead (outermost)--> read    [shared lock on one random
//            byte of the pool; retried with another byte until granted]
//   unlocked --lockWrite (outermost)--> write  [exclusive lock on the pool
//            and the byte below it; waits until no reader or writer is left]
//   read/write --nested lockRead/lockWrite--> same state, counter + 1
//   read --lockWrite--> integrity error 9105 (a reader never upgrades)
//   write --unlockWrite (outermost)--> unlocked  [flush(): freed pages,
//            changed pages and the tag root are written; when anything
//            was written the change counter goes up by one and the
//            free-list head and counter are written together at offset 4]
//   read --unlockRead (outermost)--> unlocked
//
// After each outermost lock the 8 bytes at offset 4 (free-list head, change
// counter) are read: when either moved, another station wrote the file and
// every cached page and root is dropped. A file open exclusively takes no
// lock and never reads the counter; its changes are written the same way,
// without moving the counter, the free-list head only when it changed.
// Every page read of a shared file happens under a lock, every write under
// the write lock.
#include "data/cdx/IndexFile.h"

#include "data/cdx/CdxTree.h"
#include "data/cdx/IndexBuild.h"
#include "data/cdx/IndexTag.h"
#include "data/expr/ExprNode.h"
#include "util/Error.h"

#include <unistd.h>
#include <algorithm>
#include <random>

namespace drav::data {

using namespace cdx;

namespace {

// Pages kept between locks; beyond it the leaves are dropped (the interior
// pages, few and used by every search, stay).
constexpr size_t kCachePages = 4096;

uint64_t randomLockByte() {
    static std::minstd_rand rng(static_cast<unsigned>(std::random_device{}() ^ ::getpid()));
    return kLockBase + 1 + rng() % kLockPool;
}

Status corrupt(const std::string& path, const std::string& why) {
    return Status::corruption(path, why).withCodes(gen::Corruption, kSubCorrupt);
}

bool validOffset(uint64_t offset, uint64_t length, uint64_t fileSize) {
    return offset != 0 && offset % kPageSize == 0 && offset + length <= fileSize;
}

}  // namespace

IndexFile::IndexFile(File file, std::string tableName)
    : m_file(std::move(file)), m_tableName(std::move(tableName)) {}

IndexFile::~IndexFile() noexcept(false) {
    // Unwinding after a failure, the descriptor's close drops any lock left.
    if (m_readLocks + m_writeLocks > 0 && std::uncaught_exceptions() == 0)
        fatal(kFatalStillLocked, "zq_cdxIndexFree: index file still locked.");
}

// ---- Opening --------------------------------------------------------------------

Status IndexFile::open(const std::string& path, const RecordContext& fields,
                       const IndexOpenOptions& options, std::unique_ptr<IndexFile>& out) {
    out.reset();
    File f;
    Status s = File::open(path, options.shared ? File::Share::Shared : File::Share::Exclusive,
                          options.readOnly, f);
    if (!s) return s.withCodes(gen::Open, kSubOpen);
    std::unique_ptr<IndexFile> file(new IndexFile(std::move(f), options.tableName));
    if (Status st = file->m_file.size(&file->m_fileSize); !st)
        return st.withCodes(gen::Open, kSubOpen);
    if (file->m_fileSize <= kHeaderSize) return corrupt(path, "file of 1024 bytes or less");
    {
        ReadLock lock(*file);
        if (!lock.status()) return lock.status();
        if (Status st = file->loadDirectory(fields); !st) return st;
    }
    out = std::move(file);
    return Status::ok();
}

// Reads the directory and, key by key, the tag headers it points to. Every
// check that fails rejects the whole file as corrupt; nothing here ends the
// program, whatever the bytes.
Status IndexFile::loadDirectory(const RecordContext& fields) {
    const std::string& p = path();
    uint8_t buf[kHeaderSize];
    if (!m_file.readExact(0, buf, kHeaderSize)) return corrupt(p, "unreadable directory header");
    TagHeader dir;
    std::string why;
    if (!TagHeader::parse(buf, dir, &why)) return corrupt(p, "directory header: " + why);
    if (!validOffset(dir.root, kPageSize, m_fileSize))
        return corrupt(p, "directory root outside the file");
    m_freeHead = dir.freeHead;
    m_counter = dir.counter;

    // Walk the directory tree: down its left edge, then along its leaves.
    const char* bad = nullptr;
    CdxPage* node = tryPage(dir.root, dir.keyLength, ' ', &bad);
    if (!node || !node->root) return corrupt(p, bad ? bad : "directory root without root mark");
    for (int depth = 0; !node->leaf; ++depth) {
        if (depth > 32) return corrupt(p, "directory tree too deep");
        node = tryPage(node->children[0], dir.keyLength, ' ', &bad);
        if (!node) return corrupt(p, bad);
    }
    std::vector<std::pair<std::string, uint32_t>> entries;
    for (uint64_t steps = 0;; ++steps) {
        if (steps > m_fileSize / kPageSize) return corrupt(p, "directory leaves form a cycle");
        for (int i = 0; i < node->count(); ++i) {
            std::string name(reinterpret_cast<const char*>(node->key(i)),
                             static_cast<size_t>(dir.keyLength));
            name.erase(name.find_last_not_of(' ') + 1);
            entries.emplace_back(name, node->recs[i]);
        }
        if (node->right == kNoPage) break;
        node = tryPage(node->right, dir.keyLength, ' ', &bad);
        if (!node || !node->leaf) return corrupt(p, bad ? bad : "directory level mixes pages");
    }
    if (entries.empty()) return corrupt(p, "no tag in the file");

    for (const auto& [name, offset] : entries) {
        if (!validOffset(offset, kHeaderSize, m_fileSize))
            return corrupt(p, "tag header of " + name + " outside the file");
        if (!m_file.readExact(offset, buf, kHeaderSize))
            return corrupt(p, "unreadable tag header of " + name);
        TagHeader h;
        if (!TagHeader::parse(buf, h, &why)) return corrupt(p, "tag " + name + ": " + why);
        if (!validOffset(h.root, kPageSize, m_fileSize))
            return corrupt(p, "root of tag " + name + " outside the file");
        if (h.descending)
            return Status::invalid(p, "descending tag " + name).withCodes(gen::Open, kSubOpen);
        Expression key, cond;
        if (!Expression::compile(h.keyText, fields, key))
            return corrupt(p, "key of tag " + name + " cannot be evaluated");
        char t = key.type();
        if (((t == 'N' || t == 'D') && h.keyLength != 8) || (t == 'L' && h.keyLength != 1))
            return corrupt(p, "key of tag " + name + " does not match its length");
        if (!h.conditionText.empty() &&
            (!Expression::compile(h.conditionText, fields, cond) || cond.type() != 'L'))
            return corrupt(p, "condition of tag " + name + " is not logical");
        // The root page itself must be a root of this key length.
        CdxPage* root = tryPage(h.root, h.keyLength, fillByte(t), &bad);
        if (!root || !root->root) return corrupt(p, bad ? bad : "tag root without root mark");
        for (uint32_t c : root->children)
            if (!validOffset(c, kPageSize, m_fileSize))
                return corrupt(p, "page of tag " + name + " outside the file");
        m_tags.push_back(
            std::make_unique<IndexTag>(*this, name, offset, h, std::move(key), std::move(cond)));
    }
    return Status::ok();
}

// ---- Building ---------------------------------------------------------------------

Status IndexFile::create(const std::string& path, RecordScan& scan,
                         const IndexBuildOptions& options, std::unique_ptr<IndexFile>& out) {
    out.reset();
    std::unique_ptr<IndexBuild> build;
    if (Status s = IndexBuild::prepare(path, scan.currentRecord(), options, scan.maxRecno(), build);
        !s)
        return s;
    Status visited = scan.forEach([&](const RecordContext& r) {
        build->add(r);
        return Status::ok();
    });
    if (!visited) return visited;
    return build->finish(scan.maxRecno(), out);
}

// ---- Locks --------------------------------------------------------------------------

Status IndexFile::takeFileLock(bool exclusive) {
    if (m_fileLocked)
        fatal(kFatalLockTaken, exclusive ? "zq_cdxIndexLockWrite: lock failure (*)"
                                         : "zq_cdxIndexLockRead: lock failure (*)");
    for (int attempt = 0;; ++attempt) {
        Status s;
        if (exclusive) {
            // Readers come and go on their own bytes; after a few quick
            // tries, wait in the kernel for the range instead of spinning.
            s = attempt < 3 ? m_file.lock(kLockBase, kWriteLockLength, true)
                            : m_file.lockWait(kLockBase, kWriteLockLength, true);
        } else {
            m_readByte = randomLockByte();
            s = attempt < 3 ? m_file.lock(m_readByte, 1, false)
                            : m_file.lockWait(m_readByte, 1, false);
        }
        if (s) break;
        if (!s.isBusy())
            return Status::ioError(path(), s.err(), "index lock refused")
                .withCodes(gen::LockFailure, kSubLock);
    }
    m_fileLocked = true;
    return Status::ok();
}

void IndexFile::releaseFileLock(bool exclusive) {
    if (!m_fileLocked)
        fatal(kFatalUnlock, exclusive ? "zq_cdxIndexUnLockWrite: unlock error (*)"
                                      : "zq_cdxIndexUnLockRead: unlock error (*)");
    m_fileLocked = false;
    Status s =
        exclusive ? m_file.unlock(kLockBase, kWriteLockLength) : m_file.unlock(m_readByte, 1);
    if (!s)
        fatal(kFatalUnlock, exclusive ? "zq_cdxIndexUnLockWrite: unlock error."
                                      : "zq_cdxIndexUnLockRead: unlock error.");
}

Status IndexFile::lockRead() {
    if (m_readLocks < 0 || m_writeLocks < 0)
        fatal(kFatalLockCount, "zq_cdxIndexLockRead: bad count of locks.");
    if (m_readLocks == 0 && m_writeLocks == 0) {
        if (shared()) {
            if (Status s = takeFileLock(false); !s) return s;
            checkVersion();
        }
        trimCache();
    }
    ++m_readLocks;
    return Status::ok();
}

void IndexFile::unlockRead() {
    if (m_readLocks <= 0) fatal(kFatalUnlockCount, "zq_cdxIndexUnLockRead: bad count of locks.");
    --m_readLocks;
    if (m_readLocks == 0 && m_writeLocks == 0 && shared()) releaseFileLock(false);
}

Status IndexFile::lockWrite() {
    if (readOnly()) fatal(kFatalReadOnly, "zq_cdxIndexLockWrite: readonly index.");
    if (m_readLocks > 0) fatal(kFatalLockCount, "zq_cdxIndexLockWrite: writeLock after readLock.");
    if (m_writeLocks < 0) fatal(kFatalLockCount, "zq_cdxIndexLockWrite: bad count of locks.");
    if (m_writeLocks == 0) {
        if (shared()) {
            if (Status s = takeFileLock(true); !s) return s;
            checkVersion();
        }
        trimCache();
        m_sessionFreeHead = m_freeHead;
        m_wrote = false;
    }
    ++m_writeLocks;
    return Status::ok();
}

void IndexFile::unlockWrite() {
    if (m_writeLocks <= 0) fatal(kFatalUnlockCount, "zq_cdxIndexUnLockWrite: bad count of locks.");
    if (m_readLocks > 0)
        fatal(kFatalLockCount, "zq_cdxIndexUnLockWrite: writeUnLock before readUnLock.");
    if (m_writeLocks == 1) flush();
    --m_writeLocks;
    if (m_writeLocks == 0 && shared()) releaseFileLock(true);
}

IndexFile::ReadLock::~ReadLock() noexcept(false) {
    if (!m_status) return;
    if (std::uncaught_exceptions() > m_exceptions) {
        // Unwinding: release quietly, whatever the counters say.
        if (m_file.m_readLocks > 0 && --m_file.m_readLocks == 0 && m_file.m_writeLocks == 0 &&
            m_file.m_fileLocked) {
            m_file.m_fileLocked = false;
            (void)m_file.m_file.unlock(m_file.m_readByte, 1);
        }
        return;
    }
    m_file.unlockRead();
}

IndexFile::WriteLock::~WriteLock() noexcept(false) {
    if (!m_status) return;
    if (std::uncaught_exceptions() > m_exceptions) {
        if (m_file.m_writeLocks > 0 && --m_file.m_writeLocks == 0) {
            m_file.abandonWrite();
            if (m_file.m_fileLocked) {
                m_file.m_fileLocked = false;
                (void)m_file.m_file.unlock(kLockBase, kWriteLockLength);
            }
        }
        return;
    }
    m_file.unlockWrite();
}

// Reads the free-list head and change counter; when either moved, another
// station wrote the file since this one last looked.
void IndexFile::checkVersion() {
    uint8_t b[8];
    size_t got = 0;
    Status s = m_file.read(4, b, 8, &got);
    if (!s || got != 8) {
        if (m_creating) return;
        fatal(kFatalVersion, "zq_cdxIndexCheckVersion: Read error on index heading page.");
    }
    uint32_t head = getLe32(b), counter = getBe32(b + 4);
    if (head != m_freeHead || counter != m_counter) {
        dropCache();
        m_freeHead = head;
        m_counter = counter;
        (void)m_file.size(&m_fileSize);
    }
}

// ---- Page cache ---------------------------------------------------------------------

void IndexFile::dropCache() {
    m_pages.clear();
    m_dirty.clear();
    for (auto& t : m_tags) t->tree().invalidate();
    ++m_generation;
}

void IndexFile::trimCache() {
    if (m_pages.size() <= kCachePages) return;
    for (auto it = m_pages.begin(); it != m_pages.end();) {
        if (it->second->leaf && !it->second->dirty)
            it = m_pages.erase(it);
        else
            ++it;
    }
    ++m_generation;
}

CdxPage* IndexFile::tryPage(uint32_t offset, int keyLength, uint8_t fill, const char** why) {
    if (shared() && !holdsLock())
        fatal(kFatalNotLocked, "zq_cdxIndexPageRead on not locked index file.");
    auto it = m_pages.find(offset);
    if (it != m_pages.end()) return it->second.get();
    if (!validOffset(offset, kPageSize, m_fileSize)) {
        *why = "zq_cdxPageGetChild: index corrupted.";
        return nullptr;
    }
    uint8_t buf[kPageSize];
    size_t got = 0;
    Status s = m_file.read(offset, buf, kPageSize, &got);
    if (!s || got != kPageSize) fatal(kFatalRead, "zq_cdxIndexPageRead: Read index page failed.");
    auto p = std::make_unique<CdxPage>(keyLength, fill);
    if (const char* bad = CdxPage::decode(buf, offset, keyLength, fill, *p)) {
        *why = bad;
        return nullptr;
    }
    CdxPage* raw = p.get();
    m_pages.emplace(offset, std::move(p));
    return raw;
}

CdxPage* IndexFile::page(uint32_t offset, int keyLength, uint8_t fill) {
    const char* why = nullptr;
    CdxPage* p = tryPage(offset, keyLength, fill, &why);
    if (!p) fatal(kFatalIntegrity, why);
    return p;
}

int IndexFile::pageSummary(uint32_t offset, int* keys, uint32_t* left, uint32_t* right) {
    if (auto it = m_pages.find(offset); it != m_pages.end()) {
        const CdxPage& p = *it->second;
        *keys = p.count();
        *left = p.left;
        *right = p.right;
        return (p.root ? 1 : 0) | (p.leaf ? 2 : 0);
    }
    if (shared() && !holdsLock())
        fatal(kFatalNotLocked, "zq_cdxIndexPageRead on not locked index file.");
    if (!validOffset(offset, kPageSize, m_fileSize))
        fatal(kFatalIntegrity, "zq_cdxPageGetChild: index corrupted.");
    uint8_t b[kInteriorHeader];
    readRaw(offset, b, sizeof b, "zq_cdxIndexPageRead: Read index page failed.");
    *keys = getLe16(b + 2);
    *left = getLe32(b + 4);
    *right = getLe32(b + 8);
    return getLe16(b);
}

void IndexFile::markDirty(CdxPage* p) {
    if (readOnly()) fatal(kFatalReadOnly, "zq_cdxIndexPageWrite on readonly database.");
    if (m_writeLocks == 0)
        fatal(kFatalNotWriteLocked, "zq_cdxIndexPageWrite on not locked index file.");
    if (!p->dirty) {
        p->dirty = true;
        m_dirty.push_back(p->offset);
    }
    ++m_generation;
}

CdxPage* IndexFile::newPage(bool leaf, int keyLength, uint8_t fill) {
    if (readOnly()) fatal(kFatalReadOnly, "zq_cdxIndexGetAvailPage on readonly database.");
    if (m_writeLocks == 0)
        fatal(kFatalNotWriteLocked, "zq_cdxIndexGetAvailPage on not locked index file.");
    uint32_t offset = takeFreePage();
    auto p = std::make_unique<CdxPage>(keyLength, fill);
    p->offset = offset;
    p->leaf = leaf;
    CdxPage* raw = p.get();
    m_pages[offset] = std::move(p);
    markDirty(raw);
    return raw;
}

// ---- Free list and raw I/O -------------------------------------------------------------

uint32_t IndexFile::takeFreePage() {
    if (m_freeHead == 0) return appendSpace(kPageSize);
    uint32_t offset = m_freeHead;
    uint32_t next = 0;
    if (auto it = m_pendingFree.find(offset); it != m_pendingFree.end()) {
        next = it->second;
        m_pendingFree.erase(it);
    } else if (validOffset(offset, kPageSize, m_fileSize)) {
        uint8_t b[4];
        readRaw(offset, b, 4, "zq_cdxIndexGetAvailPage: Read index page failed.");
        next = getLe32(b);
    } else {
        // A head outside the file: the list cannot be trusted; new pages go
        // to the end of the file instead (the pages on it are lost space).
        m_freeHead = 0;
        return appendSpace(kPageSize);
    }
    if (next != 0 && !validOffset(next, kPageSize, m_fileSize)) next = 0;
    m_freeHead = next;
    m_pages.erase(offset);
    return offset;
}

void IndexFile::freePage(uint32_t offset) {
    if (readOnly()) fatal(kFatalReadOnly, "zq_cdxIndexPutAvailPage on readonly database.");
    if (m_writeLocks == 0)
        fatal(kFatalNotWriteLocked, "zq_cdxIndexPutAvailPage on not locked index file.");
    m_pages.erase(offset);
    m_pendingFree[offset] = m_freeHead;
    m_freeHead = offset;
    ++m_generation;
}

uint32_t IndexFile::appendSpace(uint32_t bytes) {
    uint64_t offset = (m_fileSize + kPageSize - 1) / kPageSize * kPageSize;
    m_fileSize = offset + bytes;
    return static_cast<uint32_t>(offset);
}

void IndexFile::writeRaw(uint64_t offset, const void* data, size_t n, const char* text) {
    if (readOnly()) fatal(kFatalReadOnly, "zq_cdxIndexPageWrite on readonly database.");
    if (m_writeLocks == 0)
        fatal(kFatalNotWriteLocked, "zq_cdxIndexPageWrite on not locked index file.");
    if (!m_file.write(offset, data, n)) fatal(kFatalWrite, text);
    m_wrote = true;
}

void IndexFile::readRaw(uint64_t offset, void* data, size_t n, const char* text) {
    size_t got = 0;
    Status s = m_file.read(offset, data, n, &got);
    if (!s || got != n) fatal(kFatalRead, text);
}

void IndexFile::flush() {
    uint8_t buf[kPageSize];
    for (const auto& [offset, next] : m_pendingFree) {
        std::fill(buf, buf + kPageSize, 0);
        putLe32(buf, next);
        writeRaw(offset, buf, kPageSize, "Write in index page failed.");
    }
    m_pendingFree.clear();
    for (uint32_t offset : m_dirty) {
        auto it = m_pages.find(offset);
        if (it == m_pages.end() || !it->second->dirty) continue;
        if (const char* bad = it->second->encode(buf)) fatal(kFatalIntegrity, bad);
        writeRaw(offset, buf, kPageSize, "Write in index page failed.");
        it->second->dirty = false;
    }
    m_dirty.clear();
    for (auto& t : m_tags) t->tree().flushHeader();
    if (shared()) {
        if (m_wrote) {
            ++m_counter;
            uint8_t b[8];
            putLe32(b, m_freeHead);
            putBe32(b + 4, m_counter);
            writeRaw(4, b, 8, "Write in index page failed (ver)");
        }
    } else if (m_freeHead != m_sessionFreeHead) {
        uint8_t b[4];
        putLe32(b, m_freeHead);
        writeRaw(4, b, 4, "Write in index page failed (ver.ex)");
    }
}

// Drops what a failed write lock changed: nothing of it was written, so the
// file still holds the state before the lock.
void IndexFile::abandonWrite() {
    m_pendingFree.clear();
    m_freeHead = m_sessionFreeHead;
    dropCache();
    for (auto& t : m_tags) t->tree().dropChanges();
    (void)m_file.size(&m_fileSize);
}

// ---- Integrity errors -----------------------------------------------------------------

void IndexFile::fatal(unsigned number, const std::string& text, bool namesFile) const {
    fatalError(number, namesFile ? text + "\n" + path() + "\n" + m_tableName : text);
}

}  // namespace drav::data
