// Table driver. Sections: creating; opening and closing; the record count;
// navigation; fields; append, commit and the header; delete and recall;
// locks; pack and zap; observers and scans.
#include "data/dbf/TableFile.h"

#include "data/dbf/FieldCodec.h"
#include "data/dbf/TableScan.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

namespace drav::data {
namespace {

constexpr size_t kWindowBytes = 64 * 1024;
constexpr size_t kPackChunkBytes = 1024 * 1024;

struct Today {
    int year, month, day;
};

Today today() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

}  // namespace

TableFile::TableFile() : m_view(&m_layout, nullptr) {}

TableFile::~TableFile() {
    (void)close();
}

// ---- Creating --------------------------------------------------------------

std::string TableFile::memoPathFor(const std::string& tablePath) {
    size_t slash = tablePath.find_last_of('/');
    size_t dot = tablePath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return tablePath + ".DBT";
    return tablePath.substr(0, dot) + ".DBT";
}

Status TableFile::create(const std::string& path, const std::vector<FieldDef>& fields) {
    TableLayout layout;
    if (Status s = TableLayout::fromFields(path, fields, &layout); !s) return s;
    // The memo comes first, and a file that could not be written whole is
    // removed: a table file is never there without its memo, nor half made,
    // so a creation cut short by a full disk or a crash leaves at most a
    // memo without its table, which the next creation makes anew.
    const std::string memo = memoPathFor(path);
    if (layout.hasMemo())
        if (Status s = MemoFile::create(memo); !s) return s;
    File f;
    if (Status s = File::create(path, File::Share::Exclusive, f); !s) return s;
    Today d = today();
    std::string bytes = layout.headerBytes(0, d.year, d.month, d.day);
    bytes.push_back(kEofMark);
    Status s = f.write(0, bytes.data(), bytes.size());
    if (s) s = f.sync();
    if (s) return s;
    f.close();
    ::unlink(path.c_str());
    if (layout.hasMemo()) ::unlink(memo.c_str());
    return s;
}

// ---- Opening and closing ---------------------------------------------------

void TableFile::reset() {
    m_file.close();
    m_memo.close();
    m_layout = TableLayout();
    m_buf.clear();
    m_disk.clear();
    m_view = RecordView(&m_layout, nullptr);
    m_recno = m_count = 0;
    m_eof = m_bof = true;
    m_changed = m_appendPending = m_headerPending = m_appendedShared = m_fileLock = false;
    m_recordLocks.clear();
    dropWindow();
    m_lastRead = 0;
}

Status TableFile::open(const std::string& path, File::Share share, bool readOnly) {
    if (isOpen()) (void)close();
    if (Status s = File::open(path, share, readOnly, m_file); !s) return s;
    auto fail = [this](Status s) {
        reset();
        return s;
    };
    uint64_t size = 0;
    if (Status s = m_file.size(&size); !s) return fail(s);
    char first[32] = {};
    size_t got = 0;
    if (Status s = m_file.read(0, first, sizeof first, &got); !s) return fail(s);
    std::string header(first, got);
    uint16_t announced = TableLayout::announcedHeaderLength(header);
    if (got == 32 && announced > 32 && announced <= size) {
        header.resize(announced);
        if (Status s = m_file.readExact(0, header.data(), announced); !s) return fail(s);
    }
    if (Status s = TableLayout::parse(path, header, size, &m_layout); !s) return fail(s);
    if (m_layout.hasMemo()) {
        Status s = m_memo.open(memoPathFor(path), share, readOnly);
        if (!s) return fail(s);
    }
    m_view = RecordView(&m_layout, m_memo.isOpen() ? &m_memo : nullptr);
    m_buf.assign(m_layout.recordLength(), ' ');
    m_disk = m_buf;
    m_view.set(m_buf.data(), 0);
    // The count comes from the file size in both modes: a station that died
    // between writing its record and rewriting the header leaves a header
    // that lags, and the record it wrote must not be lost.
    if (Status s = countFromFile(&m_count); !s) return fail(s);
    if (Status s = goTop(); !s) return fail(s);
    return Status::ok();
}

Status TableFile::close() {
    if (!isOpen()) return Status::ok();
    Status s = flush();
    if (Status u = unlockAll(); s && !u) s = u;
    reset();
    return s;
}

// ---- Record count ----------------------------------------------------------

Status TableFile::countFromFile(uint32_t* count) const {
    uint64_t size = 0;
    if (Status s = m_file.size(&size); !s) return s;
    uint64_t n = size <= m_layout.headerLength()
                     ? 0
                     : (size - m_layout.headerLength()) / m_layout.recordLength();
    *count = static_cast<uint32_t>(std::min<uint64_t>(n, kMaxRecords));
    return Status::ok();
}

Status TableFile::recCount(uint32_t* count) {
    if (isShared()) {
        if (Status s = countFromFile(&m_count); !s) return s;
    }
    *count = m_count;
    return Status::ok();
}

// ---- Navigation ------------------------------------------------------------

void TableFile::positionEof() {
    m_recno = m_count + 1;
    m_buf.assign(m_layout.recordLength(), ' ');
    m_disk = m_buf;
    m_view.set(m_buf.data(), m_recno);
    m_eof = true;
}

Status TableFile::readRecord(uint32_t recno) {
    const size_t len = m_layout.recordLength();
    if (!isShared()) {
        if (recno < m_windowFirst || recno >= m_windowFirst + m_windowCount) {
            // Read a window around the record, ahead of it or, when moving
            // backwards, behind it.
            uint32_t per = static_cast<uint32_t>(std::max<size_t>(1, kWindowBytes / len));
            uint32_t first = recno;
            if (recno < m_lastRead && recno > per)
                first = recno - per + 1;
            else if (recno < m_lastRead)
                first = 1;
            uint32_t inFile = m_count - (m_appendPending ? 1 : 0);
            uint32_t n = std::min(per, inFile >= first ? inFile - first + 1 : 0);
            m_window.resize(static_cast<size_t>(n) * len);
            size_t got = 0;
            if (Status s = m_file.read(recordOffset(first), m_window.data(), m_window.size(), &got);
                !s) {
                dropWindow();
                return s;
            }
            m_windowFirst = first;
            m_windowCount = static_cast<uint32_t>(got / len);
            if (recno >= m_windowFirst + m_windowCount)
                return Status::corruption(path(), "record beyond the end of the file");
        }
        std::memcpy(m_buf.data(), m_window.data() + (recno - m_windowFirst) * len, len);
    } else {
        if (Status s = m_file.readExact(recordOffset(recno), m_buf.data(), len); !s) return s;
    }
    m_lastRead = recno;
    m_disk = m_buf;
    m_recno = recno;
    m_view.set(m_buf.data(), recno);
    m_eof = false;
    return Status::ok();
}

Status TableFile::goTo(uint32_t recno) {
    if (!isOpen()) return Status::invalid("", "table not open");
    if (Status s = commit(); !s) return s;
    m_bof = false;
    if (isShared() && recno > m_count) {
        if (Status s = countFromFile(&m_count); !s) return s;
    }
    if (recno == 0 || recno > m_count) {
        positionEof();
        return Status::ok();
    }
    return readRecord(recno);
}

Status TableFile::stepForwardVisible() {
    while (!m_eof && deleted()) {
        if (Status s = goTo(m_recno + 1); !s) return s;
    }
    return Status::ok();
}

Status TableFile::goTop() {
    if (Status s = goTo(1); !s) return s;
    if (Status s = stepForwardVisible(); !s) return s;
    m_bof = m_eof;  // an empty table (or all deleted) is at both ends
    return Status::ok();
}

Status TableFile::goBottom() {
    if (!isOpen()) return Status::invalid("", "table not open");
    if (Status s = commit(); !s) return s;
    if (isShared()) {
        if (Status s = countFromFile(&m_count); !s) return s;
    }
    for (uint32_t r = m_count; r >= 1; --r) {
        if (Status s = readRecord(r); !s) return s;
        if (!deleted()) {
            m_bof = false;
            return Status::ok();
        }
    }
    positionEof();
    m_bof = true;
    return Status::ok();
}

Status TableFile::skip(int64_t count) {
    if (!isOpen()) return Status::invalid("", "table not open");
    if (count == 0) return m_eof ? Status::ok() : goTo(m_recno);
    for (; count > 0; --count) {
        if (m_eof) break;
        if (Status s = goTo(m_recno + 1); !s) return s;
        if (Status s = stepForwardVisible(); !s) return s;
    }
    for (; count < 0; ++count) {
        if (m_eof) {
            if (Status s = goBottom(); !s) return s;
            if (m_eof) break;
            continue;
        }
        if (Status s = commit(); !s) return s;
        uint32_t r = m_recno;
        bool found = false;
        while (r > 1) {
            --r;
            if (Status s = readRecord(r); !s) return s;
            if (!deleted()) {
                found = true;
                break;
            }
        }
        if (!found) {
            // Before the first visible record: stay on it, at the beginning.
            if (Status s = goTop(); !s) return s;
            m_bof = true;
            break;
        }
        m_bof = false;
    }
    return Status::ok();
}

// ---- Fields ----------------------------------------------------------------

Status TableFile::getField(int index, Value* out) const {
    if (index < 0 || index >= fieldCount()) return Status::invalid(path(), "no such field");
    return RecordView::decode(m_layout, m_memo.isOpen() ? &m_memo : nullptr, m_buf.data(), index,
                              out);
}

Status TableFile::writable() const {
    if (!isOpen()) return Status::invalid("", "table not open");
    if (isReadOnly()) return Status::invalid(path(), "table opened read-only");
    if (m_eof) return Status::invalid(path(), "no current record");
    if (isShared() && !hasRecordLock(m_recno)) return Status::invalid(path(), "record not locked");
    return Status::ok();
}

// Every observer hears of every change, even after another one failed:
// an index tag that was told beforeChange() and never recordWritten() (or
// the reverse) would keep a key that no longer matches its record. The
// record counts as changed once they were all told, so that its write
// pairs every beforeChange() with a recordWritten(). The first failure is
// the result.
Status TableFile::tellBeforeChange(bool appended) {
    Status first;
    for (TableObserver* o : m_observers) {
        Status s = o->beforeChange(*this, appended);
        if (first && !s) first = s;
    }
    m_changed = true;
    return first;
}

Status TableFile::tellWritten() {
    Status first;
    for (TableObserver* o : m_observers) {
        Status s = o->recordWritten(*this);
        if (first && !s) first = s;
    }
    return first;
}

Status TableFile::markChanged() {
    if (m_changed) return Status::ok();
    return tellBeforeChange(false);
}

Status TableFile::putField(int index, const Value& value) {
    if (Status s = writable(); !s) return s;
    if (index < 0 || index >= fieldCount()) return Status::invalid(path(), "no such field");
    const FieldDef& f = m_layout.field(index);
    std::string bytes(f.length, ' ');
    bool fits = true;
    auto typeError = [&] { return Status::invalid(path(), "wrong kind of value for " + f.name); };
    switch (f.type) {
        case 'C':
            if (!isText(value)) return typeError();
            codec::encodeText(std::get<std::string>(value), f.length, bytes.data());
            break;
        case 'N':
            if (!isNumber(value)) return typeError();
            fits = codec::encodeNumber(std::get<double>(value), f.length, f.decimals, bytes.data());
            break;
        case 'D':
            if (!isDate(value)) return typeError();
            codec::encodeDate(std::get<Date>(value), bytes.data());
            break;
        case 'L':
            if (!isLogical(value)) return typeError();
            bytes[0] = codec::encodeLogical(std::get<bool>(value));
            break;
        case 'M': {
            if (!isText(value)) return typeError();
            uint32_t onDisk = 0, current = 0, block = 0;
            char* at = m_buf.data() + m_layout.offset(index);
            bool diskOk =
                codec::decodeMemoBlock({m_disk.data() + m_layout.offset(index), 10}, &onDisk);
            bool curOk = codec::decodeMemoBlock({at, 10}, &current);
            if (Status s = markChanged(); !s) return s;
            if (Status s = m_memo.write(std::get<std::string>(value), &block); !s) return s;
            codec::encodeMemoBlock(block, at);
            // A value put since the record was last written is referenced by
            // nothing in the file: its blocks are free again at once. The
            // value in the file is released only after commit.
            if (curOk && diskOk && current != 0 && current != onDisk) (void)m_memo.release(current);
            return Status::ok();
        }
    }
    if (Status s = markChanged(); !s) return s;
    std::memcpy(m_buf.data() + m_layout.offset(index), bytes.data(), bytes.size());
    return fits ? Status::ok() : Status::dataWidth(path(), f.name);
}

// ---- Append, commit and the header -----------------------------------------

Status TableFile::writeDateAndCount(uint32_t count) {
    Today d = today();
    char bytes[7];
    TableLayout::dateAndCount(count, d.year, d.month, d.day, bytes);
    return m_file.write(1, bytes, sizeof bytes);
}

Status TableFile::rewriteHeaderShared() {
    ByteLock lock(m_file, kLockBase);
    if (Status s = lock.take(); !s) return s;
    uint32_t count = 0;
    if (Status s = countFromFile(&count); !s) return s;
    return writeDateAndCount(count);
}

Status TableFile::append() {
    if (!isOpen()) return Status::invalid("", "table not open");
    if (isReadOnly()) return Status::invalid(path(), "table opened read-only");
    if (Status s = commit(); !s) return s;
    const std::string blank(m_layout.recordLength(), ' ');
    if (!isShared()) {
        if (m_count >= kMaxRecords) return Status::invalid(path(), "too many records");
        ++m_count;
        m_appendPending = true;
        m_headerPending = true;
    } else {
        ByteLock lock(m_file, kLockBase);
        if (Status s = lock.take(); !s) return s;
        uint32_t count = 0;
        if (Status s = countFromFile(&count); !s) return s;
        if (count >= kMaxRecords) return Status::invalid(path(), "too many records");
        uint32_t recno = count + 1;
        bool locked = false;
        if (!m_fileLock) {
            if (Status s = releaseOtherRecordLocks(0); !s) return s;
            if (Status s = m_file.lock(kLockBase + recno, 1, true); !s)
                return s.isBusy() ? Status::busy(path(), "append lock failed") : s;
            locked = true;
        }
        std::string bytes = blank;
        bytes.push_back(kEofMark);
        Status s = m_file.write(
            m_layout.headerLength() + static_cast<uint64_t>(count) * m_layout.recordLength(),
            bytes.data(), bytes.size());
        if (s) s = writeDateAndCount(recno);
        if (!s) {
            if (locked) (void)m_file.unlock(kLockBase + recno, 1);
            return s;
        }
        if (locked) m_recordLocks.insert(recno);
        m_count = recno;
        m_appendedShared = true;
    }
    m_recno = m_count;
    m_buf = blank;
    m_disk = blank;
    m_view.set(m_buf.data(), m_recno);
    m_eof = m_bof = false;
    return tellBeforeChange(true);
}

Status TableFile::commit() {
    if (!isOpen() || !m_changed) return Status::ok();
    const size_t len = m_layout.recordLength();
    if (Status s = m_file.write(recordOffset(m_recno), m_buf.data(), len); !s) return s;
    if (!isShared()) {
        if (m_recno >= m_windowFirst && m_recno < m_windowFirst + m_windowCount)
            std::memcpy(m_window.data() + (m_recno - m_windowFirst) * len, m_buf.data(), len);
        m_appendPending = false;
        m_headerPending = true;
    } else if (m_appendedShared) {
        if (Status s = rewriteHeaderShared(); !s) return s;
        m_appendedShared = false;
    }
    // Memo values the record no longer points to.
    for (int i = 0; i < fieldCount(); ++i) {
        if (m_layout.field(i).type != 'M') continue;
        uint32_t was = 0, now = 0;
        int off = m_layout.offset(i);
        if (codec::decodeMemoBlock({m_disk.data() + off, 10}, &was) &&
            codec::decodeMemoBlock({m_buf.data() + off, 10}, &now) && was != 0 && was != now)
            (void)m_memo.release(was);  // a bad old pointer only leaks its blocks
    }
    m_disk = m_buf;
    m_changed = false;
    return tellWritten();
}

Status TableFile::flush() {
    if (Status s = commit(); !s) return s;
    if (!isOpen() || isShared() || !m_headerPending) return Status::ok();
    if (Status s = writeDateAndCount(m_count); !s) return s;
    uint64_t end =
        m_layout.headerLength() + static_cast<uint64_t>(m_count) * m_layout.recordLength();
    if (Status s = m_file.write(end, &kEofMark, 1); !s) return s;
    if (Status s = m_file.truncate(end + 1); !s) return s;
    m_headerPending = false;
    return Status::ok();
}

// ---- Delete and recall -----------------------------------------------------

Status TableFile::deleteRecord() {
    if (Status s = writable(); !s) return s;
    if (Status s = markChanged(); !s) return s;
    m_buf[0] = '*';
    return Status::ok();
}

Status TableFile::recall() {
    if (Status s = writable(); !s) return s;
    if (Status s = markChanged(); !s) return s;
    m_buf[0] = ' ';
    return Status::ok();
}

// ---- Locks -----------------------------------------------------------------

// A record read before its lock was held may be stale: once locked, it is
// read again so that the change starts from what the file holds.
void TableFile::rereadIfClean() {
    if (!m_eof && !m_changed && m_recno >= 1 && m_recno <= m_count) (void)readRecord(m_recno);
}

Status TableFile::releaseOtherRecordLocks(uint32_t keep) {
    if (Status s = commit(); !s) return s;
    for (auto it = m_recordLocks.begin(); it != m_recordLocks.end();) {
        if (*it == keep) {
            ++it;
            continue;
        }
        (void)m_file.unlock(kLockBase + *it, 1);
        it = m_recordLocks.erase(it);
    }
    return Status::ok();
}

Status TableFile::lockRecord() {
    return lockRecord(m_recno);
}

Status TableFile::lockRecord(uint32_t recno) {
    if (!isOpen()) return Status::invalid("", "table not open");
    if (!isShared() || m_fileLock) return Status::ok();
    // A lock past the last record would stand in the way of the next
    // station's append, which locks that number.
    if (recno > m_count) {
        if (Status s = countFromFile(&m_count); !s) return s;
    }
    if (recno == 0 || recno > m_count) return Status::invalid(path(), "no such record");
    if (Status s = releaseOtherRecordLocks(recno); !s) return s;
    if (!m_recordLocks.count(recno)) {
        if (Status s = m_file.lock(kLockBase + recno, 1, true); !s) return s;
        m_recordLocks.insert(recno);
    }
    if (recno == m_recno) rereadIfClean();
    return Status::ok();
}

Status TableFile::lockFile() {
    if (!isOpen()) return Status::invalid("", "table not open");
    if (!isShared() || m_fileLock) return Status::ok();
    // The range covers this station's own record locks, which it absorbs.
    if (Status s = m_file.lock(kFileLockOffset, kFileLockLength, true); !s) return s;
    m_fileLock = true;
    m_recordLocks.clear();
    rereadIfClean();
    return Status::ok();
}

Status TableFile::unlockAll() {
    if (!isOpen()) return Status::ok();
    Status s = commit();
    if (isShared() && (m_fileLock || !m_recordLocks.empty())) {
        Status u = m_file.unlock(kFileLockOffset, kFileLockLength);
        if (s) s = u;
    }
    m_fileLock = false;
    m_recordLocks.clear();
    return s;
}

// ---- Pack and zap ----------------------------------------------------------

// The records are read from the first one in blocks of about 1 MiB; the
// file is written only from the first deleted record on, each live record
// moved down over the removed ones. The write position never passes the
// read position, so no record is read after being overwritten. With no
// record deleted nothing but the header and the end mark is written.
//
// Interrupted (a failed write, a stop) once it has started moving records,
// the file still holds every live record whole: those already moved are at
// their new place and, until a later block covers it, at their old one too
// (never more of them than the deleted records passed), and a write cut
// inside a record leaves that one place mixed. The header and the file's
// length are those of before, and the records before the first deleted one
// are never written at all.
Status TableFile::pack(const std::function<void(const RecordContext&)>& eachKept) {
    if (!isOpen()) return Status::invalid("", "table not open");
    if (isShared() || isReadOnly()) return Status::invalid(path(), "exclusive use required");
    if (Status s = commit(); !s) return s;
    dropWindow();
    const size_t len = m_layout.recordLength();
    const uint32_t per = static_cast<uint32_t>(std::max<size_t>(1, kPackChunkBytes / len));
    RecordView view(&m_layout, memo());
    std::string chunk;
    uint32_t kept = 0;
    bool moving = false;  // a deleted record was met: live records move down from here
    for (uint32_t first = 1; first <= m_count; first += per) {
        const uint32_t n = std::min(per, m_count - first + 1);
        chunk.resize(static_cast<size_t>(n) * len);
        if (Status s = m_file.readExact(recordOffset(first), chunk.data(), chunk.size()); !s)
            return s;
        // Live records gather at the front of the chunk; those before the
        // first deleted record of the file (the first `settled` bytes) are
        // already where they belong.
        size_t out = 0;
        size_t settled = moving ? 0 : chunk.size();
        for (uint32_t i = 0; i < n; ++i) {
            const char* rec = chunk.data() + static_cast<size_t>(i) * len;
            if (rec[0] == '*') {
                if (!moving) settled = out;
                moving = true;
                continue;
            }
            if (out != static_cast<size_t>(i) * len) std::memmove(chunk.data() + out, rec, len);
            ++kept;
            if (eachKept) {
                view.set(chunk.data() + out, kept);
                eachKept(view);
            }
            out += len;
        }
        if (out > settled) {
            const uint32_t moved = static_cast<uint32_t>((out - settled) / len);
            if (Status s = m_file.write(recordOffset(kept - moved + 1), chunk.data() + settled,
                                        out - settled);
                !s)
                return s;
        }
    }
    m_count = kept;
    m_headerPending = true;
    if (Status s = flush(); !s) return s;
    return goTop();
}

Status TableFile::zap() {
    if (!isOpen()) return Status::invalid("", "table not open");
    if (isShared() || isReadOnly()) return Status::invalid(path(), "exclusive use required");
    // A changed record is written first, so that the observers told of its
    // change hear of its write (the tags are rebuilt after a zap anyway).
    if (Status s = commit(); !s) return s;
    dropWindow();
    m_count = 0;
    m_headerPending = true;
    if (Status s = flush(); !s) return s;
    if (m_memo.isOpen()) {
        if (Status s = m_memo.reset(); !s) return s;
    }
    return goTop();
}

// ---- Observers and scans ---------------------------------------------------

void TableFile::addObserver(TableObserver* observer) {
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void TableFile::removeObserver(TableObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

std::unique_ptr<RecordScan> TableFile::scan() {
    return std::make_unique<TableScan>(*this);
}

}  // namespace drav::data
