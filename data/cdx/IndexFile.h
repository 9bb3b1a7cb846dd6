// An open compound index file (".NTX"): its directory and tag, the locks by
// which stations share it, and the cache of its pages.
//
// Sections: opening and building; locks; engine internals (pages, free list,
// raw reads and writes) used by the tree, the builder and the tag.
//
// Every file of this system holds a directory and one tag named after the
// file. Stations share a file through the read and write locks below and
// the change counter in its first page: a station that sees the counter (or
// the free-list head) move drops every page it has cached of the file.
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"
#include "data/cdx/CdxPage.h"
#include "data/expr/Expression.h"
#include "data/os/File.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace drav::data {

class IndexTag;

struct IndexOpenOptions {
    bool shared = true;  // as the table is open: shared or exclusive
    bool readOnly = false;
    std::string tableName;  // named with the file in integrity messages
};

struct IndexBuildOptions {
    std::string keyText;        // stored in the header and compiled
    std::string conditionText;  // "" for none
    // Evaluated instead of conditionText when given: a view stores
    // "!DELETED()" but keeps the records of its own condition.
    const Expression* condition = nullptr;
    bool unique = false;
    bool shared = true;
    std::string tableName;
    // Memory of one sort run; the build spills runs to one temporary file
    // when the keys do not fit in one.
    size_t runBytes = size_t(1) << 20;
    // Folder of the temporary file: "" for the instance folder (or the
    // temporary folder when there is none).
    std::string tempFolder;
};

class IndexFile {
public:
    // Opens an index file and checks its directory and tag headers against
    // the table's fields. Failures carry the error handler's codes: open
    // error 21/1003 (NotFound, Busy for a share conflict, IOError),
    // corruption 32/1012 for a file of 1024 bytes or less or whose headers
    // cannot be loaded. Tags are read in ascending order only: a file with
    // a descending tag (which this system never writes) is refused as an
    // open error rather than listed in the wrong order.
    static Status open(const std::string& path, const RecordContext& fields,
                       const IndexOpenOptions& options, std::unique_ptr<IndexFile>& out);
    // Builds the file's one tag, named after the file, from the scanned
    // records, then creates (or empties) the file and writes it; a scan
    // that fails leaves the file as it was (IndexBuild.h). Failures: create
    // error 20/1006; data type 33/1026 for a key without a usable value,
    // 33/1053 for a condition that is not logical; data width 34/1026 for
    // a text key of length 0 or above 240, 34/1054 for key and condition
    // texts over 510 characters.
    static Status create(const std::string& path, RecordScan& scan,
                         const IndexBuildOptions& options, std::unique_ptr<IndexFile>& out);

    // Closing while this file holds a lock is an integrity error.
    ~IndexFile() noexcept(false);
    IndexFile(const IndexFile&) = delete;
    IndexFile& operator=(const IndexFile&) = delete;

    const std::string& path() const { return m_file.path(); }
    const std::string& tableName() const { return m_tableName; }
    bool shared() const { return m_file.share() == File::Share::Shared; }
    bool readOnly() const { return m_file.readOnly(); }
    IndexTag& tag() { return *m_tags.front(); }
    // The change counter as last read or written.
    uint32_t changeCounter() const { return m_counter; }

    // ---- Locks -------------------------------------------------------------
    // Nested per file; only the outermost lock and unlock touch the file.
    // Lock failures other than a holder elsewhere are lock errors 41/1038.
    Status lockRead();
    void unlockRead();
    Status lockWrite();
    // Writes what the write lock changed, moves the change counter, releases.
    void unlockWrite();

    // Scoped forms; the destructor releases (and, when unwinding after a
    // failure, drops what the write lock changed instead of writing it).
    class ReadLock {
    public:
        explicit ReadLock(IndexFile& f) : m_file(f), m_status(f.lockRead()) {}
        ~ReadLock() noexcept(false);
        const Status& status() const { return m_status; }

    private:
        IndexFile& m_file;
        Status m_status;
        int m_exceptions = std::uncaught_exceptions();
    };
    class WriteLock {
    public:
        explicit WriteLock(IndexFile& f) : m_file(f), m_status(f.lockWrite()) {}
        ~WriteLock() noexcept(false);
        const Status& status() const { return m_status; }

    private:
        IndexFile& m_file;
        Status m_status;
        int m_exceptions = std::uncaught_exceptions();
    };

    // ---- Engine internals ----------------------------------------------------
    // A page of the tree of a tag with the given key length and fill byte,
    // from the cache or the file; integrity errors end the program.
    cdx::CdxPage* page(uint32_t offset, int keyLength, uint8_t fill);
    // The same without ending the program: null and the reason instead.
    cdx::CdxPage* tryPage(uint32_t offset, int keyLength, uint8_t fill, const char** why);
    // A page's header fields read without caching the page (key counts of
    // the pages a count walks over). Returns the type; fatal when unreadable.
    int pageSummary(uint32_t offset, int* keys, uint32_t* left, uint32_t* right);
    // A new page (from the free list, else at the end of the file), cached
    // and marked to be written.
    cdx::CdxPage* newPage(bool leaf, int keyLength, uint8_t fill);
    // Marks a cached page to be written when the write lock is released.
    void markDirty(cdx::CdxPage* p);
    // Puts a page on the free list (and out of the cache).
    void freePage(uint32_t offset);
    // Space at the end of the file (headers, built pages).
    uint32_t appendSpace(uint32_t bytes);
    // Writes under the write lock; a short write is an integrity error.
    void writeRaw(uint64_t offset, const void* data, size_t n, const char* text);
    void readRaw(uint64_t offset, void* data, size_t n, const char* text);
    uint64_t fileSize() const { return m_fileSize; }
    // Moves whenever cached pages were dropped or a tree changed: cursors
    // holding a page position find their key again.
    uint64_t generation() const { return m_generation; }
    // Ends the program with an integrity error; texts that name a page get
    // the file and the table on two more lines.
    [[noreturn]] void fatal(unsigned number, const std::string& text, bool namesFile = true) const;
    bool holdsLock() const { return m_readLocks + m_writeLocks > 0; }

private:
    friend class IndexBuild;  // writes a new file's directory and tag
    IndexFile(File file, std::string tableName);

    Status takeFileLock(bool exclusive);
    void releaseFileLock(bool exclusive);
    void checkVersion();
    void dropCache();
    void trimCache();
    void flush();
    void abandonWrite();
    uint32_t takeFreePage();
    Status loadDirectory(const RecordContext& fields);

    File m_file;
    std::string m_tableName;
    std::vector<std::unique_ptr<IndexTag>> m_tags;

    int m_readLocks = 0;
    int m_writeLocks = 0;
    bool m_fileLocked = false;  // the read byte or the write range is held
    uint64_t m_readByte = 0;
    bool m_creating = false;  // the file is being built: it may still be empty

    uint32_t m_freeHead = 0;
    uint32_t m_counter = 0;
    uint32_t m_sessionFreeHead = 0;  // free-list head when the write lock was taken
    bool m_wrote = false;            // something was written under this write lock
    uint64_t m_fileSize = 0;
    uint64_t m_generation = 0;

    std::unordered_map<uint32_t, std::unique_ptr<cdx::CdxPage>> m_pages;
    std::vector<uint32_t> m_dirty;
    std::map<uint32_t, uint32_t> m_pendingFree;  // freed under this write lock -> next
};

}  // namespace drav::data
